#include "editor/streams/stream_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Rows of width 24-bit pixels (blue 1, green 2, red 3) each padded to four
// bytes with 10, 20, 30, 40: the padding counts wherever the walk meets it.
std::vector<uint8_t> PaddedFrame(int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<uint8_t> bytes;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bytes.insert(bytes.end(), {1, 2, 3});
    for (int pad = width * 3; pad < stride; ++pad)
      bytes.push_back(static_cast<uint8_t>(10 * (pad - width * 3 + 1)));
  }
  return bytes;
}

TEST(StreamRules, ChannelSumsWalkThePaddingAsItLies) {
  struct Case {
    int width, height;
    uint32_t blue, green, red;
  } cases[] = {
      {1, 1, 1, 2, 3},  // 4 bytes: one triplet, the pad byte is left over
      // 24 bytes, 8 triplets: each row's three pad bytes make a whole triplet.
      {3, 2, 6 * 1 + 2 * 10, 6 * 2 + 2 * 20, 6 * 3 + 2 * 30},
      // 16 bytes: the pads shift the second row, its blue is counted as red.
      {2, 2, 1 + 1 + 10 + 2 + 2, 2 + 2 + 20 + 3 + 3, 3 + 3 + 1 + 1 + 10},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> frame = PaddedFrame(c.width, c.height);
    const ChannelSums sums = SumChannels(frame.data(), frame.size());
    EXPECT_EQ(sums.blue, c.blue) << c.width << "x" << c.height;
    EXPECT_EQ(sums.green, c.green) << c.width << "x" << c.height;
    EXPECT_EQ(sums.red, c.red) << c.width << "x" << c.height;
  }
  const uint8_t two[2] = {200, 200};
  EXPECT_EQ(SumChannels(two, 2).blue, 0u);
}

// The sums by their definition: one triplet at a time, 32-bit adds that wrap.
ChannelSums SumsByDefinition(const std::vector<uint8_t>& bytes) {
  ChannelSums s;
  for (size_t i = 0; i + 2 < bytes.size(); i += 3) {
    s.blue += bytes[i];
    s.green += bytes[i + 1];
    s.red += bytes[i + 2];
  }
  return s;
}

TEST(StreamRules, ChannelSumsOfEveryLengthAndContentAsDefined) {
  // Lengths around the 48 and 96-byte blocks the sums may be taken in, frames of odd
  // widths whose padding shifts the channels row by row, and a frame whose
  // data starts off any alignment.
  struct Case {
    size_t size;
    int fill;  // 0: a pattern of all byte values, 1: all 255, 2: pseudo-random
    size_t offset;
  } cases[] = {
      {0, 0, 0},
      {1, 1, 0},
      {2, 1, 0},
      {3, 1, 0},
      {47, 2, 0},
      {48, 1, 0},
      {49, 2, 0},
      {50, 2, 0},
      {95, 2, 3},
      {96, 1, 1},
      {97, 2, 7},
      {144, 0, 5},
      {191, 2, 1},
      {192, 1, 0},
      {240, 2, 2},  // two 96-byte blocks, then one of 48
      {1000, 2, 0},
      {4 * 3, 0, 0},    // 1 x 3 pixels,
                        // 4-byte rows
      {8 * 5, 2, 9},    // 2 x 5 pixels
      {240 * 7, 2, 0},  // 79 x 7 pixels: 237 bytes and 3 pad bytes a row
      {1920 * 3, 1, 0},
      {641 * 3 + 1, 2, 0},  // 641 x 1 pixels: one pad byte
      {1924 * 480, 2, 15},  // 641 x 480 pixels
  };
  uint32_t state = 12345;
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(c.size + c.offset);
    for (size_t i = 0; i < bytes.size(); ++i) {
      state = state * 1103515245u + 12345u;
      bytes[i] = c.fill == 0   ? static_cast<uint8_t>(i * 7 + i / 256)
                 : c.fill == 1 ? 255
                               : static_cast<uint8_t>(state >> 23);
    }
    const std::vector<uint8_t> frame(bytes.begin() + static_cast<long>(c.offset), bytes.end());
    const ChannelSums want = SumsByDefinition(frame);
    for (bool avx2 : {true, false}) {
      channelSumOptions.allowAvx2 = avx2;
      const ChannelSums got = SumChannels(bytes.data() + c.offset, c.size);
      EXPECT_EQ(got.blue, want.blue) << c.size << " bytes, AVX2 " << avx2;
      EXPECT_EQ(got.green, want.green) << c.size << " bytes, AVX2 " << avx2;
      EXPECT_EQ(got.red, want.red) << c.size << " bytes, AVX2 " << avx2;
    }
    channelSumOptions.allowAvx2 = true;
  }
}

TEST(StreamRules, ChannelSumsWrapAsThirtyTwoBitNumbers) {
  // 16,843,010 white pixels sum to 2^32 + 254 in each channel.
  const std::vector<uint8_t> white(16843010 * 3 + 2, 255);
  const ChannelSums sums = SumChannels(white.data(), white.size());
  EXPECT_EQ(sums.blue, 254u);
  EXPECT_EQ(sums.green, 254u);
  EXPECT_EQ(sums.red, 254u);
}

TEST(StreamRules, SceneStartsWhenAChannelMoreThanHalvesOrDoubles) {
  const ChannelSums previous{100, 100, 101};
  struct Case {
    ChannelSums current;
    bool starts;
  } cases[] = {
      {{50, 50, 50}, false},     // exactly half of each
      {{49, 50, 50}, true},      // blue one less than half
      {{50, 50, 49}, true},      // 101 halves to 50 by the shift
      {{201, 201, 203}, false},  // halved, still not more than before
      {{202, 100, 100}, true},   // doubled and more
      {{100, 100, 101}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StartsScene(previous, c.current), c.starts)
        << c.current.blue << " " << c.current.green << " " << c.current.red;
  EXPECT_FALSE(StartsScene({0, 0, 0}, {1, 1, 1}));
  EXPECT_TRUE(StartsScene({0, 0, 0}, {2, 0, 0}));
}

TEST(StreamRules, PartsRunFromSampleZeroToTheEnd) {
  struct Case {
    std::vector<int32_t> scenes;
    int32_t start, end;
    std::vector<std::pair<int32_t, int32_t>> parts;  // first, length
  } cases[] = {
      {{10}, 0, 10, {{0, -1}}},  // no change: one part, the whole movie
      {{3, 7, 10}, 0, 10, {{0, 3}, {3, 4}, {7, -1}}},
      {{9, 10}, 0, 10, {{0, 9}, {9, -1}}},  // a scene of the last frame alone
      {{1, 2, 3}, 0, 3, {{0, 1}, {1, 1}, {2, -1}}},
      {{5, 12}, 2, 12, {{2, 3}, {5, -1}}},  // a movie whose first sample is 2
  };
  for (const Case& c : cases) {
    std::vector<std::pair<int32_t, int32_t>> got;
    for (const SplitPart& p : PartsFromScenes(c.scenes, c.start, c.end))
      got.push_back({p.first, p.length});
    EXPECT_EQ(got, c.parts) << c.scenes.size() << " scenes, end " << c.end;
  }
}

TEST(StreamRules, ResizedSizesAndTheRefusalOfAnEmptySide) {
  struct Case {
    int32_t width, height;
    uint32_t percent;
    bool ok;
    int32_t newWidth, newHeight;
  } cases[] = {
      {320, 240, 100, true, 320, 240},
      {320, 240, 50, true, 160, 120},
      {321, 240, 150, true, 481, 360},
      {320, 240, 1, true, 3, 2},
      {320, 240, 500, true, 1600, 1200},
      {8, 6, 12, false, 0, 0},  // 0 high
      {99, 240, 1, false, 0, 0},
      {320, 240, 0, false, 0, 0},
      {640, 480, 0xFFFFFFFFu, false, 0, 0},  // no 32-bit side holds it
  };
  for (const Case& c : cases) {
    int32_t w = 0, h = 0;
    EXPECT_EQ(ResizedSize(c.width, c.height, c.percent, &w, &h), c.ok) << c.percent;
    if (c.ok) {
      EXPECT_EQ(w, c.newWidth) << c.percent;
      EXPECT_EQ(h, c.newHeight) << c.percent;
    }
  }
}

}  // namespace

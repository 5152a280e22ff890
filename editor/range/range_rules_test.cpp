#include "editor/range/range_rules.h"

#include <gtest/gtest.h>

#include "editor/synthesis/bitmap_file.h"

TEST(RangeRules, EditsClampToTheMovieAndPullEachOther) {
  struct Case {
    const char* what;
    int64_t start, end;
    bool editingStart;
    int64_t wantStart, wantEnd;
    bool changed;
  } cases[] = {
      {"inside", 3, 7, true, 3, 7, false},
      {"end typed below the start pulls the start", 6, 2, false, 2, 2, true},
      {"start typed past the end pushes the end", 8, 5, true, 8, 8, true},
      {"too large a start becomes length - 1", 500, 9, true, 9, 9, true},
      {"too large an end becomes length - 1", 2, 12345, false, 2, 9, true},
      {"negative becomes 0", -4, 3, true, 0, 3, true},
  };
  for (const Case& c : cases) {
    int64_t s = c.start, e = c.end;
    EXPECT_EQ(SettleRangeEdits(&s, &e, 10, c.editingStart), c.changed) << c.what;
    EXPECT_EQ(s, c.wantStart) << c.what;
    EXPECT_EQ(e, c.wantEnd) << c.what;
  }
}

TEST(RangeRules, BarAndPlayerFrameKeepTheEndsApart) {
  struct Case {
    bool startChosen;
    int64_t start, end, min, max, position;
  } cases[] = {{true, 3, 7, 0, 7, 3}, {false, 3, 7, 3, 9, 7}, {false, 9, 9, 9, 9, 9}};
  for (const Case& c : cases) {
    const RangeBar b = RangeBarFor(c.startChosen, c.start, c.end, 10);
    EXPECT_EQ(b.min, c.min);
    EXPECT_EQ(b.max, c.max);
    EXPECT_EQ(b.position, c.position);
  }
  EXPECT_EQ(RangeFrameAt(5, 2, 10), 3);
  EXPECT_EQ(RangeFrameAt(1, 2, 10), 0);   // before the stream's start
  EXPECT_EQ(RangeFrameAt(40, 0, 10), 9);  // past the end
}

TEST(RangeRules, TimeTextCountsFromFirstStartToLastStart) {
  struct Case {
    int64_t start, end;
    uint32_t scale;
    int64_t rate;
    const char* text;
  } cases[] = {
      {0, 90, 1, 30, "00:00:03:00"},
      {9, 9, 1, 30, "00:00:00:00"},  // one frame
      {0, 1, 1, 30, "00:00:00:03"},  // 3.33 hundredths cut
      {0, 15, 1001, 30000, "00:00:00:50"},
      {0, 30 * 3723, 1, 30, "01:02:03:00"},
      {0, 10, 1, 0, ""},                                  // no rate read: no text
      {0, 2'000'000'000, 1000, 1, "555555555:33:20:00"},  // 64 bits: no wrap
  };
  for (const Case& c : cases)
    EXPECT_EQ(RangeTimeText(c.start, c.end, c.scale, c.rate), c.text) << c.start << ".." << c.end;
}

TEST(RangeRules, SoundStretchStartsExactlyWithItsFrame) {
  struct Case {
    int64_t frame;
    uint32_t vScale, vRate, aScale, aRate;
    int64_t sample;
  } cases[] = {
      {1000, 1, 30, 1, 44100, 1470000},  // 33.333 ms would give 1469985
      {5, 1, 10, 4, 32000, 4000},        // rate in bytes, 4-byte blocks
      {1, 1001, 30000, 1, 48000, 1601},  // 1601.6
      {0, 1, 30, 1, 44100, 0},          {7, 0, 30, 1, 44100, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SoundSampleAt(c.frame, c.vScale, c.vRate, c.aScale, c.aRate), c.sample) << c.frame;
  }
  // 3 x 3e9 x 4e9 / 14: past 64 bits on the way, not in the result.
  EXPECT_EQ(SoundSampleAt(3, 3'000'000'000u, 2, 7, 4'000'000'000u), 2571428571428571428);
}

TEST(RangeRules, ExtractedBitmapsAreNumberedAndPlaced) {
  struct Case {
    int64_t i, last;
    const char* name;
  } cases[] = {{5, 12, "clip_05"}, {12, 12, "clip_12"},  {5, 5, "clip_5"},
               {0, 0, "clip_0"},   {7, 120, "clip_007"}, {1000, 1000, "clip_1000"}};
  for (const Case& c : cases) EXPECT_EQ(RangeBitmapName("clip", c.i, c.last), c.name);

  const RangeBitmapPlace p = RangeBitmapPlaceFor("C:\\m\\clip.avi");
  EXPECT_EQ(p.folder, "C:\\m\\clip");
  EXPECT_EQ(p.name, "clip");
  EXPECT_EQ(RangeBitmapPlaceFor("C:\\a.b\\my.movie.AVI").folder, "C:\\a.b\\my.movie");

  int64_t first = 12, last = 99;
  EXPECT_TRUE(ClampExtractRange(&first, &last, 2, 10));
  EXPECT_EQ(first, 11);
  EXPECT_EQ(last, 11);
  first = 1, last = 5;
  EXPECT_FALSE(ClampExtractRange(&first, &last, 2, 10));  // before the stream's start
}

TEST(RangeRules, BitmapFileHeaderFollowsTheDib) {
  struct Case {
    const char* what;
    int32_t width, height;
    uint16_t bits;
    uint32_t compression, sizeImage, coloursUsed;
    size_t available;
    bool ok;
    uint32_t fileSize, offset;
  } cases[] = {
      {"24 bits", 3, 2, 24, 0, 0, 0, 40 + 24, true, 14 + 40 + 24, 54},
      {"8 bits with a full table", 5, 2, 8, 0, 0, 0, 40 + 1024 + 16, true, 14 + 1064 + 16, 1078},
      {"8 bits, 16 colours used", 5, 2, 8, 0, 0, 16, 40 + 64 + 16, true, 14 + 104 + 16, 118},
      {"16 bits with masks", 2, 2, 16, 3, 0, 0, 40 + 12 + 8, true, 14 + 52 + 8, 66},
      {"top-down 32 bits", 2, -3, 32, 0, 0, 0, 40 + 24, true, 14 + 64, 54},
      {"image size field wins", 3, 2, 24, 0, 20, 0, 40 + 24, true, 14 + 40 + 20, 54},
      {"a DIB shorter than it claims", 3, 2, 24, 0, 0, 0, 40 + 23, false, 0, 0},
      {"an image size past the DIB", 3, 2, 24, 0, 4000, 0, 40 + 24, false, 0, 0},
  };
  for (const Case& c : cases) {
    uint8_t dib[40] = {};
    auto put32 = [&](int at, uint32_t v) {
      for (int k = 0; k < 4; ++k) dib[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(c.width));
    put32(8, static_cast<uint32_t>(c.height));
    dib[12] = 1;
    dib[14] = static_cast<uint8_t>(c.bits);
    put32(16, c.compression);
    put32(20, c.sizeImage);
    put32(32, c.coloursUsed);
    uint8_t header[14] = {};
    size_t dibBytes = 0;
    ASSERT_EQ(MakeBitmapFileHeader(dib, c.available, header, &dibBytes), c.ok) << c.what;
    if (!c.ok) continue;
    EXPECT_EQ(header[0], 'B');
    EXPECT_EQ(header[1], 'M');
    const uint32_t size = header[2] | header[3] << 8 | header[4] << 16 | uint32_t(header[5]) << 24;
    const uint32_t offset = header[10] | header[11] << 8 | header[12] << 16;
    EXPECT_EQ(size, c.fileSize) << c.what;
    EXPECT_EQ(offset, c.offset) << c.what;
    EXPECT_EQ(header[6] | header[7] | header[8] | header[9], 0) << c.what;
    EXPECT_EQ(dibBytes, size - 14u) << c.what;
  }
}

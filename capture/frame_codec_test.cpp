#include "capture/frame_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/file.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A scratch stream on a real file, so the codecs meet the CRT's buffering.
UniqueFile ScratchStream() {
  UniqueFile file(std::tmpfile());
  EXPECT_NE(file, nullptr);
  return file;
}

Bytes StreamBytes(std::FILE* file) {
  std::fflush(file);
  long end = std::ftell(file);
  Bytes out(static_cast<size_t>(end));
  std::rewind(file);
  if (end) {
    EXPECT_EQ(std::fread(out.data(), 1, out.size(), file), out.size());
  }
  return out;
}

UniqueFile StreamOf(const Bytes& bytes) {
  UniqueFile file = ScratchStream();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::rewind(file.get());
  return file;
}

struct Codec {
  const char* name;
  FrameEncoder encode;
  FrameDecoder decode;
};
const Codec kFlagFast{"flag", EncodeFlagXor, DecodeFlagXor};
const Codec kFlagRef{"flag_ref", EncodeFlagXor_ref, DecodeFlagXor_ref};
const Codec kRunFast{"run", EncodeRunXor, DecodeRunXor};
const Codec kRunRef{"run_ref", EncodeRunXor_ref, DecodeRunXor_ref};

Bytes Encode(const Codec& codec, const Bytes& current, const Bytes& previous) {
  UniqueFile file = ScratchStream();
  EXPECT_TRUE(codec.encode(current.data(), previous.data(), current.size(), file.get()));
  return StreamBytes(file.get());
}

// Frames that differ in `changed` random places (0..1000 per thousand).
void RandomPair(std::mt19937& random, size_t length, int changedPerMille, Bytes* current,
                Bytes* previous) {
  previous->resize(length);
  current->resize(length);
  for (auto& b : *previous) b = static_cast<uint8_t>(random());
  for (size_t i = 0; i < length; ++i) {
    uint8_t d = static_cast<int>(random() % 1000) < changedPerMille
                    ? static_cast<uint8_t>(1 + random() % 255)
                    : 0;
    (*current)[i] = (*previous)[i] ^ d;
  }
}

// Unchanged frames with changed blocks, as on a screen where one area moves.
void ClusteredPair(std::mt19937& random, size_t length, Bytes* current, Bytes* previous) {
  RandomPair(random, length, 0, current, previous);
  size_t at = 0;
  while (at < length) {
    at += random() % 3000;
    size_t run = random() % 700;
    for (size_t i = at; i < length && i < at + run; ++i)
      (*current)[i] = (*previous)[i] ^ static_cast<uint8_t>(1 + random() % 255);
    at += run;
  }
}

TEST(FrameCodec, FlagXorGoldenGroups) {
  // previous all 0x10; the differences are written out field by field.
  Bytes previous(12, 0x10);
  Bytes current = previous;
  current[0] ^= 0xAA;  // group 0, bit 7
  current[7] ^= 0x01;  // group 0, bit 0
  current[9] ^= 0x55;  // group 1 (4 bytes), bit 6
  const Bytes expected = {
      0x81, 0xAA, 0x01,  // flag 1000 0001, then the two differences in position order
      0x40, 0x55,        // short last group: bit 6 only, bits 3..0 are beyond the frame
  };
  for (const Codec* codec : {&kFlagFast, &kFlagRef}) {
    SCOPED_TRACE(codec->name);
    EXPECT_EQ(Encode(*codec, current, previous), expected);
    EXPECT_EQ(Encode(*codec, previous, current), expected) << "arguments swapped";
  }
}

TEST(FrameCodec, RunXorGoldenGroups) {
  // 256 unchanged bytes, 1 changed, 257 unchanged, then 10 changed.
  Bytes previous(256 + 1 + 257 + 10, 0x33);
  Bytes current = previous;
  current[256] ^= 0x7E;
  for (size_t i = 514; i < 524; ++i) current[i] ^= static_cast<uint8_t>(i);
  const Bytes expected = {
      // flag 1011 0000: run, XOR, run, run, then four XOR tokens
      // (256 bytes, 0x7E, 256 bytes, the lone 257th byte, bytes 514..517)
      0xB0,
      255,
      0x7E,
      255,
      0,
      2,
      3,
      4,
      5,
      // flag 0: bytes 518..523, then two meaningless (zero) tokens
      0x00,
      6,
      7,
      8,
      9,
      10,
      11,
      0,
      0,
  };
  for (const Codec* codec : {&kRunFast, &kRunRef}) {
    SCOPED_TRACE(codec->name);
    EXPECT_EQ(Encode(*codec, current, previous), expected);
    EXPECT_EQ(Encode(*codec, previous, current), expected) << "arguments swapped";
  }
}

TEST(FrameCodec, OneByteFrames) {
  const Bytes zero = {0x00}, five = {0x05};
  for (const Codec* codec : {&kFlagFast, &kFlagRef}) {
    SCOPED_TRACE(codec->name);
    EXPECT_EQ(Encode(*codec, five, zero), (Bytes{0x80, 0x05}));
    EXPECT_EQ(Encode(*codec, five, five), (Bytes{0x00}));
  }
  for (const Codec* codec : {&kRunFast, &kRunRef}) {
    SCOPED_TRACE(codec->name);
    EXPECT_EQ(Encode(*codec, five, zero), (Bytes{0x00, 0x05, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Encode(*codec, five, five), (Bytes{0x80, 0x00, 0, 0, 0, 0, 0, 0, 0}));
  }
}

TEST(FrameCodec, IdenticalAndFullyChangedFrameSizes) {
  std::mt19937 random(7);
  for (size_t length : {1u, 7u, 8u, 9u, 255u, 256u, 257u, 2048u, 2049u, 5000u}) {
    SCOPED_TRACE(length);
    Bytes same, previous, changed;
    RandomPair(random, length, 0, &same, &previous);
    RandomPair(random, length, 1000, &changed, &previous);
    size_t groups8 = (length + 7) / 8;
    size_t runs = (length + 255) / 256;
    for (const Codec* codec : {&kFlagFast, &kFlagRef}) {
      Bytes coded = Encode(*codec, previous, previous);
      EXPECT_EQ(coded, Bytes(groups8, 0)) << codec->name;
      EXPECT_EQ(Encode(*codec, changed, previous).size(), length + groups8) << codec->name;
    }
    for (const Codec* codec : {&kRunFast, &kRunRef}) {
      Bytes coded = Encode(*codec, previous, previous);
      ASSERT_EQ(coded.size(), (runs + 7) / 8 * 9) << codec->name;
      size_t tokens = 0;
      for (size_t g = 0; g < coded.size(); g += 9)
        for (int k = 0; k < 8 && tokens < runs; ++k, ++tokens) {
          EXPECT_TRUE(coded[g] & (0x80 >> k));
          EXPECT_EQ(coded[g + 1 + k], tokens + 1 < runs ? 255 : (length - 1) % 256);
        }
      Bytes all = Encode(*codec, changed, previous);
      ASSERT_EQ(all.size(), groups8 * 9) << codec->name;
      for (size_t g = 0; g < all.size(); g += 9) EXPECT_EQ(all[g], 0) << codec->name;
    }
  }
}

// The decoder must stop exactly behind its frame: the bytes that follow belong
// to the next record.
TEST(FrameCodec, DecodersStopAtTheEndOfTheirFrame) {
  std::mt19937 random(11);
  const Bytes trailer = {0xDE, 0xAD, 0xBE, 0xEF, 0x80, 0xFF};
  for (const Codec* codec : {&kFlagFast, &kFlagRef, &kRunFast, &kRunRef}) {
    for (size_t length : {12u, 1u, 3u, 64u, 65u, 130u, 4099u}) {
      SCOPED_TRACE(std::string(codec->name) + " length " + std::to_string(length));
      Bytes current, previous;
      RandomPair(random, length, 300, &current, &previous);
      Bytes coded = Encode(*codec, current, previous);
      coded.insert(coded.end(), trailer.begin(), trailer.end());
      UniqueFile in = StreamOf(coded);
      Bytes buffer = previous;
      EXPECT_TRUE(codec->decode(in.get(), buffer.data(), length));
      EXPECT_EQ(buffer, current);
      Bytes rest(trailer.size() + 1);
      EXPECT_EQ(std::fread(rest.data(), 1, rest.size(), in.get()), trailer.size());
      rest.pop_back();
      EXPECT_EQ(rest, trailer);
    }
  }
}

TEST(FrameCodec, RandomRoundTripsMatchTheReference) {
  std::mt19937 random(1234);
  std::vector<size_t> lengths;
  for (size_t n = 1; n <= 80; ++n) lengths.push_back(n);
  for (size_t n = 81; n <= 3200; n += 37 + n / 50) lengths.push_back(n);
  lengths.push_back(1024 * 768 * 3);
  for (size_t length : lengths) {
    for (int density : {0, 2, 50, 500, 990, 1000, -1}) {
      Bytes current, previous;
      if (density < 0)
        ClusteredPair(random, length, &current, &previous);
      else
        RandomPair(random, length, density, &current, &previous);
      for (auto [fast, ref] : {std::pair{&kFlagFast, &kFlagRef}, std::pair{&kRunFast, &kRunRef}}) {
        SCOPED_TRACE(std::string(fast->name) + " length " + std::to_string(length) + " density " +
                     std::to_string(density));
        Bytes coded = Encode(*fast, current, previous);
        ASSERT_EQ(coded, Encode(*ref, current, previous));
        ASSERT_EQ(coded, Encode(*fast, previous, current));
        for (const Codec* decoder : {fast, ref}) {
          UniqueFile in = StreamOf(coded);
          Bytes buffer = previous;
          ASSERT_TRUE(decoder->decode(in.get(), buffer.data(), length)) << decoder->name;
          ASSERT_EQ(buffer, current) << decoder->name;
          ASSERT_EQ(std::fgetc(in.get()), EOF) << decoder->name << " left coded bytes behind";
        }
      }
    }
  }
}

// Arbitrary bytes (a damaged file): the fast decoders must consume and change
// exactly what the plain reading of the format does, cut short or not.
TEST(FrameCodec, FastDecodersFollowTheReferenceOnArbitraryInput) {
  std::mt19937 random(99);
  for (int round = 0; round < 400; ++round) {
    size_t length = 1 + random() % (round < 200 ? 100 : 5000);
    Bytes stream(random() % (length * 2 + 20));
    int style = round % 4;  // random, mostly-zero flags, runs, all 0xFF
    for (auto& b : stream) {
      b = static_cast<uint8_t>(random());
      if (style == 1 && random() % 4) b = 0;
      if (style == 3) b = 0xFF;
    }
    if (style == 2)
      for (size_t g = 0; g < stream.size(); g += 9)
        stream[g] = static_cast<uint8_t>(random() % 2 ? 0xFF : 0);
    Bytes previous(length);
    for (auto& b : previous) b = static_cast<uint8_t>(random());
    for (auto [fast, ref] : {std::pair{&kFlagFast, &kFlagRef}, std::pair{&kRunFast, &kRunRef}}) {
      SCOPED_TRACE(std::string(fast->name) + " round " + std::to_string(round));
      UniqueFile a = StreamOf(stream), b = StreamOf(stream);
      Bytes fastBuffer = previous, refBuffer = previous;
      bool fastOk = fast->decode(a.get(), fastBuffer.data(), length);
      bool refOk = ref->decode(b.get(), refBuffer.data(), length);
      EXPECT_EQ(fastOk, refOk);
      EXPECT_EQ(fastBuffer, refBuffer);
      if (refOk) {
        EXPECT_EQ(std::ftell(a.get()), std::ftell(b.get())) << "bytes consumed";
      }
    }
  }
}

TEST(FrameCodec, StreamCutShortKeepsWhatWasDecoded) {
  std::mt19937 random(5);
  for (const Codec* codec : {&kFlagFast, &kRunFast}) {
    SCOPED_TRACE(codec->name);
    Bytes current, previous;
    RandomPair(random, 3000, 1000, &current, &previous);
    Bytes coded = Encode(*codec, current, previous);
    coded.resize(coded.size() / 2);
    UniqueFile in = StreamOf(coded);
    Bytes buffer = previous;
    EXPECT_FALSE(codec->decode(in.get(), buffer.data(), buffer.size()));
    // Every byte changed, so the front is the new frame and the back the old one.
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 1000),
              Bytes(current.begin(), current.begin() + 1000));
    EXPECT_EQ(Bytes(buffer.end() - 1000, buffer.end()),
              Bytes(previous.end() - 1000, previous.end()));
  }
}

TEST(FrameCodec, StreamThatTakesNothingEndsTheEncoder) {
  std::mt19937 random(3);
  Bytes current, previous;
  RandomPair(random, 200000, 100, &current, &previous);
  // A stream open only for reading refuses every byte, as a full disk does.
  std::string path = "codec_refuses.bin";
  {
    UniqueFile make = FileOpen(path, "wb");
    ASSERT_NE(make, nullptr);
  }
  UniqueFile readOnly = FileOpen(path, "rb");
  ASSERT_NE(readOnly, nullptr);
  for (const Codec* codec : {&kFlagFast, &kFlagRef, &kRunFast, &kRunRef})
    EXPECT_FALSE(codec->encode(current.data(), previous.data(), current.size(), readOnly.get()))
        << codec->name;
  readOnly.reset();
  FileRemove(path);
#ifdef __linux__
  // /dev/full takes bytes into the CRT buffer and then fails every write.
  for (const Codec* codec : {&kFlagFast, &kRunFast}) {
    UniqueFile full = FileOpen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(codec->encode(current.data(), previous.data(), current.size(), full.get()))
        << codec->name;
  }
#endif
}

TEST(FrameCodec, SelectionFollowsTheCodecByte) {
  EXPECT_EQ(SelectFrameEncoder(kTempCodecPlain), nullptr);
  EXPECT_EQ(SelectFrameEncoder(kTempCodecFlagXor), &EncodeFlagXor);
  EXPECT_EQ(SelectFrameEncoder(kTempCodecRunXor), &EncodeRunXor);
  EXPECT_EQ(SelectFrameEncoder(3), nullptr);
  EXPECT_EQ(SelectFrameDecoder(kTempCodecFlagXor), &DecodeFlagXor);
  EXPECT_EQ(SelectFrameDecoder(kTempCodecRunXor), &DecodeRunXor);
  EXPECT_EQ(SelectFrameDecoder(kTempCodecPlain), nullptr);
}

}  // namespace

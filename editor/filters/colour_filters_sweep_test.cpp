// Every 24-bit colour and every 5-5-5 word through the fast colour kernels and
// the reference. Heavy (16.7 million pixels a run), so host only.
#include <gtest/gtest.h>

#include <vector>

#include "common/bytes.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/filters_test_support.h"

namespace {

std::vector<uint8_t> AllColours24() {
  const int width = 4096, height = 4096;  // stride 12288, no padding
  std::vector<uint8_t> dib(40 + size_t{3} * width * height);
  PutU32(&dib[0], 40);
  PutU32(&dib[4], width);
  PutU32(&dib[8], height);
  PutU16(&dib[12], 1);
  PutU16(&dib[14], 24);
  for (uint32_t c = 0; c < (1u << 24); ++c) {
    dib[40 + 3 * size_t{c}] = static_cast<uint8_t>(c);
    dib[41 + 3 * size_t{c}] = static_cast<uint8_t>(c >> 8);
    dib[42 + 3 * size_t{c}] = static_cast<uint8_t>(c >> 16);
  }
  return dib;
}

std::vector<uint8_t> AllWords555() {
  const int width = 256, height = 128;
  std::vector<uint8_t> dib(40 + size_t{2} * width * height);
  PutU32(&dib[0], 40);
  PutU32(&dib[4], width);
  PutU32(&dib[8], height);
  PutU16(&dib[12], 1);
  PutU16(&dib[14], 16);
  for (uint32_t w = 0; w < 32768; ++w)
    PutU16(&dib[40 + 2 * w], static_cast<uint16_t>(w | (w & 1) << 15));
  return dib;
}

TEST(ColourFiltersSweep, EveryColourMatchesReference) {
  const auto colours = AllColours24();
  struct Case {
    ColourKernel kind;
    int y, cr, cb;
  };
  const Case cases[] = {
      {ColourKernel::YCrCb, 100, 100, 100},
      {ColourKernel::YCrCb, 37, 150, 199},
      {ColourKernel::Grayscale, 0, 0, 0},
  };
  for (const Case& c : cases) {
    ColourParams p;
    p.y = c.y, p.cr = c.cr, p.cb = c.cb;
    auto expected = colours, got = colours;
    ASSERT_TRUE(RunColourKernel_ref(expected, c.kind, p));
    ASSERT_TRUE(RunColourKernel(got, c.kind, p));
    size_t mismatches = 0, first = 0;
    for (size_t i = 40; i < got.size(); ++i) {
      if (got[i] != expected[i] && mismatches++ == 0) first = i;
    }
    EXPECT_EQ(mismatches, 0u) << "kernel " << static_cast<int>(c.kind) << " " << c.y << "/" << c.cr
                              << "/" << c.cb << ", first at colour " << (first - 40) / 3;
  }
}

TEST(ColourFiltersSweep, EverySixteenBitWordMatchesReference) {
  const auto words = AllWords555();
  for (int kind = 0; kind < 6; ++kind) {
    for (int variant = 0; variant < 16; ++variant) {
      ColourParams p;
      p.ratioR = variant * 17, p.ratioG = 255 - variant * 13, p.ratioB = variant * 5;
      p.invertR = variant & 1, p.invertG = variant & 2, p.invertB = variant & 4;
      p.y = variant * 13, p.cr = 200 - variant * 7, p.cb = 100 + variant;
      p.k = variant * 16 - 128;
      p.s = variant * 17;
      auto expected = words, got = words;
      ASSERT_TRUE(RunColourKernel_ref(expected, static_cast<ColourKernel>(kind), p));
      ASSERT_TRUE(RunColourKernel(got, static_cast<ColourKernel>(kind), p));
      ASSERT_EQ(got, expected) << "kernel " << kind << " variant " << variant;
    }
  }
}

}  // namespace

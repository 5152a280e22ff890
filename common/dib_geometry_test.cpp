#include "common/dib_geometry.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kRgb = 0, kBitFields = 3;

TEST(DibGeometry, PixelOffsetFollowsColoursUsedThenBitCount) {
  struct Case {
    const char* label;
    uint32_t bits, compression, coloursUsed;
    uint64_t offset;
  };
  const Case cases[] = {
      {"1 bit: two entries", 1, kRgb, 0, 48},
      {"4 bits: sixteen entries", 4, kRgb, 0, 104},
      {"8 bits: 256 entries", 8, kRgb, 0, 1064},
      {"8 bits with 5 colours used", 8, kRgb, 5, 60},
      {"24 bits with 5 colours used", 24, kRgb, 5, 60},
      {"16 bits, bit fields: three masks", 16, kBitFields, 0, 52},
      {"16 bits, plain", 16, kRgb, 0, 40},
      {"32 bits, bit fields: three masks", 32, kBitFields, 0, 52},
      {"32 bits, plain", 32, kRgb, 0, 40},
      {"24 bits: nothing", 24, kRgb, 0, 40},
      {"24 bits ignore the compression field", 24, kBitFields, 0, 40},
      {"an unknown depth: nothing", 2, kRgb, 0, 40},
      {"the largest colours-used count does not wrap", 8, kRgb, 0xFFFFFFFFu,
       40 + uint64_t{0xFFFFFFFFu} * 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PixelOffset(c.bits, c.compression, c.coloursUsed), c.offset) << c.label;
    EXPECT_EQ(DibColourTableBytes(c.bits, c.compression, c.coloursUsed), c.offset - 40) << c.label;
  }
}

TEST(DibGeometry, StrideRoundsRowsUpToFourBytes) {
  struct Case {
    int64_t width;
    int bits;
    int64_t stride;
  };
  const Case cases[] = {
      {1, 24, 4},
      {2, 24, 8},
      {4, 24, 12},
      {5, 24, 16},
      {640, 24, 1920},
      {1, 1, 4},
      {32, 1, 4},
      {33, 1, 8},
      {9, 4, 8},
      {3, 8, 4},
      {5, 8, 8},
      {3, 16, 8},
      {1, 32, 4},
      {0, 24, 0},
      {2147483647, 32, int64_t{2147483647} * 4},  // past 2^31 bytes, no overflow
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DibStride(c.width, c.bits), c.stride) << c.width << " x " << c.bits << " bits";
  }
}

}  // namespace

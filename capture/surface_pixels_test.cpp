#include "capture/surface_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/bytes.h"

namespace {
using Bytes = std::vector<uint8_t>;

TempSurfaceFormat Format(int bits, uint32_t red = 0, uint32_t green = 0, uint32_t blue = 0) {
  TempSurfaceFormat f;
  f.bitsPerPixel = bits;
  f.redMask = red, f.greenMask = green, f.blueMask = blue;
  return f;
}
}  // namespace

// The conversion's tests (save/temp_conversion_test.cpp) cover the other
// depths of the same rule; these are the 16-bit layouts screens have.
TEST(SurfacePixels, SixteenBitRowsThroughTheScreensMasks) {
  struct Row {
    const char* label;
    TempSurfaceFormat format;
    Bytes row;
    Bytes want;
  };
  const Row rows[] = {
      {"5-6-5: green 63 of 63, blue 16 of 31",
       Format(16, 0xF800, 0x07E0, 0x001F),
       {0xE0, 0x07, 0x10, 0x00},
       {0, 255, 0, 131, 0, 0}},
      {"5-5-5: the top bit belongs to no colour",
       Format(16, 0x7C00, 0x03E0, 0x001F),
       {0x00, 0x80, 0xFF, 0x7F},
       {0, 0, 0, 255, 255, 255}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    Bytes out(r.want.size(), 0xEE);
    SurfaceRowToBgr24(r.format, nullptr, r.row.data(), r.want.size() / 3, out.data());
    EXPECT_EQ(out, r.want);
  }
}

TEST(SurfacePixels, BitmapLayoutFollowsTheScreenDepth) {
  struct Row {
    int32_t width, height;
    int bits;
    bool ok;
    int depth;
    int64_t stride;
    uint32_t pixelOffset;
  };
  const Row rows[] = {
      {5, 2, 32, true, 24, 16, 54}, {5, 2, 16, true, 24, 16, 54},
      {5, 2, 24, true, 24, 16, 54}, {5, 2, 8, true, 8, 8, 1078},
      {5, 2, 4, true, 4, 4, 118},   {33, 2, 1, true, 1, 8, 62},
      {5, 2, 15, false, 0, 0, 0},   {0, 2, 32, false, 0, 0, 0},
      {5, -1, 32, false, 0, 0, 0},  {40000, 40000, 32, false, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.width << "x" << r.height << " at " << r.bits);
    SurfaceBitmapLayout layout;
    ASSERT_EQ(MakeSurfaceBitmapLayout(r.width, r.height, r.bits, &layout), r.ok);
    if (!r.ok) continue;
    EXPECT_EQ(layout.depth, r.depth);
    EXPECT_EQ(layout.stride, r.stride);
    EXPECT_EQ(layout.pixelOffset, r.pixelOffset);
    const uint32_t image = static_cast<uint32_t>(r.stride * r.height);
    EXPECT_EQ(layout.imageBytes, image);
    const uint8_t* h = layout.headers;
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(GetU32(h + 2), r.pixelOffset + image) << "file size";
    EXPECT_EQ(GetU32(h + 10), r.pixelOffset);
    EXPECT_EQ(GetU32(h + 14), 40u);
    EXPECT_EQ(static_cast<int32_t>(GetU32(h + 18)), r.width);
    EXPECT_EQ(static_cast<int32_t>(GetU32(h + 22)), r.height);
    EXPECT_EQ(GetU16(h + 26), 1) << "planes";
    EXPECT_EQ(GetU16(h + 28), r.depth);
    EXPECT_EQ(GetU32(h + 30), 0u) << "no compression";
    EXPECT_EQ(GetU32(h + 34), image);
  }
}

// Surfaces are exactly pitch × rows bytes, so a read past them shows under
// the sanitizers.
TEST(SurfacePixels, BitmapFilesFromSurfaces) {
  Bytes palette(1024);
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i * 7);
  struct Row {
    const char* label;
    TempSurfaceFormat format;
    int32_t width, height;
    int64_t pitch;
    Bytes surface;       // top row first
    Bytes wantRows;      // bottom row first, padded
    size_t colourTable;  // entries
  };
  const Row rows[] = {
      {"32 bits, 5 pixels: rows of 16 bytes, 15 pixel bytes and a zero",
       Format(32),
       5,
       2,
       24,
       {1,  2,  3,  0, 4,  5,  6,  0, 7,  8,  9,  0,
        10, 11, 12, 0, 13, 14, 15, 0, 77, 77, 77, 77,  //
        21, 22, 23, 0, 24, 25, 26, 0, 27, 28, 29, 0,
        30, 31, 32, 0, 33, 34, 35, 0, 77, 77, 77, 77},
       {21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 0,  //
        1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 0},
       0},
      {"16 bits through the masks into 24",
       Format(16, 0xF800, 0x07E0, 0x001F),
       1,
       2,
       2,
       {0x00, 0xF8, 0x1F, 0x00},
       {255, 0, 0, 0, 0, 0, 255, 0},
       0},
      {"8 bits: indices copied, min(stride, pitch) of a wide pitch",
       Format(8),
       5,
       1,
       12,
       {1, 2, 3, 4, 5, 66, 67, 68, 9, 9, 9, 9},
       {1, 2, 3, 4, 5, 66, 67, 68},
       256},
      {"8 bits: a pitch below the stride, zeros after it",
       Format(8),
       5,
       1,
       6,
       {1, 2, 3, 4, 5, 66},
       {1, 2, 3, 4, 5, 66, 0, 0},
       256},
      {"4 bits: 16 colours",
       Format(4),
       3,
       1,
       4,
       {0x12, 0x30, 0xAA, 0xAA},
       {0x12, 0x30, 0xAA, 0xAA},
       16},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    SurfaceBitmapLayout layout;
    ASSERT_TRUE(MakeSurfaceBitmapLayout(r.width, r.height, r.format.bitsPerPixel, &layout));
    Bytes file;
    ASSERT_TRUE(BuildSurfaceBitmapFile(layout, r.format, r.width, r.height, palette.data(),
                                       r.surface.data(), r.pitch, r.height, &file));
    ASSERT_EQ(file.size(), layout.pixelOffset + layout.imageBytes);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), Bytes(layout.headers, layout.headers + 54));
    ASSERT_EQ(54 + 4 * r.colourTable, layout.pixelOffset);
    for (size_t i = 0; i < r.colourTable; ++i) {
      const Bytes entry(file.begin() + 54 + 4 * i, file.begin() + 58 + 4 * i);
      const Bytes want{palette[4 * i + 2], palette[4 * i + 1], palette[4 * i], 0};
      ASSERT_EQ(entry, want) << "entry " << i << ": blue, green, red, 0";
    }
    EXPECT_EQ(Bytes(file.begin() + layout.pixelOffset, file.end()), r.wantRows);
  }
}

// What the driver reports decides what is read: a pitch shorter than the
// row's pixels, or fewer rows than the picture, builds nothing.
TEST(SurfacePixels, MemoryThatDoesNotHoldThePictureIsRefused) {
  struct Row {
    const char* label;
    int bits;
    int32_t width, height;
    int64_t pitch, rows;
    bool ok;
  };
  const Row rows[] = {
      {"32 bits, pitch of the pixels exactly", 32, 5, 3, 20, 3, true},
      {"32 bits, pitch one byte short", 32, 5, 3, 19, 3, false},
      {"16 bits, pitch of one pixel less", 16, 5, 3, 8, 3, false},
      {"8 bits, a row missing", 8, 5, 3, 8, 2, false},
      {"4 bits, 5 pixels in 3 bytes", 4, 5, 1, 3, 1, true},
      {"4 bits, 5 pixels in 2 bytes", 4, 5, 1, 2, 1, false},
      {"a negative pitch", 24, 1, 1, -4, 1, false},
  };
  Bytes palette(1024, 0);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    EXPECT_EQ(SurfaceHoldsPicture(r.pitch, r.rows, r.width, r.height, r.bits), r.ok);
    SurfaceBitmapLayout layout;
    ASSERT_TRUE(MakeSurfaceBitmapLayout(r.width, r.height, r.bits, &layout));
    Bytes surface(static_cast<size_t>(std::max<int64_t>(r.pitch, 0) * r.rows), 0x11);
    Bytes file;
    EXPECT_EQ(BuildSurfaceBitmapFile(layout, Format(r.bits), r.width, r.height, palette.data(),
                                     surface.data(), r.pitch, r.rows, &file),
              r.ok);
    if (!r.ok) {
      EXPECT_TRUE(file.empty());
    }
  }
}

TEST(SurfacePixels, UnscaledGrabsAreCutToTheScreenAndTheSurface) {
  struct Row {
    const char* label;
    int32_t left, top, right, bottom;
    bool ok;
    SurfaceBlit want;
  };
  // A 300 x 200 surface on a 1024 x 768 screen.
  const Row rows[] = {
      {"inside", 10, 20, 310, 220, true, {0, 0, 10, 20, 310, 220}},
      {"a window grown since the start: its top-left part",
       100,
       50,
       700,
       650,
       true,
       {0, 0, 100, 50, 400, 250}},
      {"past the left and top edges: placed further in",
       -40,
       -5,
       260,
       195,
       true,
       {40, 5, 0, 0, 260, 195}},
      {"past the right and bottom edges", 900, 700, 1200, 900, true, {0, 0, 900, 700, 1024, 768}},
      {"all off the screen", 1100, 10, 1400, 210, false, {}},
      {"further left than the surface is wide", -400, 0, -100, 200, false, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    SurfaceBlit blit;
    ASSERT_EQ(ClipSurfaceBlit(r.left, r.top, r.right, r.bottom, 300, 200, 1024, 768, &blit), r.ok);
    if (!r.ok) continue;
    EXPECT_EQ(blit.destX, r.want.destX);
    EXPECT_EQ(blit.destY, r.want.destY);
    EXPECT_EQ(blit.left, r.want.left);
    EXPECT_EQ(blit.top, r.want.top);
    EXPECT_EQ(blit.right, r.want.right);
    EXPECT_EQ(blit.bottom, r.want.bottom);
  }
}

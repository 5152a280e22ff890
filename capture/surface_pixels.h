#pragma once
// The pixels of DirectDraw surface memory, in the screen's own format: palette
// indices at 1, 4 and 8 bits, masked 16-bit values, blue-green-red at 24 and
// blue-green-red-unused at 32 bits, rows top first `pitch` bytes apart. The
// save step turns such frames into 24-bit DIB rows and bitmap-sequence mode
// writes them as bitmap files; both go through the rules here. Every read is
// checked against the pitch and row count the driver reported.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/temp_file.h"

// Bytes the pixels of one row take, without padding (1 and 4 bits round up).
int64_t SurfaceRowPixelBytes(int64_t width, int bitsPerPixel);

// Whether memory of `rows` rows `pitch` bytes apart holds a width × height
// picture at this depth: each row holds its pixels and there are rows enough.
bool SurfaceHoldsPicture(int64_t pitch, int64_t rows, int64_t width, int64_t height,
                         int bitsPerPixel);

// One surface row as width blue, green, red triples: 8 bits through the palette
// (entries red, green, blue, flags; may be null only at other depths), 16 bits
// through the masks (value AND mask) × 255 / mask (a zero mask gives 0), 24
// bits copied, 32 bits the first three bytes of each pixel. 1 and 4 bits have
// no conversion and give black. The row must hold its pixels.
void SurfaceRowToBgr24(const TempSurfaceFormat& format, const uint8_t* palette, const uint8_t* row,
                       size_t width, uint8_t* out);

// Bitmap files written from a surface: 24 bits for 16- and 32-bit screens,
// else the screen's own depth, with a colour table of 2, 16 or 256 entries at
// 1, 4 and 8 bits.
int SurfaceBitmapDepth(int screenBitsPerPixel);

struct SurfaceBitmapLayout {
  int depth = 0;
  int64_t stride = 0;        // ((width × depth + 31) / 32) × 4
  uint32_t pixelOffset = 0;  // 54, or 62, 118, 1078 with a colour table
  uint32_t imageBytes = 0;   // stride × height
  uint8_t headers[54] = {};  // file header ("BM") and 40-byte info header
};
// False when the file would not fit the 32-bit sizes of a bitmap file.
bool MakeSurfaceBitmapLayout(int32_t width, int32_t height, int screenBitsPerPixel,
                             SurfaceBitmapLayout* layout);

// The whole bitmap file of a width × height surface picture whose memory is
// `rows` rows `pitch` bytes apart: the headers, at 1, 4 and 8 bits the palette
// as blue, green, red, 0 entries, then the rows bottom-up. Rows of depth 1 to 24
// are min(stride, pitch) surface bytes; 16 and 32 bits are converted to 24.
// Padding up to the stride is zero. False, with nothing built, when the
// memory does not hold the picture.
bool BuildSurfaceBitmapFile(const SurfaceBitmapLayout& layout, const TempSurfaceFormat& format,
                            int32_t width, int32_t height, const uint8_t* palette,
                            const uint8_t* surface, int64_t pitch, int64_t rows,
                            std::vector<uint8_t>* file);

// A reduction-1 grab copies the source rectangle unscaled to (destX, destY) of
// a surface; DirectDraw refuses a source reaching past the screen or a copy
// larger than the surface, so the rectangle is cut to both. False when
// nothing of it is left.
struct SurfaceBlit {
  int32_t destX = 0, destY = 0;
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
bool ClipSurfaceBlit(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t surfaceWidth,
                     int32_t surfaceHeight, int32_t screenWidth, int32_t screenHeight,
                     SurfaceBlit* blit);

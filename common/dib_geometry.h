#pragma once
// Geometry of device-independent bitmaps, as every program meets them: the
// length of a row, where the pixel rows of a packed DIB start, and views of a
// frame's pixel rows.
//
// A packed DIB is a 40-byte bitmap information header, then a colour table or
// three bit-field masks, then the pixel rows, bottom-up (row 0 is the picture's
// bottom row), each padded to a multiple of 4 bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

// Bytes of the bitmap information header in front of a packed DIB's colours.
constexpr uint32_t kDibHeaderBytes = 40;

// Row length in bytes, padded to 4: ((width * bits + 31) / 32) * 4. In 64 bits:
// a wide row of 32-bit pixels passes 2^31 bytes.
constexpr int64_t DibStride(int64_t width, int bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

// Bytes of colour table or masks between the header and the pixel rows, from
// the header's bit count, compression and colours-used fields. A non-zero
// colours-used count wins whatever the depth; otherwise 1, 4 and 8 bits carry
// full tables, and 16 and 32 bits carry three masks when the compression field
// is non-zero (bit fields). 64 bits, so that any colours-used value is exact.
constexpr uint64_t DibColourTableBytes(uint32_t bitCount, uint32_t compression,
                                       uint32_t coloursUsed) {
  if (coloursUsed != 0) return uint64_t{coloursUsed} * 4;
  switch (bitCount) {
    case 1: return 8;
    case 4: return 64;
    case 8: return 1024;
    case 16:
    case 32: return compression != 0 ? 12 : 0;
    default: return 0;
  }
}

// Offset of the pixel rows from the start of a packed DIB.
constexpr uint64_t PixelOffset(uint32_t bitCount, uint32_t compression, uint32_t coloursUsed) {
  return kDibHeaderBytes + DibColourTableBytes(bitCount, compression, coloursUsed);
}

// A view of the pixel rows of a bottom-up frame: rows are `stride` bytes apart
// (a multiple of 4 for DIBs), and the bytes past width * bytes-per-pixel in a
// row are padding that kernels never touch.
struct FrameView {
  uint8_t* data;
  int width;
  int height;
  ptrdiff_t stride;
};

struct ConstFrameView {
  const uint8_t* data;
  int width;
  int height;
  ptrdiff_t stride;
};

inline ConstFrameView AsConst(const FrameView& v) {
  return {v.data, v.width, v.height, v.stride};
}

inline uint8_t* FrameRow(const FrameView& v, int y) {
  return v.data + y * v.stride;
}
inline const uint8_t* FrameRow(const ConstFrameView& v, int y) {
  return v.data + y * v.stride;
}

// True when two 24-bit views describe pictures of the same size whose rows hold
// their pixels; an empty picture is valid and leaves nothing to do.
inline bool Frames24Match(const ConstFrameView& src, const FrameView& dst) {
  if (!src.data || !dst.data || src.width != dst.width || src.height != dst.height) return false;
  if (src.width < 0 || src.height < 0) return false;
  const int64_t rowBytes = int64_t{3} * src.width;
  return src.stride >= rowBytes && dst.stride >= rowBytes;
}

// Copies the pixels of each row of a 24-bit picture, leaving the padding alone;
// the views must match (Frames24Match).
inline void CopyPixels24(const ConstFrameView& src, const FrameView& dst) {
  const size_t rowBytes = size_t{3} * static_cast<size_t>(src.width);
  for (int y = 0; y < src.height; ++y) std::memcpy(FrameRow(dst, y), FrameRow(src, y), rowBytes);
}

// Reverses the order of `rows` rows of `stride` bytes in place: top-down rows
// become bottom-up. Rows trade places 16 bytes at a time, several times faster
// than a byte loop, as turning a frame over is a pass over every pixel.
inline void TurnRowsOver(uint8_t* pixels, uint64_t stride, uint64_t rows) {
  if (rows < 2) return;
  for (uint8_t *top = pixels, *bottom = pixels + stride * (rows - 1); top < bottom;
       top += stride, bottom -= stride) {
    uint64_t i = 0;
    for (; i + 16 <= stride; i += 16) {
      uint8_t t[16];
      std::memcpy(t, top + i, 16);
      std::memcpy(top + i, bottom + i, 16);
      std::memcpy(bottom + i, t, 16);
    }
    for (; i < stride; ++i) {
      const uint8_t t = top[i];
      top[i] = bottom[i];
      bottom[i] = t;
    }
  }
}

#pragma once
// A view of the pixel rows of a bottom-up DIB frame: row 0 is the picture's
// bottom row, rows are `stride` bytes apart (a multiple of 4 for DIBs), and the
// bytes past width * bytes-per-pixel in a row are padding that kernels never touch.
#include <cstddef>
#include <cstdint>

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

inline ConstFrameView AsConst(const FrameView& v) { return {v.data, v.width, v.height, v.stride}; }

// Row length of a DIB in bytes, padded to 4: ((width * bits + 31) / 32) * 4.
inline int64_t DibStride(int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

inline uint8_t* FrameRow(const FrameView& v, int y) { return v.data + y * v.stride; }
inline const uint8_t* FrameRow(const ConstFrameView& v, int y) { return v.data + y * v.stride; }

// True when two 24-bit views describe pictures of the same size whose rows hold
// their pixels; an empty picture is valid and leaves nothing to do.
inline bool Frames24Match(const ConstFrameView& src, const FrameView& dst) {
  if (!src.data || !dst.data || src.width != dst.width || src.height != dst.height) return false;
  if (src.width < 0 || src.height < 0) return false;
  const int64_t rowBytes = int64_t{3} * src.width;
  return src.stride >= rowBytes && dst.stride >= rowBytes;
}

#include "editor/filters/edge_extraction.h"

#include <algorithm>
#include <cstdlib>

#include "editor/filters/neighbourhood_filters.h"

namespace {

// Either value outside -t..t, as a 0/1 byte; written without branches so that
// the loops below run on whole vectors.
inline uint8_t Beyond(int a, int b, int t) {
  return static_cast<uint8_t>(std::max(std::abs(a), std::abs(b)) > t);
}

// Per channel byte: does either operator value pass the threshold? Whole-row
// passes; the pixel decision then ORs its three channel flags.
void DifferenceFlags(const uint8_t* __restrict row, const uint8_t* __restrict up,
                     uint8_t* __restrict flags, size_t n, int t) {
  for (size_t b = 0; b < n; ++b) {
    flags[b] = Beyond(row[b] - row[b + 3], row[b] - up[b], t);
  }
}

void RobertsFlags(const uint8_t* __restrict row, const uint8_t* __restrict up,
                  uint8_t* __restrict flags, size_t n, int t) {
  for (size_t b = 0; b < n; ++b) {
    flags[b] = Beyond(row[b] - up[b + 3], row[b + 3] - up[b], t);
  }
}

// `flags` and the pixels start at column `x0`; b indexes bytes from there.
void SobelFlags(const uint8_t* __restrict down, const uint8_t* __restrict row,
                const uint8_t* __restrict up, uint8_t* __restrict flags, size_t n, int t) {
  for (size_t b = 0; b < n; ++b) {
    // Centre byte is at offset b + 3 in each row pointer (column x0 - 1 at b).
    const int gx = 2 * (row[b + 6] - row[b]) + up[b + 6] + down[b + 6] - up[b] - down[b];
    const int gy = 2 * (up[b + 3] - down[b + 3]) + up[b] + up[b + 6] - down[b] - down[b + 6];
    flags[b] = Beyond(gx, gy, t);
  }
}

// A pixel is an edge when any of its three channel flags is set. The OR over
// the pixel's own three bytes is taken for every byte at once: a forward, a
// centred and a backward window of three, chosen by the byte's place in its
// pixel (`phase` is b mod 3). Non-edge bytes become 255 by OR with flag - 1.
// `padded` is the flag row with its two leading zero bytes, so every window
// is indexed forward from it (an index of b - 1 at b = 0 would wrap).
void WriteOutline(const uint8_t* __restrict src, uint8_t* __restrict dst,
                  const uint8_t* __restrict padded, const uint8_t* __restrict phase, size_t n) {
  for (size_t b = 0; b < n; ++b) {
    const uint8_t* w = padded + b;  // w[2] is the flag of byte b
    const uint8_t forward = w[2] | w[3] | w[4];
    const uint8_t centred = w[1] | w[2] | w[3];
    const uint8_t backward = w[0] | w[1] | w[2];
    const uint8_t edge = phase[b] == 0 ? forward : phase[b] == 1 ? centred : backward;
    dst[b] = src[b] | static_cast<uint8_t>(edge - 1);
  }
}

}  // namespace

bool ApplyEdgeExtraction(ConstFrameView src, FrameView dst, uint8_t threshold, uint8_t edgeOperator,
                         FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  CopyPixels24(src, dst);
  const int width = src.width, height = src.height;
  const int t = threshold;
  // Two zero bytes on either side let the outline pass read its windows freely.
  // The two behind a row of n flags may hold an earlier frame's flags; they are
  // cleared once n is known (the outline never chooses them, but it reads them).
  uint8_t* flagBuffer = scratch.flags.data();
  uint8_t* flags = flagBuffer + 2;
  const uint8_t* phase = scratch.phase.data();
  flagBuffer[0] = flagBuffer[1] = 0;
  if (edgeOperator == kEdgeDifference || edgeOperator == kEdgeRoberts) {
    if (width < 2 || height < 2) return true;
    const size_t n = size_t{3} * (width - 1);
    flags[n] = flags[n + 1] = 0;
    for (int y = 0; y + 1 < height; ++y) {
      const uint8_t* row = FrameRow(src, y);
      const uint8_t* up = FrameRow(src, y + 1);
      if (edgeOperator == kEdgeDifference) {
        DifferenceFlags(row, up, flags, n, t);
      } else {
        RobertsFlags(row, up, flags, n, t);
      }
      WriteOutline(row, FrameRow(dst, y), flagBuffer, phase, n);
    }
    return true;
  }
  if (width < 3 || height < 3) return true;
  const size_t n = size_t{3} * (width - 2);
  flags[n] = flags[n + 1] = 0;
  for (int y = 1; y + 1 < height; ++y) {
    SobelFlags(FrameRow(src, y - 1), FrameRow(src, y), FrameRow(src, y + 1), flags, n, t);
    WriteOutline(FrameRow(src, y) + 3, FrameRow(dst, y) + 3, flagBuffer, phase, n);
  }
  return true;
}

bool RunEdgeExtraction(FrameView frame, FrameView work, uint8_t threshold, uint8_t edgeOperator,
                       bool sharpenFirst, FilterScratch& scratch) {
  if (!Frames24Match(AsConst(frame), work) || !FilterScratchFits(scratch, frame.width)) {
    return false;
  }
  CopyPixels24(AsConst(frame), work);
  if (sharpenFirst) {
    ApplyUnsharpMask(AsConst(work), frame, 3, scratch);
    CopyPixels24(AsConst(frame), work);
  }
  return ApplyEdgeExtraction(AsConst(work), frame, threshold, edgeOperator, scratch);
}

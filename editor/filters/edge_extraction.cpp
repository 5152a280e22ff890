#include "editor/filters/edge_extraction.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "editor/filters/neighbourhood_filters.h"

namespace {

void CopyPixels(const ConstFrameView& src, const FrameView& dst) {
  const size_t rowBytes = size_t{3} * src.width;
  for (int y = 0; y < src.height; ++y) std::memcpy(FrameRow(dst, y), FrameRow(src, y), rowBytes);
}

inline uint8_t Beyond(int value, int t) { return static_cast<uint8_t>(value > t || value < -t); }

// Per channel byte: does either operator value pass the threshold? Whole-row
// passes; the pixel decision then ORs its three channel flags.
void DifferenceFlags(const uint8_t* row, const uint8_t* up, uint8_t* flags, size_t n, int t) {
  for (size_t b = 0; b < n; ++b) {
    flags[b] = Beyond(row[b] - row[b + 3], t) | Beyond(row[b] - up[b], t);
  }
}

void RobertsFlags(const uint8_t* row, const uint8_t* up, uint8_t* flags, size_t n, int t) {
  for (size_t b = 0; b < n; ++b) {
    flags[b] = Beyond(row[b] - up[b + 3], t) | Beyond(row[b + 3] - up[b], t);
  }
}

// `flags` and the pixels start at column `x0`; b indexes bytes from there.
void SobelFlags(const uint8_t* down, const uint8_t* row, const uint8_t* up, uint8_t* flags,
                size_t n, int t) {
  for (size_t b = 0; b < n; ++b) {
    // Centre byte is at offset b + 3 in each row pointer (column x0 - 1 at b).
    const int gx = 2 * (row[b + 6] - row[b]) + up[b + 6] + down[b + 6] - up[b] - down[b];
    const int gy = 2 * (up[b + 3] - down[b + 3]) + up[b] + up[b + 6] - down[b] - down[b + 6];
    flags[b] = Beyond(gx, t) | Beyond(gy, t);
  }
}

void WriteOutline(const uint8_t* src, uint8_t* dst, const uint8_t* flags, int pixels) {
  for (int x = 0; x < pixels; ++x) {
    const bool edge = (flags[3 * x] | flags[3 * x + 1] | flags[3 * x + 2]) != 0;
    for (int c = 0; c < 3; ++c) dst[3 * x + c] = edge ? src[3 * x + c] : 255;
  }
}

}  // namespace

bool ApplyEdgeExtraction(ConstFrameView src, FrameView dst, uint8_t threshold,
                         uint8_t edgeOperator) {
  if (!Frames24Match(src, dst)) return false;
  CopyPixels(src, dst);
  const int width = src.width, height = src.height;
  const int t = threshold;
  std::vector<uint8_t> flags(size_t{3} * (width > 0 ? width : 0));
  if (edgeOperator == kEdgeDifference || edgeOperator == kEdgeRoberts) {
    if (width < 2 || height < 2) return true;
    const size_t n = size_t{3} * (width - 1);
    for (int y = 0; y + 1 < height; ++y) {
      const uint8_t* row = FrameRow(src, y);
      const uint8_t* up = FrameRow(src, y + 1);
      if (edgeOperator == kEdgeDifference) {
        DifferenceFlags(row, up, flags.data(), n, t);
      } else {
        RobertsFlags(row, up, flags.data(), n, t);
      }
      WriteOutline(row, FrameRow(dst, y), flags.data(), width - 1);
    }
    return true;
  }
  if (width < 3 || height < 3) return true;
  const size_t n = size_t{3} * (width - 2);
  for (int y = 1; y + 1 < height; ++y) {
    SobelFlags(FrameRow(src, y - 1), FrameRow(src, y), FrameRow(src, y + 1), flags.data(), n, t);
    WriteOutline(FrameRow(src, y) + 3, FrameRow(dst, y) + 3, flags.data(), width - 2);
  }
  return true;
}

bool RunEdgeExtraction(FrameView frame, FrameView work, uint8_t threshold, uint8_t edgeOperator,
                       bool sharpenFirst) {
  if (!Frames24Match(AsConst(frame), work)) return false;
  CopyPixels(AsConst(frame), work);
  if (sharpenFirst) {
    ApplyUnsharpMask(AsConst(work), frame, 3);
    CopyPixels(AsConst(frame), work);
  }
  return ApplyEdgeExtraction(AsConst(work), frame, threshold, edgeOperator);
}

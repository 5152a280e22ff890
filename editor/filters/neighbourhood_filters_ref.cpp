// The window kernels written loop for loop from their definitions, one sample
// at a time, without sliding sums or sorting networks: the yardstick the
// kernels of neighbourhood_filters.cpp are tested and measured against.
#include "editor/filters/neighbourhood_filters.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

int Src(const ConstFrameView& s, int x, int y, int c) {
  return FrameRow(s, y)[3 * x + c];
}
uint8_t& Dst(const FrameView& d, int x, int y, int c) {
  return FrameRow(d, y)[3 * x + c];
}

int WindowMean(const ConstFrameView& src, int x, int y, int c, int r) {
  int sum = 0, n = 0;
  for (int j = -r; j <= r; ++j) {
    for (int i = -r; i <= r; ++i) {
      if (x + i >= 0 && x + i < src.width && y + j >= 0 && y + j < src.height) {
        sum += Src(src, x + i, y + j, c);
        ++n;
      }
    }
  }
  return sum / n;
}

}  // namespace

bool ApplyBoxBlur_ref(ConstFrameView src, FrameView dst, uint8_t r, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x)
      for (int c = 0; c < 3; ++c)
        Dst(dst, x, y, c) = static_cast<uint8_t>(WindowMean(src, x, y, c, r));
  return true;
}

bool ApplyUnsharpMask_ref(ConstFrameView src, FrameView dst, uint8_t r, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x)
      for (int c = 0; c < 3; ++c) {
        const int v = 2 * Src(src, x, y, c) - WindowMean(src, x, y, c, r);
        Dst(dst, x, y, c) = static_cast<uint8_t>(std::clamp(v, 0, 255));
      }
  return true;
}

bool ApplyMedian_ref(ConstFrameView src, FrameView dst, uint8_t passes, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  CopyPixels24(src, dst);
  if (src.width < 3 || src.height < 3) return true;
  // Each pass after the first reads the result of the one before, which it
  // replaces row by row: the pass's input rows y - 1 and y are read from
  // copies taken before they were overwritten.
  const size_t rowBytes = size_t{3} * src.width;
  for (int pass = 0; pass < passes; ++pass) {
    const ConstFrameView in = pass == 0 ? src : AsConst(dst);
    uint8_t* below = scratch.rows.data();
    uint8_t* middle = below + rowBytes;
    std::memcpy(below, FrameRow(in, 0), rowBytes);
    std::memcpy(middle, FrameRow(in, 1), rowBytes);
    for (int y = 1; y <= src.height - 2; ++y) {
      const uint8_t* window[3] = {below, middle, FrameRow(in, y + 1)};
      for (int x = 1; x <= src.width - 2; ++x)
        for (int c = 0; c < 3; ++c) {
          uint8_t v[9];
          int n = 0;
          for (int j = 0; j < 3; ++j)
            for (int i = -1; i <= 1; ++i) v[n++] = window[j][3 * (x + i) + c];
          Dst(dst, x, y, c) = SelectKthSmallest(v, 8, 4);
        }
      std::swap(below, middle);
      std::memcpy(middle, FrameRow(in, y + 1), rowBytes);
    }
  }
  return true;
}

bool ApplyWatercolour_ref(ConstFrameView src, FrameView dst, uint8_t k, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  CopyPixels24(src, dst);
  for (int y = 2; y <= src.height - 3; ++y)
    for (int x = 2; x <= src.width - 3; ++x)
      for (int c = 0; c < 3; ++c) {
        uint8_t v[25];
        int n = 0;
        for (int j = -2; j <= 2; ++j)
          for (int i = -2; i <= 2; ++i) v[n++] = static_cast<uint8_t>(Src(src, x + i, y + j, c));
        Dst(dst, x, y, c) = SelectKthSmallest(v, 24, k);
      }
  return true;
}

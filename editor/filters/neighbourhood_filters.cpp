#include "editor/filters/neighbourhood_filters.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "editor/filters/sorting_network.h"

namespace {

constexpr int kMeanShift = 22;

// Window sums slide down the picture as column sums (one row added, one row
// dropped per step) and across it as differences of a running prefix, so the
// cost per pixel does not grow with the radius. Samples outside the picture
// are absent, not repeated: the divisor is the count of samples inside.
template <class Emit>
void WindowMeans(const ConstFrameView& src, const FrameView& dst, int r, Emit emit,
                 FilterScratch& scratch) {
  const int width = src.width, height = src.height;
  const size_t rowBytes = size_t{3} * width;
  const size_t pad = size_t{3} * r;
  // prefix[b + 3 + pad] sums the column sums at b, b - 3, b - 6, ... (one
  // channel); the zero entries around the row stand for the missing columns.
  // The scratch holds whatever an earlier frame left in it, so the column sums
  // and the leading zeros are cleared here.
  uint32_t* column = scratch.column.data();
  uint32_t* prefix = scratch.prefix.data();
  uint32_t* divisor = scratch.divisor.data();
  uint32_t* sum = scratch.sum.data();
  std::fill(column, column + rowBytes, 0u);
  std::fill(prefix, prefix + 3 + pad, 0u);
  const bool small = r <= 5;
  uint32_t multiplier[122];
  for (int n = 1; n < 122; ++n) multiplier[n] = WindowMeanMultiplier(n);
  int divisorRows = -1;
  for (int y = 0; y <= std::min(height - 1, r); ++y) {
    const uint8_t* row = FrameRow(src, y);
    for (size_t b = 0; b < rowBytes; ++b) column[b] += row[b];
  }
  for (int y = 0; y < height; ++y) {
    if (y > 0) {
      if (y + r < height) {
        const uint8_t* in = FrameRow(src, y + r);
        for (size_t b = 0; b < rowBytes; ++b) column[b] += in[b];
      }
      if (y - r - 1 >= 0) {
        const uint8_t* out = FrameRow(src, y - r - 1);
        for (size_t b = 0; b < rowBytes; ++b) column[b] -= out[b];
      }
    }
    // Unsigned wrap-around keeps each difference exact even if a long row's
    // running total passes 2^32.
    // Running totals stay in registers: reading back the total stored three
    // bytes earlier would chain every step to a store.
    uint32_t* p = prefix + 3 + pad;  // the leading zeros are never written
    uint32_t blue = 0, green = 0, red = 0;
    for (size_t b = 0; b < rowBytes; b += 3) {
      p[b] = blue += column[b];
      p[b + 1] = green += column[b + 1];
      p[b + 2] = red += column[b + 2];
    }
    for (size_t j = rowBytes; j < rowBytes + pad; j += 3) {
      p[j] = blue;
      p[j + 1] = green;
      p[j + 2] = red;
    }
    const uint32_t* hi = prefix + 6 * static_cast<size_t>(r) + 3;
    const uint32_t* lo = prefix;
    for (size_t b = 0; b < rowBytes; ++b) sum[b] = hi[b] - lo[b];

    // The divisors change only with the number of rows inside the window.
    const int rows = std::min(height - 1, y + r) - std::max(0, y - r) + 1;
    if (rows != divisorRows) {
      divisorRows = rows;
      for (int x = 0; x < width; ++x) {
        const int n = (std::min(width - 1, x + r) - std::max(0, x - r) + 1) * rows;
        const uint32_t d = small ? multiplier[n] : static_cast<uint32_t>(n);
        divisor[3 * x] = divisor[3 * x + 1] = divisor[3 * x + 2] = d;
      }
    }
    const uint8_t* in = FrameRow(src, y);
    uint8_t* out = FrameRow(dst, y);
    if (small) {
      for (size_t b = 0; b < rowBytes; ++b)
        out[b] = emit(in[b], (sum[b] * divisor[b]) >> kMeanShift);
    } else {
      for (size_t b = 0; b < rowBytes; ++b) out[b] = emit(in[b], sum[b] / divisor[b]);
    }
  }
}

// The outermost ring of the window is the only place where sorted columns of
// three are shared between neighbouring outputs: the median of nine is the
// median of (largest low, median middle, smallest high) of the three sorted
// columns. Every loop is a whole-row byte pass of min/max.
void MedianPass(const uint8_t* __restrict below, const uint8_t* __restrict middle,
                const uint8_t* __restrict above, uint8_t* __restrict out, size_t rowBytes,
                uint8_t* __restrict low, uint8_t* __restrict mid, uint8_t* __restrict high) {
  for (size_t b = 0; b < rowBytes; ++b) {
    const uint8_t a = below[b], m = middle[b], c = above[b];
    const uint8_t l1 = std::min(a, m), h1 = std::max(a, m);
    const uint8_t t = std::min(h1, c);
    high[b] = std::max(h1, c);
    low[b] = std::min(l1, t);
    mid[b] = std::max(l1, t);
  }
  for (size_t b = 3; b + 3 < rowBytes; ++b) {
    const uint8_t maxLow = std::max(std::max(low[b - 3], low[b]), low[b + 3]);
    const uint8_t minHigh = std::min(std::min(high[b - 3], high[b]), high[b + 3]);
    const uint8_t m0 = mid[b - 3], m1 = mid[b], m2 = mid[b + 3];
    const uint8_t midMid = std::max(std::min(m0, m1), std::min(std::max(m0, m1), m2));
    out[b] = std::max(std::min(maxLow, midMid), std::min(std::max(maxLow, midMid), minHigh));
  }
}

}  // namespace

uint8_t SelectKthSmallest(uint8_t* values, int lastIndex, int k) {
  if (lastIndex < 0) return 0;
  k = std::clamp(k, 0, lastIndex);
  int left = 0, right = lastIndex;
  while (left < right) {
    const uint8_t x = values[k];
    int i = left, j = right;
    do {
      while (values[i] < x) ++i;
      while (x < values[j]) --j;
      if (i <= j) {
        std::swap(values[i], values[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j < k) left = i;
    if (k < i) right = j;
  }
  return values[k];
}

uint32_t WindowMeanMultiplier(int n) {
  return static_cast<uint32_t>(((uint64_t{1} << kMeanShift) + n - 1) / n);
}

bool ApplyBoxBlur(ConstFrameView src, FrameView dst, uint8_t r, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  WindowMeans(
      src, dst, r, [](uint8_t, uint32_t mean) { return static_cast<uint8_t>(mean); }, scratch);
  return true;
}

bool ApplyUnsharpMask(ConstFrameView src, FrameView dst, uint8_t r, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  WindowMeans(
      src, dst, r,
      [](uint8_t value, uint32_t mean) {
        const int v = 2 * value - static_cast<int>(mean);
        return static_cast<uint8_t>(std::clamp(v, 0, 255));
      },
      scratch);
  return true;
}

bool ApplyMedian(ConstFrameView src, FrameView dst, uint8_t passes, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  CopyPixels24(src, dst);
  const int width = src.width, height = src.height;
  if (width < 3 || height < 3 || passes == 0) return true;
  const size_t rowBytes = size_t{3} * width;
  uint8_t* low = scratch.rows.data();
  uint8_t* mid = low + rowBytes;
  uint8_t* high = mid + rowBytes;
  uint8_t* previous = high + rowBytes;     // the pass's input rows y - 1 and y,
  uint8_t* current = previous + rowBytes;  // saved before they are overwritten
  for (int y = 1; y + 1 < height; ++y) {
    MedianPass(FrameRow(src, y - 1), FrameRow(src, y), FrameRow(src, y + 1), FrameRow(dst, y),
               rowBytes, low, mid, high);
  }
  // Later passes run in place on the destination, keeping copies of the two
  // input rows that the pass has already replaced.
  for (int pass = 1; pass < passes; ++pass) {
    std::memcpy(previous, FrameRow(dst, 0), rowBytes);
    std::memcpy(current, FrameRow(dst, 1), rowBytes);
    for (int y = 1; y + 1 < height; ++y) {
      MedianPass(previous, current, FrameRow(dst, y + 1), FrameRow(dst, y), rowBytes, low, mid,
                 high);
      std::swap(previous, current);
      std::memcpy(current, FrameRow(dst, y + 1), rowBytes);
    }
  }
  return true;
}

bool ApplyWatercolour(ConstFrameView src, FrameView dst, uint8_t k, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  CopyPixels24(src, dst);
  const int width = src.width, height = src.height;
  if (width < 5 || height < 5) return true;
  const size_t rowBytes = size_t{3} * width;
  const RankNetwork& network = RankNetworkFor(std::min<int>(k, 24));
  uint8_t* planes[5];
  for (int i = 0; i < 5; ++i) planes[i] = scratch.rows.data() + i * rowBytes;
  const uint8_t* sorted[5];
  RankScratch rank;
  for (int y = 2; y + 2 < height; ++y) {
    const uint8_t* rows[5];
    for (int i = 0; i < 5; ++i) rows[i] = FrameRow(src, y - 2 + i);
    SortColumnsOfFive(rows, planes, sorted, rowBytes);
    RunRankNetwork(network, sorted, 6, rowBytes - 6, FrameRow(dst, y), &rank);
  }
  return true;
}

NeighbourhoodKernel NeighbourhoodKernelForKind(DialogKind kind) {
  switch (kind) {
    case DialogKind::Watercolour: return ApplyWatercolour;
    case DialogKind::UnsharpMask: return ApplyUnsharpMask;
    case DialogKind::Median: return ApplyMedian;
    default: return ApplyBoxBlur;
  }
}

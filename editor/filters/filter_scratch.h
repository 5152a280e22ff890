#pragma once
// The working memory of the filter kernels: row buffers and tables owned by the
// caller and sized once for a movie's frames, so that a whole-movie run
// allocates nothing per frame and no kernel allocates at all. A kernel that
// needs the scratch refuses (returns false, writing nothing) a picture wider
// than the scratch was reserved for.
#include <cstdint>
#include <vector>

struct FilterScratch {
  int width = -1;  // widest picture served; -1 until reserved
  // Window means: column sums, running prefix sums with room for the largest
  // radius on either side, window sums, divisors; one entry per row byte.
  std::vector<uint32_t> column, prefix, sum, divisor;
  // Five byte rows: the median's sorted columns and saved input rows, the
  // watercolour's sorted columns of five.
  std::vector<uint8_t> rows;
  // Edge outline: a flag per row byte behind two guard bytes (two more follow),
  // and each byte's place in its pixel.
  std::vector<uint8_t> flags, phase;
  // Custom filter: the base colour repeated along a row, as 32 and 16-bit lanes.
  std::vector<int> base;
  std::vector<int16_t> base16;
  // Gamma: the table of all byte pairs.
  std::vector<uint16_t> pairs;
};

// Sizes the scratch for pictures up to `width` pixels wide (the rows depend on
// the width alone; the height is the frame's, checked with it). False for a
// negative size.
bool FilterScratchReserve(FilterScratch& scratch, int width, int height);

// True when the scratch serves pictures `width` pixels wide; with 0, whether
// it was reserved at all.
inline bool FilterScratchFits(const FilterScratch& scratch, int width) {
  return width >= 0 && width <= scratch.width;
}

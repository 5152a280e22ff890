#pragma once
// Filters whose output pixel depends on a window of source pixels, on 24-bit
// frames. Each reads `src` and writes every pixel of `dst` (never its row
// padding); pixels a filter leaves alone (its border ring) get the source's
// value, so a destination that starts as a copy of the source ends as the
// frame-in-place algorithm would leave it. Source and destination must not
// overlap. A size mismatch between the views, or a scratch not reserved for
// their width, returns false, writing nothing.
#include <cstdint>

#include "common/dib_geometry.h"
#include "editor/filters/dialog_kind.h"
#include "editor/filters/filter_scratch.h"

// The value that would stand at index k if values[0..lastIndex] were sorted
// ascending (partition-exchange selection). Reorders the array. A k outside
// 0..lastIndex is taken as the nearest end.
uint8_t SelectKthSmallest(uint8_t* values, int lastIndex, int k);

// Mean over the (2r+1) x (2r+1) window, shrunk to the samples inside the picture.
bool ApplyBoxBlur(ConstFrameView src, FrameView dst, uint8_t r, FilterScratch& scratch);
// 2 x pixel - window mean, clamped to 0..255.
bool ApplyUnsharpMask(ConstFrameView src, FrameView dst, uint8_t r, FilterScratch& scratch);
// 3 x 3 median repeated `passes` times, each pass filtering the previous
// result; the outermost ring of pixels keeps the source's values.
bool ApplyMedian(ConstFrameView src, FrameView dst, uint8_t passes, FilterScratch& scratch);
// k-th smallest (0 minimum, 12 median, 24 maximum; larger k act as 24) of the
// 5 x 5 window; the two outermost rings keep the source's values.
bool ApplyWatercolour(ConstFrameView src, FrameView dst, uint8_t k, FilterScratch& scratch);

// Straightforward versions, written loop for loop from the definitions: the
// yardstick the kernels above are tested and measured against. Same contract,
// same bytes.
bool ApplyBoxBlur_ref(ConstFrameView src, FrameView dst, uint8_t r, FilterScratch& scratch);
bool ApplyUnsharpMask_ref(ConstFrameView src, FrameView dst, uint8_t r, FilterScratch& scratch);
bool ApplyMedian_ref(ConstFrameView src, FrameView dst, uint8_t passes, FilterScratch& scratch);
bool ApplyWatercolour_ref(ConstFrameView src, FrameView dst, uint8_t k, FilterScratch& scratch);

// The strength dialog tells the four kernels apart by its dialog kind; any
// kind but watercolour, unsharp mask and median gives the blur.
using NeighbourhoodKernel = bool (*)(ConstFrameView src, FrameView dst, uint8_t strength,
                                     FilterScratch& scratch);
NeighbourhoodKernel NeighbourhoodKernelForKind(DialogKind kind);

// Multiplier m with (s * m) >> 22 == s / n for every window sum s <= 255 * n,
// n <= 121 (radius 5 or less); exposed for its exhaustive test.
uint32_t WindowMeanMultiplier(int n);

#pragma once
// Outline pictures: a pixel on an edge keeps its source colour, every other
// computed pixel becomes white. Pixels an operator cannot compute (the last
// column and top row for the two-pixel differences, the one-pixel ring for
// Sobel) get the source's value. Both kernels work in the scratch and refuse
// one not reserved for the picture's width.
#include <cstdint>

#include "common/dib_geometry.h"
#include "editor/filters/filter_scratch.h"

enum EdgeOperator : uint8_t {
  kEdgeDifference = 0,  // "微分"
  kEdgeRoberts = 1,     // "Roberts"
  kEdgeSobel = 2,       // "Sobel" (also any other value)
};

// A pixel is an edge when any of its six signed operator values lies beyond
// -t..t (a value of exactly t is not an edge).
bool ApplyEdgeExtraction(ConstFrameView src, FrameView dst, uint8_t threshold, uint8_t edgeOperator,
                         FilterScratch& scratch);
// Written loop for loop from the operators' definitions: the yardstick the
// kernel above is tested and measured against. Same contract, same bytes.
bool ApplyEdgeExtraction_ref(ConstFrameView src, FrameView dst, uint8_t threshold,
                             uint8_t edgeOperator, FilterScratch& scratch);

// The whole per-frame sequence: the frame's pixels go into `work`, optionally
// through the radius-3 unsharp mask first (whose result is then both the source
// and the colours kept), and the outline is written back into `frame`.
bool RunEdgeExtraction(FrameView frame, FrameView work, uint8_t threshold, uint8_t edgeOperator,
                       bool sharpenFirst, FilterScratch& scratch);

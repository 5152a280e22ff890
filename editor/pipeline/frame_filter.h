#pragma once
// One filter of the "フィルタ" menu with the values its dialog (or the command
// line) chose, and its application to one frame of a whole-movie run. The run
// knows nothing of any filter beyond this: each driver fills a FrameFilter and
// hands it to the loop.
#include <cstddef>
#include <cstdint>

#include "editor/filters/dialog_kind.h"
#include "editor/filters/filter_scratch.h"
#include "editor/filters/light_source.h"

enum class FilterKind {
  Rgb,
  YCrCb,
  Contrast,
  Gamma,
  Grayscale,
  Pale,
  Neighbourhood,  // blur, unsharp mask, median or watercolour, by dialog kind
  Edge,
  Light,
  Custom,
};

struct FrameFilter {
  FilterKind kind = FilterKind::Grayscale;
  // RGB correction: ratios R, G, B and the invert flags.
  uint8_t ratio[3] = {255, 255, 255};
  bool invert[3] = {false, false, false};
  // YCrCb correction: Y, Cr, Cb percentages.
  uint8_t ycrcb[3] = {100, 100, 100};
  int32_t contrast = 0;
  uint8_t gamma = 128;
  // Neighbourhood filters: which one, and its strength.
  DialogKind neighbourhoodKind = DialogKind::Blur;
  uint8_t strength = 1;
  // Edge extraction.
  uint8_t threshold = 50;
  uint8_t edgeOperator = 0;
  bool sharpenFirst = false;
  // Light source: markers, colour, strength and variations; the frame size is
  // filled in by the run. A thumbnail of no size stands for the frame itself,
  // so that markers are frame pixels from the picture's top-left corner.
  LightAnimationSettings light;
  // Custom 3 x 3 filter.
  int8_t coefficients[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
  uint8_t customStrength = 1;
  uint8_t base[3] = {0, 0, 0};  // red, green, blue
};

// Copy kernels read an unchanged copy of the frame's pixels (the work buffer).
bool FilterUsesWorkBuffer(const FrameFilter& filter);
// Copy kernels and the light work on 24-bit frames only.
bool FilterNeeds24Bits(const FrameFilter& filter);

// The header fields of a packed DIB that a run cares about.
struct FrameShape {
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
};

// False for a header the editor cannot lay out (shorter than 40 bytes, size
// field not 40, width or height not positive, pixel rows past 2 GB).
bool ReadFrameShape(const uint8_t* header, size_t size, FrameShape* shape);
// Bytes of the whole packed DIB: header, colours or masks, pixel rows.
size_t FrameBytes(const FrameShape& shape);
size_t FrameImageBytes(const FrameShape& shape);

// Turns a top-down frame (negative height, as ffmpeg writes raw AVI) into the
// bottom-up frame every kernel expects, in place: rows reversed, height made
// positive. False when the header does not fit in `size`.
bool MakeBottomUp(uint8_t* frame, size_t size);

// The state of one run: what the kernels need between frames. Reserved once
// from the first frame, so that nothing is allocated per frame.
struct FilterRun {
  FrameFilter filter;
  FrameShape shape;
  FilterScratch scratch;
  LightAnimation light;
  uint8_t* work = nullptr;  // image-size buffer for copy kernels; the caller's
};

// False when the scratch cannot be sized for the frame.
bool StartFilterRun(FilterRun* run, const FrameFilter& filter, const FrameShape& firstFrame,
                    uint8_t* work);
// Applies the filter to one frame in place. The frame must have the run's
// shape (same size and depth); false when it does not or a kernel refuses.
bool ApplyFrameFilter(FilterRun* run, uint8_t* frame, size_t frameSize);

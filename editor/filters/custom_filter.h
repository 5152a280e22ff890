#pragma once
// The user-built 3 x 3 convolution: v = base + strength * sum of coefficient x
// source over the neighbours inside the picture, clamped to 0..255.
#include <cstdint>

#include "common/dib_geometry.h"
#include "editor/filters/filter_scratch.h"

// Coefficients c1..c9 row by row as the dialog shows them. Rows count memory
// rows, which run bottom-up: c1 c2 c3 weigh the picture row below the pixel.
// A size mismatch, or a scratch not reserved for the width, returns false.
bool ApplyCustomFilter(ConstFrameView src, FrameView dst, const int8_t coefficients[9],
                       uint8_t strength, uint8_t baseRed, uint8_t baseGreen, uint8_t baseBlue,
                       FilterScratch& scratch);
// Written loop for loop, every neighbour checked: the yardstick the kernel
// above is tested and measured against. Same contract, same bytes.
bool ApplyCustomFilter_ref(ConstFrameView src, FrameView dst, const int8_t coefficients[9],
                           uint8_t strength, uint8_t baseRed, uint8_t baseGreen, uint8_t baseBlue,
                           FilterScratch& scratch);

struct CustomFilterPreset {
  int buttonId;
  int8_t coefficients[9];
  uint8_t base;  // red, green and blue when "基本色も変更する" is checked
};

// The eight emboss directions and the two Laplacians, by button.
extern const CustomFilterPreset kCustomFilterPresets[10];
const CustomFilterPreset* FindCustomFilterPreset(int buttonId);

// "適当": one coefficient from one draw of the generator, 10 - (draw mod 20).
int8_t RandomCoefficient(int draw);

// "適当" as the dialog runs it: with `base` given (the check box on), three
// draws masked to 0..255 for red, green, blue; then the generator restarts
// from the process clock and nine draws give c1..c9.
void DrawRandomCoefficients(int8_t coefficients[9], uint8_t* baseRgb);

#include "editor/synthesis/cross_fade.h"

namespace {
// floor((a * (n - 1 - i) + b * i) / (n - 1)): the design's value without rounding.
uint8_t Blend(int a, int b, int index, int frames) {
  const int64_t span = frames - 1;
  return static_cast<uint8_t>((a * (span - index) + b * int64_t{index}) / span);
}
}  // namespace

void CrossFadeFrame(const uint8_t* first, const uint8_t* second, uint8_t* out, size_t bytes,
                    int index, int frames, CrossFadeTable* table) {
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) table->blend[a][b] = Blend(a, b, index, frames);
  for (size_t k = 0; k < bytes; ++k) out[k] = table->blend[first[k]][second[k]];
}

void CrossFadeFrame_ref(const uint8_t* first, const uint8_t* second, uint8_t* out, size_t bytes,
                        int index, int frames) {
  for (size_t k = 0; k < bytes; ++k) out[k] = Blend(first[k], second[k], index, frames);
}

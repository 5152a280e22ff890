#pragma once
// The blend of a cross-fade: frame i of n (n >= 2) is first * (1 - x) +
// second * x per byte, x = i / (n - 1), truncated. It is computed exactly in
// whole numbers: in floating point a byte equal in both pictures came out one
// lower on about a third of the frames, so still parts of a fade flickered.
#include <cstddef>
#include <cstdint>

// Every blend of two byte values for one frame, so the frame is one look-up a byte.
struct CrossFadeTable {
  uint8_t blend[256][256];  // [first][second]
};

void CrossFadeFrame(const uint8_t* first, const uint8_t* second, uint8_t* out, size_t bytes,
                    int index, int frames, CrossFadeTable* table);
void CrossFadeFrame_ref(const uint8_t* first, const uint8_t* second, uint8_t* out, size_t bytes,
                        int index, int frames);

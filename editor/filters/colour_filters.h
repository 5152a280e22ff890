#pragma once
// Per-pixel colour transforms applied in place to a packed DIB (40-byte
// header, colour table or bit masks, pixel rows) of any depth the frame reader
// delivers. Palettised frames change through their colour table only.
//
// Every kernel takes the frame and the number of bytes it occupies, and returns
// false (changing nothing) when the header describes more bytes than that;
// otherwise it returns true, also for a depth it leaves alone. A kernel that
// takes the scratch also returns false when it was never reserved.
#include <cstddef>
#include <cstdint>

#include "editor/filters/filter_scratch.h"

enum class DibPixels {
  None,    // nothing to change (unsupported depth, empty picture)
  Table,   // `count` colour-table entries of 4 bytes: blue, green, red, reserved
  Rgb555,  // 16-bit little-endian words, red bits 10-14, green 5-9, blue 0-4
  Rgb24,   // blue, green, red
  Rgb32,   // blue, green, red, untouched fourth byte
};

struct DibLayout {
  DibPixels kind = DibPixels::None;
  size_t offset = 0;  // from the start of the frame to the table or the bottom row
  size_t count = 0;   // table entries
  int width = 0;
  int height = 0;  // rows, whatever the header's sign
  size_t stride = 0;
};

// Lets tests hold the plain loops against the AVX2 ones, which the YCrCb
// correction picks by itself when the processor has them.
struct ColourKernelOptions {
  bool allowAvx2 = true;
};
extern ColourKernelOptions colourKernelOptions;

// Where a colour kernel works on this frame. False when the frame is shorter
// than 40 bytes or than the region the header asks for.
bool DepthDispatch(const uint8_t* frame, size_t frameSize, DibLayout* layout);

bool ApplyRgbCorrection(uint8_t* frame, size_t frameSize, uint8_t ratioR, uint8_t ratioG,
                        uint8_t ratioB, bool invertR, bool invertG, bool invertB);
bool ApplyYCrCbCorrection(uint8_t* frame, size_t frameSize, uint8_t yPercent, uint8_t crPercent,
                          uint8_t cbPercent);
bool ApplyContrast(uint8_t* frame, size_t frameSize, int32_t k);
bool ApplyGamma(uint8_t* frame, size_t frameSize, uint8_t s, FilterScratch& scratch);
bool ApplyGrayscale(uint8_t* frame, size_t frameSize);
bool ApplyPale(uint8_t* frame, size_t frameSize);

// Straightforward versions, written loop for loop from the rules: the
// yardstick the kernels above are tested and measured against. Same contract,
// same bytes.
bool ApplyRgbCorrection_ref(uint8_t* frame, size_t frameSize, uint8_t ratioR, uint8_t ratioG,
                            uint8_t ratioB, bool invertR, bool invertG, bool invertB);
bool ApplyYCrCbCorrection_ref(uint8_t* frame, size_t frameSize, uint8_t yPercent, uint8_t crPercent,
                              uint8_t cbPercent);
bool ApplyContrast_ref(uint8_t* frame, size_t frameSize, int32_t k);
bool ApplyGamma_ref(uint8_t* frame, size_t frameSize, uint8_t s, FilterScratch& scratch);
bool ApplyGrayscale_ref(uint8_t* frame, size_t frameSize);
bool ApplyPale_ref(uint8_t* frame, size_t frameSize);

// The custom convolution written loop for loop, every neighbour of every pixel
// checked against the picture's edges: the yardstick the kernel of
// custom_filter.cpp is tested and measured against.
#include "editor/filters/custom_filter.h"

#include <algorithm>

bool ApplyCustomFilter_ref(ConstFrameView src, FrameView dst, const int8_t coefficients[9],
                           uint8_t strength, uint8_t baseRed, uint8_t baseGreen, uint8_t baseBlue,
                           FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  const int base[3] = {baseBlue, baseGreen, baseRed};
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x)
      for (int ch = 0; ch < 3; ++ch) {
        int s = 0;
        for (int j = -1; j <= 1; ++j)
          for (int i = -1; i <= 1; ++i)
            if (x + i >= 0 && x + i < src.width && y + j >= 0 && y + j < src.height)
              s += coefficients[(j + 1) * 3 + i + 1] * FrameRow(src, y + j)[3 * (x + i) + ch];
        FrameRow(dst, y)[3 * x + ch] =
            static_cast<uint8_t>(std::clamp(base[ch] + strength * s, 0, 255));
      }
  return true;
}

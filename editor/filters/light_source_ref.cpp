// The light written pixel by pixel in 64-bit integers, without the vector
// division of light_source.cpp: the yardstick that kernel is tested and
// measured against.
#include "editor/filters/light_source.h"

#include <algorithm>

bool ApplyLightSource_ref(FrameView frame, int32_t lx, int32_t ly, int32_t k, uint8_t red,
                          uint8_t green, uint8_t blue) {
  if (!frame.data || frame.width < 0 || frame.height < 0 ||
      frame.stride < int64_t{3} * frame.width) {
    return false;
  }
  const int light[3] = {blue, green, red};
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      uint8_t* p = FrameRow(frame, y) + 3 * x;
      const int64_t d =
          (int64_t{y} - ly) * (int64_t{y} - ly) + (int64_t{x} - lx) * (int64_t{x} - lx);
      if (d == 0) {
        for (int c = 0; c < 3; ++c) p[c] = 255;
        continue;
      }
      const int64_t h = int64_t{k} * k / 255;
      for (int c = 0; c < 3; ++c) {
        const int64_t v = p[c] + light[c] * h / d;
        p[c] = static_cast<uint8_t>(std::min<int64_t>(255, v));
      }
    }
  return true;
}

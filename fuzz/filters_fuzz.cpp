// Packed DIBs as the frame decoder might hand them over, headers included:
// every colour kernel must stay inside the block whatever the header claims.
// The tail also drives the 24-bit copy kernels on a small picture.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/dib_geometry.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/edge_extraction.h"
#include "editor/filters/light_source.h"
#include "editor/filters/neighbourhood_filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> frame(data, data + size);
  const uint8_t p = size > 48 ? data[44] : 7;
  for (int kernel = 0; kernel < 6; ++kernel) {
    if (size) std::memcpy(frame.data(), data, size);
    switch (kernel) {
      case 0: ApplyRgbCorrection(frame.data(), size, p, p ^ 0x55, 255, p & 1, p & 2, false); break;
      case 1: ApplyYCrCbCorrection(frame.data(), size, p, 100, 200); break;
      case 2: ApplyContrast(frame.data(), size, static_cast<int8_t>(p)); break;
      case 3: ApplyGamma(frame.data(), size, p); break;
      case 4: ApplyGrayscale(frame.data(), size); break;
      case 5: ApplyPale(frame.data(), size); break;
    }
  }
  if (size < 4) return 0;
  // A picture of up to 40 x 40 pixels filled from the input.
  const int width = 1 + data[0] % 40, height = 1 + data[1] % 40;
  const uint8_t strength = data[2], option = data[3];
  const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(width, 24));
  std::vector<uint8_t> src(static_cast<size_t>(stride) * height), dst(src.size());
  for (size_t i = 0; i < src.size(); ++i) src[i] = size > 4 ? data[4 + i % (size - 4)] : 0;
  const ConstFrameView in{src.data(), width, height, stride};
  const FrameView out{dst.data(), width, height, stride};
  ApplyBoxBlur(in, out, strength);
  ApplyUnsharpMask(in, out, strength % 16);
  ApplyMedian(in, out, strength % 5);
  ApplyWatercolour(in, out, strength);
  ApplyEdgeExtraction(in, out, strength, option);
  const int8_t coefficients[9] = {static_cast<int8_t>(option), -1, 2, -3, 4, -5, 6, -7,
                                  static_cast<int8_t>(strength)};
  ApplyCustomFilter(in, out, coefficients, strength, option, 0, 255);
  ApplyLightSource(out, option - 128, strength - 128, strength * 1000, 255, option, 0);
  std::vector<uint8_t> work(src.size());
  RunEdgeExtraction(out, {work.data(), width, height, stride}, strength, option, option & 1);
  return 0;
}

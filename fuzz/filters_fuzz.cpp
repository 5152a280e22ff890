// Packed DIBs as the frame decoder might hand them over, headers included:
// every colour kernel must stay inside the block whatever the header claims.
// The tail also drives the 24-bit copy kernels on a small picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/dib_geometry.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/edge_extraction.h"
#include "editor/filters/filter_scratch.h"
#include "editor/filters/light_source.h"
#include "editor/filters/neighbourhood_filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> frame(data, data + size);
  const uint8_t p = size > 48 ? data[44] : 7;
  // The copy kernels' picture (up to 40 x 40 pixels, filled from the input
  // below). The scratch is reserved anew for each input at exactly its width,
  // so that a kernel reading past its rows leaves the allocation.
  const int width = size >= 4 ? 1 + data[0] % 40 : 0, height = size >= 4 ? 1 + data[1] % 40 : 0;
  FilterScratch scratch;
  if (!FilterScratchReserve(scratch, width, height)) std::abort();
  for (int kernel = 0; kernel < 6; ++kernel) {
    if (size) std::memcpy(frame.data(), data, size);
    switch (kernel) {
      case 0: ApplyRgbCorrection(frame.data(), size, p, p ^ 0x55, 255, p & 1, p & 2, false); break;
      case 1: ApplyYCrCbCorrection(frame.data(), size, p, 100, 200); break;
      case 2: ApplyContrast(frame.data(), size, static_cast<int8_t>(p)); break;
      case 3: ApplyGamma(frame.data(), size, p, scratch); break;
      case 4: ApplyGrayscale(frame.data(), size); break;
      case 5: ApplyPale(frame.data(), size); break;
    }
  }
  if (size < 4) return 0;
  const uint8_t strength = data[2], option = data[3];
  const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(width, 24));
  std::vector<uint8_t> src(static_cast<size_t>(stride) * height), dst(src.size());
  for (size_t i = 0; i < src.size(); ++i) src[i] = size > 4 ? data[4 + i % (size - 4)] : 0;
  const ConstFrameView in{src.data(), width, height, stride};
  const FrameView out{dst.data(), width, height, stride};
  // Matching views and a fitting scratch: a refusal would leave the kernel unexercised.
  bool ran = ApplyBoxBlur(in, out, strength, scratch);
  ran = ApplyUnsharpMask(in, out, strength % 16, scratch) && ran;
  ran = ApplyMedian(in, out, strength % 5, scratch) && ran;
  ran = ApplyWatercolour(in, out, strength, scratch) && ran;
  ran = ApplyEdgeExtraction(in, out, strength, option, scratch) && ran;
  const int8_t coefficients[9] = {static_cast<int8_t>(option),  -1, 2, -3, 4, -5, 6, -7,
                                  static_cast<int8_t>(strength)};
  ran = ApplyCustomFilter(in, out, coefficients, strength, option, 0, 255, scratch) && ran;
  ApplyLightSource(out, option - 128, strength - 128, strength * 1000, 255, option, 0);
  std::vector<uint8_t> work(src.size());
  ran = RunEdgeExtraction(out, {work.data(), width, height, stride}, strength, option, option & 1,
                          scratch) &&
        ran;
  if (!ran) std::abort();
  return 0;
}

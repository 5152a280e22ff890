#include "editor/filters/filters_test_support.h"

#include <string>

#include "editor/filters/colour_filters.h"

namespace {

// The colour kernels use only the gamma's pair table of the scratch, which any
// reservation brings.
FilterScratch& ColourScratch() {
  static FilterScratch scratch = ScratchFor(0, 0);
  return scratch;
}

}  // namespace

bool RunColourKernel(std::vector<uint8_t>& dib, ColourKernel kernel, const ColourParams& p) {
  switch (kernel) {
    case ColourKernel::Rgb:
      return ApplyRgbCorrection(dib.data(), dib.size(), p.ratioR, p.ratioG, p.ratioB, p.invertR,
                                p.invertG, p.invertB);
    case ColourKernel::YCrCb: return ApplyYCrCbCorrection(dib.data(), dib.size(), p.y, p.cr, p.cb);
    case ColourKernel::Contrast: return ApplyContrast(dib.data(), dib.size(), p.k);
    case ColourKernel::Gamma: return ApplyGamma(dib.data(), dib.size(), p.s, ColourScratch());
    case ColourKernel::Grayscale: return ApplyGrayscale(dib.data(), dib.size());
    case ColourKernel::Pale: return ApplyPale(dib.data(), dib.size());
  }
  return false;
}

bool RunColourKernel_ref(std::vector<uint8_t>& dib, ColourKernel kernel, const ColourParams& p) {
  switch (kernel) {
    case ColourKernel::Rgb:
      return ApplyRgbCorrection_ref(dib.data(), dib.size(), p.ratioR, p.ratioG, p.ratioB, p.invertR,
                                    p.invertG, p.invertB);
    case ColourKernel::YCrCb:
      return ApplyYCrCbCorrection_ref(dib.data(), dib.size(), p.y, p.cr, p.cb);
    case ColourKernel::Contrast: return ApplyContrast_ref(dib.data(), dib.size(), p.k);
    case ColourKernel::Gamma: return ApplyGamma_ref(dib.data(), dib.size(), p.s, ColourScratch());
    case ColourKernel::Grayscale: return ApplyGrayscale_ref(dib.data(), dib.size());
    case ColourKernel::Pale: return ApplyPale_ref(dib.data(), dib.size());
  }
  return false;
}

TestFrame::TestFrame(int w, int h, uint8_t padding)
    : width(w),
      height(h),
      stride(static_cast<ptrdiff_t>(DibStride(w, 24))),
      bytes(static_cast<size_t>(stride) * h, padding) {}

void TestFrame::Fill(uint8_t b, uint8_t g, uint8_t r) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Pixel(x, y)[0] = b;
      Pixel(x, y)[1] = g;
      Pixel(x, y)[2] = r;
    }
}

void TestFrame::Randomise(std::mt19937& rng, bool extremes) {
  static const uint8_t kExtremes[4] = {0, 1, 254, 255};
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < 3 * width; ++i) {
      const uint32_t v = rng();
      Pixel(0, y)[i] = extremes ? kExtremes[v & 3] : static_cast<uint8_t>(v >> 8);
    }
}

bool TestFrame::SamePixels(const TestFrame& other, std::string* where) const {
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < 3 * width; ++i)
      if (Pixel(0, y)[i] != other.Pixel(0, y)[i]) {
        *where = "x " + std::to_string(i / 3) + " y " + std::to_string(y) + " channel " +
                 std::to_string(i % 3) + ": " + std::to_string(Pixel(0, y)[i]) + " vs " +
                 std::to_string(other.Pixel(0, y)[i]);
        return false;
      }
  return true;
}

FilterScratch ScratchFor(int width, int height) {
  FilterScratch scratch;
  FilterScratchReserve(scratch, width, height);
  return scratch;
}

std::vector<std::pair<int, int>> EqualitySizes() {
  return {{1, 1}, {2, 1},  {1, 2},  {2, 2},  {3, 3},   {4, 4},  {5, 5},   {6, 5},    {7, 3},
          {8, 9}, {15, 6}, {16, 7}, {17, 8}, {33, 11}, {64, 5}, {97, 61}, {641, 479}};
}

#pragma once
// What the filter tests share: test pictures, the sizes every fast-versus-
// reference comparison runs through, a scratch per picture, and one entry to
// each colour kernel and its reference.
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/dib_geometry.h"
#include "editor/filters/filter_scratch.h"

enum class ColourKernel { Rgb, YCrCb, Contrast, Gamma, Grayscale, Pale };

struct ColourParams {
  int ratioR = 255, ratioG = 255, ratioB = 255;
  bool invertR = false, invertG = false, invertB = false;
  int y = 100, cr = 100, cb = 100;
  int k = 0;
  int s = 128;
};

// One colour kernel on a packed DIB: the shipped version, or its _ref.
bool RunColourKernel(std::vector<uint8_t>& dib, ColourKernel kernel, const ColourParams& p);
bool RunColourKernel_ref(std::vector<uint8_t>& dib, ColourKernel kernel, const ColourParams& p);

// A 24-bit test picture with its own buffer; padding bytes hold a marker.
struct TestFrame {
  int width = 0, height = 0;
  ptrdiff_t stride = 0;
  std::vector<uint8_t> bytes;

  TestFrame() = default;
  TestFrame(int w, int h, uint8_t padding = 0xA5);
  FrameView View() { return {bytes.data(), width, height, stride}; }
  ConstFrameView ConstView() const { return {bytes.data(), width, height, stride}; }
  uint8_t* Pixel(int x, int y) { return bytes.data() + y * stride + 3 * x; }
  const uint8_t* Pixel(int x, int y) const { return bytes.data() + y * stride + 3 * x; }
  void Fill(uint8_t b, uint8_t g, uint8_t r);
  // Random pixels; `extremes` draws only from 0, 1, 254 and 255.
  void Randomise(std::mt19937& rng, bool extremes = false);
  // Pixel bytes equal (padding ignored); reports the first difference.
  bool SamePixels(const TestFrame& other, std::string* where) const;
};

// A scratch reserved for pictures of exactly this width (any overrun of its
// rows lands outside what was allocated, where the sanitizers see it).
FilterScratch ScratchFor(int width, int height);

// The sizes every fast-versus-reference test runs through: the narrow widths
// whose rows need padding, and a full-size frame.
std::vector<std::pair<int, int>> EqualitySizes();

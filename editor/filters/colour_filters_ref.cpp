// The colour kernels written loop for loop from their rules, one pixel at a
// time, without tables, blocks or vector passes: the yardstick the kernels of
// colour_filters.cpp are tested and measured against.
#include "editor/filters/colour_filters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/bytes.h"
#include "common/dib_geometry.h"

namespace {

enum class Kernel { Rgb, YCrCb, Contrast, Gamma, Grayscale, Pale };

struct Params {
  int ratioR = 255, ratioG = 255, ratioB = 255;
  bool invertR = false, invertG = false, invertB = false;
  int y = 100, cr = 100, cb = 100;
  int64_t k = 0;
  int s = 128;
};

int Clamp255(double v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<int>(v);
}
int Clamp255(int64_t v) {
  return static_cast<int>(std::min<int64_t>(255, std::max<int64_t>(0, v)));
}

// 8-bit rule for one colour; `order` picks the grayscale summation of the depth:
// 0 colour table, 1 24/32-bit pixels, 2 16-bit pixels.
void ColourPixel(Kernel kernel, const Params& p, const double* gammaTable, int order, int& b,
                 int& g, int& r) {
  switch (kernel) {
    case Kernel::Rgb:
      b = (b * p.ratioB) >> 8;
      g = (g * p.ratioG) >> 8;
      r = (r * p.ratioR) >> 8;
      if (p.invertB) b = 255 - b;
      if (p.invertG) g = 255 - g;
      if (p.invertR) r = 255 - r;
      break;
    case Kernel::YCrCb: {
      double Y = 0.299 * r + 0.587 * g + 0.114 * b;
      double Cr = 0.5 * r - 0.419 * g - 0.081 * b;
      double Cb = 0.5 * b - (0.332 * g + 0.169 * r);
      Y = p.y * Y;
      Cr = p.cr * Cr;
      Cb = p.cb * Cb;
      const double R = (1.402 * Cr + Y) * 0.01;
      const double G = (Y - 0.714 * Cr - 0.344 * Cb) * 0.01;
      const double B = (1.772 * Cb + Y) * 0.01;
      r = Clamp255(R);
      g = Clamp255(G);
      b = Clamp255(B);
      break;
    }
    case Kernel::Contrast: {
      auto f = [&](int c) { return Clamp255(int64_t{c} + p.k * (c - 128) / 128); };
      b = f(b);
      g = f(g);
      r = f(r);
      break;
    }
    case Kernel::Gamma: {
      const double* table = gammaTable;
      b = Clamp255(table[b] * 255);
      g = Clamp255(table[g] * 255);
      r = Clamp255(table[r] * 255);
      break;
    }
    case Kernel::Grayscale: {
      double v;
      if (order == 0) {
        v = 0.299 * r + 0.114 * b + 0.587 * g;
      } else if (order == 1) {
        v = 0.587 * g + 0.114 * b + 0.299 * r;
      } else {
        v = 0.587 * g + 0.299 * r + 0.114 * b;
      }
      b = g = r = static_cast<int>(v);
      break;
    }
    case Kernel::Pale: {
      const int m = (r + g + b) / 3;
      b = (b + m) >> 1;
      g = (g + m) >> 1;
      r = (r + m) >> 1;
      break;
    }
  }
}

bool ApplyColour(uint8_t* frame, size_t frameSize, Kernel kernel, const Params& p) {
  if (!frame || frameSize < kDibHeaderBytes) return false;
  const int64_t width = static_cast<int32_t>(GetU32(frame + 4));
  const int64_t height = std::llabs(static_cast<int32_t>(GetU32(frame + 8)));
  const int bits = GetU16(frame + 14);
  const uint32_t compression = GetU32(frame + 16);
  const uint32_t used = GetU32(frame + 32);
  // The gamma table, once per frame.
  const double e = std::pow((p.s + 1) * 0.0078125, 4.6);
  double gamma[256];
  for (int i = 0; i < 256; ++i) gamma[i] = i == 0 ? 0 : std::pow(i * 0.00392156862745098, e);
  auto table = [&](uint64_t n) {
    if (kDibHeaderBytes + 4 * n > frameSize) return false;
    for (uint64_t i = 0; i < n; ++i) {
      uint8_t* entry = frame + kDibHeaderBytes + 4 * i;
      int b = entry[0], g = entry[1], r = entry[2];
      ColourPixel(kernel, p, gamma, 0, b, g, r);
      entry[0] = static_cast<uint8_t>(b);
      entry[1] = static_cast<uint8_t>(g);
      entry[2] = static_cast<uint8_t>(r);
    }
    return true;
  };
  const uint64_t offset = PixelOffset(bits, compression, used);
  if (used || bits == 1 || bits == 4 || bits == 8) return table((offset - kDibHeaderBytes) / 4);
  if (bits != 16 && bits != 24 && bits != 32) return true;
  if (width <= 0 || height == 0) return true;
  const uint64_t stride = static_cast<uint64_t>(DibStride(width, bits));
  if (offset > frameSize || (frameSize - offset) / stride < static_cast<uint64_t>(height)) {
    return false;
  }
  uint8_t* rows = frame + offset;
  if (bits == 16) {
    for (int64_t y = 0; y < height; ++y) {
      for (int64_t x = 0; x < width; ++x) {
        uint8_t* q = rows + y * stride + 2 * x;
        const int w = GetU16(q);
        int r5 = (w >> 10) & 31, g5 = (w >> 5) & 31, b5 = w & 31;
        if (kernel == Kernel::Rgb) {
          r5 = (r5 * p.ratioR) >> 8;
          g5 = (g5 * p.ratioG) >> 8;
          b5 = (b5 * p.ratioB) >> 8;
          if (p.invertR) r5 = 31 - r5;
          if (p.invertG) g5 = 31 - g5;
          if (p.invertB) b5 = 31 - b5;
        } else if (kernel == Kernel::Pale) {
          const int m5 = (r5 + g5 + b5) / 3;
          r5 = (r5 + m5) >> 1;
          g5 = (g5 + m5) >> 1;
          b5 = (b5 + m5) >> 1;
        } else {
          int b = b5 * 8, g = g5 * 8, r = r5 * 8;
          ColourPixel(kernel, p, gamma, 2, b, g, r);
          b5 = b >> 3;
          g5 = g >> 3;
          r5 = r >> 3;
        }
        PutU16(q, static_cast<uint16_t>(r5 << 10 | g5 << 5 | b5));
      }
    }
    return true;
  }
  const int step = bits / 8;
  for (int64_t y = 0; y < height; ++y) {
    for (int64_t x = 0; x < width; ++x) {
      uint8_t* q = rows + y * stride + step * x;
      int b = q[0], g = q[1], r = q[2];
      ColourPixel(kernel, p, gamma, 1, b, g, r);
      q[0] = static_cast<uint8_t>(b);
      q[1] = static_cast<uint8_t>(g);
      q[2] = static_cast<uint8_t>(r);
    }
  }
  return true;
}

}  // namespace

bool ApplyRgbCorrection_ref(uint8_t* frame, size_t frameSize, uint8_t ratioR, uint8_t ratioG,
                            uint8_t ratioB, bool invertR, bool invertG, bool invertB) {
  Params p;
  p.ratioR = ratioR, p.ratioG = ratioG, p.ratioB = ratioB;
  p.invertR = invertR, p.invertG = invertG, p.invertB = invertB;
  return ApplyColour(frame, frameSize, Kernel::Rgb, p);
}

bool ApplyYCrCbCorrection_ref(uint8_t* frame, size_t frameSize, uint8_t yPercent, uint8_t crPercent,
                              uint8_t cbPercent) {
  Params p;
  p.y = yPercent, p.cr = crPercent, p.cb = cbPercent;
  return ApplyColour(frame, frameSize, Kernel::YCrCb, p);
}

bool ApplyContrast_ref(uint8_t* frame, size_t frameSize, int32_t k) {
  Params p;
  p.k = k;
  return ApplyColour(frame, frameSize, Kernel::Contrast, p);
}

bool ApplyGamma_ref(uint8_t* frame, size_t frameSize, uint8_t s, FilterScratch& scratch) {
  if (!FilterScratchFits(scratch, 0)) return false;
  Params p;
  p.s = s;
  return ApplyColour(frame, frameSize, Kernel::Gamma, p);
}

bool ApplyGrayscale_ref(uint8_t* frame, size_t frameSize) {
  return ApplyColour(frame, frameSize, Kernel::Grayscale, Params{});
}

bool ApplyPale_ref(uint8_t* frame, size_t frameSize) {
  return ApplyColour(frame, frameSize, Kernel::Pale, Params{});
}

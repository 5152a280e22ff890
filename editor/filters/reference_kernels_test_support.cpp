#include "editor/filters/reference_kernels_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "common/bytes.h"
#include "editor/filters/neighbourhood_filters.h"

namespace {

int Clamp255(double v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<int>(v);
}
int Clamp255(int64_t v) { return static_cast<int>(std::min<int64_t>(255, std::max<int64_t>(0, v))); }

// 8-bit rule for one colour; `order` picks the grayscale summation of the depth:
// 0 colour table, 1 24/32-bit pixels, 2 16-bit pixels.
void ColourPixel(RefColourKernel kernel, const RefColourParams& p, const double* gammaTable,
                 int order, int& b, int& g, int& r) {
  switch (kernel) {
    case RefColourKernel::Rgb:
      b = (b * p.ratioB) >> 8;
      g = (g * p.ratioG) >> 8;
      r = (r * p.ratioR) >> 8;
      if (p.invertB) b = 255 - b;
      if (p.invertG) g = 255 - g;
      if (p.invertR) r = 255 - r;
      break;
    case RefColourKernel::YCrCb: {
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
    case RefColourKernel::Contrast: {
      auto f = [&](int c) { return Clamp255(int64_t{c} + int64_t{p.k} * (c - 128) / 128); };
      b = f(b);
      g = f(g);
      r = f(r);
      break;
    }
    case RefColourKernel::Gamma: {
      const double* table = gammaTable;
      b = Clamp255(table[b] * 255);
      g = Clamp255(table[g] * 255);
      r = Clamp255(table[r] * 255);
      break;
    }
    case RefColourKernel::Grayscale: {
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
    case RefColourKernel::Pale: {
      const int m = (r + g + b) / 3;
      b = (b + m) >> 1;
      g = (g + m) >> 1;
      r = (r + m) >> 1;
      break;
    }
  }
}

}  // namespace

void RefApplyColour(uint8_t* frame, RefColourKernel kernel, const RefColourParams& p) {
  const int width = static_cast<int32_t>(GetU32(frame + 4));
  const int height = std::abs(static_cast<int32_t>(GetU32(frame + 8)));
  const int bits = GetU16(frame + 14);
  const uint32_t compression = GetU32(frame + 16);
  const uint32_t used = GetU32(frame + 32);
  uint8_t* t = frame + 40;
  // The gamma table, once per frame.
  const double e = std::pow((p.s + 1) * 0.0078125, 4.6);
  double gamma[256];
  for (int i = 0; i < 256; ++i) gamma[i] = i == 0 ? 0 : std::pow(i * 0.00392156862745098, e);
  auto table = [&](uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
      uint8_t* e = t + 4 * i;
      int b = e[0], g = e[1], r = e[2];
      ColourPixel(kernel, p, gamma, 0, b, g, r);
      e[0] = static_cast<uint8_t>(b);
      e[1] = static_cast<uint8_t>(g);
      e[2] = static_cast<uint8_t>(r);
    }
  };
  if (used) return table(used);
  if (bits == 1) return table(2);
  if (bits == 4) return table(16);
  if (bits == 8) return table(256);
  const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(width, bits));
  uint8_t* rows = frame + PixelOffset(bits, compression, used);
  if (bits == 16) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        uint8_t* q = rows + y * stride + 2 * x;
        const int w = GetU16(q);
        int r5 = (w >> 10) & 31, g5 = (w >> 5) & 31, b5 = w & 31;
        if (kernel == RefColourKernel::Rgb) {
          r5 = (r5 * p.ratioR) >> 8;
          g5 = (g5 * p.ratioG) >> 8;
          b5 = (b5 * p.ratioB) >> 8;
          if (p.invertR) r5 = 31 - r5;
          if (p.invertG) g5 = 31 - g5;
          if (p.invertB) b5 = 31 - b5;
        } else if (kernel == RefColourKernel::Pale) {
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
    return;
  }
  if (bits != 24 && bits != 32) return;
  const int step = bits / 8;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* q = rows + y * stride + step * x;
      int b = q[0], g = q[1], r = q[2];
      ColourPixel(kernel, p, gamma, 1, b, g, r);
      q[0] = static_cast<uint8_t>(b);
      q[1] = static_cast<uint8_t>(g);
      q[2] = static_cast<uint8_t>(r);
    }
  }
}

namespace {

int Src(const ConstFrameView& s, int x, int y, int c) { return FrameRow(s, y)[3 * x + c]; }
uint8_t& Dst(const FrameView& d, int x, int y, int c) { return FrameRow(d, y)[3 * x + c]; }

int WindowMean(const ConstFrameView& src, int x, int y, int c, int r) {
  int sum = 0, n = 0;
  for (int j = -r; j <= r; ++j) {
    for (int i = -r; i <= r; ++i) {
      if (x + i >= 0 && x + i < src.width && y + j >= 0 && y + j < src.height) {
        sum += Src(src, x + i, y + j, c);
        ++n;
      }
    }
  }
  return sum / n;
}

}  // namespace

void RefBoxBlur(ConstFrameView src, FrameView dst, int r) {
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x)
      for (int c = 0; c < 3; ++c) Dst(dst, x, y, c) = static_cast<uint8_t>(WindowMean(src, x, y, c, r));
}

void RefUnsharpMask(ConstFrameView src, FrameView dst, int r) {
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x)
      for (int c = 0; c < 3; ++c) {
        const int v = 2 * Dst(dst, x, y, c) - WindowMean(src, x, y, c, r);
        Dst(dst, x, y, c) = static_cast<uint8_t>(std::clamp(v, 0, 255));
      }
}

void RefMedian(ConstFrameView src, FrameView dst, int passes) {
  std::vector<uint8_t> copy(src.stride * src.height);
  if (!copy.empty()) std::memcpy(copy.data(), src.data, copy.size());
  const ConstFrameView work{copy.data(), src.width, src.height, src.stride};
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 1; y <= src.height - 2; ++y)
      for (int x = 1; x <= src.width - 2; ++x)
        for (int c = 0; c < 3; ++c) {
          uint8_t v[9];
          int n = 0;
          for (int j = -1; j <= 1; ++j)
            for (int i = -1; i <= 1; ++i) v[n++] = static_cast<uint8_t>(Src(work, x + i, y + j, c));
          Dst(dst, x, y, c) = SelectKthSmallest(v, 8, 4);
        }
    for (int y = 0; y < src.height; ++y)
      std::memcpy(copy.data() + y * src.stride, FrameRow(dst, y), size_t{3} * src.width);
  }
}

void RefWatercolour(ConstFrameView src, FrameView dst, int k) {
  for (int y = 2; y <= src.height - 3; ++y)
    for (int x = 2; x <= src.width - 3; ++x)
      for (int c = 0; c < 3; ++c) {
        uint8_t v[25];
        int n = 0;
        for (int j = -2; j <= 2; ++j)
          for (int i = -2; i <= 2; ++i) v[n++] = static_cast<uint8_t>(Src(src, x + i, y + j, c));
        Dst(dst, x, y, c) = SelectKthSmallest(v, 24, k);
      }
}

void RefEdgeExtraction(ConstFrameView src, FrameView dst, int t, int op) {
  auto decide = [&](int x, int y, const int* values) {
    bool edge = false;
    for (int i = 0; i < 6; ++i) edge = edge || values[i] > t || values[i] < -t;
    for (int c = 0; c < 3; ++c) Dst(dst, x, y, c) = edge ? static_cast<uint8_t>(Src(src, x, y, c)) : 255;
  };
  if (op == 0 || op == 1) {
    for (int y = 0; y <= src.height - 2; ++y)
      for (int x = 0; x <= src.width - 2; ++x) {
        int v[6];
        for (int c = 0; c < 3; ++c) {
          if (op == 0) {
            v[2 * c] = Src(src, x, y, c) - Src(src, x + 1, y, c);
            v[2 * c + 1] = Src(src, x, y, c) - Src(src, x, y + 1, c);
          } else {
            v[2 * c] = Src(src, x, y, c) - Src(src, x + 1, y + 1, c);
            v[2 * c + 1] = Src(src, x + 1, y, c) - Src(src, x, y + 1, c);
          }
        }
        decide(x, y, v);
      }
    return;
  }
  for (int y = 1; y <= src.height - 2; ++y)
    for (int x = 1; x <= src.width - 2; ++x) {
      int v[6];
      for (int c = 0; c < 3; ++c) {
        auto p = [&](int i, int j) { return Src(src, x + i, y + j, c); };
        v[2 * c] = 2 * (p(1, 0) - p(-1, 0)) + p(1, 1) + p(1, -1) - p(-1, 1) - p(-1, -1);
        v[2 * c + 1] = 2 * (p(0, 1) - p(0, -1)) + p(-1, 1) + p(1, 1) - p(-1, -1) - p(1, -1);
      }
      decide(x, y, v);
    }
}

void RefCustomFilter(ConstFrameView src, FrameView dst, const int8_t c[9], int strength, int red,
                     int green, int blue) {
  const int base[3] = {blue, green, red};
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x)
      for (int ch = 0; ch < 3; ++ch) {
        int s = 0;
        for (int j = -1; j <= 1; ++j)
          for (int i = -1; i <= 1; ++i)
            if (x + i >= 0 && x + i < src.width && y + j >= 0 && y + j < src.height)
              s += c[(j + 1) * 3 + i + 1] * Src(src, x + i, y + j, ch);
        Dst(dst, x, y, ch) = static_cast<uint8_t>(std::clamp(base[ch] + strength * s, 0, 255));
      }
}

void RefLightSource(FrameView frame, int32_t lx, int32_t ly, int32_t k, int red, int green,
                    int blue) {
  const int light[3] = {blue, green, red};
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const int64_t d = (int64_t{y} - ly) * (int64_t{y} - ly) + (int64_t{x} - lx) * (int64_t{x} - lx);
      if (d == 0) {
        for (int c = 0; c < 3; ++c) Dst(frame, x, y, c) = 255;
        continue;
      }
      const int64_t h = int64_t{k} * k / 255;
      for (int c = 0; c < 3; ++c) {
        const int64_t v = Dst(frame, x, y, c) + light[c] * h / d;
        Dst(frame, x, y, c) = static_cast<uint8_t>(std::min<int64_t>(255, v));
      }
    }
}

TestFrame::TestFrame(int w, int h, uint8_t padding)
    : width(w), height(h), stride(static_cast<ptrdiff_t>(DibStride(w, 24))),
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
  return {{1, 1},  {2, 1},  {1, 2},  {2, 2},  {3, 3},  {4, 4},   {5, 5},  {6, 5},
          {7, 3},  {8, 9},  {15, 6}, {16, 7}, {17, 8}, {33, 11}, {64, 5}, {97, 61},
          {641, 479}};
}

#include "editor/filters/custom_filter.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

const CustomFilterPreset kCustomFilterPresets[10] = {
    {1029, {1, 1, 0, 1, 0, -1, 0, -1, -1}, 128},
    {1058, {1, 1, 1, 0, 0, 0, -1, -1, -1}, 128},  // "↓"
    {1054, {0, 1, 1, -1, 0, 1, -1, -1, 0}, 128},
    {1028, {-1, 0, 1, -1, 0, 1, -1, 0, 1}, 128},  // "→"
    {1055, {1, 0, -1, 1, 0, -1, 1, 0, -1}, 128},  // "←"
    {1030, {0, -1, -1, 1, 0, -1, 1, 1, 0}, 128},
    {1027, {-1, -1, -1, 0, 0, 0, 1, 1, 1}, 128},  // "↑"
    {1026, {-1, -1, 0, -1, 0, 1, 0, 1, 1}, 128},
    {1017, {0, -1, 0, -1, 4, -1, 0, -1, 0}, 255},      // "4連結"
    {1018, {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 255},  // "8連結"
};

const CustomFilterPreset* FindCustomFilterPreset(int buttonId) {
  for (const CustomFilterPreset& p : kCustomFilterPresets) {
    if (p.buttonId == buttonId) return &p;
  }
  return nullptr;
}

int8_t RandomCoefficient(int draw) {
  // The generator's draws are never negative; keep the range -9..10 even if one were.
  const int remainder = ((draw % 20) + 20) % 20;
  return static_cast<int8_t>(10 - remainder);
}

void DrawRandomCoefficients(int8_t coefficients[9], uint8_t* baseRgb) {
  if (baseRgb) {
    for (int i = 0; i < 3; ++i) baseRgb[i] = static_cast<uint8_t>(std::rand() & 255);
  }
  std::srand(static_cast<unsigned>(std::clock()));
  for (int i = 0; i < 9; ++i) coefficients[i] = RandomCoefficient(std::rand());
}

namespace {

// A pixel next to the picture's edge, with each neighbour checked.
void FilterPixelChecked(const ConstFrameView& src, const FrameView& dst, int x, int y,
                        const int8_t* c, int strength, const int* base) {
  int sum[3] = {0, 0, 0};
  for (int j = -1; j <= 1; ++j) {
    if (y + j < 0 || y + j >= src.height) continue;
    const uint8_t* row = FrameRow(src, y + j);
    for (int i = -1; i <= 1; ++i) {
      if (x + i < 0 || x + i >= src.width) continue;
      const int coefficient = c[(j + 1) * 3 + (i + 1)];
      for (int ch = 0; ch < 3; ++ch) sum[ch] += coefficient * row[3 * (x + i) + ch];
    }
  }
  uint8_t* out = FrameRow(dst, y) + 3 * x;
  for (int ch = 0; ch < 3; ++ch) {
    out[ch] = static_cast<uint8_t>(std::clamp(base[ch] + strength * sum[ch], 0, 255));
  }
}

}  // namespace

bool ApplyCustomFilter(ConstFrameView src, FrameView dst, const int8_t coefficients[9],
                       uint8_t strength, uint8_t baseRed, uint8_t baseGreen, uint8_t baseBlue,
                       FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  const int width = src.width, height = src.height;
  const int base[3] = {baseBlue, baseGreen, baseRed};
  const int s = strength;
  const int8_t* c = coefficients;
  // Magnitudes stay below 2^27 (9 x 128 x 255 x 255 + 255): 32 bits suffice.
  if (width >= 3 && height >= 3) {
    const size_t rowBytes = size_t{3} * width;
    int* baseRow = scratch.base.data();
    for (size_t b = 0; b < rowBytes; ++b) baseRow[b] = base[b % 3];
    const int c1 = c[0], c2 = c[1], c3 = c[2], c4 = c[3], c5 = c[4], c6 = c[5], c7 = c[6],
              c8 = c[7], c9 = c[8];
    // When base + strength x sum cannot leave 16 bits, the interior runs in
    // 16-bit lanes with the strength folded into the coefficients: twice the
    // lanes of the 32-bit loop, same values.
    int weight = 0;
    for (int i = 0; i < 9; ++i) weight += std::abs(c[i]);
    const bool narrow = int64_t{255} * s * weight + 255 <= 32767;
    int16_t* baseRow16 = scratch.base16.data();
    if (narrow) {
      for (size_t b = 0; b < rowBytes; ++b) baseRow16[b] = static_cast<int16_t>(base[b % 3]);
    }
    const int16_t k1 = static_cast<int16_t>(s * c1), k2 = static_cast<int16_t>(s * c2),
                  k3 = static_cast<int16_t>(s * c3), k4 = static_cast<int16_t>(s * c4),
                  k5 = static_cast<int16_t>(s * c5), k6 = static_cast<int16_t>(s * c6),
                  k7 = static_cast<int16_t>(s * c7), k8 = static_cast<int16_t>(s * c8),
                  k9 = static_cast<int16_t>(s * c9);
    for (int y = 1; y + 1 < height && narrow; ++y) {
      const uint8_t* __restrict d = FrameRow(src, y - 1);
      const uint8_t* __restrict m = FrameRow(src, y);
      const uint8_t* __restrict u = FrameRow(src, y + 1);
      uint8_t* __restrict out = FrameRow(dst, y);
      const int16_t* __restrict base16 = baseRow16;
      for (size_t b = 3; b + 3 < rowBytes; ++b) {
        const int16_t v = static_cast<int16_t>(
            base16[b] + k1 * d[b - 3] + k2 * d[b] + k3 * d[b + 3] + k4 * m[b - 3] + k5 * m[b] +
            k6 * m[b + 3] + k7 * u[b - 3] + k8 * u[b] + k9 * u[b + 3]);
        out[b] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
      FilterPixelChecked(src, dst, 0, y, c, s, base);
      FilterPixelChecked(src, dst, width - 1, y, c, s, base);
    }
    for (int y = 1; y + 1 < height && !narrow; ++y) {
      const uint8_t* d = FrameRow(src, y - 1);
      const uint8_t* m = FrameRow(src, y);
      const uint8_t* u = FrameRow(src, y + 1);
      uint8_t* out = FrameRow(dst, y);
      for (size_t b = 3; b + 3 < rowBytes; ++b) {
        const int sum = c1 * d[b - 3] + c2 * d[b] + c3 * d[b + 3] + c4 * m[b - 3] + c5 * m[b] +
                        c6 * m[b + 3] + c7 * u[b - 3] + c8 * u[b] + c9 * u[b + 3];
        out[b] = static_cast<uint8_t>(std::clamp(baseRow[b] + s * sum, 0, 255));
      }
      FilterPixelChecked(src, dst, 0, y, c, s, base);
      FilterPixelChecked(src, dst, width - 1, y, c, s, base);
    }
    for (int x = 0; x < width; ++x) {
      FilterPixelChecked(src, dst, x, 0, c, s, base);
      FilterPixelChecked(src, dst, x, height - 1, c, s, base);
    }
    return true;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) FilterPixelChecked(src, dst, x, y, c, s, base);
  }
  return true;
}

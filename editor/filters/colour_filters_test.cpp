#include "editor/filters/colour_filters.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/bytes.h"
#include "editor/filters/filters_test_support.h"

namespace {

// A packed DIB: header, then `between` bytes (colour table or masks), then rows.
std::vector<uint8_t> MakeDib(int width, int height, int bits, uint32_t compression = 0,
                             uint32_t coloursUsed = 0, size_t between = 0) {
  const size_t stride = static_cast<size_t>(DibStride(width, bits));
  std::vector<uint8_t> dib(40 + between + stride * height, 0);
  PutU32(&dib[0], 40);
  PutU32(&dib[4], static_cast<uint32_t>(width));
  PutU32(&dib[8], static_cast<uint32_t>(height));
  PutU16(&dib[12], 1);
  PutU16(&dib[14], static_cast<uint16_t>(bits));
  PutU32(&dib[16], compression);
  PutU32(&dib[32], coloursUsed);
  return dib;
}

void FillRandom(std::vector<uint8_t>& dib, std::mt19937& rng) {
  for (size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<uint8_t>(rng() >> 11);
}

struct KernelCall {
  ColourKernel kind;
  ColourParams p;
};

bool RunFast(std::vector<uint8_t>& dib, const KernelCall& call) {
  return RunColourKernel(dib, call.kind, call.p);
}

// Every depth layout the frame reader can hand over, filled at random.
std::vector<std::vector<uint8_t>> AllLayouts(std::mt19937& rng, int width, int height) {
  std::vector<std::vector<uint8_t>> dibs = {
      MakeDib(width, height, 8, 0, 0, 1024),
      MakeDib(width, height, 4, 0, 0, 64),
      MakeDib(width, height, 16),
      MakeDib(width, height, 16, 3, 0, 12),
      MakeDib(width, height, 24),
      MakeDib(width, height, 32),
      MakeDib(width, height, 32, 3, 0, 12),
      MakeDib(width, height, 24, 0, 7, 28),
  };
  for (auto& d : dibs) FillRandom(d, rng);
  return dibs;
}

void ExpectSameAsReference(const KernelCall& call, std::mt19937& rng, int width, int height) {
  for (auto& dib : AllLayouts(rng, width, height)) {
    std::vector<uint8_t> expected = dib;
    ASSERT_TRUE(RunColourKernel_ref(expected, call.kind, call.p));
    ASSERT_TRUE(RunFast(dib, call));
    ASSERT_EQ(dib, expected) << "kernel " << static_cast<int>(call.kind) << " bits "
                             << GetU16(&dib[14]) << " size " << width << "x" << height << " ratios "
                             << call.p.ratioR << "/" << call.p.ratioG << "/" << call.p.ratioB
                             << " y/cr/cb " << call.p.y << "/" << call.p.cr << "/" << call.p.cb
                             << " k " << call.p.k << " s " << call.p.s;
  }
}

uint8_t* Pixels24(std::vector<uint8_t>& dib) {
  return dib.data() + 40;
}

TEST(ColourFilters, RgbCorrectionFullRatioDropsOneStepAndInvertedZeroIsWhite) {
  auto dib = MakeDib(2, 1, 24);
  uint8_t* p = Pixels24(dib);
  p[0] = 255, p[1] = 128, p[2] = 0, p[3] = 1, p[4] = 77, p[5] = 200;
  ASSERT_TRUE(ApplyRgbCorrection(dib.data(), dib.size(), 255, 255, 255, false, false, false));
  EXPECT_EQ(p[0], 254);
  EXPECT_EQ(p[1], 127);
  EXPECT_EQ(p[2], 0);
  EXPECT_EQ(p[3], 0);
  ASSERT_TRUE(ApplyRgbCorrection(dib.data(), dib.size(), 0, 255, 255, true, false, false));
  EXPECT_EQ(p[2], 255);
  EXPECT_EQ(p[5], 255);
}

TEST(ColourFilters, YCrCbClampsEachChannelAgainstItsOwnValue) {
  auto dib = MakeDib(1, 1, 24);
  uint8_t* p = Pixels24(dib);
  p[0] = 0, p[1] = 0, p[2] = 255;  // pure red
  ASSERT_TRUE(ApplyYCrCbCorrection(dib.data(), dib.size(), 200, 100, 100));
  EXPECT_EQ(p[2], 255);
  EXPECT_EQ(p[1], 76);
  EXPECT_EQ(p[0], 76);
}

TEST(ColourFilters, YCrCbAtHundredPercentLowersAtMostOneStep) {
  std::mt19937 rng(7);
  auto dib = MakeDib(64, 64, 24);
  FillRandom(dib, rng);
  const auto before = dib;
  ASSERT_TRUE(ApplyYCrCbCorrection(dib.data(), dib.size(), 100, 100, 100));
  for (size_t i = 40; i < dib.size(); ++i) {
    EXPECT_LE(dib[i], before[i]);
    EXPECT_GE(dib[i] + 1, before[i]);
  }
}

TEST(ColourFilters, ContrastMinus128IsUniformGreyAndZeroIsIdentity) {
  std::mt19937 rng(3);
  auto dib = MakeDib(5, 3, 24);
  FillRandom(dib, rng);
  auto same = dib;
  ASSERT_TRUE(ApplyContrast(same.data(), same.size(), 0));
  EXPECT_EQ(same, dib);
  ASSERT_TRUE(ApplyContrast(dib.data(), dib.size(), -128));
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 15; ++i) EXPECT_EQ(dib[40 + y * 16 + i], 128);
  // A strength far outside the dialog's range saturates instead of overflowing.
  const auto original = same;
  ASSERT_TRUE(ApplyContrast(same.data(), same.size(), INT32_MAX));
  for (int i = 0; i < 15; ++i) {
    const int v = original[40 + i];
    EXPECT_EQ(same[40 + i], v < 128 ? 0 : v > 128 ? 255 : 128) << "value " << v;
  }
}

TEST(ColourFilters, GammaIdentityStrengthAndZeroStaysZero) {
  auto dib = MakeDib(256, 1, 24);
  uint8_t* p = Pixels24(dib);
  for (int i = 0; i < 256; ++i) p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = static_cast<uint8_t>(i);
  auto identity = dib;
  FilterScratch scratch = ScratchFor(256, 1);
  ASSERT_TRUE(ApplyGamma(identity.data(), identity.size(), 127, scratch));
  for (int i = 0; i < 256; ++i) {
    const int v = identity[40 + 3 * i];
    EXPECT_TRUE(v == i || v == i - 1) << i << " became " << v;
  }
  for (int s = 0; s < 256; ++s) {
    auto copy = dib;
    ASSERT_TRUE(ApplyGamma(copy.data(), copy.size(), static_cast<uint8_t>(s), scratch));
    EXPECT_EQ(copy[40], 0) << "strength " << s;
  }
  // A tiny exponent turns everything but black nearly white.
  auto bright = dib;
  ASSERT_TRUE(ApplyGamma(bright.data(), bright.size(), 0, scratch));
  EXPECT_GE(bright[40 + 3], 250);
}

TEST(ColourFilters, GrayscaleOrderShowsInTruncation) {
  auto dib = MakeDib(2, 1, 24);
  uint8_t* p = Pixels24(dib);
  for (int i = 0; i < 3; ++i) p[i] = 23, p[3 + i] = 255;
  ASSERT_TRUE(ApplyGrayscale(dib.data(), dib.size()));
  EXPECT_EQ(p[0], 22);
  EXPECT_EQ(p[1], 22);
  EXPECT_EQ(p[2], 22);
  EXPECT_EQ(p[3], 255);
  EXPECT_EQ(p[5], 255);
}

TEST(ColourFilters, PaleMovesHalfwayToTheMean) {
  auto dib = MakeDib(1, 1, 24);
  uint8_t* p = Pixels24(dib);
  p[0] = 0, p[1] = 90, p[2] = 255;  // mean 115
  ASSERT_TRUE(ApplyPale(dib.data(), dib.size()));
  EXPECT_EQ(p[0], 57);
  EXPECT_EQ(p[1], 102);
  EXPECT_EQ(p[2], 185);
}

TEST(ColourFilters, PalettisedFrameChangesOnlyItsColourTable) {
  std::mt19937 rng(11);
  auto dib = MakeDib(9, 4, 8, 0, 0, 1024);
  FillRandom(dib, rng);
  const auto before = dib;
  ASSERT_TRUE(ApplyRgbCorrection(dib.data(), dib.size(), 0, 0, 0, true, true, true));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(dib[40 + 4 * i], 255);
    EXPECT_EQ(dib[40 + 4 * i + 3], before[40 + 4 * i + 3]) << "reserved byte of entry " << i;
  }
  EXPECT_TRUE(std::equal(dib.begin() + 40 + 1024, dib.end(), before.begin() + 40 + 1024));
}

TEST(ColourFilters, ColoursUsedCountWinsOverBitCount) {
  std::mt19937 rng(5);
  auto dib = MakeDib(4, 2, 24, 0, 3, 16);  // three entries, a fourth that is not counted
  FillRandom(dib, rng);
  const auto before = dib;
  ASSERT_TRUE(ApplyContrast(dib.data(), dib.size(), -128));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(dib[40 + 4 * i], 128);
  EXPECT_TRUE(std::equal(dib.begin() + 52, dib.end(), before.begin() + 52));
}

TEST(ColourFilters, BitFieldSixteenBitPixelsStartAfterTheMasks) {
  auto dib = MakeDib(2, 1, 16, 3, 0, 12);
  for (int i = 0; i < 12; ++i) dib[40 + i] = static_cast<uint8_t>(0xE0 + i);
  PutU16(&dib[52], 0xFFFF);                           // white with bit 15 set
  PutU16(&dib[54], static_cast<uint16_t>(10 << 10));  // red 10
  ASSERT_TRUE(ApplyRgbCorrection(dib.data(), dib.size(), 128, 255, 255, false, false, true));
  for (int i = 0; i < 12; ++i) EXPECT_EQ(dib[40 + i], 0xE0 + i) << "mask byte " << i;
  // Red 31 * 128 >> 8 = 15, green 31 * 255 >> 8 = 30, blue inverted 31 - 30 = 1; bit 15 cleared.
  EXPECT_EQ(GetU16(&dib[52]), 15 << 10 | 30 << 5 | 1);
  EXPECT_EQ(GetU16(&dib[54]), 5 << 10 | 0 << 5 | 31);
  // Without compression the words start right behind the header.
  auto plain = MakeDib(1, 1, 16);
  PutU16(&plain[40], 31 << 10);
  ASSERT_TRUE(ApplyGrayscale(plain.data(), plain.size()));
  const int g5 = 9;  // red 31 expands to 248; 0.299 * 248 = 74.15; 74 >> 3
  EXPECT_EQ(GetU16(&plain[40]), g5 << 10 | g5 << 5 | g5);
}

TEST(ColourFilters, ThirtyTwoBitKeepsFourthByteAndTransformsOnce) {
  std::mt19937 rng(9);
  for (int kernel = 0; kernel < 6; ++kernel) {
    for (uint32_t compression : {0u, 3u}) {
      auto dib = MakeDib(7, 3, 32, compression, 0, compression ? 12 : 0);
      FillRandom(dib, rng);
      const auto before = dib;
      KernelCall call{static_cast<ColourKernel>(kernel), {}};
      call.p.ratioR = call.p.ratioG = call.p.ratioB = 128;
      call.p.k = 60;
      call.p.y = 150;
      auto expected = dib;
      ASSERT_TRUE(RunColourKernel_ref(expected, call.kind, call.p));
      ASSERT_TRUE(RunFast(dib, call));
      EXPECT_EQ(dib, expected) << "kernel " << kernel;
      const size_t start = 40 + (compression ? 12 : 0);
      for (size_t i = start + 3; i < dib.size(); i += 4) ASSERT_EQ(dib[i], before[i]);
    }
  }
  // Halving once, not twice.
  auto dib = MakeDib(1, 1, 32);
  dib[40] = 200, dib[41] = 100, dib[42] = 50, dib[43] = 9;
  ASSERT_TRUE(ApplyRgbCorrection(dib.data(), dib.size(), 128, 128, 128, false, false, false));
  EXPECT_EQ(dib[40], 100);
  EXPECT_EQ(dib[41], 50);
  EXPECT_EQ(dib[42], 25);
  EXPECT_EQ(dib[43], 9);
}

TEST(ColourFilters, UnsupportedDepthPassesAndShortFrameIsRefused) {
  auto odd = MakeDib(3, 3, 2, 0, 0, 0);
  for (size_t i = 40; i < odd.size(); ++i) odd[i] = 77;
  const auto before = odd;
  EXPECT_TRUE(ApplyPale(odd.data(), odd.size()));
  EXPECT_EQ(odd, before);

  auto dib = MakeDib(4, 4, 24);
  dib[40] = 200;
  EXPECT_FALSE(ApplyContrast(dib.data(), dib.size() - 1, -128));
  EXPECT_EQ(dib[40], 200);
  auto table = MakeDib(1, 1, 24, 0, 0x40000000u, 0);
  EXPECT_FALSE(ApplyPale(table.data(), table.size()));
  EXPECT_FALSE(ApplyGrayscale(dib.data(), 39));
}

TEST(ColourFilters, ReferencesRefuseWhatTheKernelsRefuse) {
  struct Case {
    const char* label;
    std::vector<uint8_t> dib;
    size_t cut;  // bytes taken off the end
    bool accepted;
  };
  const Case cases[] = {
      {"whole 24-bit frame", MakeDib(4, 4, 24), 0, true},
      {"24-bit frame a byte short", MakeDib(4, 4, 24), 1, false},
      {"bit-field masks a byte short", MakeDib(1, 1, 32, 3, 0, 12), 1, false},
      {"colour table a byte short", MakeDib(2, 2, 8, 0, 0, 1024), 8 + 1, false},
      {"palettised rows are not looked at", MakeDib(2, 2, 8, 0, 0, 1024), 8, true},
      {"colours used beyond the frame", MakeDib(1, 1, 24, 0, 0x40000000u, 0), 0, false},
      {"header only", MakeDib(0, 0, 24), 0, true},
      {"shorter than a header", MakeDib(1, 1, 24), 6, false},
      {"unsupported depth", MakeDib(3, 3, 2), 0, true},
  };
  for (int kernel = 0; kernel < 6; ++kernel) {
    for (const Case& c : cases) {
      std::vector<uint8_t> fast(c.dib.begin(), c.dib.end() - c.cut), ref = fast;
      const ColourKernel kind = static_cast<ColourKernel>(kernel);
      EXPECT_EQ(RunColourKernel(fast, kind, {}), c.accepted) << c.label << ", kernel " << kernel;
      EXPECT_EQ(RunColourKernel_ref(ref, kind, {}), c.accepted) << c.label << ", kernel " << kernel;
      EXPECT_EQ(fast, ref) << c.label << ", kernel " << kernel;
    }
  }
}

TEST(ColourFilters, FastKernelsEqualReferenceForEveryParameter) {
  std::mt19937 rng(1234);
  for (int q = 0; q < 256; ++q) {
    KernelCall call{ColourKernel::Rgb, {}};
    call.p.ratioR = q, call.p.ratioG = (q * 7) & 255, call.p.ratioB = 255 - q;
    call.p.invertR = q & 1, call.p.invertG = q & 2, call.p.invertB = q & 4;
    ExpectSameAsReference(call, rng, 5, 3);
  }
  for (int k = -128; k <= 127; ++k) {
    KernelCall call{ColourKernel::Contrast, {}};
    call.p.k = k;
    ExpectSameAsReference(call, rng, 5, 3);
  }
  for (int s = 0; s < 256; ++s) {
    KernelCall call{ColourKernel::Gamma, {}};
    call.p.s = s;
    ExpectSameAsReference(call, rng, 5, 3);
    // Large frames take the byte-pair table.
    if (s == 0 || s == 128) ExpectSameAsReference(call, rng, 641, 479);
  }
  const int percents[] = {0, 1, 37, 99, 100, 101, 150, 199, 200, 255};
  for (int y : percents)
    for (int cr : percents)
      for (int cb : percents) {
        KernelCall call{ColourKernel::YCrCb, {}};
        call.p.y = y, call.p.cr = cr, call.p.cb = cb;
        ExpectSameAsReference(call, rng, 5, 2);
      }
  for (auto kind : {ColourKernel::Grayscale, ColourKernel::Pale}) {
    KernelCall call{kind, {}};
    for (auto [w, h] : EqualitySizes()) ExpectSameAsReference(call, rng, w, h);
  }
  KernelCall ycc{ColourKernel::YCrCb, {}};
  ycc.p.y = 120, ycc.p.cr = 80, ycc.p.cb = 140;
  for (bool avx2 : {true, false}) {
    colourKernelOptions.allowAvx2 = avx2;
    for (auto [w, h] : EqualitySizes()) {
      ExpectSameAsReference(ycc, rng, w, h);
      ExpectSameAsReference(KernelCall{ColourKernel::Grayscale, {}}, rng, w, h);
    }
    for (int y : percents) {
      ycc.p.y = y, ycc.p.cr = 200 - y / 2, ycc.p.cb = y / 3;
      ExpectSameAsReference(ycc, rng, 97, 3);
    }
  }
  colourKernelOptions.allowAvx2 = true;
}

}  // namespace

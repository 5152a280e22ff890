#include "editor/filters/neighbourhood_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "editor/filters/filters_test_support.h"

namespace {

using FastKernel = NeighbourhoodKernel;
using RefKernel = NeighbourhoodKernel;

// Runs the shipped kernel into a destination full of junk and the reference
// into a copy of the source, then compares pixels and checks the padding.
void ExpectSameAsReference(FastKernel fast, RefKernel ref, const TestFrame& src, int parameter,
                           const char* name) {
  FilterScratch scratch = ScratchFor(src.width, src.height);
  TestFrame expected = src;
  ASSERT_TRUE(ref(src.ConstView(), expected.View(), static_cast<uint8_t>(parameter), scratch));
  TestFrame got(src.width, src.height, 0x5A);
  for (int y = 0; y < got.height; ++y)
    for (int i = 0; i < 3 * got.width; ++i) got.Pixel(0, y)[i] = static_cast<uint8_t>(i * 31 + y);
  ASSERT_TRUE(fast(src.ConstView(), got.View(), static_cast<uint8_t>(parameter), scratch));
  std::string where;
  ASSERT_TRUE(got.SamePixels(expected, &where)) << name << " " << src.width << "x" << src.height
                                                << " parameter " << parameter << " at " << where;
  for (int y = 0; y < got.height; ++y)
    for (ptrdiff_t i = 3 * got.width; i < got.stride; ++i)
      ASSERT_EQ(got.bytes[y * got.stride + i], 0x5A) << name << ": padding written";
}

TEST(SelectKthSmallest, MatchesSortedOrderForEveryIndex) {
  std::mt19937 rng(42);
  for (int n = 1; n <= 25; ++n) {
    for (int round = 0; round < 40; ++round) {
      std::vector<uint8_t> values(n);
      const int spread = round % 2 ? 4 : 256;  // many ties, or few
      for (auto& v : values) v = static_cast<uint8_t>(rng() % spread);
      auto sorted = values;
      std::sort(sorted.begin(), sorted.end());
      for (int k = 0; k < n; ++k) {
        auto work = values;
        ASSERT_EQ(SelectKthSmallest(work.data(), n - 1, k), sorted[k]) << "n " << n << " k " << k;
      }
      auto work = values;
      EXPECT_EQ(SelectKthSmallest(work.data(), n - 1, n + 5), sorted[n - 1]);
    }
  }
  uint8_t nine[9] = {0, 0, 0, 0, 255, 0, 0, 0, 0};
  EXPECT_EQ(SelectKthSmallest(nine, 8, 4), 0);
}

TEST(WindowMean, MultiplierDividesExactlyForEveryWindowSum) {
  for (int n = 1; n <= 121; ++n) {
    const uint32_t m = WindowMeanMultiplier(n);
    for (uint32_t s = 0; s <= 255u * n; ++s) ASSERT_EQ((s * m) >> 22, s / n) << s << "/" << n;
  }
}

TEST(BoxBlur, WindowShrinksToThePicture) {
  TestFrame one(1, 1);
  one.Fill(10, 20, 30);
  TestFrame out(1, 1);
  FilterScratch scratch = ScratchFor(1, 1);
  ASSERT_TRUE(ApplyBoxBlur(one.ConstView(), out.View(), 1, scratch));
  EXPECT_EQ(out.Pixel(0, 0)[0], 10);
  EXPECT_EQ(out.Pixel(0, 0)[2], 30);

  // Corner with r = 2 on a 4 x 4 frame: the 3 x 3 samples inside, not 25.
  TestFrame f(4, 4, 0xFF);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) f.Pixel(x, y)[1] = static_cast<uint8_t>(10 * (x + 4 * y));
  TestFrame blurred(4, 4);
  FilterScratch scratch4 = ScratchFor(4, 4);
  ASSERT_TRUE(ApplyBoxBlur(f.ConstView(), blurred.View(), 2, scratch4));
  // (0+10+20 + 40+50+60 + 80+90+100) / 9 = 50
  EXPECT_EQ(blurred.Pixel(0, 0)[1], 50);
  // A 1-pixel-wide frame has a padding byte per row holding 255; it never
  // enters a mean.
  TestFrame narrow(1, 3, 0xFF);
  narrow.Fill(0, 0, 0);
  TestFrame narrowOut(1, 3);
  ASSERT_TRUE(ApplyBoxBlur(narrow.ConstView(), narrowOut.View(), 5, scratch));
  for (int y = 0; y < 3; ++y) EXPECT_EQ(narrowOut.Pixel(0, y)[2], 0);
}

TEST(UnsharpMask, UniformStaysAndLoneWhitePixelStandsOut) {
  TestFrame flat(6, 5);
  flat.Fill(90, 91, 92);
  TestFrame out(6, 5);
  FilterScratch scratch = ScratchFor(6, 5);
  ASSERT_TRUE(ApplyUnsharpMask(flat.ConstView(), out.View(), 2, scratch));
  std::string where;
  EXPECT_TRUE(out.SamePixels(flat, &where)) << where;

  TestFrame dot(5, 5);
  dot.Fill(0, 0, 0);
  dot.Pixel(2, 2)[0] = dot.Pixel(2, 2)[1] = dot.Pixel(2, 2)[2] = 255;
  TestFrame sharp(5, 5);
  ASSERT_TRUE(ApplyUnsharpMask(dot.ConstView(), sharp.View(), 1, scratch));
  EXPECT_EQ(sharp.Pixel(2, 2)[0], 255);  // 510 - 28, clamped
  EXPECT_EQ(sharp.Pixel(1, 1)[0], 0);    // 0 - 28, clamped at 0

  TestFrame grey(5, 5);
  grey.Fill(100, 100, 100);
  grey.Pixel(2, 2)[2] = 255;
  ASSERT_TRUE(ApplyUnsharpMask(grey.ConstView(), sharp.View(), 1, scratch));
  EXPECT_EQ(sharp.Pixel(2, 2)[2], 255);  // 510 - 117
  EXPECT_EQ(sharp.Pixel(1, 3)[2], 83);   // 200 - (800 + 255) / 9
  EXPECT_EQ(sharp.Pixel(4, 4)[2], 100);  // the dot is outside its window
}

TEST(Median, PassesChainAndTheBorderRingStays) {
  std::mt19937 rng(8);
  TestFrame src(9, 7);
  src.Randomise(rng);
  TestFrame once(9, 7), twice(9, 7), chained(9, 7);
  FilterScratch scratch = ScratchFor(9, 7);
  ASSERT_TRUE(ApplyMedian(src.ConstView(), once.View(), 1, scratch));
  ASSERT_TRUE(ApplyMedian(once.ConstView(), chained.View(), 1, scratch));
  ASSERT_TRUE(ApplyMedian(src.ConstView(), twice.View(), 2, scratch));
  std::string where;
  EXPECT_TRUE(twice.SamePixels(chained, &where)) << where;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      if (x != 0 && x != 8 && y != 0 && y != 6) continue;
      for (int c = 0; c < 3; ++c) ASSERT_EQ(twice.Pixel(x, y)[c], src.Pixel(x, y)[c]);
    }
  // Eight zeros and one 255 give 0.
  TestFrame spike(3, 3);
  spike.Fill(0, 0, 0);
  spike.Pixel(0, 2)[1] = 255;
  TestFrame out(3, 3);
  FilterScratch scratch3 = ScratchFor(3, 3);
  ASSERT_TRUE(ApplyMedian(spike.ConstView(), out.View(), 1, scratch3));
  EXPECT_EQ(out.Pixel(1, 1)[1], 0);
}

TEST(Watercolour, NarrowFramesStayAndMiddleRankIsTheMedian) {
  std::mt19937 rng(12);
  TestFrame narrow(4, 9);
  narrow.Randomise(rng);
  TestFrame out(4, 9);
  FilterScratch scratch = ScratchFor(4, 9);
  ASSERT_TRUE(ApplyWatercolour(narrow.ConstView(), out.View(), 24, scratch));
  std::string where;
  EXPECT_TRUE(out.SamePixels(narrow, &where)) << where;

  TestFrame src(8, 7);
  src.Randomise(rng);
  TestFrame median(8, 7);
  FilterScratch scratch8 = ScratchFor(8, 7);
  ASSERT_TRUE(ApplyWatercolour(src.ConstView(), median.View(), 12, scratch8));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 8; ++x)
      for (int c = 0; c < 3; ++c) {
        const bool inner = x >= 2 && x <= 5 && y >= 2 && y <= 4;
        if (!inner) {
          ASSERT_EQ(median.Pixel(x, y)[c], src.Pixel(x, y)[c]);
          continue;
        }
        std::vector<uint8_t> v;
        for (int j = -2; j <= 2; ++j)
          for (int i = -2; i <= 2; ++i) v.push_back(src.Pixel(x + i, y + j)[c]);
        std::sort(v.begin(), v.end());
        ASSERT_EQ(median.Pixel(x, y)[c], v[12]);
      }
}

TEST(NeighbourhoodFilters, DialogKindPicksTheKernel) {
  const struct {
    DialogKind kind;
    NeighbourhoodKernel kernel;
  } cases[] = {
      {DialogKind::Watercolour, ApplyWatercolour},
      {DialogKind::UnsharpMask, ApplyUnsharpMask},
      {DialogKind::Median, ApplyMedian},
      {DialogKind::Blur, ApplyBoxBlur},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NeighbourhoodKernelForKind(c.kind), c.kernel) << static_cast<int>(c.kind);
  }
}

TEST(NeighbourhoodFilters, MismatchedViewsAreRefused) {
  TestFrame a(4, 4), b(5, 4);
  FilterScratch scratch = ScratchFor(5, 4);
  EXPECT_FALSE(ApplyBoxBlur(a.ConstView(), b.View(), 1, scratch));
  EXPECT_FALSE(ApplyMedian(a.ConstView(), b.View(), 1, scratch));
  FrameView shortRows{a.bytes.data(), 4, 4, 8};
  EXPECT_FALSE(ApplyWatercolour(a.ConstView(), shortRows, 3, scratch));
}

TEST(NeighbourhoodFilters, FastKernelsEqualReference) {
  std::mt19937 rng(2024);
  for (auto [w, h] : EqualitySizes()) {
    const bool big = w * h > 100000;
    for (bool extremes : {false, true}) {
      if (big && extremes) continue;
      TestFrame src(w, h);
      src.Randomise(rng, extremes);
      // The full-size frame checks one typical value of each parameter (the
      // references are slow under the sanitizers); every value runs on the
      // smaller frames.
      for (int r = big ? 2 : 0; r <= (big ? 2 : 7); ++r) {
        ExpectSameAsReference(ApplyBoxBlur, ApplyBoxBlur_ref, src, r, "blur");
        ExpectSameAsReference(ApplyUnsharpMask, ApplyUnsharpMask_ref, src, r, "unsharp");
      }
      for (int passes = big ? 2 : 0; passes <= (big ? 2 : 3); ++passes) {
        ExpectSameAsReference(ApplyMedian, ApplyMedian_ref, src, passes, "median");
      }
      for (int k = big ? 4 : 0; k <= (big ? 4 : 24); ++k) {
        ExpectSameAsReference(ApplyWatercolour, ApplyWatercolour_ref, src, k, "watercolour");
      }
    }
  }
  // Radii outside the dialog's range take the plain-division path.
  TestFrame src(23, 19);
  src.Randomise(rng);
  for (int r : {9, 30, 255}) {
    ExpectSameAsReference(ApplyBoxBlur, ApplyBoxBlur_ref, src, r, "blur");
    ExpectSameAsReference(ApplyUnsharpMask, ApplyUnsharpMask_ref, src, r, "unsharp");
  }
}

}  // namespace

#include "editor/filters/custom_filter.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>

#include "editor/filters/filters_test_support.h"

namespace {

const int8_t kIdentity[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};

TEST(CustomFilter, StartSettingsLeaveTheFrameAndStrengthTwoDoubles) {
  std::mt19937 rng(6);
  TestFrame src(7, 5);
  src.Randomise(rng);
  TestFrame out(7, 5);
  FilterScratch scratch = ScratchFor(7, 5);
  ASSERT_TRUE(ApplyCustomFilter(src.ConstView(), out.View(), kIdentity, 1, 0, 0, 0, scratch));
  std::string where;
  EXPECT_TRUE(out.SamePixels(src, &where)) << where;
  ASSERT_TRUE(ApplyCustomFilter(src.ConstView(), out.View(), kIdentity, 2, 0, 0, 0, scratch));
  for (int y = 0; y < 5; ++y)
    for (int i = 0; i < 21; ++i)
      ASSERT_EQ(out.Pixel(0, y)[i], std::min(255, 2 * src.Pixel(0, y)[i]));
}

TEST(CustomFilter, LaplacianWhitensFlatAreasAndDarkensDips) {
  const CustomFilterPreset* four = FindCustomFilterPreset(1017);
  ASSERT_NE(four, nullptr);
  TestFrame src(5, 5);
  src.Fill(100, 100, 100);
  src.Pixel(2, 2)[1] = 90;
  TestFrame out(5, 5);
  FilterScratch scratch = ScratchFor(5, 5);
  ASSERT_TRUE(ApplyCustomFilter(src.ConstView(), out.View(), four->coefficients, 1, four->base,
                                four->base, four->base, scratch));
  EXPECT_EQ(out.Pixel(2, 2)[1], 215);  // 255 + 4 * 90 - 4 * 100
  EXPECT_EQ(out.Pixel(3, 3)[1], 255);
  EXPECT_EQ(out.Pixel(2, 3)[1], 255);  // 255 + 10, clamped
  EXPECT_EQ(out.Pixel(2, 2)[0], 255);
}

TEST(CustomFilter, CornersAndEdgesUseOnlyNeighboursInside) {
  const int8_t ones[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  TestFrame src(4, 3);
  src.Fill(1, 1, 1);
  TestFrame out(4, 3);
  FilterScratch scratch = ScratchFor(4, 3);
  ASSERT_TRUE(ApplyCustomFilter(src.ConstView(), out.View(), ones, 1, 0, 0, 0, scratch));
  EXPECT_EQ(out.Pixel(0, 0)[0], 4);
  EXPECT_EQ(out.Pixel(3, 2)[2], 4);
  EXPECT_EQ(out.Pixel(1, 0)[1], 6);
  EXPECT_EQ(out.Pixel(0, 1)[1], 6);
  EXPECT_EQ(out.Pixel(1, 1)[1], 9);
}

TEST(CustomFilter, DownEmbossRespondsToABrightLowerHalf) {
  const CustomFilterPreset* down = FindCustomFilterPreset(1058);
  ASSERT_NE(down, nullptr);
  TestFrame src(6, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 6; ++x)
      for (int c = 0; c < 3; ++c)
        src.Pixel(x, y)[c] = y < 4 ? 200 : 0;  // memory row 0 is the bottom
  TestFrame out(6, 8);
  FilterScratch scratch = ScratchFor(6, 8);
  ASSERT_TRUE(ApplyCustomFilter(src.ConstView(), out.View(), down->coefficients, 1, down->base,
                                down->base, down->base, scratch));
  for (int x = 1; x < 5; ++x) {
    EXPECT_GT(out.Pixel(x, 3)[0], 128) << x;
    EXPECT_GT(out.Pixel(x, 4)[0], 128) << x;
    EXPECT_EQ(out.Pixel(x, 1)[0], 128) << x;
    EXPECT_EQ(out.Pixel(x, 6)[0], 128) << x;
  }
}

TEST(CustomFilter, RandomCoefficientsStayWithinMinusNineToTen) {
  EXPECT_EQ(RandomCoefficient(0), 10);
  EXPECT_EQ(RandomCoefficient(20), 10);
  EXPECT_EQ(RandomCoefficient(40000), 10);
  EXPECT_EQ(RandomCoefficient(19), -9);
  EXPECT_EQ(RandomCoefficient(RAND_MAX), 10 - RAND_MAX % 20);
  for (int draw : {0, 1, 19, 20, 12345, INT_MAX, -1, -20, INT_MIN}) {
    const int c = RandomCoefficient(draw);
    EXPECT_GE(c, -9) << draw;
    EXPECT_LE(c, 10) << draw;
  }
  for (int round = 0; round < 50; ++round) {
    int8_t c[9];
    uint8_t base[3] = {1, 2, 3};
    DrawRandomCoefficients(c, round % 2 ? base : nullptr);
    for (int8_t v : c) {
      ASSERT_GE(v, -9);
      ASSERT_LE(v, 10);
    }
  }
}

TEST(CustomFilter, FastKernelEqualsReference) {
  std::mt19937 rng(31);
  for (auto [w, h] : EqualitySizes()) {
    TestFrame src(w, h);
    src.Randomise(rng, w % 2 == 0);
    const bool big = w * h > 100000;
    FilterScratch scratch = ScratchFor(w, h);
    for (int round = 0; round < (big ? 3 : 12); ++round) {
      int8_t c[9];
      for (auto& v : c)
        v = static_cast<int8_t>(round == 1 ? (rng() % 2 ? 127 : -128) : int(rng() % 21) - 10);
      if (round < 10 && round >= 2) {
        const CustomFilterPreset& p = kCustomFilterPresets[round];
        std::copy(p.coefficients, p.coefficients + 9, c);
      }
      const int strength = round == 1 ? 255 : 1 + static_cast<int>(rng() % 50);
      const uint8_t br = static_cast<uint8_t>(rng()), bg = static_cast<uint8_t>(rng()),
                    bb = static_cast<uint8_t>(rng());
      TestFrame expected = src;
      ASSERT_TRUE(ApplyCustomFilter_ref(src.ConstView(), expected.View(), c,
                                        static_cast<uint8_t>(strength), br, bg, bb, scratch));
      TestFrame got(w, h, 0x77);
      ASSERT_TRUE(ApplyCustomFilter(src.ConstView(), got.View(), c, static_cast<uint8_t>(strength),
                                    br, bg, bb, scratch));
      std::string where;
      ASSERT_TRUE(got.SamePixels(expected, &where))
          << w << "x" << h << " round " << round << " at " << where;
      for (int y = 0; y < h; ++y)
        for (ptrdiff_t i = 3 * w; i < got.stride; ++i)
          ASSERT_EQ(got.bytes[y * got.stride + i], 0x77);
    }
  }
}

}  // namespace

#include "editor/filters/edge_extraction.h"

#include <gtest/gtest.h>

#include <random>

#include "editor/filters/filters_test_support.h"
#include "editor/filters/neighbourhood_filters.h"

namespace {

bool IsWhite(const uint8_t* p) {
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

// True for pixels the operator leaves unwritten.
bool Unwritten(int op, int x, int y, int w, int h) {
  if (op == kEdgeDifference || op == kEdgeRoberts) return x == w - 1 || y == h - 1;
  return x == 0 || y == 0 || x == w - 1 || y == h - 1;
}

TEST(EdgeExtraction, UniformFrameTurnsWhiteInsideItsBorder) {
  for (int op = 0; op < 3; ++op) {
    TestFrame src(7, 5);
    src.Fill(10, 60, 110);
    TestFrame dst(7, 5);
    FilterScratch scratch = ScratchFor(7, 5);
    ASSERT_TRUE(
        ApplyEdgeExtraction(src.ConstView(), dst.View(), 0, static_cast<uint8_t>(op), scratch));
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        if (Unwritten(op, x, y, 7, 5)) {
          EXPECT_EQ(dst.Pixel(x, y)[1], 60) << "op " << op << " at " << x << "," << y;
        } else {
          EXPECT_TRUE(IsWhite(dst.Pixel(x, y))) << "op " << op << " at " << x << "," << y;
        }
      }
  }
}

TEST(EdgeExtraction, StepKeepsTheDarkSideOfTheDifference) {
  TestFrame src(6, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const uint8_t v = x < 3 ? 0 : 255;
      for (int c = 0; c < 3; ++c) src.Pixel(x, y)[c] = v;
    }
  TestFrame dst(6, 4);
  FilterScratch scratch = ScratchFor(6, 4);
  ASSERT_TRUE(ApplyEdgeExtraction(src.ConstView(), dst.View(), 50, kEdgeDifference, scratch));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      if (x == 2) {
        EXPECT_EQ(dst.Pixel(x, y)[0], 0) << "step pixel in row " << y;
      } else {
        EXPECT_TRUE(IsWhite(dst.Pixel(x, y))) << x << "," << y;
      }
    }
  EXPECT_EQ(dst.Pixel(2, 3)[0], 0);  // top row unwritten, keeps black
}

TEST(EdgeExtraction, ThresholdValueItselfIsNotAnEdge) {
  for (int op = 0; op < 3; ++op) {
    // A vertical step between columns 2 and 3 gives pixel (2, 1) the response
    // step (differences, Roberts) or 4 x step (Sobel: 2 + 1 + 1).
    const int weight = op == kEdgeSobel ? 4 : 1;
    for (int t : {0, 4, 36, 200, 252}) {
      for (int step : {t / weight, t / weight + 1}) {
        if (step > 255) continue;
        TestFrame src(5, 5);
        src.Fill(0, 0, 0);
        for (int y = 0; y < 5; ++y)
          for (int x = 3; x < 5; ++x) src.Pixel(x, y)[2] = static_cast<uint8_t>(step);
        TestFrame dst(5, 5);
        FilterScratch scratch = ScratchFor(5, 5);
        ASSERT_TRUE(ApplyEdgeExtraction(src.ConstView(), dst.View(), static_cast<uint8_t>(t),
                                        static_cast<uint8_t>(op), scratch));
        const bool edge = weight * step > t;
        EXPECT_EQ(!IsWhite(dst.Pixel(2, 1)), edge) << "op " << op << " t " << t << " step " << step;
      }
    }
  }
}

TEST(EdgeExtraction, ThresholdMaxWhitensEveryWrittenPixel) {
  std::mt19937 rng(3);
  TestFrame src(9, 8);
  src.Randomise(rng);
  for (int op = 0; op < 2; ++op) {
    TestFrame dst(9, 8);
    FilterScratch scratch = ScratchFor(9, 8);
    ASSERT_TRUE(
        ApplyEdgeExtraction(src.ConstView(), dst.View(), 255, static_cast<uint8_t>(op), scratch));
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_TRUE(IsWhite(dst.Pixel(x, y))) << op << " " << x << "," << y;
  }
}

TEST(EdgeExtraction, OnePixelWideOrHighChangesNothing) {
  std::mt19937 rng(4);
  for (auto [w, h] : {std::pair{1, 6}, std::pair{6, 1}, std::pair{1, 1}}) {
    TestFrame src(w, h);
    src.Randomise(rng);
    for (int op = 0; op < 4; ++op) {
      TestFrame work(w, h);
      TestFrame frame = src;
      FilterScratch scratch = ScratchFor(w, h);
      ASSERT_TRUE(RunEdgeExtraction(frame.View(), work.View(), 0, static_cast<uint8_t>(op), false,
                                    scratch));
      std::string where;
      EXPECT_TRUE(frame.SamePixels(src, &where)) << where;
    }
  }
}

TEST(EdgeExtraction, SharpenFirstKeepsTheSharpenedColours) {
  std::mt19937 rng(5);
  TestFrame src(12, 10);
  src.Randomise(rng);
  TestFrame sharpened(12, 10);
  FilterScratch scratch = ScratchFor(12, 10);
  ASSERT_TRUE(ApplyUnsharpMask(src.ConstView(), sharpened.View(), 3, scratch));
  TestFrame frame = src, work(12, 10);
  ASSERT_TRUE(RunEdgeExtraction(frame.View(), work.View(), 0, kEdgeSobel, true, scratch));
  TestFrame expected = sharpened;
  ASSERT_TRUE(
      ApplyEdgeExtraction_ref(sharpened.ConstView(), expected.View(), 0, kEdgeSobel, scratch));
  std::string where;
  EXPECT_TRUE(frame.SamePixels(expected, &where)) << where;
  // Border pixels keep the sharpened values, which differ from the originals.
  int differing = 0;
  for (int x = 0; x < 12; ++x) differing += frame.Pixel(x, 0)[0] != src.Pixel(x, 0)[0];
  EXPECT_GT(differing, 0);
}

TEST(EdgeExtraction, FastKernelEqualsReference) {
  std::mt19937 rng(77);
  for (auto [w, h] : EqualitySizes()) {
    const bool big = w * h > 100000;
    for (bool extremes : {false, true}) {
      if (big && extremes) continue;
      TestFrame src(w, h);
      src.Randomise(rng, extremes);
      FilterScratch scratch = ScratchFor(w, h);
      for (int op = 0; op < (big ? 3 : 4); ++op) {
        for (int t : {0, 1, 50, 128, 254, 255}) {
          if (big && t != 50) continue;
          TestFrame expected = src;
          ASSERT_TRUE(ApplyEdgeExtraction_ref(src.ConstView(), expected.View(),
                                              static_cast<uint8_t>(t), static_cast<uint8_t>(op),
                                              scratch));
          TestFrame got(w, h, 0x3C);
          ASSERT_TRUE(ApplyEdgeExtraction(src.ConstView(), got.View(), static_cast<uint8_t>(t),
                                          static_cast<uint8_t>(op), scratch));
          std::string where;
          ASSERT_TRUE(got.SamePixels(expected, &where))
              << w << "x" << h << " op " << op << " t " << t << " at " << where;
          for (int y = 0; y < h; ++y)
            for (ptrdiff_t i = 3 * w; i < got.stride; ++i)
              ASSERT_EQ(got.bytes[y * got.stride + i], 0x3C);
        }
      }
    }
  }
}

}  // namespace

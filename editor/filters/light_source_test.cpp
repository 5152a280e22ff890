#include "editor/filters/light_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "editor/filters/filters_test_support.h"

namespace {

TEST(LightSource, PixelUnderTheLightTurnsWhite) {
  for (int k : {0, 1, 500}) {
    TestFrame f(5, 4);
    f.Fill(3, 4, 5);
    ASSERT_TRUE(ApplyLightSource(f.View(), 2, 1, k, 0, 0, 0));
    EXPECT_EQ(f.Pixel(2, 1)[0], 255);
    EXPECT_EQ(f.Pixel(2, 1)[2], 255);
  }
}

TEST(LightSource, StrengthZeroChangesOnlyThePixelUnderTheLight) {
  std::mt19937 rng(1);
  TestFrame f(9, 6);
  f.Randomise(rng);
  const TestFrame before = f;
  ASSERT_TRUE(ApplyLightSource(f.View(), 4, 3, 0, 255, 255, 255));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(f.Pixel(x, y)[c], (x == 4 && y == 3) ? 255 : before.Pixel(x, y)[c]);
}

TEST(LightSource, BlackFrameLitRedGainsRedOnly) {
  TestFrame f(8, 8);
  f.Fill(0, 0, 0);
  ASSERT_TRUE(ApplyLightSource(f.View(), 3, 3, LightReach(50, 8), 255, 0, 0));
  int lit = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      if (x == 3 && y == 3) continue;
      EXPECT_EQ(f.Pixel(x, y)[0], 0);
      EXPECT_EQ(f.Pixel(x, y)[1], 0);
      lit += f.Pixel(x, y)[2] > 0;
    }
  EXPECT_GT(lit, 0);
  // k = (50 * 8) >> 4 = 25, h = 625 / 255 = 2; one step to the side: 255 * 2 / 1.
  EXPECT_EQ(f.Pixel(4, 3)[2], 255);
  // (6, 7): d = 16 + 9 = 25, 510 / 25 = 20.
  EXPECT_EQ(f.Pixel(6, 7)[2], 20);
}

TEST(LightSource, WideFramesDoNotOverflow) {
  // 4000 columns at full strength: k = 63750 and k * k no longer fits 32 bits.
  TestFrame f(4000, 1);
  f.Fill(0, 0, 0);
  const int32_t k = LightReach(255, 4000);
  ASSERT_EQ(k, 63750);
  ASSERT_TRUE(ApplyLightSource(f.View(), 0, 0, k, 255, 0, 0));
  // h = 63750^2 / 255 = 15937500; at x = 3999, d = 15992001: 255 * h / d = 254.
  EXPECT_EQ(f.Pixel(3999, 0)[2], 254);
  EXPECT_EQ(f.Pixel(3999, 0)[0], 0);
}

TEST(LightSource, ThumbnailKeepsAspectAndMarkersMapOntoTheFrame) {
  const ThumbnailRect wide = ComputeThumbnailRect(640, 480);
  EXPECT_EQ(wide.width, 128);
  EXPECT_EQ(wide.height, 96);
  EXPECT_EQ(wide.left, 10);
  EXPECT_EQ(wide.top, 26);
  const ThumbnailRect tall = ComputeThumbnailRect(480, 640);
  EXPECT_EQ(tall.width, 96);
  EXPECT_EQ(tall.left, 26);
  EXPECT_EQ(tall.top, 10);
  // A sliver still gets a one-pixel-wide thumbnail, so that mapping works.
  const ThumbnailRect sliver = ComputeThumbnailRect(1, 300);
  EXPECT_EQ(sliver.width, 1);
  EXPECT_EQ(MapMarkerToFrame(74, 74, sliver, 1, 300).x, 0);

  const FramePoint centre = MapMarkerToFrame(74, 74, wide, 640, 480);
  EXPECT_EQ(centre.x, 320);
  EXPECT_EQ(centre.y, 240);
  // The top-left corner maps one row above the picture: nothing turns white.
  const FramePoint corner = MapMarkerToFrame(wide.left, wide.top, wide, 640, 480);
  EXPECT_EQ(corner.x, 0);
  EXPECT_EQ(corner.y, 480);
  TestFrame f(16, 12);
  f.Fill(0, 0, 0);
  const ThumbnailRect small = ComputeThumbnailRect(16, 12);
  const FramePoint p = MapMarkerToFrame(small.left, small.top, small, 16, 12);
  ASSERT_TRUE(ApplyLightSource(f.View(), p.x, p.y, 1, 9, 9, 9));
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_NE(f.Pixel(x, y)[0], 255);
}

LightAnimationSettings BaseSettings() {
  LightAnimationSettings s;
  s.frameWidth = 640;
  s.frameHeight = 480;
  s.thumb = ComputeThumbnailRect(640, 480);
  return s;
}

TEST(LightAnimation, ColourFollowsTheSineTableAndWrapsAfter256Frames) {
  LightAnimationSettings s = BaseSettings();
  s.rgbPeriod = 50;
  s.rgbMode = 0;
  LightAnimation an;
  StartLightAnimation(&an, s);
  std::vector<LightParameters> frames;
  for (int i = 0; i < 257; ++i) frames.push_back(NextLightParameters(&an));
  // Frame 0: counter 170. Blue: index 170 * 256 / 50 mod 256 = 870 mod 256 = 102.
  EXPECT_EQ(frames[0].blue, static_cast<int>((std::sin(102 * 0.0245436921875) + 1) * 127.5));
  // Red: (170 + 86) mod 256 = 0, index 0: sin 0 = 0 gives 127.
  EXPECT_EQ(frames[0].red, 127);
  // Green: (170 - 85) = 85, index 85 * 256 / 50 = 435 mod 256 = 179.
  EXPECT_EQ(frames[0].green, static_cast<int>((std::sin(179 * 0.0245436921875) + 1) * 127.5));
  EXPECT_NE(frames[0].red, frames[0].green);
  EXPECT_EQ(frames[256].red, frames[0].red);
  EXPECT_EQ(frames[256].green, frames[0].green);
  EXPECT_EQ(frames[256].blue, frames[0].blue);
  // Position and strength stay put.
  EXPECT_EQ(frames[7].lx, 320);
  EXPECT_EQ(frames[7].ly, 240);
  EXPECT_EQ(frames[7].k, LightReach(50, 640));
}

TEST(LightAnimation, StrengthModesStayWithinTheirRanges) {
  for (int mode = 0; mode < 3; ++mode) {
    LightAnimationSettings s = BaseSettings();
    s.strength = 100;
    s.strengthPeriod = 32;
    s.strengthMode = mode;
    LightAnimation an;
    StartLightAnimation(&an, s);
    const int f = LightReach(100, 640), fmax = LightReach(255, 640);
    int lowest = INT32_MAX, highest = 0;
    for (int i = 0; i < 64; ++i) {
      const int k = NextLightParameters(&an).k;
      lowest = std::min(lowest, k);
      highest = std::max(highest, k);
    }
    const int expectLow = mode == 2 ? f : 0;
    const int expectHigh = mode == 1 ? f : fmax;
    EXPECT_LE(std::abs(lowest - expectLow), 1) << "mode " << mode;
    EXPECT_LE(std::abs(highest - expectHigh), 1) << "mode " << mode;
  }
}

TEST(LightAnimation, LightCirclesTheEndPoint) {
  LightAnimationSettings s = BaseSettings();
  s.positionPeriod = 256;
  s.markerX = 100;  // frame (450, 240)
  s.endX = 74;      // frame (320, 240)
  LightAnimation an;
  StartLightAnimation(&an, s);
  const LightParameters first = NextLightParameters(&an);
  EXPECT_NEAR(first.lx, 450, 1);
  EXPECT_NEAR(first.ly, 240, 1);
  for (int i = 1; i < 300; ++i) {
    const LightParameters p = NextLightParameters(&an);
    const double r = std::hypot(p.lx - 320.0, p.ly - 240.0);
    ASSERT_NEAR(r, 130, 1.5) << "frame " << i;
  }
  // Both markers at one place: the run has no position variation.
  s.endX = s.markerX;
  StartLightAnimation(&an, s);
  for (int i = 0; i < 5; ++i) {
    const LightParameters p = NextLightParameters(&an);
    EXPECT_EQ(p.lx, 450);
    EXPECT_EQ(p.ly, 240);
  }
}

TEST(LightSource, FastKernelEqualsReference) {
  std::mt19937 rng(99);
  for (auto [w, h] : EqualitySizes()) {
    TestFrame src(w, h);
    src.Randomise(rng);
    const int32_t lights[][3] = {
        {0, 0, 0},
        {w / 2, h / 2, LightReach(50, w)},
        {w - 1, h, LightReach(255, w)},
        {-7, h + 30, 40},
        {w / 3, h / 4, 5000000},
        {2000000000, -2000000000, 2147483647},
        {static_cast<int32_t>(rng() % (w + 1)), static_cast<int32_t>(rng() % (h + 1)), 90},
    };
    for (const auto& l : lights) {
      TestFrame expected = src, got = src;
      const uint8_t r = static_cast<uint8_t>(rng()), g = static_cast<uint8_t>(rng()), b = 255;
      ASSERT_TRUE(ApplyLightSource_ref(expected.View(), l[0], l[1], l[2], r, g, b));
      ASSERT_TRUE(ApplyLightSource(got.View(), l[0], l[1], l[2], r, g, b));
      std::string where;
      ASSERT_TRUE(got.SamePixels(expected, &where))
          << w << "x" << h << " light " << l[0] << "," << l[1] << " k " << l[2] << " at " << where;
    }
  }
}

}  // namespace

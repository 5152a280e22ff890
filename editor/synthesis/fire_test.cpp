#include "editor/synthesis/fire.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
struct Steps {
  const char* channel;
  uint8_t FireColour::*member;
  std::vector<std::pair<int, int>> steps;  // heat:value, as the palette is listed
};

bool SameField(const FireField& a, const FireField& b) {
  return a.width == b.width && a.height == b.height &&
         std::memcmp(a.heat.get(), b.heat.get(), size_t(a.width) * a.height) == 0;
}
}  // namespace

TEST(FirePalette, ChannelsStepAtTheListedHeats) {
  const Steps channels[] = {
      {"red",
       &FireColour::red,
       {{0, 0},
        {15, 0},
        {16, 1},
        {19, 2},
        {27, 5},
        {66, 38},
        {100, 93},
        {139, 184},
        {161, 247},
        {166, 247},
        {167, 255},
        {255, 255}}},
      {"green",
       &FireColour::green,
       {{83, 0},
        {84, 1},
        {89, 2},
        {131, 32},
        {132, 34},
        {163, 158},
        {164, 170},
        {175, 247},
        {180, 247},
        {181, 255}}},
      {"blue",
       &FireColour::blue,
       {{130, 0}, {131, 1}, {175, 24}, {176, 29}, {198, 164}, {208, 247}, {212, 247}, {213, 255}}},
  };
  for (const Steps& c : channels) {
    for (auto [heat, value] : c.steps)
      EXPECT_EQ(FirePalette(heat).*c.member, value) << c.channel << " at heat " << heat;
    for (int heat = 1; heat < 256; ++heat)
      EXPECT_LE(FirePalette(heat - 1).*c.member, FirePalette(heat).*c.member)
          << c.channel << " falls at heat " << heat;
  }
  for (int heat = 0; heat < 16; ++heat) {
    const FireColour c = FirePalette(heat);
    EXPECT_EQ(c.red | c.green | c.blue, 0) << "heat " << heat;
  }
  for (int heat = 213; heat < 256; ++heat) {
    const FireColour c = FirePalette(heat);
    EXPECT_EQ(c.red & c.green & c.blue, 255) << "heat " << heat;
  }
}

TEST(FireField, StepMatchesReferenceOnEveryShape) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 1}, {7, 40}, {17, 5}, {640, 48}}) {
    FireField fast, ref;
    ASSERT_TRUE(CreateFireField(&fast, w, h));
    ASSERT_TRUE(CreateFireField(&ref, w, h));
    for (int step = 0; step < 12; ++step) {
      std::srand(1000u + step);
      StepFire(&fast, w / 2 + 1, w / 4, 0);
      std::srand(1000u + step);
      StepFire_ref(&ref, w / 2 + 1, w / 4, 0);
      ASSERT_TRUE(SameField(fast, ref)) << w << "x" << h << " step " << step;
    }
    // The smoothing by itself, on a field full of heat.
    for (int i = 0; i < w * h; ++i) fast.heat[i] = ref.heat[i] = uint8_t(i * 37 + 255);
    FireSmooth(&fast);
    FireSmooth_ref(&ref);
    EXPECT_TRUE(SameField(fast, ref)) << w << "x" << h;
  }
}

TEST(FireField, SmoothingSpreadsUpAndCoolsByHand) {
  FireField f;
  ASSERT_TRUE(CreateFireField(&f, 3, 2));
  // row 0: 0 200 0; row 1: 0 0 0
  f.Row(0)[1] = 200;
  FireSmooth(&f);
  // Row 1 first, from unsmoothed row 0: (0+0+0+0)/4=0, (0+0+0+200)/4=50, (0+50+0+0)/4=12.
  EXPECT_EQ(f.Row(1)[0], 0);
  EXPECT_EQ(f.Row(1)[1], 50);
  EXPECT_EQ(f.Row(1)[2], 12);
  // Row 0 with nothing below: (0+0+200)/4=50, (200+50+0)/4=62, (0+62)/4=15.
  EXPECT_EQ(f.Row(0)[0], 50);
  EXPECT_EQ(f.Row(0)[1], 62);
  EXPECT_EQ(f.Row(0)[2], 15);
}

TEST(FireField, SparksLandNearTheBaseAndNeverOutside) {
  FireField f;
  ASSERT_TRUE(CreateFireField(&f, 40, 10));
  std::srand(7);
  for (int i = 0; i < 50; ++i) StepFire(&f, 20, 10, 8);  // base near the top edge: clamped
  int hot = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 40; ++x) hot += f.Row(y)[x] > 0;
  EXPECT_GT(hot, 0);
  FireField none;
  EXPECT_FALSE(CreateFireField(&none, 0, 5));
  EXPECT_FALSE(CreateFireField(&none, 5, -1));
}

TEST(Flames, HeatAddsItsColourAndSaturates) {
  // 2 x 3 picture, stride 8 with padding; line 1 from the top.
  struct Case {
    uint8_t heat;
    uint8_t pixel;  // every channel before
    uint8_t blue, green, red;
  } cases[] = {
      {255, 0, 255, 255, 255}, {255, 90, 255, 255, 255}, {15, 90, 90, 90, 90},
      {0, 7, 7, 7, 7},         {100, 0, 0, 3, 93},       {100, 200, 200, 203, 255},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> pixels(8 * 3, c.pixel), ref;
    for (int y = 0; y < 3; ++y) pixels[y * 8 + 6] = pixels[y * 8 + 7] = 0xEE;  // padding
    ref = pixels;
    FireField f;
    ASSERT_TRUE(CreateFireField(&f, 2, 3));
    f.Row(0)[1] = c.heat;  // onto the line itself, column 1
    FrameView view{pixels.data(), 2, 3, 8}, refView{ref.data(), 2, 3, 8};
    AddFlames(view, f, 1);
    AddFlames_ref(refView, f, 1);
    EXPECT_EQ(pixels, ref) << "heat " << int(c.heat);
    const uint8_t* p = &pixels[1 * 8 + 3];  // line 1 from the top is DIB row 1 of 3
    EXPECT_EQ(p[0], c.blue) << "heat " << int(c.heat);
    EXPECT_EQ(p[1], c.green) << "heat " << int(c.heat);
    EXPECT_EQ(p[2], c.red) << "heat " << int(c.heat);
    EXPECT_EQ(pixels[1 * 8 + 6], 0xEE) << "padding untouched";
  }
}

TEST(Flames, FieldRowsClimbAboveTheLine) {
  for (auto [w, h, line] : {std::tuple{1, 1, 0}, {3, 5, 4}, {7, 6, 2}, {17, 9, 8}, {16, 4, 0}}) {
    const ptrdiff_t stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(size_t(stride) * h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 13);
    std::vector<uint8_t> ref = pixels;
    FireField f;
    ASSERT_TRUE(CreateFireField(&f, w, h));
    for (int i = 0; i < w * h; ++i) f.heat[i] = uint8_t(i * 29 + 11);
    AddFlames({pixels.data(), w, h, stride}, f, line);
    AddFlames_ref({ref.data(), w, h, stride}, f, line);
    EXPECT_EQ(pixels, ref) << w << "x" << h << " line " << line;
  }
}

TEST(Scorch, LineTurnsBlackWithAshAbove) {
  const int w = 64, h = 8, line = 5;
  const ptrdiff_t stride = w * 3;
  std::vector<uint8_t> pixels(size_t(stride) * h, 77);
  std::srand(3);
  ScorchLine({pixels.data(), w, h, stride}, line);
  auto at = [&](int top, int x) { return pixels[size_t(h - 1 - top) * stride + 3 * x]; };
  int seen[4] = {};
  for (int x = 0; x < w; ++x) {
    EXPECT_EQ(at(line, x), 0);
    EXPECT_EQ(at(line - 1, x), 50) << "every column gets the darkest ash";
    EXPECT_EQ(at(line + 1, x), 77) << "below the line is left as it was";
    EXPECT_EQ(at(0, x), 77) << "five rows up is clear of ash";
    int rows = 0;
    while (rows < 4 && at(line - 1 - rows, x) == 50 + 50 * rows) ++rows;
    ++seen[rows - 1];
    for (int i = rows; i < 4; ++i) EXPECT_EQ(at(line - 1 - i, x), 77);
  }
  for (int rows = 0; rows < 4; ++rows) EXPECT_GT(seen[rows], 0) << rows + 1 << " rows of ash";
  // Near the top the ash stops at row 0.
  ScorchLine({pixels.data(), w, h, stride}, 1);
  EXPECT_EQ(at(0, 0), 50);
}

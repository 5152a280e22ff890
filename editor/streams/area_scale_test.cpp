#include "editor/streams/area_scale.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One channel's values row by row, bottom row first; the other two channels
// carry 0 and 255 - value, so a mixed-up channel shows.
std::vector<uint8_t> Pixels(const std::vector<int>& values) {
  std::vector<uint8_t> out;
  for (int v : values)
    out.insert(out.end(), {static_cast<uint8_t>(v), 0, static_cast<uint8_t>(255 - v)});
  return out;
}

TEST(AreaScale, EachOutputPixelAveragesTheAreaItCovers) {
  struct Case {
    const char* name;
    int sourceWidth, sourceHeight;
    std::vector<int> source;
    int width, height;
    std::vector<int> expected;
    bool topDown;  // the source rows stored the other way up
  } cases[] = {
      {"half", 4, 2, {10, 20, 30, 50, 30, 40, 70, 90}, 2, 1, {25, 60}, false},
      {"a third, rounded", 3, 3, {0, 0, 0, 0, 0, 0, 0, 1, 4}, 1, 1, {1}, false},  // 5 / 9
      {"a third, down", 3, 3, {0, 0, 0, 0, 0, 0, 0, 0, 4}, 1, 1, {0}, false},     // 4 / 9
      // Thirds: 2/3 of the first pixel and 1/3 of the second, and back.
      {"three to two", 3, 1, {30, 60, 90}, 2, 1, {40, 80}, false},
      {"grown", 1, 1, {77}, 3, 2, {77, 77, 77, 77, 77, 77}, false},
      {"one and a half", 2, 1, {0, 200}, 3, 1, {0, 100, 200}, false},
      {"kept", 2, 2, {1, 2, 3, 4}, 2, 2, {1, 2, 3, 4}, false},
      {"top-down source", 2, 2, {1, 2, 3, 4}, 2, 2, {3, 4, 1, 2}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> source = Pixels(c.source);
    std::vector<uint8_t> target(static_cast<size_t>(c.width) * c.height * 3, 1);
    const ptrdiff_t sourceStride = c.sourceWidth * 3;
    Frame24View from{source.data(), c.sourceWidth, c.sourceHeight, sourceStride};
    if (c.topDown) {
      from.rows = source.data() + (c.sourceHeight - 1) * sourceStride;
      from.stride = -sourceStride;
    }
    AreaScaler scaler;
    ASSERT_TRUE(StartAreaScaler(&scaler, c.sourceWidth, c.sourceHeight, c.width, c.height));
    ScaleByArea(&scaler, from, {target.data(), c.width, c.height, c.width * 3});
    EXPECT_EQ(target, Pixels(c.expected));
  }
  AreaScaler scaler;
  EXPECT_FALSE(StartAreaScaler(&scaler, 4, 4, 0, 2));
}

}  // namespace

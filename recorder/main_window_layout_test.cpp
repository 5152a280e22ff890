#include "recorder/main_window_layout.h"

#include <gtest/gtest.h>

namespace {
// Classic Windows metrics: 4-pixel sizing frame, 19-pixel caption.
constexpr WindowMetrics kScreen1024{1024, 768, 4, 4, 19};
}  // namespace

TEST(MainWindowLayout, SizesFollowTheSystemMetrics) {
  EXPECT_EQ(MainWindowWidth(kScreen1024), 5 * 4 + 144 + 73);
  EXPECT_EQ(MainWindowFoldedHeight(kScreen1024), 2 * 4 + 19 + 27);
}

TEST(MainWindowLayout, FirstStartIsCentredOnBothAxesForTheFoldedHeight) {
  // Without a settings file the saved position is the screen size itself.
  MainWindowPlacement p = PlaceMainWindow(kScreen1024, 1024, 768, true);
  EXPECT_EQ(p.x, (1024 - 237) / 2);
  EXPECT_EQ(p.y, (768 - 54) / 2) << "centred for the folded height even when unfolded";
  EXPECT_EQ(p.height, 300);
}

TEST(MainWindowLayout, PositionFromALargerScreenIsCentredOnlyWhereItFallsOff) {
  MainWindowPlacement p = PlaceMainWindow(kScreen1024, 1500, 200, false);
  EXPECT_EQ(p.x, (1024 - 237) / 2);
  EXPECT_EQ(p.y, 200);
  EXPECT_EQ(p.height, 54);
}

TEST(MainWindowLayout, NegativePositionsAreKeptAsSaved) {
  MainWindowPlacement p = PlaceMainWindow(kScreen1024, -40, -3, true);
  EXPECT_EQ(p.x, -40);
  EXPECT_EQ(p.y, -3);
  // One pixel inside the screen is a real position, not the "never placed" mark.
  EXPECT_EQ(PlaceMainWindow(kScreen1024, 1023, 767, true).x, 1023);
}

#include "recorder/page_rules.h"

#include <gtest/gtest.h>

#include "recorder/resource.h"

TEST(PageRules, EnablingFollowsTheModeTheFlagsAndTheRecording) {
  struct Case {
    const char* label;
    uint8_t regionMode, useActiveWindow, bitmapSequence, recordSound;
    PageState state;
    int id;
    bool enabled;
  };
  const PageState idle{false, false}, recording{true, true}, withDd{false, true};
  const Case cases[] = {
      {"fixed: position", 0, 0, 0, 0, idle, IDC_RANGE_X, true},
      {"fixed: size", 0, 0, 0, 0, idle, IDC_RANGE_HEIGHT, true},
      {"fixed: range button", 0, 0, 0, 0, idle, IDC_SELECT_RANGE, true},
      {"fixed: client only", 0, 0, 0, 0, idle, IDC_CLIENT_ONLY, false},
      {"fixed: active window", 0, 0, 0, 0, idle, IDC_ACTIVE_WINDOW, false},
      {"fixed: list", 0, 0, 0, 0, idle, IDC_WINDOW_LIST, false},
      {"fixed: click", 0, 0, 0, 0, idle, IDC_PICK_BY_CLICK, false},
      {"cursor: x", 1, 0, 0, 0, idle, IDC_RANGE_X, false},
      {"cursor: y", 1, 0, 0, 0, idle, IDC_RANGE_Y, false},
      {"cursor: width", 1, 0, 0, 0, idle, IDC_RANGE_WIDTH, true},
      {"cursor: its check", 1, 0, 0, 0, idle, IDC_FOLLOW_CURSOR, true},
      {"window: x", 2, 0, 0, 0, idle, IDC_RANGE_X, false},
      {"window: height", 2, 0, 0, 0, idle, IDC_RANGE_HEIGHT, false},
      {"window: cursor check", 2, 0, 0, 0, idle, IDC_FOLLOW_CURSOR, false},
      {"window: range button", 2, 0, 0, 0, idle, IDC_SELECT_RANGE, false},
      {"window: client only", 2, 0, 0, 0, idle, IDC_CLIENT_ONLY, true},
      {"window: list", 2, 0, 0, 0, idle, IDC_WINDOW_LIST, true},
      {"window, active: list", 2, 1, 0, 0, idle, IDC_WINDOW_LIST, false},
      {"window, active: click", 2, 1, 0, 0, idle, IDC_PICK_BY_CLICK, false},
      {"window, active: its check", 2, 1, 0, 0, idle, IDC_ACTIVE_WINDOW, true},
      {"window mode check always", 2, 1, 0, 0, idle, IDC_WINDOW_MODE, true},
      {"spin always", 2, 0, 0, 0, idle, IDC_SPIN_X, true},
      {"sound", 0, 0, 0, 0, idle, IDC_RECORD_SOUND, true},
      {"sound, bitmaps", 0, 0, 1, 1, idle, IDC_RECORD_SOUND, false},
      {"format, no sound", 0, 0, 0, 0, idle, IDC_SOUND_FORMAT, false},
      {"format, sound", 0, 0, 0, 1, idle, IDC_SOUND_FORMAT, true},
      {"format, sound, bitmaps", 0, 0, 1, 1, idle, IDC_SOUND_FORMAT, false},
      {"DirectDraw missing", 0, 0, 0, 0, idle, IDC_USE_DIRECTDRAW, false},
      {"DirectDraw there", 0, 0, 0, 0, withDd, IDC_USE_DIRECTDRAW, true},
      {"codec idle", 0, 0, 0, 0, idle, IDC_TEMP_CODEC, true},
      {"recording: window mode check", 2, 0, 0, 0, recording, IDC_WINDOW_MODE, false},
      {"recording: codec", 0, 0, 0, 0, recording, IDC_TEMP_CODEC, false},
      {"recording: folder", 0, 0, 0, 0, recording, IDC_SAVE_FOLDER, false},
      {"recording: DirectDraw", 0, 0, 0, 0, recording, IDC_USE_DIRECTDRAW, false},
  };
  for (const Case& c : cases) {
    CaptureSettings s;
    s.regionMode = c.regionMode;
    s.useActiveWindow = c.useActiveWindow;
    s.bitmapSequence = c.bitmapSequence;
    s.recordSound = c.recordSound;
    EXPECT_EQ(PageControlEnabled(c.id, s, c.state), c.enabled) << c.label;
  }
}

TEST(PageRules, TheTwoChecksMakeTheRegionMode) {
  EXPECT_EQ(RegionModeFromChecks(false, false), kRegionFixed);
  EXPECT_EQ(RegionModeFromChecks(true, false), kRegionCursor);
  EXPECT_EQ(RegionModeFromChecks(false, true), kRegionWindow);
  EXPECT_EQ(RegionModeFromChecks(true, true), kRegionWindow);
}

TEST(FinishDrag, EveryDirectionEndsWithTheTopLeftCornerAndAPositiveSize) {
  struct Case {
    int32_t fromX, fromY, toX, toY;
    int32_t x, y, width, height;
  };
  const Case cases[] = {
      {300, 200, 100, 50, 100, 50, 200, 150},  // up and to the left
      {100, 50, 300, 200, 100, 50, 200, 150},  // down and to the right
      {300, 50, 100, 200, 100, 50, 200, 150},  // down and to the left
      {100, 200, 300, 50, 100, 50, 200, 150},  // up and to the right
      {40, 60, 40, 60, 40, 60, 0, 0},          // a click without a drag
  };
  for (const Case& c : cases) {
    int32_t x = c.fromX, y = c.fromY, width = 0, height = 0;
    FinishDrag(&x, &y, &width, &height, c.toX, c.toY);
    EXPECT_EQ(x, c.x) << c.fromX << "," << c.fromY << " to " << c.toX << "," << c.toY;
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
}

#include "editor/filter_dialogs/filter_dialog_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(PanBars, FourCasesAsGeometry) {
  struct Case {
    int w, h;
    PreviewPane pane;
    BarPlacement vertical, horizontal;
  };
  const Case cases[] = {
      // Smaller than the pane: both hidden.
      {100, 80, kRgbPane, {}, {}},
      {128, 128, kRgbPane, {}, {}},
      // Only wider: the horizontal bar right below the lower picture.
      {320, 100, kStrengthPane, {}, {true, 10, 105, 160, 15, 160}},
      // Only taller: the vertical bar right beside the narrower picture.
      {100, 300, kEdgePane, {true, 120, 5, 15, 160, 140}, {}},
      // Both: beside and below the pane.
      {640, 480, kCustomPane, {true, 170, 10, 15, 160, 320}, {true, 10, 170, 160, 15, 480}},
  };
  for (const Case& c : cases) {
    const PanBars bars = PlanPanBars(c.w, c.h, c.pane);
    for (auto [got, want] :
         {std::pair{bars.vertical, c.vertical}, {bars.horizontal, c.horizontal}}) {
      EXPECT_EQ(got.visible, want.visible) << c.w << "x" << c.h;
      if (!want.visible) continue;
      EXPECT_EQ(got.x, want.x) << c.w << "x" << c.h;
      EXPECT_EQ(got.y, want.y);
      EXPECT_EQ(got.width, want.width);
      EXPECT_EQ(got.height, want.height);
      EXPECT_EQ(got.max, want.max);
    }
  }
}

TEST(PaneSource, PansClampedAndRowsCountedFromTheStoredEnd) {
  struct Case {
    int w, h;
    bool topDown;
    int panX, panY;
    PaneSource want;
  };
  const Case cases[] = {
      {100, 80, false, 50, 50, {100, 80, 0, 0}},       // smaller: pans ignored
      {320, 100, false, 160, 0, {160, 100, 160, 0}},   // the right end
      {320, 100, false, 999, 0, {160, 100, 160, 0}},   // beyond it: pulled back
      {200, 300, false, 0, 0, {160, 160, 0, 140}},     // pan 0: the top rows, stored last
      {200, 300, false, 140, 140, {160, 160, 40, 0}},  // the bottom end
      {200, 300, false, 500, 500, {160, 160, 40, 0}},
      {200, 300, true, 0, 30, {160, 160, 0, 30}},  // top-down: rows from the top
      {200, 300, false, -5, -5, {160, 160, 0, 140}},
  };
  for (const Case& c : cases) {
    const PaneSource s = PlanPaneSource(c.w, c.h, c.topDown, kStrengthPane, c.panX, c.panY);
    EXPECT_EQ(s.width, c.want.width);
    EXPECT_EQ(s.height, c.want.height);
    EXPECT_EQ(s.srcX, c.want.srcX) << c.panX;
    EXPECT_EQ(s.srcY, c.want.srcY) << c.panY;
  }
}

TEST(ThumbnailSize, LongerSideFillsAspectKept) {
  EXPECT_EQ(ThumbnailSize(640, 480, 128).height, 96);
  EXPECT_EQ(ThumbnailSize(640, 480, 128).width, 128);
  EXPECT_EQ(ThumbnailSize(100, 300, 128).width, 42);
  EXPECT_EQ(ThumbnailSize(50, 50, 128).width, 128);
}

TEST(TrackedPosition, RequestCodes) {
  struct Case {
    int position, request, thumb, min, max, want;
  };
  const Case cases[] = {
      {5, kScrollLineUp, 0, 0, 24, 4},
      {5, kScrollLineDown, 0, 0, 24, 6},
      {5, kScrollPageUp, 0, 0, 24, 0},      // stops at the start
      {20, kScrollPageDown, 0, 0, 24, 24},  // watercolour never leaves 0..24
      {10, kScrollPageDown, 0, 0, 255, 20},
      {10, kScrollThumbTrack, 77, 0, 255, 77},
      {10, kScrollThumbPosition, 77, 0, 255, 10},  // the released thumb moves nothing
      {10, 8 /* SB_ENDSCROLL */, 77, 0, 255, 10},
      {1, kScrollLineUp, 0, 1, 5, 1},
      {0, kScrollThumbTrack, 300, 0, 255, 255},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TrackedPosition(c.position, c.request, c.thumb, c.min, c.max), c.want)
        << c.position << " request " << c.request;
}

TEST(StrengthDialog, RangesStartsAndBoxText) {
  struct Case {
    DialogKind kind;
    const char* title;
    int min, max, start, limit;
    const char* startText;
    const char* minText;
  };
  const Case cases[] = {
      {DialogKind::Watercolour, "水彩画", 0, 24, 4, 2, "4", "0"},
      {DialogKind::Contrast, "コントラスト", 0, 255, 128, 4, "0", "-128"},
      {DialogKind::Blur, "ぼかし", 1, 5, 2, 3, "2", "1"},
      {DialogKind::UnsharpMask, "アンシャープマスク", 1, 3, 1, 2, "1", "1"},
      {DialogKind::Median, "メディアンフィルタ", 1, 3, 1, 2, "1", "1"},
      {DialogKind::Gamma, "ガンマ補正", 0, 255, 128, 3, "128", "0"},
  };
  for (const Case& c : cases) {
    const StrengthDialogRow* s = FindStrengthDialogRow(static_cast<int>(c.kind));
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->title, c.title);
    EXPECT_EQ(s->min, c.min);
    EXPECT_EQ(s->max, c.max);
    EXPECT_EQ(s->start, c.start);
    EXPECT_EQ(s->boxLimit, c.limit);
    EXPECT_EQ(StrengthBoxText(*s, s->start), c.startText) << c.title;
    EXPECT_EQ(StrengthBoxText(*s, s->min), c.minText) << c.title;
    EXPECT_EQ(s->needs24Bits, c.kind != DialogKind::Contrast);
  }
  for (int kind : {0, 1, 6, 9, -1}) EXPECT_EQ(FindStrengthDialogRow(kind), nullptr) << kind;
}

TEST(ParseBoxNumber, SignedOnlyWhereAllowed) {
  struct Case {
    const char* text;
    bool isSigned, ok;
    int value;
  };
  const Case cases[] = {
      {"0", false, true, 0},     {"255", false, true, 255}, {"-128", true, true, -128},
      {"-128", false, false, 0}, {"", true, false, 0},      {"-", true, false, 0},
      {"12a", false, false, 0},  {" 1", false, false, 0},   {"1234567890", false, false, 0},
  };
  for (const Case& c : cases) {
    int v = 0;
    EXPECT_EQ(ParseBoxNumber(c.text, c.isSigned, &v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  EXPECT_EQ(ClampToByte(-3), 0);
  EXPECT_EQ(ClampToByte(300), 255);
  EXPECT_EQ(ClampToByte(77), 77);
}

}  // namespace

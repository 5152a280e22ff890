#pragma once
// What the filter dialogs decide without a window: where each preview pane
// sits, where its panning bars go, which part of a frame a pane shows, how a
// scroll request moves a bar, and each strength dialog's range and value box.
#include <cstdint>
#include <string>

#include "editor/filters/dialog_kind.h"

// A square of the dialog's client area showing frame pixels one to one.
struct PreviewPane {
  int x, y, side;
};
inline constexpr PreviewPane kRgbPane{10, 5, 128};
inline constexpr PreviewPane kYCrCbPane{10, 5, 128};
inline constexpr PreviewPane kStrengthPane{10, 5, 160};
inline constexpr PreviewPane kEdgePane{20, 5, 160};
inline constexpr PreviewPane kCustomPane{10, 10, 160};

inline constexpr int kPanBarThickness = 15;

struct BarPlacement {
  bool visible = false;
  int x = 0, y = 0, width = 0, height = 0;
  int max = 0;  // range 0..max, position 0
};
struct PanBars {
  BarPlacement vertical;    // control 1086
  BarPlacement horizontal;  // control 1087
};
// A bar hugs the picture when only one side overflows, so it never floats
// away from a picture narrower or lower than the pane.
PanBars PlanPanBars(int frameWidth, int frameHeight, const PreviewPane& pane);

// Which frame pixels a pane shows: `width` x `height` from column srcX and
// DIB scan line srcY (counted from the first stored row).
struct PaneSource {
  int width, height, srcX, srcY;
};
// Pans beyond the frame are pulled back to its right or bottom edge; a
// vertical pan of 0 shows the top of the picture.
PaneSource PlanPaneSource(int frameWidth, int frameHeight, bool topDown, const PreviewPane& pane,
                          int panX, int panY);

// Thumbnail: the longer side `side`, the aspect kept (integer division).
struct ThumbSize {
  int width, height;
};
ThumbSize ThumbnailSize(int frameWidth, int frameHeight, int side);

// Scroll requests as the platform numbers them.
enum ScrollRequest : int {
  kScrollLineUp = 0,
  kScrollLineDown = 1,
  kScrollPageUp = 2,
  kScrollPageDown = 3,
  kScrollThumbPosition = 4,
  kScrollThumbTrack = 5,
};
// The bar's next position: lines by 1, pages by 10, the dragged thumb where
// it is; any other request (the released thumb too) leaves it. Clamped.
int TrackedPosition(int position, int request, int thumb, int min, int max);

// Dialog 106 by dialog kind.
struct StrengthDialogRow {
  DialogKind kind;
  const char* title;
  int min, max, start;
  int boxLimit;   // characters
  int boxOffset;  // the box shows position + boxOffset
  bool isSigned;
  bool needs24Bits;
  bool busyTitle;  // the title reads "処理中ですわ" while the preview runs
};
// Null for a kind dialog 106 does not serve (text drawing, the range kinds).
const StrengthDialogRow* FindStrengthDialogRow(int kind);
std::string StrengthBoxText(const StrengthDialogRow& row, int position);

// A value box's text as a number: decimal digits, a leading '-' only when
// signed. False for anything else (an empty box included).
bool ParseBoxNumber(const std::string& text, bool isSigned, int* value);
// A number into an 8-bit parameter, clamped: what a box outside the bar's
// range would otherwise wrap to.
uint8_t ClampToByte(int value);

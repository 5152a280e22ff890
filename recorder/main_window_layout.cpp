#include "recorder/main_window_layout.h"

namespace {
// Byte lengths of "録画", "停止" and "隠す" in Shift-JIS, 4 each; the width
// formula counts the buttons' captions in those bytes.
constexpr int kCaptionBytes = 12;
}  // namespace

int MainWindowWidth(const WindowMetrics& m) {
  return 5 * m.frameWidth + 12 * kCaptionBytes + 73;
}

int MainWindowFoldedHeight(const WindowMetrics& m) {
  return 2 * m.frameHeight + m.captionHeight + 27;
}

MainWindowPlacement PlaceMainWindow(const WindowMetrics& m, int savedX, int savedY, bool expanded) {
  MainWindowPlacement p;
  p.width = MainWindowWidth(m);
  p.height = expanded ? kMainWindowUnfoldedHeight : MainWindowFoldedHeight(m);
  p.x = savedX >= m.screenWidth ? (m.screenWidth - p.width) / 2 : savedX;
  p.y = savedY >= m.screenHeight ? (m.screenHeight - MainWindowFoldedHeight(m)) / 2 : savedY;
  return p;
}

#include "editor/filter_dialogs/filter_dialog_rules.h"

#include <algorithm>

#include "editor/commands/messages.h"

PanBars PlanPanBars(int frameWidth, int frameHeight, const PreviewPane& pane) {
  PanBars bars;
  const int w = pane.side, h = pane.side;
  const bool wide = frameWidth > w, tall = frameHeight > h;
  if (tall) {
    // Beside the pane, or beside the picture when that is narrower.
    const int left = wide ? pane.x + w : pane.x + frameWidth;
    bars.vertical = {true, left, pane.y, kPanBarThickness, h, frameHeight - h};
  }
  if (wide) {
    const int top = tall ? pane.y + h : pane.y + frameHeight;
    bars.horizontal = {true, pane.x, top, w, kPanBarThickness, frameWidth - w};
  }
  return bars;
}

PaneSource PlanPaneSource(int frameWidth, int frameHeight, bool topDown, const PreviewPane& pane,
                          int panX, int panY) {
  PaneSource s;
  s.width = std::min(frameWidth, pane.side);
  s.height = std::min(frameHeight, pane.side);
  s.srcX = frameWidth <= pane.side ? 0 : std::clamp(panX, 0, frameWidth - pane.side);
  const int y = frameHeight <= pane.side ? 0 : std::clamp(panY, 0, frameHeight - pane.side);
  s.srcY = topDown ? y : frameHeight - s.height - y;
  return s;
}

ThumbSize ThumbnailSize(int frameWidth, int frameHeight, int side) {
  ThumbSize t{side, side};
  if (frameWidth <= 0 || frameHeight <= 0) return t;
  if (frameHeight < frameWidth) t.height = side * frameHeight / frameWidth;
  if (frameWidth < frameHeight) t.width = side * frameWidth / frameHeight;
  return t;
}

int TrackedPosition(int position, int request, int thumb, int min, int max) {
  switch (request) {
    case kScrollLineUp: position -= 1; break;
    case kScrollLineDown: position += 1; break;
    case kScrollPageUp: position -= 10; break;
    case kScrollPageDown: position += 10; break;
    case kScrollThumbTrack: position = thumb; break;
    default: break;
  }
  return std::clamp(position, min, std::max(min, max));
}

namespace {
constexpr StrengthDialogRow kStrengthRows[] = {
    {DialogKind::Watercolour, kTitleWatercolour, 0, 24, 4, 2, 0, false, true, true},
    {DialogKind::Contrast, kTitleContrast, 0, 255, 128, 4, -128, true, false, false},
    {DialogKind::Blur, kTitleBlur, 1, 5, 2, 3, 0, false, true, true},
    {DialogKind::UnsharpMask, kTitleUnsharpMask, 1, 3, 1, 2, 0, false, true, true},
    {DialogKind::Median, kTitleMedian, 1, 3, 1, 2, 0, false, true, true},
    {DialogKind::Gamma, kTitleGamma, 0, 255, 128, 3, 0, true, true, false},
};
}  // namespace

const StrengthDialogRow* FindStrengthDialogRow(int kind) {
  for (const StrengthDialogRow& s : kStrengthRows)
    if (static_cast<int>(s.kind) == kind) return &s;
  return nullptr;
}

std::string StrengthBoxText(const StrengthDialogRow& row, int position) {
  return std::to_string(position + row.boxOffset);
}

bool ParseBoxNumber(const std::string& text, bool isSigned, int* value) {
  size_t i = 0;
  bool negative = false;
  if (isSigned && !text.empty() && text[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i == text.size() || text.size() - i > 9) return false;
  int v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  *value = negative ? -v : v;
  return true;
}

uint8_t ClampToByte(int value) {
  return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

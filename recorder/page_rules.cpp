#include "recorder/page_rules.h"

#include "recorder/resource.h"

bool PageControlEnabled(int id, const CaptureSettings& s, const PageState& state) {
  if (state.recording) return false;
  const bool window = s.regionMode == kRegionWindow;
  switch (id) {
    case IDC_RANGE_X:
    case IDC_RANGE_Y: return s.regionMode == kRegionFixed;
    case IDC_RANGE_WIDTH:
    case IDC_RANGE_HEIGHT:
    case IDC_FOLLOW_CURSOR:
    case IDC_SELECT_RANGE: return !window;
    case IDC_CLIENT_ONLY:
    case IDC_ACTIVE_WINDOW: return window;
    case IDC_WINDOW_LIST:
    case IDC_PICK_BY_CLICK: return window && !s.useActiveWindow;
    case IDC_RECORD_SOUND: return !s.bitmapSequence;
    case IDC_SOUND_FORMAT: return !s.bitmapSequence && s.recordSound;
    case IDC_USE_DIRECTDRAW: return state.directDraw;
    default: return true;
  }
}

uint8_t RegionModeFromChecks(bool followCursor, bool windowMode) {
  if (windowMode) return kRegionWindow;
  return followCursor ? kRegionCursor : kRegionFixed;
}

void FinishDrag(int32_t* x, int32_t* y, int32_t* width, int32_t* height, int32_t cursorX,
                int32_t cursorY) {
  *width = cursorX - *x;
  *height = cursorY - *y;
  if (*width < 0) {
    *x = cursorX;
    *width = -*width;
  }
  if (*height < 0) {
    *y = cursorY;
    *height = -*height;
  }
}

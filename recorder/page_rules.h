#pragma once
// Which controls of the three settings pages the user may touch: the rules
// live here, away from the windows, and the pages only apply them.
#include "capture/capture_engine.h"

struct PageState {
  bool recording = false;   // or a delayed start pending
  bool directDraw = false;  // the DirectDraw object exists
};

// True when the control with this id (a page control's id from resource.h)
// is enabled for these settings; labels, frames and spin controls stay enabled
// while idle.
bool PageControlEnabled(int id, const CaptureSettings& settings, const PageState& state);

// "カーソルを中心とする範囲を録画" and "録画ウィンドを指定" together decide the mode.
uint8_t RegionModeFromChecks(bool followCursor, bool windowMode);

// The range a drag on the selection overlay ends with: from where the button
// went down (*x, *y) to where it came up, turned so that width and height are
// not negative.
void FinishDrag(int32_t* x, int32_t* y, int32_t* width, int32_t* height, int32_t cursorX,
                int32_t cursorY);

#pragma once
// The filter dialogs of the editor's menu. Each one previews its filter on the
// player's current frame and, when confirmed, runs it over the whole movie.
#include <windows.h>

#include <cstdint>

#include "editor/filters/dialog_kind.h"

// What the dialogs keep between their messages (and, for the ready flags and
// the custom coefficients, between openings, re-set at every start).
struct FilterDialogState {
  bool rgbReady = false;
  bool ycrcbReady = false;
  bool strengthReady = false;
  bool edgeReady = false;
  bool customReady = false;
  DialogKind kind = DialogKind::Blur;  // which filter dialog 106 serves
  int8_t coefficients[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
  // The light dialog: markers in dialog client coordinates, the thumbnail,
  // which marker is being dragged (0 none, 1 the light, 2 the end point).
  bool lightReady = false;
  int lightX = 74, lightY = 74, endX = 74, endY = 74;
  int thumbLeft = 10, thumbTop = 10, thumbWidth = 128, thumbHeight = 128;
  int frameWidth = 0, frameHeight = 0;
  int drag = 0;
};
extern FilterDialogState gFilterDialogs;

// Opens the dialog of a filter menu command (ids of the "フィルタ" menu) owned
// by `owner`. True when the whole-movie run went through; false on cancel, a
// refused start, or a command that has no dialog here.
bool RunFilterDialog(HWND owner, int commandId);

// The same for the menu's command table: owned by the editor's main window.
bool RunRgbDialog();
bool RunYCrCbDialog();
bool RunContrastDialog();
bool RunGammaDialog();
bool RunBlurDialog();
bool RunMedianDialog();
bool RunUnsharpMaskDialog();
bool RunWatercolourDialog();
bool RunEdgeDialog();
bool RunLightDialog();
bool RunCustomDialog();

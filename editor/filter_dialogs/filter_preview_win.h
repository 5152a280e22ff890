#pragma once
// The preview machinery the filter dialogs share: the movie's first frame
// checked at dialog start, the panning bars placed from it, the filtered
// player frame painted one to one into the dialog's pane (or stretched into a
// thumbnail), and the scroll-bar handling.
#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>

#include <windows.h>

#include "editor/filter_dialogs/filter_dialog_rules.h"
#include "editor/pipeline/frame_filter.h"

// How the start went, for the light dialog, which stays open without a file.
struct FirstFrameInfo {
  enum class Failure { None, NoFile, NotAvi, Other } failure = Failure::None;
  int width = 0, height = 0;
};
// Clears nothing itself: the dialog clears *ready before the call. On success
// the bars are placed and *ready is set; on failure its message has been shown.
bool OpenFirstFrameForPreview(HWND dialog, bool* ready, const PreviewPane& pane, bool demand24,
                              FirstFrameInfo* info = nullptr);
void SetupPreviewScrollBars(HWND dialog, const BITMAPINFOHEADER* frame, const PreviewPane& pane);
// False when there is no frame.
bool PaintPreview(HWND dialog, const BITMAPINFOHEADER* frame, const PreviewPane& pane, int panX,
                  int panY);
void PaintThumbnail(HWND window, const BITMAPINFOHEADER* frame, int x, int y, int side);
// True when the bar's position changed; the new position in *position.
bool TrackScrollBar(HWND bar, int request, int thumb, int* position);
// The pan offsets the two panning bars hold.
int PanX(HWND dialog);
int PanY(HWND dialog);

// The player's current frame through the filter, kept and painted at the
// pane. False after the frame access's message (nothing is painted then).
bool RunPreview(HWND dialog, const FrameFilter& filter, const PreviewPane& pane, int panX,
                int panY);

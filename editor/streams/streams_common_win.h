#pragma once
// Small rules the stream commands share.
#include <windows.h>

#include <string>

#include "common/text_win.h"
#include "editor/pipeline/output_movie_win.h"

// Progress and stages go into the main window's title.
inline void SetMainTitle(const char* text) {
  if (gEditorWindows.mainWindow) SetWindowTextW(gEditorWindows.mainWindow, Widen(text).c_str());
}

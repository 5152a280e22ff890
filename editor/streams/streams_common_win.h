#pragma once
// Small rules the stream commands share.
#include <windows.h>

#include <string>

#include "common/text_win.h"
#include "editor/pipeline/output_movie_win.h"

// The path's extension is `extension` (with its dot), ignoring case.
inline bool HasExtension(const std::wstring& path, const wchar_t* extension) {
  const size_t dot = path.find_last_of(L'.');
  const size_t slash = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return false;
  return _wcsicmp(path.c_str() + dot, extension) == 0;
}

// Progress and stages go into the main window's title.
inline void SetMainTitle(const char* text) {
  if (gEditorWindows.mainWindow) SetWindowTextW(gEditorWindows.mainWindow, Widen(text).c_str());
}

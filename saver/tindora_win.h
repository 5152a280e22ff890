#pragma once
#include <windows.h>

#include <string>

// tindora's two settings, kept in the profile file named by string 1001 under
// the section named by string 1007.
struct SaverSettings {
  std::wstring path;    // "PATH": the movie, at most 259 characters
  int displayMode = 0;  // "VTYPE": 0 centre, 1 tile, 2 zoom (others draw as zoom)
};

SaverSettings LoadSaverSettings();
// Writes "PATH" first, then "VTYPE".
void SaveSaverSettings(const std::wstring& path, int displayMode);
// Draws one packed DIB into `area` of the window's client area; null draws nothing.
void DrawSaverFrame(HWND window, const RECT& area, const BITMAPINFOHEADER* dib, int mode);

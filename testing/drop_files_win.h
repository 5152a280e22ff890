#pragma once
// A drop of files as the shell hands it to a window with WM_DROPFILES; the
// window's DragFinish frees it.
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/text_win.h"

inline HGLOBAL MakeDrop(const std::vector<std::string>& paths) {
  std::wstring list;
  for (const std::string& p : paths) list += Widen(p) + L'\0';
  list += L'\0';
  HGLOBAL g = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* d = static_cast<DROPFILES*>(GlobalLock(g));
  d->pFiles = sizeof(DROPFILES);
  d->fWide = TRUE;
  std::memcpy(d + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(g);
  return g;
}

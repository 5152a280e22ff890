// tindora: the three procedures the screen-saver library calls.
#include <windows.h>
#include <commdlg.h>

#include <cstdlib>
#include <string>

#include "common/dib_geometry.h"
#include "common/handles_win.h"
#include "common/message.h"
#include "platform/scrnsave/screen_saver.h"
#include "saver/resource.h"
#include "saver/saver_geometry.h"
#include "saver/saver_messages.h"
#include "saver/saver_movie_win.h"
#include "saver/tindora_win.h"

namespace {
constexpr UINT_PTR kPlaybackTimer = 0x7FFF;
constexpr int kPathCapacity = 260;
constexpr RECT kPreviewArea{5, 5, 160, 160};
const wchar_t* const kDisplayModeNames[] = {L"中央に表示", L"並べて表示", L"拡大表示"};

// One saver window's playback, from its creation to its destruction.
struct SaverPlayback {
  SaverMovie movie;
  LONG current = 0;
  RECT area{};
  int mode = 0;
  bool playing = false;
};
SaverPlayback gPlayback;

// The configuration dialog's path buffer.
std::wstring gConfigPath;

std::wstring LoadText(UINT id) {
  wchar_t buffer[256] = {};
  LoadStringW(hMainInstance, id, buffer, ARRAYSIZE(buffer));
  return buffer;
}
}  // namespace

SaverSettings LoadSaverSettings() {
  const std::wstring section = LoadText(IDS_APP_NAME), file = LoadText(IDS_INI_FILE);
  wchar_t path[kPathCapacity] = {};
  GetPrivateProfileStringW(section.c_str(), L"PATH", L"", path, kPathCapacity, file.c_str());
  SaverSettings settings;
  settings.path = path;
  settings.displayMode =
      static_cast<int>(GetPrivateProfileIntW(section.c_str(), L"VTYPE", 0, file.c_str()));
  return settings;
}

void SaveSaverSettings(const std::wstring& path, int displayMode) {
  const std::wstring section = LoadText(IDS_APP_NAME), file = LoadText(IDS_INI_FILE);
  WritePrivateProfileStringW(section.c_str(), L"PATH", path.c_str(), file.c_str());
  WritePrivateProfileStringW(section.c_str(), L"VTYPE", std::to_wstring(displayMode).c_str(),
                             file.c_str());
}

void DrawSaverFrame(HWND window, const RECT& area, const BITMAPINFOHEADER* dib, int mode) {
  if (!dib) return;
  const auto* bits = reinterpret_cast<const BYTE*>(dib) +
                     PixelOffset(dib->biBitCount, dib->biCompression, dib->biClrUsed);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib);
  // A top-down frame has a negative height; the geometry needs its size, and
  // with the negative height a tile column would never end.
  const int w = dib->biWidth, h = std::abs(dib->biHeight);
  WindowDc dc = WindowDc::Client(window);
  if (!dc) return;
  const auto placements =
      PlaceSaverFrame({area.left, area.top, area.right, area.bottom}, w, h, mode);
  if (mode == kSaverCentre || mode == kSaverTile) {
    for (const SaverPlacement& p : placements)
      SetDIBitsToDevice(dc.get(), p.x, p.y, w, h, 0, 0, 0, h, bits, info, DIB_RGB_COLORS);
  } else {
    int previous = SetStretchBltMode(dc.get(), HALFTONE);
    for (const SaverPlacement& p : placements)
      StretchDIBits(dc.get(), p.x, p.y, p.width, p.height, 0, 0, w, h, bits, info, DIB_RGB_COLORS,
                    SRCCOPY);
    SetStretchBltMode(dc.get(), previous);
  }
}

extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      gPlayback = SaverPlayback{};
      GetClientRect(window, &gPlayback.area);
      OffsetRect(&gPlayback.area, -gPlayback.area.left, -gPlayback.area.top);
      SaverSettings settings = LoadSaverSettings();
      gPlayback.mode = settings.displayMode;
      if (settings.path.empty() || !SaverMovieOpenVideo(gPlayback.movie, settings.path)) return 0;
      gPlayback.current = gPlayback.movie.first;
      gPlayback.playing = true;
      SetTimer(window, kPlaybackTimer, gPlayback.movie.interval, nullptr);
      break;
    }
    case WM_TIMER:
      if (wparam == kPlaybackTimer && gPlayback.playing) {
        DrawSaverFrame(window, gPlayback.area, SaverMovieFrame(gPlayback.movie, gPlayback.current),
                       gPlayback.mode);
        if (++gPlayback.current >= gPlayback.movie.end) gPlayback.current = gPlayback.movie.first;
      }
      break;
    case WM_DESTROY:
      KillTimer(window, kPlaybackTimer);
      SaverMovieClose(gPlayback.movie);
      gPlayback = SaverPlayback{};
      PostQuitMessage(0);
      return 0;
  }
  return DefScreenSaverProc(window, message, wparam, lparam);
}

namespace {
// Draws stream 0's first frame into the preview area; forgets the path when
// the file gives no frame there.
void PaintPreview(HWND dialog) {
  if (gConfigPath.empty()) return;
  SaverMovie movie;
  const BITMAPINFOHEADER* frame = nullptr;
  if (SaverMovieOpenFirstStream(movie, gConfigPath)) frame = SaverMovieFrame(movie, 0);
  if (frame) DrawSaverFrame(dialog, kPreviewArea, frame, kSaverZoom);
  SaverMovieClose(movie);
  if (!frame) {
    gConfigPath.clear();
    ShowMessage(kMessageCannotOpen, kTitleErrorLatin);
  }
}

void BrowseForMovie(HWND dialog) {
  wchar_t path[kPathCapacity] = {};
  lstrcpynW(path, gConfigPath.c_str(), kPathCapacity);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = L"AVIファイル(*.avi)\0*.avi\0すべてのファイル(*.*)\0*.*\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = kPathCapacity;
  ofn.lpstrTitle = L"ファイルの選択";
  if (!GetOpenFileNameW(&ofn)) return;
  gConfigPath = path;
  InvalidateRect(dialog, nullptr, TRUE);  // show the new movie's preview at once
}
}  // namespace

extern "C" BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam,
                                                  LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SaverSettings settings = LoadSaverSettings();
      gConfigPath = settings.path.substr(0, kPathCapacity - 1);
      HWND combo = GetDlgItem(dialog, IDC_DISPLAY_MODE);
      for (const wchar_t* name : kDisplayModeNames)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(settings.displayMode), 0);
      return TRUE;
    }
    case WM_PAINT: {
      // The dialog's own painting first, so it cannot erase the preview.
      PAINTSTRUCT paint;
      BeginPaint(dialog, &paint);
      EndPaint(dialog, &paint);
      PaintPreview(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_BROWSE: BrowseForMovie(dialog); return TRUE;
        case IDOK: {
          int mode =
              static_cast<int>(SendDlgItemMessageW(dialog, IDC_DISPLAY_MODE, CB_GETCURSEL, 0, 0));
          SaveSaverSettings(gConfigPath, mode);
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
      }
      break;
  }
  return FALSE;
}

extern "C" BOOL WINAPI RegisterDialogClasses(HANDLE) {
  return TRUE;
}

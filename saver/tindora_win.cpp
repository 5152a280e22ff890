// tindora: the three procedures the screen-saver library calls.
#include <windows.h>

#include "platform/scrnsave/screen_saver.h"
#include "saver/resource.h"

namespace {
const wchar_t* const kDisplayModeNames[] = {L"中央に表示", L"並べて表示", L"拡大表示"};
}

extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
  return DefScreenSaverProc(window, message, wparam, lparam);
}

extern "C" BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam,
                                                  LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND combo = GetDlgItem(dialog, IDC_DISPLAY_MODE);
      for (const wchar_t* name : kDisplayModeNames)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      SendMessageW(combo, CB_SETCURSEL, 0, 0);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK: EndDialog(dialog, 1); return TRUE;
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
      }
      break;
  }
  return FALSE;
}

extern "C" BOOL WINAPI RegisterDialogClasses(HANDLE) { return TRUE; }

// The window list of the range page and the full-screen overlay on which a
// range is dragged out or a window is clicked.
#include <windows.h>

#include "capture/capture_engine_win.h"
#include "common/message.h"
#include "recorder/messages.h"
#include "recorder/page_rules.h"
#include "recorder/recorder_app_win.h"
#include "recorder/resource.h"

SelectionOverlay gSelectionOverlay;

namespace {
HWND WindowList() {
  return GetDlgItem(gRecorderUi.pages[0], IDC_WINDOW_LIST);
}

void SetTarget(HWND window) {
  gCaptureSettings.targetWindow = window;
  gCaptureEngine.selectedWindow = window;
}

// The rubber band as four lines; drawn twice in the same place it is gone again.
void DrawBand(HDC dc) {
  const CaptureSettings& s = gCaptureSettings;
  const int left = s.rangeX, top = s.rangeY;
  const int right = left + s.rangeWidth, bottom = top + s.rangeHeight;
  MoveToEx(dc, left, top, nullptr);
  LineTo(dc, right, top);
  LineTo(dc, right, bottom);
  LineTo(dc, left, bottom);
  LineTo(dc, left, top);
}

void MoveBand(HWND overlay, int x, int y) {
  HDC dc = GetDC(overlay);
  if (!dc) {
    gSelectionOverlay.state = kSelectNone;
    return;
  }
  SetROP2(dc, R2_NOT);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(dc, pen);
  DrawBand(dc);
  gCaptureSettings.rangeWidth = x - gCaptureSettings.rangeX;
  gCaptureSettings.rangeHeight = y - gCaptureSettings.rangeY;
  DrawBand(dc);
  SelectObject(dc, old);
  DeleteObject(pen);
  ReleaseDC(overlay, dc);
}

LRESULT CALLBACK OverlayProc(HWND overlay, UINT message, WPARAM wparam, LPARAM lparam) {
  SelectionOverlay& o = gSelectionOverlay;
  CaptureSettings& s = gCaptureSettings;
  // The overlay covers the screen from (0, 0): its client points are screen points.
  const int x = static_cast<short>(LOWORD(lparam));
  const int y = static_cast<short>(HIWORD(lparam));
  switch (message) {
    case WM_LBUTTONDOWN:
      if (o.state == kSelectRange) {
        o.state = kSelectDragging;
        s.rangeX = x;
        s.rangeY = y;
        s.rangeWidth = s.rangeHeight = 0;
        return 0;
      }
      if (o.state == kSelectWindow) {
        POINT at{x, y};
        ClientToScreen(overlay, &at);
        // Out of the way, or the overlay itself would be the window found there.
        MoveWindow(overlay, 0, 0, 0, 0, FALSE);
        SetTarget(WindowFromPoint(at));
        o.state = kSelectNone;
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      if (o.state == kSelectDragging) {
        MoveBand(overlay, x, y);
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (o.state == kSelectDragging) {
        FinishDrag(&s.rangeX, &s.rangeY, &s.rangeWidth, &s.rangeHeight, x, y);
        o.state = kSelectNone;
        return 0;
      }
      break;
  }
  return DefWindowProcW(overlay, message, wparam, lparam);
}
}  // namespace

void FillWindowList() {
  HWND list = WindowList();
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  int taken = 0;
  // From the top of the z-order down. The recorder's own window is left out by
  // name rather than by skipping the top window, which is not always it.
  for (HWND w = GetTopWindow(GetDesktopWindow()); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == gRecorderUi.mainWindow || !IsWindowVisible(w)) continue;
    wchar_t title[256];
    if (GetWindowTextW(w, title, 256) <= 0) continue;
    const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title));
    if (at < 0) continue;
    SendMessageW(list, LB_SETITEMDATA, at, reinterpret_cast<LPARAM>(w));
    ++taken;
  }
  if (taken == 0) {
    gCaptureSettings.regionMode = kRegionFixed;
    SetTarget(nullptr);
    ShowMessage(kMessageNoWindows, kTitleNoWindows);
  }
}

bool SelectTargetInWindowList() {
  HWND list = WindowList();
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (reinterpret_cast<HWND>(SendMessageW(list, LB_GETITEMDATA, i, 0)) ==
        gCaptureSettings.targetWindow) {
      SendMessageW(list, LB_SETCURSEL, i, 0);
      SetTarget(static_cast<HWND>(gCaptureSettings.targetWindow));
      return true;
    }
  }
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  SetTarget(count > 0 ? reinterpret_cast<HWND>(SendMessageW(list, LB_GETITEMDATA, 0, 0)) : nullptr);
  return false;
}

bool RunSelectionOverlay(HINSTANCE instance, uint8_t mode) {
  SelectionOverlay& o = gSelectionOverlay;
  o.state = mode;
  WNDCLASSEXW cls{sizeof cls};
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = OverlayProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  cls.lpszClassName = kOverlayClassName;
  RegisterClassExW(&cls);  // already there from an earlier selection
  o.window = CreateWindowExW(WS_EX_TOOLWINDOW, kOverlayClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                             nullptr, instance, nullptr);
  if (!o.window) {
    o.state = kSelectNone;
    ShowMessage(kMessageOverlayFailed, kTitleOverlayFailed);
    return false;
  }
  SetCapture(o.window);
  while (o.state != kSelectNone) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (message.message == WM_QUIT) {
      // The main loop still has to see it.
      PostQuitMessage(static_cast<int>(message.wParam));
      o.state = kSelectNone;
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  ReleaseCapture();
  DestroyWindow(o.window);
  o.window = nullptr;
  return true;
}

#include "platform/scrnsave/screen_saver.h"

#include <string_view>

#include "common/dialog_win.h"
#include "platform/scrnsave/screen_saver_args.h"

HINSTANCE hMainInstance = nullptr;
HWND hMainWindow = nullptr;
BOOL fChildPreview = FALSE;

namespace {
// Movement smaller than this is the mouse settling, not the user.
constexpr int kMouseThreshold = 4;
// Right after the window appears, activation changes and the first mouse
// reports come from the window's own creation; they must not end the saver.
constexpr DWORD kStartGraceMs = 500;

struct SaverRun {
  DWORD startTick = 0;
  bool mouseKnown = false;
  POINT mouse{};
  bool closing = false;
};
SaverRun gRun;

bool InGrace() {
  return GetTickCount() - gRun.startTick < kStartGraceMs;
}

void EndSaver(HWND window) {
  if (gRun.closing) return;
  gRun.closing = true;
  PostMessageW(window, WM_CLOSE, 0, 0);
}

bool RegisterSaverClass(HINSTANCE instance) {
  WNDCLASSEXW cls{sizeof cls};
  cls.style = CS_HREDRAW | CS_VREDRAW | CS_SAVEBITS | CS_DBLCLKS;
  cls.lpfnWndProc = ScreenSaverProc;
  cls.hInstance = instance;
  cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(100));
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  cls.lpszClassName = kScreenSaverClass;
  return RegisterClassExW(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The saver's dialog procedure returns BOOL, a dialog procedure INT_PTR; on
// 64-bit Windows the upper half of the return register would be garbage.
INT_PTR CALLBACK ConfigureDialogThunk(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return ScreenSaverConfigureDialog(dialog, message, wparam, lparam) ? TRUE : FALSE;
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

int RunSaverWindow(HINSTANCE instance, HWND parent) {
  if (!RegisterSaverClass(instance)) return 1;
  gRun = SaverRun{};
  gRun.startTick = GetTickCount();
  HWND window;
  if (parent) {
    fChildPreview = TRUE;
    RECT area;
    GetClientRect(parent, &area);
    window = CreateWindowExW(0, kScreenSaverClass, L"Preview", WS_CHILD | WS_VISIBLE, 0, 0,
                             area.right, area.bottom, parent, nullptr, instance, nullptr);
  } else {
    fChildPreview = FALSE;
    int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w <= 0 || h <= 0) {
      x = y = 0;
      w = GetSystemMetrics(SM_CXSCREEN);
      h = GetSystemMetrics(SM_CYSCREEN);
    }
    window =
        CreateWindowExW(WS_EX_TOPMOST, kScreenSaverClass, L"Screen Saver", WS_POPUP | WS_VISIBLE, x,
                        y, w, h, nullptr, nullptr, instance, nullptr);
  }
  if (!window) return 1;
  hMainWindow = window;
  if (!parent) SetForegroundWindow(window);
  int code = RunMessageLoop();
  hMainWindow = nullptr;
  return code;
}
}  // namespace

LRESULT WINAPI DefScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!fChildPreview) {
    switch (message) {
      case WM_SETCURSOR: SetCursor(nullptr); return TRUE;
      case WM_MOUSEMOVE: {
        POINT now{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        if (!gRun.mouseKnown || InGrace()) {
          gRun.mouse = now;
          gRun.mouseKnown = true;
        } else if (abs(now.x - gRun.mouse.x) > kMouseThreshold ||
                   abs(now.y - gRun.mouse.y) > kMouseThreshold) {
          EndSaver(window);
        }
        break;
      }
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_XBUTTONDOWN:
      case WM_MOUSEWHEEL:
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN: EndSaver(window); break;
      case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE && !InGrace()) EndSaver(window);
        break;
      case WM_ACTIVATEAPP:
        if (!wparam && !InGrace()) EndSaver(window);
        break;
      case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_SCREENSAVE) return 0;
        break;
    }
  }
  switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

int ScreenSaverMain(HINSTANCE instance, const wchar_t* arguments) {
  hMainInstance = instance;
  std::u16string_view text(reinterpret_cast<const char16_t*>(arguments ? arguments : L""));
  SaverArgs args = ParseSaverArgs(text);
  HWND given = reinterpret_cast<HWND>(static_cast<UINT_PTR>(args.window));
  switch (args.mode) {
    case SaverMode::Configure: {
      if (!RegisterDialogClasses(instance)) return 1;
      // Only a window the caller named owns the dialog: whatever happens to be
      // in the foreground may be closing, and the dialog would go with it.
      HWND owner = given && IsWindow(given) ? given : nullptr;
      RunDialog(instance, DLG_SCRNSAVECONFIGURE, owner, ConfigureDialogThunk);
      return 0;
    }
    case SaverMode::Run: return RunSaverWindow(instance, nullptr);
    case SaverMode::Preview:
      if (!IsWindow(given)) return 1;
      return RunSaverWindow(instance, given);
    case SaverMode::ChangePassword: return 0;  // the system keeps the password
    case SaverMode::Invalid: break;
  }
  return 1;
}

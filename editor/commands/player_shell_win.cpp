#include "editor/commands/player_shell_win.h"

// Our AVI services' headers go before <vfw.h>.
#include "editor/pipeline/output_movie_win.h"

#include <shellapi.h>
#include <vfw.h>

#include "common/message.h"
#include "common/message_box_win.h"
#include "editor/commands/messages.h"
#include "editor/commands/resource.h"

PlayerShell gPlayerShell;

namespace {
constexpr int kEscapeKey = 27;
// The menu bar wraps onto more lines when the window gets this narrow.
constexpr int kTwoLineMenuWidth = 171;
constexpr int kOneExtraLineMenuWidth = 285;
}  // namespace

void FitMainWindowToPlayer() {
  if (gPlayerShell.fittingLatch) return;
  gPlayerShell.fittingLatch = true;
  RECT r;
  GetWindowRect(gPlayerShell.playerWindow, &r);
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, TRUE);
  MoveWindow(gPlayerShell.mainWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  RECT placed;
  GetWindowRect(gPlayerShell.mainWindow, &placed);
  int width = placed.right - placed.left;
  int extraLines = width <= kTwoLineMenuWidth ? 2 : width <= kOneExtraLineMenuWidth ? 1 : 0;
  if (extraLines) {
    int extra = extraLines * GetSystemMetrics(SM_CYMENU);
    MoveWindow(gPlayerShell.mainWindow, r.left, r.top - extra, r.right - r.left,
               r.bottom - r.top + extra, TRUE);
  }
  gPlayerShell.fittingLatch = false;
}

LRESULT CALLBACK PlayerMainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: DragAcceptFiles(window, TRUE); break;
    case WM_DESTROY: PostQuitMessage(0); break;
    case WM_SIZE: {
      if (!gPlayerShell.playerWindow) break;
      int w = LOWORD(lparam), h = HIWORD(lparam);
      if (SendMessageW(gPlayerShell.playerWindow, MCIWNDM_CAN_WINDOW, 0, 0) &&
          h > gPlayerShell.playerBarHeight) {
        MoveWindow(gPlayerShell.playerWindow, 0, 0, w, h, TRUE);
      } else {
        MoveWindow(gPlayerShell.playerWindow, 0, 0, w, gPlayerShell.playerBarHeight, TRUE);
        FitMainWindowToPlayer();
      }
      break;
    }
    case WM_KEYDOWN:
      if (wparam == kEscapeKey) PostQuitMessage(0);
      break;
    case WM_KEYUP: gPlayerShell.spaceLatch = false; break;
    case WM_COMMAND:
      if (LOWORD(wparam) == ID_FILE_QUIT) PostQuitMessage(0);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

int EditorMain(HINSTANCE instance, int showState) {
  UseWindowsMessageBoxes();
  gPlayerShell.instance = instance;
  WNDCLASSEXW cls{sizeof cls};
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = PlayerMainWindowProc;
  cls.hInstance = instance;
  cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_EDITOR));
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  cls.lpszMenuName = MAKEINTRESOURCEW(IDM_EDITOR);
  cls.lpszClassName = kPlayerClassName;
  HWND window = nullptr;
  if (RegisterClassExW(&cls))
    window = CreateWindowExW(0, kPlayerClassName, kPlayerClassName, WS_OVERLAPPEDWINDOW, 100, 100,
                             200, 200, nullptr, nullptr, instance, nullptr);
  if (!window) {
    ShowMessage(kMessageInitFailed, kTitleWhy);
    return 0;
  }
  gPlayerShell.mainWindow = window;
  gPlayerShell.playerWindow =
      MCIWndCreateW(window, instance,
                    WS_CHILD | WS_VISIBLE | WS_BORDER | MCIWNDF_NOOPEN | MCIWNDF_NOTIFYPOS |
                        MCIWNDF_NOTIFYSIZE | MCIWNDF_NOMENU,
                    nullptr);
  if (!gPlayerShell.playerWindow) {
    ShowMessage(kMessagePlayerFailed, kTitleTroubled);
    DestroyWindow(window);
    return 0;
  }
  gEditorWindows = {window, gPlayerShell.playerWindow};
  RECT bar;
  GetWindowRect(gPlayerShell.playerWindow, &bar);
  gPlayerShell.playerBarHeight = bar.bottom - bar.top;
  SendMessageW(gPlayerShell.playerWindow, MCIWNDM_CHANGESTYLES, MCIWNDF_NOOPEN, MCIWNDF_NOOPEN);
  FitMainWindowToPlayer();
  SendMessageW(gPlayerShell.playerWindow, MCIWNDM_SETTIMERS, 250, 250);
  ShowWindow(window, showState);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (IsWindow(gPlayerShell.mainWindow)) DestroyWindow(gPlayerShell.mainWindow);
  UnregisterClassW(kPlayerClassName, instance);
  gPlayerShell = PlayerShell{};
  gEditorWindows = EditorWindows{};
  return static_cast<int>(message.wParam);
}

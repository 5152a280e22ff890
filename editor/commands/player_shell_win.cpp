#include "editor/commands/player_shell_win.h"

// Our AVI services' headers go before <vfw.h>.
#include "editor/pipeline/output_movie_win.h"

#include <commdlg.h>
#include <shellapi.h>
#include <vfw.h>

#include <cwchar>

#include "common/message.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "editor/commands/command_table_win.h"
#include "editor/commands/messages.h"
#include "editor/commands/resource.h"

PlayerShell gPlayerShell;
DialogKind gDialogKind = DialogKind::RangeBitmaps;

namespace {
// The menu bar wraps onto more lines when the window gets this narrow.
constexpr int kTwoLineMenuWidth = 171;
constexpr int kOneExtraLineMenuWidth = 285;
constexpr DWORD kPlayerStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | MCIWNDF_NOOPEN |
                               MCIWNDF_NOTIFYPOS | MCIWNDF_NOTIFYSIZE | MCIWNDF_NOMENU |
                               MCIWNDF_NOERRORDLG;
constexpr int kTimerMs = 250;

HWND CreatePlayerWindow() {
  return MCIWndCreateW(gPlayerShell.mainWindow, gPlayerShell.instance, kPlayerStyle, nullptr);
}

void SetPlayerWindow(HWND player) {
  gPlayerShell.playerWindow = player;
  gEditorWindows = {gPlayerShell.mainWindow, player};
}

void EnableCommand(UINT id, bool enable) {
  EnableMenuItem(GetMenu(gPlayerShell.mainWindow), id,
                 MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

LRESULT Player(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  return SendMessageW(gPlayerShell.playerWindow, message, wparam, lparam);
}

// A new player without a file where the old one was.
bool ReplacePlayerWindow() {
  HWND fresh = CreatePlayerWindow();
  if (!fresh) return false;
  RECT r;
  GetWindowRect(gPlayerShell.playerWindow, &r);
  MapWindowPoints(nullptr, gPlayerShell.mainWindow, reinterpret_cast<POINT*>(&r), 2);
  DestroyWindow(gPlayerShell.playerWindow);
  SetPlayerWindow(fresh);
  MoveWindow(fresh, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  Player(MCIWNDM_SETTIMERS, kTimerMs, kTimerMs);
  return true;
}

void LayOutPlayer(int width, int height) {
  if (!gPlayerShell.playerWindow) return;
  if (Player(MCIWNDM_CAN_WINDOW) && height > gPlayerShell.playerBarHeight) {
    MoveWindow(gPlayerShell.playerWindow, 0, 0, width, height, TRUE);
  } else {
    MoveWindow(gPlayerShell.playerWindow, 0, 0, width, gPlayerShell.playerBarHeight, TRUE);
    FitMainWindowToPlayer();
  }
}

// Key repeat sends more key-downs before the key-up: one toggle per press.
void ToggleByKey() {
  if (gPlayerShell.spaceLatch) return;
  const LRESULT mode = Player(MCIWNDM_GETMODEW);
  if (mode == MCI_MODE_PLAY)
    Player(MCI_STOP);
  else if (mode == MCI_MODE_STOP)
    Player(MCI_PLAY);
  gPlayerShell.spaceLatch = true;
}

void OpenDroppedFile(HDROP drop) {
  if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 1)
    ShowMessage(kMessageTooManyDropped, kTitleAtALoss);
  wchar_t path[kPathChars] = {};
  DragQueryFileW(drop, 0, path, kPathChars);
  DragFinish(drop);
  if (!OpenInPlayer(path)) ShowMessage(kMessageCannotOpen, kTitleTroubled);
}
}  // namespace

// Case does not matter: "A.AVI" is a movie as much as "a.avi".
FileKind FileKindOf(const std::wstring& path) {
  const size_t dot = path.find_last_of(L'.');
  const size_t slash = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
    return FileKind::Other;
  if (_wcsicmp(path.c_str() + dot, L".avi") == 0) return FileKind::Movie;
  if (_wcsicmp(path.c_str() + dot, L".wav") == 0) return FileKind::Sound;
  return FileKind::Other;
}

void FitMainWindowToPlayer() {
  if (gPlayerShell.fittingLatch) return;
  gPlayerShell.fittingLatch = true;
  RECT r;
  GetWindowRect(gPlayerShell.playerWindow, &r);
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, TRUE);
  MoveWindow(gPlayerShell.mainWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  RECT placed;
  GetWindowRect(gPlayerShell.mainWindow, &placed);
  const int width = placed.right - placed.left;
  const int extraLines = width <= kTwoLineMenuWidth ? 2 : width <= kOneExtraLineMenuWidth ? 1 : 0;
  if (extraLines) {
    const int extra = extraLines * GetSystemMetrics(SM_CYMENU);
    MoveWindow(gPlayerShell.mainWindow, r.left, r.top - extra, r.right - r.left,
               r.bottom - r.top + extra, TRUE);
  }
  gPlayerShell.fittingLatch = false;
}

void DisableFileCommands() {
  for (const EditorCommand& c : EditorCommands())
    if (c.id != ID_FILE_OPEN && c.id != ID_FILE_QUIT) EnableCommand(c.id, false);
}

void EnableFileCommands() {
  const FileKind kind = FileKindOf(PlayerFileName());
  if (kind == FileKind::Movie) {
    for (const EditorCommand& c : EditorCommands())
      if (c.needsMovie) EnableCommand(c.id, true);
  } else if (kind == FileKind::Sound) {
    for (const EditorCommand& c : EditorCommands())
      if (c.needsMovie) EnableCommand(c.id, c.id == ID_JOIN_VIDEO_SOUND || c.id == ID_STREAM_INFO);
  }
  for (UINT id : {ID_CREATE_FROM_BITMAPS, ID_CROSS_FADE, ID_JOIN_MANY, ID_BURN})
    EnableCommand(id, true);
  DrawMenuBar(gPlayerShell.mainWindow);
}

bool OpenInPlayer(const wchar_t* path) {
  if (!path) return false;
  const bool hadFile = !PlayerFileName().empty();
  Player(MCI_CLOSE);
  DisableFileCommands();
  LRESULT result = Player(MCIWNDM_OPENW, 0, reinterpret_cast<LPARAM>(path));
  // The platform's player does not always take a second file after closing
  // the first; a fresh one in the same place does.
  if (result != 0 && hadFile && ReplacePlayerWindow())
    result = Player(MCIWNDM_OPENW, 0, reinterpret_cast<LPARAM>(path));
  if (result != 0) {
    // A player whose open failed still answers with the file's name, and the
    // menu and the filters would take it for the open file.
    ReplacePlayerWindow();
    return false;
  }
  SetWindowTextW(gPlayerShell.mainWindow, path);
  EnableFileCommands();
  Player(MCI_PLAY);
  FitMainWindowToPlayer();
  return true;
}

void ShowPositionInTitle(LONG position) {
  const LRESULT length = Player(MCIWNDM_GETLENGTH);
  const std::wstring name = PlayerFileName();
  if (name.empty()) {
    SetWindowTextW(gPlayerShell.mainWindow, kPlayerClassName);
    return;
  }
  wchar_t numbers[64];
  swprintf(numbers, 64, L": %u / %u", static_cast<unsigned>(position),
           static_cast<unsigned>(length));
  SetWindowTextW(gPlayerShell.mainWindow, (name + numbers).c_str());
}

void OpenFileFromDialog() {
  std::string filters;
  for (const auto& entry : kOpenFilters) {
    filters += entry[0];
    filters += '\0';
    filters += entry[1];
    filters += '\0';
  }
  const std::wstring wideFilters = Widen(filters);  // ends in the list's closing null
  const std::wstring title = Widen(kOpenDialogTitle);
  wchar_t path[kPathChars] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = gPlayerShell.mainWindow;
  ofn.lpstrFilter = wideFilters.c_str();
  ofn.lpstrFile = path;
  ofn.nMaxFile = kPathChars;
  ofn.lpstrTitle = title.c_str();
  if (!GetOpenFileNameW(&ofn)) return;
  if (!OpenInPlayer(path)) ShowMessage(kMessageCannotOpen, kTitleTroubled);
}

LRESULT CALLBACK PlayerMainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: DragAcceptFiles(window, TRUE); break;
    case WM_DESTROY: PostQuitMessage(0); break;
    case WM_SIZE: LayOutPlayer(LOWORD(lparam), HIWORD(lparam)); break;
    case WM_KEYDOWN:
      if (wparam == kEscapeKey) PostQuitMessage(0);
      if (wparam == kSpaceKey) ToggleByKey();
      break;
    case WM_KEYUP: gPlayerShell.spaceLatch = false; break;
    case WM_COMMAND: RouteCommand(LOWORD(wparam)); break;
    case WM_DROPFILES: OpenDroppedFile(reinterpret_cast<HDROP>(wparam)); break;
    case MCIWNDM_NOTIFYPOS: ShowPositionInTitle(static_cast<LONG>(lparam)); break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool CreatePlayerShell(HINSTANCE instance) {
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
  const bool registered = RegisterClassExW(&cls) != 0;
  HWND window = nullptr;
  if (registered)
    window = CreateWindowExW(0, kPlayerClassName, kPlayerClassName, WS_OVERLAPPEDWINDOW, 100, 100,
                             200, 200, nullptr, nullptr, instance, nullptr);
  if (!window) {
    ShowMessage(kMessageInitFailed, kTitleWhy);
    if (registered) UnregisterClassW(kPlayerClassName, instance);
    gPlayerShell = PlayerShell{};
    return false;
  }
  gPlayerShell.mainWindow = window;
  HWND player = CreatePlayerWindow();
  if (!player) {
    ShowMessage(kMessagePlayerFailed, kTitleTroubled);
    DestroyPlayerShell();
    return false;
  }
  SetPlayerWindow(player);
  RECT bar;
  GetWindowRect(player, &bar);
  gPlayerShell.playerBarHeight = bar.bottom - bar.top;
  Player(MCIWNDM_CHANGESTYLES, MCIWNDF_NOOPEN, MCIWNDF_NOOPEN);
  FitMainWindowToPlayer();
  Player(MCIWNDM_SETTIMERS, kTimerMs, kTimerMs);
  return true;
}

void DestroyPlayerShell() {
  if (IsWindow(gPlayerShell.mainWindow)) {
    DestroyWindow(gPlayerShell.mainWindow);  // the player goes with it
    // Its WM_DESTROY asked the loop to end; the loop has ended already.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }
  UnregisterClassW(kPlayerClassName, gPlayerShell.instance);
  gPlayerShell = PlayerShell{};
  gEditorWindows = EditorWindows{};
}

int EditorMain(HINSTANCE instance, int showState, const std::vector<std::wstring>& files) {
  UseWindowsMessageBoxes();
  if (!CreatePlayerShell(instance)) return 0;
  ShowWindow(gPlayerShell.mainWindow, showState);
  UpdateWindow(gPlayerShell.mainWindow);
  // The first file that opens is played; the others are not looked at.
  for (const std::wstring& file : files) {
    wchar_t longPath[kPathChars] = {};
    const DWORD n = GetLongPathNameW(file.c_str(), longPath, kPathChars);
    if (OpenInPlayer(n > 0 && n < kPathChars ? longPath : file.c_str())) break;
  }
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  const int code = static_cast<int>(message.wParam);
  DestroyPlayerShell();
  return code;
}

#include "recorder/recorder_app_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "common/handles_win.h"
#include "common/message.h"
#include "common/message_box_win.h"
#include "recorder/main_window_layout.h"
#include "recorder/messages.h"
#include "recorder/resource.h"

RecorderUi gRecorderUi;
AppSettings gAppSettings;

namespace {
constexpr UINT kTrayIconId = 1;
constexpr wchar_t kTrayTip[] = L"ヌーロ ディスプレイキャプチャー ピコラ";
constexpr wchar_t kMutexName[] = L"DCピコラ";
const wchar_t* const kTabNames[] = {L"範囲設定", L"録画設定", L"動作設定"};

WindowMetrics CurrentMetrics() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
          GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME),
          GetSystemMetrics(SM_CYCAPTION)};
}

void TrayIcon(DWORD action, HICON icon) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = gRecorderUi.mainWindow;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = icon;
  lstrcpynW(data.szTip, kTrayTip, ARRAYSIZE(data.szTip));
  Shell_NotifyIconW(action, &data);
}

// A push button as wide as its caption needs in the window's font.
HWND CreateButton(HWND parent, int id, const wchar_t* caption, int x, int y) {
  WindowDc dc = WindowDc::Client(parent);
  SIZE text{};
  {
    SelectGuard font(dc.get(), gRecorderUi.font);
    GetTextExtentPoint32W(dc.get(), caption, lstrlenW(caption), &text);
  }
  HWND button = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, y,
                                text.cx + 16, text.cy + 10, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                gRecorderUi.instance, nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(gRecorderUi.font), TRUE);
  return button;
}

int RightOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r.right;
}

void ShowSelectedPage() {
  int selected = TabCtrl_GetCurSel(gRecorderUi.tabs);
  for (int i = 0; i < 3; ++i) ShowWindow(gRecorderUi.pages[i], i == selected ? SW_SHOW : SW_HIDE);
}

// Folds or unfolds the settings tabs, keeping the window where it is.
void ApplyDetailsExpanded() {
  const WindowMetrics m = CurrentMetrics();
  RECT r;
  GetWindowRect(gRecorderUi.mainWindow, &r);
  int height = gAppSettings.detailsExpanded ? kMainWindowUnfoldedHeight : MainWindowFoldedHeight(m);
  SetWindowPos(gRecorderUi.mainWindow, nullptr, r.left, r.top, MainWindowWidth(m), height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowTextW(gRecorderUi.detailsButton, gAppSettings.detailsExpanded ? L"<<詳細" : L"詳細>>");
}

void CreateControls(HWND window) {
  gRecorderUi.startButton = CreateButton(window, ID_START, L"録画", 5, 5);
  gRecorderUi.stopButton =
      CreateButton(window, ID_STOP, L"停止", RightOf(gRecorderUi.startButton) + 4, 5);
  gRecorderUi.hideButton =
      CreateButton(window, ID_MAIN_WINDOW, L"隠す", RightOf(gRecorderUi.stopButton) + 4, 5);
  gRecorderUi.detailsButton =
      CreateButton(window, IDC_DETAILS, L"詳細>>", RightOf(gRecorderUi.hideButton) + 4, 5);

  RECT client;
  GetClientRect(window, &client);
  const int top = GetSystemMetrics(SM_CYFRAME) + 32;
  gRecorderUi.tabs =
      CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 3, top,
                      client.right - 6, kMainWindowUnfoldedHeight - top - 40, window,
                      reinterpret_cast<HMENU>(IDC_TABS), gRecorderUi.instance, nullptr);
  SendMessageW(gRecorderUi.tabs, WM_SETFONT, reinterpret_cast<WPARAM>(gRecorderUi.font), TRUE);
  for (int i = 0; i < 3; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabNames[i]);
    TabCtrl_InsertItem(gRecorderUi.tabs, i, &item);
  }
  RECT pageArea;
  GetClientRect(gRecorderUi.tabs, &pageArea);
  TabCtrl_AdjustRect(gRecorderUi.tabs, FALSE, &pageArea);
  for (HWND& page : gRecorderUi.pages) {
    page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, pageArea.left, pageArea.top,
                           pageArea.right - pageArea.left, pageArea.bottom - pageArea.top,
                           gRecorderUi.tabs, reinterpret_cast<HMENU>(IDC_PAGE),
                           gRecorderUi.instance, nullptr);
  }
}

void SetIdleUi() {
  EnableMenuItem(gRecorderUi.trayMenu, ID_QUIT, MF_BYCOMMAND | MF_ENABLED);
  EnableMenuItem(gRecorderUi.trayMenu, ID_START, MF_BYCOMMAND | MF_ENABLED);
  EnableMenuItem(gRecorderUi.trayMenu, ID_STOP, MF_BYCOMMAND | MF_GRAYED);
  EnableWindow(gRecorderUi.startButton, TRUE);
  EnableWindow(gRecorderUi.stopButton, FALSE);
}

void ShowTrayMenu(HWND window) {
  POINT at;
  GetCursorPos(&at);
  SetForegroundWindow(window);
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = const_cast<wchar_t*>(gAppSettings.mainWindowVisible ? L"メインウィンドを隠す"
                                                                        : L"メインウィンドを表示");
  SetMenuItemInfoW(gRecorderUi.trayMenu, ID_MAIN_WINDOW, FALSE, &info);
  TrackPopupMenu(gRecorderUi.trayMenu, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window,
                 nullptr);
}

void ToggleMainWindow() {
  gAppSettings.mainWindowVisible = !gAppSettings.mainWindowVisible;
  ShowWindow(gRecorderUi.mainWindow, gAppSettings.mainWindowVisible ? SW_SHOW : SW_HIDE);
}

void AskToQuit(HWND window) {
  if (ShowMessage(kMessageReallyQuit, kTitleConfirmQuit, MessageButtons::YesNo,
                  MessageIcon::Question) != MessageAnswer::Yes)
    return;
  RECT r;
  GetWindowRect(window, &r);
  gAppSettings.windowX = r.left;
  gAppSettings.windowY = r.top;
  DestroyWindow(window);
}
}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      gRecorderUi.mainWindow = window;
      TrayIcon(NIM_ADD, gRecorderUi.idleIcon);
      return 0;
    case WM_TRAY_NOTIFY:
      if (lparam == WM_RBUTTONDOWN) ShowTrayMenu(window);
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->idFrom == IDC_TABS && header->code == TCN_SELCHANGE) ShowSelectedPage();
      return 0;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_DETAILS:
          gAppSettings.detailsExpanded = !gAppSettings.detailsExpanded;
          ApplyDetailsExpanded();
          return 0;
        case ID_MAIN_WINDOW: ToggleMainWindow(); return 0;
        case ID_QUIT: PostMessageW(window, WM_CLOSE, 0, 0); return 0;
      }
      break;
    case WM_CLOSE: AskToQuit(window); return 0;
    case WM_DESTROY:
      TrayIcon(NIM_DELETE, nullptr);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool CreateMainWindow() {
  WNDCLASSEXW cls{sizeof cls};
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = MainWindowProc;
  cls.hInstance = gRecorderUi.instance;
  cls.hIcon = gRecorderUi.classIcon;
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  cls.lpszClassName = kRecorderClassName;
  if (!RegisterClassExW(&cls)) return false;

  const WindowMetrics metrics = CurrentMetrics();
  MainWindowPlacement place = PlaceMainWindow(metrics, gAppSettings.windowX, gAppSettings.windowY,
                                              gAppSettings.detailsExpanded);
  gRecorderUi.font =
      CreateFontW(12, 0, 0, 0, 300, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック");
  HWND window = CreateWindowExW(0, kRecorderClassName, kRecorderTitle, WS_CAPTION | WS_SYSMENU,
                                place.x, place.y, place.width, place.height, nullptr, nullptr,
                                gRecorderUi.instance, nullptr);
  if (!window) return false;
  INITCOMMONCONTROLSEX controls{
      sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_HOTKEY_CLASS | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  CreateControls(window);
  ApplyDetailsExpanded();
  ShowSelectedPage();
  SetIdleUi();
  if (gAppSettings.mainWindowVisible) ShowWindow(window, SW_SHOW);
  return true;
}

int RecorderMain(HINSTANCE instance) {
  UseWindowsMessageBoxes();
  gRecorderUi.instance = instance;
  gAppSettings.windowX = GetSystemMetrics(SM_CXSCREEN);
  gAppSettings.windowY = GetSystemMetrics(SM_CYSCREEN);
  gRecorderUi.classIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_RECORDER));
  gRecorderUi.idleIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TRAY_IDLE));
  gRecorderUi.recordingIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TRAY_RECORDING));

  UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kMutexName));
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
    ShowMessage(kMessageAlreadyRunning, kTitleOops);
    return 0;
  }
  UniqueMenu menu(LoadMenuW(instance, MAKEINTRESOURCEW(IDM_TRAY)));
  if (!menu) {
    ShowMessage(kMessageMenuLoadFailed, kTitleWhy);
    return 0;
  }
  gRecorderUi.menu = menu.get();
  gRecorderUi.trayMenu = GetSubMenu(menu.get(), 0);
  EnableMenuItem(gRecorderUi.trayMenu, ID_QUIT, MF_BYCOMMAND | MF_ENABLED);
  EnableMenuItem(gRecorderUi.trayMenu, ID_START, MF_BYCOMMAND | MF_ENABLED);
  EnableMenuItem(gRecorderUi.trayMenu, ID_STOP, MF_BYCOMMAND | MF_GRAYED);
  if (!CreateMainWindow()) {
    ShowMessage(kMessageInitFailed, kTitleWhy);
    return 0;
  }

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  UniqueFont font(gRecorderUi.font);
  UnregisterClassW(kRecorderClassName, instance);
  gRecorderUi = RecorderUi{};
  return static_cast<int>(message.wParam);
}

#include "recorder/recorder_app_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "capture/capture_engine_win.h"
#include "capture/directdraw_capture_win.h"
#include "capture/error_log.h"
#include "capture/sound_recording_win.h"
#include "common/handles_win.h"
#include "common/message.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "recorder/hotkey_text.h"
#include "recorder/main_window_layout.h"
#include "recorder/messages.h"
#include "recorder/resource.h"
#include "save/convert_temp_win.h"

RecorderUi gRecorderUi;
AppSettings gAppSettings;

namespace {
constexpr UINT kTrayIconId = 1;
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

bool CreateControls(HWND window) {
  gRecorderUi.startButton = CreateButton(window, ID_START, L"録画", 5, 5);
  gRecorderUi.stopButton =
      CreateButton(window, ID_STOP, L"停止", RightOf(gRecorderUi.startButton) + 4, 5);
  gRecorderUi.hideButton =
      CreateButton(window, ID_MAIN_WINDOW, L"隠す", RightOf(gRecorderUi.stopButton) + 4, 5);
  gRecorderUi.detailsButton =
      CreateButton(window, IDC_DETAILS, L"詳細>>", RightOf(gRecorderUi.hideButton) + 4, 5);

  // The tabs are laid out for the unfolded window whatever its state now.
  const WindowMetrics m = CurrentMetrics();
  const int top = m.frameHeight + 32;
  const int width = MainWindowWidth(m) - 2 * m.frameWidth - 6;
  const int height = kMainWindowUnfoldedHeight - m.captionHeight - 2 * m.frameHeight - top - 3;
  gRecorderUi.tabs = CreateWindowExW(
      0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 3, top, width, height,
      window, reinterpret_cast<HMENU>(IDC_TABS), gRecorderUi.instance, nullptr);
  if (!gRecorderUi.tabs) return false;
  SendMessageW(gRecorderUi.tabs, WM_SETFONT, reinterpret_cast<WPARAM>(gRecorderUi.font), TRUE);
  for (int i = 0; i < 3; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabNames[i]);
    TabCtrl_InsertItem(gRecorderUi.tabs, i, &item);
  }
  return CreatePages();
}

void EnableStartStop(bool idle) {
  EnableMenuItem(gRecorderUi.trayMenu, ID_QUIT, MF_BYCOMMAND | (idle ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(gRecorderUi.trayMenu, ID_START, MF_BYCOMMAND | (idle ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(gRecorderUi.trayMenu, ID_STOP, MF_BYCOMMAND | (idle ? MF_GRAYED : MF_ENABLED));
  EnableWindow(gRecorderUi.startButton, idle);
  EnableWindow(gRecorderUi.stopButton, !idle);
}

void ShowTrayMenu(HWND window) {
  POINT at;
  GetCursorPos(&at);
  SetForegroundWindow(window);
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = const_cast<wchar_t*>(gAppSettings.mainWindowVisible ? kMenuHideMainWindow
                                                                        : kMenuShowMainWindow);
  SetMenuItemInfoW(gRecorderUi.trayMenu, ID_MAIN_WINDOW, FALSE, &info);
  TrackPopupMenu(gRecorderUi.trayMenu, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window,
                 nullptr);
}

void ToggleMainWindow() {
  gAppSettings.mainWindowVisible = !gAppSettings.mainWindowVisible;
  ShowWindow(gRecorderUi.mainWindow, gAppSettings.mainWindowVisible ? SW_SHOW : SW_HIDE);
}

bool Idle() {
  return gCaptureSettings.captureProc == IdleCaptureProc;
}

// The lowest digit held down, on the main keys or the keypad; 0 for none.
int HeldDigit() {
  for (int digit = 1; digit <= 9; ++digit)
    if ((GetKeyState('0' + digit) & 0x8000) || (GetKeyState(VK_NUMPAD0 + digit) & 0x8000))
      return digit;
  return 0;
}

void StartPressed() {
  if (!IsWindowEnabled(gRecorderUi.startButton)) return;
  EnableMenuItem(gRecorderUi.trayMenu, ID_START, MF_BYCOMMAND | MF_GRAYED);
  EnableWindow(gRecorderUi.startButton, FALSE);
  const int digit = HeldDigit();
  if (digit == 0) return StartCommand();
  // The pacer's one "frame" of that many seconds is the wait.
  StartFramePacer(digit, 1);
  gCaptureSettings.captureProc = DelayedStartProc;
  EnableStartStop(false);
  RefreshPageEnabling();
}

void StopPressed() {
  // A start still waiting has recorded nothing: it is cancelled, nothing saved.
  if (gCaptureSettings.captureProc == DelayedStartProc) {
    gCaptureSettings.captureProc = IdleCaptureProc;
    SetIdleUi();
    return;
  }
  StopRecording();
}

void AskToQuit(HWND window) {
  if (!Idle()) return;
  if (ShowMessage(kMessageReallyQuit, kTitleConfirmQuit, MessageButtons::YesNo,
                  MessageIcon::Question, window) != MessageAnswer::Yes)
    return;
  RECT r;
  GetWindowRect(window, &r);
  gAppSettings.windowX = r.left;
  gAppSettings.windowY = r.top;
  DestroyWindow(window);
}

void MessageLoop(MSG* message) {
  for (;;) {
    if (PeekMessageW(message, nullptr, 0, 0, PM_REMOVE)) {
      if (message->message == WM_QUIT) return;
      TranslateMessage(message);
      DispatchMessageW(message);
      continue;
    }
    // Paces the next frame while recording; idle, it sleeps until a message comes.
    WaitForMessageOrFrame();
  }
}
}  // namespace

void DelayedStartProc() {
  gCaptureSettings.captureProc = IdleCaptureProc;
  StartCommand();
}

void StartCommand() {
  if (!Idle()) return;
  gCaptureEngine.tempFolder = gAppSettings.tempFolder;
  gCaptureEngine.programPath = gRecorderUi.programPath;
  gCaptureEngine.afterStop = SaveAfterStop;
  if (!StartRecording()) {
    // A first grab that failed has stopped the recording and saved what there was.
    SetIdleUi();
    return;
  }
  TrayIcon(NIM_MODIFY, gRecorderUi.recordingIcon);
  EnableStartStop(false);
  RefreshPageEnabling();
}

void SaveAfterStop() {
  const CaptureSettings& s = gCaptureSettings;
  if (!s.bitmapSequence && gAppSettings.saveAfterRecording) {
    HWND main = gRecorderUi.mainWindow;
    ShowWindow(main, SW_HIDE);
    if (!SetCurrentDirectoryW(Widen(gAppSettings.saveFolder).c_str()))
      gAppSettings.saveFolder = gRecorderUi.programPath;
    const TempFileNames& names = gCaptureEngine.names;
    ConvertTempToAvi(gRecorderUi.instance, main, names.tempPath,
                     s.recordSound ? names.wavPath : std::string(), &gAppSettings.saveFolder,
                     gAppSettings.showProgress, gAppSettings.saveWithDialog);
    if (gAppSettings.mainWindowVisible) ShowWindow(main, SW_SHOW);
  }
  TrayIcon(NIM_MODIFY, gRecorderUi.idleIcon);
  SetIdleUi();
}

void SetIdleUi() {
  EnableStartStop(true);
  RefreshPageEnabling();
}

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
    case WM_HOTKEY:
      switch (wparam) {
        case IDC_HOTKEY_START: StartPressed(); return 0;
        case IDC_HOTKEY_STOP: StopPressed(); return 0;
        case IDC_HOTKEY_HIDE: ToggleMainWindow(); return 0;
      }
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_DETAILS:
          gAppSettings.detailsExpanded = !gAppSettings.detailsExpanded;
          ApplyDetailsExpanded();
          return 0;
        case ID_START: StartPressed(); return 0;
        case ID_STOP: StopPressed(); return 0;
        case ID_MAIN_WINDOW: ToggleMainWindow(); return 0;
        case ID_QUIT:
          if (Idle()) PostMessageW(window, WM_CLOSE, 0, 0);
          return 0;
      }
      break;
    case WM_CLOSE: AskToQuit(window); return 0;
    case WM_DESTROY:
      for (int id : {IDC_HOTKEY_START, IDC_HOTKEY_STOP, IDC_HOTKEY_HIDE})
        UnregisterHotKey(window, id);
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
  const MainWindowPlacement place = PlaceMainWindow(
      metrics, gAppSettings.windowX, gAppSettings.windowY, gAppSettings.detailsExpanded);
  HWND window = CreateWindowExW(0, kRecorderClassName, kRecorderTitle, WS_CAPTION | WS_SYSMENU,
                                place.x, place.y, place.width, place.height, nullptr, nullptr,
                                gRecorderUi.instance, nullptr);
  if (!window) return false;
  gRecorderUi.font =
      CreateFontW(12, 0, 0, 0, 300, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック");
  INITCOMMONCONTROLSEX controls{
      sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_HOTKEY_CLASS | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  if (!CreateControls(window)) return false;
  ApplyDetailsExpanded();
  RefreshRangePage();
  RefreshRecordPage();
  RefreshBehaviourPage();
  RegisterAllHotkeys();
  ShowSelectedPage();
  // InitDirectDraw clears useDirectDraw itself when there is no DirectDraw.
  gRecorderUi.directDraw = InitDirectDraw(window);
  SetIdleUi();
  if (gAppSettings.mainWindowVisible) ShowWindow(window, SW_SHOW);
  return true;
}

std::string RecorderProgramPath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

int RecorderMain(HINSTANCE instance, const std::vector<std::string>& arguments) {
  const ParsedRecorderCommand command = ParseRecorderCommand(arguments);
  if (command.launch != RecorderLaunch::Window) return RecordUnattended(instance, command);

  UseWindowsMessageBoxes();
  gRecorderUi = RecorderUi{};
  gRecorderUi.instance = instance;
  gRecorderUi.programPath = RecorderProgramPath();
  BuildProgramFilePaths();
  SetStartupDefaults();
  gRecorderUi.classIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_RECORDER));
  gRecorderUi.idleIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TRAY_IDLE));
  gRecorderUi.recordingIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TRAY_RECORDING));
  LoadSettings();

  UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kRecorderMutexName));
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
    if (gRecorderUi.mainWindow) DestroyWindow(gRecorderUi.mainWindow);
    UniqueFont font(gRecorderUi.font);
    UnregisterClassW(kRecorderClassName, instance);
    return 0;
  }
  EnableWindow(gRecorderUi.startButton, TRUE);
  EnableWindow(gRecorderUi.stopButton, FALSE);

  MSG message{};
  MessageLoop(&message);

  CloseGdiCapture();
  ReleaseDirectDraw();
  StopSoundRecording();
  gCaptureEngine.afterStop = nullptr;
  UniqueFont font(gRecorderUi.font);
  UnregisterClassW(kRecorderClassName, instance);
  menu.reset();
  mutex.reset();
  SaveSettings();
  gRecorderUi = RecorderUi{};
  return static_cast<int>(message.wParam);
}

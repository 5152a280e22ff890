#pragma once
#include <windows.h>

#include "recorder/app_settings.h"

// Process-wide state of the recorder's user interface.
struct RecorderUi {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HMENU menu = nullptr;      // menu 102
  HMENU trayMenu = nullptr;  // its first submenu
  HFONT font = nullptr;
  HICON classIcon = nullptr;
  HICON idleIcon = nullptr;
  HICON recordingIcon = nullptr;
  HWND tabs = nullptr;
  HWND pages[3] = {};
  HWND startButton = nullptr;
  HWND stopButton = nullptr;
  HWND hideButton = nullptr;
  HWND detailsButton = nullptr;
};

extern RecorderUi gRecorderUi;
extern AppSettings gAppSettings;

inline constexpr wchar_t kRecorderClassName[] = L"DCピコラ";
inline constexpr wchar_t kRecorderTitle[] = L"ヌーロ ピコラ Ver.2.1";

// The program: start-up, message loop, shut-down. Returns the exit code.
int RecorderMain(HINSTANCE instance);
bool CreateMainWindow();
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

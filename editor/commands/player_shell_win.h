#pragma once
#include <windows.h>

// Process-wide state of the editor's shell.
struct PlayerShell {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HWND playerWindow = nullptr;
  int playerBarHeight = 0;
  bool spaceLatch = false;
  bool fittingLatch = false;
};

extern PlayerShell gPlayerShell;

inline constexpr wchar_t kPlayerClassName[] = L"ピコラプレイヤー";

// The program: start-up, message loop, shut-down. Returns the exit code.
int EditorMain(HINSTANCE instance, int showState);
LRESULT CALLBACK PlayerMainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void FitMainWindowToPlayer();

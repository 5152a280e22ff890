#pragma once
// Our own screen-saver library. Debian's MinGW ships an empty libscrnsave.a, so
// this stands in for the platform's: it owns the entry point and the command
// line, creates the saver window (full screen or as a preview child), ends the
// saver on mouse or keyboard activity and shows configuration dialog 2003. The
// saver supplies the three procedures below, exactly as with the platform's.
// Password checking is left to the system, as on every Windows since NT.
#include <windows.h>

#define DLG_SCRNSAVECONFIGURE 2003
#define idsIniFile 1001
#define idsAppName 1007

extern "C" {
// Supplied by the saver.
LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
BOOL WINAPI RegisterDialogClasses(HANDLE instance);

// Supplied by the library.
LRESULT WINAPI DefScreenSaverProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
extern HINSTANCE hMainInstance;
extern HWND hMainWindow;
extern BOOL fChildPreview;
}

// The whole run for one command line (without the program name); returns the
// process exit code. The library's WinMain calls it; tests may too.
int ScreenSaverMain(HINSTANCE instance, const wchar_t* arguments);

inline constexpr wchar_t kScreenSaverClass[] = L"WindowsScreenSaverClass";

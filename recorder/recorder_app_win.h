#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "recorder/app_settings.h"
#include "recorder/record_command.h"

// Process-wide state of the recorder's user interface.
struct RecorderUi {
  HINSTANCE instance = nullptr;
  std::string programPath;  // the program file's full path, UTF-8
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
  WNDPROC staticProc = nullptr;  // the pages' own procedure runs in front of it
  bool refreshing = false;       // pages are being set from the settings
  bool directDraw = false;       // a DirectDraw object exists
  bool targetListed = false;     // the last refresh found targetWindow in the window list
};

extern RecorderUi gRecorderUi;
extern AppSettings gAppSettings;

inline constexpr wchar_t kRecorderClassName[] = L"DCピコラ";
inline constexpr wchar_t kRecorderTitle[] = L"ヌーロ ピコラ Ver.2.1";
inline constexpr wchar_t kRecorderMutexName[] = L"DCピコラ";

// The program: start-up, message loop, shut-down. Returns the exit code.
// With "/record" among the arguments it records unattended instead.
int RecorderMain(HINSTANCE instance, const std::vector<std::string>& arguments = {});
bool CreateMainWindow();
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void StartCommand();
void SetIdleUi();
// The recorder's part of the stop: saving the recording (gCaptureEngine.afterStop).
void SaveAfterStop();
// Waits for the pacer's delayed start; runs StartCommand.
void DelayedStartProc();

// The program file's full path, UTF-8.
std::string RecorderProgramPath();

// --- Settings file (settings_file_win.cpp) -------------------------------------
void SetStartupDefaults();
void LoadSettings();
// False when the file could not be written; the old one then stays as it was.
bool SaveSettings();

// --- Pages (recorder_pages_win.cpp) --------------------------------------------
bool CreatePages();
void RefreshRangePage();
void RefreshRecordPage();
void RefreshBehaviourPage();
// Enables or disables every page control for the idle or recording state.
void RefreshPageEnabling();
void ShowSelectedPage();
LRESULT CALLBACK RangePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK RecordPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK BehaviourPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
// The page that holds the control with this id, or null.
HWND PageOfControl(int id);

// --- Window list and selection overlay (selection_win.cpp) ---------------------
// Selection state of the overlay.
enum : uint8_t { kSelectNone = 0, kSelectRange = 1, kSelectDragging = 2, kSelectWindow = 3 };
struct SelectionOverlay {
  uint8_t state = kSelectNone;
  HWND window = nullptr;
};
extern SelectionOverlay gSelectionOverlay;
inline constexpr wchar_t kOverlayClassName[] = L"QUILVA_SUB";
// Rebuilds the range page's window list from the windows on the screen, top
// first; with none, falls back to a fixed range and says so.
void FillWindowList();
// Selects the entry of targetWindow, or the first entry, which then becomes the
// target. False when targetWindow was not in the list.
bool SelectTargetInWindowList();
// Runs the full-screen overlay until the range is dragged out (mode
// kSelectRange) or a window is clicked (kSelectWindow).
bool RunSelectionOverlay(HINSTANCE instance, uint8_t mode);

// --- Hotkeys and sound format (recorder_dialogs_win.cpp) -------------------------
// (Re)registers the three hotkeys for the main window and captions their buttons.
void RegisterAllHotkeys();
// The behaviour page's hotkey button with this id: dialog 103, then registration.
void EditHotkey(int id);
// The capability flags the sound-format dialog offers; tests stand in for the device.
extern uint32_t (*gSoundFormatQuery)();
INT_PTR CALLBACK SoundFormatDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// --- Unattended recording (unattended_win.cpp) ---------------------------------
// "/record": records for the seconds asked, saves the AVI without any dialog,
// prints its path; failures print the reason on standard error. Never touches
// the settings file. Returns the exit code (kRecordExit*).
int RecordUnattended(HINSTANCE instance, const ParsedRecorderCommand& command);

#pragma once
// The editor's shell: a top-level window holding the media-control player,
// the menu of whole-movie commands, the title, keys and dropped files.
#include <windows.h>

#include <string>
#include <vector>

#include "editor/filters/dialog_kind.h"

// Process-wide state of the editor's shell.
struct PlayerShell {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HWND playerWindow = nullptr;
  int playerBarHeight = 0;  // the player as first made: its play bar without a picture
  bool spaceLatch = false;  // a handled Space key-down, until the next key-up
  bool fittingLatch = false;
};

extern PlayerShell gPlayerShell;
// Which command opened the shared range and strength dialogs.
extern DialogKind gDialogKind;

inline constexpr wchar_t kPlayerClassName[] = L"ピコラプレイヤー";
inline constexpr int kSpaceKey = 32;
inline constexpr int kEscapeKey = 27;

// The program: start-up, opening the first of `files` that opens, the message
// loop, shut-down. Returns the exit code.
int EditorMain(HINSTANCE instance, int showState, const std::vector<std::wstring>& files);

// Start-up steps 1 to 4 without showing: the class, the main window and the
// player; false after the failure's message, with nothing left made.
bool CreatePlayerShell(HINSTANCE instance);
void DestroyPlayerShell();

LRESULT CALLBACK PlayerMainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void FitMainWindowToPlayer();
bool OpenInPlayer(const wchar_t* path);
// What the menu offers for a file, by its extension.
enum class FileKind { Movie, Sound, Other };
FileKind FileKindOf(const std::wstring& path);
void DisableFileCommands();
void EnableFileCommands();
// The open-file dialog of "開く(&O)".
void OpenFileFromDialog();
// The title on a position notification.
void ShowPositionInTitle(LONG position);

#pragma once
// The editor's menu commands: which file each needs and what runs, and the
// routing every WM_COMMAND of the main window goes through.
#include <windows.h>

#include <span>

#include "editor/filters/dialog_kind.h"

// A command's own work; returns its success flag.
using CommandAction = bool (*)();

inline constexpr int kNoDialogKind = -1;

struct EditorCommand {
  UINT id;
  bool needsMovie;       // enabled only while an AVI (or a WAV, for two of them) is open
  int dialogKind;        // stored in gDialogKind before the action, or kNoDialogKind
  CommandAction action;  // null would run the routing alone
  bool announceSuccess;  // "無事終了いたしましたわ" when the action returns true
};

std::span<const EditorCommand> EditorCommands();
const EditorCommand* FindEditorCommand(UINT id);

// Stops the player and grays the file items (except for "画面を保存(&S)"),
// runs the command, puts the title at position 0 and enables the items again.
void RouteCommand(UINT id);

// The frame "画面を保存(&S)" saves: the position, or the last frame when the
// player stands at or past the end.
LONG ScreenFrameToSave(LONG position, LONG length);

#include "editor/commands/command_table_win.h"

// Our AVI services' headers go before <vfw.h>.
#include "editor/pipeline/output_movie_win.h"

#include <vfw.h>

#include "common/message.h"
#include "editor/commands/messages.h"
#include "editor/commands/player_shell_win.h"
#include "editor/commands/resource.h"
#include "editor/editing/stream_editing_win.h"
#include "editor/filter_dialogs/filter_dialogs_win.h"
#include "editor/pipeline/whole_movie_win.h"
#include "editor/range/range_dialog_win.h"
#include "editor/range/text_drawing_win.h"
#include "editor/streams/streams_win.h"
#include "editor/synthesis/synthesis_win.h"

namespace {
constexpr bool kMovie = true;    // the command works on the open file
constexpr bool kNoFile = false;  // it asks for its files, or needs none
constexpr int kNone = kNoDialogKind;
constexpr bool kAnnounce = true;
constexpr bool kQuiet = false;

constexpr int Kind(DialogKind kind) {
  return static_cast<int>(kind);
}

bool OpenCommand() {
  OpenFileFromDialog();
  return true;
}

bool QuitCommand() {
  PostQuitMessage(0);
  return true;
}

bool BitmapsToMovieCommand() {
  RunBitmapsToMovieDialog(gEditorWindows.mainWindow);
  return true;
}
bool CrossFadeCommand() {
  return CrossFadeBitmaps(gEditorWindows.mainWindow);
}
bool BurnCommand() {
  return BurnBitmap(gEditorWindows.mainWindow, PlayerFileName());
}
bool ExtractSoundCommand() {
  return ExtractTrack(false);
}
bool ExtractVideoCommand() {
  return ExtractTrack(true);
}

// The range dialog reports its own outcome; the text dialog opens only when
// it handed over a text range.
bool RangeCommand() {
  return RunRangeDialog(gEditorWindows.mainWindow, gDialogKind) != 0;
}
bool DrawTextCommand() {
  if (RunRangeDialog(gEditorWindows.mainWindow, gDialogKind) == 0) return false;
  return RunTextDialog(gEditorWindows.mainWindow);
}
bool SaveScreenCommand() {
  HWND player = gEditorWindows.playerWindow;
  const LONG length = static_cast<LONG>(SendMessageW(player, MCIWNDM_GETLENGTH, 0, 0));
  const LONG position = static_cast<LONG>(SendMessageW(player, MCIWNDM_GETPOSITIONW, 0, 0));
  const LONG p = ScreenFrameToSave(position, length);
  return ExtractRangeToBitmaps(p, p);
}
bool StreamInfoCommand() {
  return RunStreamInfoDialog(gEditorWindows.mainWindow);
}
bool JoinManyCommand() {
  return RunJoinManyDialog(gEditorWindows.mainWindow);
}
bool ResizeCommand() {
  return RunResizeDialog(gEditorWindows.mainWindow);
}

// Every menu item of resource 102 with the command it runs.
constexpr EditorCommand kCommands[] = {
    {ID_FILE_OPEN, kNoFile, kNone, OpenCommand, kQuiet},
    {ID_FILE_QUIT, kNoFile, kNone, QuitCommand, kQuiet},
    {ID_RGB, kMovie, kNone, RunRgbDialog, kQuiet},
    {ID_YCRCB, kMovie, kNone, RunYCrCbDialog, kQuiet},
    {ID_CONTRAST, kMovie, Kind(DialogKind::Contrast), RunContrastDialog, kQuiet},
    {ID_GAMMA, kMovie, Kind(DialogKind::Gamma), RunGammaDialog, kQuiet},
    {ID_GRAYSCALE, kMovie, kNone, ProcessGrayscale, kQuiet},
    {ID_PALE, kMovie, kNone, ProcessPale, kQuiet},
    // Range dialog 101; when it returns non-zero, dialog 111 and DrawTextOnMovie.
    {ID_DRAW_TEXT, kMovie, Kind(DialogKind::Text), DrawTextCommand, kQuiet},
    {ID_BLUR, kMovie, Kind(DialogKind::Blur), RunBlurDialog, kQuiet},
    {ID_MEDIAN, kMovie, Kind(DialogKind::Median), RunMedianDialog, kQuiet},
    {ID_UNSHARP, kMovie, Kind(DialogKind::UnsharpMask), RunUnsharpMaskDialog, kQuiet},
    {ID_WATERCOLOUR, kMovie, Kind(DialogKind::Watercolour), RunWatercolourDialog, kQuiet},
    {ID_EDGE, kMovie, kNone, RunEdgeDialog, kQuiet},
    {ID_LIGHT, kMovie, kNone, RunLightDialog, kQuiet},
    {ID_CUSTOM, kMovie, kNone, RunCustomDialog, kQuiet},
    {ID_EXTRACT_AUDIO, kMovie, kNone, ExtractSoundCommand, kAnnounce},
    {ID_EXTRACT_VIDEO, kMovie, kNone, ExtractVideoCommand, kAnnounce},
    {ID_EXTRACT_RANGE_AVI, kMovie, Kind(DialogKind::RangeMovie), RangeCommand, kQuiet},
    {ID_EXTRACT_RANGE_BITMAPS, kMovie, Kind(DialogKind::RangeBitmaps), RangeCommand, kQuiet},
    {ID_AUTO_SPLIT, kMovie, kNone, SplitAtSceneChanges, kQuiet},
    {ID_PASTE_FROM_FILE, kMovie, kNone, PasteMovie, kAnnounce},
    {ID_JOIN_VIDEO_SOUND, kMovie, kNone, JoinVideoAndSound, kAnnounce},
    {ID_STREAM_INFO, kMovie, kNone, StreamInfoCommand, kQuiet},
    {ID_HALVE_FRAMES, kMovie, kNone, HalveFrameCount, kQuiet},
    {ID_CONVERT_24BIT, kMovie, kNone, ConvertTo24Bit, kQuiet},
    {ID_RESIZE, kMovie, kNone, ResizeCommand, kQuiet},
    {ID_REVERSE, kMovie, kNone, ReverseMovie, kQuiet},
    {ID_CREATE_FROM_BITMAPS, kNoFile, kNone, BitmapsToMovieCommand, kQuiet},
    {ID_CROSS_FADE, kNoFile, kNone, CrossFadeCommand, kQuiet},
    {ID_JOIN_MANY, kNoFile, kNone, JoinManyCommand, kQuiet},
    {ID_BURN, kNoFile, kNone, BurnCommand, kQuiet},
    // The bitmap of frame ScreenFrameToSave(position, length) through the
    // range-to-bitmap extraction; the player keeps playing.
    {ID_SAVE_SCREEN, kMovie, kNone, SaveScreenCommand, kQuiet},
};
}  // namespace

std::span<const EditorCommand> EditorCommands() {
  return kCommands;
}

const EditorCommand* FindEditorCommand(UINT id) {
  for (const EditorCommand& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

LONG ScreenFrameToSave(LONG position, LONG length) {
  return position < length ? position : length - 1;
}

void RouteCommand(UINT id) {
  HWND player = gPlayerShell.playerWindow;
  if (id != ID_SAVE_SCREEN) {
    SendMessageW(player, MCI_STOP, 0, 0);
    DisableFileCommands();
  }
  FreePreviewFrame();
  const EditorCommand* command = FindEditorCommand(id);
  if (command) {
    if (command->dialogKind != kNoDialogKind) gDialogKind = DialogKind(command->dialogKind);
    if (command->action && command->action() && command->announceSuccess)
      ShowMessage(kMessageCommandDone, kTitleGlad);
  }
  FreePreviewFrame();
  // The command may have replaced the player (a file opened), so ask again.
  SendMessageW(gPlayerShell.mainWindow, MCIWNDM_NOTIFYPOS,
               reinterpret_cast<WPARAM>(gPlayerShell.playerWindow), 0);
  EnableFileCommands();
}

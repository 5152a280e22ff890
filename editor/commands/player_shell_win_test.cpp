// The editor's shell: its window pair, menu and ending, in this process and as
// its own program.
#include "editor/commands/player_shell_win.h"

#include <gtest/gtest.h>

#include "editor/commands/resource.h"
#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;

namespace {
constexpr char kClass[] = "ピコラプレイヤー";

bool MenuItemGrayed(HMENU menu, UINT id) {
  return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}
}  // namespace

TEST(EditorShell, StartsWithOnlyTheFileFreeCommandsEnabled) {
  DialogScript script;
  script.Window(kClass, [](DialogHandle& w) {
    EXPECT_EQ(w.Caption(), "ピコラプレイヤー");
    HMENU menu = GetMenu(w.window());
    ASSERT_TRUE(menu);
    for (UINT id :
         {ID_FILE_OPEN, ID_FILE_QUIT, ID_CREATE_FROM_BITMAPS, ID_CROSS_FADE, ID_JOIN_MANY, ID_BURN})
      EXPECT_FALSE(MenuItemGrayed(menu, id)) << id;
    for (UINT id : {ID_RGB, ID_GRAYSCALE, ID_CUSTOM, ID_EXTRACT_AUDIO, ID_REVERSE, ID_RESIZE,
                    ID_SAVE_SCREEN, ID_JOIN_VIDEO_SOUND, ID_STREAM_INFO})
      EXPECT_TRUE(MenuItemGrayed(menu, id)) << id;
    HWND player = GetWindow(w.window(), GW_CHILD);
    ASSERT_TRUE(player) << "the media-control window is the main window's child";
    EXPECT_TRUE(GetWindowLongW(player, GWL_STYLE) & WS_BORDER);
    w.Command(ID_FILE_QUIT);
  });
  DialogDriver driver(script);
  EXPECT_EQ(EditorMain(GetModuleHandleW(nullptr), SW_SHOW), 0);
  driver.Finish();
}

TEST(EditorProgram, StartsAndEndsWhenItsWindowIsClosed) {
  DialogScript script;
  script.Window(kClass, [](DialogHandle& w) { w.PostClose(); }).Within(30s);
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_EDITOR_EXE), script, 60s), 0);
}

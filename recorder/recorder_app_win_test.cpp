// The recorder's start-up and shut-down, in this process and as its own program.
#include "recorder/recorder_app_win.h"

#include <gtest/gtest.h>

#include "common/handles_win.h"
#include "recorder/resource.h"
#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;

namespace {
constexpr char kClass[] = "DCピコラ";

void ExpectIdleMainWindow(DialogHandle& window) {
  EXPECT_EQ(window.Caption(), "ヌーロ ピコラ Ver.2.1");
  EXPECT_EQ(window.Text(ID_START), "録画");
  EXPECT_EQ(window.Text(ID_STOP), "停止");
  EXPECT_EQ(window.Text(ID_MAIN_WINDOW), "隠す");
  EXPECT_EQ(window.Text(IDC_DETAILS), "<<詳細") << "unfolded on the first start";
  EXPECT_TRUE(window.Enabled(ID_START));
  EXPECT_FALSE(window.Enabled(ID_STOP));
  LONG style = GetWindowLongW(window.window(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the main window is not resizable";
}
}  // namespace

TEST(RecorderStartup, ShowsItsWindowAndQuitsOnlyWhenTheUserSaysYes) {
  DialogScript script;
  script
      .Window(kClass,
              [](DialogHandle& w) {
                ExpectIdleMainWindow(w);
                w.PostClose();
              })
      .Message("終了確認", "本当に終了してよろしいですか？", MessageAnswer::No)
      .Window(kClass,
              [](DialogHandle& w) {
                EXPECT_TRUE(w.IsOpen()) << "answering No keeps the recorder running";
                w.PostClose();
              })
      .Message("終了確認", "本当に終了してよろしいですか？", MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST(RecorderStartup, DetailsButtonFoldsAndUnfoldsTheTabs) {
  DialogScript script;
  script
      .Window(kClass,
              [](DialogHandle& w) {
                RECT unfolded;
                GetWindowRect(w.window(), &unfolded);
                EXPECT_EQ(unfolded.bottom - unfolded.top, 300);
                w.Click(IDC_DETAILS);
                RECT folded;
                GetWindowRect(w.window(), &folded);
                EXPECT_LT(folded.bottom - folded.top, 300);
                EXPECT_EQ(folded.left, unfolded.left) << "the window keeps its place";
                EXPECT_EQ(w.Text(IDC_DETAILS), "詳細>>");
                w.Click(IDC_DETAILS);
                EXPECT_EQ(w.Text(IDC_DETAILS), "<<詳細");
                w.PostClose();
              })
      .Message("終了確認", "本当に終了してよろしいですか？", MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST(RecorderStartup, ASecondRecorderSaysSoAndEnds) {
  // The first recorder's mutex, held here.
  UniqueHandle first(CreateMutexW(nullptr, FALSE, L"DCピコラ"));
  ASSERT_TRUE(first);
  DialogScript script;
  script.Message("あらら", "同じ名前の方がいらっしゃいますの。");
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST(RecorderProgram, StartsAndEndsCleanlyAsItsOwnProcess) {
  DialogScript script;
  script.Window(kClass, [](DialogHandle& w) { w.PostClose(); })
      .Within(30s)
      .Message("終了確認", "本当に終了してよろしいですか？", MessageAnswer::Yes);
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_RECORDER_EXE), script, 60s), 0);
}

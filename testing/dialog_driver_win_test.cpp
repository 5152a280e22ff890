#include "testing/dialog_driver_win.h"

#include <commdlg.h>
#include <shlobj.h>
#include <vfw.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>

#include "common/bytes.h"
#include "common/message.h"
#include "common/text_win.h"
#include "testing/driver_sample_win.h"

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

namespace {
// Runs the body and hands back the failures reported inside it, which then
// do not count against the test.
Lines CollectFailures(const std::function<void()>& body) {
  testing::TestPartResultArray results;
  {
    testing::ScopedFakeTestPartResultReporter reporter(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
    body();
  }
  Lines messages;
  for (int i = 0; i < results.size(); ++i)
    messages.push_back(results.GetTestPartResult(i).message());
  return messages;
}

bool Mentions(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

// A fresh folder under the temp folder, by default with a Japanese name.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& name = L"ドライバ試験") {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter_);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() {
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
    RemoveDirectoryW(path_.c_str());
  }
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) {
    files_.push_back(path_ + L"\\" + name);
    return files_.back();
  }

 private:
  static inline int counter_ = 0;
  std::wstring path_;
  std::vector<std::wstring> files_;
};

bool WriteBytes(const std::wstring& path, const void* data, size_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  CloseHandle(file);
  return ok;
}

OPENFILENAMEW FileRequest(wchar_t* buffer, DWORD flags) {
  OPENFILENAMEW request{};
  request.lStructSize = sizeof request;
  request.lpstrFilter = L"AVI\0*.avi\0All\0*.*\0";
  request.lpstrFile = buffer;
  request.nMaxFile = MAX_PATH;
  request.lpstrDefExt = L"avi";
  // Without OFN_NOCHANGEDIR the dialog moves the current folder into the
  // temp folder, which then cannot be removed.
  request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | flags;
  return request;
}
}  // namespace

// ---- message boxes ----

TEST(DialogDriverTest, AnswersMessageBoxesAndRecordsTheirTextsExactly) {
  DialogScript script;
  script.Message("よかったです", "無事終了いたしましたわ。", MessageAnswer::Ok)
      .Message("確認", "上書きしてもよろしくて？\n「A&B.avi」", MessageAnswer::Yes)
      .Message("確認", "消してもよろしくて？", MessageAnswer::No)
      .AnyMessage(MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(ShowMessage("無事終了いたしましたわ。", "よかったです"), MessageAnswer::Ok);
  EXPECT_EQ(ShowMessage("上書きしてもよろしくて？\n「A&B.avi」", "確認", MessageButtons::YesNo,
                        MessageIcon::Question),
            MessageAnswer::Yes);
  EXPECT_EQ(
      ShowMessage("消してもよろしくて？", "確認", MessageButtons::YesNo, MessageIcon::Warning),
      MessageAnswer::No);
  EXPECT_EQ(ShowMessage("何でもよくてよ", "おまけ", MessageButtons::YesNo), MessageAnswer::Yes);
  std::vector<RecordedMessage> messages = driver.Finish();
  EXPECT_EQ(MessageLines(messages),
            (Lines{"よかったです: 無事終了いたしましたわ。",
                   "確認: 上書きしてもよろしくて？\n「A&B.avi」", "確認: 消してもよろしくて？",
                   "おまけ: 何でもよくてよ"}));
  for (const RecordedMessage& m : messages) EXPECT_TRUE(m.expected) << m.text;
}

// ---- our own dialogs ----

TEST(DialogDriverTest, DrivesEveryKindOfControlWithItsNotifications) {
  gSample = {};
  DialogScript script;
  script.Dialog(IDD_DRIVER_SAMPLE, [](DialogHandle& d) {
    EXPECT_EQ(d.TemplateId(), IDD_DRIVER_SAMPLE);
    EXPECT_EQ(d.Kind(), DriverDialogKind::Own);
    EXPECT_EQ(d.Caption(), "動作確認のお部屋");
    EXPECT_EQ(d.Text(IDC_SAMPLE_READONLY), "読むだけ");
    EXPECT_EQ(d.Entries(IDC_SAMPLE_COMBO), (Lines{"小", "中", "大"}));
    EXPECT_EQ(d.SelectedText(IDC_SAMPLE_COMBO), "中");
    EXPECT_EQ(d.Selected(IDC_SAMPLE_LIST), -1);

    EXPECT_TRUE(d.SetText(IDC_SAMPLE_NAME, "山田 花子"));
    EXPECT_EQ(d.Text(IDC_SAMPLE_NAME), "山田 花子");

    EXPECT_TRUE(d.Scroll(IDC_SAMPLE_LEVEL, 200));
    EXPECT_EQ(d.ScrollPos(IDC_SAMPLE_LEVEL), 200);
    EXPECT_EQ(d.Text(IDC_SAMPLE_LEVEL_TEXT), "200");
    EXPECT_TRUE(d.ScrollCode(IDC_SAMPLE_LEVEL, SB_LINERIGHT));
    EXPECT_EQ(d.Text(IDC_SAMPLE_LEVEL_TEXT), "201");
    EXPECT_TRUE(d.Scroll(IDC_SAMPLE_LEVEL, 999));  // beyond the end: the thumb stops there
    EXPECT_EQ(d.ScrollPos(IDC_SAMPLE_LEVEL), 255);
    EXPECT_TRUE(d.Scroll(IDC_SAMPLE_LEVEL, 42));

    EXPECT_FALSE(d.Enabled(IDC_SAMPLE_DRAW_TEXT));
    EXPECT_TRUE(d.SetChecked(IDC_SAMPLE_DRAW, true));
    EXPECT_TRUE(d.Checked(IDC_SAMPLE_DRAW));
    EXPECT_TRUE(d.Enabled(IDC_SAMPLE_DRAW_TEXT));
    EXPECT_TRUE(d.SetText(IDC_SAMPLE_DRAW_TEXT, "撮影日"));

    EXPECT_TRUE(d.Checked(IDC_SAMPLE_WHOLE));
    EXPECT_TRUE(d.Click(IDC_SAMPLE_PART));
    EXPECT_TRUE(d.Checked(IDC_SAMPLE_PART));
    EXPECT_FALSE(d.Checked(IDC_SAMPLE_WHOLE));

    EXPECT_EQ(d.UpDownPos(IDC_SAMPLE_COUNT_SPIN), 5);
    EXPECT_TRUE(d.SetUpDown(IDC_SAMPLE_COUNT_SPIN, 7));
    EXPECT_EQ(d.Text(IDC_SAMPLE_COUNT), "7");              // the buddy follows
    EXPECT_FALSE(d.SetUpDown(IDC_SAMPLE_COUNT_SPIN, 13));  // the dialog refuses 13
    EXPECT_EQ(d.UpDownPos(IDC_SAMPLE_COUNT_SPIN), 7);

    EXPECT_TRUE(d.Select(IDC_SAMPLE_LIST, "緑"));
    EXPECT_EQ(d.Selected(IDC_SAMPLE_LIST), 1);
    EXPECT_TRUE(d.Select(IDC_SAMPLE_COMBO, "大"));
    EXPECT_TRUE(d.Click(IDOK));
  });
  DialogDriver driver(script);
  EXPECT_EQ(RunSampleDialog(nullptr), IDOK);
  driver.Finish();

  EXPECT_EQ(gSample.name, "山田 花子");
  EXPECT_GE(gSample.nameChanges, 1);
  EXPECT_EQ(gSample.level, 42);
  EXPECT_EQ(gSample.levelNotices, 11);  // track, position, end per drag; line and end per step
  EXPECT_EQ(gSample.count, 7);
  EXPECT_EQ(gSample.countNotices, 1);
  EXPECT_EQ(gSample.countDeltas, 2);
  EXPECT_TRUE(gSample.draw);
  EXPECT_EQ(gSample.drawText, "撮影日");
  EXPECT_FALSE(gSample.whole);
  EXPECT_EQ(gSample.listEntry, "緑");
  EXPECT_EQ(gSample.listChanges, 1);
  EXPECT_EQ(gSample.comboEntry, "大");
  EXPECT_EQ(gSample.comboChanges, 1);
}

TEST(DialogDriverTest, RefusesWhatAUserCouldNotDo) {
  Lines failures;
  DialogScript script;
  script.Dialog(IDD_DRIVER_SAMPLE, [&](DialogHandle& d) {
    failures = CollectFailures([&] {
      d.SetText(IDC_SAMPLE_DRAW_TEXT, "x");  // disabled until the box is checked
      d.SetText(IDC_SAMPLE_READONLY, "x");
      d.SetText(IDC_SAMPLE_COMBO, "x");  // a drop-down list takes no typing
      d.Click(4711);
      d.Select(IDC_SAMPLE_LIST, "黒");
      d.SelectIndex(IDC_SAMPLE_COMBO, 3);
    });
    EXPECT_EQ(d.Text(IDC_SAMPLE_READONLY), "読むだけ");
    d.Close();
  });
  DialogDriver driver(script);
  EXPECT_EQ(RunSampleDialog(nullptr), IDCANCEL);
  driver.Finish();
  ASSERT_EQ(failures.size(), 6u) << testing::PrintToString(failures);
  EXPECT_TRUE(Mentions(failures[0], "disabled control 1025")) << failures[0];
  EXPECT_TRUE(Mentions(failures[1], "takes no typing")) << failures[1];
  EXPECT_TRUE(Mentions(failures[2], "takes no typing")) << failures[2];
  EXPECT_TRUE(Mentions(failures[3], "no control 4711 of the dialog 101 \"動作確認のお部屋\""))
      << failures[3];
  EXPECT_TRUE(Mentions(failures[4], "no entry \"黒\"; it has:\n  \"赤\"\n  \"緑\"\n  \"青\""))
      << failures[4];
  EXPECT_TRUE(Mentions(failures[5], "has no entry 3 (it has 3)")) << failures[5];
}

TEST(DialogDriverTest, ServesADialogOpenedFromAStepBeforeTheStepGoesOn) {
  gSample = {};
  DialogScript script;
  script
      .Dialog(IDD_DRIVER_SAMPLE,
              [](DialogHandle& d) {
                EXPECT_TRUE(d.Click(IDC_SAMPLE_ASK));
                EXPECT_TRUE(gSample.asked);  // the question was answered meanwhile
                EXPECT_TRUE(d.Click(IDCANCEL));
              })
      .Message("ご確認くださいませ", "本当によろしいですか？", MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RunSampleDialog(nullptr), IDCANCEL);
  EXPECT_EQ(MessageLines(driver.Finish()), (Lines{"ご確認くださいませ: 本当によろしいですか？"}));
  EXPECT_EQ(gSample.askAnswer, MessageAnswer::Yes);
}

TEST(DialogDriverTest, FindsADialogByCaptionWhenItCarriesNoId) {
  gSample = {};
  DialogScript script;
  script.DialogCaptioned("動作確認のお部屋", [](DialogHandle& d) {
    EXPECT_EQ(d.TemplateId(), 0);
    d.SetText(IDC_SAMPLE_NAME, "題名で");
    d.Click(IDOK);
  });
  DialogDriver driver(script);
  EXPECT_EQ(RunUntaggedSampleDialog(nullptr), IDOK);
  driver.Finish();
  EXPECT_EQ(gSample.name, "題名で");
}

TEST(DialogDriverTest, TakesUpAModelessDialogAgainForEachStepThatNamesIt) {
  gSample = {};
  DialogScript script;
  script.Dialog(IDD_DRIVER_SAMPLE, [](DialogHandle& d) { d.SetText(IDC_SAMPLE_NAME, "一回目"); })
      .Dialog(IDD_DRIVER_SAMPLE, [](DialogHandle& d) {
        EXPECT_EQ(d.Text(IDC_SAMPLE_NAME), "一回目");
        d.Click(IDOK);
      });
  DialogDriver driver(script);
  HWND dialog = CreateSampleDialog(nullptr);
  ASSERT_TRUE(dialog);
  ShowWindow(dialog, SW_SHOW);
  EXPECT_TRUE(driver.WaitForSteps());
  driver.Finish();
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_EQ(gSample.name, "一回目");
  DestroyWindow(dialog);
}

TEST(DialogDriverTest, AnIgnoredDialogIsNeitherServedNorReported) {
  gSample = {};
  DialogScript script;
  script.Ignore(IDD_DRIVER_SAMPLE).Message("進み具合", "いま途中ですわ");
  DialogDriver driver(script);
  HWND dialog = CreateSampleDialog(nullptr);  // stands for a progress window
  ASSERT_TRUE(dialog);
  ShowWindow(dialog, SW_SHOW);
  ShowMessage("いま途中ですわ", "進み具合");
  EXPECT_TRUE(driver.WaitForSteps());
  EXPECT_EQ(driver.Finish().size(), 1u);
  EXPECT_TRUE(IsWindowVisible(dialog)) << "left alone, not dismissed";
  EXPECT_EQ(gSample.name, "");
  DestroyWindow(dialog);
}

namespace {
constexpr wchar_t kMainClass[] = L"QuilvaDriverTestMain";
constexpr int kMenuAsk = 40001;

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == kMenuAsk) {
    ShowMessage("開きましたわ", "メニュー", MessageButtons::Ok, MessageIcon::None, window);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void PumpFor(std::chrono::milliseconds span) {
  Clock::time_point end = Clock::now() + span;
  MSG msg;
  while (Clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}
}  // namespace

TEST(DialogDriverTest, SendsMenuCommandsToAMainWindowAndClosesIt) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = MainProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kMainClass;
  RegisterClassW(&windowClass);
  DialogScript script;
  script.Window("QuilvaDriverTestMain", [](DialogHandle& d) { d.Command(kMenuAsk); })
      .Message("メニュー", "開きましたわ")
      .Window("QuilvaDriverTestMain", [](DialogHandle& d) { d.PostClose(); });
  DialogDriver driver(script);
  HWND main = CreateWindowW(kMainClass, L"主窓", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(main);
  EXPECT_TRUE(driver.WaitForSteps());
  PumpFor(100ms);
  EXPECT_FALSE(IsWindow(main));  // closed by the last step
  if (IsWindow(main)) DestroyWindow(main);
  EXPECT_EQ(MessageLines(driver.Finish()), (Lines{"メニュー: 開きましたわ"}));
  UnregisterClassW(kMainClass, GetModuleHandleW(nullptr));
}

// ---- failures the driver reports ----

TEST(DialogDriverFailureTest, AMessageThatNeverComesFailsWithinItsBound) {
  Clock::time_point start = Clock::now();
  bool allCame = true;
  Lines failures = CollectFailures([&] {
    DialogScript script;
    script.Message("来ませんわ", "待ちぼうけですの", MessageAnswer::Ok).Within(300ms);
    DialogDriver driver(script);
    allCame = driver.WaitForSteps();
    driver.Finish();
  });
  auto took = Clock::now() - start;
  EXPECT_FALSE(allCame);
  ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
  EXPECT_TRUE(
      Mentions(failures[0], "Waited 300 ms for message box \"来ませんわ\": \"待ちぼうけですの\""))
      << failures[0];
  EXPECT_GE(took, 300ms);
  EXPECT_LT(took, 3s);
}

TEST(DialogDriverFailureTest, AnUnexpectedMessageBoxFailsWithItsTitleAndTextAndIsDismissed) {
  MessageAnswer answer = MessageAnswer::Ok;
  std::vector<RecordedMessage> messages;
  Lines failures = CollectFailures([&] {
    DialogScript script;
    DialogDriver driver(script);
    answer = ShowMessage("突然ですけれど、よろしくて？", "予定外", MessageButtons::YesNo);
    messages = driver.Finish();
  });
  EXPECT_EQ(answer, MessageAnswer::No);  // the safe answer
  ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
  EXPECT_TRUE(Mentions(failures[0],
                       "Unexpected message box \"予定外\": \"突然ですけれど、よろしくて？\"; "
                       "the script had no step left"))
      << failures[0];
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_FALSE(messages[0].expected);
  EXPECT_EQ(messages[0].title, "予定外");
}

TEST(DialogDriverFailureTest, AWrongTextFailsShowingBothAndIsStillAnswered) {
  MessageAnswer answer = MessageAnswer::No;
  Lines failures = CollectFailures([&] {
    DialogScript script;
    script.Message("よかったです", "無事終了いたしましたわ。", MessageAnswer::Ok);
    DialogDriver driver(script);
    answer = ShowMessage("無事終了いたしました。", "よかったです");
    driver.Finish();
  });
  EXPECT_EQ(answer, MessageAnswer::Ok);
  ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
  EXPECT_TRUE(Mentions(failures[0],
                       "shown:    \"よかったです\": \"無事終了いたしました。\"\n"
                       "  expected: \"よかったです\": \"無事終了いたしましたわ。\""))
      << failures[0];
}

TEST(DialogDriverFailureTest, StepsLeftAtTheEndAreNamed) {
  Lines failures = CollectFailures([&] {
    DialogScript script;
    script.Message("よかったです", "無事終了いたしましたわ。").Dialog(102, [](DialogHandle&) {});
    DialogDriver driver(script);
    driver.Finish();
  });
  ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
  EXPECT_TRUE(Mentions(failures[0],
                       "steps that never came:\n  message box \"よかったです\": "
                       "\"無事終了いたしましたわ。\"\n  dialog 102"))
      << failures[0];
}

TEST(DialogDriverFailureTest, ADialogOtherThanTheNextStepIsDismissed) {
  INT_PTR result = 0;
  Lines failures = CollectFailures([&] {
    DialogScript script;
    script.Message("よかったです", "無事終了いたしましたわ。");
    DialogDriver driver(script);
    result = RunSampleDialog(nullptr);
    driver.Finish();
  });
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_EQ(failures.size(), 2u) << testing::PrintToString(failures);
  EXPECT_TRUE(Mentions(failures[0],
                       "Unexpected dialog 101 \"動作確認のお部屋\"; the script expected "
                       "message box \"よかったです\""))
      << failures[0];
  EXPECT_TRUE(Mentions(failures[1], "steps that never came")) << failures[1];
}

TEST(DialogDriverFailureTest, ADialogLeftOpenByItsStepIsReportedAndClosed) {
  Clock::time_point start = Clock::now();
  INT_PTR result = 0;
  Lines failures = CollectFailures([&] {
    DialogScript script;
    script.Dialog(IDD_DRIVER_SAMPLE, [](DialogHandle& d) { d.SetText(IDC_SAMPLE_NAME, "放置"); })
        .Within(400ms);
    DialogDriver driver(script);
    result = RunSampleDialog(nullptr);
    driver.Finish();
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_LT(Clock::now() - start, 5s);
  ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
  EXPECT_TRUE(Mentions(failures[0], "stayed open 400 ms after the script's last step"))
      << failures[0];
  EXPECT_TRUE(Mentions(failures[0], "still open: dialog 101")) << failures[0];
}

// ---- the system's dialogs ----

TEST(DialogDriverSystemTest, FileDialogsTakeATypedPathOrCancel) {
  TempFolder folder;
  std::wstring target = folder.File(L"出力.avi");
  {
    wchar_t buffer[MAX_PATH] = {};
    OPENFILENAMEW request = FileRequest(buffer, OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
    DialogScript script;
    script.SaveFile(target);
    DialogDriver driver(script);
    EXPECT_TRUE(GetSaveFileNameW(&request));
    driver.Finish();
    EXPECT_EQ(Narrow(buffer), Narrow(target));
  }
  ASSERT_TRUE(WriteBytes(target, "x", 1));
  {
    wchar_t buffer[MAX_PATH] = {};
    OPENFILENAMEW request = FileRequest(buffer, OFN_FILEMUSTEXIST);
    DialogScript script;
    script.OpenFile(target);
    DialogDriver driver(script);
    EXPECT_TRUE(GetOpenFileNameW(&request));
    driver.Finish();
    EXPECT_EQ(Narrow(buffer), Narrow(target));
  }
  {
    wchar_t buffer[MAX_PATH] = {};
    OPENFILENAMEW request = FileRequest(buffer, OFN_FILEMUSTEXIST);
    DialogScript script;
    script.CancelFile();
    DialogDriver driver(script);
    EXPECT_FALSE(GetOpenFileNameW(&request));
    driver.Finish();
    EXPECT_EQ(CommDlgExtendedError(), 0u);
  }
}

TEST(DialogDriverSystemTest, FolderBrowserTakesAFolderOrCancels) {
  TempFolder folder;
  auto browse = [] {
    BROWSEINFOW info{};
    wchar_t name[MAX_PATH] = {};
    info.pszDisplayName = name;
    info.lpszTitle = L"保存先";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    std::wstring path;
    if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info)) {
      wchar_t buffer[MAX_PATH] = {};
      if (SHGetPathFromIDListW(chosen, buffer)) path = buffer;
      CoTaskMemFree(chosen);
      if (path.empty()) path = L"?";
    }
    return path;
  };
  {
    DialogScript script;
    script.ChooseFolder(folder.path());
    DialogDriver driver(script);
    std::wstring chosen = browse();
    driver.Finish();
    EXPECT_EQ(_wcsicmp(chosen.c_str(), folder.path().c_str()), 0) << Narrow(chosen);
  }
  {
    DialogScript script;
    script.CancelFolder();
    DialogDriver driver(script);
    EXPECT_EQ(browse(), L"");
    driver.Finish();
  }
}

TEST(DialogDriverSystemTest, FontChooserConfirmsOrCancels) {
  for (bool confirm : {true, false}) {
    LOGFONTW font{};
    font.lfHeight = -16;
    wcscpy(font.lfFaceName, L"Tahoma");
    CHOOSEFONTW request{};
    request.lStructSize = sizeof request;
    request.lpLogFont = &font;
    request.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    DialogScript script;
    if (confirm)
      script.ConfirmFont();
    else
      script.CancelFont();
    DialogDriver driver(script);
    EXPECT_EQ(ChooseFontW(&request) != FALSE, confirm);
    driver.Finish();
    if (confirm)
      EXPECT_NE(font.lfFaceName[0], 0);
    else
      EXPECT_EQ(CommDlgExtendedError(), 0u);
  }
}

TEST(DialogDriverSystemTest, CompressorChooserPicksAnEntryByTextOrIndex) {
  for (int byIndex = 0; byIndex < 2; ++byIndex) {
    COMPVARS chosen{};
    chosen.cbSize = sizeof chosen;
    DialogScript script;
    std::vector<std::string> entries;
    script.System(DriverDialogKind::CompressorChooser, [&](DialogHandle& d) {
      entries = d.Entries(kCompressorListControl);
      if (byIndex)
        d.SelectIndex(kCompressorListControl, 0);
      else
        d.Select(kCompressorListControl, "Full Frames (Uncompressed)");
      d.Click(IDOK);
    });
    DialogDriver driver(script);
    EXPECT_TRUE(ICCompressorChoose(nullptr, 0, nullptr, nullptr, &chosen, nullptr));
    driver.Finish();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0], "Full Frames (Uncompressed)");
    EXPECT_EQ(chosen.fccHandler, mmioFOURCC('D', 'I', 'B', ' '));
    ICCompressorFree(&chosen);
  }
  COMPVARS chosen{};
  chosen.cbSize = sizeof chosen;
  DialogScript script;
  script.CancelCompressor();
  DialogDriver driver(script);
  EXPECT_FALSE(ICCompressorChoose(nullptr, 0, nullptr, nullptr, &chosen, nullptr));
  driver.Finish();
}

TEST(DialogDriverSystemTest, ACompressorThatIsNotListedFailsAndTheChooserIsClosed) {
  COMPVARS chosen{};
  chosen.cbSize = sizeof chosen;
  BOOL result = TRUE;
  Lines failures = CollectFailures([&] {
    DialogScript script;
    script.ChooseCompressor("Cinepak Codec by Radius 2").Within(400ms);
    DialogDriver driver(script);
    result = ICCompressorChoose(nullptr, 0, nullptr, nullptr, &chosen, nullptr);
    driver.Finish();
  });
  EXPECT_FALSE(result);
  ASSERT_EQ(failures.size(), 2u) << testing::PrintToString(failures);
  EXPECT_TRUE(
      Mentions(failures[0], "has no entry \"Cinepak Codec by Radius 2\"; it has:\n  \"Full Frames"))
      << failures[0];
  EXPECT_TRUE(Mentions(failures[1], "still open: compressor chooser")) << failures[1];
}

namespace {
// A two-frame uncompressed 4 x 4 movie, field by field.
std::vector<uint8_t> TinyAvi() {
  constexpr uint32_t kFrameBytes = 12 * 4;  // stride 12 (4 pixels, 3 bytes), 4 rows
  ByteWriter w;
  size_t riff = w.BeginList(FourCC("RIFF"), FourCC("AVI "));
  size_t hdrl = w.BeginList(FourCC("LIST"), FourCC("hdrl"));
  size_t avih = w.BeginChunk(FourCC("avih"));
  w.U32(100000);       // microseconds per frame
  w.U32(0);            // max bytes per second
  w.U32(0);            // padding granularity
  w.U32(0x10);         // AVIF_HASINDEX
  w.U32(2);            // total frames
  w.U32(0);            // initial frames
  w.U32(1);            // streams
  w.U32(kFrameBytes);  // suggested buffer size
  w.U32(4);            // width
  w.U32(4);            // height
  w.Zeros(16);         // reserved
  w.EndChunk(avih);
  size_t strl = w.BeginList(FourCC("LIST"), FourCC("strl"));
  size_t strh = w.BeginChunk(FourCC("strh"));
  w.Tag(FourCC("vids"));
  w.Tag(FourCC("DIB "));
  w.U32(0);            // flags
  w.U16(0);            // priority
  w.U16(0);            // language
  w.U32(0);            // initial frames
  w.U32(1);            // scale
  w.U32(10);           // rate
  w.U32(0);            // start
  w.U32(2);            // length
  w.U32(kFrameBytes);  // suggested buffer size
  w.U32(0xFFFFFFFF);   // quality
  w.U32(0);            // sample size
  w.U16(0);
  w.U16(0);
  w.U16(4);
  w.U16(4);  // frame rectangle
  w.EndChunk(strh);
  size_t strf = w.BeginChunk(FourCC("strf"));
  w.U32(40);
  w.I32(4);
  w.I32(4);
  w.U16(1);
  w.U16(24);
  w.U32(0);
  w.U32(kFrameBytes);
  w.Zeros(16);  // resolution, colours used, colours important
  w.EndChunk(strf);
  w.EndChunk(strl);
  w.EndChunk(hdrl);
  size_t movi = w.BeginList(FourCC("LIST"), FourCC("movi"));
  size_t moviType = movi + 4;
  std::vector<uint32_t> offsets;
  for (int frame = 0; frame < 2; ++frame) {
    offsets.push_back(static_cast<uint32_t>(w.size() - moviType));
    size_t chunk = w.BeginChunk(FourCC("00db"));
    for (uint32_t i = 0; i < kFrameBytes; ++i) w.U8(static_cast<uint8_t>(frame * 100 + i));
    w.EndChunk(chunk);
  }
  w.EndChunk(movi);
  size_t idx1 = w.BeginChunk(FourCC("idx1"));
  for (uint32_t offset : offsets) {
    w.Tag(FourCC("00db"));
    w.U32(0x10);  // AVIIF_KEYFRAME
    w.U32(offset);
    w.U32(kFrameBytes);
  }
  w.EndChunk(idx1);
  w.EndChunk(riff);
  return w.bytes();
}
}  // namespace

TEST(DialogDriverSystemTest, SaveOptionsConfirmOrCancel) {
  // Wine's AVIFile opens files through the ANSI code page: a Japanese path
  // fails with AVIERR_FILEOPEN here.
  TempFolder folder(L"driver_test");
  std::wstring path = folder.File(L"tiny.avi");
  std::vector<uint8_t> avi = TinyAvi();
  ASSERT_TRUE(WriteBytes(path, avi.data(), avi.size()));
  AVIFileInit();
  PAVIFILE file = nullptr;
  ASSERT_EQ(AVIFileOpenW(&file, path.c_str(), OF_READ, nullptr), 0);
  PAVISTREAM stream = nullptr;
  ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), 0);
  // With one stream the platform goes straight to the compressor chooser.
  {
    AVICOMPRESSOPTIONS options{};
    LPAVICOMPRESSOPTIONS list[1] = {&options};
    DialogScript script;
    script.ChooseCompressor("Full Frames (Uncompressed)");
    DialogDriver driver(script);
    EXPECT_EQ(AVISaveOptions(nullptr, 0, 1, &stream, list), TRUE);
    driver.Finish();
    AVISaveOptionsFree(1, list);
  }
  // With more it shows the save options dialog.
  for (bool confirm : {true, false}) {
    AVICOMPRESSOPTIONS options[2] = {};
    LPAVICOMPRESSOPTIONS list[2] = {&options[0], &options[1]};
    PAVISTREAM streams[2] = {stream, stream};
    DialogScript script;
    if (confirm)
      script.ConfirmSaveOptions();
    else
      script.CancelSaveOptions();
    DialogDriver driver(script);
    EXPECT_EQ(AVISaveOptions(nullptr, 0, 2, streams, list), confirm ? TRUE : FALSE);
    driver.Finish();
    AVISaveOptionsFree(2, list);
  }
  AVIStreamRelease(stream);
  AVIFileRelease(file);
  AVIFileExit();
}

// ---- another process ----

namespace {
std::wstring Helper(const std::wstring& arguments) {
  return L"\"" + ProgramFolder() + L"\\driver_helper.exe\" " + arguments;
}
}  // namespace

TEST(DialogDriverProcessTest, DrivesTheMessagesAndDialogsOfAnotherProgram) {
  std::vector<RecordedMessage> messages;
  DialogScript script;
  script.Message("よかったです", "無事終了いたしましたわ。")
      .Dialog(IDD_DRIVER_SAMPLE,
              [](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "動作確認のお部屋");
                EXPECT_EQ(d.Text(IDC_SAMPLE_READONLY), "読むだけ");
                EXPECT_TRUE(d.SetText(IDC_SAMPLE_NAME, "外から"));
                EXPECT_EQ(d.Text(IDC_SAMPLE_NAME), "外から");
                EXPECT_TRUE(d.Scroll(IDC_SAMPLE_LEVEL, 12));
                EXPECT_EQ(d.ScrollPos(IDC_SAMPLE_LEVEL), 12);
                EXPECT_TRUE(d.SetUpDown(IDC_SAMPLE_COUNT_SPIN, 34));
                EXPECT_EQ(d.Text(IDC_SAMPLE_COUNT), "34");
                EXPECT_FALSE(d.Enabled(IDC_SAMPLE_DRAW_TEXT));
                EXPECT_TRUE(d.SetChecked(IDC_SAMPLE_DRAW, true));
                EXPECT_TRUE(d.Enabled(IDC_SAMPLE_DRAW_TEXT));
                EXPECT_TRUE(d.Select(IDC_SAMPLE_COMBO, "大"));
                EXPECT_EQ(d.SelectedText(IDC_SAMPLE_COMBO), "大");
                EXPECT_TRUE(d.Click(IDC_SAMPLE_ASK));  // served from the next step meanwhile
                EXPECT_TRUE(d.Click(IDOK));
              })
      .Message("ご確認くださいませ", "本当によろしいですか？", MessageAnswer::Yes);
  EXPECT_EQ(RunProcessWithScript(Helper(L"dialog"), script, 60s, &messages), 1234);
  EXPECT_EQ(MessageLines(messages), (Lines{"よかったです: 無事終了いたしましたわ。",
                                           "ご確認くださいませ: 本当によろしいですか？"}));
}

TEST(DialogDriverProcessTest, ChoosesAFolderForAnotherProgram) {
  TempFolder folder;
  DialogScript script;
  script.ChooseFolder(folder.path());
  EXPECT_EQ(RunProcessWithScript(Helper(L"folder \"" + folder.path() + L"\""), script, 60s), 0);
}

TEST(DialogDriverProcessTest, ReportsUnexpectedMessagesOfAnotherProgram) {
  std::vector<RecordedMessage> messages;
  int exitCode = 0;
  Lines failures = CollectFailures([&] {
    DialogScript script;
    exitCode = RunProcessWithScript(Helper(L"boxes"), script, 60s, &messages);
  });
  EXPECT_EQ(exitCode, 4);  // the question was answered No
  ASSERT_EQ(failures.size(), 2u) << testing::PrintToString(failures);
  EXPECT_TRUE(
      Mentions(failures[0], "Unexpected message box \"確認\": \"上書きしてもよろしくて？\""))
      << failures[0];
  EXPECT_TRUE(
      Mentions(failures[1], "Unexpected message box \"よかったです\": \"保存いたしましたわ。\""))
      << failures[1];
  EXPECT_EQ(MessageLines(messages),
            (Lines{"確認: 上書きしてもよろしくて？", "よかったです: 保存いたしましたわ。"}));
}

TEST(DialogDriverProcessTest, AProgramThatDoesNotEndIsEndedAndReported) {
  Clock::time_point start = Clock::now();
  int exitCode = 0;
  Lines failures = CollectFailures([&] {
    DialogScript script;
    script.Message("よかったです", "無事終了いたしましたわ。")
        .Dialog(IDD_DRIVER_SAMPLE, [](DialogHandle&) {})
        .Within(30s);
    exitCode = RunProcessWithScript(Helper(L"dialog"), script, 1500ms);
  });
  EXPECT_EQ(exitCode, -1);
  EXPECT_LT(Clock::now() - start, 15s);
  ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
  EXPECT_TRUE(Mentions(failures[0],
                       "was still running after 1500 ms; it was ended.\n  still open: "
                       "dialog 101 \"動作確認のお部屋\""))
      << failures[0];
}

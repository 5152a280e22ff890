// Dialog 102 and the folder browser, driven as a user would.
#include <gtest/gtest.h>

#include <string>

#include "common/dialog_win.h"
#include "common/text_win.h"
#include "save/folder_browser_win.h"
#include "save/save_job_win.h"
#include "save/save_resource.h"
#include "save/save_settings_dialog_win.h"
#include "testing/dialog_driver_win.h"

namespace {
constexpr char kNoName[] =
    "ファイルの名前が設定されていませんわ。\nちゃんとファイル名を設定してください。";
constexpr char kCancelQuestion[] = "保存を中止しますがよろしいですか？\nよろしいですか？";
constexpr char kDeleteQuestion[] = "一時ファイルは削除なさいますか？";

std::wstring TempFolder() {
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, path);
  return path;  // ends in "\"
}

class SaveSettingsDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    lstrcpyW(job.outputPath, L"C:\\out\\12_08_10_30_00.AVI");
    gSaveJob = &job;
  }
  void TearDown() override { gSaveJob = nullptr; }
  INT_PTR Run(const DialogScript& script) {
    DialogDriver driver(script);
    INT_PTR result =
        RunDialog(GetModuleHandleW(nullptr), IDD_SAVE_SETTINGS, nullptr, SaveSettingsDialog);
    messages = driver.Finish();
    return result;
  }
  SaveJob job;
  std::vector<RecordedMessage> messages;
};
}  // namespace

TEST_F(SaveSettingsDialogTest, ConfirmKeepsTheGeneratedNameAndSoundButtonNeedsASoundStream) {
  DialogScript script;
  script.Dialog(IDD_SAVE_SETTINGS, [](DialogHandle& d) {
    EXPECT_EQ(d.Caption(), "保存設定を行ってください");
    EXPECT_EQ(d.Text(IDC_SAVE_PATH), "C:\\out\\12_08_10_30_00.AVI");
    EXPECT_EQ(GetFocus(), d.Item(IDC_SAVE_PATH));
    EXPECT_TRUE(d.Enabled(IDC_SAVE_VIDEO_OPTIONS));
    EXPECT_FALSE(d.Enabled(IDC_SAVE_AUDIO_OPTIONS)) << "no sound stream";
    EXPECT_EQ(d.Text(IDC_SAVE_CONFIRM), "これで良いですわ");
    EXPECT_EQ(d.Text(IDC_SAVE_CANCEL), "やはりやめますわ");
    d.Click(IDC_SAVE_CONFIRM);
  });
  EXPECT_EQ(Run(script), 1);
  EXPECT_STREQ(job.outputPath, L"C:\\out\\12_08_10_30_00.AVI");
  EXPECT_EQ(job.deleteFlag, 1);
}

TEST_F(SaveSettingsDialogTest, WithSoundTheSoundButtonIsEnabled) {
  job.streamCount = 2;
  DialogScript script;
  script.Dialog(IDD_SAVE_SETTINGS, [](DialogHandle& d) {
    EXPECT_TRUE(d.Enabled(IDC_SAVE_AUDIO_OPTIONS));
    d.Click(IDC_SAVE_CONFIRM);
  });
  EXPECT_EQ(Run(script), 1);
}

TEST_F(SaveSettingsDialogTest, AnEmptyNameIsRefusedAndTheDialogStays) {
  DialogScript script;
  script
      .Dialog(IDD_SAVE_SETTINGS,
              [](DialogHandle& d) {
                d.SetText(IDC_SAVE_PATH, "");
                d.Click(IDC_SAVE_CONFIRM);  // the message below comes here
                EXPECT_TRUE(d.IsOpen());
                d.SetText(IDC_SAVE_PATH, "C:\\out\\名前.AVI");
                d.Click(IDC_SAVE_CONFIRM);
              })
      .Message("こまりましたわ", kNoName);
  EXPECT_EQ(Run(script), 1);
  EXPECT_STREQ(job.outputPath, L"C:\\out\\名前.AVI");
}

TEST_F(SaveSettingsDialogTest, CancellingAsksTwiceAndNoKeepsTheTempFiles) {
  DialogScript script;
  script.Dialog(IDD_SAVE_SETTINGS, [](DialogHandle& d) { d.Click(IDC_SAVE_CANCEL); })
      .Message("念のため", kCancelQuestion, MessageAnswer::Yes)
      .Message("ところで", kDeleteQuestion, MessageAnswer::No);
  EXPECT_EQ(Run(script), 0);
  EXPECT_EQ(job.deleteFlag, 0);
  EXPECT_STREQ(job.outputPath, L"") << "a cancelled save has no output";
}

TEST_F(SaveSettingsDialogTest, CancellingWithDeleteYesSetsTheFlag) {
  job.deleteFlag = 0;
  DialogScript script;
  script.Dialog(IDD_SAVE_SETTINGS, [](DialogHandle& d) { d.Click(IDC_SAVE_CANCEL); })
      .Message("念のため", kCancelQuestion, MessageAnswer::Yes)
      .Message("ところで", kDeleteQuestion, MessageAnswer::Yes);
  EXPECT_EQ(Run(script), 0);
  EXPECT_EQ(job.deleteFlag, 1);
}

TEST_F(SaveSettingsDialogTest, AnsweringNoToTheCancelQuestionGoesBackToTheDialog) {
  DialogScript script;
  script
      .Dialog(IDD_SAVE_SETTINGS,
              [](DialogHandle& d) {
                d.Click(IDC_SAVE_CANCEL);
                EXPECT_TRUE(d.IsOpen());
                d.Click(IDC_SAVE_CONFIRM);
              })
      .Message("念のため", kCancelQuestion, MessageAnswer::No);
  EXPECT_EQ(Run(script), 1);
  EXPECT_EQ(job.deleteFlag, 1);
}

TEST_F(SaveSettingsDialogTest, TheCloseBoxCancelsWithoutQuestionsAndKeepsTheTempFiles) {
  DialogScript script;
  script.Dialog(IDD_SAVE_SETTINGS, [](DialogHandle& d) { d.PostClose(); });
  EXPECT_EQ(Run(script), 0);
  EXPECT_EQ(job.deleteFlag, 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(SaveSettingsDialogTest, BrowseShowsTheChosenFile) {
  const std::string chosen = Narrow(TempFolder()) + "選んだ.AVI";
  DialogScript script;
  script
      .Dialog(IDD_SAVE_SETTINGS,
              [&](DialogHandle& d) {
                d.Click(IDC_SAVE_BROWSE);
                EXPECT_EQ(d.Text(IDC_SAVE_PATH), chosen);
                d.Click(IDC_SAVE_CONFIRM);
              })
      .SaveFile(std::string_view(chosen));
  EXPECT_EQ(Run(script), 1);
  EXPECT_EQ(Narrow(job.outputPath), chosen);
}

TEST_F(SaveSettingsDialogTest, VideoCompressionFillsTheVideoOptions) {
  // A stream of the platform's own AVI services: the dialog only hands it on.
  AVIFileInit();
  const std::wstring path = TempFolder() + L"options_probe.avi";
  PAVIFILE file = nullptr;
  ASSERT_EQ(AVIFileOpenW(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), 0);
  AVISTREAMINFOW info{};
  info.fccType = streamtypeVIDEO;
  info.dwScale = 1;
  info.dwRate = 12;
  info.dwSuggestedBufferSize = 16 * 16 * 3;
  SetRect(&info.rcFrame, 0, 0, 16, 16);
  PAVISTREAM stream = nullptr;
  ASSERT_EQ(AVIFileCreateStreamW(file, &stream, &info), 0);
  BITMAPINFOHEADER format{sizeof format, 16, 16, 1, 24, BI_RGB, 16 * 16 * 3};
  ASSERT_EQ(AVIStreamSetFormat(stream, 0, &format, sizeof format), 0);
  job.streams[0] = stream;
  // The conversion owns the two option records; they start zeroed.
  AVICOMPRESSOPTIONS videoOptions{}, soundOptions{};
  job.compressOptions[0] = &videoOptions;
  job.compressOptions[1] = &soundOptions;

  DialogScript script;
  script
      .Dialog(IDD_SAVE_SETTINGS,
              [](DialogHandle& d) {
                d.Click(IDC_SAVE_VIDEO_OPTIONS);
                d.Click(IDC_SAVE_CONFIRM);
              })
      .ChooseCompressor("Full Frames (Uncompressed)");
  EXPECT_EQ(Run(script), 1);
  EXPECT_EQ(videoOptions.fccType, streamtypeVIDEO);
  EXPECT_EQ(videoOptions.fccHandler, mmioFOURCC('D', 'I', 'B', ' '));
  EXPECT_EQ(soundOptions.fccType, 0u) << "the sound record is untouched";
  AVISaveOptionsFree(2, job.compressOptions);
  AVIStreamRelease(stream);
  AVIFileRelease(file);
  AVIFileExit();
  DeleteFileW(path.c_str());
}

TEST(FolderBrowser, AChosenFolderEndsInOneBackslash) {
  const std::wstring folder = TempFolder();
  lstrcpyW(gFolderPath, L"C:\\");
  DialogScript script;
  script.ChooseFolder(std::wstring_view(folder.substr(0, folder.size() - 1)));
  {
    DialogDriver driver(script);
    const wchar_t* chosen = BrowseForFolder(nullptr);
    driver.Finish();
    ASSERT_NE(chosen, nullptr);
  }
  EXPECT_EQ(std::wstring(gFolderPath), folder);

  DialogScript root;
  root.ChooseFolder(std::wstring_view(L"C:\\"));
  DialogDriver driver(root);
  ASSERT_NE(BrowseForFolder(nullptr), nullptr);
  driver.Finish();
  EXPECT_STREQ(gFolderPath, L"C:\\") << "a drive's root gets no second backslash";
}

TEST(FolderBrowser, AFolderThatIsGoneStartsFromTheCurrentOneAndCancelKeepsThat) {
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  lstrcpyW(gFolderPath, L"C:\\no\\such\\folder");
  DialogScript script;
  script.CancelFolder();
  DialogDriver driver(script);
  EXPECT_EQ(BrowseForFolder(nullptr), nullptr);
  driver.Finish();
  EXPECT_STREQ(gFolderPath, current);
}

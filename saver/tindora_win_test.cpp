// tindora as the system starts it: configuration (/c) and full screen (/s).
#include <windows.h>

#include <gtest/gtest.h>

#include "saver/resource.h"
#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;

namespace {
// tindora's profile file: a bare name, so it lives in the Windows folder.
std::wstring ProfilePath() {
  wchar_t folder[MAX_PATH];
  GetWindowsDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\tindora.ini";
}
}  // namespace

TEST(TindoraProgram, ConfigureShowsDialog2003AndCancelWritesNothing) {
  DeleteFileW(ProfilePath().c_str());
  DialogScript script;
  script
      .Dialog(IDD_SAVER_CONFIGURE,
              [](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "封印方法の設定");
                EXPECT_EQ(d.Text(IDC_BROWSE), "参照");
                EXPECT_EQ(d.Entries(IDC_DISPLAY_MODE),
                          (std::vector<std::string>{"中央に表示", "並べて表示", "拡大表示"}));
                EXPECT_EQ(d.Selected(IDC_DISPLAY_MODE), 0) << "VTYPE defaults to 0";
                d.Click(IDCANCEL);
              })
      .Within(30s);
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_TINDORA_SCR, L"/c"), script, 60s), 0);
  EXPECT_EQ(GetFileAttributesW(ProfilePath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(TindoraProgram, OkWritesTheDisplayMode) {
  DeleteFileW(ProfilePath().c_str());
  DialogScript script;
  script
      .Dialog(IDD_SAVER_CONFIGURE,
              [](DialogHandle& d) {
                d.Select(IDC_DISPLAY_MODE, "並べて表示");
                d.Click(IDOK);
              })
      .Within(30s);
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_TINDORA_SCR, L"/c"), script, 60s), 0);
  wchar_t path[260] = L"?", mode[16] = L"";
  GetPrivateProfileStringW(L"Screen Saver.tindora", L"PATH", L"?", path, 260, L"tindora.ini");
  GetPrivateProfileStringW(L"Screen Saver.tindora", L"VTYPE", L"", mode, 16, L"tindora.ini");
  EXPECT_STREQ(path, L"");
  EXPECT_STREQ(mode, L"1");
  DeleteFileW(ProfilePath().c_str());
}

TEST(TindoraProgram, RunsFullScreenWithoutAMovieAndEndsOnClose) {
  DeleteFileW(ProfilePath().c_str());
  DialogScript script;
  script
      .Window("WindowsScreenSaverClass",
              [](DialogHandle& w) {
                RECT r;
                GetWindowRect(w.window(), &r);
                EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
                EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYSCREEN));
                w.PostClose();
              })
      .Within(30s);
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_TINDORA_SCR, L"/s"), script, 60s), 0);
}

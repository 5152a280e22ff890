// A program for the dialog driver's tests to drive from outside:
//   driver_helper dialog   a message box, then the sample dialog; exits with
//                          level * 100 + count when the name came through, 2 when
//                          it did not, 1 on Cancel
//   driver_helper folder P the folder browser; 0 when the folder P was chosen
//   driver_helper boxes    two message boxes; 0 for Yes then Ok
#include <windows.h>
// After <windows.h>, which they need.
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "common/message.h"
#include "common/message_box_win.h"
#include "testing/driver_sample_win.h"

namespace {
int RunSample() {
  ShowMessage("無事終了いたしましたわ。", "よかったです", MessageButtons::Ok,
              MessageIcon::Information);
  if (RunSampleDialog(nullptr) != IDOK) return 1;
  if (gSample.name != "外から") return 2;
  return gSample.level * 100 + gSample.count;
}

int RunFolder(const std::wstring& wanted) {
  wchar_t name[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.pszDisplayName = name;
  info.lpszTitle = L"保存先のフォルダ";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) return 1;
  wchar_t path[MAX_PATH] = {};
  bool ok = SHGetPathFromIDListW(chosen, path);
  CoTaskMemFree(chosen);
  return ok && _wcsicmp(path, wanted.c_str()) == 0 ? 0 : 3;
}

int RunBoxes() {
  MessageAnswer first =
      ShowMessage("上書きしてもよろしくて？", "確認", MessageButtons::YesNo, MessageIcon::Question);
  ShowMessage("保存いたしましたわ。", "よかったです");
  return first == MessageAnswer::Yes ? 0 : 4;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  HRESULT com = CoInitialize(nullptr);
  UseWindowsMessageBoxes();
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  std::wstring mode = count > 1 ? args[1] : L"";
  int result = 9;
  if (mode == L"dialog") result = RunSample();
  if (mode == L"folder" && count > 2) result = RunFolder(args[2]);
  if (mode == L"boxes") result = RunBoxes();
  LocalFree(args);
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}

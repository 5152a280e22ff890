#include "save/convert_temp_win.h"

#include <commctrl.h>

#include <ctime>
#include <memory>
#include <new>

#include "capture/temp_file.h"
#include "common/dialog_win.h"
#include "common/file.h"
#include "common/message.h"
#include "common/text_win.h"
#include "save/avi_writer.h"
#include "save/convert_compressed_win.h"
#include "save/convert_temp_internal_win.h"
#include "save/save_messages.h"
#include "save/save_resource.h"
#include "save/temp_conversion.h"

WavReadMode gConversionSoundMode = WavReadMode::Streamed;

namespace {

// The progress window's two controls, remembered while it exists.
struct ProgressControls {
  HWND bar = nullptr;
  HWND label = nullptr;
};
ProgressControls gProgress;

std::string OutputPath(std::string* folder) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#endif
  const std::string name = OutputTimeName(local);
  if (!folder) return name + ".AVI";
  if (folder->empty() || !SetCurrentDirectoryW(Widen(*folder).c_str())) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(256, current);
    *folder = Narrow(current);
  }
  return OutputPathInFolder(*folder, name);
}

void DeleteTempFiles(const std::string& tempPath, const std::string& wavPath) {
  DeleteFileW(Widen(tempPath).c_str());
  if (!wavPath.empty()) DeleteFileW(Widen(wavPath).c_str());
}
}  // namespace

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      gProgress.bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
      gProgress.label = GetDlgItem(dialog, IDC_PROGRESS_LABEL);
      return TRUE;
    case WM_DESTROY: gProgress = ProgressControls{}; return TRUE;
  }
  return FALSE;
}

ProgressWindow::ProgressWindow(HINSTANCE instance, HWND owner, bool show) {
  if (!show) return;
  window_ = CreateModelessDialog(instance, IDD_SAVE_PROGRESS, owner, ProgressDialogProc);
  if (window_) ShowWindow(window_, SW_SHOW);
}

ProgressWindow::~ProgressWindow() {
  if (window_) DestroyWindow(window_);
}

// The 32-bit range: a 16-bit bound would wrap past 65535 frames.
void ProgressWindow::SetRange(int upper) {
  if (!gProgress.bar) return;
  SendMessageW(gProgress.bar, PBM_SETRANGE32, 0, upper);
  SendMessageW(gProgress.bar, PBM_SETSTEP, 1, 0);
  SendMessageW(gProgress.bar, PBM_SETPOS, 0, 0);
}

void ProgressWindow::SetPosition(int position) {
  if (gProgress.bar) SendMessageW(gProgress.bar, PBM_SETPOS, position, 0);
}

void ProgressWindow::SetLabel(const wchar_t* text) {
  if (gProgress.label) SetWindowTextW(gProgress.label, text);
}

void ProgressWindow::Show(bool visible) {
  if (window_) ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
}

bool ConvertTempToAvi(HINSTANCE instance, HWND owner, const std::wstring& tempPath,
                      const std::wstring& wavPath, std::wstring* folder, bool showProgress,
                      bool compress) {
  std::string folderUtf8 = folder ? Narrow(*folder) : std::string();
  const std::string given = folderUtf8;
  bool ok = ConvertTempToAvi(instance, owner, Narrow(tempPath), Narrow(wavPath),
                             folder ? &folderUtf8 : nullptr, showProgress, compress);
  // Only a folder that was replaced comes back: the one given stays as it was.
  if (folder && folderUtf8 != given) *folder = Widen(folderUtf8);
  return ok;
}

bool ConvertTempToAvi(HINSTANCE instance, HWND owner, const std::string& tempPath,
                      const std::string& wavPath, std::string* folder, bool showProgress,
                      bool compress) {
  const std::string output = OutputPath(folder);
  TempConversion c{instance, owner, tempPath, wavPath, output, showProgress};
  ConversionOutcome outcome;
  bool ok;
  if (compress) {
    ok = ConvertTempCompressed(c, &outcome);
  } else {
    AviWriterSink sink(output, wavPath, gConversionSoundMode);
    ProgressWindow progress(instance, owner, showProgress);
    ok = RunTempConversion(tempPath, sink, &progress, owner, &outcome.result);
    outcome.saved = ok;
    outcome.soundSaved = sink.HasSound();
  }

  if (ok) {
    if (!outcome.saved) {
      // Cancelled in the save dialog, which asked about the temp files itself.
      if (outcome.deleteFlag) DeleteTempFiles(tempPath, wavPath);
      return true;
    }
    const std::string notice = TempConversionNotice(outcome.result);
    if (!notice.empty())
      ShowMessage(notice, kTitleAra, MessageButtons::Ok, MessageIcon::Information, owner);
    // Only what the movie holds in full may go: a temp file that was cut
    // short or damaged, or a WAV whose sound was refused, is the only copy.
    if (outcome.deleteFlag) {
      if (TempConversionWhole(outcome.result)) DeleteFileW(Widen(tempPath).c_str());
      if (!wavPath.empty() && outcome.soundSaved) DeleteFileW(Widen(wavPath).c_str());
    }
    return true;
  }
  if (!compress) {
    // A failed uncompressed conversion keeps both temp files: they are the
    // only copy of the recording, and the converter can try them again.
    return false;
  }
  if (ShowMessage(kMessageRetryUncompressed, kTitleKounattara, MessageButtons::YesNo,
                  MessageIcon::Question, owner) == MessageAnswer::Yes) {
    // The retry keeps the sound: the own writer takes it at no risk, and a
    // recording without its sound is less than the user had.
    ok = ConvertTempToAviKeeping(instance, owner, tempPath, wavPath, folder, showProgress);
    if (!ok)
      ShowMessage(kMessageFailedAgain, kTitleErrorDesu, MessageButtons::Ok, MessageIcon::None,
                  owner);
  }
  if (ShowMessage(kMessageDeleteTempFiles, kTitleTokorode, MessageButtons::YesNo,
                  MessageIcon::Question, owner) == MessageAnswer::Yes)
    DeleteTempFiles(tempPath, wavPath);
  return ok;
}

bool ConvertTempToAviKeeping(HINSTANCE instance, HWND owner, const std::string& tempPath,
                             const std::string& wavPath, std::string* folder, bool showProgress) {
  const std::string output = OutputPath(folder);
  AviWriterSink sink(output, wavPath, gConversionSoundMode);
  ProgressWindow progress(instance, owner, showProgress);
  return RunTempConversion(tempPath, sink, &progress, owner);
}

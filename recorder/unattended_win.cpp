// The recorder without its window: "/record SECONDS ..." for scripts and tests.
#include <windows.h>
#include <mmsystem.h>

#include <ctime>
#include <string>

#include "capture/capture_engine_win.h"
#include "capture/error_log.h"
#include "capture/sound_recording_win.h"
#include "common/file.h"
#include "common/handles_win.h"
#include "common/message.h"
#include "common/text_win.h"
#include "converter/batch_conversion.h"
#include "recorder/messages.h"
#include "recorder/recorder_app_win.h"
#include "save/temp_conversion.h"

namespace {
// Lines for whoever started us: a console gets wide text, a file or pipe UTF-8.
void WriteLine(DWORD which, const std::string& utf8) {
  HANDLE handle = GetStdHandle(which);
  if (!handle || handle == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  const std::wstring wide = Widen(utf8 + "\r\n");
  if (WriteConsoleW(handle, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr))
    return;
  const std::string bytes = utf8 + "\r\n";
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// What would have been a message box becomes part of the reason for failing.
MessageAnswer CollectMessage(const MessageRequest& request, void* context) {
  auto* reason = static_cast<std::string*>(context);
  if (!reason->empty()) *reason += " / ";
  *reason += request.text;
  return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

int Fail(const std::string& reason, int code = kRecordExitFailed) {
  WriteLine(STD_ERROR_HANDLE, reason);
  return code;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  full.resize(got < n ? got : 0);
  return full.empty() ? path : full;
}

std::string CurrentFolder() {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return Narrow(folder);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The movie's name is settled before recording, because the recording makes
// the temp folder the current one.
bool ChooseOutput(const RecordCommand& command, std::string* avi, std::string* reason) {
  if (command.out.empty()) {
    const std::string folder =
        IsFolder(gAppSettings.saveFolder) ? gAppSettings.saveFolder : CurrentFolder();
    std::time_t now = std::time(nullptr);
    *avi = OutputPathInFolder(folder, OutputTimeName(*std::localtime(&now)));
  } else {
    *avi = Narrow(FullPath(Widen(command.out)));
  }
  if (FileExists(*avi)) {
    *reason = *avi + " already exists";
    return false;
  }
  // Tried now, so that a folder that can't take the movie is known before recording.
  if (!FileOpen(*avi, "wb")) {
    *reason = "cannot write " + *avi;
    return false;
  }
  FileRemove(*avi);
  return true;
}

// Records until the deadline, or until a failed grab ends the recording. The
// frames are numbered by the time since the grabs were prepared, so the movie
// is SECONDS long when the deadline counts from then too.
bool RecordFor(int32_t seconds) {
  const DWORD length = static_cast<DWORD>(seconds) * 1000;
  // Wakes the wait at the deadline even at slow rates.
  const UINT_PTR timer = SetTimer(nullptr, 0, length, nullptr);
  MSG message;
  while (gCaptureSettings.captureProc != IdleCaptureProc &&
         timeGetTime() - gGdiCapture.startTime < length) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    WaitForMessageOrFrame();
  }
  KillTimer(nullptr, timer);
  const bool whole = gCaptureSettings.captureProc != IdleCaptureProc;
  StopRecording();
  return whole;
}
}  // namespace

int RecordUnattended(HINSTANCE, const ParsedRecorderCommand& parsed) {
  AttachConsole(ATTACH_PARENT_PROCESS);
  if (parsed.launch == RecorderLaunch::Invalid)
    return Fail(parsed.error + "\r\n" + kRecordUsage, kRecordExitUsage);
  const RecordCommand& command = parsed.record;

  std::string reason;
  MessageHandlerSlot previous = SetMessageHandler({CollectMessage, &reason});
  struct Restore {
    MessageHandlerSlot slot;
    ~Restore() { SetMessageHandler(slot); }
  } restore{previous};

  UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kRecorderMutexName));
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return Fail(kMessageAlreadyRunning);

  gRecorderUi = RecorderUi{};
  gRecorderUi.programPath = RecorderProgramPath();
  BuildProgramFilePaths();
  SetStartupDefaults();
  LoadSettings();
  const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const std::string rangeError = RecordRangeError(command, screenWidth, screenHeight);
  if (!rangeError.empty()) return Fail(rangeError, kRecordExitUsage);
  ApplyRecordCommand(command, &gCaptureSettings);
  gCaptureSettings.useDirectDraw = 0;
  NormalizeCaptureRange();

  std::string avi;
  if (!ChooseOutput(command, &avi, &reason)) return Fail(reason);

  gCaptureEngine.tempFolder = gAppSettings.tempFolder;
  gCaptureEngine.programPath = gRecorderUi.programPath;
  gCaptureEngine.afterStop = nullptr;
  if (!StartRecording()) return Fail(reason.empty() ? "the recording did not start" : reason);
  const bool soundStarted = gCaptureSettings.recordSound != 0;
  const bool whole = RecordFor(command.seconds);
  const TempFileNames names = gCaptureEngine.names;

  BatchFile file;
  file.tempPath = names.tempPath;
  file.wavPath = soundStarted && FileExists(names.wavPath) ? names.wavPath : std::string();
  file.aviPath = avi;
  file.deleteAfter = true;  // each only when all it held is in the movie
  const BatchOutcome outcome = ConvertBatchFile(file);
  if (outcome.status == BatchStatus::Failed) return Fail(outcome.line);
  WriteLine(STD_OUTPUT_HANDLE, avi);

  std::string missing;
  if (!whole)
    missing = "the recording stopped early (" + gProgramFilePaths.errorLogPath + " says why)";
  else if (command.sound && !soundStarted)
    missing = "no sound was recorded (" + gProgramFilePaths.errorLogPath + " says why)";
  else if (outcome.status == BatchStatus::Partial)
    missing = outcome.line;
  if (!missing.empty()) return Fail(missing);
  return kRecordExitOk;
}

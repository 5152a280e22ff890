#include "converter/converter_app_win.h"

#include <shellapi.h>

#include <cwchar>

#include "common/file.h"
#include "common/message.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "save/convert_temp_internal_win.h"
#include "save/convert_temp_win.h"
#include "save/temp_conversion.h"

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
  LocalFree(list);
  return arguments;
}

namespace {
constexpr int kPathCapacity = 260;

// The drive and folder of the program file, ending in "\".
std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[kPathCapacity] = {};
  DWORD length = GetLongPathNameW(path.c_str(), buffer, kPathCapacity);
  return length == 0 || length >= kPathCapacity ? std::wstring() : std::wstring(buffer);
}

// The WAV beside the temp file, when it can be opened; the file system
// matches its name without regard to case.
std::wstring CompanionWav(const std::wstring& tempPath) {
  std::wstring wav = Widen(CompanionWavPath(Narrow(tempPath)));
  return FileExists(Narrow(wav)) ? wav : std::wstring();
}

bool IsSwitch(const std::wstring& argument, const wchar_t* name) {
  return _wcsicmp(argument.c_str(), name) == 0;
}

// --- Unattended conversion --------------------------------------------------

// Messages of a batch run become the reason on the file's line.
MessageAnswer CollectMessage(const MessageRequest& request, void* context) {
  auto* reason = static_cast<std::string*>(context);
  if (!reason->empty()) *reason += " / ";
  *reason += request.text;
  return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

class Output {
 public:
  Output() {
    AttachConsole(ATTACH_PARENT_PROCESS);
    handle_ = GetStdHandle(STD_OUTPUT_HANDLE);
  }
  void Line(const std::string& utf8) {
    if (!handle_ || handle_ == INVALID_HANDLE_VALUE) return;
    std::wstring wide = Widen(utf8 + "\r\n");
    DWORD written = 0;
    if (WriteConsoleW(handle_, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr))
      return;
    // Redirected to a file or a pipe: UTF-8 bytes.
    std::string bytes = utf8 + "\r\n";
    WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }

 private:
  HANDLE handle_ = nullptr;
};

bool ConvertUnattended(HINSTANCE instance, const std::wstring& argument, bool deleteAfter,
                       Output& out) {
  const std::wstring temp = LongPath(argument);
  if (temp.empty()) {
    out.Line("FAILED " + Narrow(argument) + ": no such file");
    return false;
  }
  const std::wstring wav = CompanionWav(temp);
  const std::wstring avi = Widen(PathWithAviExtension(Narrow(temp)));
  if (GetFileAttributesW(avi.c_str()) != INVALID_FILE_ATTRIBUTES) {
    out.Line("FAILED " + Narrow(temp) + ": " + Narrow(avi) + " already exists");
    return false;
  }
  std::string reason;
  MessageHandlerSlot previous = SetMessageHandler({CollectMessage, &reason});
  bool ok;
  {
    AviWriterSink sink(Narrow(avi), Narrow(wav), WavReadMode::Streamed);
    ok = RunTempConversion(Narrow(temp), sink, nullptr);
  }
  SetMessageHandler(previous);
  if (!ok) {
    DeleteFileW(avi.c_str());  // no half-written movie is left behind
    out.Line("FAILED " + Narrow(temp) + ": " + (reason.empty() ? "conversion failed" : reason));
    return false;
  }
  out.Line("OK " + Narrow(temp) + " -> " + Narrow(avi) + (wav.empty() ? "" : " (with sound)"));
  if (deleteAfter) {
    DeleteFileW(temp.c_str());
    if (!wav.empty()) DeleteFileW(wav.c_str());
  }
  return true;
}

int ConvertAllUnattended(HINSTANCE instance, const std::vector<std::wstring>& arguments) {
  bool deleteAfter = false;
  std::vector<std::wstring> files;
  for (const std::wstring& argument : arguments) {
    if (IsSwitch(argument, L"/batch")) continue;
    if (IsSwitch(argument, L"/delete")) {
      deleteAfter = true;
      continue;
    }
    files.push_back(argument);
  }
  Output out;
  int failed = 0;
  for (const std::wstring& file : files)
    if (!ConvertUnattended(instance, file, deleteAfter, out)) ++failed;
  return failed ? 1 : 0;
}
}  // namespace

int ConverterMain(HINSTANCE instance, const std::vector<std::wstring>& arguments) {
  for (const std::wstring& argument : arguments)
    if (IsSwitch(argument, L"/batch")) return ConvertAllUnattended(instance, arguments);

  UseWindowsMessageBoxes();
  gConversionSoundMode = WavReadMode::InMemory;
  std::wstring folder = ProgramFolder();
  if (arguments.empty()) return 0;
  for (const std::wstring& argument : arguments) {
    const std::wstring temp = LongPath(argument);
    if (temp.empty()) continue;  // no such file: skipped without a word
    ConvertTempToAvi(instance, nullptr, temp, CompanionWav(temp), &folder, true, true);
  }
  return 0;
}

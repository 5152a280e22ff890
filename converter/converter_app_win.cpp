#include "converter/converter_app_win.h"

#include <shellapi.h>

#include <cwchar>

#include "common/file.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "converter/batch_conversion.h"
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
// The drive and folder of the program file, ending in "\".
std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

// The long form of an existing file's path, empty when there is no such file.
// A path past the classic limit is made absolute and asked in its "\\?\"
// form, which the answer is given without.
std::wstring LongPath(const std::wstring& path) {
  std::wstring query = path;
  if (Widen(FileApiPath(Narrow(path))) == path && path.size() >= MAX_PATH - 12) {
    // Long but relative: the prefix needs the absolute form.
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    if (full.empty()) return std::wstring();
    full.resize(GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    query = full;
  }
  query = Widen(FileApiPath(Narrow(query)));
  DWORD length = GetLongPathNameW(query.c_str(), nullptr, 0);
  if (length == 0) return std::wstring();
  std::wstring result(length, L'\0');
  length = GetLongPathNameW(query.c_str(), result.data(), length);
  if (length == 0 || length >= result.size()) return std::wstring();
  result.resize(length);
  if (result.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + result.substr(8);
  if (result.rfind(L"\\\\?\\", 0) == 0) return result.substr(4);
  return result;
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

BatchStatus ConvertUnattended(const std::wstring& argument, bool deleteAfter, Output& out) {
  const std::wstring temp = LongPath(argument);
  if (temp.empty()) {
    // Said as it is: a path that is merely long is found above.
    out.Line("FAILED " + Narrow(argument) + ": no such file");
    return BatchStatus::Failed;
  }
  BatchFile file;
  file.tempPath = Narrow(temp);
  file.wavPath = Narrow(CompanionWav(temp));
  file.aviPath = PathWithAviExtension(file.tempPath);
  file.deleteAfter = deleteAfter;
  BatchOutcome outcome = ConvertBatchFile(file);
  out.Line(outcome.line);
  return outcome.status;
}

int ConvertAllUnattended(const std::vector<std::wstring>& arguments) {
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
  BatchStatus worst = BatchStatus::Converted;
  for (const std::wstring& file : files)
    worst = BatchWorse(worst, ConvertUnattended(file, deleteAfter, out));
  return BatchExitCode(worst);
}
}  // namespace

int ConverterMain(HINSTANCE instance, const std::vector<std::wstring>& arguments) {
  for (const std::wstring& argument : arguments)
    if (IsSwitch(argument, L"/batch")) return ConvertAllUnattended(arguments);

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

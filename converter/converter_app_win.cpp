#include "converter/converter_app_win.h"

#include <cstring>

#include "common/file.h"
#include "common/message_box_win.h"
#include "common/text_win.h"
#include "converter/batch_conversion.h"
#include "save/convert_temp_win.h"
#include "save/temp_conversion.h"

namespace {
// The drive and folder of the program file, ending in "\".
std::string ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::string folder = Narrow(path);
  size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

// The long form of an existing file's path, empty when there is no such file.
// A path past the classic limit is made absolute and asked in its "\\?\"
// form, which the answer is given without.
std::string LongPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  std::string query = path;
  if (FileApiPath(path) == path && wide.size() >= MAX_PATH - 12) {
    // Long but relative: the prefix needs the absolute form.
    std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
    if (full.empty()) return std::string();
    full.resize(
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    query = Narrow(full);
  }
  const std::wstring asked = Widen(FileApiPath(query));
  DWORD length = GetLongPathNameW(asked.c_str(), nullptr, 0);
  if (length == 0) return std::string();
  std::wstring result(length, L'\0');
  length = GetLongPathNameW(asked.c_str(), result.data(), length);
  if (length == 0 || length >= result.size()) return std::string();
  result.resize(length);
  const std::string found = Narrow(result);
  if (found.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + found.substr(8);
  if (found.rfind("\\\\?\\", 0) == 0) return found.substr(4);
  return found;
}

// The WAV beside the temp file, when it can be opened; the file system
// matches its name without regard to case.
std::string CompanionWav(const std::string& tempPath) {
  std::string wav = CompanionWavPath(tempPath);
  return FileExists(wav) ? wav : std::string();
}

bool IsSwitch(const std::string& argument, const char* name) {
  return _stricmp(argument.c_str(), name) == 0;
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

BatchStatus ConvertUnattended(const std::string& argument, bool deleteAfter, Output& out) {
  const std::string temp = LongPath(argument);
  if (temp.empty()) {
    // Said as it is: a path that is merely long is found above.
    out.Line("FAILED " + argument + ": no such file");
    return BatchStatus::Failed;
  }
  BatchFile file;
  file.tempPath = temp;
  file.wavPath = CompanionWav(temp);
  file.aviPath = PathWithAviExtension(file.tempPath);
  file.deleteAfter = deleteAfter;
  BatchOutcome outcome = ConvertBatchFile(file);
  out.Line(outcome.line);
  return outcome.status;
}

int ConvertAllUnattended(const std::vector<std::string>& arguments) {
  bool deleteAfter = false;
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    if (IsSwitch(argument, "/batch")) continue;
    if (IsSwitch(argument, "/delete")) {
      deleteAfter = true;
      continue;
    }
    files.push_back(argument);
  }
  Output out;
  BatchStatus worst = BatchStatus::Converted;
  for (const std::string& file : files)
    worst = BatchWorse(worst, ConvertUnattended(file, deleteAfter, out));
  return BatchExitCode(worst);
}
}  // namespace

int ConverterMain(HINSTANCE instance, const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments)
    if (IsSwitch(argument, "/batch")) return ConvertAllUnattended(arguments);

  UseWindowsMessageBoxes();
  gConversionSoundMode = WavReadMode::InMemory;
  std::string folder = ProgramFolder();
  if (arguments.empty()) return 0;
  for (const std::string& argument : arguments) {
    const std::string temp = LongPath(argument);
    if (temp.empty()) continue;  // no such file: skipped without a word
    ConvertTempToAvi(instance, nullptr, temp, CompanionWav(temp), &folder, true, true);
  }
  return 0;
}

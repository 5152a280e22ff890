#include "capture/error_log.h"

#include <cstdio>
#include <mutex>

#include "common/file.h"
#include "common/shift_jis.h"

ErrorLog gErrorLog;
ProgramFilePaths gProgramFilePaths;

namespace {
// The sound callback writes entries on the audio thread while the interface
// thread may write its own: one entry at a time, so lines never interleave.
std::mutex gErrorLogLock;

bool LocalTime(std::time_t when, std::tm* out) {
#ifdef _WIN32
  return localtime_s(out, &when) == 0;
#else
  return localtime_r(&when, out) != nullptr;
#endif
}
}  // namespace

ProgramFilePaths MakeProgramFilePaths(const std::string& programPath) {
  const size_t slash = programPath.find_last_of("\\/");
  std::string folder;
  if (slash != std::string::npos) {
    folder = programPath.substr(0, slash + 1);
  } else if (programPath.size() >= 2 && programPath[1] == ':') {
    folder = programPath.substr(0, 2);  // "C:recorder.exe": the drive's current folder
  }
  return {folder + "error_log.txt", folder + "QUILVA.ini"};
}

void SetErrorLogPath(const char* path) {
  if (!path) return;
  std::lock_guard<std::mutex> hold(gErrorLogLock);
  gErrorLog.path = path;
}

std::string FormatErrorLogEntry(const std::tm* time, std::string_view message) {
  char stamp[32] = {};
  if (!time || std::strftime(stamp, sizeof stamp, "%m-%d %H:%M:%S", time) == 0) {
    std::snprintf(stamp, sizeof stamp, "%s", kErrorLogNoTime);
  }
  // Binary CR LF rather than a text-mode stream, so both builds write the same bytes.
  std::string entry = stamp;
  entry += "\r\n\t";
  entry += Utf8ToShiftJis(message);
  entry += "\r\n";
  return entry;
}

void WriteErrorLog(std::string_view message) {
  std::lock_guard<std::mutex> hold(gErrorLogLock);
  const std::time_t now = gErrorLog.clock ? gErrorLog.clock() : std::time(nullptr);
  std::tm local{};
  const bool timed = now != static_cast<std::time_t>(-1) && LocalTime(now, &local);
  const std::string entry = FormatErrorLogEntry(timed ? &local : nullptr, message);
  UniqueFile file = FileOpen(gErrorLog.path, "ab");
  if (!file) return;
  std::fwrite(entry.data(), 1, entry.size(), file.get());
}

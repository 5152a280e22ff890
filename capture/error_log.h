#pragma once
// The recorder's error log: failures during a recording go to error_log.txt
// beside the program instead of a message box at every tick. Each entry is the
// local time ("%m-%d %H:%M:%S"), a line end, a tab, the message and a line end;
// lines end in CR LF and the text is Shift-JIS, as the log's readers expect.
#include <ctime>
#include <string>
#include <string_view>

// The time line when the clock can't be read or formatted.
inline constexpr char kErrorLogNoTime[] = "00-00 00:00:00";

struct ErrorLog {
  std::string path = "error_log.txt";  // relative to the current folder until start-up
  std::time_t (*clock)() = nullptr;    // tests stand in for the clock; null: the real one
};
extern ErrorLog gErrorLog;

// The files that live beside the recorder's program file.
struct ProgramFilePaths {
  std::string errorLogPath;
  std::string settingsPath;  // QUILVA.ini
};
extern ProgramFilePaths gProgramFilePaths;

// From the full path of the program file (either separator): its folder with
// "error_log.txt" and "QUILVA.ini".
ProgramFilePaths MakeProgramFilePaths(const std::string& programPath);
// At start-up: both paths from the running program's own file, and the log path
// set to the first. Win32 only (error_log_win.cpp).
bool BuildProgramFilePaths();

// A null path leaves the log path as it is.
void SetErrorLogPath(const char* path);

// The bytes of one entry: time may be null when the clock gave nothing.
std::string FormatErrorLogEntry(const std::tm* time, std::string_view message);

// message is UTF-8. Opens, appends and closes the log for each entry, so the log
// is whole on disk even if the recorder dies; a log that can't be opened drops
// the entry without a word. Safe to call from the sound thread.
void WriteErrorLog(std::string_view message);

#pragma once
// The recorder's unattended way: "/record SECONDS" with optional switches
// records for that long without any window or dialog and saves the AVI.
// This half reads the command line and lays the switches over the settings.
#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_engine.h"

struct RecordCommand {
  int32_t seconds = 0;
  std::string out;  // empty: the save folder, under the time of the recording
  bool range = false;
  int32_t x = 0, y = 0, width = 0, height = 0;
  uint8_t reduction = 0;  // 0: as saved
  int32_t rate = 0;       // 0: as saved
  int32_t scale = 0;
  int codec = -1;  // -1: as saved
  bool sound = false;
  bool cursor = false;
};

enum class RecorderLaunch {
  Window,   // no "/record": the recorder as it always was, other arguments ignored
  Record,   // the unattended recording
  Invalid,  // "/record" with switches that make no sense: `error` says which
};

struct ParsedRecorderCommand {
  RecorderLaunch launch = RecorderLaunch::Window;
  RecordCommand record;
  std::string error;
};

// Exit codes of the unattended way.
inline constexpr int kRecordExitOk = 0;
inline constexpr int kRecordExitFailed = 1;
inline constexpr int kRecordExitUsage = 2;

inline constexpr char kRecordUsage[] =
    "usage: recorder.exe /record SECONDS [/out FILE.AVI] [/range X Y W H] [/reduce 1|2|4|8] "
    "[/rate RATE[/SCALE]] [/codec 0|1|2] [/sound] [/cursor]";

// Switches in any order, their names in any case.
ParsedRecorderCommand ParseRecorderCommand(const std::vector<std::string>& arguments);

// The switches given, over the saved settings. The range turns off the window
// and cursor-following modes: what was asked for is that rectangle.
void ApplyRecordCommand(const RecordCommand& command, CaptureSettings* settings);

// Empty when the asked range lies on a screen of this size, else the reason.
std::string RecordRangeError(const RecordCommand& command, int32_t screenWidth,
                             int32_t screenHeight);

#pragma once
// One conversion's state, shared with the save settings dialog, which reaches
// it through gSaveJob.
#include <windows.h>
#include <vfw.h>

#include <cstdint>

inline constexpr int kSavePathCapacity = 260;

struct SaveJob {
  PAVISTREAM streams[2] = {};                   // [0] the editable video, [1] the sound
  AVICOMPRESSOPTIONS* compressOptions[2] = {};  // both start zeroed: no compression chosen
  wchar_t outputPath[kSavePathCapacity] = {};
  int32_t streamCount = 1;
  uint8_t deleteFlag = 1;
};

extern SaveJob* gSaveJob;

#pragma once
// Long runs show their progress in a window title, one title a step. A new
// title repaints the caption at once, which under Wine takes about 1.5 ms,
// longer than the work of a frame or picture; and nobody reads more than a few
// titles a second. So a run shows a step's title only when the last shown one
// is kProgressTitleMs old: the first step's at once, and the last step's
// always, since it is the one left standing when the run ends.
#include <cstdint>

inline constexpr uint32_t kProgressTitleMs = 50;

struct ProgressTitleClock {
  bool shown = false;
  uint32_t lastMs = 0;  // a millisecond tick count, which may wrap
};

// True when this step's title is to be shown now, which is then recorded.
inline bool ProgressTitleDue(ProgressTitleClock* clock, uint32_t nowMs, bool lastStep) {
  if (clock->shown && !lastStep && nowMs - clock->lastMs < kProgressTitleMs) return false;
  clock->shown = true;
  clock->lastMs = nowMs;
  return true;
}

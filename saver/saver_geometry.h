#pragma once
// The arithmetic of tindora's drawing and timing, free of the window system.
#include <cstdint>
#include <vector>

enum SaverDisplayMode : int32_t { kSaverCentre = 0, kSaverTile = 1, kSaverZoom = 2 };

struct SaverRect {
  int32_t left, top, right, bottom;
};

struct SaverPlacement {
  int32_t x, y, width, height;
};

// Where one frame of w x h goes in the area for the given mode. Centre and
// zoom give one placement; tile gives one per copy, row by row within each
// column. Any mode other than centre and tile draws as zoom. Divisions
// truncate toward zero, as the drawing has always done.
std::vector<SaverPlacement> PlaceSaverFrame(const SaverRect& area, int32_t w, int32_t h,
                                            int32_t mode);

// Timer interval in milliseconds for a stream of rate / scale frames per
// second, rounded to the nearest millisecond as MulDiv(scale, 1000, rate)
// does. Returns 0 for a stream whose rate or scale makes no interval (the saver
// then plays nothing rather than arming a timer of about 49 days).
uint32_t SaverTimerInterval(uint32_t scale, uint32_t rate);

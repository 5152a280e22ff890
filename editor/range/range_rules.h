#pragma once
// The rules of the range dialog and the range extractions, apart from any
// window: which frames the two edits may hold, what the scroll bar offers,
// the span shown as a time, and how extracted bitmaps are named. Frame
// numbers in the dialog count from 0 at the video stream's start.
#include <cstdint>
#include <string>

// The frame the player's position stands on: position - stream start, not
// below 0 and at most length - 1.
int64_t RangeFrameAt(int64_t position, int64_t streamStart, int64_t length);

// The two edits after one of them was typed in: each clamped to
// 0..length - 1, and when the start passed the end the other edit follows the
// one being edited. True when either value changed.
bool SettleRangeEdits(int64_t* start, int64_t* end, int64_t length, bool editingStart);

// What the scroll bar offers: with the start chosen, 0..end showing the
// start; with the end chosen, start..length - 1 showing the end, so the two
// ends cannot be dragged past each other.
struct RangeBar {
  int64_t min = 0, max = 0, position = 0;
};
RangeBar RangeBarFor(bool startChosen, int64_t start, int64_t end, int64_t length);

// The span from the start of the first frame to the start of the last as
// "hh:mm:ss:cc" (hundredths); empty when the rate is not above 0.
std::string RangeTimeText(int64_t start, int64_t end, uint32_t scale, int64_t rate);

// The absolute sample numbers an extraction takes: first and last at or past
// streamStart + length become the last sample. False when first lies before
// the stream's start.
bool ClampExtractRange(int64_t* first, int64_t* last, int64_t streamStart, int64_t length);

// The sound sample that plays at the start of video sample `frame`, from the
// two streams' time bases (frames per second vRate / vScale, sound samples per
// second aRate / aScale), exactly: no rounding to milliseconds on the way. 0
// for a time base with a zero.
int64_t SoundSampleAt(int64_t frame, uint32_t vScale, uint32_t vRate, uint32_t aScale,
                      uint32_t aRate);

// "name_i" with i written with at least as many digits as `last` has.
std::string RangeBitmapName(const std::string& movieName, int64_t i, int64_t last);

// Where the bitmaps of a movie go: for C:\m\clip.avi the folder C:\m\clip
// and the base name "clip". The path is UTF-8, with '\' or '/'.
struct RangeBitmapPlace {
  std::string folder;
  std::string name;
};
RangeBitmapPlace RangeBitmapPlaceFor(const std::string& moviePath);

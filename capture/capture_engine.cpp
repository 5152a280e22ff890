#include "capture/capture_engine.h"

#include <algorithm>
#include <cstdio>

CaptureSettings gCaptureSettings;

void IdleCaptureProc() {}

void SetCaptureDefaults(CaptureSettings* settings, int32_t screenWidth, int32_t screenHeight) {
  *settings = CaptureSettings{};
  settings->rangeWidth = settings->outputWidth = screenWidth;
  settings->rangeHeight = settings->outputHeight = screenHeight;
}

namespace {

// One axis of the range: the start inside the screen, the length up to its edge.
bool ClampAxis(int32_t* start, int32_t* length, int32_t screen) {
  bool corrected = false;
  if (*start < 0) {
    *start = 0;
    corrected = true;
  } else if (*start >= screen) {
    *start = screen - 1;
    corrected = true;
  }
  // In 64 bits: a damaged settings file may hold a length near INT32_MAX.
  if (*length <= 0 || int64_t{*start} + *length > screen) {
    *length = screen - *start;
    corrected = true;
  }
  return corrected;
}

}  // namespace

bool NormalizeCaptureRange(CaptureSettings* s, int32_t screenWidth, int32_t screenHeight) {
  bool corrected = ClampAxis(&s->rangeX, &s->rangeWidth, screenWidth);
  corrected = ClampAxis(&s->rangeY, &s->rangeHeight, screenHeight) || corrected;
  if (s->scale <= 0) {
    s->scale = 1;
    corrected = true;
  }
  if (s->rate <= 0) {
    s->rate = 1;
    corrected = true;
  }
  if (s->reduction != 1 && s->reduction != 2 && s->reduction != 4 && s->reduction != 8) {
    s->reduction = 1;
    corrected = true;
  }
  s->outputWidth = s->rangeWidth / s->reduction;
  s->outputHeight = s->rangeHeight / s->reduction;
  return corrected;
}

void CentreRangeOnCursor(CaptureSettings* s, int32_t cursorX, int32_t cursorY, int32_t screenWidth,
                         int32_t screenHeight) {
  s->rangeX = std::max(cursorX - s->rangeWidth / 2, 0);
  s->rangeY = std::max(cursorY - s->rangeHeight / 2, 0);
  if (s->rangeX + s->rangeWidth >= screenWidth) s->rangeX = screenWidth - s->rangeWidth;
  if (s->rangeY + s->rangeHeight >= screenHeight) s->rangeY = screenHeight - s->rangeHeight;
}

// In 64 bits, so the product of elapsed milliseconds and the rate does not
// wrap after 2^32 / rate milliseconds (about 99 hours at 12 per second).
int32_t CaptureFrameNumber(uint32_t elapsedMs, int32_t scale, int32_t rate) {
  if (scale <= 0 || rate <= 0) return 0;
  const int64_t number = int64_t{elapsedMs} * rate / (int64_t{scale} * 1000);
  return static_cast<int32_t>(std::min<int64_t>(number, INT32_MAX - 1));
}

CursorPlacement ScaleCursorToOutput(const CaptureSettings& s, int32_t sourceX, int32_t sourceY,
                                    int32_t cursorWidth, int32_t cursorHeight) {
  if (s.rangeWidth <= 0 || s.rangeHeight <= 0) return {0, 0, 0, 0};
  auto along = [](int32_t v, int32_t out, int32_t range) {
    return static_cast<int32_t>(int64_t{v} * out / range);  // truncates toward zero
  };
  return {along(sourceX, s.outputWidth, s.rangeWidth),
          along(sourceY, s.outputHeight, s.rangeHeight),
          along(cursorWidth, s.outputWidth, s.rangeWidth),
          along(cursorHeight, s.outputHeight, s.rangeHeight)};
}

void FramePacerStart(FramePacer* pacer, int32_t scale, int32_t rate, int64_t counterFrequency,
                     int64_t now) {
  scale = std::max(scale, 1);
  rate = std::max(rate, 1);
  pacer->highResolution = counterFrequency > 0;
  if (pacer->highResolution) {
    pacer->frequency = counterFrequency;
    pacer->interval = int64_t{scale} * counterFrequency / rate;
  } else {
    // The millisecond clock rounds down; 3 ms more keeps grabs from coming early.
    pacer->frequency = 1000;
    pacer->interval = int64_t{scale} * 1000 / rate + 3;
  }
  pacer->deadline = now + pacer->interval;
}

bool FramePacerDue(FramePacer* pacer, int64_t now) {
  if (now <= pacer->deadline) return false;
  pacer->deadline = now + pacer->interval;
  return true;
}

uint32_t FramePacerMillisecondsLeft(const FramePacer& pacer, int64_t now) {
  if (now > pacer.deadline || pacer.frequency <= 0) return 0;
  // Rounded up, so a wait never ends just before the deadline.
  const int64_t ms = ((pacer.deadline - now) * 1000 + pacer.frequency - 1) / pacer.frequency;
  return static_cast<uint32_t>(std::min<int64_t>(ms, 60000));
}

BitmapSequenceNames MakeBitmapSequenceNames(const std::string& tempPath, const std::tm& localTime) {
  const size_t cut = tempPath.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? std::string() : tempPath.substr(0, cut + 1);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%m_%d_%H_%M_%S", &localTime);
  BitmapSequenceNames names;
  names.folder = folder + stamp;
  names.nameTemplate = names.folder + "\\%.10d.bmp";
  return names;
}

std::string BitmapSequenceFileName(const BitmapSequenceNames& names, uint32_t index) {
  // The template is ours, never the user's: its one conversion takes the index.
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.10u", index);
  return names.folder + "\\" + digits + ".bmp";
}

#pragma once
// What the recorder grabs, how often, and at what size: the settings record
// and the arithmetic of the capture engine that needs no window system. The
// grabbing itself lives in capture_engine_win.h.
#include <cstdint>
#include <ctime>
#include <string>

#include "capture/frame_codec.h"

enum RegionMode : uint8_t {
  kRegionFixed = 0,   // "範囲選択"
  kRegionCursor = 1,  // "カーソルを中心とする範囲を録画"
  kRegionWindow = 2,  // "録画ウィンドを指定"
};

// The timer procedure the pacer calls once per frame interval.
using CaptureProc = void (*)();
// Does nothing: the recorder is idle exactly while this is captureProc.
void IdleCaptureProc();

struct CaptureSettings {
  uint8_t regionMode = kRegionFixed;
  uint8_t useActiveWindow = 0;
  uint8_t clientOnly = 0;
  void* targetWindow = nullptr;  // HWND; resolved at recording start, window mode only
  int32_t rangeX = 0;
  int32_t rangeY = 0;
  int32_t rangeWidth = 0;
  int32_t rangeHeight = 0;
  uint8_t reduction = 1;  // 1, 2, 4 or 8
  int32_t outputWidth = 0;
  int32_t outputHeight = 0;
  uint8_t drawCursor = 0;
  uint8_t bitmapSequence = 0;
  uint8_t tempCodec = kTempCodecDefault;
  uint8_t useDirectDraw = 0;
  uint8_t recordSound = 0;
  int32_t scale = 1;
  int32_t rate = 12;
  CaptureProc captureProc = IdleCaptureProc;
};
extern CaptureSettings gCaptureSettings;

// The start-up defaults for a screen of the given size: the whole screen at
// 12 frames per second, flag-byte XOR coded.
void SetCaptureDefaults(CaptureSettings* settings, int32_t screenWidth, int32_t screenHeight);
// Clamps the range into the screen and the rate, scale and reduction to usable
// values, and derives the output size. True when anything was corrected.
bool NormalizeCaptureRange(CaptureSettings* settings, int32_t screenWidth, int32_t screenHeight);
// The range centred on the cursor, pushed inside the screen.
void CentreRangeOnCursor(CaptureSettings* settings, int32_t cursorX, int32_t cursorY,
                         int32_t screenWidth, int32_t screenHeight);

// The frame a grab belongs to, elapsedMs after the capture was prepared.
int32_t CaptureFrameNumber(uint32_t elapsedMs, int32_t scale, int32_t rate);

// The cursor's place and size in the output frame, from its place (hot spot
// taken off) and size in the source range.
struct CursorPlacement {
  int32_t x, y, width, height;
};
CursorPlacement ScaleCursorToOutput(const CaptureSettings& settings, int32_t sourceX,
                                    int32_t sourceY, int32_t cursorWidth, int32_t cursorHeight);

// The pacer's clock is the high-resolution counter when there is one
// (frequency > 0), else the millisecond clock.
struct FramePacer {
  bool highResolution = false;
  int64_t frequency = 0;  // counter ticks per second; 1000 on the millisecond clock
  int64_t interval = 0;   // in the clock's ticks
  int64_t deadline = 0;
};
// counterFrequency 0: no high-resolution counter; the millisecond interval
// then gets 3 ms more.
void FramePacerStart(FramePacer* pacer, int32_t scale, int32_t rate, int64_t counterFrequency,
                     int64_t now);
// True when the frame is due at now; the next deadline is then one interval
// after now, the moment the due grab starts.
bool FramePacerDue(FramePacer* pacer, int64_t now);
// Milliseconds until the next frame is due (0 when it is due), for waiting.
uint32_t FramePacerMillisecondsLeft(const FramePacer& pacer, int64_t now);

// Bitmap-sequence mode: the folder beside the temp file named by the start
// time ("%m_%d_%H_%M_%S"), and the printf template of its files inside it.
struct BitmapSequenceNames {
  std::string folder;
  std::string nameTemplate;  // folder + "\%.10d.bmp"
};
BitmapSequenceNames MakeBitmapSequenceNames(const std::string& tempPath, const std::tm& localTime);
// The name of bitmap file `index` (ten digits).
std::string BitmapSequenceFileName(const BitmapSequenceNames& names, uint32_t index);

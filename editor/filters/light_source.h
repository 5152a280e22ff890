#pragma once
// A point light with inverse-square fall-off added to a 24-bit frame, the
// mapping between the dialog's thumbnail and the frame, and the per-frame
// variation of the light's colour, strength and position in a whole-movie run.
#include <cstdint>

#include "common/dib_geometry.h"

// Lights the frame in place: the pixel under the light turns white, every
// other pixel gains (colour x (k*k/255)) / squared distance per channel,
// saturating at 255. 64-bit arithmetic, so wide frames do not overflow.
bool ApplyLightSource(FrameView frame, int32_t lx, int32_t ly, int32_t k, uint8_t red,
                      uint8_t green, uint8_t blue);
// Written pixel by pixel in integers: the yardstick the kernel above is tested
// and measured against. Same contract, same bytes.
bool ApplyLightSource_ref(FrameView frame, int32_t lx, int32_t ly, int32_t k, uint8_t red,
                          uint8_t green, uint8_t blue);

// Reach k = (s * W) >> 4 for the user's strength s.
int32_t LightReach(int s, int frameWidth);

struct ThumbnailRect {
  int left, top, width, height;
};
// Longest side 128, aspect kept, centred on (74, 74); never narrower than 1.
ThumbnailRect ComputeThumbnailRect(int frameWidth, int frameHeight);

struct FramePoint {
  int x, y;
};
// Dialog client point to frame column and memory row (dialog y runs down,
// memory rows run up).
FramePoint MapMarkerToFrame(int markerX, int markerY, const ThumbnailRect& thumb, int frameWidth,
                            int frameHeight);

struct LightAnimationSettings {
  int markerX = 74, markerY = 74;  // light marker, dialog coordinates
  uint8_t red = 255, green = 255, blue = 255;
  uint8_t strength = 50;
  int rgbPeriod = 0;  // 0: the colour stays
  int rgbMode = 0;    // 0 "0～255", 1 "0～指定値", 2 "指定値～255"
  int strengthPeriod = 0;
  int strengthMode = 0;
  int positionPeriod = 0;    // 0: the light stays
  int endX = 74, endY = 74;  // end marker, dialog coordinates
  ThumbnailRect thumb{10, 10, 128, 128};
  int frameWidth = 0, frameHeight = 0;
};

struct LightParameters {
  int32_t lx, ly, k;
  uint8_t red, green, blue;
};

// State of one whole-movie run. The counters are 8-bit on purpose: a period
// that does not divide 256 jumps once every 256 frames.
struct LightAnimation {
  LightAnimationSettings settings;
  double sine[256], cosine[256];
  int xs, ys, xe, ye;
  int radius;
  int32_t reach, maxReach;
  uint8_t phase, colourCounter, strengthCounter;
};

void StartLightAnimation(LightAnimation* animation, const LightAnimationSettings& settings);
// The next frame's light, advancing the counters.
LightParameters NextLightParameters(LightAnimation* animation);

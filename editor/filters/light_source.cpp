#include "editor/filters/light_source.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kTurn = 6.2831852;             // the tables' idea of 2 pi
constexpr double kTableStep = 0.0245436921875;  // kTurn / 256
constexpr uint64_t kExactDouble = uint64_t{1} << 52;

uint64_t Square(int64_t v) {
  return static_cast<uint64_t>(v * v);
}

// Each channel: min(255, old + a / d). Below 2^52 both a and d are exact
// doubles and the truncated double quotient equals the integer one, which lets
// the row run on vector division; beyond that the integer path takes over.
void LightRow(uint8_t* p, int width, int64_t lx, uint64_t dy2, const uint64_t* a, bool exact) {
  if (exact) {
    const double ab = static_cast<double>(a[0]), ag = static_cast<double>(a[1]),
                 ar = static_cast<double>(a[2]);
    const double dyd = static_cast<double>(dy2);
    for (int x = 0; x < width; ++x) {
      const double dx = static_cast<double>(x - lx);
      double d = dyd + dx * dx;
      d = d == 0 ? 1 : d;  // the pixel under the light is set white afterwards
      const int qb = static_cast<int>(std::min(ab / d, 255.0));
      const int qg = static_cast<int>(std::min(ag / d, 255.0));
      const int qr = static_cast<int>(std::min(ar / d, 255.0));
      p[3 * x] = static_cast<uint8_t>(std::min(255, p[3 * x] + qb));
      p[3 * x + 1] = static_cast<uint8_t>(std::min(255, p[3 * x + 1] + qg));
      p[3 * x + 2] = static_cast<uint8_t>(std::min(255, p[3 * x + 2] + qr));
    }
    return;
  }
  for (int x = 0; x < width; ++x) {
    const uint64_t d = dy2 + Square(x - lx);
    if (d == 0) continue;
    for (int c = 0; c < 3; ++c) {
      const uint64_t q = std::min<uint64_t>(a[c] / d, 255);
      p[3 * x + c] = static_cast<uint8_t>(std::min<uint64_t>(255, p[3 * x + c] + q));
    }
  }
}

}  // namespace

bool ApplyLightSource(FrameView frame, int32_t lx, int32_t ly, int32_t k, uint8_t red,
                      uint8_t green, uint8_t blue) {
  if (!frame.data || frame.width < 0 || frame.height < 0 ||
      frame.stride < int64_t{3} * frame.width) {
    return false;
  }
  const uint64_t h = Square(k) / 255;
  const uint64_t a[3] = {blue * h, green * h, red * h};
  const int64_t farX =
      std::max<int64_t>(std::llabs(int64_t{lx}), std::llabs(int64_t{frame.width} - 1 - lx));
  const int64_t farY =
      std::max<int64_t>(std::llabs(int64_t{ly}), std::llabs(int64_t{frame.height} - 1 - ly));
  const bool exact = std::max({a[0], a[1], a[2]}) < kExactDouble && farX < (int64_t{1} << 25) &&
                     farY < (int64_t{1} << 25);
  for (int y = 0; y < frame.height; ++y) {
    LightRow(FrameRow(frame, y), frame.width, lx, Square(int64_t{y} - ly), a, exact);
  }
  if (lx >= 0 && lx < frame.width && ly >= 0 && ly < frame.height) {
    uint8_t* p = FrameRow(frame, ly) + 3 * static_cast<size_t>(lx);
    p[0] = p[1] = p[2] = 255;
  }
  return true;
}

int32_t LightReach(int s, int frameWidth) {
  return static_cast<int32_t>(std::min<int64_t>((int64_t{s} * frameWidth) >> 4, INT32_MAX));
}

ThumbnailRect ComputeThumbnailRect(int frameWidth, int frameHeight) {
  const int64_t w = std::max(frameWidth, 1), h = std::max(frameHeight, 1);
  int64_t tw = 128, th = 128;
  if (w < h) tw = w * 128 / h;
  if (h < w) th = h * 128 / w;
  // A sliver of a frame still gets a one-pixel thumbnail, so that mapping
  // markers never divides by zero.
  tw = std::max<int64_t>(tw, 1);
  th = std::max<int64_t>(th, 1);
  return {static_cast<int>(74 - tw / 2), static_cast<int>(74 - th / 2), static_cast<int>(tw),
          static_cast<int>(th)};
}

FramePoint MapMarkerToFrame(int markerX, int markerY, const ThumbnailRect& thumb, int frameWidth,
                            int frameHeight) {
  const int64_t tw = std::max(thumb.width, 1), th = std::max(thumb.height, 1);
  const int64_t x = int64_t{frameWidth} * (markerX - int64_t{thumb.left}) / tw;
  const int64_t y = frameHeight - int64_t{frameHeight} * (markerY - int64_t{thumb.top}) / th;
  return {static_cast<int>(x), static_cast<int>(y)};
}

void StartLightAnimation(LightAnimation* an, const LightAnimationSettings& settings) {
  an->settings = settings;
  for (int i = 0; i < 256; ++i) {
    an->sine[i] = std::sin(i * kTableStep);
    an->cosine[i] = std::cos(i * kTableStep);
  }
  const int w = settings.frameWidth, h = settings.frameHeight;
  const FramePoint start =
      MapMarkerToFrame(settings.markerX, settings.markerY, settings.thumb, w, h);
  an->xs = start.x;
  an->ys = start.y;
  an->reach = LightReach(settings.strength, w);
  an->maxReach = LightReach(255, w);
  an->radius = 0;
  an->phase = 0;
  an->xe = start.x;
  an->ye = start.y;
  if (settings.positionPeriod != 0) {
    const FramePoint end = MapMarkerToFrame(settings.endX, settings.endY, settings.thumb, w, h);
    an->xe = end.x;
    an->ye = end.y;
    const double dx = static_cast<double>(an->xs) - an->xe,
                 dy = static_cast<double>(an->ys) - an->ye;
    an->radius = static_cast<int>(std::sqrt(dx * dx + dy * dy));
    if (an->radius > 0) {
      // The direction from the start point to the end point in frame
      // coordinates: with the counter at this value and a period of 256 the
      // light stands exactly at the start point, xe - r cos, ye - r sin.
      double angle =
          std::atan2(static_cast<double>(an->ye) - an->ys, static_cast<double>(an->xe) - an->xs);
      if (angle < 0) angle += kTurn;
      an->phase = static_cast<uint8_t>(static_cast<int>(angle * (256 / kTurn)));
    }
  }
  an->colourCounter = 170;
  an->strengthCounter = 0;
}

namespace {

// Index into the tables for an 8-bit counter and a period, unsigned as the
// counters are.
int TableIndex(unsigned counter, int period) {
  return static_cast<int>((counter * 256u / static_cast<unsigned>(period)) % 256u);
}

uint8_t ColourChannel(double s, int mode, int chosen) {
  switch (mode) {
    case 1: return static_cast<uint8_t>(static_cast<int>((s + 1) * chosen * 0.5));
    case 2: return static_cast<uint8_t>(static_cast<int>((s + 1) * (255 - chosen) * 0.5 + chosen));
    default: return static_cast<uint8_t>(static_cast<int>((s + 1) * 127.5));
  }
}

}  // namespace

LightParameters NextLightParameters(LightAnimation* an) {
  const LightAnimationSettings& st = an->settings;
  LightParameters out{an->xs, an->ys, an->reach, st.red, st.green, st.blue};
  if (st.positionPeriod != 0 && an->radius > 0) {
    const int i = TableIndex(an->phase, st.positionPeriod);
    out.lx = static_cast<int32_t>(an->xe - an->radius * an->cosine[i]);
    out.ly = static_cast<int32_t>(an->ye - an->radius * an->sine[i]);
    ++an->phase;
  }
  if (st.rgbPeriod != 0) {
    const unsigned c = an->colourCounter;
    const double sr = an->sine[TableIndex((c + 86) % 256, st.rgbPeriod)];
    const double sg = an->sine[TableIndex((c - 85) % 256, st.rgbPeriod)];
    const double sb = an->sine[TableIndex(c, st.rgbPeriod)];
    out.red = ColourChannel(sr, st.rgbMode, st.red);
    out.green = ColourChannel(sg, st.rgbMode, st.green);
    out.blue = ColourChannel(sb, st.rgbMode, st.blue);
    ++an->colourCounter;
  }
  if (st.strengthPeriod != 0) {
    const double s = an->sine[TableIndex(an->strengthCounter, st.strengthPeriod)];
    const double f = an->reach, fmax = an->maxReach;
    double k;
    switch (st.strengthMode) {
      case 1: k = (s + 1) * f * 0.5; break;
      case 2: k = (s + 1) * (fmax - f) * 0.5 + f; break;
      default: k = (s + 1) * fmax * 0.5; break;
    }
    out.k = static_cast<int32_t>(k);
    ++an->strengthCounter;
  }
  return out;
}

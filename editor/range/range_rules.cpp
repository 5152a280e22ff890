#include "editor/range/range_rules.h"

#include <algorithm>
#include <cstdio>

namespace {
int64_t ClampFrame(int64_t value, int64_t length) {
  return std::clamp<int64_t>(value, 0, std::max<int64_t>(length - 1, 0));
}
}  // namespace

int64_t RangeFrameAt(int64_t position, int64_t streamStart, int64_t length) {
  return ClampFrame(position - streamStart, length);
}

bool SettleRangeEdits(int64_t* start, int64_t* end, int64_t length, bool editingStart) {
  int64_t s = ClampFrame(*start, length);
  int64_t e = ClampFrame(*end, length);
  if (s > e) {
    if (editingStart)
      e = s;
    else
      s = e;
  }
  const bool changed = s != *start || e != *end;
  *start = s;
  *end = e;
  return changed;
}

RangeBar RangeBarFor(bool startChosen, int64_t start, int64_t end, int64_t length) {
  if (startChosen) return {0, end, start};
  return {start, std::max<int64_t>(length - 1, start), end};
}

std::string RangeTimeText(int64_t start, int64_t end, uint32_t scale, int64_t rate) {
  if (rate <= 0) return std::string();
  // Unsigned, as the frames before the start are never asked for: a range
  // typed backwards reads as a long span rather than a negative one. 64 bits
  // keep a long movie's hundredths from wrapping.
  const uint64_t frames = static_cast<uint64_t>(end - start);
  const uint64_t c = frames * scale * 100 / static_cast<uint64_t>(rate);
  const uint64_t hours = c / 360000, minutes = (c / 100 % 3600) / 60, seconds = c / 100 % 60;
  char text[64];
  std::snprintf(
      text, sizeof text, "%llu%llu:%llu%llu:%llu%llu:%llu%llu",
      static_cast<unsigned long long>(hours / 10), static_cast<unsigned long long>(hours % 10),
      static_cast<unsigned long long>(minutes / 10), static_cast<unsigned long long>(minutes % 10),
      static_cast<unsigned long long>(seconds / 10), static_cast<unsigned long long>(seconds % 10),
      static_cast<unsigned long long>(c / 10 % 10), static_cast<unsigned long long>(c % 10));
  return text;
}

bool ClampExtractRange(int64_t* first, int64_t* last, int64_t streamStart, int64_t length) {
  const int64_t end = streamStart + length;
  if (*first >= end) *first = end - 1;
  if (*last >= end) *last = end - 1;
  return *first >= streamStart;
}

int64_t SoundSampleAt(int64_t frame, uint32_t vScale, uint32_t vRate, uint32_t aScale,
                      uint32_t aRate) {
  if (frame <= 0 || vScale == 0 || vRate == 0 || aScale == 0 || aRate == 0) return 0;
  const uint64_t num = static_cast<uint64_t>(frame) * vScale;  // below 2^63
  const uint64_t den = uint64_t{vRate} * aScale;
#if defined(__SIZEOF_INT128__)
  return static_cast<int64_t>(static_cast<unsigned __int128>(num) * aRate / den);
#else
  // num = q * den + r: q * aRate is exact; r * aRate / den is below aRate.
  const uint64_t q = num / den, r = num % den;
  return static_cast<int64_t>(
      q * aRate +
      static_cast<uint64_t>(static_cast<long double>(r) * aRate / static_cast<long double>(den)));
#endif
}

std::string RangeBitmapName(const std::string& movieName, int64_t i, int64_t last) {
  int digits = 1;
  for (int64_t v = last < 0 ? -last : last; v >= 10; v /= 10) ++digits;
  char number[32];
  std::snprintf(number, sizeof number, "%0*lld", digits, static_cast<long long>(i));
  return movieName + "_" + number;
}

RangeBitmapPlace RangeBitmapPlaceFor(const std::string& moviePath) {
  const size_t slash = moviePath.find_last_of("\\/");
  const std::string directory = slash == std::string::npos ? "" : moviePath.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? moviePath : moviePath.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  return {directory + name, name};
}

#include "recorder/record_command.h"

#include <cctype>
#include <charconv>

namespace {
bool SameSwitch(const std::string& argument, const char* name) {
  size_t i = 0;
  for (; name[i]; ++i)
    if (i >= argument.size() || std::tolower(static_cast<unsigned char>(argument[i])) !=
                                    static_cast<unsigned char>(name[i]))
      return false;
  return i == argument.size();
}

// Plain decimal digits only: "12x", "+3", "" and values outside [low, high] are refused.
bool ParseNumber(const std::string& text, int32_t low, int32_t high, int32_t* out) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (value < low || value > high) return false;
  *out = static_cast<int32_t>(value);
  return true;
}

constexpr int32_t kMaxSeconds = 24 * 60 * 60;
constexpr int32_t kMaxCoordinate = 65535;
}  // namespace

ParsedRecorderCommand ParseRecorderCommand(const std::vector<std::string>& arguments) {
  ParsedRecorderCommand parsed;
  bool record = false;
  for (const std::string& a : arguments)
    if (SameSwitch(a, "/record")) record = true;
  if (!record) return parsed;

  RecordCommand& c = parsed.record;
  auto fail = [&](const std::string& why) {
    parsed.launch = RecorderLaunch::Invalid;
    parsed.error = why;
    return parsed;
  };
  bool seconds = false;
  const size_t n = arguments.size();
  for (size_t i = 0; i < n; ++i) {
    const std::string& a = arguments[i];
    auto value = [&](size_t k) -> const std::string* {
      return i + k < n ? &arguments[i + k] : nullptr;
    };
    if (SameSwitch(a, "/record")) {
      if (seconds) return fail("/record is given twice");
      const std::string* v = value(1);
      if (!v || !ParseNumber(*v, 1, kMaxSeconds, &c.seconds))
        return fail("/record needs the seconds to record, 1 to 86400");
      seconds = true;
      i += 1;
    } else if (SameSwitch(a, "/out")) {
      const std::string* v = value(1);
      if (!v || v->empty() || (*v)[0] == '/') return fail("/out needs the AVI file's name");
      c.out = *v;
      i += 1;
    } else if (SameSwitch(a, "/range")) {
      int32_t* fields[] = {&c.x, &c.y, &c.width, &c.height};
      for (int k = 0; k < 4; ++k) {
        const std::string* v = value(1 + k);
        const int32_t low = k < 2 ? 0 : 1;
        if (!v || !ParseNumber(*v, low, kMaxCoordinate, fields[k]))
          return fail("/range needs X Y W H: X and Y from 0, W and H from 1");
      }
      c.range = true;
      i += 4;
    } else if (SameSwitch(a, "/reduce")) {
      const std::string* v = value(1);
      int32_t r = 0;
      if (!v || !ParseNumber(*v, 1, 8, &r) || (r != 1 && r != 2 && r != 4 && r != 8))
        return fail("/reduce takes 1, 2, 4 or 8");
      c.reduction = static_cast<uint8_t>(r);
      i += 1;
    } else if (SameSwitch(a, "/rate")) {
      const std::string* v = value(1);
      bool ok = v != nullptr;
      if (ok) {
        const size_t slash = v->find('/');
        c.scale = 1;
        ok = ParseNumber(v->substr(0, slash), 1, 60, &c.rate) &&
             (slash == std::string::npos || ParseNumber(v->substr(slash + 1), 1, 60, &c.scale));
      }
      if (!ok)
        return fail(
            "/rate takes RATE or RATE/SCALE, each 1 to 60 (frames per second: RATE / SCALE)");
      i += 1;
    } else if (SameSwitch(a, "/codec")) {
      const std::string* v = value(1);
      int32_t codec = 0;
      if (!v || !ParseNumber(*v, 0, 2, &codec)) return fail("/codec takes 0, 1 or 2");
      c.codec = codec;
      i += 1;
    } else if (SameSwitch(a, "/sound")) {
      c.sound = true;
    } else if (SameSwitch(a, "/cursor")) {
      c.cursor = true;
    } else {
      return fail("unknown argument: " + a);
    }
  }
  parsed.launch = RecorderLaunch::Record;
  return parsed;
}

void ApplyRecordCommand(const RecordCommand& c, CaptureSettings* s) {
  if (c.range) {
    s->regionMode = kRegionFixed;
    s->rangeX = c.x;
    s->rangeY = c.y;
    s->rangeWidth = c.width;
    s->rangeHeight = c.height;
  }
  if (c.reduction) s->reduction = c.reduction;
  if (c.rate) {
    s->rate = c.rate;
    s->scale = c.scale;
  }
  if (c.codec >= 0) s->tempCodec = static_cast<uint8_t>(c.codec);
  if (c.sound) s->recordSound = 1;
  if (c.cursor) s->drawCursor = 1;
  // The unattended way always makes a movie.
  s->bitmapSequence = 0;
}

std::string RecordRangeError(const RecordCommand& c, int32_t screenWidth, int32_t screenHeight) {
  if (!c.range) return std::string();
  if (int64_t{c.x} + c.width <= screenWidth && int64_t{c.y} + c.height <= screenHeight)
    return std::string();
  return "/range " + std::to_string(c.x) + " " + std::to_string(c.y) + " " +
         std::to_string(c.width) + " " + std::to_string(c.height) + " lies outside the " +
         std::to_string(screenWidth) + " x " + std::to_string(screenHeight) + " screen";
}

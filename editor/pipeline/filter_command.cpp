#include "editor/pipeline/filter_command.h"

#include <cctype>
#include <cstdlib>

#include "editor/commands/messages.h"

namespace {

struct ValueRange {
  int low, high;
};

// A whole number, optionally negative, and nothing else.
bool ParseInteger(const std::string& word, int* value) {
  size_t i = word.size() > 1 && word[0] == '-' ? 1 : 0;
  if (i == word.size() || word.size() > 7) return false;
  for (size_t j = i; j < word.size(); ++j)
    if (!std::isdigit(static_cast<unsigned char>(word[j]))) return false;
  *value = std::atoi(word.c_str());
  return true;
}

bool SameLetters(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && !b[i];
}

struct FilterSyntax {
  const char* name;
  std::vector<ValueRange> required;
  std::vector<ValueRange> optional;  // all or none
};

constexpr ValueRange kByte{0, 255};
constexpr ValueRange kFlag{0, 1};
constexpr ValueRange kMode{0, 2};
constexpr ValueRange kPeriod{0, 65535};           // 0: no variation; 1 reads as 2
constexpr ValueRange kCoordinate{-65535, 65535};  // the light may stand off the frame
constexpr ValueRange kCoefficient{-10, 10};

const FilterSyntax kSyntax[] = {
    {"rgb", {kByte, kByte, kByte, kFlag, kFlag, kFlag}, {}},
    {"ycrcb", {{0, 200}, {0, 200}, {0, 200}}, {}},
    {"contrast", {{-128, 127}}, {}},
    {"gamma", {kByte}, {}},
    {"grayscale", {}, {}},
    {"pale", {}, {}},
    {"blur", {{1, 5}}, {}},
    {"median", {{1, 3}}, {}},
    {"unsharp", {{1, 3}}, {}},
    {"watercolour", {{0, 24}}, {}},
    {"edge", {kByte, kMode, kFlag}, {}},
    {"light",
     {kCoordinate, kCoordinate, kByte, kByte, kByte, kByte},
     {kPeriod, kMode, kPeriod, kMode, kPeriod, kCoordinate, kCoordinate}},
    {"custom",
     {kCoefficient,
      kCoefficient,
      kCoefficient,
      kCoefficient,
      kCoefficient,
      kCoefficient,
      kCoefficient,
      kCoefficient,
      kCoefficient,
      {1, 50},
      kByte,
      kByte,
      kByte},
     {}},
};

int Period(int value) {
  return value == 1 ? 2 : value;
}

// Values in the order of kSyntax's row.
void FillFilter(const std::string& name, const std::vector<int>& v, FrameFilter* f) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(v[i]); };
  if (name == "rgb") {
    f->kind = FilterKind::Rgb;
    for (int c = 0; c < 3; ++c) {
      f->ratio[c] = byte(c);
      f->invert[c] = v[3 + c] != 0;
    }
  } else if (name == "ycrcb") {
    f->kind = FilterKind::YCrCb;
    for (int c = 0; c < 3; ++c) f->ycrcb[c] = byte(c);
  } else if (name == "contrast") {
    f->kind = FilterKind::Contrast;
    f->contrast = v[0];
  } else if (name == "gamma") {
    f->kind = FilterKind::Gamma;
    f->gamma = byte(0);
  } else if (name == "grayscale") {
    f->kind = FilterKind::Grayscale;
  } else if (name == "pale") {
    f->kind = FilterKind::Pale;
  } else if (name == "edge") {
    f->kind = FilterKind::Edge;
    f->threshold = byte(0);
    f->edgeOperator = byte(1);
    f->sharpenFirst = v[2] != 0;
  } else if (name == "light") {
    f->kind = FilterKind::Light;
    LightAnimationSettings& s = f->light;
    // Frame coordinates from the picture's top-left corner: a thumbnail of no
    // size stands for the frame itself, which maps them one to one.
    s.thumb = {0, 0, 0, 0};
    s.markerX = v[0];
    s.markerY = v[1];
    s.red = byte(2);
    s.green = byte(3);
    s.blue = byte(4);
    s.strength = byte(5);
    if (v.size() > 6) {
      s.rgbPeriod = Period(v[6]);
      s.rgbMode = v[7];
      s.strengthPeriod = Period(v[8]);
      s.strengthMode = v[9];
      s.endX = v[11];
      s.endY = v[12];
      // As the dialog does: no position variation when both points coincide.
      s.positionPeriod = (s.endX == s.markerX && s.endY == s.markerY) ? 0 : Period(v[10]);
    }
  } else if (name == "custom") {
    f->kind = FilterKind::Custom;
    for (int i = 0; i < 9; ++i) f->coefficients[i] = static_cast<int8_t>(v[i]);
    f->customStrength = byte(9);
    for (int c = 0; c < 3; ++c) f->base[c] = byte(10 + c);
  } else {
    f->kind = FilterKind::Neighbourhood;
    f->strength = byte(0);
    f->neighbourhoodKind = name == "median"    ? DialogKind::Median
                           : name == "unsharp" ? DialogKind::UnsharpMask
                           : name == "blur"    ? DialogKind::Blur
                                               : DialogKind::Watercolour;
  }
}

}  // namespace

bool IsFilterSwitch(const std::string& argument) {
  return SameLetters(argument, "/filter") || SameLetters(argument, "-filter");
}

bool ParseFilterCommand(const std::vector<std::string>& arguments, FilterCommand* command,
                        std::string* error) {
  if (arguments.empty()) {
    *error = kMessageFilterUsage;
    return false;
  }
  const FilterSyntax* syntax = nullptr;
  for (const FilterSyntax& s : kSyntax)
    if (SameLetters(arguments[0], s.name)) syntax = &s;
  if (!syntax) {
    *error = std::string(kMessageUnknownFilter) + " (" + arguments[0] + ")";
    return false;
  }
  const size_t values = arguments.size() < 3 ? 0 : arguments.size() - 3;
  const size_t required = syntax->required.size();
  if (arguments.size() < 3 ||
      (values != required && values != required + syntax->optional.size()) ||
      (syntax->optional.empty() && values != required)) {
    *error = std::string(kMessageFilterValueCount) + " (" + syntax->name + ")";
    return false;
  }
  std::vector<int> numbers;
  for (size_t i = 0; i < values; ++i) {
    const ValueRange range = i < required ? syntax->required[i] : syntax->optional[i - required];
    int value = 0;
    const std::string& word = arguments[1 + i];
    if (!ParseInteger(word, &value) || value < range.low || value > range.high) {
      *error = std::string(kMessageFilterValue) + " (" + word + ": " + std::to_string(range.low) +
               ".." + std::to_string(range.high) + ")";
      return false;
    }
    numbers.push_back(value);
  }
  FilterCommand result;
  result.name = syntax->name;
  FillFilter(result.name, numbers, &result.filter);
  result.input = arguments[arguments.size() - 2];
  result.output = arguments.back();
  *command = result;
  return true;
}

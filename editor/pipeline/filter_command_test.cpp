// The /filter command line: every name with its values in the dialog's order
// and ranges, and every way a command can be wrong.
#include "editor/pipeline/filter_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "editor/commands/messages.h"

namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

TEST(FilterCommand, EachNameTakesItsValuesInTheDialogsOrder) {
  struct Case {
    const char* line;
    bool (*check)(const FrameFilter& f);
  };
  const Case cases[] = {
      {"rgb 10 20 30 1 0 1 in.avi out.avi",
       [](const FrameFilter& f) {
         return f.kind == FilterKind::Rgb && f.ratio[0] == 10 && f.ratio[1] == 20 &&
                f.ratio[2] == 30 && f.invert[0] && !f.invert[1] && f.invert[2];
       }},
      {"YCrCb 200 0 100 in.avi out.avi",
       [](const FrameFilter& f) {
         return f.kind == FilterKind::YCrCb && f.ycrcb[0] == 200 && f.ycrcb[1] == 0 &&
                f.ycrcb[2] == 100;
       }},
      {"contrast -128 in.avi out.avi",
       [](const FrameFilter& f) { return f.kind == FilterKind::Contrast && f.contrast == -128; }},
      {"gamma 255 in.avi out.avi",
       [](const FrameFilter& f) { return f.kind == FilterKind::Gamma && f.gamma == 255; }},
      {"grayscale in.avi out.avi",
       [](const FrameFilter& f) { return f.kind == FilterKind::Grayscale; }},
      {"pale in.avi out.avi", [](const FrameFilter& f) { return f.kind == FilterKind::Pale; }},
      {"blur 5 in.avi out.avi",
       [](const FrameFilter& f) {
         return f.kind == FilterKind::Neighbourhood && f.neighbourhoodKind == DialogKind::Blur &&
                f.strength == 5;
       }},
      {"median 3 in.avi out.avi",
       [](const FrameFilter& f) {
         return f.neighbourhoodKind == DialogKind::Median && f.strength == 3;
       }},
      {"unsharp 1 in.avi out.avi",
       [](const FrameFilter& f) {
         return f.neighbourhoodKind == DialogKind::UnsharpMask && f.strength == 1;
       }},
      {"watercolour 0 in.avi out.avi",
       [](const FrameFilter& f) {
         return f.neighbourhoodKind == DialogKind::Watercolour && f.strength == 0;
       }},
      {"edge 50 2 1 in.avi out.avi",
       [](const FrameFilter& f) {
         return f.kind == FilterKind::Edge && f.threshold == 50 && f.edgeOperator == 2 &&
                f.sharpenFirst;
       }},
      {"light 3 4 255 0 10 50 in.avi out.avi",
       [](const FrameFilter& f) {
         const LightAnimationSettings& s = f.light;
         return f.kind == FilterKind::Light && s.markerX == 3 && s.markerY == 4 && s.red == 255 &&
                s.green == 0 && s.blue == 10 && s.strength == 50 && s.rgbPeriod == 0 &&
                s.positionPeriod == 0 && s.thumb.width == 0;
       }},
      {"light 3 4 255 0 10 50 1 2 60 1 30 9 9 in.avi out.avi",
       [](const FrameFilter& f) {
         const LightAnimationSettings& s = f.light;
         return s.rgbPeriod == 2 && s.rgbMode == 2 && s.strengthPeriod == 60 &&
                s.strengthMode == 1 && s.positionPeriod == 30 && s.endX == 9 && s.endY == 9;
       }},
      {"light 3 4 255 0 10 50 8 0 8 0 30 3 4 in.avi out.avi",
       [](const FrameFilter& f) { return f.light.positionPeriod == 0; }},
      {"custom -10 -1 0 1 2 3 4 5 10 50 255 128 0 in.avi out.avi",
       [](const FrameFilter& f) {
         return f.kind == FilterKind::Custom && f.coefficients[0] == -10 &&
                f.coefficients[8] == 10 && f.customStrength == 50 && f.base[0] == 255 &&
                f.base[1] == 128 && f.base[2] == 0;
       }},
  };
  for (const Case& c : cases) {
    FilterCommand command;
    std::string error;
    ASSERT_TRUE(ParseFilterCommand(Words(c.line), &command, &error)) << c.line << ": " << error;
    EXPECT_TRUE(c.check(command.filter)) << c.line;
    EXPECT_EQ(command.input, "in.avi") << c.line;
    EXPECT_EQ(command.output, "out.avi") << c.line;
  }
}

TEST(FilterCommand, RefusesWrongCommandsWithTheReason) {
  struct Case {
    const char* line;
    const char* reason;
  };
  const Case cases[] = {
      {"", kMessageFilterUsage},
      {"sepia 3 in.avi out.avi", kMessageUnknownFilter},
      {"blur in.avi out.avi", kMessageFilterValueCount},
      {"blur 2", kMessageFilterValueCount},
      {"grayscale 1 in.avi out.avi", kMessageFilterValueCount},
      {"light 3 4 255 0 10 50 1 2 in.avi out.avi", kMessageFilterValueCount},
      {"blur 0 in.avi out.avi", kMessageFilterValue},
      {"blur 6 in.avi out.avi", kMessageFilterValue},
      {"median 4 in.avi out.avi", kMessageFilterValue},
      {"unsharp 4 in.avi out.avi", kMessageFilterValue},
      {"watercolour 25 in.avi out.avi", kMessageFilterValue},
      {"contrast 128 in.avi out.avi", kMessageFilterValue},
      {"contrast -129 in.avi out.avi", kMessageFilterValue},
      {"gamma 256 in.avi out.avi", kMessageFilterValue},
      {"ycrcb 201 100 100 in.avi out.avi", kMessageFilterValue},
      {"rgb 255 255 255 2 0 0 in.avi out.avi", kMessageFilterValue},
      {"edge 50 3 0 in.avi out.avi", kMessageFilterValue},
      {"custom 11 0 0 0 1 0 0 0 0 1 0 0 0 in.avi out.avi", kMessageFilterValue},
      {"custom 0 0 0 0 1 0 0 0 0 0 0 0 0 in.avi out.avi", kMessageFilterValue},
      {"blur 2x in.avi out.avi", kMessageFilterValue},
      {"blur -- in.avi out.avi", kMessageFilterValue},
      {"blur 99999999 in.avi out.avi", kMessageFilterValue},
  };
  for (const Case& c : cases) {
    FilterCommand command;
    std::string error;
    EXPECT_FALSE(ParseFilterCommand(Words(c.line), &command, &error)) << c.line;
    EXPECT_EQ(error.rfind(c.reason, 0), 0u) << c.line << ": " << error;
  }
}

}  // namespace

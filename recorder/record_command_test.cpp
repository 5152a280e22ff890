#include "recorder/record_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using Args = std::vector<std::string>;
}

TEST(RecordCommand, EverySwitchInAnyOrderAndCase) {
  const ParsedRecorderCommand p = ParseRecorderCommand(
      {"/CURSOR", "/rate", "15/2", "/out", "C:\\m\\a.avi", "/Range", "10", "20", "320", "240",
       "/record", "5", "/reduce", "2", "/codec", "0", "/sound"});
  ASSERT_EQ(p.launch, RecorderLaunch::Record) << p.error;
  const RecordCommand& c = p.record;
  EXPECT_EQ(c.seconds, 5);
  EXPECT_EQ(c.out, "C:\\m\\a.avi");
  EXPECT_TRUE(c.range);
  EXPECT_EQ(c.x, 10);
  EXPECT_EQ(c.y, 20);
  EXPECT_EQ(c.width, 320);
  EXPECT_EQ(c.height, 240);
  EXPECT_EQ(c.reduction, 2);
  EXPECT_EQ(c.rate, 15);
  EXPECT_EQ(c.scale, 2);
  EXPECT_EQ(c.codec, 0);
  EXPECT_TRUE(c.sound);
  EXPECT_TRUE(c.cursor);
}

TEST(RecordCommand, WithoutRecordTheWindowStartsWhateverElseIsGiven) {
  const Args cases[] = {{}, {"/out", "x.avi"}, {"anything"}, {"/recording", "3"}};
  for (const Args& a : cases)
    EXPECT_EQ(ParseRecorderCommand(a).launch, RecorderLaunch::Window) << a.size();
}

TEST(RecordCommand, BadSwitchesSayWhatIsWrong) {
  struct Case {
    Args args;
    const char* errorStart;
  };
  const Case cases[] = {
      {{"/record"}, "/record needs"},
      {{"/record", "0"}, "/record needs"},
      {{"/record", "86401"}, "/record needs"},
      {{"/record", "2s"}, "/record needs"},
      {{"/record", "-2"}, "/record needs"},
      {{"/record", "3", "/record", "4"}, "/record is given twice"},
      {{"/record", "3", "/out"}, "/out needs"},
      {{"/record", "3", "/out", "/sound"}, "/out needs"},
      {{"/record", "3", "/range", "0", "0", "100"}, "/range needs"},
      {{"/record", "3", "/range", "0", "0", "0", "100"}, "/range needs"},
      {{"/record", "3", "/range", "-1", "0", "10", "100"}, "/range needs"},
      {{"/record", "3", "/reduce", "3"}, "/reduce takes"},
      {{"/record", "3", "/reduce", "16"}, "/reduce takes"},
      {{"/record", "3", "/rate", "0"}, "/rate takes"},
      {{"/record", "3", "/rate", "61"}, "/rate takes"},
      {{"/record", "3", "/rate", "12/"}, "/rate takes"},
      {{"/record", "3", "/rate", "12/0"}, "/rate takes"},
      {{"/record", "3", "/rate", "ten"}, "/rate takes"},
      {{"/record", "3", "/codec", "3"}, "/codec takes"},
      {{"/record", "3", "/loud"}, "unknown argument: /loud"},
  };
  for (const Case& k : cases) {
    const ParsedRecorderCommand p = ParseRecorderCommand(k.args);
    std::string label;
    for (const std::string& a : k.args) label += a + " ";
    EXPECT_EQ(p.launch, RecorderLaunch::Invalid) << label;
    EXPECT_EQ(p.error.rfind(k.errorStart, 0), 0u) << label << "-> " << p.error;
  }
}

TEST(RecordCommand, SwitchesGivenReplaceTheSavedSettingsAndOnlyThose) {
  CaptureSettings s;
  SetCaptureDefaults(&s, 1024, 768);
  s.regionMode = kRegionWindow;
  s.bitmapSequence = 1;
  s.rate = 30;
  RecordCommand c;
  c.seconds = 2;
  ApplyRecordCommand(c, &s);
  EXPECT_EQ(s.regionMode, kRegionWindow) << "no /range: the saved mode stays";
  EXPECT_EQ(s.rate, 30);
  EXPECT_EQ(s.tempCodec, kTempCodecDefault);
  EXPECT_EQ(s.bitmapSequence, 0) << "the unattended way always makes an AVI";

  c.range = true;
  c.x = 8, c.y = 16, c.width = 200, c.height = 100;
  c.rate = 5, c.scale = 1, c.reduction = 4, c.codec = 2, c.sound = true, c.cursor = true;
  ApplyRecordCommand(c, &s);
  EXPECT_EQ(s.regionMode, kRegionFixed);
  EXPECT_EQ(s.rangeX, 8);
  EXPECT_EQ(s.rangeHeight, 100);
  EXPECT_EQ(s.rate, 5);
  EXPECT_EQ(s.scale, 1);
  EXPECT_EQ(s.reduction, 4);
  EXPECT_EQ(s.tempCodec, 2);
  EXPECT_EQ(s.recordSound, 1);
  EXPECT_EQ(s.drawCursor, 1);
}

TEST(RecordCommand, ARangeOffTheScreenIsRefusedNotClamped) {
  RecordCommand c;
  c.range = true;
  c.x = 0, c.y = 0, c.width = 1024, c.height = 768;
  EXPECT_EQ(RecordRangeError(c, 1024, 768), "");
  c.x = 1;
  EXPECT_EQ(RecordRangeError(c, 1024, 768),
            "/range 1 0 1024 768 lies outside the 1024 x 768 screen");
  c.range = false;
  EXPECT_EQ(RecordRangeError(c, 1024, 768), "");
}

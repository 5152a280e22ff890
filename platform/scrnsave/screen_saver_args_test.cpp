#include "platform/scrnsave/screen_saver_args.h"

#include <gtest/gtest.h>

TEST(SaverArgs, EverySwitchFormWindowsUses) {
  struct Row {
    const char16_t* text;
    SaverMode mode;
    uint64_t window;
  } rows[] = {
      {u"", SaverMode::Configure, 0},
      {u"   ", SaverMode::Configure, 0},
      {u"/s", SaverMode::Run, 0},
      {u"-S", SaverMode::Run, 0},
      {u" /s ", SaverMode::Run, 0},
      {u"/c", SaverMode::Configure, 0},
      {u"/c:1234", SaverMode::Configure, 1234},
      {u"/C 77", SaverMode::Configure, 77},
      {u"/p 65552", SaverMode::Preview, 65552},
      {u"/p:65552", SaverMode::Preview, 65552},
      {u"/a 12", SaverMode::ChangePassword, 12},
  };
  for (const Row& row : rows) {
    SaverArgs args = ParseSaverArgs(row.text);
    std::u16string text(row.text);
    EXPECT_EQ(args.mode, row.mode) << std::string(text.begin(), text.end());
    EXPECT_EQ(args.window, row.window) << std::string(text.begin(), text.end());
  }
}

TEST(SaverArgs, BadInputIsInvalidNotAGuess) {
  EXPECT_EQ(ParseSaverArgs(u"/x").mode, SaverMode::Invalid);
  EXPECT_EQ(ParseSaverArgs(u"/").mode, SaverMode::Invalid);
  EXPECT_EQ(ParseSaverArgs(u"/p").mode, SaverMode::Invalid) << "a preview needs its parent";
  EXPECT_EQ(ParseSaverArgs(u"/p abc").mode, SaverMode::Invalid);
  EXPECT_EQ(ParseSaverArgs(u"/c:99999999999999999999999").window, 0u) << "overflow is no handle";
}

TEST(SaverArgs, ProgramNameIsSkippedQuotedOrNot) {
  EXPECT_EQ(SkipProgramName(u"\"C:\\Program Files\\tindora.scr\" /s"), u" /s");
  EXPECT_EQ(SkipProgramName(u"tindora.scr /p 5"), u" /p 5");
  EXPECT_EQ(SkipProgramName(u"tindora.scr"), u"");
  EXPECT_EQ(SkipProgramName(u"\"unterminated /s"), u"");
}

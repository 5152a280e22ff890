#include "common/message.h"

#include <gtest/gtest.h>

#include "testing/message_recorder.h"

TEST(MessageLayer, RecorderSeesTextTitleAndAnswersQuestionsInOrder) {
  MessageRecorder recorder({MessageAnswer::Yes, MessageAnswer::No});
  EXPECT_EQ(ShowMessage("無事終了いたしましたわ。", "よかったです"), MessageAnswer::Ok);
  EXPECT_EQ(ShowMessage("一時ファイルは削除なさいますか？", "確認", MessageButtons::YesNo,
                        MessageIcon::Question),
            MessageAnswer::Yes);
  EXPECT_EQ(ShowMessage("q2", "t2", MessageButtons::YesNo), MessageAnswer::No);
  ASSERT_EQ(recorder.messages().size(), 3u);
  EXPECT_EQ(recorder.messages()[1].icon, MessageIcon::Question);
  EXPECT_EQ(recorder.Lines()[0], "よかったです: 無事終了いたしましたわ。");
  EXPECT_EQ(recorder.unusedAnswers(), 0u);
}

TEST(MessageLayer, NestedRecordersRestoreThePreviousHandler) {
  MessageRecorder outer;
  {
    MessageRecorder inner;
    ShowMessage("inner", "t");
    EXPECT_EQ(inner.messages().size(), 1u);
  }
  ShowMessage("outer", "t");
  ASSERT_EQ(outer.messages().size(), 1u);
  EXPECT_EQ(outer.messages()[0].text, "outer");
}

TEST(MessageLayer, PathGoesWhereThePatternSaysAndStaysAsItIs) {
  struct Case {
    const char* pattern;
    const char* path;
    const char* expected;
  };
  for (Case c : {Case{"%s を開くのに失敗しました", "C:\\a.wav", "C:\\a.wav を開くのに失敗しました"},
                 Case{"%s の書き込み", "100%s%d.avi", "100%s%d.avi の書き込み"},
                 Case{"no path here", "x", "no path here"}})
    EXPECT_EQ(MessageWithPath(c.pattern, c.path), c.expected) << c.pattern;
}

TEST(MessageLayer, WithoutHandlerQuestionsAnswerNo) {
  MessageHandlerSlot previous = SetMessageHandler({});
  EXPECT_EQ(ShowMessage("q", "t", MessageButtons::YesNo), MessageAnswer::No);
  EXPECT_EQ(ShowMessage("n", "t"), MessageAnswer::Ok);
  SetMessageHandler(previous);
}

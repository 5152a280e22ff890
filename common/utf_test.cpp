#include "common/utf.h"

#include <gtest/gtest.h>

TEST(Utf, RoundTripsJapaneseAndAstralText) {
  const std::string samples[] = {"", "abc", "ヌーロ ピコラ Ver.2.1", "ＭＳ ゴシック",
                                 "é\xF0\x9F\x8E\xA5!"};
  for (const std::string& s : samples) {
    std::u16string wide = Utf8ToUtf16(s);
    EXPECT_EQ(Utf16ToUtf8(wide), s) << s;
  }
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x8E\xA5"), (std::u16string{0xD83C, 0xDFA5}));
  EXPECT_EQ(Utf8ToUtf16("録"), std::u16string(1, char16_t(0x9332)));
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  const char16_t r = 0xFFFD;
  EXPECT_EQ(Utf8ToUtf16("a\x80z"), (std::u16string{u'a', r, u'z'}));      // lone continuation
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{r}));                // overlong '/'
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{r}));            // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xE3\x81"), (std::u16string{r}));                // cut short at the end
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), (std::u16string{r}));        // past U+10FFFF
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, u'x'}), "\xEF\xBF\xBDx");  // lone low surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800}), "\xEF\xBF\xBD");         // high surrogate at end
}

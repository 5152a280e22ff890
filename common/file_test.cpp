#include "common/file.h"

#include <gtest/gtest.h>

TEST(File, OpensWritesReadsAndRemovesANonAsciiName) {
  const std::string path = "file_test_一時ファイル.tmp";
  {
    UniqueFile out = FileOpen(path, "wb");
    ASSERT_TRUE(out);
    ASSERT_EQ(std::fwrite("QTMP", 1, 4, out.get()), 4u);
  }
  EXPECT_TRUE(FileExists(path));
  {
    UniqueFile in = FileOpen(path, "rb");
    ASSERT_TRUE(in);
    char buffer[8] = {};
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, in.get()), 4u);
    EXPECT_STREQ(buffer, "QTMP");
  }
  EXPECT_TRUE(FileRemove(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(FileRemove(path));
}

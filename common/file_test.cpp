#include "common/file.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST(FileApiPath, LongAbsolutePathsGetTheExtendedForm) {
  const std::string folder(250, 'a');
  struct Case {
    std::string path, expected;
  };
  const Case cases[] = {
      {"C:\\short\\x.tmp", "C:\\short\\x.tmp"},
      {"C:\\" + folder + "\\x.tmp", "\\\\?\\C:\\" + folder + "\\x.tmp"},
      {"C:/" + folder + "/x.tmp", "\\\\?\\C:\\" + folder + "\\x.tmp"},
      {"\\\\server\\share\\" + folder, "\\\\?\\UNC\\server\\share\\" + folder},
      {"\\\\?\\C:\\" + folder, "\\\\?\\C:\\" + folder},
      {folder + "\\relative.tmp", folder + "\\relative.tmp"},
      // 240 three-byte characters are 240 UTF-16 units: under the limit.
      {"C:\\" +
           [] {
             std::string s;
             for (int i = 0; i < 240; ++i) s += "あ";
             return s;
           }(),
       "C:\\" +
           [] {
             std::string s;
             for (int i = 0; i < 240; ++i) s += "あ";
             return s;
           }()},
  };
  for (const Case& c : cases) EXPECT_EQ(FileApiPath(c.path), c.expected) << c.path.substr(0, 20);
}

TEST(File, WriteAllWritesEveryByteAndFailsOnAStreamThatTakesNone) {
  const std::string path = "file_test_write_all.tmp";
  std::string bytes(300000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  {
    UniqueFile out = FileOpen(path, "wb");
    ASSERT_TRUE(out);
    EXPECT_TRUE(FileWriteAll(out.get(), bytes.data(), bytes.size()));
    EXPECT_TRUE(FileWriteAll(out.get(), bytes.data(), 0));
  }
  {
    UniqueFile in = FileOpen(path, "rb");
    ASSERT_TRUE(in);
    std::string back(bytes.size() + 1, '\0');
    EXPECT_EQ(std::fread(back.data(), 1, back.size(), in.get()), bytes.size());
    back.resize(bytes.size());
    EXPECT_EQ(back, bytes);
    // Opened for reading: the stream takes nothing, and the call says so
    // instead of trying for ever.
    EXPECT_FALSE(FileWriteAll(in.get(), "x", 1));
  }
  EXPECT_TRUE(FileRemove(path));
}

TEST(File, ReplaceWholeSwapsInTheNewBytesOrLeavesTheOldFileAsItWas) {
  const std::string path = "file_test_replace.bin";
  ASSERT_TRUE(FileReplaceWhole(path, "old", 3));
  ASSERT_TRUE(FileReplaceWhole(path, "newer", 5)) << "replaces a file already there";
  {
    UniqueFile in = FileOpen(path, "rb");
    ASSERT_TRUE(in);
    char back[8] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, in.get()), 5u);
    EXPECT_STREQ(back, "newer");
  }
  // The fresh copy cannot be made (a folder holds its name): the old file stays whole.
  std::filesystem::create_directory(path + ".new");
  EXPECT_FALSE(FileReplaceWhole(path, "lost", 4));
  std::filesystem::remove(path + ".new");
  {
    UniqueFile in = FileOpen(path, "rb");
    ASSERT_TRUE(in);
    char back[8] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, in.get()), 5u);
    EXPECT_STREQ(back, "newer");
  }
  EXPECT_EQ(FileReadSmall(path, 3), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(FileReadSmall(path, 100).size(), 5u);
  EXPECT_TRUE(FileRemove(path));
  EXPECT_TRUE(FileReadSmall(path, 100).empty());
}

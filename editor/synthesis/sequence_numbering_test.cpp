#include "editor/synthesis/sequence_numbering.h"

#include <gtest/gtest.h>

TEST(SequenceNumbering, NamesTheFilesOfASequence) {
  struct Case {
    const char* first;
    int k;
    const char* expected;
  } cases[] = {
      {"C:\\pics\\img000.bmp", 0, "C:\\pics\\img000.bmp"},
      {"C:\\pics\\img000.bmp", 1, "C:\\pics\\img001.bmp"},
      {"C:\\pics\\img000.bmp", 999, "C:\\pics\\img999.bmp"},
      {"C:\\pics\\img000.bmp", 1000, "C:\\pics\\img1000.bmp"},
      {"shot0.bmp", 1, "shot1.bmp"},
      {"shot0.bmp", 10, "shot10.bmp"},
      // Text after the last "0" is dropped, but file 0 is the first file itself.
      {"D:\\a\\frame00_final.bmp", 0, "D:\\a\\frame00_final.bmp"},
      {"D:\\a\\frame00_final.bmp", 7, "D:\\a\\frame07.bmp"},
      // Only the run of zeros that ends at the last "0" counts.
      {"/tmp/x100y0.BMP", 3, "/tmp/x100y3.BMP"},
      {"/tmp/10.bmp", 2, "/tmp/12.bmp"},
      // A "0" in a folder name is not a number; a "%" is a plain character.
      {"C:\\100\\p%d0.bmp", 4, "C:\\100\\p%d4.bmp"},
      {"C:\\pics\\000", 5, "C:\\pics\\005"},
  };
  for (const Case& c : cases) {
    SequenceNumbering s;
    ASSERT_TRUE(FormSequenceNumbering(c.first, &s)) << c.first;
    EXPECT_EQ(SequenceFilePath(s, c.k), c.expected) << c.first << " file " << c.k;
  }
}

TEST(SequenceNumbering, NeedsAZeroInTheBaseName) {
  for (const char* name : {"C:\\pics\\img.bmp", "C:\\200\\shot.bmp", "C:\\pics\\x.0bmp", ""}) {
    SequenceNumbering s;
    EXPECT_FALSE(FormSequenceNumbering(name, &s)) << name;
  }
}

TEST(SequenceNumbering, BaseNamesForTheProgressTitle) {
  SequenceNumbering s;
  ASSERT_TRUE(FormSequenceNumbering("C:\\pics\\pic0.bmp", &s));
  EXPECT_EQ(SequenceFileBase(s, 0), "pic0");
  EXPECT_EQ(SequenceFileBase(s, 12), "pic12");
}

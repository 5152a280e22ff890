#include "common/bytes.h"

#include <gtest/gtest.h>

TEST(Bytes, FourCcPutsTheFirstCharacterInTheLowByte) {
  const uint8_t riff[] = {'R', 'I', 'F', 'F'};
  EXPECT_EQ(FourCC("RIFF"), GetU32(riff));
  EXPECT_EQ(FourCC("00dc"), 0x63643030u);
}

TEST(Bytes, ReaderFailsAndStaysFailedOnAShortRead) {
  const uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xFF};
  ByteReader reader(data, sizeof data);
  EXPECT_EQ(reader.U32(), 0x04030201u);
  EXPECT_EQ(reader.U16(), 0x0605);
  EXPECT_EQ(reader.remaining(), 1u);
  EXPECT_EQ(reader.U16(), 0) << "only one byte is left";
  EXPECT_FALSE(reader.ok());
  EXPECT_EQ(reader.U8(), 0) << "a failed reader reads nothing more";
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST(Bytes, ReaderRejectsHugeCountsWithoutOverflow) {
  const uint8_t data[8] = {};
  ByteReader reader(data, sizeof data);
  reader.U32();
  EXPECT_EQ(reader.View(SIZE_MAX - 2), nullptr);
  EXPECT_FALSE(reader.ok());
  ByteReader seeker(data, sizeof data);
  EXPECT_TRUE(seeker.Seek(8));
  EXPECT_FALSE(seeker.Seek(9));
}

TEST(Bytes, ChunksPatchTheirSizeAndPadToEven) {
  ByteWriter w;
  size_t riff = w.BeginList(FourCC("RIFF"), FourCC("AVI "));
  size_t chunk = w.BeginChunk(FourCC("strn"));
  w.Text("abc");
  w.EndChunk(chunk);
  w.EndChunk(riff);
  // RIFF size AVI  strn size 'a' 'b' 'c' pad
  const uint8_t expected[] = {'R', 'I', 'F', 'F', 16, 0, 0, 0, 'A', 'V', 'I', ' ',
                              's', 't', 'r', 'n', 3,  0, 0, 0, 'a', 'b', 'c', 0};
  ASSERT_EQ(w.size(), sizeof expected);
  EXPECT_EQ(0, std::memcmp(w.data(), expected, sizeof expected));
}

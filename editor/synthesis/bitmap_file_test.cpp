#include "editor/synthesis/bitmap_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"
#include "editor/synthesis/bmp_test_support.h"

namespace {
struct TempBmp {
  explicit TempBmp(const BmpBytes& bytes) : file(std::tmpfile()) {
    if (file) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  }
  UniqueFile file;
};
}  // namespace

TEST(BitmapFile, RefusesDamagedFilesWithTheirReason) {
  BmpFields ok;
  auto with = [&](auto change) {
    BmpFields f = ok;
    change(f);
    return MakeBmp(f);
  };
  BmpBytes truncatedHeader = MakeBmp(ok);
  truncatedHeader.resize(30);
  BmpBytes notBitmap = MakeBmp(ok);
  notBitmap[0] = 'P';
  struct Case {
    const char* what;
    BmpBytes bytes;
    BitmapProblem expected;
  } cases[] = {
      {"empty file", {}, BitmapProblem::NotBitmap},
      {"not BM", notBitmap, BitmapProblem::NotBitmap},
      {"cut in the header", truncatedHeader, BitmapProblem::Truncated},
      {"cut in the pixels", with([](BmpFields& f) { f.pixelBytes = 11; }),
       BitmapProblem::Truncated},
      {"8 bits without its table", with([](BmpFields& f) {
         f.bits = 8;
         f.tableBytes = 100;
       }),
       BitmapProblem::Truncated},
      {"header size 12", with([](BmpFields& f) { f.headerSize = 12; }), BitmapProblem::BadHeader},
      {"header size past the file", with([](BmpFields& f) { f.headerSize = 5000; }),
       BitmapProblem::BadHeader},
      {"width 0", with([](BmpFields& f) { f.width = 0; }), BitmapProblem::BadSize},
      {"negative width", with([](BmpFields& f) { f.width = -3; }), BitmapProblem::BadSize},
      {"height 0", with([](BmpFields& f) { f.height = 0; }), BitmapProblem::BadSize},
      {"4 GiB of pixels claimed", with([](BmpFields& f) {
         f.width = 60000;
         f.height = 30000;
         f.pixelBytes = 0;
       }),
       BitmapProblem::BadSize},
      {"2 planes", with([](BmpFields& f) { f.planes = 2; }), BitmapProblem::BadDepth},
      {"12 bits", with([](BmpFields& f) { f.bits = 12; }), BitmapProblem::BadDepth},
      {"RLE8", with([](BmpFields& f) {
         f.bits = 8;
         f.compression = 1;
         f.tableBytes = 1024;
       }),
       BitmapProblem::Compressed},
      {"RLE4", with([](BmpFields& f) {
         f.bits = 4;
         f.compression = 2;
         f.tableBytes = 64;
       }),
       BitmapProblem::Compressed},
      {"bit fields on 24 bits", with([](BmpFields& f) { f.compression = 3; }),
       BitmapProblem::Compressed},
      {"colour table larger than the file", with([](BmpFields& f) {
         f.bits = 8;
         f.coloursUsed = 0x40000000;
         f.tableBytes = 16;
       }),
       BitmapProblem::TableTooLarge},
  };
  for (const Case& c : cases) {
    TempBmp bmp(c.bytes);
    ASSERT_TRUE(bmp.file) << c.what;
    BitmapFormat format;
    EXPECT_EQ(ReadBitmapFormat(bmp.file.get(), &format), c.expected) << c.what;
  }
}

TEST(BitmapFile, ReadsFormatsAndPixels) {
  struct Case {
    const char* what;
    BmpFields fields;
    uint64_t formatBytes, pixelOffset;
    uint32_t stride;
  } cases[] = {
      {"24 bits", {}, 40, 54, 12},
      {"1 bit", {40, 9, 2, 1, 1, 0, 0, 8}, 48, 62, 4},
      {"4 bits", {40, 3, 2, 1, 4, 0, 0, 64}, 104, 118, 4},
      {"8 bits", {40, 5, 1, 1, 8, 0, 0, 1024}, 1064, 1078, 8},
      {"8 bits, 3 colours used", {40, 5, 1, 1, 8, 0, 3, 12}, 52, 66, 8},
      {"16 bits with masks", {40, 3, 2, 1, 16, 3, 0, 12}, 52, 66, 8},
      {"32 bits", {40, 3, 2, 1, 32, 0, 0, 0}, 40, 54, 12},
      {"V5 header", {124, 3, 2, 1, 24, 0, 0, 0}, 40, 138, 12},
      {"60000 pixels wide", {40, 60000, 1, 1, 24, 0, 0, 0}, 40, 54, 180000},
  };
  for (const Case& c : cases) {
    const BmpBytes bytes = MakeBmp(c.fields);
    TempBmp bmp(bytes);
    BitmapFormat format;
    ASSERT_EQ(ReadBitmapFormat(bmp.file.get(), &format), BitmapProblem::None) << c.what;
    EXPECT_EQ(format.format.size(), c.formatBytes) << c.what;
    EXPECT_EQ(format.pixelOffset, c.pixelOffset) << c.what;
    EXPECT_EQ(format.stride, c.stride) << c.what;
    EXPECT_EQ(GetU32(format.format.data()), 40u) << c.what;
    EXPECT_EQ(GetU32(format.format.data() + 20), format.imageSize) << c.what;
    // The table follows the header in the format, as the file had it.
    if (c.formatBytes > 40) {
      EXPECT_EQ(format.format[40], bytes[14 + c.fields.headerSize]) << c.what;
    }
    std::vector<uint8_t> pixels(format.imageSize);
    bool complete = false;
    ASSERT_TRUE(ReadBitmapPixels(bmp.file.get(), format, pixels.data(), &complete)) << c.what;
    EXPECT_TRUE(complete) << c.what;
    EXPECT_EQ(pixels.back(), bytes.back()) << c.what;
  }
}

TEST(BitmapFile, TopDownRowsComeOutBottomUp) {
  BmpFields f;
  f.height = -2;
  TempBmp bmp(MakeBmp(f));
  BitmapFormat format;
  ASSERT_EQ(ReadBitmapFormat(bmp.file.get(), &format), BitmapProblem::None);
  EXPECT_TRUE(format.topDown);
  EXPECT_EQ(format.height, 2);
  EXPECT_EQ(GetU32(format.format.data() + 8), 2u) << "the format is bottom-up";
  std::vector<uint8_t> pixels(format.imageSize);
  ASSERT_TRUE(ReadBitmapPixels(bmp.file.get(), format, pixels.data(), nullptr));
  EXPECT_EQ(pixels[0], 12) << "the file's second row is the picture's bottom row";
  EXPECT_EQ(pixels[12], 0);
}

TEST(BitmapFile, AShorterPictureIsReadWithTheFirstOnesLayoutAndZeroFilled) {
  BmpFields big;
  big.width = 4;
  big.height = 4;
  TempBmp first(MakeBmp(big));
  BitmapFormat format;
  ASSERT_EQ(ReadBitmapFormat(first.file.get(), &format), BitmapProblem::None);
  TempBmp small(MakeBmp(BmpFields{}));  // 3 x 2: 24 pixel bytes
  std::vector<uint8_t> pixels(format.imageSize, 0xCC);
  bool complete = true;
  ASSERT_TRUE(ReadBitmapPixels(small.file.get(), format, pixels.data(), &complete));
  EXPECT_FALSE(complete);
  EXPECT_EQ(pixels[23], 23);
  EXPECT_EQ(pixels[24], 0);
  EXPECT_EQ(pixels.back(), 0);
}

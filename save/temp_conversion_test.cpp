#include "save/temp_conversion.h"

#include <gtest/gtest.h>

#include "common/file.h"

#include <cstring>
#include <vector>

TEST(OutputNaming, TimeNameAndFolderRule) {
  std::tm t{};
  t.tm_mon = 11, t.tm_mday = 8, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 7, t.tm_year = 126;
  EXPECT_EQ(OutputTimeName(t), "12_08_09_05_07");
  EXPECT_EQ(OutputPathInFolder("C:\\rec", "12_08_09_05_07"), "C:\\rec\\12_08_09_05_07.AVI");
  EXPECT_EQ(OutputPathInFolder("C:\\rec\\", "x"), "C:\\rec\\x.AVI") << "no second separator";
  EXPECT_EQ(OutputPathInFolder("C:\\", "x"), "C:\\x.AVI");
  EXPECT_EQ(OutputPathInFolder("", "x"), "x.AVI");
}

TEST(OutputNaming, AnyExtensionOrNoneBecomesAvi) {
  EXPECT_EQ(PathWithAviExtension("C:\\a\\b.avi"), "C:\\a\\b.AVI");
  EXPECT_EQ(PathWithAviExtension("C:\\a\\b.mpg"), "C:\\a\\b.AVI");
  EXPECT_EQ(PathWithAviExtension("C:\\a\\b"), "C:\\a\\b.AVI");
  EXPECT_EQ(PathWithAviExtension("C:\\a.dir\\b"), "C:\\a.dir\\b.AVI") << "a dot in a folder name";
  EXPECT_EQ(PathWithAviExtension("C:\\a\\b.tar.gz"), "C:\\a\\b.tar.AVI");
  EXPECT_EQ(PathWithAviExtension("C:b"), "C:b.AVI");
}

TEST(OutputNaming, CompanionSoundIsTheSameNameWithWav) {
  EXPECT_EQ(CompanionWavPath("C:\\rec\\1208093000.tmp"), "C:\\rec\\1208093000.WAV");
  EXPECT_EQ(CompanionWavPath("C:\\rec.d\\take"), "C:\\rec.d\\take.WAV");
}

namespace {
struct Surface {
  TempFileHeader header;
  TempSurfaceFormat format;
  std::vector<uint8_t> frame;
};

Surface MakeSurface(int width, int height, int bits, int rowBytes) {
  Surface s;
  s.header.surfaceFlag = 1;
  s.header.width = width;
  s.header.height = height;
  s.format.bitsPerPixel = bits;
  s.format.rowBytes = rowBytes;
  s.frame.assign(static_cast<size_t>(rowBytes) * height, 0);
  return s;
}

std::vector<uint8_t> Convert(const Surface& s, const uint8_t* palette = nullptr) {
  std::vector<uint8_t> out(DibStride(s.header.width, 24) * s.header.height, 0xEE);
  EXPECT_TRUE(ConvertSurfaceFrame(s.header, s.format, palette, s.frame.data(), out.data()));
  return out;
}
}  // namespace

TEST(SurfaceConversion, SixteenBitsThroughTheMasks) {
  Surface s = MakeSurface(2, 1, 16, 4);
  s.format.redMask = 0xF800, s.format.greenMask = 0x07E0, s.format.blueMask = 0x001F;
  s.frame = {0xFF, 0xFF, 0x00, 0x08};  // 0xFFFF, 0x0800
  std::vector<uint8_t> out = Convert(s);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 6),
            (std::vector<uint8_t>{255, 255, 255, 0, 0, 8}))
      << "0xFFFF is white; 0x0800 is red 1 of 31, 8 of 255 truncated";
  EXPECT_EQ(out[6], 0) << "row padding is cleared";
  EXPECT_EQ(out[7], 0);
}

TEST(SurfaceConversion, AZeroMaskGivesZeroInsteadOfDividing) {
  Surface s = MakeSurface(1, 1, 16, 2);
  s.format.redMask = 0xF800, s.format.greenMask = 0, s.format.blueMask = 0x001F;
  s.frame = {0xFF, 0xFF};
  std::vector<uint8_t> out = Convert(s);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 255);
}

TEST(SurfaceConversion, RowsAreTurnedBottomUpAndEightBitsUseThePalette) {
  Surface s = MakeSurface(1, 2, 8, 4);
  s.frame = {1, 0, 0, 0, 2, 0, 0, 0};  // top row index 1, bottom row index 2
  uint8_t palette[256 * 4] = {};
  const uint8_t one[4] = {10, 20, 30, 0}, two[4] = {40, 50, 60, 0};  // red, green, blue order
  std::memcpy(palette + 4, one, 4);
  std::memcpy(palette + 8, two, 4);
  std::vector<uint8_t> out = Convert(s, palette);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 3), (std::vector<uint8_t>{60, 50, 40}))
      << "the output's first row is the source's bottom row";
  EXPECT_EQ(std::vector<uint8_t>(out.begin() + 4, out.begin() + 7),
            (std::vector<uint8_t>{30, 20, 10}));
}

TEST(SurfaceConversion, TwentyFourAndThirtyTwoBitsAreCopied) {
  Surface s24 = MakeSurface(2, 1, 24, 8);
  s24.frame = {1, 2, 3, 4, 5, 6, 9, 9};
  std::vector<uint8_t> out = Convert(s24);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 8),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}));
  Surface s32 = MakeSurface(2, 1, 32, 8);
  s32.frame = {1, 2, 3, 99, 4, 5, 6, 99};
  out = Convert(s32);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 6),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(SurfaceConversion, FourBitsGiveBlackAndBadSizesAreRefused) {
  Surface s = MakeSurface(3, 1, 4, 4);
  s.frame = {0x12, 0x34, 0, 0};
  std::vector<uint8_t> out = Convert(s);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.end()), std::vector<uint8_t>(12, 0));
  Surface narrow = MakeSurface(4, 1, 32, 8);  // a row shorter than its pixels
  std::vector<uint8_t> sink(DibStride(4, 24));
  EXPECT_FALSE(
      ConvertSurfaceFrame(narrow.header, narrow.format, nullptr, narrow.frame.data(), sink.data()));
  Surface paletteless = MakeSurface(1, 1, 8, 4);
  EXPECT_FALSE(ConvertSurfaceFrame(paletteless.header, paletteless.format, nullptr,
                                   paletteless.frame.data(), sink.data()));
}

TEST(SaveMessages, EveryCodeOfTheTableAndTheRest) {
  EXPECT_STREQ(SaveResultMessage(0x80044065).text, "サポートされていません");
  EXPECT_STREQ(SaveResultMessage(0x80044068).title, "エラーです");
  EXPECT_STREQ(SaveResultMessage(0x8004406E).text,
               "ファイル書き込み中にディスクエラーが発生しました");
  EXPECT_STREQ(SaveResultMessage(0x80044075).text, "圧縮できません");
  EXPECT_STREQ(SaveResultMessage(0x800440C6).title, "中断～！");
  for (uint32_t code = 0x80044065; code <= 0x80044075; ++code)
    EXPECT_STRNE(SaveResultMessage(code).text, "予期しないエラーです") << std::hex << code;
  EXPECT_STREQ(SaveResultMessage(0x80044076).text, "予期しないエラーです");
  EXPECT_STREQ(SaveResultMessage(0x80004005).title, "たいへんですわ");
}

namespace {
// Notes what the conversion hands on.
struct RecordingSink : TempFrameSink {
  struct Handed {
    int64_t first, count;
    std::vector<uint8_t> frame;
  };
  bool Begin(const TempFileHeader& h, int64_t frames) override {
    header = h;
    frameCount = frames;
    return true;
  }
  bool Put(const uint8_t* frame, int64_t first, int64_t count) override {
    handed.push_back({first, count, std::vector<uint8_t>(frame, frame + bytes)});
    return true;
  }
  bool End() override {
    ended = true;
    return true;
  }
  TempFileHeader header;
  int64_t frameCount = 0;
  size_t bytes = 0;
  std::vector<Handed> handed;
  bool ended = false;
};
}  // namespace

TEST(TempConversionLoop, EachPictureOnceWithTheIndicesItFillsThenRowsTurnedFor32Bits) {
  const std::string path = "temp_conversion_loop.tmp";
  TempFileHeader header;
  header.surfaceFlag = 1;
  header.codec = kTempCodecRunXor;
  header.width = 2;
  header.height = 2;
  TempSurfaceFormat format;
  format.bitsPerPixel = 32;
  format.rowBytes = 8;
  const std::vector<uint8_t> zero(16, 0);
  std::vector<uint8_t> a(16), b(16), c(16);
  for (int i = 0; i < 16; ++i) a[i] = uint8_t(i), b[i] = uint8_t(100 + i), c[i] = uint8_t(200 + i);
  ASSERT_TRUE(CreateTempCaptureFile(path, header, &format, nullptr, zero.data()));
  ASSERT_TRUE(AppendRecord(0, nullptr, nullptr, a.data(), zero.data()));
  ASSERT_TRUE(AppendRecord(0, nullptr, nullptr, b.data(), a.data()));
  ASSERT_TRUE(AppendRecord(3, nullptr, nullptr, c.data(), b.data()));
  ASSERT_TRUE(CloseTempCaptureFile());

  RecordingSink sink;
  sink.bytes = DibStride(2, 24) * 2;
  ASSERT_TRUE(RunTempConversion(path, sink, nullptr));
  EXPECT_TRUE(sink.ended);
  EXPECT_EQ(sink.frameCount, 4);
  ASSERT_EQ(sink.handed.size(), 2u) << "the second frame-0 record fills nothing";
  EXPECT_EQ(sink.handed[0].first, 0);
  EXPECT_EQ(sink.handed[0].count, 1);
  EXPECT_EQ(sink.handed[1].first, 1);
  EXPECT_EQ(sink.handed[1].count, 3);
  // Bottom-up: the output's first row is the picture's second row, alpha dropped.
  EXPECT_EQ(std::vector<uint8_t>(sink.handed[1].frame.begin(), sink.handed[1].frame.begin() + 8),
            (std::vector<uint8_t>{208, 209, 210, 212, 213, 214, 0, 0}));
  FileRemove(path);
}

#include "platform/avi/avi_frame.h"

#include <gtest/gtest.h>

#include "platform/avi/avi_testing.h"

namespace {

using namespace avitest;

// A stored format: the header, then colours or masks as 32-bit values.
std::vector<uint8_t> Format(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                            const std::vector<uint32_t>& extra, uint32_t coloursUsed = 0) {
  std::vector<uint8_t> f(40 + extra.size() * 4, 0);
  BitmapHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = bits;
  h.biCompression = compression;
  h.biClrUsed = coloursUsed;
  BitmapHeaderWrite(h, f.data());
  for (size_t i = 0; i < extra.size(); ++i) PutU32(f.data() + 40 + i * 4, extra[i]);
  return f;
}

// Blue, green, red of pixel (x, y) of a 24-bit packed DIB, y from the bottom.
std::vector<int> Pixel(const std::vector<uint8_t>& dib, int x, int y) {
  BitmapHeader h;
  BitmapHeaderRead(dib.data(), dib.size(), h);
  size_t at = 40 + static_cast<size_t>(y) * DibStride(h.biWidth, 24) + static_cast<size_t>(x) * 3;
  return {dib[at], dib[at + 1], dib[at + 2]};
}

std::vector<uint8_t> Convert(const std::vector<uint8_t>& format,
                             const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(ConvertToDib24(format.data(), format.size(), pixels.data(), pixels.size(), out));
  return out;
}

using Bgr = std::vector<int>;

TEST(ConvertToDib24, PaletteDepths) {
  // Colour entries are blue, green, red, reserved: 0x00A0B0C0 is red A0, green B0, blue C0.
  std::vector<uint32_t> palette = {0x00102030, 0x00A0B0C0};
  // 1 bit, 3 pixels a row: bottom row 1 0 1, top row 0 1 0; rows padded to 4 bytes.
  std::vector<uint8_t> out =
      Convert(Format(3, 2, 1, BI_RGB, palette), {0xA0, 0, 0, 0, 0x40, 0, 0, 0});
  ASSERT_EQ(out.size(), 40u + 12 * 2);  // 24-bit rows of 9 bytes padded to 12
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{0xC0, 0xB0, 0xA0}));
  EXPECT_EQ(Pixel(out, 1, 0), (Bgr{0x30, 0x20, 0x10}));
  EXPECT_EQ(Pixel(out, 2, 0), (Bgr{0xC0, 0xB0, 0xA0}));
  EXPECT_EQ(Pixel(out, 1, 1), (Bgr{0xC0, 0xB0, 0xA0}));
  EXPECT_EQ(out[40 + 9], 0);  // padding stays zero

  // 4 bits: pixels 1, 0, 1 from the bytes 0x10 0x10.
  out = Convert(Format(3, 1, 4, BI_RGB, palette, 2), {0x10, 0x10, 0, 0});
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{0xC0, 0xB0, 0xA0}));
  EXPECT_EQ(Pixel(out, 1, 0), (Bgr{0x30, 0x20, 0x10}));
  EXPECT_EQ(Pixel(out, 2, 0), (Bgr{0xC0, 0xB0, 0xA0}));

  // 8 bits with 2 colours used: an index past them is black.
  out = Convert(Format(2, 1, 8, BI_RGB, palette, 2), {1, 5, 0, 0});
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{0xC0, 0xB0, 0xA0}));
  EXPECT_EQ(Pixel(out, 1, 0), (Bgr{0, 0, 0}));
  // 8 bits with a full table: index 255.
  std::vector<uint32_t> full(256, 0);
  full[255] = 0x00FFEEDD;
  out = Convert(Format(1, 1, 8, BI_RGB, full), {255, 0, 0, 0});
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{0xDD, 0xEE, 0xFF}));
}

TEST(ConvertToDib24, SixteenAndThirtyTwoBits) {
  // 16 bits without bit fields are 5-5-5.
  std::vector<uint8_t> px(8);
  PutU16(px.data(), 0x7FFF);
  PutU16(px.data() + 2, 0x7C00);
  PutU16(px.data() + 4, 0x0001);
  std::vector<uint8_t> out = Convert(Format(3, 1, 16, BI_RGB, {}), px);
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{255, 255, 255}));
  EXPECT_EQ(Pixel(out, 1, 0), (Bgr{0, 0, 255}));
  EXPECT_EQ(Pixel(out, 2, 0), (Bgr{8, 0, 0}));  // 1 * 255 / 31
  // 5-6-5 bit fields: 0xFFFF white, 0x0800 red 8, 0x0020 green 4.
  PutU16(px.data(), 0xFFFF);
  PutU16(px.data() + 2, 0x0800);
  PutU16(px.data() + 4, 0x0020);
  out = Convert(Format(3, 1, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}), px);
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{255, 255, 255}));
  EXPECT_EQ(Pixel(out, 1, 0), (Bgr{0, 0, 8}));
  EXPECT_EQ(Pixel(out, 2, 0), (Bgr{0, 4, 0}));
  // A zero mask gives 0 for its channel rather than a division by zero.
  out = Convert(Format(3, 1, 16, BI_BITFIELDS, {0, 0x07E0, 0x001F}), px);
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{255, 255, 0}));
  // 32 bits: blue, green, red, unused.
  out = Convert(Format(1, 1, 32, BI_RGB, {}), {1, 2, 3, 4});
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{1, 2, 3}));
  // 32-bit fields in red, green, blue, alpha byte order.
  out = Convert(Format(1, 1, 32, BI_BITFIELDS, {0x000000FF, 0x0000FF00, 0x00FF0000}),
                {10, 20, 30, 0});
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{30, 20, 10}));
  // A version 4 header (108 bytes) holds its masks at offset 40.
  std::vector<uint8_t> v4(108, 0);
  BitmapHeader h;
  h.biSize = 108;
  h.biWidth = 1;
  h.biHeight = 1;
  h.biBitCount = 16;
  h.biCompression = BI_BITFIELDS;
  BitmapHeaderWrite(h, v4.data());
  PutU32(v4.data() + 40, 0xF800);
  PutU32(v4.data() + 44, 0x07E0);
  PutU32(v4.data() + 48, 0x001F);
  out = Convert(v4, {0x00, 0xF8, 0, 0});
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{0, 0, 255}));
  // Bit fields without their masks are refused.
  std::vector<uint8_t> ignored;
  std::vector<uint8_t> noMasks = Format(1, 1, 32, BI_BITFIELDS, {});
  EXPECT_FALSE(ConvertToDib24(noMasks.data(), noMasks.size(), px.data(), px.size(), ignored));
}

TEST(ConvertToDib24, TwentyFourBitsTopDownAndShortFrames) {
  // Width 1: stride 4. A top-down source turns bottom-up.
  std::vector<uint8_t> out = Convert(Format(1, -2, 24, BI_RGB, {}), {1, 2, 3, 0, 4, 5, 6, 0});
  BitmapHeader h;
  ASSERT_TRUE(BitmapHeaderRead(out.data(), out.size(), h));
  EXPECT_EQ(h.biHeight, 2);
  EXPECT_EQ(h.biSizeImage, 8u);
  EXPECT_EQ(Pixel(out, 0, 0), (Bgr{4, 5, 6}));
  EXPECT_EQ(Pixel(out, 0, 1), (Bgr{1, 2, 3}));
  // Width 4: stride 12. A frame shorter than its rows reads as black there.
  out = Convert(Format(4, 2, 24, BI_RGB, {}), std::vector<uint8_t>(14, 9));
  ASSERT_EQ(out.size(), 40u + 24);
  EXPECT_EQ(Pixel(out, 3, 0), (Bgr{9, 9, 9}));
  EXPECT_EQ(Pixel(out, 0, 1), (Bgr{9, 9, 0}));
  EXPECT_EQ(Pixel(out, 1, 1), (Bgr{0, 0, 0}));
  // Compressed and absurd formats are refused.
  std::vector<uint8_t> ignored, px(16);
  std::vector<uint8_t> rle = Format(4, 2, 8, 1, {});
  EXPECT_FALSE(ConvertToDib24(rle.data(), rle.size(), px.data(), px.size(), ignored));
  std::vector<uint8_t> huge = Format(65536, 65536, 24, BI_RGB, {});
  EXPECT_FALSE(ConvertToDib24(huge.data(), huge.size(), px.data(), px.size(), ignored));
}

AviStreamRef EightBitStream(uint32_t coloursUsed) {
  std::vector<uint32_t> palette(coloursUsed ? coloursUsed : 256, 0);
  palette[1] = 0x00445566;
  std::vector<uint8_t> format = Format(2, 1, 8, BI_RGB, palette, coloursUsed);
  AviStreamRef s;
  AviMakeStream(VideoInfo(15, 1, 2, 1), format.data(), format.size(), s);
  std::vector<uint8_t> f0 = {1, 0, 0, 0}, f2 = {0, 1, 0, 0};
  s->Write(0, f0.data(), 4, AVIIF_KEYFRAME);
  s->Write(1, nullptr, 0, 0);  // a dropped frame
  s->Write(2, f2.data(), 4, AVIIF_KEYFRAME);
  return s;
}

TEST(AviFrameReader, StoredFormWithoutAWantedFormat) {
  AviFrameReader reader;
  ASSERT_EQ(AviFrameReaderOpen(reader, EightBitStream(0), nullptr), AVIERR_OK);
  size_t size = 0;
  const uint8_t* dib = AviFrameReaderGet(reader, 0, &size);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(size, 40u + 1024 + 4);  // header, 256 colours, one padded row
  BitmapHeader h;
  ASSERT_TRUE(BitmapHeaderRead(dib, size, h));
  EXPECT_EQ(h.biBitCount, 8);
  EXPECT_EQ(h.biSizeImage, 4u);
  EXPECT_EQ(GetU32(dib + 40 + 4), 0x00445566u);
  EXPECT_EQ(dib[40 + 1024], 1);
  // Two colours used: 8 bytes of table.
  ASSERT_EQ(AviFrameReaderOpen(reader, EightBitStream(2), nullptr), AVIERR_OK);
  ASSERT_NE(AviFrameReaderGet(reader, 2, &size), nullptr);
  EXPECT_EQ(size, 40u + 8 + 4);
  EXPECT_EQ(AviFrameReaderGet(reader, 3), nullptr);
  EXPECT_EQ(AviFrameReaderGet(reader, -1), nullptr);
}

TEST(AviFrameReader, WantedTwentyFourBitsConvertsAndRepeatsDroppedFrames) {
  AviFrameReader reader;
  BitmapHeader want;
  want.biBitCount = 24;
  ASSERT_EQ(AviFrameReaderOpen(reader, EightBitStream(0), &want), AVIERR_OK);
  size_t size = 0;
  const uint8_t* dib = AviFrameReaderGet(reader, 1, &size);  // dropped: shows frame 0
  ASSERT_NE(dib, nullptr);
  std::vector<uint8_t> frame(dib, dib + size);
  EXPECT_EQ(size, 40u + 8);
  EXPECT_EQ(Pixel(frame, 0, 0), (Bgr{0x66, 0x55, 0x44}));
  EXPECT_EQ(Pixel(frame, 1, 0), (Bgr{0, 0, 0}));
  dib = AviFrameReaderGet(reader, 2, &size);
  frame.assign(dib, dib + size);
  EXPECT_EQ(Pixel(frame, 1, 0), (Bgr{0x66, 0x55, 0x44}));

  // Other wanted depths, other sizes and compressed sources are the decompressor's.
  want.biBitCount = 16;
  EXPECT_EQ(AviFrameReaderOpen(reader, EightBitStream(0), &want), AVIERR_NOCOMPRESSOR);
  want.biBitCount = 24;
  want.biWidth = 640;
  EXPECT_EQ(AviFrameReaderOpen(reader, EightBitStream(0), &want), AVIERR_NOCOMPRESSOR);
  std::vector<uint8_t> mjpg = Format(2, 1, 24, FourCC("MJPG"), {});
  AviStreamRef compressed;
  AviMakeStream(VideoInfo(15, 1, 2, 1), mjpg.data(), mjpg.size(), compressed);
  EXPECT_EQ(AviFrameReaderOpen(reader, compressed, nullptr), AVIERR_NOCOMPRESSOR);
}

}  // namespace

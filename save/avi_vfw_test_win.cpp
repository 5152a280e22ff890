// The platform's own AVI reader (AVIFile) opens what the writer wrote: the
// stream layout, every frame through the frame decoder and every sound byte.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "save/avi_writer.h"
#include "testing/file_bytes.h"
#include "testing/message_recorder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct AviLibrary {
  AviLibrary() { AVIFileInit(); }
  ~AviLibrary() { AVIFileExit(); }
};

struct Movie {
  const char* label;
  int width, height, frames;
  uint32_t scale, rate;
  uint16_t channels, bits;
  uint32_t sampleRate;
  size_t soundBytes;
  WavReadMode mode;
};

TEST(AviVfw, AviFileReadsFramesAndSound) {
  std::mt19937 random(8);
  const Movie movies[] = {
      {"odd width, odd 8-bit sound chunk", 5, 3, 6, 1, 12, 1, 8, 11025, 1001,
       WavReadMode::Streamed},
      {"16-bit stereo in memory", 64, 48, 4, 1001, 30000, 2, 16, 22050, 4 * 2000,
       WavReadMode::InMemory},
      {"no sound", 7, 7, 3, 1, 15, 0, 0, 0, 0, WavReadMode::Streamed},
  };
  AviLibrary library;
  for (const Movie& m : movies) {
    SCOPED_TRACE(m.label);
    const std::string avi = "vfw.avi", wav = "vfw.wav";
    Bytes sound(m.soundBytes);
    for (auto& b : sound) b = static_cast<uint8_t>(random());
    if (m.soundBytes) ASSERT_TRUE(WriteTestWav(wav, m.channels, m.bits, m.sampleRate, sound));
    size_t stride = static_cast<size_t>(DibStride(m.width, 24));
    std::vector<Bytes> frames(m.frames, Bytes(stride * m.height));
    for (auto& f : frames)
      for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width * 3; ++x) f[y * stride + x] = static_cast<uint8_t>(random());

    MessageRecorder messages;
    ASSERT_TRUE(AviWriterOpen(avi, m.width, m.height, m.scale, m.rate, m.frames,
                              m.soundBytes ? wav : "", m.mode));
    for (const Bytes& f : frames) AviWriterPutFrame(f.data());
    ASSERT_TRUE(AviWriterClose());
    EXPECT_TRUE(messages.Lines().empty());

    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenW(&file, Widen(avi).c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr), 0);
    AVIFILEINFOW fileInfo{};
    AVIFileInfoW(file, &fileInfo, sizeof fileInfo);
    EXPECT_EQ(fileInfo.dwStreams, m.soundBytes ? 2u : 1u);

    PAVISTREAM video = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &video, streamtypeVIDEO, 0), 0);
    AVISTREAMINFOW info{};
    AVIStreamInfoW(video, &info, sizeof info);
    EXPECT_EQ(info.dwScale, m.scale);
    EXPECT_EQ(info.dwRate, m.rate);
    EXPECT_EQ(AVIStreamLength(video), m.frames);
    PGETFRAME getFrame = AVIStreamGetFrameOpen(video, nullptr);
    ASSERT_NE(getFrame, nullptr);
    for (int i = 0; i < m.frames; ++i) {
      auto* header = static_cast<BITMAPINFOHEADER*>(AVIStreamGetFrame(getFrame, i));
      if (!header) {
        ADD_FAILURE() << "frame " << i << " could not be decoded";
        break;
      }
      EXPECT_EQ(header->biWidth, m.width);
      EXPECT_EQ(header->biHeight, m.height);
      EXPECT_EQ(header->biBitCount, 24);
      const uint8_t* pixels = reinterpret_cast<const uint8_t*>(header) + header->biSize;
      EXPECT_EQ(Bytes(pixels, pixels + frames[i].size()), frames[i]) << "frame " << i;
    }
    AVIStreamGetFrameClose(getFrame);
    AVIStreamRelease(video);

    if (m.soundBytes) {
      PAVISTREAM audio = nullptr;
      ASSERT_EQ(AVIFileGetStream(file, &audio, streamtypeAUDIO, 0), 0);
      uint32_t align = m.channels * m.bits / 8u;
      LONG length = AVIStreamLength(audio);
      EXPECT_EQ(length, static_cast<LONG>(m.soundBytes / align));
      Bytes read(m.soundBytes + 64);
      LONG bytes = 0, samples = 0;
      EXPECT_EQ(AVIStreamRead(audio, 0, length, read.data(), static_cast<LONG>(read.size()), &bytes,
                              &samples),
                0);
      EXPECT_EQ(bytes, static_cast<LONG>(m.soundBytes));
      read.resize(static_cast<size_t>(bytes));
      EXPECT_EQ(read, sound);
      AVIStreamRelease(audio);
    }
    AVIFileRelease(file);
    FileRemove(avi);
    if (m.soundBytes) FileRemove(wav);
  }
}

}  // namespace

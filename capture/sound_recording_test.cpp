#include "capture/sound_recording.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/file.h"
#include "testing/file_bytes.h"

namespace {

namespace fs = std::filesystem;
TEST(SoundBuffer, SizeFollowsTheFrameRate) {
  struct Row {
    const char* label;
    SoundFormat format;
    int32_t scale, rate;
    uint32_t expected;
  } rows[] = {
      {"default format, 12 fps", {11025, 8, 1}, 1, 12, 132},
      {"16-bit 44.1 kHz stereo at rate 60", {44100, 16, 2}, 1, 60, 10584},
      {"rate 61 is capped", {44100, 16, 2}, 1, 61, 10592},
      {"huge rate is capped, no overflow", {44100, 16, 2}, 1, 2147483647, 10592},
      {"scale divides (441 -> 440, whole blocks)", {22050, 16, 1}, 3, 30, 440},
      {"8-bit stereo: whole blocks (529 -> 528)", {22050, 8, 2}, 1, 12, 528},
      {"scale 0: one block, not a division by zero", {44100, 16, 2}, 0, 12, 4},
      {"rate 0: one block", {11025, 8, 1}, 1, 0, 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SoundBufferBytes(MakeWaveFormat(row.format), row.scale, row.rate), row.expected)
        << row.label;
  }
}

TEST(SoundErrors, MmErrorTextForEveryCode) {
  const char* expected[] = {
      "",
      "unspecified error",
      "device ID out of range",
      "driver failed enable",
      "device already allocated",
      "device handle is invalid",
      "no device driver present",
      "memory allocation error",
      "function isn't supported",
      "error value out of range",
      "invalid flag passed",
      "invalid parameter passed",
      "handle being used",
      "specified alias not found",
      "bad registry database",
      "registry key not found",
      "registry read error",
      "registry write error",
      "registry delete error",
      "registry value not found",
      "driver does not call DriverCallback or last error in range",
  };
  for (uint32_t code = 0; code < std::size(expected); ++code) {
    EXPECT_STREQ(MmErrorText(code), expected[code]) << code;
  }
  for (uint32_t code : {21u, 32u, 0xFFFFFFFFu}) {
    EXPECT_STREQ(MmErrorText(code), "予想外のエラーです") << code;
  }
}

TEST(SoundFormatChoice, ListFollowsTheCapabilityFlags) {
  struct Row {
    const char* label;
    uint32_t flags;
    SoundFormat current;
    std::vector<std::string> texts;
    int selected;
    SoundFormat after;
  } rows[] = {
      {"bits 1 and 3, default not among them: first chosen at once",
       0x00A,
       {11025, 8, 1},
       {"8ビット  11.025 kHz  ステレオ", "16ビット 11.025 kHz  ステレオ"},
       0,
       {11025, 8, 2}},
      {"bits 1 and 3, current is the second",
       0x00A,
       {11025, 16, 2},
       {"8ビット  11.025 kHz  ステレオ", "16ビット 11.025 kHz  ステレオ"},
       1,
       {11025, 16, 2}},
      {"no format", 0, {11025, 8, 1}, {}, -1, {11025, 8, 1}},
      {"bits above the table are ignored",
       0xF000 | 0x800,
       {11025, 8, 1},
       {"16ビット 44.100 kHz  ステレオ"},
       0,
       {44100, 16, 2}},
      {"all twelve, smallest first",
       0xFFF,
       {22050, 8, 1},
       {"8ビット  11.025 kHz  モノラル", "8ビット  11.025 kHz  ステレオ",
        "16ビット 11.025 kHz  モノラル", "16ビット 11.025 kHz  ステレオ",
        "8ビット  22.050 kHz  モノラル", "8ビット  22.050 kHz  ステレオ",
        "16ビット 22.050 kHz  モノラル", "16ビット 22.050 kHz  ステレオ",
        "8ビット  44.100 kHz  モノラル", "8ビット  44.100 kHz  ステレオ",
        "16ビット 44.100 kHz  モノラル", "16ビット 44.100 kHz  ステレオ"},
       4,
       {22050, 8, 1}},
  };
  for (const Row& row : rows) {
    SoundFormat current = row.current;
    SoundFormatList list = ListSoundFormats(row.flags, &current);
    std::vector<std::string> texts;
    for (int i = 0; i < list.count; ++i) texts.push_back(SoundFormatTable[list.entry[i]].text);
    EXPECT_EQ(texts, row.texts) << row.label;
    EXPECT_EQ(list.selected, row.selected) << row.label;
    EXPECT_TRUE(current == row.after) << row.label;
    // Each entry's format is the one its bit stands for (rate, bits, channels).
    for (int i = 0; i < list.count; ++i) {
      const int k = list.entry[i];
      const SoundFormat& f = SoundFormatTable[k].format;
      EXPECT_EQ(f.sampleRate, 11025 << (k / 4)) << row.label << " k=" << k;
      EXPECT_EQ(f.bitsPerSample, k % 4 >= 2 ? 16 : 8) << row.label << " k=" << k;
      EXPECT_EQ(f.channels, k % 2 + 1) << row.label << " k=" << k;
    }
  }
}

// 16-bit 44.1 kHz stereo after 10 buffers of 132 bytes.
TEST(WavFile, HeaderBytes) {
  const Bytes expected = {
      'R',  'I',  'F',  'F',   // 0: RIFF
      0x4E, 0x05, 0x00, 0x00,  // 4: RIFF size 1358
      'W',  'A',  'V',  'E',   // 8: form type
      'f',  'm',  't',  ' ',   // 12: format chunk
      18,   0,    0,    0,     // 16: its size
      1,    0,                 // 20: PCM
      2,    0,                 // 22: channels
      0x44, 0xAC, 0x00, 0x00,  // 24: 44100 samples per second
      0x10, 0xB1, 0x02, 0x00,  // 28: 176400 bytes per second
      4,    0,                 // 32: block align
      16,   0,                 // 34: bits per sample
      0,    0,                 // 36: extra size
      'd',  'a',  't',  'a',   // 38: data chunk
      0x28, 0x05, 0x00, 0x00,  // 42: data size 1320
  };
  Bytes header(kWavHeaderBytes);
  PutWavHeader(header.data(), MakeWaveFormat({44100, 16, 2}), 1358, 1320);
  EXPECT_EQ(header, expected);
}

class WavWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ =
        (fs::temp_directory_path() / ("wav_writer_test_" + std::to_string(std::rand()) + ".wav"))
            .string();
  }
  void TearDown() override { FileRemove(path_); }
  std::string path_;
};

TEST_F(WavWriterTest, SizesPatchedToWhatTheFileHolds) {
  struct Row {
    const char* label;
    SoundFormat format;
    uint64_t diskLimit;  // sample bytes the disk takes
    int buffers;         // buffers of 132 bytes appended
    uint32_t expectedData;
    bool expectedFailed;
  } rows[] = {
      {"10 whole buffers", {11025, 8, 1}, UINT64_MAX, 10, 1320, false},
      {"nothing recorded", {11025, 8, 1}, UINT64_MAX, 0, 0, false},
      {"disk full inside a block: cut to whole blocks", {44100, 16, 2}, 1002, 10, 1000, true},
      {"disk full on a block boundary", {44100, 16, 2}, 528, 10, 528, true},
  };
  for (const Row& row : rows) {
    WavWriter wav;
    wav.dataLimit = row.diskLimit;
    const WaveFormat format = MakeWaveFormat(row.format);
    ASSERT_TRUE(WavCreate(&wav, path_, format)) << row.label;
    Bytes buffer(132);
    for (int i = 0; i < row.buffers; ++i) {
      for (size_t j = 0; j < buffer.size(); ++j) buffer[j] = static_cast<uint8_t>(i * 7 + j);
      WavAppend(&wav, buffer.data(), buffer.size());
    }
    EXPECT_EQ(wav.failed, row.expectedFailed) << row.label;
    EXPECT_TRUE(WavFinish(&wav)) << row.label;
    const Bytes file = ReadWhole(path_);
    ASSERT_EQ(file.size(), kWavHeaderBytes + row.expectedData) << row.label;
    Bytes header(kWavHeaderBytes);
    PutWavHeader(header.data(), format, row.expectedData + 38, row.expectedData);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + kWavHeaderBytes), header) << row.label;
    // The samples are the buffers in order.
    for (uint32_t at = 0; at < row.expectedData; ++at) {
      const uint32_t i = at / 132, j = at % 132;
      ASSERT_EQ(file[kWavHeaderBytes + at], static_cast<uint8_t>(i * 7 + j)) << row.label << at;
    }
  }
  WavWriter closed;
  EXPECT_FALSE(WavFinish(&closed));
  EXPECT_FALSE(WavAppend(&closed, nullptr, 0));
}

}  // namespace

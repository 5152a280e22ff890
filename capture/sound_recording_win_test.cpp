#include "capture/sound_recording_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/capture_messages.h"
#include "capture/error_log.h"
#include "common/bytes.h"
#include "common/file.h"
#include "common/shift_jis.h"
#include "testing/file_bytes.h"
#include "testing/message_recorder.h"
#include "testing/program_path_win.h"

namespace {

// Kept after the run: the host's ffprobe reads them.
std::string OutputDir() {
  std::string dir = Narrow(ProgramPath(SOUND_OUTPUT_DIR));
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  return dir + "\\";
}

uint64_t RecordedBytes() {
  std::lock_guard<std::mutex> hold(gSoundRecorder.lock);
  return gSoundRecorder.wav.dataBytes;
}

// The device runs faster than real time under Wine and at real time on
// Windows: poll for the state, never sleep a fixed time.
bool WaitFor(bool (*done)(uint64_t), uint64_t arg, DWORD timeoutMs = 20000) {
  const DWORD start = GetTickCount();
  while (!done(arg)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(1);
  }
  return true;
}
bool HasBytes(uint64_t n) {
  return RecordedBytes() >= n;
}
bool WriteFailed(uint64_t) {
  std::lock_guard<std::mutex> hold(gSoundRecorder.lock);
  return gSoundRecorder.wav.failed;
}

// The header as a WAV reader sees it, checked field by field against the format
// and the file's own length.
void ExpectWellFormed(const Bytes& file, const SoundFormat& f, const std::string& label) {
  ASSERT_GE(file.size(), kWavHeaderBytes) << label;
  const uint8_t* h = file.data();
  const uint32_t block = static_cast<uint32_t>(f.channels * f.bitsPerSample / 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(h), 4), "RIFF") << label;
  EXPECT_EQ(GetU32(h + 4), file.size() - 8) << label;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(h + 8), 8), "WAVEfmt ") << label;
  EXPECT_EQ(GetU32(h + 16), 18u) << label;
  EXPECT_EQ(GetU16(h + 20), 1u) << label;
  EXPECT_EQ(GetU16(h + 22), static_cast<uint32_t>(f.channels)) << label;
  EXPECT_EQ(GetU32(h + 24), static_cast<uint32_t>(f.sampleRate)) << label;
  EXPECT_EQ(GetU32(h + 28), block * static_cast<uint32_t>(f.sampleRate)) << label;
  EXPECT_EQ(GetU16(h + 32), block) << label;
  EXPECT_EQ(GetU16(h + 34), static_cast<uint32_t>(f.bitsPerSample)) << label;
  EXPECT_EQ(GetU16(h + 36), 0u) << label;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(h + 38), 4), "data") << label;
  EXPECT_EQ(GetU32(h + 42), file.size() - kWavHeaderBytes) << label;
  EXPECT_EQ(GetU32(h + 42) % block, 0u) << label;
}

class SoundRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = OutputDir();
    logPath_ = dir_ + "error_log.txt";
    FileRemove(logPath_);
    SetErrorLogPath(logPath_.c_str());
  }
  void TearDown() override {
    StopSoundRecording();
    gSoundRecorder.wav.dataLimit = UINT64_MAX;
    SetSoundFormat(11025, 8, 1);
  }
  std::string Log() {
    Bytes bytes = ReadWhole(logPath_);
    return std::string(bytes.begin(), bytes.end());
  }
  // The entries' messages, without their time lines, as Shift-JIS bytes.
  std::string LogMessages() {
    std::string log = Log(), out;
    for (size_t at = 0; (at = log.find("\r\n\t", at)) != std::string::npos;) {
      at += 3;
      size_t end = log.find("\r\n", at);
      out += log.substr(at, end - at) + "|";
    }
    return out;
  }
  std::string dir_, logPath_;
  MessageRecorder messages_;  // no box from sound recording, ever
};

TEST_F(SoundRecordingTest, RecordsTheTableFormats) {
  EXPECT_EQ(QueryWaveInFormats(0) & 0xFFF, 0xFFFu) << "the null device takes every format";
  for (int k : {0, 3, 5, 6, 9, 11}) {
    const SoundFormat f = SoundFormatTable[k].format;
    const std::string label = SoundFormatTable[k].text;
    const std::string path = dir_ + "format_" + std::to_string(k) + ".wav";
    SetSoundFormat(f.sampleRate, f.bitsPerSample, f.channels);
    ASSERT_TRUE(StartSoundRecording(1, 12, path)) << label;
    ASSERT_TRUE(WaitFor(HasBytes, 8 * uint64_t{gSoundRecorder.bufferBytes})) << label;
    ASSERT_TRUE(StopSoundRecording()) << label;
    const Bytes file = ReadWhole(path);
    ExpectWellFormed(file, f, label);
    EXPECT_GE(file.size(), kWavHeaderBytes + 8 * gSoundRecorder.bufferBytes) << label;
    // A second stop returns false and leaves the file alone.
    EXPECT_FALSE(StopSoundRecording()) << label;
    EXPECT_EQ(ReadWhole(path), file) << label;
  }
  EXPECT_EQ(Log(), "");
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(SoundRecordingTest, DeviceFailuresAreLoggedAndLeaveItStopped) {
  // A format the device refuses, and the code it refuses it with, asked
  // without opening it (Wine's mapper takes some odd formats Windows refuses).
  const SoundFormat candidates[] = {{11025, 12, 1}, {11025, 8, 0}, {0, 8, 1}, {12345, 24, 7}};
  SoundFormat odd{};
  MMRESULT code = MMSYSERR_NOERROR;
  for (const SoundFormat& f : candidates) {
    const WORD block = static_cast<WORD>(f.channels * f.bitsPerSample / 8);
    WAVEFORMATEX query{WAVE_FORMAT_PCM,
                       static_cast<WORD>(f.channels),
                       static_cast<DWORD>(f.sampleRate),
                       static_cast<DWORD>(block * f.sampleRate),
                       block,
                       static_cast<WORD>(f.bitsPerSample),
                       0};
    code = waveInOpen(nullptr, WAVE_MAPPER, &query, 0, 0, WAVE_FORMAT_QUERY | CALLBACK_NULL);
    odd = f;
    if (code != MMSYSERR_NOERROR) break;
  }
  ASSERT_NE(code, MMSYSERR_NOERROR) << "the device took every odd format";
  SetSoundFormat(odd.sampleRate, odd.bitsPerSample, odd.channels);
  const std::string path = dir_ + "refused.wav";
  EXPECT_FALSE(StartSoundRecording(1, 12, path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(gSoundRecorder.device, nullptr);
  EXPECT_FALSE(StopSoundRecording());

  EXPECT_EQ(QueryWaveInFormats(99), 0u);

  SetSoundFormat(11025, 8, 1);
  EXPECT_FALSE(StartSoundRecording(1, 12, dir_ + "no such folder\\sound.wav"));
  EXPECT_EQ(gSoundRecorder.device, nullptr);
  EXPECT_FALSE(StopSoundRecording());

  EXPECT_EQ(LogMessages(), Utf8ToShiftJis(MmErrorText(code)) + "|" + "device ID out of range|" +
                               Utf8ToShiftJis(kLogSoundFileCreateFailed) + "|");
  EXPECT_TRUE(messages_.messages().empty());
}

TEST_F(SoundRecordingTest, DiskFullKeepsWholeBlocks) {
  const SoundFormat f{44100, 16, 2};
  const std::string path = dir_ + "disk_full.wav";
  SetSoundFormat(f.sampleRate, f.bitsPerSample, f.channels);
  gSoundRecorder.wav.dataLimit = 10002;  // the disk fills inside a sample block
  ASSERT_TRUE(StartSoundRecording(1, 12, path));
  ASSERT_TRUE(WaitFor(WriteFailed, 0));
  ASSERT_TRUE(StopSoundRecording());
  const Bytes file = ReadWhole(path);
  ASSERT_EQ(file.size(), kWavHeaderBytes + 10000);
  ExpectWellFormed(file, f, "disk full");
  EXPECT_EQ(LogMessages(), Utf8ToShiftJis(kLogSoundFileWriteFailed) + "|");
}

// One-byte buffers keep the audio thread in the callback nearly all the time,
// and stops land at every point of it: right after the start, mid-buffer, mid-write.
TEST_F(SoundRecordingTest, StartStopTwoHundredTimes) {
  const SoundFormat f{11025, 8, 1};
  SetSoundFormat(f.sampleRate, f.bitsPerSample, f.channels);
  auto once = [&](int i) {
    const std::string path = dir_ + "stress_" + std::to_string(i) + ".wav";
    if (!StartSoundRecording(1000, 1, path)) return std::string();
    EXPECT_EQ(gSoundRecorder.bufferBytes, 1u);
    EXPECT_TRUE(WaitFor(HasBytes, static_cast<uint64_t>(i % 7) * 3)) << i;
    EXPECT_TRUE(StopSoundRecording()) << i;
    return path;
  };
  for (int i = 1000; i < 1003; ++i) FileRemove(once(i));  // the device's first-use handles
  DWORD before = 0, after = 0;
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
  std::vector<std::string> paths;
  for (int i = 0; i < 200; ++i) {
    paths.push_back(once(i));
    ASSERT_FALSE(paths.back().empty()) << "start " << i << " failed";
  }
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
  EXPECT_LE(after, before + 4) << "handles leak: " << before << " -> " << after;
  // Checked after all runs, so a late write into an earlier file shows too.
  for (const std::string& path : paths) {
    ExpectWellFormed(ReadWhole(path), f, path);
    FileRemove(path);
  }
  EXPECT_EQ(Log(), "");
}

}  // namespace

// What the writer produces is read back by ffprobe and ffmpeg, which know
// nothing of how it was made: stream layout, sizes, frame count and rate,
// every pixel and every sound sample.
#include <gtest/gtest.h>

#include "testing/file_bytes.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "save/avi_writer.h"
#include "testing/message_recorder.h"

namespace {

std::string RunTool(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) out += line;
  EXPECT_EQ(pclose(pipe), 0) << command << "\n" << out;
  return out;
}

// One map of key=value per stream, in stream order.
std::vector<std::map<std::string, std::string>> Probe(const std::string& path) {
  std::string text = RunTool(
      "ffprobe -v error -count_frames -show_entries "
      "stream=index,codec_type,codec_name,width,height,r_frame_rate,nb_read_frames,"
      "sample_rate,channels,bits_per_sample "
      "-of default=nw=1 " +
      path + " 2>&1");
  std::vector<std::map<std::string, std::string>> streams;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    if (key == "index") streams.emplace_back();
    if (!streams.empty()) streams.back()[key] = line.substr(eq + 1);
  }
  return streams;
}

struct Wav {
  uint16_t channels, bits;
  uint32_t rate;
  Bytes data;
};

// Frames as the writer takes them: bottom-up rows padded to 4 bytes.
std::vector<Bytes> RandomFrames(std::mt19937& random, int width, int height, int count) {
  size_t stride = static_cast<size_t>(DibStride(width, 24));
  std::vector<Bytes> frames(count, Bytes(stride * height));
  for (auto& f : frames)
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width * 3; ++x) f[y * stride + x] = static_cast<uint8_t>(random());
  return frames;
}

// The same pixels as ffmpeg's bgr24 output: top row first, no padding.
Bytes TopDown(const Bytes& frame, int width, int height) {
  size_t stride = static_cast<size_t>(DibStride(width, 24));
  Bytes out;
  for (int y = height - 1; y >= 0; --y)
    out.insert(out.end(), frame.begin() + y * stride, frame.begin() + y * stride + width * 3);
  return out;
}

struct Movie {
  const char* label;
  int width, height;
  uint32_t scale, rate;
  int frames;
  bool sound;
  Wav wav;
  WavReadMode mode;
  const char* frameRate;  // as ffprobe reports it
  uint64_t riffLimit = kAviWriterRiffLimit;
  size_t riffParts = 1;
  int declared = 0;  // frames promised at open; 0: as many as written
};

size_t CountRiffParts(const Bytes& avi) {
  size_t parts = 0;
  uint64_t at = 0;
  while (at + 12 <= avi.size() && GetU32(&avi[at]) == FourCC("RIFF")) {
    ++parts;
    at += 8 + uint64_t{GetU32(&avi[at + 4])};
  }
  return parts;
}

TEST(AviClients, FfprobeAndFfmpegReadEveryFrameAndSample) {
  if (std::system("ffprobe -version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "ffprobe is not installed";
  std::mt19937 random(2026);
  auto samples = [&](size_t n) {
    Bytes b(n);
    for (auto& v : b) v = static_cast<uint8_t>(random());
    return b;
  };
  const Movie movies[] = {
      {"odd width, no sound", 5, 3, 1, 12, 24, false, {}, WavReadMode::Streamed, "12/1"},
      {"8-bit mono, odd sound chunk",
       16,
       9,
       1,
       15,
       10,
       true,
       {1, 8, 11025, samples(1001)},
       WavReadMode::Streamed,
       "15/1"},
      {"16-bit stereo in memory",
       33,
       17,
       1001,
       30000,
       7,
       true,
       {2, 16, 22050, samples(4 * 3000)},
       WavReadMode::InMemory,
       "30000/1001"},
      {"16-bit stereo streamed",
       320,
       240,
       1,
       10,
       3,
       true,
       {2, 16, 44100, samples(4 * 2500)},
       WavReadMode::Streamed,
       "10/1"},
      // 432-byte frames in RIFF parts of at most 5486 bytes: the first holds
      // the sound and 5 frames, the next ones 12 frames each.
      {"OpenDML parts with sound",
       16,
       9,
       1,
       15,
       40,
       true,
       {1, 8, 11025, samples(1001)},
       WavReadMode::Streamed,
       "15/1",
       5486,
       4},
      {"OpenDML parts, 16-bit stereo in memory",
       33,
       17,
       1001,
       30000,
       30,
       true,
       {2, 16, 22050, samples(4 * 3000)},
       WavReadMode::InMemory,
       "30000/1001",
       16 * 1024,
       5},
      // A temp file that shrank while it was read: the movie holds what came.
      {"fewer frames than declared, with sound",
       16,
       9,
       1,
       15,
       4,
       true,
       {1, 8, 11025, samples(1001)},
       WavReadMode::Streamed,
       "15/1",
       kAviWriterRiffLimit,
       1,
       9},
  };
  for (const Movie& m : movies) {
    SCOPED_TRACE(m.label);
    const std::string avi = "client.avi", wav = "client.wav";
    if (m.sound) ASSERT_TRUE(WriteTestWav(wav, m.wav.channels, m.wav.bits, m.wav.rate, m.wav.data));
    std::vector<Bytes> frames = RandomFrames(random, m.width, m.height, m.frames);
    MessageRecorder messages;
    ASSERT_TRUE(AviWriterOpen(avi, m.width, m.height, m.scale, m.rate,
                              m.declared ? m.declared : m.frames, m.sound ? wav : "", m.mode,
                              m.riffLimit));
    for (const Bytes& f : frames) ASSERT_TRUE(AviWriterPutFrame(f.data()));
    ASSERT_TRUE(AviWriterClose());
    EXPECT_TRUE(messages.Lines().empty());
    EXPECT_EQ(CountRiffParts(ReadWhole(avi)), m.riffParts);

    auto streams = Probe(avi);
    ASSERT_EQ(streams.size(), m.sound ? 2u : 1u);
    EXPECT_EQ(streams[0]["codec_type"], "video");
    EXPECT_EQ(streams[0]["codec_name"], "rawvideo");
    EXPECT_EQ(streams[0]["width"], std::to_string(m.width));
    EXPECT_EQ(streams[0]["height"], std::to_string(m.height));
    EXPECT_EQ(streams[0]["r_frame_rate"], m.frameRate);
    EXPECT_EQ(streams[0]["nb_read_frames"], std::to_string(m.frames));
    if (m.sound) {
      EXPECT_EQ(streams[1]["codec_type"], "audio");
      EXPECT_EQ(streams[1]["codec_name"], m.wav.bits == 8 ? "pcm_u8" : "pcm_s16le");
      EXPECT_EQ(streams[1]["sample_rate"], std::to_string(m.wav.rate));
      EXPECT_EQ(streams[1]["channels"], std::to_string(m.wav.channels));
    }

    RunTool("ffmpeg -v error -y -i " + avi +
            " -map 0:v -fps_mode passthrough -f rawvideo -pix_fmt bgr24 client.raw");
    Bytes decoded = ReadWhole("client.raw");
    size_t frameSize = static_cast<size_t>(m.width) * m.height * 3;
    ASSERT_EQ(decoded.size(), frameSize * m.frames);
    for (int i = 0; i < m.frames; ++i) {
      ASSERT_EQ(Bytes(decoded.begin() + i * frameSize, decoded.begin() + (i + 1) * frameSize),
                TopDown(frames[i], m.width, m.height))
          << "frame " << i;
    }
    if (m.sound) {
      const char* format = m.wav.bits == 8 ? "u8" : "s16le";
      RunTool("ffmpeg -v error -y -i " + avi + " -map 0:a -c:a pcm_" + format + " -f " + format +
              " client.pcm");
      EXPECT_EQ(ReadWhole("client.pcm"), m.wav.data);
      FileRemove(wav);
    }
    FileRemove(avi);
    FileRemove("client.raw");
    FileRemove("client.pcm");
  }
}

}  // namespace

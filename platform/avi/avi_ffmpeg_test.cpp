// Every kind of file the writer makes, read by ffprobe and ffmpeg: an
// independent reader must see the same frames, sound, counts and durations.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "platform/avi/avi_frame.h"
#include "platform/avi/avi_save.h"
#include "platform/avi/avi_testing.h"

namespace {

using namespace avitest;

bool RunCommand(const std::string& command, std::vector<uint8_t>& out) {
  out.clear();
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
  return pclose(pipe) == 0;
}

// ffprobe's key=value lines for one stream.
std::map<std::string, std::string> Probe(const std::string& path, const char* stream) {
  std::vector<uint8_t> out;
  std::map<std::string, std::string> fields;
  std::string command = "ffprobe -v error -count_frames -select_streams " + std::string(stream) +
                        " -show_streams -of default=nw=1 '" + path + "'";
  if (!RunCommand(command, out)) return fields;
  std::string text(out.begin(), out.end());
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    size_t eq = line.find('=');
    if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    at = end + 1;
  }
  return fields;
}

std::vector<uint8_t> DecodeVideo(const std::string& path) {
  std::vector<uint8_t> out;
  RunCommand("ffmpeg -v error -i '" + path + "' -map 0:v:0 -f rawvideo -pix_fmt bgr24 -", out);
  return out;
}

std::vector<uint8_t> DecodeSound(const std::string& path) {
  std::vector<uint8_t> out;
  RunCommand("ffmpeg -v error -i '" + path + "' -map 0:a:0 -f s16le -", out);
  return out;
}

// What ffmpeg should give for frames with these tags: rows top first, no padding.
std::vector<uint8_t> ExpectedPixels(int32_t width, int32_t height, const std::vector<int>& tags) {
  std::vector<uint8_t> out;
  size_t stride = static_cast<size_t>(DibStride(width, 24));
  for (int tag : tags) {
    std::vector<uint8_t> dib = Frame24(width, height, tag);
    for (int32_t y = height - 1; y >= 0; --y)
      out.insert(out.end(), dib.begin() + static_cast<ptrdiff_t>(y * stride),
                 dib.begin() + static_cast<ptrdiff_t>(y * stride + width * 3));
  }
  return out;
}

AviStreamRef Sound(int64_t samples) {
  std::vector<uint8_t> af = PcmFormat(22050, 2, 16);
  AviStreamRef a;
  AviMakeStream(AudioInfo(22050, 4), af.data(), af.size(), a);
  for (int64_t done = 0; done < samples; done += 1000) {
    std::vector<uint8_t> pcm = Pcm16Stereo(done, std::min<int64_t>(1000, samples - done));
    a->Write(done, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME);
  }
  return a;
}

bool HaveFfmpeg() {
  std::vector<uint8_t> out;
  return RunCommand("ffprobe -version >/dev/null 2>&1 && ffmpeg -version >/dev/null 2>&1", out);
}

struct Case {
  const char* name;
  int32_t width;
  uint64_t riffLimit;
  int frames;
};

TEST(AviFilesInFfmpeg, VideoAndSoundAvi1AndOpenDml) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  for (const Case& c :
       {Case{"plain", 32, uint64_t{1} << 30, 30}, Case{"padded", 30, uint64_t{1} << 30, 30},
        Case{"opendml", 32, 20000, 60}}) {
    SCOPED_TRACE(c.name);
    const int64_t samples = c.frames * 22050 / 15 - 77;  // a little shorter than the video
    AviSaveOptions options;
    options.writer.riffLimit = c.riffLimit;
    std::string path = TempPath(std::string("ffmpeg_") + c.name + ".avi");
    ASSERT_EQ(AviSave(path, {MadeVideo(c.width, 24, c.frames), Sound(samples)}, nullptr, options),
              AVIERR_OK);

    std::map<std::string, std::string> v = Probe(path, "v:0");
    EXPECT_EQ(v["codec_name"], "rawvideo");
    EXPECT_EQ(v["width"], std::to_string(c.width));
    EXPECT_EQ(v["height"], "24");
    EXPECT_EQ(v["r_frame_rate"], "15/1");
    EXPECT_EQ(v["nb_frames"], std::to_string(c.frames));
    EXPECT_EQ(v["nb_read_frames"], std::to_string(c.frames));
    EXPECT_EQ(v["duration"], std::to_string(c.frames / 15) + ".000000");

    std::map<std::string, std::string> a = Probe(path, "a:0");
    EXPECT_EQ(a["codec_name"], "pcm_s16le");
    EXPECT_EQ(a["sample_rate"], "22050");
    EXPECT_EQ(a["channels"], "2");
    // ffprobe gives no duration for PCM in AVI (not for ffmpeg's own files
    // either); the decoded length below stands for it.
    // A sound stream's length counts blocks (samples), so ffprobe's frame count is the sample
    // count.
    EXPECT_EQ(a["nb_frames"], std::to_string(samples));

    std::vector<int> tags;
    for (int i = 0; i < c.frames; ++i) tags.push_back(i);
    std::vector<uint8_t> pixels = DecodeVideo(path);
    EXPECT_EQ(pixels.size(), ExpectedPixels(c.width, 24, tags).size());
    EXPECT_TRUE(pixels == ExpectedPixels(c.width, 24, tags));
    std::vector<uint8_t> sound = DecodeSound(path);
    EXPECT_EQ(sound.size(), static_cast<size_t>(samples) * 4);
    EXPECT_TRUE(sound == Pcm16Stereo(0, samples));
  }
}

TEST(AviFilesInFfmpeg, EditedAndSoundOnlyFiles) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  // Three frames reversed by copy and paste at 0.
  AviStreamRef source, result;
  CreateEditableStream(MadeVideo(32, 24, 3), source);
  CreateEditableStream(nullptr, result);
  for (int64_t i = 0; i < 3; ++i) {
    int64_t start = i, length = 1, pos = 0, pasted = 0;
    AviStreamRef clip;
    ASSERT_EQ(EditStreamCopy(source, &start, &length, clip), AVIERR_OK);
    ASSERT_EQ(EditStreamPaste(result, &pos, &pasted, clip, 0, -1), AVIERR_OK);
  }
  std::string path = TempPath("ffmpeg_reversed.avi");
  ASSERT_EQ(AviSave(path, {result}, nullptr), AVIERR_OK);
  EXPECT_TRUE(DecodeVideo(path) == ExpectedPixels(32, 24, {2, 1, 0}));
  EXPECT_EQ(Probe(path, "v:0")["nb_read_frames"], "3");

  // Written stream after stream through an output file (not interleaved).
  std::string sequential = TempPath("ffmpeg_sequential.avi");
  {
    AviOutputFileRef file;
    ASSERT_EQ(AviOutputFileCreate(sequential, {}, file), AVIERR_OK);
    AviStreamRef video, sound;
    ASSERT_EQ(AviOutputFileCreateStream(file, VideoInfo(15, 1, 32, 24), video), AVIERR_OK);
    std::vector<uint8_t> format = Bitmap24Format(32, 24);
    ASSERT_EQ(video->SetFormat(0, format.data(), format.size()), AVIERR_OK);
    for (int f = 0; f < 10; ++f) {
      std::vector<uint8_t> px = Frame24(32, 24, f);
      ASSERT_EQ(video->Write(f, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME),
                AVIERR_OK);
    }
    ASSERT_EQ(AviOutputFileCreateStream(file, AudioInfo(22050, 4), sound), AVIERR_OK);
    std::vector<uint8_t> af = PcmFormat(22050, 2, 16), pcm = Pcm16Stereo(0, 9999);
    ASSERT_EQ(sound->SetFormat(0, af.data(), af.size()), AVIERR_OK);
    ASSERT_EQ(sound->Write(0, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME),
              AVIERR_OK);
    ASSERT_EQ(AviOutputFileClose(*file), AVIERR_OK);
  }
  EXPECT_EQ(Probe(sequential, "v:0")["nb_read_frames"], "10");
  EXPECT_EQ(Probe(sequential, "a:0")["nb_frames"], "9999");
  EXPECT_TRUE(DecodeVideo(sequential) == ExpectedPixels(32, 24, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(DecodeSound(sequential) == Pcm16Stereo(0, 9999));

  // Sound alone, as a wave file and as an AVI.
  for (const char* name : {"ffmpeg_sound.wav", "ffmpeg_sound.avi"}) {
    SCOPED_TRACE(name);
    std::string wav = TempPath(name);
    ASSERT_EQ(AviSave(wav, {Sound(12345)}, nullptr), AVIERR_OK);
    std::map<std::string, std::string> a = Probe(wav, "a:0");
    EXPECT_EQ(a["sample_rate"], "22050");
    if (a["duration"] != "N/A") {
      EXPECT_NEAR(std::stod(a["duration"]), 12345 / 22050.0, 0.001);
    }
    if (a["nb_frames"] != "N/A") {
      EXPECT_EQ(a["nb_frames"], "12345");
    }
    EXPECT_TRUE(DecodeSound(wav) == Pcm16Stereo(0, 12345));
  }
}

// Files made by ffmpeg in each uncompressed depth, read by our reader and
// frame converter: the 24-bit frames must match ffmpeg's own decoding (16-bit
// channels within 1, as the two widen 5 bits to 8 with different rounding).
TEST(AviFilesInFfmpeg, FfmpegFilesThroughTheFrameReader) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  const int width = 33, height = 17, frames = 5;
  for (const char* pixelFormat : {"bgr24", "pal8", "rgb555le", "bgr0"}) {
    SCOPED_TRACE(pixelFormat);
    std::string path = TempPath(std::string("from_ffmpeg_") + pixelFormat + ".avi");
    std::vector<uint8_t> ignored;
    ASSERT_TRUE(
        RunCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=33x17:rate=10:duration=0.5 -c:v "
                   "rawvideo -pix_fmt " +
                       std::string(pixelFormat) + " '" + path + "'",
                   ignored));
    std::vector<uint8_t> expected = DecodeVideo(path);
    ASSERT_EQ(expected.size(), static_cast<size_t>(width * height * 3 * frames));
    AviStreamRef video;
    ASSERT_EQ(AviStreamOpenFromFile(path, kStreamTypeVideo, 0, video), AVIERR_OK);
    ASSERT_EQ(video->Info().dwLength, static_cast<uint32_t>(frames));
    AviFrameReader reader;
    BitmapHeader want;
    want.biBitCount = 24;
    ASSERT_EQ(AviFrameReaderOpen(reader, video, &want), AVIERR_OK);
    int worst = 0;
    size_t stride = static_cast<size_t>(DibStride(width, 24));
    for (int f = 0; f < frames; ++f) {
      size_t size = 0;
      const uint8_t* dib = AviFrameReaderGet(reader, f, &size);
      ASSERT_NE(dib, nullptr);
      ASSERT_EQ(size, 40 + stride * height);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x) {
          int ours = dib[40 + (height - 1 - y) * stride + x];
          int theirs = expected[static_cast<size_t>(f) * width * height * 3 +
                                static_cast<size_t>(y) * width * 3 + x];
          worst = std::max(worst, std::abs(ours - theirs));
        }
    }
    EXPECT_LE(worst, std::string(pixelFormat) == "rgb555le" ? 1 : 0);
  }
}

}  // namespace

// An OpenDML file past 4 GiB, written over a sparse file: frames are mostly
// zeros, and the sink seeks over zero tails instead of writing them, so the
// test costs a few megabytes of disk and a few seconds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/avi/avi_save.h"
#include "platform/avi/avi_testing.h"
#include "platform/avi/avi_writer.h"

namespace {

using namespace avitest;

class SparseSink : public AviFileSink {
 public:
  static std::unique_ptr<SparseSink> Create(const std::string& path) {
    auto sink = std::make_unique<SparseSink>();
    sink->file_ = FileOpen(path, "w+b");
    return sink->file_ ? std::move(sink) : nullptr;
  }
  // Blocks of zeros are seeked over (they read back as zeros from the hole).
  bool Write(const void* data, size_t n) override {
    constexpr size_t kBlock = 64 * 1024;
    const auto* p = static_cast<const uint8_t*>(data);
    if (n < 4 * kBlock) return AviFileSink::Write(data, n);
    for (size_t at = 0; at < n; at += kBlock) {
      size_t len = std::min(kBlock, n - at);
      bool zero = p[at] == 0 && std::memcmp(p + at, p + at + 1, len - 1) == 0;
      if (zero && at + len < n) {
        if (!Seek(Tell() + len)) return false;
      } else if (!AviFileSink::Write(p + at, len)) {
        return false;
      }
    }
    return true;
  }
};

TEST(AviLargeFile, OpenDmlPastFourGigabytes) {
  std::string path = TempPath("large_opendml.avi");
  const int32_t width = 4096, height = 4096;  // 48 MiB a frame
  const int frames = 100;                     // 4.7 GiB
  const size_t frameBytes = static_cast<size_t>(width) * height * 3;
  {
    std::unique_ptr<SparseSink> sink = SparseSink::Create(path);
    ASSERT_TRUE(sink);
    OdmlWriter writer;
    ASSERT_EQ(OdmlWriterCreateOnSink(writer, *sink), AVIERR_OK);
    std::vector<uint8_t> format = Bitmap24Format(width, height);
    int v = -1;
    ASSERT_EQ(OdmlWriterAddStream(writer, VideoInfo(25, 1, width, height), format.data(),
                                  format.size(), &v),
              AVIERR_OK);
    std::vector<uint8_t> frame(frameBytes, 0);
    for (int f = 0; f < frames; ++f) {
      PutU32(frame.data(), 0xA5000000u | static_cast<uint32_t>(f));
      PutU32(frame.data() + frameBytes - 4, static_cast<uint32_t>(f) * 3 + 1);
      ASSERT_EQ(OdmlWriterWrite(writer, v, frame.data(), static_cast<uint32_t>(frameBytes),
                                AVIIF_KEYFRAME),
                AVIERR_OK)
          << f;
    }
    EXPECT_EQ(writer.parts, 5);  // RIFF parts of at most 1 GiB
    ASSERT_EQ(OdmlWriterClose(writer), AVIERR_OK);
    ASSERT_TRUE(sink->Close());
  }
  EXPECT_GT(std::filesystem::file_size(path), uint64_t{1} << 32);

  AviFileRef file;
  ASSERT_EQ(AviFileOpen(path, file), AVIERR_OK);
  EXPECT_TRUE(file->reader.openDml);
  EXPECT_TRUE(file->reader.hadIndex);
  AviStreamRef video;
  ASSERT_EQ(AviFileGetStream(file, kStreamTypeVideo, 0, video), AVIERR_OK);
  EXPECT_EQ(video->Info().dwLength, static_cast<uint32_t>(frames));
  const AviChunkTable& table = file->reader.streams[0].table;
  ASSERT_EQ(table.chunks.size(), static_cast<size_t>(frames));
  EXPECT_GT(table.chunks.back().offset, uint64_t{1} << 32);
  // Every frame's first and last four bytes, read through the index.
  for (int f = 0; f < frames; ++f) {
    uint8_t head[4], tail[4];
    ASSERT_TRUE(file->reader.source->ReadAt(table.chunks[f].offset, head, 4)) << f;
    ASSERT_TRUE(file->reader.source->ReadAt(table.chunks[f].offset + frameBytes - 4, tail, 4)) << f;
    EXPECT_EQ(GetU32(head), 0xA5000000u | static_cast<uint32_t>(f)) << f;
    EXPECT_EQ(GetU32(tail), static_cast<uint32_t>(f) * 3 + 1) << f;
  }
  // A whole frame through the stream, from past 4 GiB.
  std::vector<uint8_t> last = ReadSample(*video, frames - 1);
  ASSERT_EQ(last.size(), frameBytes);
  EXPECT_EQ(GetU32(last.data()), 0xA5000000u | static_cast<uint32_t>(frames - 1));

#ifndef _WIN32
  // ffprobe reads the OpenDML indexes too.
  std::string command =
      "ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames -of csv=p=0 '" + path +
      "' 2>/dev/null";
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[64] = {};
    bool got = fgets(line, sizeof line, pipe) != nullptr;
    if (pclose(pipe) == 0 && got) {
      EXPECT_EQ(std::atoi(line), frames);
    }
  }
#endif
  file.reset();
  video.reset();
  std::filesystem::remove(path);
}

// The compressed way of the recorder's conversion at a smaller scale: one
// single-frame stream per picture, pasted into an editable stream, saved.
// Frame bytes beyond the memory budget must go to the scratch file, so memory
// stays flat however long the recording is.
TEST(AviLargeFile, LongMovieOfFrameStreamsInBoundedMemory) {
  const uint64_t budget = 4u << 20;
  AviScratchSetMemoryBudget(budget);
  const int32_t width = 128, height = 96;
  const int frames = 1800;  // 2 minutes at 15 fps, 66 MB of pictures
  std::string path = TempPath("long_movie.avi");
  {
    AviStreamRef movie;
    ASSERT_EQ(CreateEditableStream(nullptr, movie), AVIERR_OK);
    uint64_t peak = 0;
    for (int i = 0; i < frames; ++i) {
      std::vector<uint8_t> dib = Bitmap24Format(width, height);
      std::vector<uint8_t> px = Frame24(width, height, i % 256);
      PutU32(px.data(), static_cast<uint32_t>(i));
      dib.insert(dib.end(), px.begin(), px.end());
      AviStreamRef one;
      ASSERT_EQ(AviMakeFrameStream(dib.data(), dib.size(), one), AVIERR_OK);
      int64_t pos = i, length = 0;
      ASSERT_EQ(EditStreamPaste(movie, &pos, &length, one, 0, -1), AVIERR_OK);
      peak = std::max(peak, AviScratchMemoryBytes());
    }
    EXPECT_LE(peak, budget);
    EXPECT_GT(AviScratchFileBytes(), uint64_t{frames} * width * height * 3 - budget - 1);
    ASSERT_EQ(AviSave(path, {movie}, nullptr), AVIERR_OK);
  }
  EXPECT_EQ(AviScratchFileBytes(), 0u);  // the scratch file went with the last stream
  AviStreamRef back;
  ASSERT_EQ(AviStreamOpenFromFile(path, kStreamTypeVideo, 0, back), AVIERR_OK);
  ASSERT_EQ(back->Info().dwLength, static_cast<uint32_t>(frames));
  for (int i : {0, 1, 900, 1799}) {
    std::vector<uint8_t> px = ReadSample(*back, i);
    ASSERT_EQ(px.size(), static_cast<size_t>(width * height * 3));
    EXPECT_EQ(GetU32(px.data()), static_cast<uint32_t>(i));
  }
  back.reset();
  std::filesystem::remove(path);
  AviScratchSetMemoryBudget(64u << 20);
}

}  // namespace

// Movies past the RIFF size limit: the writer goes on in OpenDML parts, and
// the suite's own AVI reader, which knows nothing of how they were made, reads
// every frame and the sound back through the super index.
#include <gtest/gtest.h>

#include "testing/file_bytes.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "platform/avi/avi_reader.h"
#include "save/avi_writer.h"
#include "testing/message_recorder.h"

#ifdef __linux__
#include <unistd.h>
#endif

namespace {

Bytes RandomBytes(std::mt19937& random, size_t n) {
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(random());
  return out;
}

struct Part {
  uint64_t at;
  uint32_t size;
  uint32_t type;
};

// The RIFF parts of a file, walked from its raw bytes.
std::vector<Part> RiffParts(const Bytes& avi) {
  std::vector<Part> parts;
  uint64_t at = 0;
  while (at + 12 <= avi.size() && GetU32(&avi[at]) == FourCC("RIFF")) {
    Part p{at, GetU32(&avi[at + 4]), GetU32(&avi[at + 8])};
    parts.push_back(p);
    at += 8 + uint64_t{p.size};
  }
  return parts;
}

Bytes ChunkBytes(AviReader& reader, const AviChunkRef& chunk) {
  Bytes out(chunk.size);
  EXPECT_TRUE(reader.source->ReadAt(chunk.offset, out.data(), out.size()));
  return out;
}

struct OdmlCase {
  const char* label;
  int width, height, frames;
  size_t soundBytes;  // 0: no sound
  uint64_t limit;
  size_t firstPartFrames;  // what the limit leaves room for
};

TEST(AviWriterOpenDml, PartsAreReadBackFrameForFrame) {
  std::mt19937 random(77);
  // 16 × 9 frames are 432 bytes. With 1001 bytes of sound the first RIFF
  // takes 2060 bytes of headers, 1010 of sound chunk, 32 + 40 of "ix00" and
  // "ix01" heads, 8 + 16 of "idx1", then 464 bytes a frame (chunk, ix00 and
  // idx1 entries): 5 frames in 5486 bytes. An "AVIX" part takes 56 bytes and
  // 448 a frame: 12 frames.
  const OdmlCase cases[] = {
      {"with sound, four parts", 16, 9, 40, 1001, 5486, 5},
      {"with sound, a limit one byte short", 16, 9, 40, 1001, 5485, 4},
      {"no sound, three parts", 5, 3, 43, 0, 2100 + 3 * (48 + 32), 3},  // then 35 a part
  };
  for (const OdmlCase& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = "odml.avi", wav = "odml.wav";
    Bytes sound = RandomBytes(random, c.soundBytes);
    if (c.soundBytes) ASSERT_TRUE(WriteTestWav(wav, 1, 8, 11025, sound));
    size_t stride = static_cast<size_t>(DibStride(c.width, 24));
    std::vector<Bytes> frames;
    for (int i = 0; i < c.frames; ++i) frames.push_back(RandomBytes(random, stride * c.height));

    MessageRecorder messages;
    ASSERT_TRUE(AviWriterOpen(path, c.width, c.height, 1, 15, c.frames, c.soundBytes ? wav : "",
                              WavReadMode::Streamed, c.limit));
    for (const Bytes& f : frames) ASSERT_TRUE(AviWriterPutFrame(f.data()));
    ASSERT_TRUE(AviWriterClose());
    EXPECT_TRUE(messages.Lines().empty());

    Bytes avi = ReadWhole(path);
    std::vector<Part> parts = RiffParts(avi);
    ASSERT_GE(parts.size(), 3u);
    uint64_t end = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
      EXPECT_EQ(parts[i].type, FourCC(i == 0 ? "AVI " : "AVIX")) << "part " << i;
      EXPECT_LE(parts[i].size + 8u, c.limit) << "part " << i;
      end = parts[i].at + 8 + parts[i].size;
    }
    EXPECT_EQ(end, avi.size()) << "the parts cover the whole file";
    // The header list grew into the padding, which still ends at 2048.
    uint32_t junk = 20 + GetU32(&avi[16]);
    ASSERT_LT(junk, 2040u);
    EXPECT_EQ(GetU32(&avi[junk]), FourCC("JUNK"));
    EXPECT_EQ(junk + 8 + GetU32(&avi[junk + 4]), 2048u);
    EXPECT_EQ(GetU32(&avi[2048]), FourCC("LIST"));
    EXPECT_EQ(GetU32(&avi[2056]), FourCC("movi"));
    // avih counts the first RIFF's frames, strh and dmlh the whole movie.
    EXPECT_EQ(GetU32(&avi[48]), c.firstPartFrames);
    EXPECT_EQ(GetU32(&avi[108 + 32]), static_cast<uint32_t>(c.frames));
    size_t dmlh = std::string(avi.begin(), avi.begin() + 2048).find("dmlh");
    ASSERT_NE(dmlh, std::string::npos);
    EXPECT_EQ(GetU32(&avi[dmlh + 8]), static_cast<uint32_t>(c.frames));
    // The first RIFF's idx1 is its last chunk and lists its own chunks only.
    uint64_t firstEnd = 8 + uint64_t{parts[0].size};
    size_t idx1Entries = (c.soundBytes ? 1 : 0) + c.firstPartFrames;
    ASSERT_GT(firstEnd, 8 + 16 * idx1Entries);
    EXPECT_EQ(GetU32(&avi[firstEnd - 16 * idx1Entries - 8]), FourCC("idx1"));

    AviReader reader;
    ASSERT_EQ(AviReaderOpenFile(reader, path), AVIERR_OK);
    EXPECT_TRUE(reader.openDml);
    EXPECT_TRUE(reader.hadIndex);
    ASSERT_EQ(reader.streams.size(), c.soundBytes ? 2u : 1u);
    const AviChunkTable& video = reader.streams[0].table;
    ASSERT_EQ(video.chunks.size(), frames.size());
    EXPECT_EQ(reader.streams[0].info.dwLength, static_cast<uint32_t>(c.frames));
    for (size_t i = 0; i < frames.size(); ++i) {
      ASSERT_EQ(ChunkBytes(reader, video.chunks[i]), frames[i]) << "frame " << i;
      EXPECT_EQ(video.chunks[i].flags, uint32_t{AVIIF_KEYFRAME});
    }
    if (c.soundBytes) {
      const AviChunkTable& audio = reader.streams[1].table;
      ASSERT_EQ(audio.chunks.size(), 1u);
      EXPECT_EQ(audio.chunks[0].offset, 2068u) << "the sound stays in the first RIFF";
      EXPECT_EQ(ChunkBytes(reader, audio.chunks[0]), sound);
      EXPECT_EQ(audio.samples, c.soundBytes);
    }
    FileRemove(path);
    FileRemove(wav);
  }
}

TEST(AviWriterOpenDml, TheLimitDecidesAndSmallerMoviesKeepTheirBytes) {
  std::mt19937 random(5);
  ASSERT_TRUE(WriteTestWav("limit.wav", 1, 8, 11025, RandomBytes(random, 301)));
  const int frames = 6;
  Bytes frame = RandomBytes(random, 8 * 4);  // 2 × 4 pixels, 8 bytes a row
  auto write = [&](const std::string& path, uint64_t limit, int put) {
    EXPECT_TRUE(
        AviWriterOpen(path, 2, 4, 1, 10, frames, "limit.wav", WavReadMode::InMemory, limit));
    for (int i = 0; i < put; ++i) AviWriterPutFrame(frame.data());
    EXPECT_TRUE(AviWriterClose());
    return ReadWhole(path);
  };
  Bytes plain = write("limit_default.avi", kAviWriterRiffLimit, frames);
  // 2060 + 310 of sound + 6 × 40 of frames + 8 + 7 × 16 of idx1.
  ASSERT_EQ(plain.size(), 2730u);
  EXPECT_EQ(write("limit_exact.avi", plain.size(), frames), plain) << "a file of exactly the limit";
  Bytes split = write("limit_short.avi", plain.size() - 1, frames);
  ASSERT_EQ(RiffParts(split).size(), 2u);
  EXPECT_EQ(RiffParts(split)[1].type, FourCC("AVIX"));
  AviReader reader;
  ASSERT_EQ(AviReaderOpenFile(reader, "limit_short.avi"), AVIERR_OK);
  EXPECT_TRUE(reader.openDml);
  EXPECT_EQ(reader.streams[0].table.chunks.size(), static_cast<size_t>(frames));

  // Declared past the limit but closed early, in the first RIFF: an ordinary
  // file whose counts and sizes follow the frames written.
  Bytes early = write("limit_early.avi", plain.size() - 1, 2);
  EXPECT_EQ(RiffParts(early).size(), 1u);
  EXPECT_EQ(GetU32(&early[372]), FourCC("JUNK")) << "no OpenDML headers";
  EXPECT_EQ(GetU32(&early[48]), 2u);
  EXPECT_EQ(GetU32(&early[108 + 32]), 2u);
  EXPECT_EQ(GetU32(&early[2052]), 4 + 310 + 2 * 40u);
  EXPECT_EQ(early.size(), 2060 + 310 + 2 * 40 + 8 + 3 * 16u);
  AviReader small;
  ASSERT_EQ(AviReaderOpenFile(small, "limit_early.avi"), AVIERR_OK);
  EXPECT_FALSE(small.openDml);
  EXPECT_EQ(small.streams[0].table.chunks.size(), 2u);

  for (const char* p :
       {"limit.wav", "limit_default.avi", "limit_exact.avi", "limit_short.avi", "limit_early.avi"})
    FileRemove(p);
}

TEST(AviWriterOpenDml, TheMostPartsStillFitBeforeOffset2048) {
  // 1 × 1 frames of 4 bytes with one byte of sound: a limit of 2202 bytes
  // leaves the first RIFF one frame (2166 bytes before it, 36 a frame) and
  // each "AVIX" part 107 (56 bytes and 20 a frame); 80 parts hold 8454 frames.
  ASSERT_TRUE(WriteTestWav("most.wav", 1, 8, 11025, Bytes{0x80}));
  const uint32_t frames = 1 + 79 * 107;
  MessageRecorder messages;
  ASSERT_TRUE(
      AviWriterOpen("most.avi", 1, 1, 1, 15, frames, "most.wav", WavReadMode::Streamed, 2202));
  for (uint32_t i = 0; i < frames; ++i) {
    uint8_t frame[4] = {uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16), 0};
    ASSERT_TRUE(AviWriterPutFrame(frame)) << "frame " << i;
  }
  uint8_t extra[4] = {};
  EXPECT_FALSE(AviWriterPutFrame(extra)) << "an 81st part has no room in the super index";
  ASSERT_TRUE(AviWriterClose());
  EXPECT_TRUE(messages.Lines().empty());

  Bytes avi = ReadWhole("most.avi");
  EXPECT_EQ(RiffParts(avi).size(), size_t{kAviWriterMaxParts});
  uint32_t junk = 20 + GetU32(&avi[16]);
  ASSERT_LE(junk + 8, 2048u);
  EXPECT_EQ(GetU32(&avi[junk]), FourCC("JUNK"));
  EXPECT_EQ(junk + 8 + GetU32(&avi[junk + 4]), 2048u);
  AviReader reader;
  ASSERT_EQ(AviReaderOpenFile(reader, "most.avi"), AVIERR_OK);
  EXPECT_TRUE(reader.openDml);
  const AviChunkTable& video = reader.streams.at(0).table;
  ASSERT_EQ(video.chunks.size(), frames);
  for (uint32_t i = 0; i < frames; i += 1000) {
    Bytes expected = {uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16), 0};
    EXPECT_EQ(ChunkBytes(reader, video.chunks[i]), expected) << "frame " << i;
  }
  EXPECT_EQ(ChunkBytes(reader, reader.streams.at(1).table.chunks.at(0)), Bytes{0x80});
  reader = AviReader();
  FileRemove("most.avi");
  FileRemove("most.wav");
}

#ifdef __linux__
// Writes that seek over whole blocks of zeros instead of writing them, so a
// movie of several gigabytes of mostly black frames costs little disk.
ssize_t SparseWrite(void* cookie, const char* data, size_t n) {
  int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
  constexpr size_t kBlock = 64 * 1024;
  for (size_t at = 0; at < n;) {
    size_t len = std::min(kBlock, n - at);
    bool zero = data[at] == 0 && std::memcmp(data + at, data + at + 1, len - 1) == 0;
    if (zero && at + len < n) {
      if (lseek(fd, static_cast<off_t>(len), SEEK_CUR) < 0) return -1;
    } else {
      ssize_t put = write(fd, data + at, len);
      if (put <= 0) return at ? static_cast<ssize_t>(at) : -1;
      len = static_cast<size_t>(put);
    }
    at += len;
  }
  return static_cast<ssize_t>(n);
}

int SparseSeek(void* cookie, off64_t* offset, int whence) {
  off_t at = lseek(static_cast<int>(reinterpret_cast<intptr_t>(cookie)), *offset, whence);
  if (at < 0) return -1;
  *offset = at;
  return 0;
}

int SparseClose(void* cookie) {
  return close(static_cast<int>(reinterpret_cast<intptr_t>(cookie)));
}

TEST(AviWriterOpenDml, PastFourGigabytesOverASparseFile) {
  const std::string path = "odml_large.avi";
  const int32_t width = 4096, height = 4096;  // 48 MiB a frame
  const int frames = 100;                     // 4.7 GiB of frames
  const size_t frameBytes = size_t{width} * height * 3;
  ASSERT_TRUE(AviWriterOpen(path, width, height, 1, 25, frames, ""));
  // From here on the writer's file writes through the sparse writes.
  std::FILE* opened = gAviWriter.file.get();
  ASSERT_EQ(std::fflush(opened), 0);
  int fd = dup(fileno(opened));
  ASSERT_GE(fd, 0);
  std::FILE* sparse = fopencookie(reinterpret_cast<void*>(static_cast<intptr_t>(fd)), "w",
                                  {nullptr, SparseWrite, SparseSeek, SparseClose});
  ASSERT_NE(sparse, nullptr);
  std::setvbuf(sparse, nullptr, _IOFBF, 1 << 20);
  gAviWriter.file.reset(sparse);

  std::vector<uint8_t> frame(frameBytes, 0);
  for (int f = 0; f < frames; ++f) {
    PutU32(frame.data(), 0xA5000000u | static_cast<uint32_t>(f));
    PutU32(frame.data() + frameBytes - 4, static_cast<uint32_t>(f) * 3 + 1);
    ASSERT_TRUE(AviWriterPutFrame(frame.data())) << "frame " << f;
  }
  ASSERT_TRUE(AviWriterClose());

  AviReader reader;
  ASSERT_EQ(AviReaderOpenFile(reader, path), AVIERR_OK);
  EXPECT_GT(reader.source->Size(), uint64_t{1} << 32);
  EXPECT_TRUE(reader.openDml);
  // 2 GiB parts of 42 frames: 42 + 42 + 16.
  EXPECT_EQ(reader.main.dwTotalFrames, 42u);
  const AviChunkTable& video = reader.streams.at(0).table;
  ASSERT_EQ(video.chunks.size(), static_cast<size_t>(frames));
  EXPECT_GT(video.chunks.back().offset, uint64_t{1} << 32);
  for (int f = 0; f < frames; ++f) {
    uint8_t head[4], tail[4];
    ASSERT_EQ(video.chunks[f].size, frameBytes);
    ASSERT_TRUE(reader.source->ReadAt(video.chunks[f].offset, head, 4));
    ASSERT_TRUE(reader.source->ReadAt(video.chunks[f].offset + frameBytes - 4, tail, 4));
    EXPECT_EQ(GetU32(head), 0xA5000000u | static_cast<uint32_t>(f)) << "frame " << f;
    EXPECT_EQ(GetU32(tail), static_cast<uint32_t>(f) * 3 + 1) << "frame " << f;
  }
  reader = AviReader();
  FileRemove(path);
}
#endif

}  // namespace

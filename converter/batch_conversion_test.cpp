#include "converter/batch_conversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"
#include "platform/avi/avi_reader.h"

namespace {
using Bytes = std::vector<uint8_t>;

void Le32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  UniqueFile file = FileOpen(path, "wb");
  ASSERT_TRUE(file);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
}

// A plain temp file of 4 x 2 pictures (24 bytes each) with these frame numbers.
Bytes PlainTemp(int32_t width, int32_t height, int32_t count,
                const std::vector<uint32_t>& numbers) {
  Bytes b = {'Q', 'T', 'M', 'P', 0, 0, 0, 0};
  Le32(b, static_cast<uint32_t>(width));
  Le32(b, static_cast<uint32_t>(height));
  Le32(b, 1);   // scale
  Le32(b, 12);  // rate
  Le32(b, static_cast<uint32_t>(count));
  for (uint32_t n : numbers) {
    Le32(b, n);
    b.insert(b.end(), 24, static_cast<uint8_t>(0x10 + n % 200));
  }
  return b;
}

// A PCM WAV: 8-bit mono 11025 Hz, 4 sound bytes, with the "fmt " chunk's
// size and body as given.
Bytes Wav(uint32_t fmtSize, uint16_t blockAlign = 1, bool data = true) {
  Bytes b = {'R', 'I', 'F', 'F'};
  Le32(b, 0);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Le32(b, fmtSize);
  Bytes fmt = {1, 0, 1, 0};  // PCM, mono
  Le32(fmt, 11025);
  Le32(fmt, 11025);
  fmt.insert(fmt.end(), {static_cast<uint8_t>(blockAlign), 0, 8, 0});
  fmt.resize(std::min<size_t>(fmtSize, 16), 0);
  b.insert(b.end(), fmt.begin(), fmt.end());
  if (data) {
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Le32(b, 4);
    b.insert(b.end(), {0x80, 0x81, 0x82, 0x83});
  }
  return b;
}

struct Movie {
  bool read = false;
  uint32_t frames = 0;
  size_t streams = 0;
  uint64_t bytes = 0;
};

Movie ReadMovie(const std::string& path) {
  Movie m;
  AviReader reader;
  if (AviReaderOpenFile(reader, path) != 0) return m;
  m.streams = reader.streams.size();
  if (m.streams == 0) return m;
  // The main header and the index must agree.
  m.frames = static_cast<uint32_t>(reader.streams[0].table.samples);
  m.read = reader.main.dwTotalFrames == m.frames;
  UniqueFile file = FileOpen(path, "rb");
  if (file && FileSeek64(file.get(), 0, SEEK_END))
    m.bytes = static_cast<uint64_t>(FileTell64(file.get()));
  return m;
}

struct Paths {
  std::string temp, wav, avi;
};

Paths Files(const std::string& name) {
  return {name + ".tmp", name + ".wav", name + ".AVI"};
}

void Clean(const Paths& p) {
  FileRemove(p.temp);
  FileRemove(p.wav);
  FileRemove(p.avi);
}
}  // namespace

// A WAV that opens but is refused costs only the sound, and says so: the line
// names the refusal, the run is not a clean success, and /delete keeps the
// only copy of that sound.
TEST(BatchConversion, RefusedSoundIsReportedAndItsWavKept) {
  Bytes cut = Wav(16);
  cut.resize(30);  // inside "fmt "
  Bytes skipsPastEnd = Wav(16, 1, false);
  skipsPastEnd.insert(skipsPastEnd.end(), {'L', 'I', 'S', 'T', 0xF0, 0xFF, 0xFF, 0x7F});
  struct Case {
    const char* label;
    Bytes wav;
    const char* reason;
  };
  const Case cases[] = {
      {"fmt size 0", Wav(0), "PCM音源ではありませんわ"},
      {"fmt size 6", Wav(6), "PCM音源ではありませんわ"},
      {"fmt size 0xFFFFFFF0", Wav(0xFFFFFFF0u), "dataチャンクが発見できませんでしたわ"},
      {"block align 0", Wav(16, 0), "PCM音源ではありませんわ"},
      {"no data chunk", Wav(16, 1, false), "dataチャンクが発見できませんでしたわ"},
      {"cut inside fmt", cut, "PCM音源ではありませんわ"},
      {"a chunk skipping past the end", skipsPastEnd, "dataチャンクが発見できませんでしたわ"},
  };
  const Paths p = Files("batch_sound");
  for (const Case& c : cases) {
    for (bool deleteAfter : {false, true}) {
      SCOPED_TRACE(std::string(c.label) + (deleteAfter ? " with /delete" : ""));
      WriteBytes(p.temp, PlainTemp(4, 2, 2, {0, 1}));
      WriteBytes(p.wav, c.wav);
      const BatchOutcome out = ConvertBatchFile({p.temp, p.wav, p.avi, deleteAfter});
      std::string expected = "OK " + p.temp + " -> " + p.avi + " (sound refused: " + c.reason + ")";
      if (deleteAfter) expected += " (WAV kept)";
      EXPECT_EQ(out.line, expected);
      EXPECT_EQ(out.status, BatchStatus::Partial);
      EXPECT_NE(BatchExitCode(out.status), 0);
      EXPECT_TRUE(FileExists(p.wav)) << "the only copy of the sound";
      EXPECT_EQ(FileExists(p.temp), !deleteAfter) << "the pictures are all in the movie";
      const Movie movie = ReadMovie(p.avi);
      EXPECT_TRUE(movie.read);
      EXPECT_EQ(movie.streams, 1u);
      EXPECT_EQ(movie.frames, 2u);
      Clean(p);
    }
  }
  // A usable WAV is taken and, with /delete, goes with its temp file.
  WriteBytes(p.temp, PlainTemp(4, 2, 2, {0, 1}));
  WriteBytes(p.wav, Wav(16));
  const BatchOutcome out = ConvertBatchFile({p.temp, p.wav, p.avi, true});
  EXPECT_EQ(out.line, "OK " + p.temp + " -> " + p.avi + " (with sound)");
  EXPECT_EQ(BatchExitCode(out.status), 0);
  EXPECT_FALSE(FileExists(p.wav));
  EXPECT_FALSE(FileExists(p.temp));
  EXPECT_EQ(ReadMovie(p.avi).streams, 2u);
  Clean(p);
}

// A count far beyond the records, or a frame number far beyond the rest,
// once made a movie of two billion frames that filled the disk. The movie
// ends with the last usable record and says how far it got.
TEST(BatchConversion, TemporaryFilesThatClaimTooMuchEndWhereTheirRecordsEnd) {
  Bytes cutInRecord = PlainTemp(4, 2, 5, {0, 1, 2});
  cutInRecord.resize(cutInRecord.size() - 10);
  struct Case {
    const char* label;
    Bytes temp;
    size_t bytes;  // the file as the issue was found with, where that matters
    uint32_t frames;
    const char* remark;
  };
  const Case cases[] = {
      {"count 0x7FFFFFFF, three records", PlainTemp(4, 2, 0x7FFFFFFF, {0, 1, 2}), 112, 3,
       "cut short: 3 of 2147483647 frames"},
      {"count never set, a record numbered 0x7FFFFFFF", PlainTemp(4, 2, -1, {0, 0x7FFFFFFF}), 84, 2,
       "cut short: 2 of 2147483648 frames"},
      // The wild record's picture still shows once; what follows can't be placed.
      {"a jump of more than a day of frames", PlainTemp(4, 2, 1036804, {0, 1, 1036803, 1036803}), 0,
       3, "cut short: 3 of 1036804 frames"},
      {"a jump of a day exactly is a pause", PlainTemp(4, 2, 1036802, {0, 1036801}), 0, 1036802,
       ""},
      {"count 5, the file ends inside the third record", cutInRecord, 0, 2,
       "cut short: 2 of 5 frames"},
  };
  const Paths p = Files("batch_claims");
  for (const Case& c : cases) {
    for (bool deleteAfter : {false, true}) {
      SCOPED_TRACE(std::string(c.label) + (deleteAfter ? " with /delete" : ""));
      if (c.bytes) {
        ASSERT_EQ(c.temp.size(), c.bytes);
      }
      WriteBytes(p.temp, c.temp);
      const BatchOutcome out = ConvertBatchFile({p.temp, "", p.avi, deleteAfter});
      const bool whole = std::string(c.remark).empty();
      std::string expected = "OK " + p.temp + " -> " + p.avi;
      if (!whole) expected += std::string(" (") + c.remark + ")";
      if (!whole && deleteAfter) expected += " (temp file kept)";
      EXPECT_EQ(out.line, expected);
      EXPECT_EQ(out.status, whole ? BatchStatus::Converted : BatchStatus::Partial);
      EXPECT_EQ(FileExists(p.temp), !(whole && deleteAfter));
      const Movie movie = ReadMovie(p.avi);
      EXPECT_TRUE(movie.read);
      EXPECT_EQ(movie.frames, c.frames) << "headers and index hold the frames written";
      EXPECT_LE(movie.bytes, 2048u + 12 + uint64_t{c.frames} * (24 + 8 + 16) + 8);
      Clean(p);
    }
  }
}

// A count of 0, or one the records pass, was a header never patched right:
// the records are converted, and the line says the header was damaged.
TEST(BatchConversion, RecordsPastADamagedCountAreConverted) {
  struct Case {
    int32_t count;
    std::vector<uint32_t> numbers;
    uint32_t frames;
  };
  const Case cases[] = {{0, {0, 1, 2}, 3}, {2, {0, 1, 4}, 5}, {-7, {0, 3}, 4}};
  const Paths p = Files("batch_damaged");
  for (const Case& c : cases) {
    SCOPED_TRACE("count " + std::to_string(c.count));
    WriteBytes(p.temp, PlainTemp(4, 2, c.count, c.numbers));
    const BatchOutcome out = ConvertBatchFile({p.temp, "", p.avi, true});
    EXPECT_EQ(out.line, "OK " + p.temp + " -> " + p.avi + " (header damaged: frame count " +
                            std::to_string(c.count) + ", " + std::to_string(c.frames) +
                            " frames from the records) (temp file kept)");
    EXPECT_EQ(out.status, BatchStatus::Partial);
    EXPECT_TRUE(FileExists(p.temp));
    EXPECT_EQ(ReadMovie(p.avi).frames, c.frames);
    Clean(p);
  }
}

namespace {
uint64_t NoRoom(const std::string&) {
  return 1000;
}
}  // namespace

// What can't be read or written is said as what it is, and keeps the temp file.
TEST(BatchConversion, RefusalsGiveTheirOwnReasons) {
  Bytes shortRows = {'Q', 'T', 'M', 'P', 1, 0, 0, 0};
  for (uint32_t v : {10u, 1u, 1u, 12u, 1u, 39u, 32u})
    Le32(shortRows, v);  // 10 px of 32 bits in 39 bytes
  shortRows.resize(shortRows.size() + 80, 0);
  const std::string unknown = "知らない形式のファイルです。";
  struct Case {
    const char* label;
    Bytes temp;
    FreeSpaceQuery space;
    std::string reason;
  };
  const Paths p = Files("batch_refused");
  const Case cases[] = {
      {"width 0", PlainTemp(0, 2, 1, {0}), nullptr, unknown},
      {"negative height", PlainTemp(4, -2, 1, {0}), nullptr, unknown},
      {"rows shorter than their pixels", shortRows, nullptr, unknown},
      {"a movie larger than the free space", PlainTemp(4, 2, 2, {0, 1}), NoRoom,
       p.avi + " の書き込みに失敗してしまいました"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WriteBytes(p.temp, c.temp);
    FreeSpaceQuery previous = SetFreeSpaceQuery(c.space);
    const BatchOutcome out = ConvertBatchFile({p.temp, "", p.avi, true});
    SetFreeSpaceQuery(previous);
    EXPECT_EQ(out.line, "FAILED " + p.temp + ": " + c.reason);
    EXPECT_EQ(BatchExitCode(out.status), 1);
    EXPECT_TRUE(FileExists(p.temp));
    EXPECT_FALSE(FileExists(p.avi)) << "nothing written";
    Clean(p);
  }
}

TEST(BatchConversion, TheWorstFileDecidesTheExitCode) {
  using S = BatchStatus;
  struct Case {
    S a, b;
    int code;
  };
  for (Case c : {Case{S::Converted, S::Converted, 0}, Case{S::Converted, S::Partial, 2},
                 Case{S::Partial, S::Failed, 1}, Case{S::Failed, S::Converted, 1}}) {
    EXPECT_EQ(BatchExitCode(BatchWorse(c.a, c.b)), c.code);
    EXPECT_EQ(BatchExitCode(BatchWorse(c.b, c.a)), c.code);
  }
}

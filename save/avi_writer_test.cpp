#include "save/avi_writer.h"

#include <gtest/gtest.h>

#include "testing/file_bytes.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "testing/message_recorder.h"

namespace {

void WriteWhole(const std::string& path, const Bytes& bytes) {
  UniqueFile file = FileOpen(path, "wb");
  ASSERT_NE(file, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
}

// Golden files are spelled out field by field.
struct Golden {
  Bytes bytes;
  Golden& Tag(const char* t) {
    bytes.insert(bytes.end(), t, t + 4);
    return *this;
  }
  Golden& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    return *this;
  }
  Golden& U16(uint16_t v) {
    bytes.push_back(uint8_t(v));
    bytes.push_back(uint8_t(v >> 8));
    return *this;
  }
  Golden& Text(const char* t, size_t n) {
    bytes.insert(bytes.end(), t, t + n);
    return *this;
  }
  Golden& Zeros(size_t n) {
    bytes.insert(bytes.end(), n, 0);
    return *this;
  }
  Golden& Raw(const Bytes& b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
  }
};

struct WavLayout {
  uint16_t tag = 1, channels = 1;
  uint32_t rate = 11025;
  uint16_t blockAlign = 1, bits = 8;
  uint32_t fmtSize = 18;  // bytes of the "fmt " chunk
  bool listBeforeData = false;
  bool fmtFirst = true;
  int32_t declaredData = -1;  // data size field; -1: the real size
};

Bytes MakeWav(const WavLayout& layout, const Bytes& data) {
  Golden fmt;
  fmt.U16(layout.tag)
      .U16(layout.channels)
      .U32(layout.rate)
      .U32(layout.rate * layout.blockAlign)
      .U16(layout.blockAlign)
      .U16(layout.bits)
      .U16(0);
  fmt.bytes.resize(layout.fmtSize, 0xEE);  // longer chunks carry junk behind the 18 bytes
  Golden chunks;
  Golden list;
  list.Tag("LIST").U32(10).Text("INFOabcdef", 10);
  if (!layout.fmtFirst) chunks.Raw(list.bytes);
  chunks.Tag("fmt ").U32(layout.fmtSize).Raw(fmt.bytes);
  if (layout.listBeforeData) chunks.Raw(list.bytes);
  chunks.Tag("data")
      .U32(layout.declaredData < 0 ? uint32_t(data.size()) : uint32_t(layout.declaredData))
      .Raw(data);
  Golden wav;
  wav.Tag("RIFF").U32(uint32_t(4 + chunks.bytes.size())).Tag("WAVE").Raw(chunks.bytes);
  return wav.bytes;
}

Bytes RandomBytes(std::mt19937& random, size_t n) {
  Bytes out(n);
  for (auto& b : out) b = uint8_t(random());
  return out;
}

// The part of a file every uncompressed movie of this writer starts with, up to
// the "strn" of the video stream, for a movie of w × h pixels.
void VideoHeaders(Golden& g, uint32_t streams, uint32_t hdrlSize, uint32_t usPerFrame,
                  uint32_t frames, uint32_t w, uint32_t h, uint32_t scale, uint32_t rate,
                  uint32_t imageSize) {
  g.Tag("LIST").U32(hdrlSize).Tag("hdrl");
  g.Tag("avih").U32(56);
  g.U32(usPerFrame).U32(6144).U32(2048).U32(0x810).U32(frames).U32(0).U32(streams).U32(0);
  g.U32(w).U32(h).Zeros(16);
  g.Tag("LIST").U32(144).Tag("strl");
  g.Tag("strh").U32(64).Tag("vids").Tag("DIB ").U32(0).U16(0).U16(0).U32(0);
  g.U32(scale).U32(rate).U32(0).U32(frames).U32(0).U32(0xFFFFFFFF).U32(0);
  g.U32(0).U32(0).U32(w).U32(h);
  g.Tag("strf").U32(40);
  g.U32(40).U32(w).U32(h).U16(1).U16(24).U32(0).U32(imageSize).Zeros(16);
  g.Tag("strn").U32(11).Text("QUILVA:AVI", 11).Zeros(1);
}

TEST(AviWriter, GoldenMovieWithoutSound) {
  const std::string path = "golden_video.avi";
  MessageRecorder messages;
  // 1 × 1 pixels: three bytes and one pad byte per frame.
  ASSERT_TRUE(AviWriterOpen(path, 1, 1, 1, 15, 3, ""));
  const Bytes frames[] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  for (const Bytes& f : frames) EXPECT_TRUE(AviWriterPutFrame(f.data()));
  EXPECT_TRUE(AviWriterClose());

  Golden g;
  g.Tag("RIFF").U32(2144).Tag("AVI ");  // file of 2152 bytes
  VideoHeaders(g, 1, 220, 66666, 3, 1, 1, 1, 15, 4);
  ASSERT_EQ(g.bytes.size(), 240u);
  g.Tag("JUNK").U32(1800).Zeros(1800);
  g.Tag("LIST").U32(40).Tag("movi");  // 4 + 3 × 12
  for (const Bytes& f : frames) g.Tag("00db").U32(4).Raw(f);
  g.Tag("idx1").U32(48);
  g.Tag("00db").U32(0x10).U32(4).U32(4);
  g.Tag("00db").U32(0x10).U32(16).U32(4);
  g.Tag("00db").U32(0x10).U32(28).U32(4);
  EXPECT_EQ(ReadWhole(path), g.bytes);
  EXPECT_TRUE(messages.Lines().empty());
  FileRemove(path);
}

TEST(AviWriter, GoldenMovieWithOddSizedSound) {
  std::mt19937 random(3);
  const Bytes sound = RandomBytes(random, 1001);
  WriteWhole("golden.wav", MakeWav(WavLayout{}, sound));  // 8-bit mono, 11025 per second
  for (WavReadMode mode : {WavReadMode::Streamed, WavReadMode::InMemory}) {
    SCOPED_TRACE(mode == WavReadMode::Streamed ? "streamed" : "in memory");
    const std::string path = "golden_sound.avi";
    ASSERT_TRUE(AviWriterOpen(path, 1, 1, 1, 15, 2, "golden.wav", mode));
    const Bytes frames[] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    for (const Bytes& f : frames) AviWriterPutFrame(f.data());
    EXPECT_TRUE(AviWriterClose());

    Golden g;
    g.Tag("RIFF").U32(3142).Tag("AVI ");  // file of 3150 bytes
    VideoHeaders(g, 2, 352, 66666, 2, 1, 1, 1, 15, 4);
    g.Tag("LIST").U32(124).Tag("strl");
    g.Tag("strh").U32(64).Tag("auds").U32(0).U32(0).U16(0).U16(0).U32(0);
    g.U32(1).U32(11025).U32(0).U32(1001).U32(1001).U32(0).U32(1);  // length 1001 blocks of 1
    g.Zeros(16);
    g.Tag("strf").U32(18);
    g.U16(1).U16(1).U32(11025).U32(11025).U16(1).U16(8).U16(0);
    g.Tag("strn").U32(13).Text("QUILVA:AUDIO", 13).Zeros(1);
    ASSERT_EQ(g.bytes.size(), 372u);
    g.Tag("JUNK").U32(1668).Zeros(1668);
    g.Tag("LIST").U32(1038).Tag("movi");  // 4 + 8 + 1001 + 1 + 2 × 12
    g.Tag("01wb").U32(1001).Raw(sound);   // odd length: the size field says 1001...
    g.Zeros(1);                           // ...and a pad byte keeps the next chunk even
    ASSERT_EQ(g.bytes.size(), 3070u);     // the first frame chunk
    for (const Bytes& f : frames) g.Tag("00db").U32(4).Raw(f);
    g.Tag("idx1").U32(48);
    g.Tag("01wb").U32(1).U32(4).U32(1001);
    g.Tag("00db").U32(0x10).U32(1014).U32(4);
    g.Tag("00db").U32(0x10).U32(1026).U32(4);
    EXPECT_EQ(ReadWhole(path), g.bytes);
    FileRemove(path);
  }
  FileRemove("golden.wav");
}

// Offsets of a few fields in a movie with sound (the sound stream list starts at 240).
struct SoundFields {
  uint32_t streams, rate, length, bufferSize, sampleSize, dataBytes;
};
SoundFields ReadSoundFields(const Bytes& avi) {
  return {GetU32(&avi[32 + 24]),  GetU32(&avi[260 + 24]), GetU32(&avi[260 + 32]),
          GetU32(&avi[260 + 36]), GetU32(&avi[260 + 44]), GetU32(&avi[2064])};
}

TEST(AviWriter, WavFilesThatGiveTheirSound) {
  std::mt19937 random(4);
  const Bytes data = RandomBytes(random, 4000);
  struct Case {
    const char* label;
    WavLayout layout;
    uint32_t expectedBytes;
  };
  WavLayout stereo16;
  stereo16.channels = 2;
  stereo16.bits = 16;
  stereo16.blockAlign = 4;
  stereo16.rate = 22050;
  WavLayout withList;
  withList.listBeforeData = true;
  WavLayout longFmt;
  longFmt.fmtSize = 40;
  WavLayout shortFmt;
  shortFmt.fmtSize = 16;
  WavLayout overstated;
  overstated.declaredData = 100000;  // a file cut off after its header was patched
  const Case cases[] = {
      {"16-bit stereo", stereo16, 4000},
      {"LIST between fmt and data", withList, 4000},
      {"fmt chunk of 40 bytes", longFmt, 4000},
      {"fmt chunk of 16 bytes", shortFmt, 4000},
      {"data size beyond the file", overstated, 4000},
  };
  for (const Case& c : cases) {
    for (WavReadMode mode : {WavReadMode::Streamed, WavReadMode::InMemory}) {
      SCOPED_TRACE(std::string(c.label) +
                   (mode == WavReadMode::Streamed ? " streamed" : " in memory"));
      WriteWhole("sound.wav", MakeWav(c.layout, data));
      MessageRecorder messages;
      ASSERT_TRUE(AviWriterOpen("sound.avi", 2, 2, 1, 10, 0, "sound.wav", mode));
      EXPECT_TRUE(AviWriterClose());
      EXPECT_TRUE(messages.Lines().empty());
      Bytes avi = ReadWhole("sound.avi");
      ASSERT_GT(avi.size(), 2068u);
      SoundFields f = ReadSoundFields(avi);
      EXPECT_EQ(f.streams, 2u);
      EXPECT_EQ(f.rate, c.layout.rate);
      EXPECT_EQ(f.sampleSize, c.layout.blockAlign);
      EXPECT_EQ(f.length, c.expectedBytes / c.layout.blockAlign);
      EXPECT_EQ(f.bufferSize, c.expectedBytes);
      EXPECT_EQ(f.dataBytes, c.expectedBytes);
      EXPECT_EQ(Bytes(avi.begin() + 2068, avi.begin() + 2068 + c.expectedBytes),
                Bytes(data.begin(), data.begin() + c.expectedBytes));
      // the format as stored, extra size 0 also when the chunk had only 16 bytes
      EXPECT_EQ(GetU16(&avi[332 + 16]), 0);
      // frame count 0: the index holds the sound entry alone
      EXPECT_EQ(GetU32(&avi[2060 + 8 + c.expectedBytes + 4]), 16u);
      EXPECT_EQ(avi.size(), 2068 + c.expectedBytes + 8 + 16);
    }
  }
  FileRemove("sound.wav");
  FileRemove("sound.avi");
}

TEST(AviWriter, WavProblemsCostOnlyTheSound) {
  const Bytes data(100, 0x80);
  Bytes notRiff = MakeWav(WavLayout{}, data);
  notRiff[0] = 'X';
  Bytes notWave = MakeWav(WavLayout{}, data);
  notWave[8] = 'X';
  WavLayout listFirst;
  listFirst.fmtFirst = false;
  WavLayout adpcm;
  adpcm.tag = 2;
  WavLayout noAlign;
  noAlign.blockAlign = 0;
  Bytes noData = MakeWav(WavLayout{}, data);
  noData.resize(12 + 8 + 18);  // ends behind the format chunk
  struct Case {
    const char* label;
    Bytes wav;
    std::string streamed, inMemory;  // message lines; "" for none
  };
  const std::string p = "problem.wav";
  const Case cases[] = {
      {"not RIFF", notRiff, "あら？: problem.wav はRIFFファイルではありませんでした",
       "あら？: problem.wav はRIFFファイルではありませんでした"},
      {"not WAVE", notWave, "あら？: problem.wav はWAVEファイルではありませんでした",
       "あら？: problem.wav はWAVEファイルではありませんでした"},
      {"LIST before fmt", MakeWav(listFirst, data),
       "あら？: problem.wav はfmt ファイルではありませんでした",
       "あら？: problem.wav はfmt ファイルではありませんでした"},
      {"not PCM", MakeWav(adpcm, data), "それは困ります: PCM音源ではありませんわ",
       "それは困ります: PCM音源ではありませんわ"},
      {"block alignment 0", MakeWav(noAlign, data), "それは困ります: PCM音源ではありませんわ",
       "それは困ります: PCM音源ではありませんわ"},
      {"no data chunk", noData, "それは困ります: dataチャンクが発見できませんでしたわ", ""},
  };
  Bytes frame(16, 0x42);
  for (const Case& c : cases) {
    for (WavReadMode mode : {WavReadMode::Streamed, WavReadMode::InMemory}) {
      SCOPED_TRACE(std::string(c.label) +
                   (mode == WavReadMode::Streamed ? " streamed" : " in memory"));
      WriteWhole(p, c.wav);
      MessageRecorder messages;
      ASSERT_TRUE(AviWriterOpen("nosound.avi", 2, 2, 1, 10, 1, p, mode));
      EXPECT_TRUE(AviWriterPutFrame(frame.data()));
      EXPECT_TRUE(AviWriterClose());
      const std::string& expected = mode == WavReadMode::Streamed ? c.streamed : c.inMemory;
      EXPECT_EQ(messages.Lines(),
                expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected});
      Bytes avi = ReadWhole("nosound.avi");
      ASSERT_EQ(avi.size(), 2048u + 12 + 24 + 8 + 16);
      EXPECT_EQ(GetU32(&avi[56]), 1u) << "one stream";
      EXPECT_EQ(GetU32(&avi[240]), FourCC("JUNK"));
      EXPECT_EQ(GetU32(&avi[2060]), FourCC("00db"));
    }
  }
  MessageRecorder messages;
  ASSERT_TRUE(AviWriterOpen("nosound.avi", 2, 2, 1, 10, 0, "missing.wav"));
  AviWriterClose();
  EXPECT_EQ(messages.Lines(),
            std::vector<std::string>{"あら？: missing.wav を開くのに失敗しました"});
  FileRemove(p);
  FileRemove("nosound.avi");
}

namespace {
uint64_t RoomForAnything(const std::string&) {
  return UINT64_MAX;
}
}  // namespace

TEST(AviWriter, RefusedMovies) {
  // The limits of the format, whatever room the disk has.
  FreeSpaceQuery previous = SetFreeSpaceQuery(RoomForAnything);
  MessageRecorder messages;
  const std::string tooLarge = "それは困ります: 4GBを超えるAVIファイルは作れませんわ";
  const std::string tooManyParts = "それは困ります: 大きすぎて、AVIファイルに収まりませんわ";
  const std::string badShape = "それは困ります: 動画の大きさかフレームレートが正しくありませんわ";
  // 1024 × 768 frames are 2,359,296 bytes. Past 2 GiB the movie goes on in
  // RIFF parts of 910 frames each (2,359,296 + 8 bytes a chunk, 8 bytes of
  // "ix00" entry, and in the first part 16 bytes of "idx1" entry), 80 parts at
  // most: 72,800 frames fit, one more doesn't.
  EXPECT_TRUE(AviWriterOpen("big.avi", 1024, 768, 1, 12, 1821, ""));
  AviWriterClose();
  EXPECT_TRUE(AviWriterOpen("big.avi", 1024, 768, 1, 12, 72800, ""));
  AviWriterClose();
  EXPECT_FALSE(AviWriterOpen("big.avi", 1024, 768, 1, 12, 72801, ""));
  EXPECT_FALSE(AviWriterOpen("big.avi", 0x7FFFFFFF, 0x7FFFFFFF, 1, 12, 1, ""));
  EXPECT_FALSE(AviWriterOpen("big.avi", -4, 4, 1, 12, 1, ""));
  EXPECT_FALSE(AviWriterOpen("big.avi", 4, 0, 1, 12, 1, ""));
  EXPECT_FALSE(AviWriterOpen("big.avi", 4, 4, 1, 0, 1, ""));
  EXPECT_EQ(messages.Lines(),
            (std::vector<std::string>{tooManyParts, tooLarge, badShape, badShape, badShape}));
  EXPECT_FALSE(AviWriterPutFrame(nullptr)) << "a failed open leaves the writer closed";
  EXPECT_TRUE(AviWriterClose());

  // A limit below one frame can't split the movie: it is written in one RIFF
  // while that can hold it, and refused beyond.
  MessageRecorder more;
  Bytes frame(16, 3);
  ASSERT_TRUE(AviWriterOpen("big.avi", 2, 2, 1, 12, 2, "", WavReadMode::Streamed, 100));
  EXPECT_TRUE(AviWriterPutFrame(frame.data()));
  EXPECT_TRUE(AviWriterPutFrame(frame.data()));
  EXPECT_TRUE(AviWriterClose());
  EXPECT_EQ(ReadWhole("big.avi").size(), 2060u + 2 * 24 + 8 + 2 * 16);
  EXPECT_FALSE(AviWriterOpen("big.avi", 1024, 768, 1, 12, 1821, "", WavReadMode::Streamed, 100));
  EXPECT_EQ(more.Lines(), std::vector<std::string>{tooLarge});

  FileRemove("big.avi");
  SetFreeSpaceQuery(previous);
}

TEST(AviWriter, OutputThatCannotBeCreated) {
  MessageRecorder messages;
  EXPECT_FALSE(AviWriterOpen("no_such_folder/x.avi", 4, 4, 1, 12, 1, ""));
  EXPECT_EQ(messages.Lines(),
            std::vector<std::string>{"しっぱいやぁ～: ファイルが開けへんかったぁ"});
  EXPECT_FALSE(AviWriterPutFrame(nullptr));
}

TEST(AviWriter, MicrosecondsPerFrameAndReopening) {
  struct Case {
    uint32_t scale, rate, expected;
  };
  for (Case c : {Case{1, 15, 66666}, Case{1, 12, 83333}, Case{1001, 30000, 33366},
                 Case{10000, 1, 0xFFFFFFFF}}) {
    ASSERT_TRUE(AviWriterOpen("rate.avi", 2, 2, c.scale, c.rate, 0, ""));
    AviWriterClose();
    Bytes avi = ReadWhole("rate.avi");
    EXPECT_EQ(GetU32(&avi[32]), c.expected) << c.scale << "/" << c.rate;
    EXPECT_EQ(GetU32(&avi[108 + 20]), c.scale);
    EXPECT_EQ(GetU32(&avi[108 + 24]), c.rate);
  }
  // Opening again while a file is open drops the first file's index.
  Bytes frame(16, 1);
  ASSERT_TRUE(AviWriterOpen("first.avi", 2, 2, 1, 12, 1, ""));
  AviWriterPutFrame(frame.data());
  ASSERT_TRUE(AviWriterOpen("rate.avi", 2, 2, 1, 12, 1, ""));
  AviWriterPutFrame(frame.data());
  EXPECT_TRUE(AviWriterClose());
  EXPECT_EQ(ReadWhole("first.avi").size(), 2060u + 24) << "no index, no RIFF size";
  EXPECT_EQ(ReadWhole("rate.avi").size(), 2060u + 24 + 8 + 16);
  FileRemove("first.avi");
  FileRemove("rate.avi");
}

#ifdef __linux__
TEST(AviWriter, FullDiskIsReportedAtClose) {
  MessageRecorder messages;
  ASSERT_TRUE(AviWriterOpen("/dev/full", 64, 64, 1, 12, 3, ""));
  Bytes frame(64 * 64 * 3, 7);
  AviWriterPutFrame(frame.data());
  AviWriterPutFrame(frame.data());
  AviWriterPutFrame(frame.data());
  EXPECT_FALSE(AviWriterClose());
  EXPECT_EQ(messages.Lines(),
            std::vector<std::string>{"しっぱいやぁ～: /dev/full の書き込みに失敗してしまいました"});
}
#endif

}  // namespace

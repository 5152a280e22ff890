#include "capture/temp_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#if defined(__unix__)
#include <signal.h>
#include <sys/resource.h>
#endif

#include "common/bytes.h"
#include "testing/file_bytes.h"
#include "testing/message_recorder.h"

namespace {

void WriteWhole(const std::string& path, const Bytes& bytes) {
  UniqueFile file = FileOpen(path, "wb");
  ASSERT_NE(file, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
}

void Le32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A recording made through the writer: pictures[i] is grabbed with frameNumbers[i].
struct Recording {
  TempFileHeader header;
  TempSurfaceFormat format;
  Bytes referencePalette, reference;
  std::vector<Bytes> palettes, pictures;
  std::vector<int32_t> frameNumbers;
};

void Record(const std::string& path, const Recording& r, bool close = true) {
  ASSERT_TRUE(CreateTempCaptureFile(
      path, r.header, r.header.surfaceFlag ? &r.format : nullptr,
      r.referencePalette.empty() ? nullptr : r.referencePalette.data(), r.reference.data()));
  for (size_t i = 0; i < r.pictures.size(); ++i) {
    const Bytes& prevFrame = i ? r.pictures[i - 1] : r.reference;
    const Bytes* pal = r.palettes.empty() ? nullptr : &r.palettes[i];
    const Bytes* prevPal =
        r.palettes.empty() ? nullptr : (i ? &r.palettes[i - 1] : &r.referencePalette);
    ASSERT_TRUE(AppendRecord(r.frameNumbers[i], pal ? pal->data() : nullptr,
                             prevPal ? prevPal->data() : nullptr, r.pictures[i].data(),
                             prevFrame.data()));
  }
  if (close) {
    EXPECT_TRUE(CloseTempCaptureFile());
  } else {
    gTempCaptureFile.file.reset();  // as if the recorder died: the count stays unset
  }
}

Bytes RandomBytes(std::mt19937& random, size_t n) {
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(random());
  return out;
}

// Changes a few places of a picture, as consecutive grabs do.
Bytes Nudge(std::mt19937& random, Bytes picture) {
  for (int k = 0; k < 5; ++k)
    picture[random() % picture.size()] ^= static_cast<uint8_t>(1 + random() % 255);
  return picture;
}

struct Emitted {
  int64_t first, count;
  Bytes frame, palette;
};

std::vector<Emitted> ReadAllPictures(const std::string& path, TempFileReader* reader) {
  std::vector<Emitted> out;
  if (!TempFileReaderOpen(reader, path)) return out;
  TempPicture picture;
  while (TempFileReadPicture(reader, &picture)) {
    out.push_back(
        {picture.firstIndex, picture.count,
         Bytes(reader->frame.get(), reader->frame.get() + reader->sizes.frameBytes),
         Bytes(reader->palette.get(), reader->palette.get() + reader->sizes.paletteBytes)});
  }
  return out;
}

TEST(TempFile, GoldenBytesOfACodedOnePixelFile) {
  const std::string path = "golden_run.tmp";
  Recording r;
  r.header.codec = kTempCodecRunXor;
  r.header.width = 1;
  r.header.height = 1;
  r.header.scale = 1;
  r.header.rate = 15;
  r.reference = {0x10, 0x20, 0x30, 0x00};  // 1 × 1: stride 4, one pad byte
  r.pictures = {{0x10, 0x21, 0x30, 0x00}, {0x10, 0x21, 0x30, 0x00}};
  r.frameNumbers = {0, 5};
  Record(path, r);
  Bytes expected = {'Q',  'T', 'M', 'P',
                    0x00,         // surface flag: DIB rows
                    0x02,         // codec: XOR runs
                    0x00, 0x00};  // reserved
  Le32(expected, 1);              // width
  Le32(expected, 1);              // height
  Le32(expected, 1);              // scale
  Le32(expected, 15);             // rate
  Le32(expected, 6);              // frame count: last frame number 5 + 1
  expected.insert(expected.end(), {0x10, 0x20, 0x30, 0x00});  // reference frame, plain
  Le32(expected, 0);                                          // record 1: frame number
  // flag 1010 0000: run of 1 (token 0), XOR 0x01, run of 2 (token 1), rest meaningless
  expected.insert(expected.end(), {0xA0, 0x00, 0x01, 0x01, 0, 0, 0, 0, 0});
  Le32(expected, 5);  // record 2: nothing changed, one run of 4
  expected.insert(expected.end(), {0x80, 0x03, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(ReadWhole(path), expected);
  FileRemove(path);
}

TEST(TempFile, FormatBlockAndPlainRecords) {
  std::mt19937 random(2);
  const std::string path = "format_block.tmp";
  struct Case {
    int32_t bits;
    size_t formatBytes;
    size_t paletteBytes;
  };
  for (Case c : {Case{16, 20, 0}, Case{32, 8, 0}, Case{8, 8, 1024}, Case{4, 8, 64}}) {
    SCOPED_TRACE(c.bits);
    Recording r;
    r.header.surfaceFlag = 1;
    r.header.codec = kTempCodecPlain;
    r.header.width = 5;
    r.header.height = 3;
    r.format.bitsPerPixel = c.bits;
    r.format.rowBytes = 24;
    r.format.redMask = 0xF800;
    r.format.greenMask = 0x07E0;
    r.format.blueMask = 0x001F;
    r.reference.assign(72, 0);
    r.pictures = {RandomBytes(random, 72)};
    if (c.paletteBytes) r.palettes = {RandomBytes(random, c.paletteBytes)};
    r.frameNumbers = {0};
    Record(path, r);
    Bytes file = ReadWhole(path);
    // No reference frame in a plain file: the record follows the format block.
    ASSERT_EQ(file.size(), kTempHeaderBytes + c.formatBytes + 4 + c.paletteBytes + 72);
    EXPECT_EQ(GetU32(&file[28]), 24u);
    EXPECT_EQ(GetU32(&file[32]), static_cast<uint32_t>(c.bits));
    if (c.bits == 16) {
      EXPECT_EQ(GetU32(&file[36]), 0xF800u);
      EXPECT_EQ(GetU32(&file[40]), 0x07E0u);
      EXPECT_EQ(GetU32(&file[44]), 0x001Fu);
    }
    size_t at = kTempHeaderBytes + c.formatBytes + 4;
    if (c.paletteBytes) {
      EXPECT_EQ(Bytes(file.begin() + at, file.begin() + at + c.paletteBytes), r.palettes[0]);
    }
    EXPECT_EQ(Bytes(file.end() - 72, file.end()), r.pictures[0]);

    TempFileReader reader;
    auto pictures = ReadAllPictures(path, &reader);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].frame, r.pictures[0]);
    if (c.paletteBytes) {
      EXPECT_EQ(pictures[0].palette, r.palettes[0]);
    }
  }
  FileRemove(path);
}

// Every codec and both surface kinds: what was recorded comes back record by
// record, each filling the indices its frame number says.
TEST(TempFile, RecordsReadBackInOrder) {
  std::mt19937 random(42);
  const std::string path = "roundtrip.tmp";
  for (uint8_t codec : {kTempCodecPlain, kTempCodecFlagXor, kTempCodecRunXor}) {
    for (uint8_t surface : {0, 1}) {
      SCOPED_TRACE("codec " + std::to_string(codec) + " surface " + std::to_string(surface));
      Recording r;
      r.header.surfaceFlag = surface;
      r.header.codec = codec;
      r.header.width = 7;
      r.header.height = 5;
      size_t frameBytes = 24 * 5;  // stride of 7 pixels of 24 bits is 24
      if (surface) {
        r.format.bitsPerPixel = 8;
        r.format.rowBytes = 8;
        frameBytes = 8 * 5;
        r.referencePalette = RandomBytes(random, 1024);
      }
      r.reference = RandomBytes(random, frameBytes);
      r.frameNumbers = {0, 0, 3, 3, 4, 9};
      Bytes picture = r.reference, palette = r.referencePalette;
      for (size_t i = 0; i < r.frameNumbers.size(); ++i) {
        picture = Nudge(random, picture);
        r.pictures.push_back(picture);
        if (surface) {
          palette = Nudge(random, palette);
          r.palettes.push_back(palette);
        }
      }
      Record(path, r);
      TempFileReader reader;
      auto pictures = ReadAllPictures(path, &reader);
      ASSERT_EQ(reader.frameCount, 10);
      ASSERT_EQ(pictures.size(), 6u);
      const int64_t first[] = {0, 1, 1, 4, 4, 5};
      const int64_t count[] = {1, 0, 3, 0, 1, 5};
      for (size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pictures[i].first, first[i]);
        EXPECT_EQ(pictures[i].count, count[i]);
        EXPECT_EQ(pictures[i].frame, r.pictures[i]);
        if (surface) {
          EXPECT_EQ(pictures[i].palette, r.palettes[i]);
        }
      }
      EXPECT_EQ(reader.countState, TempCountState::Matches);
    }
  }
  FileRemove(path);
}

TEST(TempFile, FrameNumberRules) {
  std::mt19937 random(8);
  const std::string path = "numbers.tmp";
  Recording r;
  r.header.codec = kTempCodecFlagXor;
  r.header.width = 2;
  r.header.height = 2;
  r.reference = RandomBytes(random, 16);
  r.pictures = {RandomBytes(random, 16), RandomBytes(random, 16)};
  r.frameNumbers = {2, 4};
  Record(path, r);
  TempFileReader reader;
  auto pictures = ReadAllPictures(path, &reader);
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[0].first, 0);  // the first picture stands in for indices 0 and 1 too
  EXPECT_EQ(pictures[0].count, 3);
  EXPECT_EQ(pictures[1].first, 3);
  EXPECT_EQ(pictures[1].count, 2);

  // A record past the count means the count is wrong: the records decide.
  UniqueFile file = FileOpen(path, "r+b");
  ASSERT_NE(file, nullptr);
  std::fseek(file.get(), 24, SEEK_SET);
  uint8_t two[4] = {2, 0, 0, 0};
  std::fwrite(two, 1, 4, file.get());
  file.reset();
  pictures = ReadAllPictures(path, &reader);
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(reader.frameCount, 5);
  EXPECT_EQ(reader.countState, TempCountState::Damaged);
  FileRemove(path);
}

// A recorder that dies leaves its last record half written and the count unset.
TEST(TempFile, FileCutInsideARecord) {
  std::mt19937 random(77);
  const std::string path = "cut.tmp";
  for (uint8_t codec : {kTempCodecPlain, kTempCodecFlagXor, kTempCodecRunXor}) {
    Recording r;
    r.header.codec = codec;
    r.header.width = 16;
    r.header.height = 4;
    r.reference = RandomBytes(random, 192);
    r.frameNumbers = {0, 1, 3};
    Bytes picture = r.reference;
    for (int i = 0; i < 3; ++i) r.pictures.push_back(picture = RandomBytes(random, 192));
    Record(path, r, false);
    Bytes whole = ReadWhole(path);
    size_t thirdRecord = whole.size();
    {
      // Where the third record starts: read two records and ask the stream.
      TempFileReader reader;
      ASSERT_TRUE(TempFileReaderOpen(&reader, path));
      TempPicture p;
      ASSERT_TRUE(TempFileReadPicture(&reader, &p));
      ASSERT_TRUE(TempFileReadPicture(&reader, &p));
      thirdRecord = static_cast<size_t>(std::ftell(reader.file.get()));
    }
    for (size_t cut : {thirdRecord + 2, thirdRecord + 4, thirdRecord + 30, whole.size() - 1}) {
      SCOPED_TRACE("codec " + std::to_string(codec) + " cut at " + std::to_string(cut));
      WriteWhole(path, Bytes(whole.begin(), whole.begin() + cut));
      TempFileReader reader;
      auto pictures = ReadAllPictures(path, &reader);
      EXPECT_EQ(reader.frameCount, 2) << "counted from the whole records";
      ASSERT_EQ(pictures.size(), 2u);
      EXPECT_EQ(pictures[0].frame, r.pictures[0]);
      EXPECT_EQ(pictures[1].frame, r.pictures[1]);
      EXPECT_TRUE(reader.partialRecord);
      EXPECT_EQ(reader.countState, TempCountState::NeverSet);
    }
    // A file whose count was written but whose tail went missing ends with
    // its last whole record; nothing stands in for the frames it lacks.
    Bytes patched(whole.begin(), whole.begin() + thirdRecord + 3);
    PutU32(&patched[24], 4);
    WriteWhole(path, patched);
    TempFileReader reader;
    auto pictures = ReadAllPictures(path, &reader);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(reader.frameCount, 2);
    EXPECT_EQ(reader.claimedCount, 4);
    EXPECT_EQ(reader.countState, TempCountState::CutShort);
  }
  FileRemove(path);
}

TEST(TempFile, DamagedOrForeignFilesAreRefused) {
  const std::string path = "damaged.tmp";
  auto header = [](uint8_t surface, uint8_t codec, int32_t w, int32_t h) {
    Bytes b = {'Q', 'T', 'M', 'P', surface, codec, 0, 0};
    Le32(b, static_cast<uint32_t>(w));
    Le32(b, static_cast<uint32_t>(h));
    Le32(b, 1);
    Le32(b, 12);
    Le32(b, 1);
    return b;
  };
  const std::string unknown = "あら？: 知らない形式のファイルです。";
  const std::string readFailed = "大変です: 一時ファイルの読み込みに失敗しました";
  struct Case {
    const char* label;
    Bytes bytes;
    std::string message;
  };
  Bytes notQtmp = header(0, 0, 1, 1);
  notQtmp[0] = 'R';
  Bytes bits7 = header(1, 0, 1, 1);
  Le32(bits7, 4);
  Le32(bits7, 7);
  Bytes shortRows = header(1, 0, 10, 1);
  Le32(shortRows, 39);  // 10 pixels of 32 bits need 40
  Le32(shortRows, 32);
  Bytes zeroMask = header(1, 0, 1, 1);
  for (uint32_t v : {4u, 16u, 0xF800u, 0u, 0x1Fu}) Le32(zeroMask, v);
  Bytes hugeRows = header(1, 0, 1, 0x7FFFFFFF);
  Le32(hugeRows, 0x7FFFFFFF);
  Le32(hugeRows, 8);
  Bytes noPicture = header(0, 1, 100, 100);  // the reference frame would need 30000 bytes
  noPicture.resize(noPicture.size() + 500);
  const Case cases[] = {
      {"not QTMP", notQtmp, unknown},
      {"too short for a header", Bytes{'Q', 'T', 'M', 'P', 0}, unknown},
      {"codec 3", header(0, 3, 1, 1), unknown},
      {"surface flag 2", header(2, 0, 1, 1), unknown},
      {"7 bits per pixel", bits7, unknown},
      {"zero 16-bit mask", zeroMask, unknown},
      {"negative width", header(0, 0, -5, 1), unknown},
      {"zero height", header(0, 0, 5, 0), unknown},
      {"frame size overflows", header(0, 0, 0x7FFFFFFF, 0x7FFFFFFF), unknown},
      {"rows shorter than their pixels", shortRows, unknown},
      {"absurd surface", hugeRows, unknown},
      {"file shorter than one picture", noPicture, readFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WriteWhole(path, c.bytes);
    MessageRecorder messages;
    TempFileReader reader;
    EXPECT_FALSE(TempFileReaderOpen(&reader, path));
    EXPECT_EQ(messages.Lines(), std::vector<std::string>{c.message});
    TempPicture p;
    EXPECT_FALSE(TempFileReadPicture(&reader, &p));
  }
  FileRemove(path);
  MessageRecorder messages;
  TempFileReader reader;
  EXPECT_FALSE(TempFileReaderOpen(&reader, "no_such_file.tmp"));
  EXPECT_EQ(messages.Lines(), std::vector<std::string>{readFailed});
}

TEST(TempFile, EmptyRecordingGivesAnEmptyMovie) {
  const std::string path = "empty.tmp";
  Recording r;
  r.header.codec = kTempCodecPlain;
  r.header.width = 640;
  r.header.height = 480;
  Record(path, r);
  EXPECT_EQ(ReadWhole(path).size(), kTempHeaderBytes);
  MessageRecorder messages;
  TempFileReader reader;
  auto pictures = ReadAllPictures(path, &reader);
  EXPECT_TRUE(pictures.empty());
  EXPECT_EQ(reader.frameCount, 0);
  EXPECT_TRUE(messages.Lines().empty());
  FileRemove(path);
}

TEST(TempFile, WriterFailuresAndRepeatedClose) {
  MessageRecorder messages;
  TempFileHeader header;
  header.width = 4;
  header.height = 4;
  header.codec = kTempCodecPlain;
  EXPECT_FALSE(CreateTempCaptureFile("no_such_folder/x.tmp", header, nullptr, nullptr, nullptr));
  EXPECT_EQ(messages.Lines(),
            std::vector<std::string>{"あら？: 一時ファイルの作成に失敗してしまいました。"});
  EXPECT_FALSE(AppendRecord(0, nullptr, nullptr, nullptr, nullptr)) << "nothing is open";
  EXPECT_TRUE(CloseTempCaptureFile());
  EXPECT_TRUE(CloseTempCaptureFile());
}

TEST(TempFile, Naming) {
  std::tm time{};
  time.tm_year = 126;
  time.tm_mon = 0;  // January
  time.tm_mday = 5;
  time.tm_hour = 7;
  time.tm_min = 8;
  time.tm_sec = 9;
  TempFileNames names = MakeTempFileNames("C:\\Rec\\Quilva.exe", time);
  EXPECT_EQ(names.tempPath, "C:\\Rec\\0105070809.tmp");
  EXPECT_EQ(names.wavPath, "C:\\Rec\\0105070809.wav");
  names = MakeTempFileNames("D:\\temp folder\\", time);
  EXPECT_EQ(names.tempPath, "D:\\temp folder\\0105070809.tmp");

  // A setting that can't be entered falls back to the program's folder.
  names = BuildTempFileNames("no_such_folder_here/", "/opt/quilva/recorder.exe");
  EXPECT_EQ(names.tempPath.rfind("/opt/quilva/", 0), 0u) << names.tempPath;
  EXPECT_EQ(names.tempPath.size(), std::string("/opt/quilva/").size() + 14);
  EXPECT_EQ(names.wavPath.substr(names.wavPath.size() - 4), ".wav");
}

#if defined(__unix__)
// A disk that fills up in the middle of a recording (a file size limit stands
// in for it): the records before stay readable and the header is patched with
// the last whole one, so the reader takes the file as complete.
TEST(TempFile, FullDiskKeepsTheWholeRecordsAndPatchesTheHeader) {
  const std::string path = "full_disk.tmp";
  struct Row {
    const char* label;
    uint8_t codec;
  };
  const Row rows[] = {{"plain", kTempCodecPlain}, {"flag XOR", kTempCodecFlagXor}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    TempFileHeader header;
    header.width = 64, header.height = 64, header.codec = r.codec;
    const size_t frameBytes = 64 * 3 * 64;
    std::vector<Bytes> pictures(40, Bytes(frameBytes));
    std::mt19937 random(7);
    for (Bytes& p : pictures)
      for (uint8_t& b : p) b = static_cast<uint8_t>(random());  // nothing codes small
    const Bytes reference(frameBytes, 0);

    rlimit before;
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 100000;  // about eight records
    auto previousSignal = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ASSERT_TRUE(CreateTempCaptureFile(path, header, nullptr, nullptr, reference.data()));
    int appended = 0;
    for (size_t i = 0; i < pictures.size(); ++i) {
      if (!AppendRecord(static_cast<int32_t>(2 * i), nullptr, nullptr, pictures[i].data(),
                        i ? pictures[i - 1].data() : reference.data()))
        break;
      ++appended;
    }
    const bool closed = CloseTempCaptureFile();
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, previousSignal);
    EXPECT_FALSE(closed) << "the refused write is reported";
    ASSERT_GT(appended, 2);
    ASSERT_LT(appended, 40);

    TempFileReader reader;
    ASSERT_TRUE(TempFileReaderOpen(&reader, path));
    EXPECT_NE(reader.header.frameCount, kTempFrameCountUnset) << "the header was patched";
    EXPECT_GT(reader.header.frameCount, 0);
    EXPECT_EQ(reader.countState, TempCountState::Matches);
    TempPicture picture;
    int read = 0;
    while (TempFileReadPicture(&reader, &picture)) {
      EXPECT_EQ(Bytes(reader.frame.get(), reader.frame.get() + frameBytes), pictures[read])
          << "record " << read;
      ++read;
    }
    EXPECT_EQ(int64_t{read}, (reader.header.frameCount + 1) / 2);
    EXPECT_GE(read, appended - 2) << "at most the buffered records are lost";
    reader.file.reset();
    FileRemove(path);
  }
}
#endif

}  // namespace

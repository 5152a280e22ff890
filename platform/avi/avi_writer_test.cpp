#include "platform/avi/avi_writer.h"

#include <gtest/gtest.h>

#include "platform/avi/avi_save.h"
#include "platform/avi/avi_testing.h"
#include "platform/avi/wav.h"

namespace {

using namespace avitest;

// Offset of the first chunk with this id at or after from, or npos.
size_t FindTag(const std::vector<uint8_t>& bytes, const char (&id)[5], size_t from = 0) {
  for (size_t i = from; i + 4 <= bytes.size(); ++i)
    if (GetU32(bytes.data() + i) == FourCC(id)) return i;
  return std::string::npos;
}

size_t CountTags(const std::vector<uint8_t>& bytes, const char (&id)[5]) {
  size_t n = 0;
  for (size_t at = FindTag(bytes, id); at != std::string::npos; at = FindTag(bytes, id, at + 4))
    ++n;
  return n;
}

// Takes bytes up to a limit, then fails like a full disk.
class FullDiskSink : public AviMemorySink {
 public:
  explicit FullDiskSink(uint64_t room) : room_(room) {}
  bool Write(const void* data, size_t n) override {
    if (Tell() + n > room_) return false;
    return AviMemorySink::Write(data, n);
  }

 private:
  uint64_t room_;
};

struct Written {
  std::vector<uint8_t> bytes;
  AviResult result = AVIERR_ERROR;
};

// 29.97 fps video 4 x 3 and 22050 Hz 16-bit stereo sound, written frame by
// frame with 735 sound samples (one frame's worth) after each frame, the last
// sound chunk 100 samples.
Written WriteVideoAndSound(int frames, const OdmlWriterOptions& options = {}) {
  Written w;
  AviMemorySink sink;
  OdmlWriter writer;
  OdmlWriterCreateOnSink(writer, sink, options);
  std::vector<uint8_t> vf = Bitmap24Format(4, 3), af = PcmFormat(22050, 2, 16);
  int v = -1, a = -1;
  AviStreamInfo vi = VideoInfo(30000, 1001, 4, 3);
  StreamInfoSetName(vi, "GLIMSA:VIDEO");
  EXPECT_EQ(OdmlWriterAddStream(writer, vi, vf.data(), vf.size(), &v), AVIERR_OK);
  AviStreamInfo ai = AudioInfo(22050, 4);
  ai.dwSampleSize = 0;  // a caller that leaves it 0: lengths must still count blocks
  EXPECT_EQ(OdmlWriterAddStream(writer, ai, af.data(), af.size(), &a), AVIERR_OK);
  int64_t sample = 0;
  for (int f = 0; f < frames; ++f) {
    std::vector<uint8_t> px = Frame24(4, 3, f);
    EXPECT_EQ(
        OdmlWriterWrite(writer, v, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME),
        AVIERR_OK);
    int64_t n = f + 1 == frames ? 100 : 735;
    std::vector<uint8_t> pcm = Pcm16Stereo(sample, n);
    sample += n;
    EXPECT_EQ(
        OdmlWriterWrite(writer, a, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME),
        AVIERR_OK);
  }
  w.result = OdmlWriterClose(writer);
  w.bytes = std::move(sink.bytes);
  return w;
}

TEST(AviWriter, HeadersCountTimeFramesAndSamples) {
  Written w = WriteVideoAndSound(10);
  ASSERT_EQ(w.result, AVIERR_OK);
  const std::vector<uint8_t>& b = w.bytes;
  size_t avih = FindTag(b, "avih");
  ASSERT_NE(avih, std::string::npos);
  const uint8_t* m = b.data() + avih + 8;
  EXPECT_EQ(GetU32(m), 33367u);  // dwMicroSecPerFrame: 1001 / 30000 s, rounded
  EXPECT_EQ(GetU32(m + 12),
            0x10u);  // dwFlags: AVIF_HASINDEX (the writer was not told it interleaves)
  EXPECT_EQ(GetU32(m + 16), 10u);    // dwTotalFrames
  EXPECT_EQ(GetU32(m + 24), 2u);     // dwStreams
  EXPECT_EQ(GetU32(m + 28), 2940u);  // dwSuggestedBufferSize: the largest chunk, 735 x 4
  EXPECT_EQ(GetU32(m + 32), 4u);     // dwWidth
  EXPECT_EQ(GetU32(m + 36), 3u);     // dwHeight

  size_t strh = FindTag(b, "strh");
  const uint8_t* v = b.data() + strh + 8;
  EXPECT_EQ(GetU32(v + 20), 1001u);   // dwScale
  EXPECT_EQ(GetU32(v + 24), 30000u);  // dwRate
  EXPECT_EQ(GetU32(v + 32), 10u);     // dwLength, frames
  EXPECT_EQ(GetU32(v + 36), 36u);     // dwSuggestedBufferSize: 4 x 3 x 3 bytes
  EXPECT_EQ(GetU16(v + 52), 4u);      // rcFrame.right
  EXPECT_EQ(GetU16(v + 54), 3u);      // rcFrame.bottom
  size_t strh2 = FindTag(b, "strh", strh + 4);
  const uint8_t* s = b.data() + strh2 + 8;
  EXPECT_EQ(GetU32(s + 32), 9u * 735 + 100);  // dwLength in blocks, not 10 chunks
  EXPECT_EQ(GetU32(s + 36), 2940u);
  EXPECT_EQ(GetU32(s + 44), 4u);  // dwSampleSize = nBlockAlign
  size_t strn = FindTag(b, "strn");
  ASSERT_NE(strn, std::string::npos);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + strn + 8)), "GLIMSA:VIDEO");

  // AVI 1.0: an idx1 of all 20 chunks, no OpenDML parts or indexes.
  size_t idx1 = FindTag(b, "idx1");
  ASSERT_NE(idx1, std::string::npos);
  EXPECT_EQ(GetU32(b.data() + idx1 + 4), 20u * 16);
  EXPECT_EQ(CountTags(b, "AVIX"), 0u);
  EXPECT_EQ(CountTags(b, "ix00"), 0u);
  EXPECT_EQ(CountTags(b, "indx"), 0u);
  // The movi list starts on a 2048-byte boundary.
  size_t movi = FindTag(b, "movi");
  EXPECT_EQ((movi - 8) % 2048, 0u);
  EXPECT_EQ(GetU32(b.data() + 4), b.size() - 8);  // RIFF size
}

TEST(AviWriter, RoundTripOfVideoAndSound) {
  Written w = WriteVideoAndSound(10);
  ASSERT_EQ(w.result, AVIERR_OK);
  AviMemorySource source(w.bytes.data(), w.bytes.size());
  auto file = std::make_shared<AviFile>();
  ASSERT_EQ(AviReaderOpen(file->reader, source), AVIERR_OK);
  EXPECT_TRUE(file->reader.hadIndex);
  AviStreamRef video, audio;
  ASSERT_EQ(AviFileGetStream(file, kStreamTypeVideo, 0, video), AVIERR_OK);
  ASSERT_EQ(AviFileGetStream(file, kStreamTypeAudio, 0, audio), AVIERR_OK);
  EXPECT_EQ(video->Info().dwLength, 10u);
  EXPECT_EQ(StreamInfoName(video->Info()), "GLIMSA:VIDEO");
  for (int f = 0; f < 10; ++f) EXPECT_EQ(ReadSample(*video, f), Frame24(4, 3, f)) << f;
  EXPECT_EQ(ReadAllSamples(*audio), Pcm16Stereo(0, 9 * 735 + 100));

  AviFileInfo info = AviFileGetInfo(*file);
  EXPECT_EQ(info.dwStreams, 2u);
  EXPECT_EQ(info.dwWidth, 4u);
  EXPECT_EQ(info.dwScale, 33367u);
  EXPECT_EQ(info.dwRate, 1000000u);
  EXPECT_EQ(info.dwLength, 10u);
  uint8_t bytes[kFileInfoBytes];
  FileInfoToBytes(info, bytes);
  EXPECT_EQ(GetU32(bytes + 12), 2u);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 44), "AVI");
}

TEST(AviWriter, SwitchesToOpenDmlPastTheLimit) {
  OdmlWriterOptions options;
  options.riffLimit = 16384;  // a few frames a part
  options.headerSlack = 0;    // a header small enough for the first part to keep the limit too
  options.superIndexEntries = 32;
  Written w = WriteVideoAndSound(40, options);
  ASSERT_EQ(w.result, AVIERR_OK);
  const std::vector<uint8_t>& b = w.bytes;
  size_t parts = CountTags(b, "AVIX");
  EXPECT_GE(parts, 5u);
  EXPECT_EQ(CountTags(b, "idx1"), 1u);
  EXPECT_EQ(CountTags(b, "indx"), 2u);
  EXPECT_EQ(CountTags(b, "dmlh"), 1u);
  EXPECT_EQ(CountTags(b, "ix00"), parts + 1);
  EXPECT_GE(CountTags(b, "ix01"), parts);
  // Every RIFF part keeps within the limit plus one chunk.
  for (size_t at = 0; at != std::string::npos; at = FindTag(b, "RIFF", at + 4)) {
    EXPECT_LE(GetU32(b.data() + at + 4), 16384u + 3000u);
    EXPECT_LE(at + 8 + GetU32(b.data() + at + 4), b.size());
  }
  size_t dmlh = FindTag(b, "dmlh");
  EXPECT_EQ(GetU32(b.data() + dmlh + 8), 40u);  // dwTotalFrames of the whole file
  size_t avih = FindTag(b, "avih");
  uint32_t firstRiffFrames = GetU32(b.data() + avih + 8 + 16);
  EXPECT_LT(firstRiffFrames, 40u);  // avih counts the first RIFF only
  EXPECT_GT(firstRiffFrames, 0u);
  size_t idx1 = FindTag(b, "idx1");
  // One sound chunk follows each frame; the part may end between the two.
  uint32_t idx1Entries = GetU32(b.data() + idx1 + 4) / 16;
  EXPECT_TRUE(idx1Entries == firstRiffFrames * 2 || idx1Entries == firstRiffFrames * 2 - 1)
      << idx1Entries;

  AviMemorySource source(b.data(), b.size());
  auto file = std::make_shared<AviFile>();
  ASSERT_EQ(AviReaderOpen(file->reader, source), AVIERR_OK);
  EXPECT_TRUE(file->reader.openDml);
  EXPECT_TRUE(file->reader.hadIndex);
  AviStreamRef video, audio;
  ASSERT_EQ(AviFileGetStream(file, kStreamTypeVideo, 0, video), AVIERR_OK);
  ASSERT_EQ(AviFileGetStream(file, kStreamTypeAudio, 0, audio), AVIERR_OK);
  EXPECT_EQ(video->Info().dwLength, 40u);
  for (int f = 0; f < 40; ++f) EXPECT_EQ(ReadSample(*video, f), Frame24(4, 3, f)) << f;
  EXPECT_EQ(ReadAllSamples(*audio), Pcm16Stereo(0, 39 * 735 + 100));
}

TEST(AviWriter, StreamAddedAfterTheFirstWrite) {
  AviMemorySink sink;
  OdmlWriter writer;
  OdmlWriterCreateOnSink(writer, sink);
  std::vector<uint8_t> vf = Bitmap24Format(4, 3), af = PcmFormat(8000, 2, 16);
  int v = -1, a = -1;
  ASSERT_EQ(OdmlWriterAddStream(writer, VideoInfo(12, 1, 4, 3), vf.data(), vf.size(), &v),
            AVIERR_OK);
  for (int f = 0; f < 5; ++f) {
    std::vector<uint8_t> px = Frame24(4, 3, f);
    ASSERT_EQ(
        OdmlWriterWrite(writer, v, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME),
        AVIERR_OK);
  }
  // Created without a format, given one before its first chunk (as the
  // platform's create-then-set-format calls do).
  AviStreamInfo ai = AudioInfo(8000, 4);
  ai.dwSampleSize = 0;
  ASSERT_EQ(OdmlWriterAddStream(writer, ai, nullptr, 0, &a), AVIERR_OK);
  ASSERT_EQ(OdmlWriterSetFormat(writer, a, af.data(), af.size()), AVIERR_OK);
  std::vector<uint8_t> pcm = Pcm16Stereo(0, 3000);
  ASSERT_EQ(
      OdmlWriterWrite(writer, a, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME),
      AVIERR_OK);
  // A format far larger than the room kept for late streams is refused.
  EXPECT_EQ(OdmlWriterSetFormat(writer, v, af.data(), af.size()), AVIERR_UNSUPPORTED);
  std::vector<uint8_t> huge(64 * 1024, 0);
  int refused = -1;
  EXPECT_EQ(OdmlWriterAddStream(writer, AudioInfo(8000, 4), huge.data(), huge.size(), &refused),
            AVIERR_UNSUPPORTED);
  ASSERT_EQ(OdmlWriterClose(writer), AVIERR_OK);

  AviMemorySource source(sink.bytes.data(), sink.bytes.size());
  auto file = std::make_shared<AviFile>();
  ASSERT_EQ(AviReaderOpen(file->reader, source), AVIERR_OK);
  ASSERT_EQ(file->reader.streams.size(), 2u);
  AviStreamRef audio;
  ASSERT_EQ(AviFileGetStream(file, kStreamTypeAudio, 0, audio), AVIERR_OK);
  EXPECT_EQ(audio->Info().dwLength, 3000u);
  EXPECT_EQ(ReadAllSamples(*audio), pcm);
}

TEST(AviWriter, EmptyFileIsStillAValidAvi) {
  AviMemorySink sink;
  OdmlWriter writer;
  OdmlWriterCreateOnSink(writer, sink);
  std::vector<uint8_t> vf = Bitmap24Format(4, 3);
  ASSERT_EQ(OdmlWriterAddStream(writer, VideoInfo(12, 1, 4, 3), vf.data(), vf.size(), nullptr),
            AVIERR_OK);
  ASSERT_EQ(OdmlWriterClose(writer), AVIERR_OK);
  AviMemorySource source(sink.bytes.data(), sink.bytes.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  EXPECT_EQ(reader.streams[0].info.dwLength, 0u);
}

TEST(AviWriter, FailuresGiveThePlatformCodes) {
  OdmlWriter writer;
  EXPECT_EQ(OdmlWriterCreate(writer, TempPath("no_such_folder/x/out.avi"), {}), AVIERR_FILEOPEN);
  std::vector<AviStreamRef> streams = {MadeVideo(4, 3, 2)};
  EXPECT_EQ(AviSave(TempPath("no_such_folder/x/out.avi"), streams, nullptr), AVIERR_FILEOPEN);
  // A full disk: the sink refuses bytes past a limit.
  for (uint64_t room : {uint64_t{100}, uint64_t{5000}, uint64_t{40000}}) {
    FullDiskSink full(room);
    std::vector<AviStreamRef> big = {MadeVideo(64, 64, 30)};
    EXPECT_EQ(AviSaveToSink(full, false, big, nullptr), AVIERR_FILEWRITE) << room;
    FullDiskSink fullWave(room);
    AviStreamRef sound;
    std::vector<uint8_t> af = PcmFormat(8000, 1, 8);
    AviMakeStream(AudioInfo(8000, 1), af.data(), af.size(), sound);
    std::vector<uint8_t> pcm(60000, 1);
    sound->Write(0, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME);
    EXPECT_EQ(AviSaveToSink(fullWave, true, {sound}, nullptr), AVIERR_FILEWRITE) << room;
  }
  // More RIFF parts than the super index has room for.
  AviMemorySink sink;
  OdmlWriterOptions options;
  options.riffLimit = 1024;
  options.superIndexEntries = 2;
  options.headerSlack = 0;
  ASSERT_EQ(OdmlWriterCreateOnSink(writer, sink, options), AVIERR_OK);
  std::vector<uint8_t> vf = Bitmap24Format(16, 16);
  ASSERT_EQ(OdmlWriterAddStream(writer, VideoInfo(12, 1, 16, 16), vf.data(), vf.size(), nullptr),
            AVIERR_OK);
  std::vector<uint8_t> px = Frame24(16, 16, 0);
  AviResult last = AVIERR_OK;
  for (int f = 0; f < 10 && last == AVIERR_OK; ++f)
    last = OdmlWriterWrite(writer, 0, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME);
  EXPECT_EQ(last, AVIERR_BADSIZE);
  EXPECT_EQ(writer.parts, 2);
  EXPECT_EQ(OdmlWriterClose(writer), AVIERR_OK);  // what was written stays a readable file
  AviMemorySource source(sink.bytes.data(), sink.bytes.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  EXPECT_EQ(reader.streams[0].info.dwLength, 2u);

  EXPECT_EQ(AVIERR_UNSUPPORTED, static_cast<AviResult>(0x80044065u));
  EXPECT_EQ(AVIERR_USERABORT, static_cast<AviResult>(0x800440C6u));
}

}  // namespace

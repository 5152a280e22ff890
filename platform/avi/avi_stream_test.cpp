#include "platform/avi/avi_stream.h"

#include <gtest/gtest.h>

#include "common/file.h"
#include "platform/avi/avi_save.h"
#include "platform/avi/avi_testing.h"

namespace {

using namespace avitest;

std::vector<int> Tags(const AviStreamRef& s) {
  return FrameTags(*s, 4, 3);
}

AviStreamRef Editable(const AviStreamRef& source) {
  AviStreamRef e;
  EXPECT_EQ(CreateEditableStream(source, e), AVIERR_OK);
  return e;
}

TEST(EditStream, PasteInTheMiddleAndAtBothEnds) {
  AviStreamRef base = Editable(MadeVideo(4, 3, 4, 0));  // 0 1 2 3
  AviStreamRef other = MadeVideo(4, 3, 2, 10);          // 10 11
  int64_t pos = 2, length = 0;
  ASSERT_EQ(EditStreamPaste(base, &pos, &length, other, 0, -1), AVIERR_OK);
  EXPECT_EQ(pos, 2);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(Tags(base), (std::vector<int>{0, 1, 10, 11, 2, 3}));
  pos = 0;
  ASSERT_EQ(EditStreamPaste(base, &pos, &length, other, 1, 1), AVIERR_OK);
  EXPECT_EQ(Tags(base), (std::vector<int>{11, 0, 1, 10, 11, 2, 3}));
  pos = 7;
  ASSERT_EQ(EditStreamPaste(base, &pos, &length, other, 0, 1), AVIERR_OK);
  EXPECT_EQ(Tags(base), (std::vector<int>{11, 0, 1, 10, 11, 2, 3, 10}));
  // A position past the end appends; a negative one is refused.
  pos = 100;
  ASSERT_EQ(EditStreamPaste(base, &pos, &length, other, 1, -1), AVIERR_OK);
  EXPECT_EQ(pos, 8);
  pos = -1;
  EXPECT_EQ(EditStreamPaste(base, &pos, &length, other, 0, 1), AVIERR_BADPARAM);
  EXPECT_EQ(base->Info().dwLength, 9u);
  EXPECT_EQ(base->Info().dwEditCount, 4u);
  // The source of a paste is not changed.
  EXPECT_EQ(Tags(other), (std::vector<int>{10, 11}));
}

TEST(EditStream, ReverseByCopyAndPasteAtZero) {
  AviStreamRef copy = Editable(MadeVideo(4, 3, 3, 0));
  AviStreamRef result = Editable(nullptr);
  for (int64_t i = 0; i < 3; ++i) {
    int64_t start = i, length = 1;
    AviStreamRef clip;
    ASSERT_EQ(EditStreamCopy(copy, &start, &length, clip), AVIERR_OK);
    int64_t pos = 0, pasted = 0;
    ASSERT_EQ(EditStreamPaste(result, &pos, &pasted, clip, 0, -1), AVIERR_OK);
  }
  EXPECT_EQ(Tags(result), (std::vector<int>{2, 1, 0}));
  // The first paste gave the empty stream its kind, rate and format.
  AviStreamInfo info = result->Info();
  EXPECT_EQ(info.fccType, kStreamTypeVideo);
  EXPECT_EQ(info.dwRate, 15u);
  std::vector<uint8_t> format;
  ASSERT_EQ(result->ReadFormat(0, format), AVIERR_OK);
  EXPECT_EQ(format, Bitmap24Format(4, 3));
}

TEST(EditStream, EverySecondFrameAtTheEndWithDoubledScale) {
  AviStreamRef source = MadeVideo(4, 3, 10, 0);
  AviStreamRef result = Editable(nullptr);
  for (int64_t i = 0; i < 10; i += 2) {
    int64_t pos = result->Info().dwLength, length = 0;
    ASSERT_EQ(EditStreamPaste(result, &pos, &length, source, i, 1), AVIERR_OK);
  }
  EXPECT_EQ(Tags(result), (std::vector<int>{0, 2, 4, 6, 8}));
  AviStreamInfo info = source->Info();
  info.dwScale *= 2;
  ASSERT_EQ(EditStreamSetInfo(result, info), AVIERR_OK);
  EXPECT_EQ(result->Info().dwScale, 2u);
  EXPECT_EQ(result->Info().dwLength, 5u);
}

TEST(EditStream, SampleByPastesOfOneSourceStayOnePiece) {
  AviStreamRef source = MadeVideo(4, 3, 50, 0);
  AviStreamRef result = Editable(nullptr);
  for (int64_t i = 0; i < 50; ++i) {
    int64_t pos = i, length = 0;
    ASSERT_EQ(EditStreamPaste(result, &pos, &length, source, i, 1), AVIERR_OK);
  }
  EXPECT_EQ(EditStreamPieceCount(result), 1u);
}

TEST(EditStream, RangesWithMinusOneRunToTheEnd) {
  AviStreamRef s = Editable(MadeVideo(4, 3, 5, 0));
  int64_t start = 2, length = -1;
  AviStreamRef tail;
  ASSERT_EQ(EditStreamCopy(s, &start, &length, tail), AVIERR_OK);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(Tags(tail), (std::vector<int>{2, 3, 4}));
  // Lengths past the end are cut back; starts outside are refused.
  start = 3, length = 100;
  AviStreamRef clip;
  ASSERT_EQ(EditStreamCopy(s, &start, &length, clip), AVIERR_OK);
  EXPECT_EQ(length, 2);
  start = 5, length = 1;
  EXPECT_EQ(EditStreamCopy(s, &start, &length, clip), AVIERR_BADPARAM);
  start = -1, length = 1;
  EXPECT_EQ(EditStreamCopy(s, &start, &length, clip), AVIERR_BADPARAM);

  // Cut removes the range and hands it out.
  start = 1, length = 2;
  AviStreamRef cut;
  ASSERT_EQ(EditStreamCut(s, &start, &length, cut), AVIERR_OK);
  EXPECT_EQ(Tags(cut), (std::vector<int>{1, 2}));
  EXPECT_EQ(Tags(s), (std::vector<int>{0, 3, 4}));
  start = 1, length = -1;
  ASSERT_EQ(EditStreamCut(s, &start, &length, cut), AVIERR_OK);
  EXPECT_EQ(Tags(s), (std::vector<int>{0}));
  // A clone is independent of later edits.
  AviStreamRef clone;
  ASSERT_EQ(EditStreamClone(s, clone), AVIERR_OK);
  int64_t pos = 0, pasted = 0;
  ASSERT_EQ(EditStreamPaste(s, &pos, &pasted, tail, 0, -1), AVIERR_OK);
  EXPECT_EQ(Tags(s), (std::vector<int>{2, 3, 4, 0}));
  EXPECT_EQ(Tags(clone), (std::vector<int>{0}));
}

TEST(EditStream, PasteOfAnotherFormatIsRefused) {
  AviStreamRef s = Editable(MadeVideo(4, 3, 2, 0));
  int64_t pos = 1, length = 0;
  EXPECT_EQ(EditStreamPaste(s, &pos, &length, MadeVideo(8, 3, 1, 5), 0, -1), AVIERR_UNSUPPORTED);
  // Another depth.
  std::vector<uint8_t> f16 = Bitmap24Format(4, 3);
  PutU16(f16.data() + 14, 16);
  AviStreamRef deep;
  AviMakeStream(VideoInfo(15, 1, 4, 3), f16.data(), f16.size(), deep);
  std::vector<uint8_t> px(24, 0);
  deep->Write(0, px.data(), 24, AVIIF_KEYFRAME);
  EXPECT_EQ(EditStreamPaste(s, &pos, &length, deep, 0, -1), AVIERR_UNSUPPORTED);
  // 8-bit frames under another colour table would show wrong colours; under
  // the same one (given by count or by default) they join.
  auto eightBit = [](uint8_t tint, uint32_t coloursUsed) {
    std::vector<uint8_t> f = Bitmap24Format(4, 3);
    PutU16(f.data() + 14, 8);
    PutU32(f.data() + 32, coloursUsed);
    for (int i = 0; i < 256; ++i) f.insert(f.end(), {uint8_t(i), uint8_t(i), tint, 0});
    AviStreamRef made;
    AviMakeStream(VideoInfo(15, 1, 4, 3), f.data(), f.size(), made);
    std::vector<uint8_t> indices(12, 7);
    made->Write(0, indices.data(), 12, AVIIF_KEYFRAME);
    return made;
  };
  AviStreamRef paletted = Editable(eightBit(0, 0));
  int64_t at = 1;
  EXPECT_EQ(EditStreamPaste(paletted, &at, &length, eightBit(9, 0), 0, -1), AVIERR_UNSUPPORTED);
  EXPECT_EQ(EditStreamPaste(paletted, &at, &length, eightBit(0, 256), 0, -1), AVIERR_OK);
  // Sound into video, and sound of another rate into sound.
  std::vector<uint8_t> af = PcmFormat(8000, 2, 16), bf = PcmFormat(11025, 2, 16);
  AviStreamRef a, b;
  AviMakeStream(AudioInfo(8000, 4), af.data(), af.size(), a);
  AviMakeStream(AudioInfo(11025, 4), bf.data(), bf.size(), b);
  std::vector<uint8_t> pcm = Pcm16Stereo(0, 10);
  a->Write(0, pcm.data(), 40, AVIIF_KEYFRAME);
  b->Write(0, pcm.data(), 40, AVIIF_KEYFRAME);
  EXPECT_EQ(EditStreamPaste(s, &pos, &length, a, 0, -1), AVIERR_UNSUPPORTED);
  AviStreamRef sound = Editable(a);
  EXPECT_EQ(EditStreamPaste(sound, &pos, &length, b, 0, -1), AVIERR_UNSUPPORTED);
  EXPECT_EQ(Tags(s), (std::vector<int>{0, 1}));
  // Pasting into a stream that is not editable.
  EXPECT_EQ(EditStreamPaste(a, &pos, &length, b, 0, -1), AVIERR_UNSUPPORTED);
}

TEST(EditStream, SoundPiecesReadAcrossTheirJoins) {
  std::vector<uint8_t> af = PcmFormat(8000, 2, 16);
  AviStreamRef a;
  AviMakeStream(AudioInfo(8000, 4), af.data(), af.size(), a);
  for (int c = 0; c < 4; ++c) {  // four chunks of 25 samples
    std::vector<uint8_t> pcm = Pcm16Stereo(c * 25, 25);
    a->Write(c * 25, pcm.data(), 100, AVIIF_KEYFRAME);
  }
  AviStreamRef e = Editable(a);
  int64_t start = 10, length = 30;
  AviStreamRef cut;
  ASSERT_EQ(EditStreamCut(e, &start, &length, cut), AVIERR_OK);  // 0..9, 40..99
  int64_t pos = 50, pasted = 0;
  ASSERT_EQ(EditStreamPaste(e, &pos, &pasted, cut, 0, -1), AVIERR_OK);
  std::vector<uint8_t> expected = Pcm16Stereo(0, 10);
  auto append = [&expected](int64_t first, int64_t count) {
    std::vector<uint8_t> p = Pcm16Stereo(first, count);
    expected.insert(expected.end(), p.begin(), p.end());
  };
  append(40, 40);  // samples 10..49 of the edited stream
  append(10, 30);  // the pasted cut
  append(80, 20);
  EXPECT_EQ(e->Info().dwLength, 100u);
  EXPECT_EQ(ReadAllSamples(*e), expected);
  // A convenient read ends at a piece or chunk boundary.
  int64_t bytes = 0, samples = 0;
  ASSERT_EQ(e->Read(5, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples), AVIERR_OK);
  EXPECT_EQ(samples, 5);
}

TEST(EditStream, SavedEditReadsBackTheEditedFrames) {
  AviStreamRef e = Editable(MadeVideo(4, 3, 6, 0));
  int64_t start = 1, length = 2;
  AviStreamRef cut;
  ASSERT_EQ(EditStreamCut(e, &start, &length, cut), AVIERR_OK);  // 0 3 4 5
  int64_t pos = 3, pasted = 0;
  ASSERT_EQ(EditStreamPaste(e, &pos, &pasted, cut, 0, -1), AVIERR_OK);  // 0 3 4 1 2 5
  AviStreamInfo info = e->Info();
  StreamInfoSetName(info, "edited");
  info.dwRate = 24;
  info.wPriority = 2;
  info.dwStart = 0;
  ASSERT_EQ(EditStreamSetInfo(e, info), AVIERR_OK);
  std::string path = TempPath("edited.avi");
  std::vector<int> percents;
  ASSERT_EQ(AviSave(path, {e},
                    [&percents](int p) {
                      percents.push_back(p);
                      return 0;
                    }),
            AVIERR_OK);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  AviStreamRef back;
  ASSERT_EQ(AviStreamOpenFromFile(path, kStreamTypeVideo, 0, back), AVIERR_OK);
  EXPECT_EQ(Tags(back), (std::vector<int>{0, 3, 4, 1, 2, 5}));
  EXPECT_EQ(back->Info().dwRate, 24u);
  EXPECT_EQ(back->Info().wPriority, 2);
  EXPECT_EQ(StreamInfoName(back->Info()), "edited");
  // An editable copy of a file stream reads the same frames.
  AviStreamRef again = Editable(back);
  EXPECT_EQ(Tags(again), Tags(back));
}

TEST(AviOutputFile, StreamsWrittenOneAfterTheOther) {
  // The editor's way: all frames of a created video stream, then a sound
  // stream created and copied in; the file is finished when the last
  // reference goes, here a stream's.
  std::string path = TempPath("output_file.avi");
  std::vector<uint8_t> pcm = Pcm16Stereo(0, 4000);
  {
    AviOutputFileRef file;
    ASSERT_EQ(AviOutputFileCreate(path, {}, file), AVIERR_OK);
    AviStreamRef video, sound;
    AviStreamInfo vi = VideoInfo(12, 1, 4, 3);
    StreamInfoSetName(vi, "GLIMSA:VIDEO");
    ASSERT_EQ(AviOutputFileCreateStream(file, vi, video), AVIERR_OK);
    std::vector<uint8_t> format = Bitmap24Format(4, 3);
    ASSERT_EQ(video->SetFormat(0, format.data(), format.size()), AVIERR_OK);
    for (int f = 0; f < 6; ++f) {
      std::vector<uint8_t> px = Frame24(4, 3, f);
      ASSERT_EQ(video->Write(f, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME),
                AVIERR_OK);
    }
    EXPECT_EQ(video->Write(2, format.data(), 4, 0), AVIERR_BADPARAM);  // no overwriting
    EXPECT_EQ(video->Info().dwLength, 6u);
    std::vector<uint8_t> af = PcmFormat(8000, 2, 16);
    ASSERT_EQ(AviOutputFileCreateStream(file, AudioInfo(8000, 4), sound), AVIERR_OK);
    ASSERT_EQ(sound->SetFormat(0, af.data(), af.size()), AVIERR_OK);
    for (int64_t at = 0; at < 4000; at += 1000)
      ASSERT_EQ(sound->Write(at, pcm.data() + at * 4, 4000, AVIIF_KEYFRAME), AVIERR_OK);
    EXPECT_EQ(sound->Info().dwLength, 4000u);
    file.reset();
    AviStreamRef peek;  // not finished (no headers yet) while a stream lives
    EXPECT_EQ(AviStreamOpenFromFile(path, kStreamTypeVideo, 0, peek), AVIERR_BADFORMAT);
  }
  AviStreamRef back, sound;
  ASSERT_EQ(AviStreamOpenFromFile(path, kStreamTypeVideo, 0, back), AVIERR_OK);
  EXPECT_EQ(Tags(back), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(StreamInfoName(back->Info()), "GLIMSA:VIDEO");
  ASSERT_EQ(AviStreamOpenFromFile(path, kStreamTypeAudio, 0, sound), AVIERR_OK);
  EXPECT_EQ(ReadAllSamples(*sound), pcm);

  // A closed file takes no more streams; a file that cannot be made says so.
  AviOutputFileRef closed;
  ASSERT_EQ(AviOutputFileCreate(TempPath("output_closed.avi"), {}, closed), AVIERR_OK);
  EXPECT_EQ(AviOutputFileClose(*closed), AVIERR_OK);
  AviStreamRef late;
  EXPECT_EQ(AviOutputFileCreateStream(closed, VideoInfo(12, 1, 4, 3), late), AVIERR_BADHANDLE);
  EXPECT_EQ(AviOutputFileCreate(TempPath("no_such_folder/y/out.avi"), {}, closed), AVIERR_FILEOPEN);
}

TEST(AviOutputFile, StreamsWhoseHeadersNoLongerFitAreJoinedAtClose) {
  // No slack behind the headers: after the first frame, another stream's
  // header (with its 4 KiB of index room) cannot fit in front of the frames.
  OdmlWriterOptions tight;
  tight.headerSlack = 0;
  std::vector<uint8_t> pcm = Pcm16Stereo(0, 500);
  std::vector<uint8_t> bigFormat = PcmFormat(8000, 2, 16);
  bigFormat.resize(6000, 0x5A);
  struct Case {
    const char* rule;
    bool soundBeforeFrames;  // made before the frames, its format given after them
  };
  for (const Case& c : {Case{"stream made after the first frame", false},
                        Case{"format given after the first frame", true}}) {
    std::string path = TempPath("held_aside.avi");
    {
      AviOutputFileRef file;
      ASSERT_EQ(AviOutputFileCreate(path, tight, file), AVIERR_OK);
      AviStreamRef video, sound;
      ASSERT_EQ(AviOutputFileCreateStream(file, VideoInfo(12, 1, 4, 3), video), AVIERR_OK);
      std::vector<uint8_t> format = Bitmap24Format(4, 3);
      ASSERT_EQ(video->SetFormat(0, format.data(), format.size()), AVIERR_OK);
      if (c.soundBeforeFrames) {
        ASSERT_EQ(AviOutputFileCreateStream(file, AudioInfo(8000, 4), sound), AVIERR_OK);
      }
      for (int f = 0; f < 3; ++f) {
        std::vector<uint8_t> px = Frame24(4, 3, f);
        ASSERT_EQ(video->Write(f, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME),
                  AVIERR_OK);
      }
      if (!c.soundBeforeFrames) {
        ASSERT_EQ(AviOutputFileCreateStream(file, AudioInfo(8000, 4), sound), AVIERR_OK);
      }
      ASSERT_EQ(sound->SetFormat(0, bigFormat.data(), bigFormat.size()), AVIERR_OK) << c.rule;
      ASSERT_EQ(sound->Write(0, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME),
                AVIERR_OK);
      EXPECT_EQ(sound->Info().dwLength, 500u) << c.rule;
      EXPECT_EQ(AviOutputFileClose(*file), AVIERR_OK) << c.rule;
    }
    AviFileRef back;
    ASSERT_EQ(AviFileOpen(path, back), AVIERR_OK) << c.rule;
    ASSERT_EQ(back->reader.streams.size(), 2u) << c.rule;
    AviStreamRef first, second;
    ASSERT_EQ(AviFileGetStream(back, 0, 0, first), AVIERR_OK);
    ASSERT_EQ(AviFileGetStream(back, 0, 1, second), AVIERR_OK);
    EXPECT_EQ(Tags(first), (std::vector<int>{0, 1, 2})) << c.rule;
    EXPECT_EQ(ReadAllSamples(*second), pcm) << c.rule;
    std::vector<uint8_t> format;
    ASSERT_EQ(second->ReadFormat(0, format), AVIERR_OK);
    EXPECT_EQ(format, bigFormat) << c.rule;
    EXPECT_FALSE(FileExists(path + ".join")) << c.rule;
  }
}

TEST(AviOutputFile, AFailedWriteIsReportedAtOnceAndAgainAtClose) {
  // The host's /dev/full takes the open and refuses every write, as a full disk does.
  AviOutputFileRef file;
  ASSERT_EQ(AviOutputFileCreate("/dev/full", {}, file), AVIERR_OK);
  AviStreamRef video;
  ASSERT_EQ(AviOutputFileCreateStream(file, VideoInfo(12, 1, 4, 3), video), AVIERR_OK);
  std::vector<uint8_t> format = Bitmap24Format(4, 3);
  ASSERT_EQ(video->SetFormat(0, format.data(), format.size()), AVIERR_OK);
  std::vector<uint8_t> px = Frame24(4, 3, 0);
  for (int f = 0; f < 2; ++f)
    EXPECT_EQ(video->Write(-1, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME),
              AVIERR_FILEWRITE)
        << f;
  EXPECT_EQ(AviOutputFileClose(*file), AVIERR_FILEWRITE);
  EXPECT_TRUE(FileExists("/dev/full"));  // a device is never removed
}

TEST(AviSave, UserAbortStopsAndRemovesTheFile) {
  std::string path = TempPath("aborted.avi");
  AviResult r = AviSave(path, {MadeVideo(4, 3, 20)}, [](int p) { return p >= 50 ? 1 : 0; });
  EXPECT_EQ(r, AVIERR_USERABORT);
  EXPECT_FALSE(FileExists(path));
}

TEST(AviSave, SoundUnderAWavNameBecomesAWaveFile) {
  std::vector<uint8_t> af = PcmFormat(22050, 2, 16);
  AviStreamRef a;
  AviMakeStream(AudioInfo(22050, 4), af.data(), af.size(), a);
  std::vector<uint8_t> pcm = Pcm16Stereo(0, 5000);
  a->Write(0, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME);
  std::string path = TempPath("sound.WAV");
  ASSERT_EQ(AviSave(path, {a}, nullptr), AVIERR_OK);
  AviFileRef file;
  ASSERT_EQ(AviFileOpen(path, file), AVIERR_OK);
  EXPECT_TRUE(file->reader.isWave);
  AviStreamRef back;
  ASSERT_EQ(AviFileGetStream(file, kStreamTypeAudio, 0, back), AVIERR_OK);
  EXPECT_EQ(ReadAllSamples(*back), pcm);
  EXPECT_EQ(file->reader.streams[0].format, af);
  // Video cannot go into a wave file.
  EXPECT_EQ(AviSave(TempPath("video.wav"), {MadeVideo(4, 3, 1)}, nullptr), AVIERR_UNSUPPORTED);
}

TEST(AviSave, InterleavesSoundWithTheFrames) {
  // 10 fps video of 20 frames, 8 kHz sound of 2 s: each frame's 800 samples
  // come right after it.
  std::vector<uint8_t> af = PcmFormat(8000, 2, 16);
  AviStreamRef a;
  AviMakeStream(AudioInfo(8000, 4), af.data(), af.size(), a);
  std::vector<uint8_t> pcm = Pcm16Stereo(0, 16000);
  a->Write(0, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME);
  AviStreamRef v = Editable(MadeVideo(4, 3, 20));
  AviStreamInfo info = v->Info();
  info.dwRate = 10;
  EditStreamSetInfo(v, info);
  AviMemorySink sink;
  ASSERT_EQ(AviSaveToSink(sink, false, {v, a}, nullptr), AVIERR_OK);
  AviMemorySource source(sink.bytes.data(), sink.bytes.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  const AviChunkTable& vt = reader.streams[0].table;
  const AviChunkTable& at = reader.streams[1].table;
  ASSERT_EQ(vt.chunks.size(), 20u);
  ASSERT_EQ(at.chunks.size(), 20u);
  for (size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(at.chunks[i].size, 3200u) << i;
    EXPECT_LT(vt.chunks[i].offset, at.chunks[i].offset) << i;
    if (i + 1 < 20) {
      EXPECT_LT(at.chunks[i].offset, vt.chunks[i + 1].offset) << i;
    }
  }
  EXPECT_EQ(reader.main.dwFlags & AVIF_ISINTERLEAVED, AVIF_ISINTERLEAVED);
  EXPECT_EQ(reader.main.dwMicroSecPerFrame, 100000u);
}

TEST(MadeStream, FramesBeyondTheBudgetLiveInTheScratchFile) {
  AviScratchSetMemoryBudget(1 << 20);
  uint64_t memoryBefore = AviScratchMemoryBytes();
  {
    // 200 frames of 64 x 64: 2.4 MB, more than twice the budget.
    AviStreamRef s = MadeVideo(64, 64, 200);
    EXPECT_LE(AviScratchMemoryBytes(), uint64_t{1} << 20);
    EXPECT_GE(AviScratchFileBytes(), 200u * 64 * 64 * 3 - (1u << 20));
    EXPECT_EQ(FrameTags(*s, 64, 64)[199], 199 % 256);
    EXPECT_EQ(ReadSample(*s, 0), Frame24(64, 64, 0));
    EXPECT_EQ(ReadSample(*s, 150), Frame24(64, 64, 150));
    // Single-frame streams, as the compressed save makes one per picture.
    AviStreamRef e = Editable(nullptr);
    for (int i = 0; i < 100; ++i) {
      std::vector<uint8_t> dib = Bitmap24Format(64, 64);
      std::vector<uint8_t> px = Frame24(64, 64, i);
      dib.insert(dib.end(), px.begin(), px.end());
      AviStreamRef one;
      ASSERT_EQ(AviMakeFrameStream(dib.data(), dib.size(), one), AVIERR_OK);
      int64_t pos = i, length = 0;
      ASSERT_EQ(EditStreamPaste(e, &pos, &length, one, 0, -1), AVIERR_OK);
    }
    EXPECT_LE(AviScratchMemoryBytes(), uint64_t{1} << 20);
    EXPECT_EQ(ReadSample(*e, 77), Frame24(64, 64, 77));
  }
  EXPECT_EQ(AviScratchMemoryBytes(), memoryBefore);
  EXPECT_EQ(AviScratchFileBytes(), 0u);
  AviScratchSetMemoryBudget(64u << 20);
}

TEST(MadeStream, WritesAppendOnly) {
  AviStreamRef s = MadeVideo(4, 3, 2);
  std::vector<uint8_t> px = Frame24(4, 3, 9);
  EXPECT_EQ(s->Write(0, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME),
            AVIERR_BADPARAM);
  EXPECT_EQ(s->Write(2, px.data(), static_cast<uint32_t>(px.size()), AVIIF_KEYFRAME), AVIERR_OK);
  EXPECT_EQ(s->Info().dwLength, 3u);
  EXPECT_EQ(AviStreamSampleToTime(*s, 3), 200);  // 15 fps
  EXPECT_EQ(AviStreamTimeToSample(*s, 1000), 15);
}

}  // namespace

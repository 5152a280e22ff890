#include "platform/avi/avi_reader.h"

#include <gtest/gtest.h>

#include "platform/avi/avi_frame.h"
#include "platform/avi/avi_stream.h"
#include "platform/avi/avi_testing.h"

namespace {

using avitest::ReadSample;

// 2 x 2 pixels, 24 bits: rows of 6 bytes padded to 8, 16 bytes a frame.
std::vector<uint8_t> TinyFrame(uint8_t tag) {
  std::vector<uint8_t> f(16);
  for (size_t i = 0; i < f.size(); ++i) f[i] = static_cast<uint8_t>(tag * 16 + i);
  return f;
}

struct GoldenOptions {
  bool idx1 = true;
  bool absoluteIdx1 = false;
  uint32_t claimedVideoLength = 3;
};

// An AVI 1.0 file written field by field: a 2 x 2 24-bit video stream of three
// frames (the second a delta frame) and an 8 kHz 8-bit mono sound stream of
// 12 samples in chunks of 5, 3 and 4 bytes, one video and one sound chunk
// inside a "rec " list.
std::vector<uint8_t> GoldenAvi1(const GoldenOptions& o = {}) {
  ByteWriter b;
  size_t riff = b.BeginList(FourCC("RIFF"), FourCC("AVI "));
  size_t hdrl = b.BeginList(FourCC("LIST"), FourCC("hdrl"));
  size_t avih = b.BeginChunk(FourCC("avih"));
  b.U32(100000);  // dwMicroSecPerFrame: 10 frames a second
  b.U32(5000);    // dwMaxBytesPerSec
  b.U32(0);       // dwPaddingGranularity
  b.U32(0x110);   // dwFlags: AVIF_HASINDEX | AVIF_ISINTERLEAVED
  b.U32(3);       // dwTotalFrames
  b.U32(0);       // dwInitialFrames
  b.U32(2);       // dwStreams
  b.U32(4096);    // dwSuggestedBufferSize
  b.U32(2);       // dwWidth
  b.U32(2);       // dwHeight
  b.Zeros(16);    // dwReserved
  b.EndChunk(avih);

  size_t strl = b.BeginList(FourCC("LIST"), FourCC("strl"));
  size_t strh = b.BeginChunk(FourCC("strh"));
  b.Tag(FourCC("vids"));        // fccType
  b.Tag(FourCC("DIB "));        // fccHandler
  b.U32(0);                     // dwFlags
  b.U16(3);                     // wPriority
  b.U16(17);                    // wLanguage
  b.U32(0);                     // dwInitialFrames
  b.U32(1);                     // dwScale
  b.U32(10);                    // dwRate
  b.U32(0);                     // dwStart
  b.U32(o.claimedVideoLength);  // dwLength
  b.U32(16);                    // dwSuggestedBufferSize
  b.U32(7500);                  // dwQuality
  b.U32(0);                     // dwSampleSize
  b.U16(0);                     // rcFrame.left
  b.U16(0);                     // rcFrame.top
  b.U16(2);                     // rcFrame.right
  b.U16(2);                     // rcFrame.bottom
  b.EndChunk(strh);
  size_t strf = b.BeginChunk(FourCC("strf"));
  b.U32(40);  // biSize
  b.U32(2);   // biWidth
  b.U32(2);   // biHeight
  b.U16(1);   // biPlanes
  b.U16(24);  // biBitCount
  b.U32(0);   // biCompression
  b.U32(16);  // biSizeImage
  b.Zeros(16);
  b.EndChunk(strf);
  size_t strn = b.BeginChunk(FourCC("strn"));
  b.Text("GLIMSA:VIDEO");
  b.U8(0);
  b.EndChunk(strn);
  b.EndChunk(strl);

  strl = b.BeginList(FourCC("LIST"), FourCC("strl"));
  strh = b.BeginChunk(FourCC("strh"));
  b.Tag(FourCC("auds"));  // fccType
  b.U32(0);               // fccHandler
  b.U32(0);               // dwFlags
  b.U16(0);               // wPriority
  b.U16(0);               // wLanguage
  b.U32(0);               // dwInitialFrames
  b.U32(1);               // dwScale
  b.U32(8000);            // dwRate
  b.U32(0);               // dwStart
  b.U32(12);              // dwLength
  b.U32(5);               // dwSuggestedBufferSize
  b.U32(0xFFFFFFFF);      // dwQuality
  b.U32(1);               // dwSampleSize
  b.Zeros(8);             // rcFrame
  b.EndChunk(strh);
  strf = b.BeginChunk(FourCC("strf"));
  b.U16(1);     // wFormatTag: PCM
  b.U16(1);     // nChannels
  b.U32(8000);  // nSamplesPerSec
  b.U32(8000);  // nAvgBytesPerSec
  b.U16(1);     // nBlockAlign
  b.U16(8);     // wBitsPerSample
  b.EndChunk(strf);
  b.EndChunk(strl);
  b.EndChunk(hdrl);

  size_t junk = b.BeginChunk(FourCC("JUNK"));
  b.Zeros(6);
  b.EndChunk(junk);

  size_t movi = b.BeginList(FourCC("LIST"), FourCC("movi"));
  size_t moviTag = movi + 4;
  struct Entry {
    uint32_t id, flags, offset, size;
  };
  std::vector<Entry> entries;
  auto chunk = [&](const char(&id)[5], const std::vector<uint8_t>& data, uint32_t flags) {
    entries.push_back({FourCC(id), flags, static_cast<uint32_t>(b.size() - moviTag),
                       static_cast<uint32_t>(data.size())});
    size_t c = b.BeginChunk(FourCC(id));
    b.Bytes(data.data(), data.size());
    b.EndChunk(c);
  };
  std::vector<uint8_t> sound(12);
  for (int i = 0; i < 12; ++i) sound[i] = static_cast<uint8_t>(200 + i);
  chunk("00db", TinyFrame(0), 0x10);
  chunk("01wb", {sound.begin(), sound.begin() + 5}, 0x10);
  size_t rec = b.BeginList(FourCC("LIST"), FourCC("rec "));
  chunk("00db", TinyFrame(1), 0);
  chunk("01wb", {sound.begin() + 5, sound.begin() + 8}, 0x10);
  b.EndChunk(rec);
  chunk("00db", TinyFrame(2), 0x10);
  chunk("01wb", {sound.begin() + 8, sound.end()}, 0x10);
  b.EndChunk(movi);

  if (o.idx1) {
    size_t idx1 = b.BeginChunk(FourCC("idx1"));
    for (const Entry& e : entries) {
      b.U32(e.id);
      b.U32(e.flags);
      b.U32(o.absoluteIdx1 ? static_cast<uint32_t>(e.offset + moviTag) : e.offset);
      b.U32(e.size);
    }
    b.EndChunk(idx1);
  }
  b.EndChunk(riff);
  return b.bytes();
}

void ExpectGoldenStreams(const AviReader& reader, bool keyFlagsKnown) {
  ASSERT_EQ(reader.streams.size(), 2u);
  const AviStreamInfo& v = reader.streams[0].info;
  EXPECT_EQ(v.fccType, FourCC("vids"));
  EXPECT_EQ(v.fccHandler, FourCC("DIB "));
  EXPECT_EQ(v.dwFlags, 0u);
  EXPECT_EQ(v.dwCaps, AVIFILECAPS_CANREAD | AVIFILECAPS_CANWRITE);
  EXPECT_EQ(v.wPriority, 3);
  EXPECT_EQ(v.wLanguage, 17);
  EXPECT_EQ(v.dwScale, 1u);
  EXPECT_EQ(v.dwRate, 10u);
  EXPECT_EQ(v.dwStart, 0u);
  EXPECT_EQ(v.dwLength, 3u);
  EXPECT_EQ(v.dwInitialFrames, 0u);
  EXPECT_EQ(v.dwSuggestedBufferSize, 16u);
  EXPECT_EQ(v.dwQuality, 7500);
  EXPECT_EQ(v.dwSampleSize, 0u);
  EXPECT_EQ(v.rcFrame.right, 2);
  EXPECT_EQ(v.rcFrame.bottom, 2);
  EXPECT_EQ(v.dwEditCount, 0u);
  EXPECT_EQ(v.dwFormatChangeCount, 0u);
  EXPECT_EQ(StreamInfoName(v), "GLIMSA:VIDEO");
  EXPECT_EQ(reader.streams[0].format.size(), 40u);

  const AviStreamInfo& a = reader.streams[1].info;
  EXPECT_EQ(a.fccType, FourCC("auds"));
  EXPECT_EQ(a.dwRate, 8000u);
  EXPECT_EQ(a.dwLength, 12u);
  EXPECT_EQ(a.dwSampleSize, 1u);
  EXPECT_EQ(a.dwQuality, -1);
  EXPECT_EQ(StreamInfoName(a), "");
  EXPECT_EQ(reader.streams[1].format.size(), 16u);

  const AviChunkTable& t = reader.streams[0].table;
  ASSERT_EQ(t.chunks.size(), 3u);
  if (keyFlagsKnown) {
    EXPECT_EQ(t.chunks[0].flags, AVIIF_KEYFRAME);
    EXPECT_EQ(t.chunks[1].flags, 0u);
    EXPECT_EQ(t.chunks[2].flags, AVIIF_KEYFRAME);
  }
  EXPECT_EQ(reader.main.dwMicroSecPerFrame, 100000u);
  EXPECT_EQ(reader.main.dwTotalFrames, 3u);
  EXPECT_EQ(reader.main.dwStreams, 2u);
  EXPECT_EQ(reader.main.dwWidth, 2u);
}

void ExpectGoldenSamples(const std::vector<uint8_t>& file) {
  AviMemorySource source(file.data(), file.size());
  auto holder = std::make_shared<AviFile>();
  ASSERT_EQ(AviReaderOpen(holder->reader, source), AVIERR_OK);
  AviStreamRef video, audio;
  ASSERT_EQ(AviFileGetStream(holder, kStreamTypeVideo, 0, video), AVIERR_OK);
  ASSERT_EQ(AviFileGetStream(holder, kStreamTypeAudio, 0, audio), AVIERR_OK);
  for (int f = 0; f < 3; ++f)
    EXPECT_EQ(ReadSample(*video, f), TinyFrame(static_cast<uint8_t>(f))) << f;
  EXPECT_TRUE(ReadSample(*video, 3).empty());

  // Sound samples 3 to 9 lie in all three chunks.
  uint8_t buffer[16] = {};
  int64_t bytes = 0, samples = 0;
  ASSERT_EQ(audio->Read(3, 7, buffer, sizeof buffer, &bytes, &samples), AVIERR_OK);
  EXPECT_EQ(bytes, 7);
  EXPECT_EQ(samples, 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(buffer[i], 203 + i);
  // A convenient read stops at the end of the chunk.
  ASSERT_EQ(audio->Read(6, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples), AVIERR_OK);
  EXPECT_EQ(samples, 2);
  // A buffer too small for even one sample, and a read past the end.
  EXPECT_EQ(audio->Read(0, 4, buffer, 0, &bytes, &samples), AVIERR_BUFFERTOOSMALL);
  ASSERT_EQ(audio->Read(12, 4, buffer, sizeof buffer, &bytes, &samples), AVIERR_OK);
  EXPECT_EQ(samples, 0);
  // Video reads one frame at a time and says so when the buffer is short.
  EXPECT_EQ(video->Read(0, 1, buffer, 8, &bytes, &samples), AVIERR_BUFFERTOOSMALL);
  EXPECT_EQ(bytes, 16);
}

TEST(AviReader, Avi1WithIdx1) {
  std::vector<uint8_t> file = GoldenAvi1();
  AviMemorySource source(file.data(), file.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  EXPECT_TRUE(reader.hadIndex);
  EXPECT_FALSE(reader.openDml);
  ExpectGoldenStreams(reader, true);
  ExpectGoldenSamples(file);
}

TEST(AviReader, Idx1WithAbsoluteOffsets) {
  GoldenOptions o;
  o.absoluteIdx1 = true;
  std::vector<uint8_t> file = GoldenAvi1(o);
  AviMemorySource source(file.data(), file.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  ExpectGoldenStreams(reader, true);
  ExpectGoldenSamples(file);
}

TEST(AviReader, WithoutIndexWalksMovi) {
  GoldenOptions o;
  o.idx1 = false;
  std::vector<uint8_t> file = GoldenAvi1(o);
  AviMemorySource source(file.data(), file.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  EXPECT_FALSE(reader.hadIndex);
  ExpectGoldenStreams(reader, false);
  ExpectGoldenSamples(file);
}

TEST(AviReader, LengthComesFromTheIndexNotTheHeader) {
  GoldenOptions o;
  o.claimedVideoLength = 1000;
  std::vector<uint8_t> file = GoldenAvi1(o);
  AviMemorySource source(file.data(), file.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  EXPECT_EQ(reader.streams[0].info.dwLength, 3u);
}

// OpenDML: one 2 x 2 video stream, frames 0 and 1 in the first RIFF, 2 and 3
// in an AVIX part; each part's movi ends in an ix00 standard index, the strl
// holds an indx super index of both. Frame 3 is a delta frame (bit 31 of its
// size). The first part also has an idx1 of its two frames.
std::vector<uint8_t> GoldenOpenDml() {
  ByteWriter b;
  size_t riff = b.BeginList(FourCC("RIFF"), FourCC("AVI "));
  size_t hdrl = b.BeginList(FourCC("LIST"), FourCC("hdrl"));
  size_t avih = b.BeginChunk(FourCC("avih"));
  b.U32(40000);  // dwMicroSecPerFrame
  b.Zeros(12);   // dwMaxBytesPerSec, dwPaddingGranularity, dwFlags
  b.U32(2);      // dwTotalFrames: first RIFF only
  b.U32(0);      // dwInitialFrames
  b.U32(1);      // dwStreams
  b.U32(16);     // dwSuggestedBufferSize
  b.U32(2);      // dwWidth
  b.U32(2);      // dwHeight
  b.Zeros(16);
  b.EndChunk(avih);
  size_t strl = b.BeginList(FourCC("LIST"), FourCC("strl"));
  size_t strh = b.BeginChunk(FourCC("strh"));
  b.Tag(FourCC("vids"));
  b.Tag(FourCC("DIB "));
  b.Zeros(8);  // dwFlags, wPriority, wLanguage
  b.U32(0);    // dwInitialFrames
  b.U32(1);    // dwScale
  b.U32(25);   // dwRate
  b.U32(0);    // dwStart
  b.U32(4);    // dwLength: all parts
  b.U32(16);   // dwSuggestedBufferSize
  b.U32(0);    // dwQuality
  b.U32(0);    // dwSampleSize
  b.Zeros(8);  // rcFrame
  b.EndChunk(strh);
  size_t strf = b.BeginChunk(FourCC("strf"));
  std::vector<uint8_t> format = avitest::Bitmap24Format(2, 2);
  b.Bytes(format.data(), format.size());
  b.EndChunk(strf);
  size_t indx = b.BeginChunk(FourCC("indx"));
  b.U16(4);               // wLongsPerEntry
  b.U8(0);                // bIndexSubType
  b.U8(0);                // bIndexType: index of indexes
  b.U32(2);               // nEntriesInUse
  b.Tag(FourCC("00db"));  // dwChunkId
  b.Zeros(12);            // dwReserved
  size_t superEntries = b.size();
  b.Zeros(2 * 16);  // two entries, patched below: qwOffset, dwSize, dwDuration
  b.EndChunk(indx);
  b.EndChunk(strl);
  size_t odml = b.BeginList(FourCC("LIST"), FourCC("odml"));
  size_t dmlh = b.BeginChunk(FourCC("dmlh"));
  b.U32(4);  // dwTotalFrames
  b.Zeros(244);
  b.EndChunk(dmlh);
  b.EndChunk(odml);
  b.EndChunk(hdrl);

  auto part = [&](size_t riffAt, int firstFrame, size_t entry) {
    size_t movi = b.BeginList(FourCC("LIST"), FourCC("movi"));
    std::vector<uint32_t> offsets;
    for (int f = firstFrame; f < firstFrame + 2; ++f) {
      size_t c = b.BeginChunk(FourCC("00db"));
      offsets.push_back(static_cast<uint32_t>(b.size() - riffAt));  // data, from the base
      std::vector<uint8_t> frame = TinyFrame(static_cast<uint8_t>(f));
      b.Bytes(frame.data(), frame.size());
      b.EndChunk(c);
    }
    size_t ixAt = b.size();
    size_t ix = b.BeginChunk(FourCC("ix00"));
    b.U16(2);               // wLongsPerEntry
    b.U8(0);                // bIndexSubType
    b.U8(1);                // bIndexType: index of chunks
    b.U32(2);               // nEntriesInUse
    b.Tag(FourCC("00db"));  // dwChunkId
    b.U64(riffAt);          // qwBaseOffset
    b.U32(0);               // dwReserved
    for (int k = 0; k < 2; ++k) {
      b.U32(offsets[k]);                                      // dwOffset
      b.U32(16 | ((firstFrame + k == 3) ? 0x80000000u : 0));  // dwSize, bit 31: delta frame
    }
    b.EndChunk(ix);
    b.EndChunk(movi);
    PutU64(b.bytes().data() + superEntries + entry * 16, ixAt);
    PutU32(b.bytes().data() + superEntries + entry * 16 + 8,
           static_cast<uint32_t>(b.size() - ixAt));
    PutU32(b.bytes().data() + superEntries + entry * 16 + 12, 2);
    return movi + 4;
  };
  size_t moviTag = part(0, 0, 0);
  size_t idx1 = b.BeginChunk(FourCC("idx1"));
  (void)moviTag;
  b.EndChunk(idx1);  // an empty idx1: the reader must prefer the OpenDML index
  b.EndChunk(riff);
  size_t avixAt = b.size();
  size_t avix = b.BeginList(FourCC("RIFF"), FourCC("AVIX"));
  part(avixAt, 2, 1);
  b.EndChunk(avix);
  return b.bytes();
}

TEST(AviReader, OpenDmlPartsAndIndexes) {
  std::vector<uint8_t> file = GoldenOpenDml();
  AviMemorySource source(file.data(), file.size());
  auto holder = std::make_shared<AviFile>();
  ASSERT_EQ(AviReaderOpen(holder->reader, source), AVIERR_OK);
  const AviReader& reader = holder->reader;
  EXPECT_TRUE(reader.openDml);
  ASSERT_EQ(reader.streams.size(), 1u);
  EXPECT_EQ(reader.streams[0].info.dwLength, 4u);
  EXPECT_EQ(reader.streams[0].info.dwRate, 25u);
  AviStreamRef video;
  ASSERT_EQ(AviFileGetStream(holder, 0, 0, video), AVIERR_OK);
  for (int f = 0; f < 4; ++f)
    EXPECT_EQ(ReadSample(*video, f), TinyFrame(static_cast<uint8_t>(f))) << f;
  EXPECT_TRUE(video->IsKeyFrame(2));
  EXPECT_FALSE(video->IsKeyFrame(3));
  EXPECT_EQ(AviStreamFindSample(*video, 3, FIND_PREV | FIND_KEY), 2);
  EXPECT_EQ(AviStreamFindSample(*video, 3, FIND_NEXT | FIND_KEY), -1);
  EXPECT_EQ(AviStreamFindSample(*video, 9, FIND_PREV | FIND_ANY), 3);
  EXPECT_EQ(AviStreamFindSample(*video, 1, FIND_NEXT | FIND_ANY), 1);
  EXPECT_EQ(AviStreamFindSample(*video, 3, FIND_FROM_START | FIND_KEY), 0);
  EXPECT_EQ(AviStreamFindSample(*video, 3, FIND_PREV | FIND_FORMAT), 0);
}

TEST(AviReader, OpenDmlWithoutIndexesStillFindsTheAvixFrames) {
  std::vector<uint8_t> file = GoldenOpenDml();
  // Turn the super index into JUNK: only walking the lists is left.
  for (size_t i = 0; i + 4 <= file.size(); ++i)
    if (GetU32(file.data() + i) == FourCC("indx")) PutU32(file.data() + i, FourCC("JUNK"));
  AviMemorySource source(file.data(), file.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  EXPECT_FALSE(reader.hadIndex);
  ASSERT_EQ(reader.streams[0].table.chunks.size(), 4u);
}

TEST(AviReader, SuperIndexNamingOneChunkOverAndOverCountsItOnce) {
  // The golden OpenDML file with 20000 more super index entries naming the
  // first part's ix00 again: its frames must not be counted once per entry.
  std::vector<uint8_t> file = GoldenOpenDml();
  size_t indx = 0;
  while (GetU32(file.data() + indx) != FourCC("indx")) ++indx;
  std::vector<uint8_t> entry(file.begin() + static_cast<ptrdiff_t>(indx) + 8 + 24,
                             file.begin() + static_cast<ptrdiff_t>(indx) + 8 + 40);
  const uint32_t extra = 20000;
  std::vector<uint8_t> more;
  for (uint32_t i = 0; i < extra; ++i) more.insert(more.end(), entry.begin(), entry.end());
  size_t insertAt = indx + 8 + 24 + 32;
  file.insert(file.begin() + static_cast<ptrdiff_t>(insertAt), more.begin(), more.end());
  // Grow every enclosing size by the inserted bytes and move the offsets behind them.
  PutU32(file.data() + indx + 4,
         GetU32(file.data() + indx + 4) + static_cast<uint32_t>(more.size()));
  PutU32(file.data() + indx + 12, 2 + extra);  // nEntriesInUse
  for (uint32_t list : {FourCC("strl"), FourCC("hdrl")}) {
    size_t at = 0;
    while (GetU32(file.data() + at) != list) ++at;
    PutU32(file.data() + at - 4, GetU32(file.data() + at - 4) + static_cast<uint32_t>(more.size()));
  }
  PutU32(file.data() + 4, GetU32(file.data() + 4) + static_cast<uint32_t>(more.size()));
  for (uint32_t i = 0; i < 2 + extra; ++i) {
    uint8_t* offset = file.data() + indx + 8 + 24 + i * 16;
    PutU64(offset, GetU64(offset) + more.size());
  }
  // The first part's standard index counts from the file start (its entries
  // move), the second's from its RIFF (its base moves).
  size_t part = 0;
  for (size_t at = 0; at + 4 <= file.size(); ++at) {
    if (GetU32(file.data() + at) != FourCC("ix00")) continue;
    uint8_t* index = file.data() + at + 8;
    if (part++ == 0) {
      for (int k = 0; k < 2; ++k)
        PutU32(index + 24 + k * 8, GetU32(index + 24 + k * 8) + static_cast<uint32_t>(more.size()));
    } else {
      PutU64(index + 12, GetU64(index + 12) + more.size());
    }
  }
  {
    // Without the repeats the edited file reads as before: the edit itself is sound.
    std::vector<uint8_t> once = file;
    PutU32(once.data() + indx + 12, 2);
    AviMemorySource source(once.data(), once.size());
    AviReader reader;
    ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
    EXPECT_TRUE(reader.hadIndex);
    EXPECT_EQ(reader.streams[0].info.dwLength, 4u);
  }
  AviMemorySource source(file.data(), file.size());
  AviReader reader;
  ASSERT_EQ(AviReaderOpen(reader, source), AVIERR_OK);
  EXPECT_TRUE(reader.hadIndex);
  EXPECT_EQ(reader.streams[0].info.dwLength, 4u);
}

std::vector<uint8_t> GoldenWave() {
  ByteWriter b;
  size_t riff = b.BeginList(FourCC("RIFF"), FourCC("WAVE"));
  size_t fmt = b.BeginChunk(FourCC("fmt "));
  b.U16(1);      // wFormatTag
  b.U16(1);      // nChannels
  b.U32(8000);   // nSamplesPerSec
  b.U32(16000);  // nAvgBytesPerSec
  b.U16(2);      // nBlockAlign
  b.U16(16);     // wBitsPerSample
  b.EndChunk(fmt);
  size_t list = b.BeginList(FourCC("LIST"), FourCC("INFO"));
  b.EndChunk(list);
  size_t data = b.BeginChunk(FourCC("data"));
  for (int i = 0; i < 5; ++i) b.U16(static_cast<uint16_t>(1000 + i));
  b.U8(0x77);  // half a block: not a sample
  b.EndChunk(data);
  b.EndChunk(riff);
  return b.bytes();
}

TEST(AviReader, WaveFileIsOneSoundStream) {
  std::vector<uint8_t> file = GoldenWave();
  AviMemorySource source(file.data(), file.size());
  auto holder = std::make_shared<AviFile>();
  ASSERT_EQ(AviReaderOpen(holder->reader, source), AVIERR_OK);
  EXPECT_TRUE(holder->reader.isWave);
  AviStreamRef audio;
  ASSERT_EQ(AviFileGetStream(holder, kStreamTypeAudio, 0, audio), AVIERR_OK);
  AviStreamInfo info = audio->Info();
  EXPECT_EQ(info.dwScale, 2u);
  EXPECT_EQ(info.dwRate, 16000u);
  EXPECT_EQ(info.dwSampleSize, 2u);
  EXPECT_EQ(info.dwLength, 5u);
  std::vector<uint8_t> all = avitest::ReadAllSamples(*audio);
  ASSERT_EQ(all.size(), 10u);
  EXPECT_EQ(GetU16(all.data() + 8), 1004);
  AviStreamRef none;
  EXPECT_EQ(AviFileGetStream(holder, kStreamTypeVideo, 0, none), AVIERR_NODATA);
}

// Reads everything a caller could ask for; must stay in bounds and finish.
void Exercise(const std::vector<uint8_t>& file) {
  AviMemorySource source(file.data(), file.size());
  auto holder = std::make_shared<AviFile>();
  if (AviReaderOpen(holder->reader, source) != AVIERR_OK) return;
  for (size_t s = 0; s < holder->reader.streams.size(); ++s) {
    AviStreamRef stream;
    if (AviFileGetStream(holder, 0, static_cast<int>(s), stream) != AVIERR_OK) continue;
    for (int64_t p = AviStreamStart(*stream); p < AviStreamEnd(*stream) && p < 64; ++p)
      ReadSample(*stream, p);
    AviFrameReader frames;
    BitmapHeader want;
    want.biBitCount = 24;
    if (AviFrameReaderOpen(frames, stream, &want) == AVIERR_OK)
      AviFrameReaderGet(frames, AviStreamStart(*stream));
  }
}

TEST(AviReader, DamagedFilesStayInBounds) {
  for (const std::vector<uint8_t>& golden : {GoldenAvi1(), GoldenOpenDml(), GoldenWave()}) {
    for (size_t n = 0; n < golden.size(); ++n) Exercise({golden.begin(), golden.begin() + n});
    for (size_t i = 0; i < golden.size(); ++i) {
      std::vector<uint8_t> bent = golden;
      bent[i] ^= 0xFF;
      Exercise(bent);
      bent[i] = 0x7F;
      Exercise(bent);
    }
  }
  // Not a RIFF file at all.
  std::vector<uint8_t> text(100, 'x');
  AviMemorySource source(text.data(), text.size());
  AviReader reader;
  EXPECT_EQ(AviReaderOpen(reader, source), AVIERR_BADFORMAT);
  EXPECT_EQ(AviReaderOpenFile(reader, avitest::TempPath("does_not_exist.avi")), AVIERR_FILEOPEN);
}

}  // namespace

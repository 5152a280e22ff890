#include "save/avi_writer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "common/message.h"
#include "save/save_messages.h"

AviWriterState gAviWriter;

namespace {

constexpr uint32_t kMoviListOffset = 2048;
constexpr uint64_t kFirstChunk = kMoviListOffset + 12;  // behind "LIST", size, "movi"
constexpr uint32_t kSoundPiece = 1024;

void Write(const void* data, size_t count) {
  AviWriterState& w = gAviWriter;
  if (!w.writeFailed && !FileWriteAll(w.file.get(), data, count)) w.writeFailed = true;
  w.position += count;
}

// Rewrites bytes already written and comes back to the end.
void PatchAt(uint64_t at, const void* data, size_t count) {
  AviWriterState& w = gAviWriter;
  if (w.writeFailed) return;
  if (std::fflush(w.file.get()) != 0 ||
      !FileSeek64(w.file.get(), static_cast<int64_t>(at), SEEK_SET) ||
      !FileWriteAll(w.file.get(), data, count) || std::fflush(w.file.get()) != 0 ||
      !FileSeek64(w.file.get(), static_cast<int64_t>(w.position), SEEK_SET))
    w.writeFailed = true;
}

void PatchU32At(uint64_t at, uint32_t value) {
  uint8_t b[4];
  PutU32(b, value);
  PatchAt(at, b, 4);
}

// Index entries go out in blocks: a movie of small frames has millions of
// them. A failed write is remembered by Write, which goes on counting the
// position, so the block writer is never stopped.
bool WriteBlock(const uint8_t* data, size_t count) {
  Write(data, count);
  return true;
}

uint64_t SoundChunkBytes(const AviWriterState& w) {
  return w.soundIndex[0] ? 8 + uint64_t{w.soundIndex[3]} + (w.soundIndex[3] & 1) : 0;
}

// "idx1" for the sound and the first `frames` frame chunks of the first movi.
void WriteIdx1(uint32_t frames) {
  AviWriterState& w = gAviWriter;
  AviBlockWriter out(WriteBlock);
  AviPutIdx1Head(out.bytes(), uint64_t{frames} + (w.soundIndex[0] ? 1 : 0));
  // Offsets count from the "movi" identifier at 2056 to each chunk's id.
  uint32_t offset = 4;
  if (w.soundIndex[0]) {
    AviPutIdx1Entry(out.bytes(), w.soundIndex[0], w.soundIndex[1], w.soundIndex[2],
                    w.soundIndex[3]);
    offset += static_cast<uint32_t>(SoundChunkBytes(w));
  }
  for (uint32_t i = 0; i < frames; ++i, offset += w.frameBytes + 8) {
    AviPutIdx1Entry(out.bytes(), FourCC("00db"), 0x10, offset, w.frameBytes);
    out.Spill();
  }
  out.Flush();
}

// An OpenDML standard index ("ix##") of `count` chunks of `size` bytes, the
// first at firstChunk, each next one size + 8 further; entries point at the
// chunk data, relative to base (the part's "movi" identifier). Returns the
// chunk's position.
uint64_t WriteStandardIndex(uint32_t indexId, uint32_t chunkId, uint64_t base, uint64_t firstChunk,
                            uint32_t count, uint32_t size) {
  AviWriterState& w = gAviWriter;
  uint64_t at = w.position;
  AviBlockWriter out(WriteBlock);
  AviPutStandardIndexHead(out.bytes(), indexId, chunkId, count, base);
  uint64_t chunk = firstChunk;
  for (uint32_t i = 0; i < count; ++i, chunk += uint64_t{size} + 8) {
    AviPutStandardIndexEntry(out.bytes(), static_cast<uint32_t>(chunk + 8 - base), size, true);
    out.Spill();
  }
  out.Flush();
  return at;
}

void PutStreamHeader(ByteWriter& h, uint32_t type, uint32_t handler, uint32_t scale, uint32_t rate,
                     uint32_t length, uint32_t bufferSize, uint32_t quality, uint32_t sampleSize,
                     uint32_t right, uint32_t bottom) {
  h.Tag(FourCC("strh"));
  h.U32(64);
  h.Tag(type);
  h.U32(handler);
  h.U32(0);  // flags
  h.U16(0);  // priority
  h.U16(0);  // language
  h.U32(0);  // initial frames
  h.U32(scale);
  h.U32(rate);
  h.U32(0);  // start
  h.U32(length);
  h.U32(bufferSize);
  h.U32(quality);
  h.U32(sampleSize);
  // The frame rectangle as four 32-bit values: the 64-byte form of the header.
  h.U32(0);
  h.U32(0);
  h.U32(right);
  h.U32(bottom);
}

struct HeaderCounts {
  uint32_t riffSize = 0;      // of the first RIFF; 0 until it is known
  uint32_t avihFrames = 0;    // frames of the first RIFF
  uint32_t streamFrames = 0;  // frames of the whole movie
  uint32_t moviSize = 0;      // of the first movi list
  bool openDml = false;
};

// Everything from offset 0 up to and including the "movi" identifier at 2056.
// Without OpenDML this is the fixed layout; with it the super indexes and the
// "odml" list follow the stream lists and the "JUNK" chunk shrinks.
void PutHeaders(ByteWriter& h, const AviWriterState& w, const HeaderCounts& c) {
  bool hasSound = w.soundIndex[0] != 0;
  h.BeginList(FourCC("RIFF"), FourCC("AVI "));
  h.PatchU32(4, c.riffSize);
  size_t hdrl = h.BeginList(FourCC("LIST"), FourCC("hdrl"));
  h.Tag(FourCC("avih"));
  h.U32(56);
  // Computed wide: scale × 1,000,000 passes 32 bits from scale 4295 on.
  h.U32(
      static_cast<uint32_t>(std::min<uint64_t>(uint64_t{w.scale} * 1000000 / w.rate, 0xFFFFFFFFu)));
  h.U32(6144);   // maximum bytes per second
  h.U32(2048);   // padding granularity
  h.U32(0x810);  // has index, trust chunk type
  h.U32(c.avihFrames);
  h.U32(0);  // initial frames
  h.U32(hasSound ? 2 : 1);
  h.U32(0);  // suggested buffer size
  h.I32(w.width);
  h.I32(w.height);
  h.Zeros(16);

  size_t video = h.BeginList(FourCC("LIST"), FourCC("strl"));
  PutStreamHeader(h, FourCC("vids"), FourCC("DIB "), w.scale, w.rate, c.streamFrames, 0,
                  0xFFFFFFFFu, 0, static_cast<uint32_t>(w.width), static_cast<uint32_t>(w.height));
  h.Tag(FourCC("strf"));
  h.U32(40);
  h.U32(40);  // bitmap information header size
  h.I32(w.width);
  h.I32(w.height);  // positive: bottom-up rows
  h.U16(1);         // planes
  h.U16(24);        // bits per pixel
  h.U32(0);         // uncompressed
  h.U32(w.frameBytes);
  h.Zeros(16);  // resolutions, colours used, colours important
  AviPutStreamName(h, "QUILVA:AVI");
  if (c.openDml) AviPutSuperIndex(h, FourCC("00db"), w.superIndex, w.superIndex.size());
  h.EndChunk(video);

  if (hasSound) {
    size_t audio = h.BeginList(FourCC("LIST"), FourCC("strl"));
    uint32_t blockAlign = GetU16(w.soundFormat + 12);
    uint32_t soundBytes = w.soundIndex[3];
    PutStreamHeader(h, FourCC("auds"), 0, 1, GetU32(w.soundFormat + 4), soundBytes / blockAlign,
                    soundBytes, 0, blockAlign, 0, 0);
    h.Tag(FourCC("strf"));
    h.U32(18);
    h.Bytes(w.soundFormat, 18);
    AviPutStreamName(h, "QUILVA:AUDIO");
    // An OpenDML reader takes every stream from its super index once one
    // stream has one, so the sound chunk gets a standard index of its own.
    if (c.openDml)
      AviPutSuperIndex(h, FourCC("01wb"),
                       {{w.soundIx, kAviStandardIndexHeadBytes + kAviStandardIndexEntryBytes,
                         soundBytes / blockAlign}},
                       1);
    h.EndChunk(audio);
  }
  if (c.openDml) AviPutOdmlList(h, c.streamFrames);
  h.EndChunk(hdrl);

  size_t junk = h.size();
  h.Tag(FourCC("JUNK"));
  h.U32(static_cast<uint32_t>(kMoviListOffset - junk - 8));
  h.Zeros(kMoviListOffset - junk - 8);
  h.Tag(FourCC("LIST"));
  h.U32(c.moviSize);
  h.Tag(FourCC("movi"));
}

// Ends the current RIFF part: its standard index (and, in the first part, the
// sound's) inside its movi list, then in the first part the "idx1"; sizes are
// patched.
void EndPart() {
  AviWriterState& w = gAviWriter;
  bool first = w.parts == 1;
  uint64_t firstChunk = first ? kFirstChunk + SoundChunkBytes(w) : w.moviStart + 4;
  uint64_t ix = WriteStandardIndex(FourCC("ix00"), FourCC("00db"), w.moviStart, firstChunk,
                                   w.framesInPart, w.frameBytes);
  w.superIndex.push_back({ix, static_cast<uint32_t>(w.position - ix), w.framesInPart});
  if (first && w.soundIndex[0])
    w.soundIx = WriteStandardIndex(FourCC("ix01"), FourCC("01wb"), w.moviStart, kFirstChunk, 1,
                                   w.soundIndex[3]);
  uint32_t moviSize = static_cast<uint32_t>(w.position - w.moviStart);
  PatchU32At(w.moviStart - 4, moviSize);
  if (first) {
    WriteIdx1(w.framesInPart);
    w.framesInFirst = w.framesInPart;
    w.firstMoviSize = moviSize;
  }
  uint32_t riffSize = static_cast<uint32_t>(w.position - w.partStart - 8);
  PatchU32At(w.partStart + 4, riffSize);
  if (first) w.firstRiffSize = riffSize;
}

void BeginAvixPart() {
  AviWriterState& w = gAviWriter;
  w.partStart = w.position;
  ByteWriter h;
  h.BeginList(FourCC("RIFF"), FourCC("AVIX"));
  h.BeginList(FourCC("LIST"), FourCC("movi"));
  Write(h.data(), h.size());
  w.moviStart = w.position - 4;
  ++w.parts;
  w.framesInPart = 0;
}

}  // namespace

bool AviWriterOpen(const std::string& path, int32_t width, int32_t height, uint32_t scale,
                   uint32_t rate, uint32_t frameCount, const std::string& wavPath,
                   WavReadMode soundMode, uint64_t riffLimit) {
  AviWriterState& w = gAviWriter;
  // A file left open by an earlier use is closed as it stands, without its index.
  w.file.reset();
  w = AviWriterState{};

  uint64_t stride = width > 0 ? static_cast<uint64_t>(DibStride(width, 24)) : 0;
  uint64_t frameBytes = height > 0 ? stride * uint64_t(height) : 0;
  if (frameBytes == 0 || scale == 0 || rate == 0) {
    ShowMessage(kMessageAviBadShape, kTitleSoreWaKomarimasu);
    return false;
  }

  WavSound sound;
  bool hasSound = !wavPath.empty() && WavReadSound(wavPath, soundMode, &sound);
  uint64_t soundBytes = hasSound ? sound.dataBytes : 0;

  // An odd-sized sound chunk gets its RIFF pad byte: chunk-walking readers (the
  // platform's mmio-based AVIFile among them) skip one and otherwise lose the
  // index and every chunk behind the sound.
  uint64_t soundPad = soundBytes & 1;
  uint64_t soundChunk = hasSound ? 8 + soundBytes + soundPad : 0;
  uint64_t entries = uint64_t{frameCount} + (hasSound ? 1 : 0);
  uint64_t moviSize = 4 + uint64_t{frameCount} * (frameBytes + 8) + soundChunk;
  uint64_t riffSize = kMoviListOffset + 8 + moviSize + 8 + 16 * entries - 8;
  // Every size field is 32 bits: a frame they can't describe is refused rather
  // than written with wrapped sizes.
  if (frameBytes > 0xFFFFFFFFu) {
    ShowMessage(kMessageAviTooLarge, kTitleSoreWaKomarimasu);
    return false;
  }
  // Parts stay below 4 GiB whatever limit is asked for.
  riffLimit = std::min<uint64_t>(riffLimit, uint64_t{1} << 32);
  bool openDml = false;
  uint64_t firstPartFrames = 0, partFrames = 0, parts = 1;
  if (riffSize + 8 > riffLimit) {
    // First RIFF: headers, sound, k frames, its "ix00" (and the sound's
    // "ix01") and an "idx1" of k entries (plus the sound's); an "AVIX" part:
    // its two list heads, k frames and its "ix00".
    uint64_t firstBase = kFirstChunk + soundChunk + kAviStandardIndexHeadBytes +
                         (hasSound ? kAviStandardIndexHeadBytes + 8 + 16 : 0) + 8;
    uint64_t partBase = 12 + 12 + kAviStandardIndexHeadBytes;
    if (riffLimit > firstBase)
      firstPartFrames = (riffLimit - firstBase) / (frameBytes + 8 + 8 + 16);
    if (riffLimit > partBase) partFrames = (riffLimit - partBase) / (frameBytes + 8 + 8);
    firstPartFrames = std::min<uint64_t>(firstPartFrames, 0xFFFFFFFFu);
    partFrames = std::min<uint64_t>(partFrames, 0xFFFFFFFFu);
    // A standard index entry has 31 bits for the size.
    bool fits = firstPartFrames > 0 && partFrames > 0 && frameBytes < 0x80000000u &&
                soundBytes < 0x80000000u;
    if (fits) {
      uint64_t rest = frameCount > firstPartFrames ? frameCount - firstPartFrames : 0;
      parts = 1 + (rest + partFrames - 1) / partFrames;
      if (parts <= kAviWriterMaxParts) {
        openDml = true;
      } else if (riffSize > 0xFFFFFFFFu) {
        ShowMessage(kMessageAviTooManyParts, kTitleSoreWaKomarimasu);
        return false;
      }
    }
    // What OpenDML can't split (a sound too long for its index, a limit
    // below one frame) is still written in one RIFF while that can hold it.
    if (!openDml && riffSize > 0xFFFFFFFFu) {
      ShowMessage(kMessageAviTooLarge, kTitleSoreWaKomarimasu);
      return false;
    }
  }

  // A movie the volume can't hold is refused before its first byte: writing
  // it would fill the disk and fail at the end all the same.
  uint64_t expected = riffSize + 8;
  if (openDml)
    expected += uint64_t{frameCount} * 8 + parts * (12 + 12 + kAviStandardIndexHeadBytes) +
                2 * kAviStandardIndexHeadBytes + kAviDmlhBytes;
  if (expected > FileFreeSpace(path)) {
    ShowMessage(MessageWithPath(kMessageAviWriteFailed, path), kTitleShippaiYaa);
    return false;
  }

  w.file = FileOpen(path, "wb");
  if (!w.file) {
    ShowMessage(kMessageAviCreateFailed, kTitleShippaiYaa);
    return false;
  }
  w.path = path;
  w.frameCount = frameCount;
  w.frameBytes = static_cast<uint32_t>(frameBytes);
  w.width = width;
  w.height = height;
  w.scale = scale;
  w.rate = rate;
  w.riffLimit = riffLimit;
  w.openDml = openDml;
  w.firstPartFrames = static_cast<uint32_t>(firstPartFrames);
  w.partFrames = static_cast<uint32_t>(partFrames);
  w.moviStart = kMoviListOffset + 8;
  if (hasSound) {
    std::memcpy(w.soundFormat, sound.format, 18);
    w.soundIndex[0] = FourCC("01wb");
    w.soundIndex[1] = 1;
    w.soundIndex[2] = 4;
    w.soundIndex[3] = sound.dataBytes;
  }

  HeaderCounts counts;
  counts.avihFrames = frameCount;
  counts.streamFrames = frameCount;
  // An OpenDML movie patches this when its first part ends; until then it
  // tells what the first part is meant to hold.
  if (openDml)
    moviSize = 4 + soundChunk + std::min<uint64_t>(frameCount, firstPartFrames) * (frameBytes + 8);
  counts.moviSize = static_cast<uint32_t>(moviSize);
  ByteWriter h;
  PutHeaders(h, w, counts);
  if (hasSound) {
    h.Tag(FourCC("01wb"));
    h.U32(sound.dataBytes);
  }
  Write(h.data(), h.size());

  if (hasSound) {
    if (soundMode == WavReadMode::InMemory) {
      Write(sound.bytes.get(), sound.dataBytes);
    } else {
      // A WAV that breaks off early is made up with zero bytes so the
      // sizes already written still hold.
      uint8_t piece[kSoundPiece];
      uint32_t left = sound.dataBytes;
      while (left) {
        uint32_t n = std::min(left, kSoundPiece);
        size_t got = sound.file ? std::fread(piece, 1, n, sound.file.get()) : 0;
        if (got < n) std::memset(piece + got, 0, n - got);
        Write(piece, n);
        left -= n;
      }
    }
    if (soundPad) Write("", 1);
  }
  return true;
}

bool AviWriterPutFrame(const uint8_t* frameBits) {
  AviWriterState& w = gAviWriter;
  if (!w.file) return false;
  if (w.openDml) {
    uint32_t room = w.parts == 1 ? w.firstPartFrames : w.partFrames;
    if (w.framesInPart >= room) {
      if (w.parts >= kAviWriterMaxParts || w.framesWritten == 0xFFFFFFFFu) return false;
      EndPart();
      BeginAvixPart();
    }
  } else {
    // Frames beyond the declared count must still not push the file past 4 GiB.
    uint64_t entries = uint64_t{w.frameCount} + (w.soundIndex[0] ? 1 : 0);
    if (w.position + 8 + w.frameBytes + 8 + 16 * entries - 8 > 0xFFFFFFFFu) return false;
  }
  uint8_t head[8];
  PutU32(head, FourCC("00db"));
  PutU32(head + 4, w.frameBytes);
  Write(head, 8);
  Write(frameBits, w.frameBytes);
  ++w.framesInPart;
  ++w.framesWritten;
  return !w.writeFailed;
}

bool AviWriterClose() {
  AviWriterState& w = gAviWriter;
  if (!w.file) return true;
  if (!w.openDml) {
    // The index and the sizes follow the frames actually written: a movie
    // that got fewer than it declared (a temp file that changed while it was
    // read) must not index chunks that are not there. With the declared
    // count, as always, the headers written at open stand.
    WriteIdx1(w.framesWritten);
    PatchU32At(4, static_cast<uint32_t>(w.position - 8));
    if (w.framesWritten != w.frameCount) {
      HeaderCounts counts;
      counts.riffSize = static_cast<uint32_t>(w.position - 8);
      counts.avihFrames = w.framesWritten;
      counts.streamFrames = w.framesWritten;
      counts.moviSize = static_cast<uint32_t>(4 + SoundChunkBytes(w) +
                                              uint64_t{w.framesWritten} * (w.frameBytes + 8));
      ByteWriter h;
      PutHeaders(h, w, counts);
      PatchAt(0, h.data(), h.size());
    }
  } else {
    // Counts and sizes follow the frames actually written; a movie that
    // stayed in its first RIFF needs no OpenDML headers.
    HeaderCounts counts;
    counts.streamFrames = w.framesWritten;
    if (w.parts == 1) {
      counts.moviSize = static_cast<uint32_t>(w.position - w.moviStart);
      WriteIdx1(w.framesInPart);
      counts.riffSize = static_cast<uint32_t>(w.position - 8);
      counts.avihFrames = w.framesWritten;
    } else {
      EndPart();
      counts.openDml = true;
      counts.avihFrames = w.framesInFirst;
      counts.riffSize = w.firstRiffSize;
      counts.moviSize = w.firstMoviSize;
    }
    ByteWriter h;
    PutHeaders(h, w, counts);
    PatchAt(0, h.data(), h.size());
  }

  if (std::fclose(w.file.release()) != 0) w.writeFailed = true;
  if (w.writeFailed) {
    ShowMessage(MessageWithPath(kMessageAviWriteFailed, w.path), kTitleShippaiYaa);
    return false;
  }
  return true;
}

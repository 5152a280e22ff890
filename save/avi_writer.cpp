#include "save/avi_writer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/message.h"

AviWriterState gAviWriter;

namespace {

constexpr char kMsgCreateFailed[] = "ファイルが開けへんかったぁ";
constexpr char kTitleCreateFailed[] = "しっぱいやぁ～";
constexpr char kMsgWriteFailed[] = "%s の書き込みに失敗してしまいました";
constexpr char kTitleWriteFailed[] = "しっぱいやぁ～";
// This layout has 32-bit sizes and offsets only.
constexpr char kMsgTooLarge[] = "4GBを超えるAVIファイルは作れませんわ";
constexpr char kMsgBadShape[] = "動画の大きさかフレームレートが正しくありませんわ";
constexpr char kTitleRefused[] = "それは困ります";

constexpr uint32_t kMoviListOffset = 2048;
constexpr uint32_t kSoundPiece = 1024;

bool WriteAll(std::FILE* file, const void* data, size_t count) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (count) {
    size_t written = std::fwrite(bytes, 1, count, file);
    if (written == 0) return false;
    bytes += written;
    count -= written;
  }
  return true;
}

void Write(const void* data, size_t count) {
  AviWriterState& w = gAviWriter;
  if (!w.writeFailed && !WriteAll(w.file.get(), data, count)) w.writeFailed = true;
  w.position += count;
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

void PutName(ByteWriter& h, const char* name) {
  size_t at = h.BeginChunk(FourCC("strn"));
  h.Text(name);
  h.U8(0);
  h.EndChunk(at);  // pads the odd-sized name to an even length
}

}  // namespace

bool AviWriterOpen(const std::string& path, int32_t width, int32_t height, uint32_t scale,
                   uint32_t rate, uint32_t frameCount, const std::string& wavPath,
                   WavReadMode soundMode) {
  AviWriterState& w = gAviWriter;
  // A file left open by an earlier use is closed as it stands, without its index.
  w.file.reset();
  w = AviWriterState{};

  uint64_t stride = width > 0 ? ((uint64_t(width) * 24 + 31) & ~uint64_t{31}) / 8 : 0;
  uint64_t frameBytes = height > 0 ? stride * uint64_t(height) : 0;
  if (frameBytes == 0 || scale == 0 || rate == 0) {
    ShowMessage(kMsgBadShape, kTitleRefused);
    return false;
  }

  WavSound sound;
  bool hasSound = !wavPath.empty() && WavReadSound(wavPath, soundMode, &sound);
  uint64_t soundBytes = hasSound ? sound.dataBytes : 0;

  // Every size field is 32 bits: a movie they can't describe is refused rather
  // than written with wrapped sizes.
  uint64_t entries = uint64_t{frameCount} + (hasSound ? 1 : 0);
  // An odd-sized sound chunk gets its RIFF pad byte: chunk-walking readers (the
  // platform's mmio-based AVIFile among them) skip one and otherwise lose the
  // index and every chunk behind the sound.
  uint64_t soundPad = soundBytes & 1;
  uint64_t moviSize =
      4 + uint64_t{frameCount} * (frameBytes + 8) + (hasSound ? soundBytes + soundPad + 8 : 0);
  uint64_t riffSize = kMoviListOffset + 8 + moviSize + 8 + 16 * entries - 8;
  if (frameBytes > 0xFFFFFFFFu || riffSize > 0xFFFFFFFFu) {
    ShowMessage(kMsgTooLarge, kTitleRefused);
    return false;
  }

  w.file = FileOpen(path, "wb");
  if (!w.file) {
    ShowMessage(kMsgCreateFailed, kTitleCreateFailed);
    return false;
  }
  w.path = path;
  w.frameCount = frameCount;
  w.frameBytes = static_cast<uint32_t>(frameBytes);

  ByteWriter h;
  h.BeginList(FourCC("RIFF"), FourCC("AVI "));  // size written by AviWriterClose
  size_t hdrl = h.BeginList(FourCC("LIST"), FourCC("hdrl"));
  h.Tag(FourCC("avih"));
  h.U32(56);
  // Computed wide: scale × 1,000,000 passes 32 bits from scale 4295 on.
  h.U32(static_cast<uint32_t>(std::min<uint64_t>(uint64_t{scale} * 1000000 / rate, 0xFFFFFFFFu)));
  h.U32(6144);   // maximum bytes per second
  h.U32(2048);   // padding granularity
  h.U32(0x810);  // has index, trust chunk type
  h.U32(frameCount);
  h.U32(0);  // initial frames
  h.U32(hasSound ? 2 : 1);
  h.U32(0);  // suggested buffer size
  h.I32(width);
  h.I32(height);
  h.Zeros(16);

  size_t video = h.BeginList(FourCC("LIST"), FourCC("strl"));
  PutStreamHeader(h, FourCC("vids"), FourCC("DIB "), scale, rate, frameCount, 0, 0xFFFFFFFFu, 0,
                  static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  h.Tag(FourCC("strf"));
  h.U32(40);
  h.U32(40);  // bitmap information header size
  h.I32(width);
  h.I32(height);  // positive: bottom-up rows
  h.U16(1);       // planes
  h.U16(24);      // bits per pixel
  h.U32(0);       // uncompressed
  h.U32(w.frameBytes);
  h.Zeros(16);  // resolutions, colours used, colours important
  PutName(h, "QUILVA:AVI");
  h.EndChunk(video);

  if (hasSound) {
    size_t audio = h.BeginList(FourCC("LIST"), FourCC("strl"));
    uint32_t blockAlign = sound.BlockAlign();
    PutStreamHeader(h, FourCC("auds"), 0, 1, sound.SamplesPerSecond(), sound.dataBytes / blockAlign,
                    sound.dataBytes, 0, blockAlign, 0, 0);
    h.Tag(FourCC("strf"));
    h.U32(18);
    h.Bytes(sound.format, 18);
    PutName(h, "QUILVA:AUDIO");
    h.EndChunk(audio);
  }
  h.EndChunk(hdrl);

  size_t junk = h.size();
  h.Tag(FourCC("JUNK"));
  h.U32(static_cast<uint32_t>(kMoviListOffset - junk - 8));
  h.Zeros(kMoviListOffset - junk - 8);
  h.Tag(FourCC("LIST"));
  h.U32(static_cast<uint32_t>(moviSize));
  h.Tag(FourCC("movi"));
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
    w.soundIndex[0] = FourCC("01wb");
    w.soundIndex[1] = 1;
    w.soundIndex[2] = 4;
    w.soundIndex[3] = sound.dataBytes;
  }
  return true;
}

bool AviWriterPutFrame(const uint8_t* frameBits) {
  AviWriterState& w = gAviWriter;
  if (!w.file) return false;
  // Frames beyond the declared count must still not push the file past 4 GiB.
  uint64_t entries = uint64_t{w.frameCount} + (w.soundIndex[0] ? 1 : 0);
  if (w.position + 8 + w.frameBytes + 8 + 16 * entries - 8 > 0xFFFFFFFFu) return false;
  uint8_t head[8];
  PutU32(head, FourCC("00db"));
  PutU32(head + 4, w.frameBytes);
  Write(head, 8);
  Write(frameBits, w.frameBytes);
  return !w.writeFailed;
}

bool AviWriterClose() {
  AviWriterState& w = gAviWriter;
  if (!w.file) return true;
  uint64_t entries = uint64_t{w.frameCount} + (w.soundIndex[0] ? 1 : 0);
  std::vector<uint8_t> block;
  block.reserve(16 * 4096);
  auto flush = [&] {
    Write(block.data(), block.size());
    block.clear();
  };
  auto entry = [&](uint32_t id, uint32_t flags, uint32_t offset, uint32_t length) {
    uint8_t e[16];
    PutU32(e, id);
    PutU32(e + 4, flags);
    PutU32(e + 8, offset);
    PutU32(e + 12, length);
    block.insert(block.end(), e, e + 16);
    if (block.size() >= 16 * 4096) flush();
  };
  uint8_t head[8];
  PutU32(head, FourCC("idx1"));
  PutU32(head + 4, static_cast<uint32_t>(16 * entries));
  Write(head, 8);
  // Offsets count from the "movi" identifier at 2056 to each chunk's id.
  uint32_t offset = 4;
  if (w.soundIndex[0]) {
    entry(w.soundIndex[0], w.soundIndex[1], w.soundIndex[2], w.soundIndex[3]);
    offset += 8 + w.soundIndex[3] + (w.soundIndex[3] & 1);
  }
  for (uint32_t i = 0; i < w.frameCount; ++i, offset += w.frameBytes + 8)
    entry(FourCC("00db"), 0x10, offset, w.frameBytes);
  flush();

  uint8_t riffSize[4];
  PutU32(riffSize, static_cast<uint32_t>(w.position - 8));
  if (!w.writeFailed &&
      (std::fflush(w.file.get()) != 0 || std::fseek(w.file.get(), 4, SEEK_SET) != 0 ||
       !WriteAll(w.file.get(), riffSize, 4)))
    w.writeFailed = true;
  if (std::fclose(w.file.release()) != 0) w.writeFailed = true;
  if (w.writeFailed) {
    std::string_view pattern = kMsgWriteFailed;
    size_t at = pattern.find("%s");
    std::string text(pattern.substr(0, at));
    text += w.path;
    text += pattern.substr(at + 2);
    ShowMessage(text, kTitleWriteFailed);
    return false;
  }
  return true;
}

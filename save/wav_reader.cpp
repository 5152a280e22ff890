#include "save/wav_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "common/bytes.h"
#include "common/file.h"
#include "common/message.h"
#include "save/save_messages.h"

namespace {

bool ReadId(std::FILE* file, uint32_t* id) {
  uint8_t bytes[4];
  if (std::fread(bytes, 1, 4, file) != 4) return false;
  *id = GetU32(bytes);
  return true;
}

bool Fail(WavSound* sound, const std::string& text, const char* title) {
  sound->file.reset();
  sound->bytes.reset();
  sound->dataBytes = 0;
  ShowMessage(text, title);
  return false;
}

}  // namespace

uint16_t WavSound::FormatTag() const {
  return GetU16(format);
}
uint16_t WavSound::Channels() const {
  return GetU16(format + 2);
}
uint32_t WavSound::SamplesPerSecond() const {
  return GetU32(format + 4);
}
uint16_t WavSound::BlockAlign() const {
  return GetU16(format + 12);
}
uint16_t WavSound::BitsPerSample() const {
  return GetU16(format + 14);
}

bool WavReadSound(const std::string& path, WavReadMode mode, WavSound* sound) {
  UniqueFile file = FileOpen(path, "rb");
  if (!file) {
    *sound = WavSound{};
    return Fail(sound, MessageWithPath(kMessageWavOpenFailed, path), kTitleAra);
  }
  return WavReadSoundFrom(std::move(file), path, mode, sound);
}

bool WavReadSoundFrom(UniqueFile file, const std::string& path, WavReadMode mode, WavSound* sound) {
  *sound = WavSound{};
  sound->file = std::move(file);
  std::FILE* in = sound->file.get();
  uint32_t id = 0;
  if (!ReadId(in, &id) || id != FourCC("RIFF"))
    return Fail(sound, MessageWithPath(kMessageWavNotRiff, path), kTitleAra);
  uint32_t riffSize;
  if (!ReadId(in, &riffSize) || !ReadId(in, &id) || id != FourCC("WAVE"))
    return Fail(sound, MessageWithPath(kMessageWavNotWave, path), kTitleAra);
  if (!ReadId(in, &id) || id != FourCC("fmt "))
    return Fail(sound, MessageWithPath(kMessageWavNotFmt, path), kTitleAra);

  // The format area holds 20 bytes; a longer chunk is skipped behind them, a
  // shorter one leaves the rest zero (no extra size).
  uint32_t fmtSize = 0;
  ReadId(in, &fmtSize);
  uint8_t area[20] = {};
  size_t take = std::min<uint32_t>(fmtSize, sizeof area);
  size_t got = std::fread(area, 1, take, in);
  if (got == take && fmtSize > sizeof area)
    FileSeek64(in, int64_t{fmtSize} - int64_t{sizeof area}, SEEK_CUR);
  std::memcpy(sound->format, area, sizeof sound->format);
  // Without a block alignment or a sample rate no stream header can be made
  // (the stream length divides by the alignment).
  if (sound->FormatTag() != 1 || sound->BlockAlign() == 0 || sound->SamplesPerSecond() == 0)
    return Fail(sound, kMessageWavNotPcm, kTitleSoreWaKomarimasu);

  uint32_t size = 0;
  for (;;) {
    if (!ReadId(in, &id) || !ReadId(in, &size)) {
      if (mode == WavReadMode::Streamed)
        return Fail(sound, kMessageWavNoData, kTitleSoreWaKomarimasu);
      sound->file.reset();
      return false;
    }
    if (id == FourCC("data")) break;
    if (!FileSeek64(in, size, SEEK_CUR)) {
      if (mode == WavReadMode::Streamed)
        return Fail(sound, kMessageWavNoData, kTitleSoreWaKomarimasu);
      sound->file.reset();
      return false;
    }
  }

  // A file cut short (a recording that never patched its sizes, a copy that
  // broke off) gives the sound it has; the sizes written to the AVI then match.
  int64_t here = FileTell64(in);
  int64_t end = -1;
  if (here >= 0 && FileSeek64(in, 0, SEEK_END)) end = FileTell64(in);
  if (end < here || !FileSeek64(in, here, SEEK_SET)) {
    if (mode == WavReadMode::Streamed)
      return Fail(sound, kMessageWavNoData, kTitleSoreWaKomarimasu);
    sound->file.reset();
    return false;
  }
  sound->dataBytes = static_cast<uint32_t>(std::min<int64_t>(size, end - here));

  if (mode == WavReadMode::InMemory) {
    sound->bytes.reset(new (std::nothrow) uint8_t[sound->dataBytes ? sound->dataBytes : 1]);
    if (!sound->bytes) return Fail(sound, kMessageWavNoMemory, kTitleKomarimashitawaKanji);
    sound->dataBytes =
        static_cast<uint32_t>(std::fread(sound->bytes.get(), 1, sound->dataBytes, in));
    sound->file.reset();
  }
  return true;
}

#include "capture/sound_recording.h"

#include <cstdio>

#include "capture/capture_messages.h"
#include "common/bytes.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

const SoundFormatEntry SoundFormatTable[kSoundFormatCount] = {
    {{11025, 8, 1}, "8ビット  11.025 kHz  モノラル"},
    {{11025, 8, 2}, "8ビット  11.025 kHz  ステレオ"},
    {{11025, 16, 1}, "16ビット 11.025 kHz  モノラル"},
    {{11025, 16, 2}, "16ビット 11.025 kHz  ステレオ"},
    {{22050, 8, 1}, "8ビット  22.050 kHz  モノラル"},
    {{22050, 8, 2}, "8ビット  22.050 kHz  ステレオ"},
    {{22050, 16, 1}, "16ビット 22.050 kHz  モノラル"},
    {{22050, 16, 2}, "16ビット 22.050 kHz  ステレオ"},
    {{44100, 8, 1}, "8ビット  44.100 kHz  モノラル"},
    {{44100, 8, 2}, "8ビット  44.100 kHz  ステレオ"},
    {{44100, 16, 1}, "16ビット 44.100 kHz  モノラル"},
    {{44100, 16, 2}, "16ビット 44.100 kHz  ステレオ"},
};

WaveFormat MakeWaveFormat(const SoundFormat& format) {
  WaveFormat wave;
  wave.channels = static_cast<uint16_t>(format.channels);
  wave.samplesPerSec = static_cast<uint32_t>(format.sampleRate);
  wave.bitsPerSample = static_cast<uint16_t>(format.bitsPerSample);
  wave.blockAlign = static_cast<uint16_t>(format.channels * format.bitsPerSample / 8);
  wave.avgBytesPerSec = wave.blockAlign * wave.samplesPerSec;
  return wave;
}

uint32_t SoundBufferBytes(const WaveFormat& format, int32_t scale, int32_t rate) {
  // A scale of 0 would divide by zero and a negative rate wrap around: both come
  // from a damaged settings file, and both get the smallest buffer.
  const uint64_t block = format.blockAlign ? format.blockAlign : 1;
  uint64_t bytes = 0;
  if (scale > 0 && rate > 0) {
    bytes = uint64_t{format.avgBytesPerSec} * static_cast<uint64_t>(rate) /
            (static_cast<uint64_t>(scale) * 1000);
  }
  if (bytes > kSoundBufferBytes) bytes = kSoundBufferBytes;
  // A buffer that ends inside a sample block would leave the device half a
  // sample to split across two buffers; the cap is already a whole number of
  // blocks for every format of the table.
  bytes -= bytes % block;
  if (bytes < block) bytes = block;
  return static_cast<uint32_t>(bytes);
}

void PutWavHeader(uint8_t* out, const WaveFormat& format, uint32_t riffSize, uint32_t dataSize) {
  ByteWriter w;
  w.Tag(FourCC("RIFF"));
  w.U32(riffSize);
  w.Tag(FourCC("WAVE"));
  w.Tag(FourCC("fmt "));
  w.U32(18);  // format chunk size: the wave-format record with its extra size
  w.U16(format.formatTag);
  w.U16(format.channels);
  w.U32(format.samplesPerSec);
  w.U32(format.avgBytesPerSec);
  w.U16(format.blockAlign);
  w.U16(format.bitsPerSample);
  w.U16(format.extraSize);
  w.Tag(FourCC("data"));
  w.U32(dataSize);
  std::memcpy(out, w.data(), kWavHeaderBytes);
}

const char* MmErrorText(uint32_t code) {
  static const char* const kTexts[] = {
      "",
      "unspecified error",
      "device ID out of range",
      "driver failed enable",
      "device already allocated",
      "device handle is invalid",
      "no device driver present",
      "memory allocation error",
      "function isn't supported",
      "error value out of range",
      "invalid flag passed",
      "invalid parameter passed",
      "handle being used",
      "specified alias not found",
      "bad registry database",
      "registry key not found",
      "registry read error",
      "registry write error",
      "registry delete error",
      "registry value not found",
      "driver does not call DriverCallback or last error in range",
  };
  if (code < sizeof kTexts / sizeof kTexts[0]) return kTexts[code];
  return kLogUnexpectedError;
}

SoundFormatList ListSoundFormats(uint32_t flags, SoundFormat* current) {
  SoundFormatList list;
  for (int k = 0; k < kSoundFormatCount; ++k) {
    if (!(flags & (uint32_t{1} << k))) continue;
    if (SoundFormatTable[k].format == *current) list.selected = list.count;
    list.entry[list.count++] = k;
  }
  if (list.count > 0 && list.selected < 0) {
    list.selected = 0;
    *current = SoundFormatTable[list.entry[0]].format;
  }
  return list;
}

namespace {
bool TruncateFile(std::FILE* file, int64_t length) {
  std::fflush(file);
#ifdef _WIN32
  return _chsize_s(_fileno(file), length) == 0;
#else
  return ftruncate(fileno(file), length) == 0;
#endif
}

// RIFF sizes are 32-bit: the data may grow to what keeps the RIFF size in range.
constexpr uint64_t kWavMaxDataBytes = UINT32_MAX - (kWavHeaderBytes - 8);
}  // namespace

bool WavCreate(WavWriter* wav, const std::string& path, const WaveFormat& format) {
  wav->file = FileOpen(path, "wb");
  if (!wav->file) return false;
  // Unbuffered, so a short write count is exactly what reached the disk and the
  // file can be cut back to whole sample blocks when the disk fills.
  std::setvbuf(wav->file.get(), nullptr, _IONBF, 0);
  wav->blockAlign = format.blockAlign ? format.blockAlign : 1;
  wav->dataBytes = 0;
  wav->failed = false;
  uint8_t header[kWavHeaderBytes];
  PutWavHeader(header, format, 0, 0);
  if (std::fwrite(header, 1, sizeof header, wav->file.get()) != sizeof header) {
    wav->file.reset();
    FileRemove(path);
    return false;
  }
  return true;
}

bool WavAppend(WavWriter* wav, const uint8_t* data, size_t size) {
  if (!wav->file || wav->failed) return false;
  const uint64_t limit = wav->dataLimit < kWavMaxDataBytes ? wav->dataLimit : kWavMaxDataBytes;
  size_t allowed = size;
  if (wav->dataBytes + size > limit) allowed = static_cast<size_t>(limit - wav->dataBytes);
  size_t done = 0;
  while (done < allowed) {
    size_t n = std::fwrite(data + done, 1, allowed - done, wav->file.get());
    if (n == 0) break;
    done += n;
  }
  wav->dataBytes += done;
  if (done < size) wav->failed = true;
  return !wav->failed;
}

bool WavFinish(WavWriter* wav) {
  if (!wav->file) return false;
  std::FILE* file = wav->file.get();
  bool ok = true;
  // What a failed write left may end inside a sample block: cut it to whole ones.
  const uint64_t data = wav->dataBytes - wav->dataBytes % wav->blockAlign;
  if (data != wav->dataBytes) {
    ok = TruncateFile(file, static_cast<int64_t>(kWavHeaderBytes + data));
    wav->dataBytes = data;
  }
  uint8_t size[4];
  PutU32(size, static_cast<uint32_t>(data + kWavHeaderBytes - 8));
  ok = FileSeek64(file, 4, SEEK_SET) && std::fwrite(size, 1, 4, file) == 4 && ok;
  PutU32(size, static_cast<uint32_t>(data));
  ok = FileSeek64(file, 42, SEEK_SET) && std::fwrite(size, 1, 4, file) == 4 && ok;
  ok = std::fclose(wav->file.release()) == 0 && ok;
  return ok;
}

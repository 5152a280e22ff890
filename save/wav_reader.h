#pragma once
// The AVI writer's own reading of a RIFF WAVE file: the sound format and the
// sound bytes, nothing else. Every problem is reported in a message box and
// costs only the sound.
#include <cstdint>
#include <memory>
#include <string>

#include "common/file.h"

// Streamed: the file stays open at the first sound byte, for copying in pieces.
// In memory: the sound bytes are read at once and the file is closed.
enum class WavReadMode { Streamed, InMemory };

struct WavSound {
  uint8_t format[18] = {};  // the first 18 bytes of the "fmt " chunk, as stored
  uint32_t dataBytes = 0;   // N: never more than the file actually holds
  UniqueFile file;
  std::unique_ptr<uint8_t[]> bytes;

  uint16_t FormatTag() const;
  uint16_t Channels() const;
  uint32_t SamplesPerSecond() const;
  uint16_t BlockAlign() const;
  uint16_t BitsPerSample() const;
};

// path names the file in the messages too.
bool WavReadSound(const std::string& path, WavReadMode mode, WavSound* sound);
// The same on a stream already open for reading (taken over).
bool WavReadSoundFrom(UniqueFile file, const std::string& path, WavReadMode mode, WavSound* sound);

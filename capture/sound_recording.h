#pragma once
// Sound recorded from the wave-input device into a WAV file beside the temp
// capture file. This header holds the portable half: the selectable formats, the
// buffer size rule, the WAV file writer and the texts of the multimedia error
// codes. The device itself is driven by sound_recording_win.cpp.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/file.h"

struct SoundFormat {
  int32_t sampleRate = 11025;
  int32_t bitsPerSample = 8;
  int32_t channels = 1;
};
inline bool operator==(const SoundFormat& a, const SoundFormat& b) {
  return a.sampleRate == b.sampleRate && a.bitsPerSample == b.bitsPerSample &&
         a.channels == b.channels;
}

inline constexpr int kSoundFormatCount = 12;
struct SoundFormatEntry {
  SoundFormat format;
  const char* text;  // UTF-8, shown in the sound-format dialog
};
// Entry k belongs to bit k (value 1 << k) of the device's capability flags.
extern const SoundFormatEntry SoundFormatTable[kSoundFormatCount];

inline constexpr int kSoundBufferCount = 8;
inline constexpr uint32_t kSoundBufferBytes = 10592;  // the storage of each buffer
inline constexpr size_t kWavHeaderBytes = 46;

// The 18-byte wave-format record the device is opened with.
struct WaveFormat {
  uint16_t formatTag = 1;  // PCM
  uint16_t channels = 1;
  uint32_t samplesPerSec = 11025;
  uint32_t avgBytesPerSec = 11025;
  uint16_t blockAlign = 1;
  uint16_t bitsPerSample = 8;
  uint16_t extraSize = 0;
};
WaveFormat MakeWaveFormat(const SoundFormat& format);

// Bytes per buffer for the capture engine's rate and scale: average bytes per
// second x rate / (scale x 1000), at most kSoundBufferBytes, and a whole number
// of sample blocks of at least one block.
uint32_t SoundBufferBytes(const WaveFormat& format, int32_t scale, int32_t rate);

// The 46-byte header with the given RIFF and data sizes.
void PutWavHeader(uint8_t* out, const WaveFormat& format, uint32_t riffSize, uint32_t dataSize);

// English text of a multimedia system error code (MMSYSERR_*); "" for 0.
const char* MmErrorText(uint32_t code);

// --- Choosing a format (the sound-format dialog) ------------------------------

struct SoundFormatList {
  int count = 0;                      // 0: the device records none of the formats
  int entry[kSoundFormatCount] = {};  // the table index k of each list position
  int selected = -1;
};
// The formats the capability flags allow, smallest first, with the one equal to
// *current selected. When none is, the first is selected and *current becomes
// it at once (even if the dialog is cancelled afterwards).
SoundFormatList ListSoundFormats(uint32_t flags, SoundFormat* current);

// --- The WAV file ---------------------------------------------------------------

struct WavWriter {
  UniqueFile file;
  uint16_t blockAlign = 1;
  uint64_t dataBytes = 0;  // sample bytes that reached the file
  bool failed = false;     // the disk refused a write; nothing more is appended
  // Tests stand in for a full disk: appends past this many sample bytes are refused.
  uint64_t dataLimit = UINT64_MAX;
};
// Creates the file with the header, both sizes 0.
bool WavCreate(WavWriter* wav, const std::string& path, const WaveFormat& format);
// Appends samples; false (once failed, always) when they did not all reach the file.
bool WavAppend(WavWriter* wav, const uint8_t* data, size_t size);
// Cuts a partial sample block off the end, patches both sizes to what the file
// holds and closes it. False when the file was not open or the patch failed.
bool WavFinish(WavWriter* wav);

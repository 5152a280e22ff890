#pragma once
// The recorder's sound: one SoundRecorder for the whole program, driving the
// wave-input device through the wave mapper with a function callback.
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "capture/sound_recording.h"

struct SoundRecorder {
  HWAVEIN device = nullptr;
  WAVEFORMATEX format{};
  SoundFormat soundFormat;
  uint32_t bufferBytes = 0;
  WAVEHDR headers[kSoundBufferCount]{};
  uint8_t buffers[kSoundBufferCount][kSoundBufferBytes]{};
  uint8_t staging[kSoundBufferBytes]{};
  WavWriter wav;  // running exactly while its file is open

  // Shared with the callback; see StopSoundRecording for why this is enough.
  std::mutex lock;
  bool stopping = false;  // buffers coming back are written but not queued again
  int queued = 0;         // buffers the device holds
  bool writeLogged = false;
};
extern SoundRecorder gSoundRecorder;

// The capability flags of a wave-input device, 0 when the query fails (logged).
uint32_t QueryWaveInFormats(UINT deviceId);
void SetSoundFormat(int32_t sampleRate, int32_t bitsPerSample, int32_t channels);
// scale and rate: the capture engine's frame rate (rate / scale per second).
// Failures are logged; the recording then goes on without sound.
bool StartSoundRecording(int32_t scale, int32_t rate, const std::string& wavPath);
// True when a recording was running and is now stopped with its sizes patched.
bool StopSoundRecording();
void CALLBACK WaveInDataCallback(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                 DWORD_PTR param2);

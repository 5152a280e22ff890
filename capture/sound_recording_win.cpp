#include "capture/sound_recording_win.h"

#include <cstring>

#include "capture/capture_messages.h"
#include "capture/error_log.h"

SoundRecorder gSoundRecorder;

namespace {
// Longest wait for the device to hand back its buffers after a reset; a driver
// that never does still gets its recording closed, just without those buffers.
constexpr DWORD kDrainTimeoutMs = 5000;

void LogMmError(MMRESULT result) {
  WriteErrorLog(MmErrorText(result));
}

bool QueueBuffer(SoundRecorder& s, WAVEHDR* header) {
  if (waveInPrepareHeader(s.device, header, sizeof *header) != MMSYSERR_NOERROR) return false;
  if (waveInAddBuffer(s.device, header, sizeof *header) != MMSYSERR_NOERROR) {
    waveInUnprepareHeader(s.device, header, sizeof *header);
    return false;
  }
  ++s.queued;
  return true;
}

// Resets the device (every buffer it holds comes back through the callback),
// waits until the callback has taken them all, then releases the buffers and
// the device. Windows refuses to unprepare or close while buffers are queued,
// so this order is the one that works there as well as under Wine.
void CloseDevice(SoundRecorder& s) {
  waveInStop(s.device);   // the buffer being filled comes back with what it holds
  waveInReset(s.device);  // the empty ones follow
  const DWORD start = GetTickCount();
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(s.lock);
      if (s.queued <= 0) break;
    }
    if (GetTickCount() - start > kDrainTimeoutMs) break;
    Sleep(1);
  }
  for (WAVEHDR& header : s.headers) {
    if (header.dwFlags & WHDR_PREPARED) waveInUnprepareHeader(s.device, &header, sizeof header);
  }
  waveInClose(s.device);
  s.device = nullptr;
}
}  // namespace

uint32_t QueryWaveInFormats(UINT deviceId) {
  WAVEINCAPSW caps{};
  MMRESULT result = waveInGetDevCapsW(deviceId, &caps, sizeof caps);
  if (result != MMSYSERR_NOERROR) {
    LogMmError(result);
    return 0;
  }
  return caps.dwFormats;
}

void SetSoundFormat(int32_t sampleRate, int32_t bitsPerSample, int32_t channels) {
  gSoundRecorder.soundFormat = {sampleRate, bitsPerSample, channels};
}

bool StartSoundRecording(int32_t scale, int32_t rate, const std::string& wavPath) {
  SoundRecorder& s = gSoundRecorder;
  StopSoundRecording();
  const WaveFormat wave = MakeWaveFormat(s.soundFormat);
  s.format = {};
  s.format.wFormatTag = WAVE_FORMAT_PCM;
  s.format.nChannels = wave.channels;
  s.format.nSamplesPerSec = wave.samplesPerSec;
  s.format.nAvgBytesPerSec = wave.avgBytesPerSec;
  s.format.nBlockAlign = wave.blockAlign;
  s.format.wBitsPerSample = wave.bitsPerSample;
  s.format.cbSize = 0;
  MMRESULT result =
      waveInOpen(&s.device, WAVE_MAPPER, &s.format, reinterpret_cast<DWORD_PTR>(WaveInDataCallback),
                 0, CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR) {
    s.device = nullptr;
    LogMmError(result);
    return false;
  }
  // The file is open before any buffer is queued: with the device started first,
  // buffers returned before the file existed would be neither written nor queued
  // again, and a fast device could run dry before recording began.
  if (!WavCreate(&s.wav, wavPath, wave)) {
    WriteErrorLog(kLogSoundFileCreateFailed);
    waveInClose(s.device);
    s.device = nullptr;
    return false;
  }
  s.bufferBytes = SoundBufferBytes(wave, scale, rate);
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.stopping = false;
    s.queued = 0;
    s.writeLogged = false;
    for (int i = 0; i < kSoundBufferCount; ++i) {
      WAVEHDR& header = s.headers[i];
      header = {};
      header.lpData = reinterpret_cast<LPSTR>(s.buffers[i]);
      header.dwBufferLength = s.bufferBytes;
      std::memset(s.buffers[i], 0, s.bufferBytes);
      if (!QueueBuffer(s, &header)) {
        result = MMSYSERR_NOMEM;
        break;
      }
    }
  }
  if (result == MMSYSERR_NOERROR) result = waveInStart(s.device);
  if (result != MMSYSERR_NOERROR) {
    LogMmError(result);
    {
      std::lock_guard<std::mutex> hold(s.lock);
      s.stopping = true;
    }
    CloseDevice(s);
    std::lock_guard<std::mutex> hold(s.lock);
    WavFinish(&s.wav);
    FileRemove(wavPath);
    return false;
  }
  return true;
}

// Why this is race-free: the callback does all its work (copy, queue again,
// append) holding s.lock, and the device returns buffers one at a time in
// recording order, so the file receives them in that order. The stop sets
// `stopping` under the lock, after which no buffer is queued again; the count of
// queued buffers then only falls. After the reset the stop waits, without the
// lock (the device thread may need it to deliver), until that count is 0: every
// buffer the device held has been written. Only then, under the lock, are the
// sizes patched and the file closed. A callback arriving later still (a driver
// that outlived the wait) finds the file closed under the same lock and does
// nothing, so no byte lands after the patch.
bool StopSoundRecording() {
  SoundRecorder& s = gSoundRecorder;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    if (!s.wav.file) return false;
    s.stopping = true;
  }
  CloseDevice(s);
  std::lock_guard<std::mutex> hold(s.lock);
  WavFinish(&s.wav);
  return true;
}

void CALLBACK WaveInDataCallback(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                 DWORD_PTR param2) {
  if (message != WIM_DATA) return;
  SoundRecorder& s = gSoundRecorder;
  auto* header = reinterpret_cast<WAVEHDR*>(param1);
  std::lock_guard<std::mutex> hold(s.lock);
  if (!s.wav.file) return;
  --s.queued;
  DWORD bytes = header->dwBytesRecorded;
  if (bytes > s.bufferBytes) bytes = s.bufferBytes;
  std::memcpy(s.staging, header->lpData, bytes);
  // Back to the device before the disk is touched, so it keeps 7 or 8 buffers
  // while the write waits.
  if (!s.stopping) {
    waveInUnprepareHeader(device, header, sizeof *header);
    header->dwFlags = 0;
    header->dwBytesRecorded = 0;
    QueueBuffer(s, header);
  }
  if (!WavAppend(&s.wav, s.staging, bytes) && !s.writeLogged) {
    // The disk is full (or gone): what was written stays, sound ends here and
    // the screen recording goes on.
    s.writeLogged = true;
    WriteErrorLog(kLogSoundFileWriteFailed);
  }
}

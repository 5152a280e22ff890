// The companion WAV may be anything a user left beside a temp file.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/message.h"
#include "save/wav_reader.h"

namespace {
MessageAnswer Quiet(const MessageRequest&, void*) {
  return MessageAnswer::Ok;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  SetMessageHandler({Quiet, nullptr});
  std::vector<uint8_t> copy(data, data + size);
  for (WavReadMode mode : {WavReadMode::Streamed, WavReadMode::InMemory}) {
    UniqueFile file(fmemopen(copy.data(), copy.size(), "rb"));
    if (!file) return 0;
    WavSound sound;
    if (!WavReadSoundFrom(std::move(file), "fuzz.wav", mode, &sound)) continue;
    if (sound.BlockAlign() == 0 || sound.dataBytes > size) __builtin_trap();
    if (mode == WavReadMode::InMemory) {
      uint32_t sum = 0;
      for (uint32_t i = 0; i < sound.dataBytes; ++i) sum += sound.bytes[i];
      (void)sum;
    } else {
      uint8_t piece[1024];
      uint32_t left = sound.dataBytes;
      while (left && std::fread(piece, 1, left < 1024 ? left : 1024, sound.file.get()) > 0)
        left -= left < 1024 ? left : 1024;
    }
  }
  return 0;
}

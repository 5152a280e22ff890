// Coded frames from a damaged file: the fast decoders must change and consume
// exactly what the byte-at-a-time reading does.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "capture/frame_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  size_t length = 1 + (size_t{data[0]} | size_t{data[1]} << 8);
  bool run = data[2] & 1;
  std::vector<uint8_t> stream(data + 3, data + size);
  stream.push_back(0);  // fmemopen wants a non-empty buffer; the byte is part of the stream
  std::vector<uint8_t> fast(length), ref(length);
  for (size_t i = 0; i < length; ++i) fast[i] = ref[i] = static_cast<uint8_t>(i * 131);
  FILE* a = fmemopen(stream.data(), stream.size(), "rb");
  FILE* b = fmemopen(stream.data(), stream.size(), "rb");
  if (!a || !b) __builtin_trap();
  bool fastOk = run ? DecodeRunXor(a, fast.data(), length) : DecodeFlagXor(a, fast.data(), length);
  bool refOk =
      run ? DecodeRunXor_ref(b, ref.data(), length) : DecodeFlagXor_ref(b, ref.data(), length);
  if (fastOk != refOk || fast != ref) __builtin_trap();
  if (refOk && ftell(a) != ftell(b)) __builtin_trap();
  fclose(a);
  fclose(b);
  return 0;
}

#pragma once
// Byte-wise difference coding of one captured frame against the frame before
// it, as stored in the temp capture file. A frame is just `length` bytes (pixel
// rows or a colour table); the coded form has no length field, so the reader
// must know `length` and each decoder consumes exactly its own bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>

// The codec byte of the temp file header and of the recorder settings; the
// value is also the index in the settings combobox.
enum TempCodec : uint8_t {
  kTempCodecPlain = 0,    // "無し"
  kTempCodecFlagXor = 1,  // "零ハフ圧縮"
  kTempCodecRunXor = 2,   // "零長圧縮"
};
constexpr uint8_t kTempCodecDefault = kTempCodecFlagXor;

// Encoders append the coding of current against previous to the stream and
// change neither buffer; swapping the two frame arguments writes the same
// bytes. They return false when the stream stopped taking bytes (a full disk):
// the frame is then incomplete in the stream.
bool EncodeFlagXor(const uint8_t* current, const uint8_t* previous, size_t length,
                   std::FILE* stream);
bool EncodeRunXor(const uint8_t* current, const uint8_t* previous, size_t length,
                  std::FILE* stream);

// Decoders XOR the differences into buffer, which holds the previous frame on
// entry. They never read past the coded frame. A stream that ends inside the
// frame stops decoding: what was decoded stays, the rest keeps the previous
// contents, and the result is false.
bool DecodeFlagXor(std::FILE* stream, uint8_t* buffer, size_t length);
bool DecodeRunXor(std::FILE* stream, uint8_t* buffer, size_t length);

using FrameEncoder = bool (*)(const uint8_t* current, const uint8_t* previous, size_t length,
                              std::FILE* stream);
using FrameDecoder = bool (*)(std::FILE* stream, uint8_t* buffer, size_t length);

// The coder for a codec byte; null for kTempCodecPlain and for unknown values.
FrameEncoder SelectFrameEncoder(uint8_t codec);
FrameDecoder SelectFrameDecoder(uint8_t codec);

// Straightforward byte-at-a-time versions: the yardstick the fast ones are
// tested and measured against.
bool EncodeFlagXor_ref(const uint8_t* current, const uint8_t* previous, size_t length,
                       std::FILE* stream);
bool EncodeRunXor_ref(const uint8_t* current, const uint8_t* previous, size_t length,
                      std::FILE* stream);
bool DecodeFlagXor_ref(std::FILE* stream, uint8_t* buffer, size_t length);
bool DecodeRunXor_ref(std::FILE* stream, uint8_t* buffer, size_t length);

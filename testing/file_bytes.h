#pragma once
// Whole files as bytes, and PCM WAV files to take sound from, for tests.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"

using Bytes = std::vector<uint8_t>;

inline Bytes ReadWhole(const std::string& path) {
  UniqueFile file = FileOpen(path, "rb");
  Bytes out;
  if (!file) return out;
  uint8_t piece[65536];
  size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, file.get())) > 0)
    out.insert(out.end(), piece, piece + got);
  return out;
}

// A PCM WAV file with an 18-byte "fmt " chunk and the given sound bytes.
inline bool WriteTestWav(const std::string& path, uint16_t channels, uint16_t bits, uint32_t rate,
                         const Bytes& data) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  ByteWriter w;
  size_t riff = w.BeginList(FourCC("RIFF"), FourCC("WAVE"));
  w.Tag(FourCC("fmt "));
  w.U32(18);
  w.U16(1);  // PCM
  w.U16(channels);
  w.U32(rate);
  w.U32(rate * align);
  w.U16(align);
  w.U16(bits);
  w.U16(0);  // extra size
  w.Tag(FourCC("data"));
  w.U32(static_cast<uint32_t>(data.size()));
  w.Bytes(data.data(), data.size());
  w.PatchU32(riff, static_cast<uint32_t>(w.size() - 8));
  UniqueFile file = FileOpen(path, "wb");
  return file && FileWriteAll(file.get(), w.data(), w.size());
}

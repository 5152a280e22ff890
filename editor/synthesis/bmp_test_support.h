#pragma once
// Bitmap files for tests, built from their fields one by one.
#include <cstdint>
#include <vector>

#include "common/bytes.h"

using BmpBytes = std::vector<uint8_t>;

// A bitmap file from its fields, written out one by one.
struct BmpFields {
  uint32_t headerSize = 40;
  int32_t width = 3;
  int32_t height = 2;
  uint16_t planes = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
  uint32_t tableBytes = 0;  // written after the header
  int64_t pixelBytes = -1;  // -1: stride * |height|
  uint8_t shift = 0;        // pixel byte i is i + shift
};

inline BmpBytes MakeBmp(const BmpFields& f) {
  const int64_t stride = f.width > 0 ? (int64_t{f.width} * f.bits + 31) / 32 * 4 : 4;
  const int64_t rows = f.height < 0 ? -int64_t{f.height} : f.height;
  const int64_t pixels = f.pixelBytes >= 0 ? f.pixelBytes : int64_t{stride} * rows;
  ByteWriter w;
  w.U8('B');
  w.U8('M');
  w.U32(0);  // file size: readers go by the real length
  w.U32(0);  // reserved
  w.U32(14 + f.headerSize + f.tableBytes);
  w.U32(f.headerSize);
  w.U32(static_cast<uint32_t>(f.width));
  w.U32(static_cast<uint32_t>(f.height));
  w.U16(f.planes);
  w.U16(f.bits);
  w.U32(f.compression);
  w.U32(0);  // image size
  w.U32(2835);
  w.U32(2835);
  w.U32(f.coloursUsed);
  w.U32(0);                                                             // important colours
  for (uint32_t i = 40; i < f.headerSize && i < 1024; ++i) w.U8(0xAB);  // a lying size writes less
  for (uint32_t i = 0; i < f.tableBytes; ++i) w.U8(static_cast<uint8_t>(0x40 + i));
  for (int64_t i = 0; i < pixels; ++i) w.U8(static_cast<uint8_t>(i + f.shift));
  return BmpBytes(w.data(), w.data() + w.size());
}

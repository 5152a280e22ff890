#include "editor/synthesis/bitmap_file.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "common/file.h"

namespace {
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitFields = 3;

bool KnownDepth(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

uint64_t FileLength(std::FILE* file) {
  if (!FileSeek64(file, 0, SEEK_END)) return 0;
  const int64_t length = FileTell64(file);
  return length > 0 ? static_cast<uint64_t>(length) : 0;
}
}  // namespace

BitmapProblem ReadBitmapFormat(std::FILE* file, BitmapFormat* out) {
  const uint64_t length = FileLength(file);
  uint8_t head[kBitmapFileHeaderBytes + kDibHeaderBytes];
  if (!FileSeek64(file, 0, SEEK_SET)) return BitmapProblem::Truncated;
  const size_t got = std::fread(head, 1, sizeof head, file);
  if (got < 2 || head[0] != 'B' || head[1] != 'M') return BitmapProblem::NotBitmap;
  if (got < sizeof head) return BitmapProblem::Truncated;

  ByteReader r(head + kBitmapFileHeaderBytes, kDibHeaderBytes);
  const uint32_t headerSize = r.U32();
  const int32_t width = r.I32();
  const int32_t height = r.I32();
  const uint16_t planes = r.U16();
  const uint16_t bitCount = r.U16();
  const uint32_t compression = r.U32();
  r.U32();  // image size: recomputed, writers often leave it 0
  r.U32();  // resolutions
  r.U32();
  const uint32_t coloursUsed = r.U32();
  out->bitCount = bitCount;  // callers that demand one depth say so before any other reason

  // Larger (V4, V5) headers carry their extra fields before the colour table;
  // their masks are read here only from the 40-byte form.
  if (headerSize < kDibHeaderBytes || headerSize > length - kBitmapFileHeaderBytes)
    return BitmapProblem::BadHeader;
  if (width <= 0 || height == 0 || height == INT32_MIN) return BitmapProblem::BadSize;
  if (planes != 1 || !KnownDepth(bitCount)) return BitmapProblem::BadDepth;
  const bool bitFields = compression == kBiBitFields && (bitCount == 16 || bitCount == 32);
  if (compression != kBiRgb && !(bitFields && headerSize == kDibHeaderBytes))
    return BitmapProblem::Compressed;

  const uint64_t tableOffset = kBitmapFileHeaderBytes + uint64_t{headerSize};
  const uint64_t tableBytes = DibColourTableBytes(bitCount, compression, coloursUsed);
  if (tableBytes > length - tableOffset) {
    return coloursUsed != 0 ? BitmapProblem::TableTooLarge : BitmapProblem::Truncated;
  }
  const uint64_t pixelOffset = tableOffset + tableBytes;
  const int64_t rows = height < 0 ? -int64_t{height} : height;
  const uint64_t stride = static_cast<uint64_t>(DibStride(width, bitCount));
  // stride and rows are each below 2^34, so the product cannot wrap.
  const uint64_t imageSize = stride * static_cast<uint64_t>(rows);
  if (imageSize >= 0x80000000u) return BitmapProblem::BadSize;
  if (imageSize > length - pixelOffset) return BitmapProblem::Truncated;

  out->format.assign(kDibHeaderBytes + tableBytes, 0);
  std::memcpy(out->format.data(), head + kBitmapFileHeaderBytes, kDibHeaderBytes);
  PutU32(out->format.data(), kDibHeaderBytes);
  PutU32(out->format.data() + 8, static_cast<uint32_t>(rows));
  PutU32(out->format.data() + 20, static_cast<uint32_t>(imageSize));
  if (tableBytes &&
      (!FileSeek64(file, static_cast<int64_t>(tableOffset), SEEK_SET) ||
       std::fread(out->format.data() + kDibHeaderBytes, 1, tableBytes, file) != tableBytes))
    return BitmapProblem::Truncated;
  out->width = width;
  out->height = static_cast<int32_t>(rows);
  out->topDown = height < 0;
  out->bitCount = bitCount;
  out->compression = compression;
  out->pixelOffset = pixelOffset;
  out->stride = static_cast<uint32_t>(stride);
  out->imageSize = static_cast<uint32_t>(imageSize);
  return BitmapProblem::None;
}

bool ReadBitmapPixels(std::FILE* file, const BitmapFormat& format, uint8_t* pixels,
                      bool* complete) {
  if (!FileSeek64(file, static_cast<int64_t>(format.pixelOffset), SEEK_SET)) return false;
  const size_t got = std::fread(pixels, 1, format.imageSize, file);
  if (got < format.imageSize) std::memset(pixels + got, 0, format.imageSize - got);
  if (complete) *complete = got == format.imageSize;
  if (format.topDown && format.height > 0)
    TurnRowsOver(pixels, format.stride, static_cast<uint64_t>(format.height));
  return true;
}

bool MakeBitmapFileHeader(const uint8_t* packedDib, size_t available,
                          uint8_t header[kBitmapFileHeaderBytes], size_t* dibBytes) {
  if (!packedDib || available < kDibHeaderBytes) return false;
  const int32_t width = static_cast<int32_t>(GetU32(packedDib + 4));
  const int32_t height = static_cast<int32_t>(GetU32(packedDib + 8));
  const uint16_t bitCount = GetU16(packedDib + 14);
  const uint32_t compression = GetU32(packedDib + 16);
  const uint32_t sizeImage = GetU32(packedDib + 20);
  const uint32_t coloursUsed = GetU32(packedDib + 32);
  if (width < 0 || height == INT32_MIN) return false;
  const uint64_t rows = height < 0 ? uint64_t(-int64_t{height}) : uint64_t(height);
  const uint64_t image =
      sizeImage != 0 ? sizeImage : static_cast<uint64_t>(DibStride(width, bitCount)) * rows;
  const uint64_t offset = kBitmapFileHeaderBytes + PixelOffset(bitCount, compression, coloursUsed);
  const uint64_t fileSize = offset + image;
  if (fileSize > UINT32_MAX || fileSize - kBitmapFileHeaderBytes > available) return false;
  header[0] = 'B';
  header[1] = 'M';
  PutU32(header + 2, static_cast<uint32_t>(fileSize));
  PutU32(header + 6, 0);
  PutU32(header + 10, static_cast<uint32_t>(offset));
  *dibBytes = static_cast<size_t>(fileSize - kBitmapFileHeaderBytes);
  return true;
}

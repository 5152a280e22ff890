#pragma once
// Little-endian fields for the suite's binary formats (temp files, RIFF, WAV,
// settings). Writers put every field explicitly; readers go through a cursor
// that checks each read against the bytes that remain and stays failed once a
// read did not fit (check ok() once after a run of reads).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// A four-character code from a 4-character string, first character in the low byte.
constexpr uint32_t FourCC(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t GetU64(const uint8_t* p) {
  return static_cast<uint64_t>(GetU32(p)) | static_cast<uint64_t>(GetU32(p + 4)) << 32;
}

class ByteReader {
 public:
  ByteReader(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}

  bool ok() const { return ok_; }
  size_t position() const { return position_; }
  size_t remaining() const { return ok_ ? size_ - position_ : 0; }
  const uint8_t* current() const { return data_ + position_; }

  uint8_t U8() { return Take(1) ? data_[position_ - 1] : 0; }
  uint16_t U16() { return Take(2) ? GetU16(data_ + position_ - 2) : 0; }
  uint32_t U32() { return Take(4) ? GetU32(data_ + position_ - 4) : 0; }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint64_t U64() { return Take(8) ? GetU64(data_ + position_ - 8) : 0; }
  // Copies n bytes out; on a short read the destination is zero-filled.
  bool Bytes(void* out, size_t n) {
    if (!Take(n)) {
      if (n) std::memset(out, 0, n);
      return false;
    }
    if (n) std::memcpy(out, data_ + position_ - n, n);
    return true;
  }
  // A view of the next n bytes, or null (and failed) when they are not there.
  const uint8_t* View(size_t n) { return Take(n) ? data_ + position_ - n : nullptr; }
  bool Skip(size_t n) { return Take(n); }
  bool Seek(size_t position) {
    if (!ok_ || position > size_) return ok_ = false;
    position_ = position;
    return true;
  }

 private:
  bool Take(size_t n) {
    if (!ok_ || n > size_ - position_) return ok_ = false;
    position_ += n;
    return true;
  }

  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  bool ok_ = true;
};

// Builds a block of bytes in memory (headers, whole small files).
class ByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v) {
    Grow(2, [&](uint8_t* p) { PutU16(p, v); });
  }
  void U32(uint32_t v) {
    Grow(4, [&](uint8_t* p) { PutU32(p, v); });
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void U64(uint64_t v) {
    Grow(8, [&](uint8_t* p) { PutU64(p, v); });
  }
  void Tag(uint32_t fourcc) { U32(fourcc); }
  void Bytes(const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
  }
  void Text(std::string_view text) { Bytes(text.data(), text.size()); }
  void Zeros(size_t n) { bytes_.resize(bytes_.size() + n, 0); }
  void PatchU32(size_t offset, uint32_t v) { PutU32(bytes_.data() + offset, v); }

  // Writes id and a size placeholder; returns the offset of the size field.
  size_t BeginChunk(uint32_t id) {
    U32(id);
    U32(0);
    return bytes_.size() - 4;
  }
  // RIFF "LIST"/"RIFF" with its list type; returns the size field's offset.
  size_t BeginList(uint32_t listId, uint32_t type) {
    size_t at = BeginChunk(listId);
    U32(type);
    return at;
  }
  // Patches the size (bytes after the size field) and pads to an even length.
  void EndChunk(size_t sizeOffset) {
    PatchU32(sizeOffset, static_cast<uint32_t>(bytes_.size() - sizeOffset - 4));
    if (bytes_.size() & 1) U8(0);
  }

  size_t size() const { return bytes_.size(); }
  const uint8_t* data() const { return bytes_.data(); }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  template <typename F>
  void Grow(size_t n, F put) {
    bytes_.resize(bytes_.size() + n);
    put(bytes_.data() + bytes_.size() - n);
  }
  std::vector<uint8_t> bytes_;
};

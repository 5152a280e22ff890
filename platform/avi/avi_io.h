#pragma once
// Random-access byte sources and sequential-with-patching byte sinks with
// 64-bit offsets: files past 2 and 4 GiB are the point of OpenDML, so no
// offset may pass through a 32-bit long (the Windows CRT's ftell/fseek).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/file.h"

class AviSource {
 public:
  virtual ~AviSource() = default;
  virtual uint64_t Size() const = 0;
  // Exactly n bytes at offset, or false (nothing past Size() is ever read).
  virtual bool ReadAt(uint64_t offset, void* out, size_t n) = 0;
};

class AviMemorySource : public AviSource {
 public:
  AviMemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* out, size_t n) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

class AviFileSource : public AviSource {
 public:
  // Null when the file cannot be opened for reading.
  static std::unique_ptr<AviFileSource> Open(const std::string& path);
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* out, size_t n) override;

 private:
  UniqueFile file_;
  uint64_t size_ = 0;
  uint64_t position_ = UINT64_MAX;  // where the CRT's cursor stands, to skip needless seeks
};

class AviSink {
 public:
  virtual ~AviSink() = default;
  virtual bool Write(const void* data, size_t n) = 0;
  virtual bool Seek(uint64_t offset) = 0;
  virtual uint64_t Tell() const = 0;
  // Pushes buffered bytes out; a full disk often shows only here.
  virtual bool Flush() = 0;
};

class AviFileSink : public AviSink {
 public:
  static std::unique_ptr<AviFileSink> Create(const std::string& path);
  bool Write(const void* data, size_t n) override;
  bool Seek(uint64_t offset) override;
  uint64_t Tell() const override { return position_; }
  bool Flush() override;
  bool Close();

 protected:
  UniqueFile file_;
  uint64_t position_ = 0;
};

class AviMemorySink : public AviSink {
 public:
  bool Write(const void* data, size_t n) override;
  bool Seek(uint64_t offset) override;
  uint64_t Tell() const override { return position_; }
  bool Flush() override { return true; }
  std::vector<uint8_t> bytes;

 private:
  uint64_t position_ = 0;
};

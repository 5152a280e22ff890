#include "platform/avi/avi_io.h"

#include <cstring>

bool AviMemorySource::ReadAt(uint64_t offset, void* out, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (n) std::memcpy(out, data_ + offset, n);
  return true;
}

std::unique_ptr<AviFileSource> AviFileSource::Open(const std::string& path) {
  UniqueFile file = FileOpen(path, "rb");
  if (!file) return nullptr;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return nullptr;
  int64_t size = FileTell64(file.get());
  if (size < 0) return nullptr;
  auto source = std::unique_ptr<AviFileSource>(new AviFileSource);
  source->file_ = std::move(file);
  source->size_ = static_cast<uint64_t>(size);
  return source;
}

bool AviFileSource::ReadAt(uint64_t offset, void* out, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (position_ != offset && !FileSeek64(file_.get(), static_cast<int64_t>(offset), SEEK_SET)) {
    position_ = UINT64_MAX;
    return false;
  }
  size_t got = n ? std::fread(out, 1, n, file_.get()) : 0;
  position_ = got == n ? offset + n : UINT64_MAX;
  return got == n;
}

std::unique_ptr<AviFileSink> AviFileSink::Create(const std::string& path) {
  UniqueFile file = FileOpen(path, "wb");
  if (!file) return nullptr;
  auto sink = std::make_unique<AviFileSink>();
  sink->file_ = std::move(file);
  return sink;
}

bool AviFileSink::Write(const void* data, size_t n) {
  if (!file_) return false;
  if (!FileWriteAll(file_.get(), data, n)) return false;
  position_ += n;
  return true;
}

bool AviFileSink::Seek(uint64_t offset) {
  if (!file_ || !FileSeek64(file_.get(), static_cast<int64_t>(offset), SEEK_SET)) return false;
  position_ = offset;
  return true;
}

bool AviFileSink::Flush() {
  return file_ && std::fflush(file_.get()) == 0 && !std::ferror(file_.get());
}

bool AviFileSink::Close() {
  if (!file_) return false;
  bool ok = Flush();
  ok = std::fclose(file_.release()) == 0 && ok;
  return ok;
}

bool AviMemorySink::Write(const void* data, size_t n) {
  if (position_ + n > bytes.size()) bytes.resize(position_ + n);
  if (n) std::memcpy(bytes.data() + position_, data, n);
  position_ += n;
  return true;
}

bool AviMemorySink::Seek(uint64_t offset) {
  if (offset > bytes.size()) bytes.resize(offset);
  position_ = offset;
  return true;
}

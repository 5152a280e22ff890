#include "common/file.h"

#include <cstdio>

#ifdef _WIN32
#include <wchar.h>

#include "common/utf.h"

namespace {
std::wstring Wide(const std::string& text) {
  std::u16string u16 = Utf8ToUtf16(text);
  return std::wstring(u16.begin(), u16.end());
}
}  // namespace

UniqueFile FileOpen(const std::string& path, const char* mode) {
  return UniqueFile(_wfopen(Wide(path).c_str(), Wide(mode).c_str()));
}

bool FileRemove(const std::string& path) { return _wremove(Wide(path).c_str()) == 0; }
#else
UniqueFile FileOpen(const std::string& path, const char* mode) {
  return UniqueFile(std::fopen(path.c_str(), mode));
}

bool FileRemove(const std::string& path) { return std::remove(path.c_str()) == 0; }
#endif

bool FileExists(const std::string& path) { return FileOpen(path, "rb") != nullptr; }

int64_t FileTell64(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}

bool FileSeek64(std::FILE* file, int64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(file, offset, whence) == 0;
#else
  return fseeko(file, offset, whence) == 0;
#endif
}

// common/file.h away from Windows: the C library takes a UTF-8 name as it is,
// and ftello/fseeko take 64-bit offsets.
#include "common/file.h"

#include <cstdio>

UniqueFile FileOpen(const std::string& path, const char* mode) {
  return UniqueFile(std::fopen(path.c_str(), mode));
}

bool FileRemove(const std::string& path) {
  return std::remove(path.c_str()) == 0;
}

int64_t FileTell64(std::FILE* file) {
  return ftello(file);
}

bool FileSeek64(std::FILE* file, int64_t offset, int whence) {
  return fseeko(file, offset, whence) == 0;
}

bool FileRename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

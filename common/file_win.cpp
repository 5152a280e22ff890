// The files of common/file.h on Windows: the narrow CRT calls would read a
// UTF-8 name in the ANSI code page, and its long-based ftell/fseek stop at 2 GiB.
#include "common/file.h"

#include <windows.h>
#include <wchar.h>

#include "common/utf.h"

namespace {
std::wstring Wide(const std::string& text) {
  std::u16string u16 = Utf8ToUtf16(text);
  return std::wstring(u16.begin(), u16.end());
}
}  // namespace

UniqueFile FileOpen(const std::string& path, const char* mode) {
  return UniqueFile(_wfopen(Wide(FileApiPath(path)).c_str(), Wide(mode).c_str()));
}

bool FileRemove(const std::string& path) {
  return _wremove(Wide(FileApiPath(path)).c_str()) == 0;
}

int64_t FileTell64(std::FILE* file) {
  return _ftelli64(file);
}

bool FileSeek64(std::FILE* file, int64_t offset, int whence) {
  return _fseeki64(file, offset, whence) == 0;
}

// Through the disk: the settings file replaced at exit must not be lost to a
// power cut between the rename and the cache's write-back.
bool FileRename(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(FileApiPath(from)).c_str(), Wide(FileApiPath(to)).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

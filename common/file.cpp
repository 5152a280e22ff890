#include "common/file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

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
  return UniqueFile(_wfopen(Wide(FileApiPath(path)).c_str(), Wide(mode).c_str()));
}

bool FileRemove(const std::string& path) { return _wremove(Wide(FileApiPath(path)).c_str()) == 0; }
#else
UniqueFile FileOpen(const std::string& path, const char* mode) {
  return UniqueFile(std::fopen(path.c_str(), mode));
}

bool FileRemove(const std::string& path) { return std::remove(path.c_str()) == 0; }
#endif

std::string FileApiPath(const std::string& path) {
  constexpr size_t kClassicLimit = 248;
  size_t units = 0;
  for (unsigned char c : path) units += ((c & 0xC0) != 0x80) + (c >= 0xF0);
  if (units < kClassicLimit || path.rfind("\\\\?\\", 0) == 0) return path;
  std::string form = path;
  for (char& c : form)
    if (c == '/') c = '\\';
  const bool drive = form.size() >= 3 && form[1] == ':' && form[2] == '\\';
  if (drive) return "\\\\?\\" + form;
  if (form.rfind("\\\\", 0) == 0) return "\\\\?\\UNC\\" + form.substr(2);
  return path;  // relative: the API resolves it, as far as it can
}

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

namespace {
uint64_t VolumeFreeSpace(const std::string& path) {
  std::error_code error;
  std::filesystem::path file(std::u8string(path.begin(), path.end()));
  std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  std::filesystem::space_info info = std::filesystem::space(folder, error);
  return error ? UINT64_MAX : info.available;
}
FreeSpaceQuery gFreeSpaceQuery = VolumeFreeSpace;
}  // namespace

uint64_t FileFreeSpace(const std::string& path) { return gFreeSpaceQuery(path); }

FreeSpaceQuery SetFreeSpaceQuery(FreeSpaceQuery query) {
  FreeSpaceQuery previous = gFreeSpaceQuery;
  gFreeSpaceQuery = query ? query : VolumeFreeSpace;
  return previous;
}

#include "common/file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

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

bool FileExists(const std::string& path) {
  return FileOpen(path, "rb") != nullptr;
}

// Repeats a partial write with the rest; a write that takes nothing at all
// (a full disk, a closed stream) ends the attempt instead of spinning.
bool FileWriteAll(std::FILE* file, const void* data, size_t count) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (count) {
    size_t written = std::fwrite(bytes, 1, count, file);
    // A stream whose buffer could not be pushed out may still count bytes as
    // taken into the buffer; its error flag is what tells.
    if (written == 0 || std::ferror(file)) return false;
    bytes += written;
    count -= written;
  }
  return true;
}

std::vector<uint8_t> FileReadSmall(const std::string& path, size_t maxBytes) {
  std::vector<uint8_t> bytes(maxBytes);
  UniqueFile in = FileOpen(path, "rb");
  bytes.resize(in ? std::fread(bytes.data(), 1, maxBytes, in.get()) : 0);
  return bytes;
}

bool FileReplaceWhole(const std::string& path, const void* data, size_t size) {
  const std::string fresh = path + ".new";
  UniqueFile out = FileOpen(fresh, "wb");
  if (!out) return false;
  // A full disk may take the bytes into the stream's buffer and refuse them
  // only when they go out: the flush and the close tell.
  bool ok = FileWriteAll(out.get(), data, size) && std::fflush(out.get()) == 0;
  ok = std::fclose(out.release()) == 0 && ok;
  if (ok && FileRename(fresh, path)) return true;
  FileRemove(fresh);
  return false;
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

uint64_t FileFreeSpace(const std::string& path) {
  return gFreeSpaceQuery(path);
}

FreeSpaceQuery SetFreeSpaceQuery(FreeSpaceQuery query) {
  FreeSpaceQuery previous = gFreeSpaceQuery;
  gFreeSpaceQuery = query ? query : VolumeFreeSpace;
  return previous;
}

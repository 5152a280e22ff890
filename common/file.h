#pragma once
// Files named in UTF-8. On Windows the name goes through the wide CRT call, so
// paths outside the ANSI code page open too (file_win.cpp; file_posix.cpp
// elsewhere).
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The form in which the Windows file API takes a path of any length: an
// absolute path past the classic limit (248 UTF-16 units, what a folder may
// have) gets the "\\?\" prefix ("\\?\UNC\" for a network path) and its
// '/' become '\'; anything else is returned as it is.
std::string FileApiPath(const std::string& path);

// mode as for fopen; binary modes are what this suite uses.
UniqueFile FileOpen(const std::string& path, const char* mode);
bool FileRemove(const std::string& path);
// Positions past 2 GiB: long-based ftell/fseek stop there on Windows.
int64_t FileTell64(std::FILE* file);
bool FileSeek64(std::FILE* file, int64_t offset, int whence);
// All count bytes, or false when the stream takes nothing more.
bool FileWriteAll(std::FILE* file, const void* data, size_t count);
bool FileExists(const std::string& path);
// Renames from to to, replacing a file already there; false leaves both as
// they were.
bool FileRename(const std::string& from, const std::string& to);
// Writes a whole small file so that a failed write never damages the one that
// was there: the bytes go to path + ".new", which replaces path only once every
// byte of it reached the disk. False (the old file untouched) otherwise.
// The first maxBytes bytes of a small file (settings); empty when it can't be read.
std::vector<uint8_t> FileReadSmall(const std::string& path, size_t maxBytes);
bool FileReplaceWhole(const std::string& path, const void* data, size_t size);

// Bytes a new file at path may still take on its volume; UINT64_MAX when the
// volume won't say (then nothing is refused for it).
uint64_t FileFreeSpace(const std::string& path);
// Tests stand in for the volume; returns the query that was installed before.
using FreeSpaceQuery = uint64_t (*)(const std::string& path);
FreeSpaceQuery SetFreeSpaceQuery(FreeSpaceQuery query);

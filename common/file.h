#pragma once
// Files named in UTF-8. On Windows the name goes through the wide CRT call, so
// paths outside the ANSI code page open too.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// mode as for fopen; binary modes are what this suite uses.
UniqueFile FileOpen(const std::string& path, const char* mode);
bool FileRemove(const std::string& path);
// Positions past 2 GiB: long-based ftell/fseek stop there on Windows.
int64_t FileTell64(std::FILE* file);
bool FileSeek64(std::FILE* file, int64_t offset, int whence);
bool FileExists(const std::string& path);

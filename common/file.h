#pragma once
// Files named in UTF-8. On Windows the name goes through the wide CRT call, so
// paths outside the ANSI code page open too.
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
bool FileExists(const std::string& path);

#pragma once
// The Windows path of a file the build names by its host path. Under Wine the
// host's file system is drive Z:; on Windows the path is already a Windows one.
#include <string>

#include "common/text_win.h"

inline std::wstring ProgramPath(const char* buildPath) {
  std::string path(buildPath);
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return Widen(path);
}

// A command line that starts the program with the given arguments.
inline std::wstring ProgramCommand(const char* buildPath, const std::wstring& arguments = L"") {
  std::wstring command = L"\"" + ProgramPath(buildPath) + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  return command;
}

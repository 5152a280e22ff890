#pragma once
// Conversions at the boundary between portable UTF-8 text and the wide API.
#include <string>
#include <string_view>
#include <vector>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The program's arguments after its name, in UTF-8, as the runtime split them
// from the command line for the wide entry point (wWinMain). Splitting them
// here rather than with CommandLineToArgvW keeps the shell, and the window
// system it brings, unloaded in a run that needs neither.
std::vector<std::string> ProgramArguments();

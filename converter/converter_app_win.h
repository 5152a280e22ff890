#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The converter: one conversion per temp file named in `arguments` (the
// command line's arguments after the program itself). Returns the exit code.
int ConverterMain(HINSTANCE instance, const std::vector<std::wstring>& arguments);
// The command line split as the C runtime would, without the program name.
std::vector<std::wstring> CommandLineArguments();

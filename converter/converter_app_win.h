#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The converter: one conversion per temp file named in `arguments` (the
// command line's arguments after the program itself, in UTF-8). Returns the
// exit code.
//
// With "/batch" among the arguments it converts without any dialog or message
// box: the uncompressed way, each AVI beside its temp file under the temp
// file's base name with ".AVI" (an existing file is never overwritten), one
// line per file on the standard output, the temp files kept unless "/delete"
// is given too. Exit code: 0 all whole, 2 some AVI leaves something out
// (sound refused, temp file cut short or damaged), 1 some file failed.
int ConverterMain(HINSTANCE instance, const std::vector<std::string>& arguments);

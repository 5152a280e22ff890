#pragma once
// The screen-saver command line as Windows passes it:
//   /s            run full screen          /p <hwnd>  preview inside that window
//   /c[:<hwnd>]   configure (owner window)  /a <hwnd>  change password
//   (nothing)     configure
// Switches may start with '/' or '-', in either case, and the window handle may
// follow after ':' or after blanks.
#include <cstdint>
#include <string_view>

enum class SaverMode { Configure, Run, Preview, ChangePassword, Invalid };

struct SaverArgs {
  SaverMode mode = SaverMode::Configure;
  uint64_t window = 0;  // the handle given with /p, /c or /a, 0 when none
};

// `arguments` is the command line without the program name.
SaverArgs ParseSaverArgs(std::u16string_view arguments);
// Skips the program name (quoted or not) of a whole command line.
std::u16string_view SkipProgramName(std::u16string_view commandLine);

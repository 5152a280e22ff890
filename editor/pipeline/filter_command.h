#pragma once
// The editor's command line for one whole-movie filter without any dialog:
//   editor.exe /filter NAME [VALUE...] IN.AVI OUT.AVI
// Each VALUE is a whole number as the filter's dialog shows it, in the
// dialog's order (README lists them per NAME).
#include <string>
#include <vector>

#include "editor/pipeline/frame_filter.h"

struct FilterCommand {
  FrameFilter filter;
  std::string name;
  std::string input;   // UTF-8
  std::string output;  // UTF-8
};

// True when arguments (the words after "/filter") name a filter with the
// right number of values, each in its range, and two paths. Otherwise false
// with the reason in *error (a message text of the editor's table, with the
// offending word where there is one).
bool ParseFilterCommand(const std::vector<std::string>& arguments, FilterCommand* command,
                        std::string* error);

// Whether the first argument asks for the scripted filter mode.
bool IsFilterSwitch(const std::string& argument);

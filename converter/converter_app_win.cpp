#include "converter/converter_app_win.h"

#include <shellapi.h>

#include "common/message_box_win.h"

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
  LocalFree(list);
  return arguments;
}

int ConverterMain(HINSTANCE instance, const std::vector<std::wstring>& arguments) {
  UseWindowsMessageBoxes();
  if (arguments.empty()) return 0;
  // The conversion itself arrives with the save pipeline.
  return 0;
}

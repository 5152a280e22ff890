// The entry point the library supplies to every saver program.
#include <windows.h>

#include <string>

#include "common/message_box_win.h"
#include "platform/scrnsave/screen_saver.h"
#include "platform/scrnsave/screen_saver_args.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  UseWindowsMessageBoxes();
  const auto* line = reinterpret_cast<const char16_t*>(GetCommandLineW());
  std::u16string_view arguments = SkipProgramName(line);
  std::wstring text(arguments.begin(), arguments.end());
  return ScreenSaverMain(instance, text.c_str());
}

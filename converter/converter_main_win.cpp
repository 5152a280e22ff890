#include <windows.h>

#include "converter/converter_app_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return ConverterMain(instance, CommandLineArguments());
}

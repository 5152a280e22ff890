#include <windows.h>

#include "common/text_win.h"
#include "converter/converter_app_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  return ConverterMain(instance, ProgramArguments());
}

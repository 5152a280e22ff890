#include <windows.h>

#include "common/text_win.h"
#include "recorder/recorder_app_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  return RecorderMain(instance, ProgramArguments());
}

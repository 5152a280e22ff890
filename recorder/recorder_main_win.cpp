#include <windows.h>

#include "recorder/recorder_app_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return RecorderMain(instance, RecorderArguments());
}

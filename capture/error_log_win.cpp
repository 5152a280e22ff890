#include <windows.h>

#include <vector>

#include "capture/error_log.h"
#include "common/text_win.h"

bool BuildProgramFilePaths() {
  // The program may live under a path longer than MAX_PATH: grow until it fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return false;
    if (n < buffer.size()) {
      gProgramFilePaths = MakeProgramFilePaths(Narrow(std::wstring_view(buffer.data(), n)));
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  SetErrorLogPath(gProgramFilePaths.errorLogPath.c_str());
  return true;
}

// The settings file on disk: beside the program, folders in the ANSI code page.
#include <windows.h>

#include <string>

#include "capture/capture_engine_win.h"
#include "capture/error_log.h"
#include "common/file.h"
#include "common/text_win.h"
#include "recorder/recorder_app_win.h"
#include "recorder/settings_file.h"

namespace {
std::string AnsiFromUtf8(const std::string& utf8) {
  const std::wstring wide = Widen(utf8);
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string ansi(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), ansi.data(), n,
                        nullptr, nullptr);
  return ansi;
}

std::string Utf8FromAnsi(const std::string& ansi) {
  const int n =
      MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(n > 0 ? n : 0, L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(ansi.size()), wide.data(), n);
  return Narrow(wide);
}
}  // namespace

void SetStartupDefaults() {
  SetRecorderDefaults(&gCaptureSettings, &gCaptureEngine.sound, &gAppSettings,
                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                      gRecorderUi.programPath);
}

void LoadSettings() {
  const std::vector<uint8_t> bytes = FileReadSmall(gProgramFilePaths.settingsPath, 4096);
  if (bytes.empty()) return;  // no file: the defaults, the range as it is
  ReadSettingsFileBytes(bytes.data(), bytes.size(), &gCaptureSettings, &gCaptureEngine.sound,
                        &gAppSettings, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                        Utf8FromAnsi);
}

bool SaveSettings() {
  const std::vector<uint8_t> bytes =
      SettingsFileBytes(gCaptureSettings, gCaptureEngine.sound, gAppSettings, AnsiFromUtf8);
  return FileReplaceWhole(gProgramFilePaths.settingsPath, bytes.data(), bytes.size());
}

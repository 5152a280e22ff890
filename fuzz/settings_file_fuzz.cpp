// The settings file is read at every start; a damaged one must still give
// usable settings.
#include <cstdint>
#include <cstdlib>

#include "recorder/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CaptureSettings capture;
  SoundFormat sound;
  AppSettings app;
  SetRecorderDefaults(&capture, &sound, &app, 1024, 768, "C:\\recorder.exe");
  ReadSettingsFileBytes(data, size, &capture, &sound, &app, 1024, 768, nullptr);
  const bool usable = capture.rangeX >= 0 && capture.rangeWidth > 0 &&
                      capture.rangeX + capture.rangeWidth <= 1024 && capture.rangeY >= 0 &&
                      capture.rangeHeight > 0 && capture.rangeY + capture.rangeHeight <= 768 &&
                      capture.scale > 0 && capture.rate > 0 && capture.tempCodec <= 2 &&
                      capture.regionMode <= 2 && app.tempFolder.size() < kSettingsFolderCapacity &&
                      app.saveFolder.size() < kSettingsFolderCapacity;
  if (!usable) std::abort();
  // What was read is written back as a file that reads the same.
  const std::vector<uint8_t> again = SettingsFileBytes(capture, sound, app, nullptr);
  CaptureSettings c2;
  SoundFormat s2;
  AppSettings a2;
  SetRecorderDefaults(&c2, &s2, &a2, 1024, 768, "other");
  ReadSettingsFileBytes(again.data(), again.size(), &c2, &s2, &a2, 1024, 768, nullptr);
  if (SettingsFileBytes(c2, s2, a2, nullptr) != again) std::abort();
  return 0;
}

#pragma once
// The recorder's own settings besides what to capture and the sound format.
#include <cstdint>
#include <string>

struct AppSettings {
  uint8_t saveWithDialog = 0;
  uint8_t showProgress = 1;
  uint8_t saveAfterRecording = 1;
  uint8_t mainWindowVisible = 1;
  uint8_t detailsExpanded = 1;
  uint16_t hotkeyStart = 0x0253;  // Ctrl + S
  uint16_t hotkeyStop = 0x0245;   // Ctrl + E
  uint16_t hotkeyHide = 0x0248;   // Ctrl + H
  int32_t windowX = 0;            // the screen width until placed: centres the window
  int32_t windowY = 0;            // the screen height until placed
  std::string tempFolder;         // UTF-8
  std::string saveFolder;         // UTF-8
};

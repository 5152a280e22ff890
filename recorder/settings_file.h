#pragma once
// "QUILVA.ini", the recorder's settings between runs. Not text despite its
// name: 64 bytes of little-endian fields, then the temp and save folders, each
// as a 4-byte length (with the zero byte) and the bytes in the system's ANSI
// code page. This half turns settings into bytes and back; settings_file_win.cpp
// finds the file and converts the folders' code page.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_engine.h"
#include "capture/sound_recording.h"
#include "recorder/app_settings.h"

inline constexpr size_t kSettingsFixedBytes = 64;
// What each folder setting holds, its zero byte included.
inline constexpr uint32_t kSettingsFolderCapacity = 260;

// Converts a folder between its form in memory (UTF-8) and in the file.
using SettingsTextConversion = std::string (*)(const std::string& text);

// Every default the settings file may leave in force: the capture engine's
// for the screen, the sound format's, and the recorder's own, both folders
// being the program file's full path.
void SetRecorderDefaults(CaptureSettings* capture, SoundFormat* sound, AppSettings* app,
                         int32_t screenWidth, int32_t screenHeight, const std::string& programPath);

std::vector<uint8_t> SettingsFileBytes(const CaptureSettings& capture, const SoundFormat& sound,
                                       const AppSettings& app, SettingsTextConversion toFile);

// Takes each field the bytes hold whole, in the file's order, over the
// defaults already set; a short file leaves the rest at their defaults. A
// folder whose length is 0 or passes its 260 bytes, or that the file ends
// inside, keeps its default and ends the reading (nothing after a damaged
// length can be placed). Then the range, rate, scale and reduction are
// normalised for the screen.
void ReadSettingsFileBytes(const uint8_t* data, size_t size, CaptureSettings* capture,
                           SoundFormat* sound, AppSettings* app, int32_t screenWidth,
                           int32_t screenHeight, SettingsTextConversion fromFile);

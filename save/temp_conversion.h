#pragma once
// The window-free rules of turning a temp capture file into AVI frames: output
// names, the surface-to-DIB conversion, and the save result messages.
#include <cstdint>
#include <ctime>
#include <string>

#include "capture/temp_file.h"

// "%m_%d_%H_%M_%S" of the local time.
std::string OutputTimeName(const std::tm& localTime);
// folder + name + ".AVI", with one "\" between them; no folder: name + ".AVI".
std::string OutputPathInFolder(const std::string& folder, const std::string& timeName);
// The name a path is saved under: drive, directory and base name kept, any
// extension dropped and ".AVI" put in its place ("C:\a\b.avi" -> "C:\a\b.AVI",
// "C:\a\b" -> "C:\a\b.AVI", "C:\a.b\c" -> "C:\a.b\c.AVI").
std::string PathWithAviExtension(const std::string& path);

// The companion sound of a temp file: same drive, folder and base name, with
// the extension "WAV" ("a\\0102.tmp" -> "a\\0102.WAV"; no extension: one added).
std::string CompanionWavPath(const std::string& tempPath);

// Row stride of the 24-bit output frame.
inline uint64_t Stride24(int64_t width) { return static_cast<uint64_t>((width * 24 + 31) / 32 * 4); }

// Converts one picture of a surface-flag-1 temp file (the frame buffer as
// recorded, top row first) into the 24-bit bottom-up output frame of
// height × Stride24(width) bytes. 8 bits go through the palette (red in byte
// 0), 16 bits through the masks (a zero mask gives 0 for its colour instead of
// dividing by zero), 24 and 32 bits are copied. 1 and 4 bits have no
// conversion and give black. The row padding is cleared. False only for
// sizes the reader would not have accepted.
bool ConvertSurfaceFrame(const TempFileHeader& header, const TempSurfaceFormat& format,
                         const uint8_t* palette, const uint8_t* frame, uint8_t* out);

struct SaveErrorMessage {
  const char* text;
  const char* title;
};
// The message for a failed save's result code (the AVI services' codes 101 to
// 117 and 198; anything else is unexpected).
SaveErrorMessage SaveResultMessage(uint32_t result);

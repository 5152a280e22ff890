#pragma once
// The pieces one conversion is made of, shared by its two ways.
#include <windows.h>

#include <cstdint>
#include <string>

#include "save/temp_conversion.h"

// The progress window (dialog 104) of one conversion; nothing when not shown.
class ProgressWindow : public TempProgress {
 public:
  ProgressWindow(HINSTANCE instance, HWND owner, bool show);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  void Range(int64_t frameCount) override { SetRange(static_cast<int>(frameCount)); }
  void Position(int64_t frameNumber) override { SetPosition(static_cast<int>(frameNumber)); }
  void SetRange(int upper);
  void SetPosition(int position);
  void SetLabel(const wchar_t* text);
  void Show(bool visible);
  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// Paths are UTF-8; they are widened only for a wide call.
struct TempConversion {
  HINSTANCE instance;
  HWND owner;
  std::string tempPath;
  std::string wavPath;  // empty: no sound
  std::string outputPath;
  bool showProgress;
};

// What one way of the conversion tells the disposal of the temp files.
struct ConversionOutcome {
  bool deleteFlag = true;   // the user's word on deleting (the save dialog may clear it)
  bool saved = false;       // a movie was written (a cancelled save writes none)
  bool soundSaved = false;  // the WAV's sound is in it
  TempConversionResult result;
};

// The uncompressed way without disposing of the temp files (the retry).
bool ConvertTempToAviKeeping(HINSTANCE instance, HWND owner, const std::string& tempPath,
                             const std::string& wavPath, std::string* folder, bool showProgress);

#pragma once
// The pieces one conversion is made of, shared by its two ways.
#include <windows.h>

#include <cstdint>
#include <string>

#include "capture/temp_file.h"
#include "save/wav_reader.h"

// The progress window (dialog 104) of one conversion; nothing when not shown.
class ProgressWindow {
 public:
  ProgressWindow(HINSTANCE instance, HWND owner, bool show);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  void SetRange(int upper);
  void SetPosition(int position);
  void SetLabel(const wchar_t* text);
  void Show(bool visible);
  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
};

struct TempConversion {
  HINSTANCE instance;
  HWND owner;
  std::wstring tempPath;
  std::wstring wavPath;  // empty: no sound
  std::wstring outputPath;
  bool showProgress;
};

// Where the output frames go: the own writer or an editable stream.
class TempFrameSink {
 public:
  virtual ~TempFrameSink() = default;
  virtual bool Begin(const TempFileHeader& header, int64_t frameCount, ProgressWindow& progress) = 0;
  // One 24-bit bottom-up frame for AVI indices first .. first + count - 1.
  virtual bool Put(const uint8_t* frame, int64_t first, int64_t count) = 0;
  virtual bool End(ProgressWindow& progress) = 0;
};

// The uncompressed way: every frame through the own writer, the sound from the WAV.
class WriterSink : public TempFrameSink {
 public:
  WriterSink(std::string output, std::string wav, WavReadMode soundMode)
      : output_(std::move(output)), wav_(std::move(wav)), soundMode_(soundMode) {}
  ~WriterSink() override;
  bool Begin(const TempFileHeader& header, int64_t frameCount, ProgressWindow& progress) override;
  bool Put(const uint8_t* frame, int64_t first, int64_t count) override;
  bool End(ProgressWindow& progress) override;

 private:
  std::string output_;
  std::string wav_;
  WavReadMode soundMode_;
};

// Reads the temp file picture by picture into the sink. Failures have shown
// their messages.
bool ConvertTemp(const TempConversion& conversion, TempFrameSink& sink, ProgressWindow& progress);

// The uncompressed way without disposing of the temp files (the retry).
bool ConvertTempToAviKeeping(HINSTANCE instance, HWND owner, const std::wstring& tempPath,
                             const std::wstring& wavPath, std::wstring* folder, bool showProgress);

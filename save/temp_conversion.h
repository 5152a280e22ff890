#pragma once
// The window-free rules of turning a temp capture file into AVI frames: output
// names, the surface-to-DIB conversion, and the save result messages.
#include <cstdint>
#include <ctime>
#include <string>

#include "capture/temp_file.h"
#include "common/dib_geometry.h"
#include "save/wav_reader.h"

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

// Converts one picture of a surface-flag-1 temp file (the frame buffer as
// recorded, top row first) into the 24-bit bottom-up output frame of
// height × DibStride(width, 24) bytes. 8 bits go through the palette (red in byte
// 0), 16 bits through the masks (a zero mask gives 0 for its colour instead of
// dividing by zero), 24 and 32 bits are copied. 1 and 4 bits have no
// conversion and give black. The row padding is cleared. False only for
// sizes the reader would not have accepted.
bool ConvertSurfaceFrame(const TempFileHeader& header, const TempSurfaceFormat& format,
                         const uint8_t* palette, const uint8_t* frame, uint8_t* out);

// Where the output frames of a conversion go: the own writer, an editable
// stream, or a test.
class TempFrameSink {
 public:
  virtual ~TempFrameSink() = default;
  virtual bool Begin(const TempFileHeader& header, int64_t frameCount) = 0;
  // One 24-bit bottom-up frame for AVI indices first .. first + count - 1.
  virtual bool Put(const uint8_t* frame, int64_t first, int64_t count) = 0;
  virtual bool End() = 0;
};

// What a conversion tells about its progress.
class TempProgress {
 public:
  virtual ~TempProgress() = default;
  virtual void Range(int64_t frameCount) = 0;
  virtual void Position(int64_t frameNumber) = 0;
};

// What a conversion made of its temp file, beyond success.
struct TempConversionResult {
  int64_t frames = 0;         // AVI frames written
  int64_t claimedFrames = 0;  // what the header declared, or the records claimed
  int32_t headerCount = 0;    // the header's frame count as stored
  TempCountState countState = TempCountState::Matches;
};
// The words for a result that is not simply whole, for a batch line:
// "cut short: N of M frames" or "header damaged: frame count C, N frames from
// the records"; empty when the file converted as it declares.
std::string TempConversionRemark(const TempConversionResult& result);
// The same said to the user in a message box (empty when there is nothing to
// say); its title is kTitleAra.
std::string TempConversionNotice(const TempConversionResult& result);
// Whether everything the temp file held is in the movie, so that it may go.
bool TempConversionWhole(const TempConversionResult& result);

// Reads the temp file once, front to back, decoding each picture over the one
// before, and hands every picture once (with the indices it fills) to the
// sink. Failures have shown their messages (owner: the message boxes' parent).
bool RunTempConversion(const std::string& tempPath, TempFrameSink& sink, TempProgress* progress,
                       void* owner = nullptr, TempConversionResult* result = nullptr);

// The uncompressed way: every frame through the own writer, the sound from the WAV.
class AviWriterSink : public TempFrameSink {
 public:
  AviWriterSink(std::string output, std::string wav, WavReadMode soundMode)
      : output_(std::move(output)), wav_(std::move(wav)), soundMode_(soundMode) {}
  ~AviWriterSink() override;
  bool Begin(const TempFileHeader& header, int64_t frameCount) override;
  bool Put(const uint8_t* frame, int64_t first, int64_t count) override;
  bool End() override;
  // The movie got the WAV's sound (false also when no WAV was given).
  bool HasSound() const { return hasSound_; }

 private:
  bool hasSound_ = false;
  std::string output_;
  std::string wav_;
  WavReadMode soundMode_;
};

struct SaveErrorMessage {
  const char* text;
  const char* title;
};
// The message for a failed save's result code (the AVI services' codes 101 to
// 117 and 198; anything else is unexpected).
SaveErrorMessage SaveResultMessage(uint32_t result);

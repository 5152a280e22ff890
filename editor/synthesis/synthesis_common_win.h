#pragma once
// What the synthesis commands share: file dialogs, the compressor choice, the
// movie file with its stream, and the reasons a picture is refused.
#include "platform/avi/avi_handles_win.h"

#include <string>

#include "editor/synthesis/bitmap_file.h"

struct MessageText {
  const char* text;
  const char* title;
};

// Open and save dialogs with a 260-character buffer that starts empty.
// filter: pairs separated by '\0', the whole ending in "\0\0".
bool AskOpenPath(HWND owner, const wchar_t* title, const wchar_t* filter, const wchar_t* defaultExt,
                 DWORD flags, std::wstring* path);
bool AskSavePath(HWND owner, const wchar_t* title, const wchar_t* filter, const wchar_t* defaultExt,
                 DWORD flags, std::wstring* path);

// The user's compressor choice, freed at scope end, and the options it gives.
struct CompressorChoice {
  COMPVARS vars{};
  AVICOMPRESSOPTIONS options{};
  bool chosen = false;
  CompressorChoice() = default;
  CompressorChoice(const CompressorChoice&) = delete;
  CompressorChoice& operator=(const CompressorChoice&) = delete;
  ~CompressorChoice();
};
// Shows the chooser (no owner) for input in `format`; false when cancelled.
bool ChooseCompressor(const void* format, UINT flags, CompressorChoice* choice);

// A new AVI file with one video stream, written when it is released (members
// release the compressing stream, then the raw one, then the file).
struct SynthesisMovie {
  UniqueAviFile file;
  UniqueAviStream raw;
  UniqueAviStream compressed;  // null when frames go to the raw stream
  PAVISTREAM target() const { return compressed ? compressed.get() : raw.get(); }
};
struct SynthesisMovieTexts {
  MessageText fileOpen, createStream, compressedStream, setFormat;
};
// Opens path, creates the stream, compresses it with options unless null, and
// sets format; shows the matching text on failure.
bool OpenSynthesisMovie(SynthesisMovie* movie, const std::wstring& path, AVISTREAMINFOW* info,
                        const void* format, LONG formatSize, AVICOMPRESSOPTIONS* options,
                        const SynthesisMovieTexts& texts);
// Releases the streams, then the file, which writes it out; false when the
// disk refused that write.
bool CloseSynthesisMovie(SynthesisMovie* movie);
// A video stream header with scale, rate, length and frame size filled in.
AVISTREAMINFOW SynthesisStreamInfo(DWORD handler, DWORD scale, DWORD rate, DWORD length, int width,
                                   int height);

// The message for a picture the reader refused, naming the file.
std::string BitmapProblemText(BitmapProblem problem, const std::wstring& path);
// Shows text (no owner unless given).
void ShowText(const MessageText& text, HWND owner = nullptr);

struct SequenceNumbering;
// The part of BitmapsToMovie that asks nothing: writes pictures 0 .. count - 1
// of the sequence, each read in `format` through `pixels` (format.imageSize
// bytes), as RESULT.AVI in the sequence's folder, compressed by `options`.
// Progress goes to the dialog's title when there is one; failures are shown.
bool WriteSequenceMovie(const SequenceNumbering& sequence, const BitmapFormat& format,
                        unsigned seconds, int count, AVICOMPRESSOPTIONS* options, HWND dialog,
                        uint8_t* pixels);

#pragma once
// Frame access and output movies of the editor: the source is the movie the
// player shows, the destination a new AVI the user names, written through a
// 24-bit DIB section. Every AVI call goes to our own services (ownavi).
#include "platform/avi/avi_api_win.h"  // before <vfw.h>

#include <windows.h>
#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/progress_title.h"

// The windows the pipeline speaks to: the main window (its title shows the
// progress; it owns the save dialog) and the player, whose file is the source.
struct EditorWindows {
  HWND mainWindow = nullptr;
  HWND playerWindow = nullptr;
};
extern EditorWindows gEditorWindows;

// The scripted filter mode: source and destination are given, nothing is
// asked, the output is uncompressed, progress goes to standard error.
struct UnattendedRun {
  bool active = false;
  std::wstring source;
  std::wstring destination;
  bool outputCreated = false;   // the destination was opened for writing
  ProgressTitleClock progress;  // when the last frame count was printed
};
extern UnattendedRun gUnattendedRun;

// The writer of one command's new movie. Empty: every handle null, numbers 0.
struct OutputMovie {
  uint8_t* pixels = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  HDC memoryDc = nullptr;
  PAVISTREAM rawStream = nullptr;
  PAVISTREAM compressedStream = nullptr;
  PAVIFILE file = nullptr;
  COMPVARS compressorChoice{};
  AVICOMPRESSOPTIONS compressionOptions{};
  int32_t width = 0;
  int32_t height = 0;
  int32_t imageSize = 0;
  int32_t framesWritten = 0;
  std::vector<uint8_t> memoryPixels;  // a scripted run's picture while it needs no GDI
};

inline constexpr int kPathChars = 260;

bool ChooseSourceAndDestination(std::wstring* source, std::wstring* destination);
// Two names of one file: the same full path in any letter case, or (for
// files that exist, reached by another spelling) the same file identity.
bool SameFile(const std::wstring& a, const std::wstring& b);
// The path's extension is `extension` (with its dot), ignoring case.
bool HasExtension(const std::wstring& path, const wchar_t* extension);

// What OpenMovieForProcessing hands over; the run releases it.
struct OpenedMovie {
  OutputMovie* output = nullptr;
  PAVISTREAM video = nullptr;
  PAVISTREAM audio = nullptr;  // null when the movie has no sound
  PGETFRAME frames = nullptr;
  LONG first = 0;
  LONG end = 0;  // exclusive
  // The first frame, or when it cannot be fetched (a movie of no frames) the
  // stream's format, which gives the output its size.
  const BITMAPINFOHEADER* firstFrame = nullptr;
  std::vector<uint8_t> format;  // the stream's, as stored; empty when unreadable
};
bool OpenMovieForProcessing(OpenedMovie* movie);

// Opens the destination and its streams and, with `withBitmap`, makes the
// bitmap; false after its message (none on cancel). Without it the picture is
// plain memory until a frame needs converting (LoadFrameIntoOutput makes the
// bitmap then): for the scripted filter run, which draws nothing.
bool OpenOutputMovie(OutputMovie* movie, HWND owner, int32_t width, int32_t height,
                     const std::wstring& destination, DWORD scale, DWORD rate, bool withBitmap);
// Returns the memory DC, or null (after its message, or none on cancel).
HDC CreateOutputMovie(OutputMovie* movie, HWND owner, int32_t width, int32_t height,
                      const std::wstring& destination, DWORD scale, DWORD rate);
// False when the movie's file could not be written out whole when it closed
// (our AVI services write a made file at its last release).
bool CloseOutputMovie(OutputMovie* movie);
// For tests: the write of this output frame (from 0) reports failure, as a
// full disk would; -1 for none.
extern int gFailOutputWriteAt;
HDC LoadFrameIntoOutput(OutputMovie* movie, const BITMAPINFOHEADER* frame);
bool WriteOutputFrame(OutputMovie* movie);
// WriteOutputFrame from a copy of the bitmap's pixels (imageSize bytes), for a
// writer on another thread while the bitmap takes the next frame.
bool WriteOutputPixels(OutputMovie* movie, const uint8_t* pixels);
bool CopyStreamToOutput(OutputMovie* movie, PAVISTREAM source, LONG first, LONG last);

// The copy, when asked for, is the caller's to free with delete[].
bool Require24BitCopy(const BITMAPINFOHEADER* frame, uint8_t** pixelStart, uint8_t** copy,
                      int32_t* stride);
bool Require24BitBuffer(const BITMAPINFOHEADER* frame, uint8_t** buffer, int32_t* stride,
                        int32_t* imageSize);

// The frame at the player's position (the last one when it stands past the
// end). On success the caller closes the reader, releases the stream and
// calls AVIFileExit.
bool GetPlayerFrame(PAVISTREAM* video, PGETFRAME* frames, const BITMAPINFOHEADER** frame);
void KeepPreviewFrame(const BITMAPINFOHEADER* frame);
const BITMAPINFOHEADER* KeptPreviewFrame();
void FreePreviewFrame();
void DrawFrameScaled(HDC target, const BITMAPINFOHEADER* frame, int width, int height);

// The player's current file, empty when none is open.
std::wstring PlayerFileName();
// Bytes of a packed DIB: header, colours or masks (by PixelOffset), pixel rows.
size_t PackedDibBytes(const BITMAPINFOHEADER* frame);

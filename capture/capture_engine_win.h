#pragma once
// Grabbing the screen through GDI on the recorder's one thread: the start and
// stop of a recording, the frame pacer that the message loop drives, and the
// timer procedures that grab, draw the cursor in and append each frame.
#include <windows.h>

#include <cstdint>
#include <string>

#include "capture/capture_engine.h"
#include "capture/sound_recording.h"
#include "capture/temp_file.h"

// The GDI grab buffers: one, or two for a coded file, each a memory DC with a
// 24-bit bottom-up DIB section selected into it.
struct GdiCapture {
  int buffers = 0;
  HDC memoryDc[2] = {};
  HBITMAP dib[2] = {};
  HGDIOBJ replaced[2] = {};  // selected back before the DIB section is deleted
  uint8_t* pixels[2] = {};
  BITMAPINFOHEADER header = {};
  uint8_t fileHeader[14] = {};  // bitmap-sequence mode: "BM", 54 + image size, 0, 54
  uint32_t tickCounter = 0;
  DWORD startTime = 0;
  BitmapSequenceNames bitmapNames;
};
extern GdiCapture gGdiCapture;

// What a recording needs beside the settings; the recorder's windows fill it.
struct CaptureEngine {
  std::string tempFolder;   // the temp-folder setting (a folder ending in "\", or the program)
  std::string programPath;  // the recorder's own program file
  HWND selectedWindow = nullptr;  // the entry chosen in the window list
  SoundFormat sound;
  TempFileNames names;  // of the running or last recording
  FramePacer pacer;
  bool timerPeriodSet = false;
  // Called by StopRecording once everything is closed: the recorder saves the
  // recording here (unless bitmap-sequence mode is on).
  void (*afterStop)() = nullptr;
};
extern CaptureEngine gCaptureEngine;

// The screen size, as every clamp reads it.
void SetCaptureDefaults();
bool NormalizeCaptureRange();
void ResolveTargetWindow();

bool StartRecording();
void StopRecording();

void StartFramePacer(int32_t scale, int32_t rate);
void PaceFrame(CaptureProc procedure);
// The recorder's message loop calls this whenever no message waits: it waits
// for the next message, or while recording until the next frame is due, and
// then paces the frame. It never spins.
void WaitForMessageOrFrame();

bool PrepareGdiCapture();
void CloseGdiCapture();
// Closes the temp file of either way of grabbing when one is open, logging a
// write the disk refused at the end.
void CloseCaptureFile();
// Bitmap-sequence mode: the folder named by the start time beside the temp
// file, created (or found); its names go to names. Failure: the message box.
bool CreateBitmapSequenceFolder(const std::string& tempPath, BitmapSequenceNames* names);
// The GDI twin of CreateTempCaptureFile: grabs the reference frame into the
// buffer that is the previous one of the first tick; in bitmap-sequence mode
// it creates the bitmap folder instead.
bool CreateGdiCaptureFile(const std::string& tempPath);
// One grab of the current source into a buffer, the cursor drawn in. Failures
// are logged; false then.
bool GrabGdiFrame(int buffer);

void GrabGdiPlain();
void GrabGdiCoded();
void GrabGdiBitmap();

void DrawCursorOverlay(HDC context, HWND window, LONG left, LONG top);

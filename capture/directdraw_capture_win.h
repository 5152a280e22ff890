#pragma once
// Grabbing the screen through DirectDraw: the primary surface is copied into
// work surfaces in system memory, in the screen's own pixel format, and their
// memory goes unchanged (plain or coded) into a temp file with surface flag 1,
// with the system palette at 8 or fewer bits per pixel. Start, stop, pacing,
// sources and the cursor are the capture engine's (capture_engine_win.h).
#include <windows.h>
// ddraw.h after windows.h
#include <ddraw.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_engine.h"
#include "capture/surface_pixels.h"
#include "capture/temp_file.h"

struct DirectDrawCapture {
  // DirectDrawCreate; a test puts a refusing one here, as Wine never refuses.
  HRESULT(WINAPI* create)(GUID*, IDirectDraw**, IUnknown*) = DirectDrawCreate;
  IDirectDraw* directDraw = nullptr;  // from start-up to exit
  IDirectDrawSurface* primary = nullptr;
  // Surface 1 exists only for a coded file; the two swap roles every tick.
  IDirectDrawSurface* work[2] = {};
  int screenBits = 0;
  // The system palette of each work surface's picture: red, green, blue, flags.
  uint8_t palette[2][256 * 4] = {};
  // What the temp file records of the work surfaces: pitch, depth, masks.
  TempSurfaceFormat format;
  SurfaceBitmapLayout bitmap;  // bitmap-sequence mode
  BitmapSequenceNames bitmapNames;
  std::vector<uint8_t> bitmapFile;  // one bitmap file, rebuilt every tick
  uint32_t tickCounter = 0;
  DWORD startTime = 0;
};
extern DirectDrawCapture gDirectDrawCapture;

// Creates the DirectDraw object for the main window. On failure useDirectDraw
// is cleared, so GDI does all grabbing. A repeated call starts afresh.
bool InitDirectDraw(HWND mainWindow);
// Ends any capture and releases the DirectDraw object.
void ReleaseDirectDraw();

// Makes the primary and work surfaces and picks the timer procedure; failures
// show their message (title "Error") and leave nothing made.
bool PrepareDirectDrawCapture();
// The DirectDraw twin of CreateTempCaptureFile: grabs the reference picture,
// records the work surfaces' format; in bitmap-sequence mode it creates the
// bitmap folder instead. A screen depth no file can hold fails silently.
bool CreateDirectDrawCaptureFile(const std::string& tempPath);
// The temp file closed, every surface released; the DirectDraw object stays.
void CloseDirectDrawCapture();

// One grab of the current source into a work surface, the cursor drawn in and
// the system palette read. False (logged) when the recorded window's size
// can't be read; a refused blit leaves the surface's previous picture.
bool GrabDirectDrawFrame(int surface);

void GrabDirectDrawPlain();
void GrabDirectDrawCoded();
void GrabDirectDrawBitmap();

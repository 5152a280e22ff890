#include "capture/capture_engine_win.h"

#include <mmsystem.h>

#include <cstring>

#include "capture/capture_messages.h"
#include "capture/directdraw_capture_win.h"
#include "capture/error_log.h"
#include "capture/sound_recording_win.h"
#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "common/file.h"
#include "common/message.h"
#include "common/text_win.h"
#include "save/save_messages.h"

GdiCapture gGdiCapture;
CaptureEngine gCaptureEngine;

namespace {

FrameEncoder gEncoder = nullptr;

int32_t ScreenWidth() {
  return GetSystemMetrics(SM_CXSCREEN);
}
int32_t ScreenHeight() {
  return GetSystemMetrics(SM_CYSCREEN);
}
HWND TargetWindow() {
  return static_cast<HWND>(gCaptureSettings.targetWindow);
}

bool PrepareFail(const char* text) {
  ShowMessage(text, kTitleTaihenDesuwa);
  CloseGdiCapture();
  return false;
}

// The recording stops on any failure inside a tick, keeping what was written.
void GrabFailed(const char* logText) {
  WriteErrorLog(logText);
  StopRecording();
}

size_t ImageBytes() {
  return gGdiCapture.header.biSizeImage;
}

int32_t FrameNumberNow() {
  return CaptureFrameNumber(timeGetTime() - gGdiCapture.startTime, gCaptureSettings.scale,
                            gCaptureSettings.rate);
}

int64_t PacerNow() {
  if (gCaptureEngine.pacer.highResolution) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
  }
  return static_cast<int64_t>(timeGetTime());
}

}  // namespace

void SetCaptureDefaults() {
  SetCaptureDefaults(&gCaptureSettings, ScreenWidth(), ScreenHeight());
}

bool NormalizeCaptureRange() {
  return NormalizeCaptureRange(&gCaptureSettings, ScreenWidth(), ScreenHeight());
}

void ResolveTargetWindow() {
  CaptureSettings& s = gCaptureSettings;
  if (s.regionMode == kRegionWindow) {
    HWND window = s.useActiveWindow ? GetForegroundWindow() : gCaptureEngine.selectedWindow;
    s.targetWindow = window;
    RECT r{};
    const bool read =
        window && (s.clientOnly ? GetClientRect(window, &r) : GetWindowRect(window, &r));
    if (read) {
      s.rangeWidth = r.right - r.left;
      s.rangeHeight = r.bottom - r.top;
      s.rangeX = s.rangeY = 0;
    } else {
      // The start goes on with the previous range; the first grab fails the
      // same way and stops the recording with its log line.
      ShowMessage(kMessageWindowSizeFailed, kTitleOkashiiDesuwa);
    }
  } else {
    s.targetWindow = nullptr;
  }
  NormalizeCaptureRange();
}

bool PrepareGdiCapture() {
  CloseGdiCapture();
  GdiCapture& g = gGdiCapture;
  const CaptureSettings& s = gCaptureSettings;
  g.tickCounter = 0;
  const int buffers = s.tempCodec != kTempCodecPlain && !s.bitmapSequence ? 2 : 1;
  HDC screen = GetDC(nullptr);
  if (!screen) return PrepareFail(kMessageScreenDcFailed);
  for (int i = 0; i < buffers; ++i) {
    g.memoryDc[i] = CreateCompatibleDC(screen);
    if (!g.memoryDc[i]) {
      ReleaseDC(nullptr, screen);
      return PrepareFail(kMessageMemoryDcFailed);
    }
    g.buffers = i + 1;
    if (!SetStretchBltMode(g.memoryDc[i], HALFTONE)) {
      ReleaseDC(nullptr, screen);
      return PrepareFail(kMessageStretchModeFailed);
    }
  }
  if (ReleaseDC(nullptr, screen) != 1) return PrepareFail(kMessageScreenDcReleaseFailed);

  BITMAPINFOHEADER& h = g.header;
  h = BITMAPINFOHEADER{};
  h.biSize = sizeof h;
  h.biWidth = s.outputWidth;
  h.biHeight = s.outputHeight;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(DibStride(s.outputWidth, 24) * s.outputHeight);
  for (int i = 0; i < buffers; ++i) {
    void* bits = nullptr;
    // An empty frame (a range smaller than the reduction) has no bitmap either.
    if (s.outputWidth > 0 && s.outputHeight > 0)
      g.dib[i] = CreateDIBSection(g.memoryDc[i], reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS,
                                  &bits, nullptr, 0);
    if (!g.dib[i] || !bits) return PrepareFail(kMessageBitmapCreateFailed);
    g.replaced[i] = SelectObject(g.memoryDc[i], g.dib[i]);
    g.pixels[i] = static_cast<uint8_t*>(bits);
    std::memset(g.pixels[i], 0, h.biSizeImage);
  }

  gEncoder = nullptr;
  if (s.bitmapSequence) {
    ByteWriter file;
    file.Text("BM");
    file.U32(54 + h.biSizeImage);  // file size
    file.U32(0);                   // reserved
    file.U32(54);                  // pixel offset
    std::memcpy(g.fileHeader, file.data(), sizeof g.fileHeader);
    gCaptureSettings.captureProc = GrabGdiBitmap;
  } else if (s.tempCodec == kTempCodecPlain) {
    gCaptureSettings.captureProc = GrabGdiPlain;
  } else {
    gEncoder = SelectFrameEncoder(s.tempCodec);
    gCaptureSettings.captureProc = gEncoder ? GrabGdiCoded : GrabGdiPlain;
  }
  g.startTime = timeGetTime();
  return true;
}

void CloseCaptureFile() {
  if (gTempCaptureFile.file) {
    // A refusal met by a tick is logged there already; one met only when the
    // last buffered bytes go out is logged here.
    const bool logged = gTempCaptureFile.writeFailed;
    if (!CloseTempCaptureFile() && !logged) WriteErrorLog(kLogCaptureWriteFailed);
  }
}

void CloseGdiCapture() {
  CloseCaptureFile();
  GdiCapture& g = gGdiCapture;
  for (int i = 0; i < 2; ++i) {
    if (g.memoryDc[i]) {
      if (g.replaced[i]) SelectObject(g.memoryDc[i], g.replaced[i]);
      if (g.dib[i]) DeleteObject(g.dib[i]);
      DeleteDC(g.memoryDc[i]);
    }
    g.memoryDc[i] = nullptr;
    g.dib[i] = nullptr;
    g.replaced[i] = nullptr;
    g.pixels[i] = nullptr;
  }
  g.buffers = 0;
}

bool CreateBitmapSequenceFolder(const std::string& tempPath, BitmapSequenceNames* names) {
  std::time_t now = std::time(nullptr);
  *names = MakeBitmapSequenceNames(tempPath, *std::localtime(&now));
  const std::wstring folder = Widen(names->folder);
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    ShowMessage(kMessageTempCreateFailed, kTitleAra);
    return false;
  }
  return true;
}

bool CreateGdiCaptureFile(const std::string& tempPath) {
  const CaptureSettings& s = gCaptureSettings;
  if (s.bitmapSequence) return CreateBitmapSequenceFolder(tempPath, &gGdiCapture.bitmapNames);
  TempFileHeader header;
  header.surfaceFlag = 0;
  header.codec = s.tempCodec;
  header.width = s.outputWidth;
  header.height = s.outputHeight;
  header.scale = s.scale;
  header.rate = s.rate;
  const uint8_t* reference = nullptr;
  if (s.tempCodec != kTempCodecPlain) {
    // A failed grab is logged and leaves the zeroed buffer: the first record
    // is coded against exactly the bytes written here, so the file stays valid.
    GrabGdiFrame(1);
    reference = gGdiCapture.pixels[1];
  }
  return CreateTempCaptureFile(tempPath, header, nullptr, nullptr, reference);
}

// One BitBlt of the whole range at reduction 1 rather than one per row: the
// same pixels, and about ten times as many grabs per second under Wine.
bool GrabGdiFrame(int buffer) {
  CaptureSettings& s = gCaptureSettings;
  HDC memory = gGdiCapture.memoryDc[buffer];
  HWND window = nullptr;
  RECT windowRect{};
  HDC source = nullptr;
  if (s.regionMode == kRegionWindow) {
    window = TargetWindow();
    RECT r{};
    if (!window || !(s.clientOnly ? GetClientRect(window, &r) : GetWindowRect(window, &r))) {
      WriteErrorLog(kLogWindowSizeFailed);
      return false;
    }
    if (!s.clientOnly) windowRect = r;
    s.rangeX = s.rangeY = 0;
    s.rangeWidth = r.right - r.left;
    s.rangeHeight = r.bottom - r.top;
    source = s.clientOnly ? GetDC(window) : GetWindowDC(window);
  } else {
    if (s.regionMode == kRegionCursor) {
      POINT cursor;
      if (GetCursorPos(&cursor))
        CentreRangeOnCursor(&s, cursor.x, cursor.y, ScreenWidth(), ScreenHeight());
    }
    source = GetDC(nullptr);
  }
  if (!source) {
    WriteErrorLog(kLogSourceDcFailed);
    return false;
  }
  bool ok;
  if (s.reduction == 1) {
    ok = BitBlt(memory, 0, 0, s.outputWidth, s.outputHeight, source, s.rangeX, s.rangeY, SRCCOPY);
  } else {
    const int previous = SetStretchBltMode(source, HALFTONE);
    if (!previous) {
      ReleaseDC(window, source);
      WriteErrorLog(kLogStretchModeFailed);
      return false;
    }
    ok = StretchBlt(memory, 0, 0, s.outputWidth, s.outputHeight, source, s.rangeX, s.rangeY,
                    s.rangeWidth, s.rangeHeight, SRCCOPY);
    SetStretchBltMode(source, previous);
  }
  ReleaseDC(window, source);
  if (!ok) {
    WriteErrorLog(kLogBitsFailed);
    return false;
  }
  DrawCursorOverlay(memory, window, windowRect.left, windowRect.top);
  return true;
}

void DrawCursorOverlay(HDC context, HWND window, LONG left, LONG top) {
  const CaptureSettings& s = gCaptureSettings;
  if (!s.drawCursor) return;
  HCURSOR cursor = GetCursor();
  ICONINFO info;
  if (!cursor || !GetIconInfo(cursor, &info)) return;
  // GetIconInfo hands out copies of the cursor's bitmaps; they are ours to delete.
  bool deleted = true;
  if (info.hbmMask && !DeleteObject(info.hbmMask)) deleted = false;
  if (info.hbmColor && !DeleteObject(info.hbmColor)) deleted = false;
  if (!deleted) return;
  const int cx = GetSystemMetrics(SM_CXCURSOR), cy = GetSystemMetrics(SM_CYCURSOR);
  POINT p;
  if (!GetCursorPos(&p)) return;
  int32_t x, y;
  if (!window) {
    x = p.x - s.rangeX - static_cast<int32_t>(info.xHotspot);
    y = p.y - s.rangeY - static_cast<int32_t>(info.yHotspot);
  } else if (s.clientOnly) {
    if (!ScreenToClient(window, &p)) return;
    x = p.x - static_cast<int32_t>(info.xHotspot);
    y = p.y - static_cast<int32_t>(info.yHotspot);
  } else {
    x = p.x - left - static_cast<int32_t>(info.xHotspot);
    y = p.y - top - static_cast<int32_t>(info.yHotspot);
  }
  const CursorPlacement at = ScaleCursorToOutput(s, x, y, cx, cy);
  DrawIconEx(context, at.x, at.y, cursor, at.width, at.height, 0, nullptr, DI_NORMAL);
}

void GrabGdiPlain() {
  if (!GrabGdiFrame(0)) return StopRecording();
  if (!AppendRecord(FrameNumberNow(), nullptr, nullptr, gGdiCapture.pixels[0], nullptr))
    return GrabFailed(kLogCaptureWriteFailed);
  ++gGdiCapture.tickCounter;
}

// The buffers swap roles every tick, so the previous frame is never copied.
void GrabGdiCoded() {
  GdiCapture& g = gGdiCapture;
  const int current = static_cast<int>(g.tickCounter % 2);
  if (!GrabGdiFrame(current)) return StopRecording();
  if (!AppendRecord(FrameNumberNow(), nullptr, nullptr, g.pixels[current], g.pixels[1 - current]))
    return GrabFailed(kLogCaptureWriteFailed);
  ++g.tickCounter;
}

void GrabGdiBitmap() {
  GdiCapture& g = gGdiCapture;
  if (!GrabGdiFrame(0)) return StopRecording();
  const std::string name = BitmapSequenceFileName(g.bitmapNames, g.tickCounter);
  UniqueFile file = FileOpen(name, "wb");
  if (!file) return;  // nothing written; the counter stays and the next tick tries again
  bool ok = FileWriteAll(file.get(), g.fileHeader, sizeof g.fileHeader) &&
            FileWriteAll(file.get(), &g.header, sizeof g.header) &&
            FileWriteAll(file.get(), g.pixels[0], ImageBytes());
  ok = std::fclose(file.release()) == 0 && ok;
  if (!ok) {
    // A half-written picture is no bitmap: the files before it are the sequence.
    DeleteFileW(Widen(name).c_str());
    return GrabFailed(kLogCaptureWriteFailed);
  }
  ++g.tickCounter;
}

void StartFramePacer(int32_t scale, int32_t rate) {
  LARGE_INTEGER frequency{};
  const int64_t ticks = QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
  gCaptureEngine.pacer.highResolution = ticks > 0;  // PacerNow reads the right clock
  FramePacerStart(&gCaptureEngine.pacer, scale, rate, ticks, PacerNow());
}

void PaceFrame(CaptureProc procedure) {
  if (FramePacerDue(&gCaptureEngine.pacer, PacerNow())) procedure();
}

void WaitForMessageOrFrame() {
  const CaptureProc procedure = gCaptureSettings.captureProc;
  if (procedure == IdleCaptureProc) {
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    return;
  }
  const DWORD left = FramePacerMillisecondsLeft(gCaptureEngine.pacer, PacerNow());
  if (left > 0 && MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
                      WAIT_TIMEOUT)
    return;  // a message came first
  PaceFrame(procedure);
}

bool StartRecording() {
  CaptureSettings& s = gCaptureSettings;
  if (s.captureProc != IdleCaptureProc) return false;
  ResolveTargetWindow();
  const bool directDraw = s.useDirectDraw;
  if (!(directDraw ? PrepareDirectDrawCapture() : PrepareGdiCapture())) {
    s.captureProc = IdleCaptureProc;
    return false;
  }
  const CaptureProc procedure = s.captureProc;
  s.captureProc = IdleCaptureProc;  // not recording until the file exists
  gCaptureEngine.names = BuildTempFileNames(gCaptureEngine.tempFolder, gCaptureEngine.programPath);
  const std::string& path = gCaptureEngine.names.tempPath;
  if (!(directDraw ? CreateDirectDrawCaptureFile(path) : CreateGdiCaptureFile(path))) {
    CloseGdiCapture();
    CloseDirectDrawCapture();
    return false;
  }
  if (s.recordSound && !s.bitmapSequence) {
    const SoundFormat& f = gCaptureEngine.sound;
    SetSoundFormat(f.sampleRate, f.bitsPerSample, f.channels);
    if (!StartSoundRecording(s.scale, s.rate, gCaptureEngine.names.wavPath)) s.recordSound = 0;
  }
  // Waits of a millisecond: the pacer's waits are that fine on Windows too.
  gCaptureEngine.timerPeriodSet = timeBeginPeriod(1) == TIMERR_NOERROR;
  s.captureProc = procedure;
  StartFramePacer(s.scale, s.rate);
  procedure();
  // The first grab may already have failed and stopped the recording.
  return s.captureProc != IdleCaptureProc;
}

void StopRecording() {
  CaptureSettings& s = gCaptureSettings;
  if (s.captureProc == IdleCaptureProc) return;
  s.captureProc = IdleCaptureProc;
  StopSoundRecording();
  CloseGdiCapture();
  CloseDirectDrawCapture();
  if (gCaptureEngine.timerPeriodSet) timeEndPeriod(1);
  gCaptureEngine.timerPeriodSet = false;
  if (gCaptureEngine.afterStop) gCaptureEngine.afterStop();
}

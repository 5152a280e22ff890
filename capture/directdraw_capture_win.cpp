#include "capture/directdraw_capture_win.h"

#include <mmsystem.h>

#include <cstring>

#include "capture/capture_engine_win.h"
#include "capture/capture_messages.h"
#include "capture/error_log.h"
#include "common/file.h"
#include "common/message.h"
#include "common/text_win.h"
#include "save/save_messages.h"

DirectDrawCapture gDirectDrawCapture;

namespace {

template <typename T>
void ReleaseCom(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

bool PrepareFail(const char* text) {
  ShowMessage(text, kTitleErrorLatin);
  CloseDirectDrawCapture();
  return false;
}

void GrabFailed(const char* logText) {
  WriteErrorLog(logText);
  StopRecording();
}

// 2, 16 or 256 at 1, 4 and 8 bits per pixel; 0 for screens without a palette.
DWORD PaletteEntries() {
  const int bits = gDirectDrawCapture.screenBits;
  return bits == 1 || bits == 4 || bits == 8 ? DWORD{1} << bits : 0;
}

bool IsRecordedDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

IDirectDrawSurface* CreateWorkSurface() {
  const CaptureSettings& s = gCaptureSettings;
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  desc.dwWidth = static_cast<DWORD>(s.outputWidth);
  desc.dwHeight = static_cast<DWORD>(s.outputHeight);
  IDirectDrawSurface* surface = nullptr;
  // The driver refuses an empty frame (a range smaller than the reduction).
  if (FAILED(gDirectDrawCapture.directDraw->CreateSurface(&desc, &surface, nullptr)))
    return nullptr;
  return surface;
}

// A work surface locked for reading, released at scope end. The memory is
// used only when the pitch and rows the driver reports hold the frame the
// temp file records.
class LockedWork {
 public:
  explicit LockedWork(int index) : surface_(gDirectDrawCapture.work[index]) {
    desc_.dwSize = sizeof desc_;
    if (!surface_ || FAILED(surface_->Lock(nullptr, &desc_, DDLOCK_WAIT, nullptr))) return;
    locked_ = true;
    const CaptureSettings& s = gCaptureSettings;
    const TempSurfaceFormat& f = gDirectDrawCapture.format;
    if (desc_.lpSurface && desc_.lPitch == f.rowBytes &&
        SurfaceHoldsPicture(desc_.lPitch, desc_.dwHeight, s.outputWidth, s.outputHeight,
                            f.bitsPerPixel))
      memory_ = static_cast<const uint8_t*>(desc_.lpSurface);
  }
  LockedWork(const LockedWork&) = delete;
  LockedWork& operator=(const LockedWork&) = delete;
  ~LockedWork() {
    if (locked_) surface_->Unlock(nullptr);
  }
  // Null when the lock failed or the memory does not hold the frame.
  const uint8_t* memory() const { return memory_; }

 private:
  IDirectDrawSurface* surface_;
  DDSURFACEDESC desc_{};
  bool locked_ = false;
  const uint8_t* memory_ = nullptr;
};

int32_t FrameNumberNow() {
  return CaptureFrameNumber(timeGetTime() - gDirectDrawCapture.startTime, gCaptureSettings.scale,
                            gCaptureSettings.rate);
}

// The source rectangle in screen coordinates; in window mode the range takes
// the window's current size, as the cursor's scaling needs it.
bool SourceRect(RECT* source) {
  CaptureSettings& s = gCaptureSettings;
  if (s.regionMode == kRegionWindow) {
    HWND window = static_cast<HWND>(s.targetWindow);
    RECT r{};
    if (!window || !(s.clientOnly ? GetClientRect(window, &r) : GetWindowRect(window, &r))) {
      WriteErrorLog(kLogWindowSizeFailed);
      return false;
    }
    if (s.clientOnly) {
      POINT origin{0, 0};
      ClientToScreen(window, &origin);
      OffsetRect(&r, origin.x, origin.y);
    }
    s.rangeX = s.rangeY = 0;
    s.rangeWidth = r.right - r.left;
    s.rangeHeight = r.bottom - r.top;
    *source = r;
    return true;
  }
  if (s.regionMode == kRegionCursor) {
    POINT cursor;
    if (GetCursorPos(&cursor))
      CentreRangeOnCursor(&s, cursor.x, cursor.y, GetSystemMetrics(SM_CXSCREEN),
                          GetSystemMetrics(SM_CYSCREEN));
  }
  *source = {s.rangeX, s.rangeY, s.rangeX + s.rangeWidth, s.rangeY + s.rangeHeight};
  return true;
}

}  // namespace

bool InitDirectDraw(HWND mainWindow) {
  ReleaseDirectDraw();
  IDirectDraw* directDraw = nullptr;
  if (FAILED(gDirectDrawCapture.create(nullptr, &directDraw, nullptr)) || !directDraw ||
      FAILED(directDraw->SetCooperativeLevel(mainWindow, DDSCL_NORMAL))) {
    ReleaseCom(directDraw);
    gCaptureSettings.useDirectDraw = 0;
    return false;
  }
  gDirectDrawCapture.directDraw = directDraw;
  return true;
}

void ReleaseDirectDraw() {
  CloseDirectDrawCapture();
  ReleaseCom(gDirectDrawCapture.directDraw);
}

bool PrepareDirectDrawCapture() {
  CloseDirectDrawCapture();
  DirectDrawCapture& d = gDirectDrawCapture;
  const CaptureSettings& s = gCaptureSettings;
  d.tickCounter = 0;
  if (!d.directDraw) return PrepareFail(kMessageDirectDrawUnavailable);
  std::memset(d.palette, 0, sizeof d.palette);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  if (FAILED(d.directDraw->CreateSurface(&desc, &d.primary, nullptr)) || !d.primary) {
    d.primary = nullptr;
    return PrepareFail(kMessagePrimarySurfaceFailed);
  }
  DDSURFACEDESC primary{};
  primary.dwSize = sizeof primary;
  d.screenBits = SUCCEEDED(d.primary->GetSurfaceDesc(&primary))
                     ? static_cast<int>(primary.ddpfPixelFormat.dwRGBBitCount)
                     : 0;
  // Work surfaces take the screen's format; the temp file reads theirs again.
  d.format = TempSurfaceFormat{};
  d.format.bitsPerPixel = d.screenBits;
  d.format.redMask = primary.ddpfPixelFormat.dwRBitMask;
  d.format.greenMask = primary.ddpfPixelFormat.dwGBitMask;
  d.format.blueMask = primary.ddpfPixelFormat.dwBBitMask;
  // Only bitmap-sequence mode needs the file layout; a depth it can't take
  // ends the start when the file is created.
  MakeSurfaceBitmapLayout(s.outputWidth, s.outputHeight, d.screenBits, &d.bitmap);
  const bool coded = s.tempCodec != kTempCodecPlain && !s.bitmapSequence;
  for (int i = 0; i < (coded ? 2 : 1); ++i)
    if (!(d.work[i] = CreateWorkSurface())) return PrepareFail(kMessageWorkSurfaceFailed);

  if (s.bitmapSequence) {
    gCaptureSettings.captureProc = GrabDirectDrawBitmap;
  } else if (coded && SelectFrameEncoder(s.tempCodec)) {
    gCaptureSettings.captureProc = GrabDirectDrawCoded;
  } else {
    gCaptureSettings.captureProc = GrabDirectDrawPlain;
  }
  d.startTime = timeGetTime();
  return true;
}

void CloseDirectDrawCapture() {
  CloseCaptureFile();
  DirectDrawCapture& d = gDirectDrawCapture;
  ReleaseCom(d.work[0]);
  ReleaseCom(d.work[1]);
  ReleaseCom(d.primary);
}

bool CreateDirectDrawCaptureFile(const std::string& tempPath) {
  DirectDrawCapture& d = gDirectDrawCapture;
  const CaptureSettings& s = gCaptureSettings;
  if (s.bitmapSequence) {
    if (!d.bitmap.depth) {
      CloseDirectDrawCapture();
      return false;
    }
    return CreateBitmapSequenceFolder(tempPath, &d.bitmapNames);
  }
  // The reference picture goes where tick 0 finds its previous one. A window
  // whose size can't be read is logged and leaves the surface as it is.
  const int reference = d.work[1] ? 1 : 0;
  GrabDirectDrawFrame(reference);
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  const int bits = SUCCEEDED(d.work[reference]->GetSurfaceDesc(&desc))
                       ? static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount)
                       : 0;
  if (!IsRecordedDepth(bits)) {
    CloseDirectDrawCapture();
    return false;
  }
  d.format = TempSurfaceFormat{};
  d.format.rowBytes = desc.lPitch;
  d.format.bitsPerPixel = bits;
  if (bits == 16) {
    d.format.redMask = desc.ddpfPixelFormat.dwRBitMask;
    d.format.greenMask = desc.ddpfPixelFormat.dwGBitMask;
    d.format.blueMask = desc.ddpfPixelFormat.dwBBitMask;
  }
  // A driver whose pitch or height can't hold the frame is no usable surface.
  if (!SurfaceHoldsPicture(desc.lPitch, desc.dwHeight, s.outputWidth, s.outputHeight, bits)) {
    ShowMessage(kMessageWorkSurfaceFailed, kTitleErrorLatin);
    CloseDirectDrawCapture();
    return false;
  }
  TempFileHeader header;
  header.surfaceFlag = 1;
  header.codec = s.tempCodec;
  header.width = s.outputWidth;
  header.height = s.outputHeight;
  header.scale = s.scale;
  header.rate = s.rate;
  if (s.tempCodec == kTempCodecPlain)
    return CreateTempCaptureFile(tempPath, header, &d.format, nullptr, nullptr);
  LockedWork locked(reference);
  if (!locked.memory()) {
    WriteErrorLog(kLogBitsFailed);
    CloseDirectDrawCapture();
    return false;
  }
  return CreateTempCaptureFile(tempPath, header, &d.format, d.palette[reference], locked.memory());
}

bool GrabDirectDrawFrame(int index) {
  DirectDrawCapture& d = gDirectDrawCapture;
  const CaptureSettings& s = gCaptureSettings;
  IDirectDrawSurface* surface = d.work[index];
  RECT source;
  if (!SourceRect(&source)) return false;
  if (s.reduction == 1) {
    SurfaceBlit blit;
    if (ClipSurfaceBlit(source.left, source.top, source.right, source.bottom, s.outputWidth,
                        s.outputHeight, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), &blit)) {
      RECT from{blit.left, blit.top, blit.right, blit.bottom};
      surface->BltFast(static_cast<DWORD>(blit.destX), static_cast<DWORD>(blit.destY), d.primary,
                       &from, DDBLTFAST_WAIT);
    }
  } else {
    RECT to{0, 0, s.outputWidth, s.outputHeight};
    surface->Blt(&to, d.primary, &source, DDBLT_WAIT, nullptr);
  }
  HDC dc = nullptr;
  if (SUCCEEDED(surface->GetDC(&dc))) {
    const HWND window = static_cast<HWND>(s.targetWindow);
    DrawCursorOverlay(dc, window, source.left, source.top);
    static_assert(sizeof d.palette[0] == 256 * sizeof(PALETTEENTRY));
    if (const DWORD entries = PaletteEntries())
      GetSystemPaletteEntries(dc, 0, entries, reinterpret_cast<PALETTEENTRY*>(d.palette[index]));
    surface->ReleaseDC(dc);
  }
  return true;
}

void GrabDirectDrawPlain() {
  DirectDrawCapture& d = gDirectDrawCapture;
  if (!GrabDirectDrawFrame(0)) return StopRecording();
  const int32_t number = FrameNumberNow();
  const char* failure = nullptr;
  {
    // Stopping releases the surfaces: only once the lock is given back.
    LockedWork locked(0);
    if (!locked.memory())
      failure = kLogBitsFailed;
    else if (!AppendRecord(number, d.palette[0], nullptr, locked.memory(), nullptr))
      failure = kLogCaptureWriteFailed;
  }
  if (failure) return GrabFailed(failure);
  ++d.tickCounter;
}

// The surfaces swap roles every tick; the reference picture was grabbed into
// surface 1, the previous one of tick 0.
void GrabDirectDrawCoded() {
  DirectDrawCapture& d = gDirectDrawCapture;
  const int current = static_cast<int>(d.tickCounter % 2);
  const int previous = 1 - current;
  if (!GrabDirectDrawFrame(current)) return StopRecording();
  const int32_t number = FrameNumberNow();
  const char* failure = nullptr;
  {
    LockedWork now(current), before(previous);
    // The coding is symmetric in its two frames: previous goes first here.
    if (!now.memory() || !before.memory())
      failure = kLogBitsFailed;
    else if (!AppendRecord(number, d.palette[previous], d.palette[current], before.memory(),
                           now.memory()))
      failure = kLogCaptureWriteFailed;
  }
  if (failure) return GrabFailed(failure);
  ++d.tickCounter;
}

void GrabDirectDrawBitmap() {
  DirectDrawCapture& d = gDirectDrawCapture;
  const CaptureSettings& s = gCaptureSettings;
  if (!GrabDirectDrawFrame(0)) return StopRecording();
  {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    IDirectDrawSurface* surface = d.work[0];
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr)))
      return GrabFailed(kLogBitsFailed);
    const bool built = BuildSurfaceBitmapFile(
        d.bitmap, d.format, s.outputWidth, s.outputHeight, d.palette[0],
        static_cast<const uint8_t*>(desc.lpSurface), desc.lPitch, desc.dwHeight, &d.bitmapFile);
    surface->Unlock(nullptr);
    if (!built) return GrabFailed(kLogBitsFailed);
  }
  const std::string name = BitmapSequenceFileName(d.bitmapNames, d.tickCounter);
  UniqueFile file = FileOpen(name, "wb");
  if (!file) return;  // nothing written; the counter stays and the next tick tries again
  bool ok = FileWriteAll(file.get(), d.bitmapFile.data(), d.bitmapFile.size());
  ok = std::fclose(file.release()) == 0 && ok;
  if (!ok) {
    // A half-written picture is no bitmap: the files before it are the sequence.
    DeleteFileW(Widen(name).c_str());
    return GrabFailed(kLogCaptureWriteFailed);
  }
  ++d.tickCounter;
}

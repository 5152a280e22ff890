// Figures for bench/capture.sh, run under Wine on the benchmark's display:
//   capture_probe bitblt SECONDS                 bare full-screen BitBlts into a DIB section
//   capture_probe record REDUCTION RATE SECONDS [ddraw]
//                                                the engine recording the whole screen
//                                                (through DirectDraw with "ddraw")
//   capture_probe bltfast SECONDS                bare full-screen BltFasts from the primary
//                                                surface into a system-memory surface
//   capture_probe idle SECONDS                   the engine's message wait with nothing to do
// Each prints one line of key=value figures.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "capture/capture_engine_win.h"
#include "capture/directdraw_capture_win.h"
#include "capture/error_log.h"
#include "capture/temp_file.h"
#include "common/text_win.h"

namespace {
double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int BareBitBlt(double seconds) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  const DWORD start = GetTickCount();
  int grabs = 0;
  while (GetTickCount() - start < seconds * 1000) {
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    ++grabs;
  }
  const double elapsed = (GetTickCount() - start) / 1000.0;
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::printf("bitblt size=%dx%d grabs_per_second=%.1f\n", w, h, grabs / elapsed);
  return 0;
}

// DirectDraw needs a window for its cooperative level.
bool StartDirectDraw() {
  HWND window = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  return window && InitDirectDraw(window);
}

int BareBltFast(double seconds) {
  if (!StartDirectDraw()) {
    std::printf("bltfast no DirectDraw\n");
    return 1;
  }
  IDirectDraw* dd = gDirectDrawCapture.directDraw;
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface *primary = nullptr, *work = nullptr;
  if (FAILED(dd->CreateSurface(&desc, &primary, nullptr))) return 1;
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  desc.dwWidth = w, desc.dwHeight = h;
  if (FAILED(dd->CreateSurface(&desc, &work, nullptr))) return 1;
  RECT whole{0, 0, w, h};
  const DWORD start = GetTickCount();
  int grabs = 0;
  while (GetTickCount() - start < seconds * 1000) {
    work->BltFast(0, 0, primary, &whole, DDBLTFAST_WAIT);
    ++grabs;
  }
  const double elapsed = (GetTickCount() - start) / 1000.0;
  work->Release();
  primary->Release();
  ReleaseDirectDraw();
  std::printf("bltfast size=%dx%d grabs_per_second=%.1f\n", w, h, grabs / elapsed);
  return 0;
}

int Record(int reduction, int rate, double seconds, bool directDraw) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string folder = Narrow(temp);
  gCaptureEngine = CaptureEngine{};
  gCaptureEngine.tempFolder = folder;
  gCaptureEngine.programPath = folder + "capture_probe.exe";
  SetErrorLogPath((folder + "capture_probe_log.txt").c_str());
  SetCaptureDefaults();
  gCaptureSettings.reduction = static_cast<uint8_t>(reduction);
  gCaptureSettings.rate = rate;
  gCaptureSettings.tempCodec = kTempCodecFlagXor;
  if (directDraw && !StartDirectDraw()) {
    std::printf("record no DirectDraw\n");
    return 1;
  }
  gCaptureSettings.useDirectDraw = directDraw;
  const double cpu = CpuSeconds();
  if (!StartRecording()) {
    std::printf("record failed to start\n");
    return 1;
  }
  const DWORD start = GetTickCount();
  while (gCaptureSettings.captureProc != IdleCaptureProc &&
         GetTickCount() - start < seconds * 1000) {
    Pump();
    WaitForMessageOrFrame();
  }
  const double elapsed = (GetTickCount() - start) / 1000.0;
  const double used = CpuSeconds() - cpu;
  StopRecording();
  // What the file holds: one record per grab; a frame number that a late grab
  // skipped shows as a picture filling more than one frame.
  TempFileReader reader;
  int64_t records = 0, repeated = 0;
  if (TempFileReaderOpen(&reader, gCaptureEngine.names.tempPath)) {
    TempPicture picture;
    while (TempFileReadPicture(&reader, &picture)) {
      ++records;
      if (picture.count > 1) repeated += picture.count - 1;
    }
  }
  reader.file.reset();
  DeleteFileW(Widen(gCaptureEngine.names.tempPath).c_str());
  std::printf(
      "record%s reduction=%d rate=%d grabs_per_second=%.1f frames=%lld repeated_frames=%lld "
      "cpu_percent=%.1f\n",
      directDraw ? "_ddraw" : "", reduction, rate, records / elapsed,
      static_cast<long long>(reader.frameCount), static_cast<long long>(repeated),
      100 * used / elapsed);
  return 0;
}

int Idle(double seconds) {
  SetCaptureDefaults();
  const double cpu = CpuSeconds();
  const DWORD start = GetTickCount();
  // Nothing posts messages: the waits end only at the timer that ends the run.
  SetTimer(nullptr, 0, static_cast<UINT>(seconds * 1000), nullptr);
  MSG msg;
  for (;;) {
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER) break;
      DispatchMessageW(&msg);
    } else {
      WaitForMessageOrFrame();
    }
  }
  const double elapsed = (GetTickCount() - start) / 1000.0;
  std::printf("idle seconds=%.1f cpu_percent=%.2f\n", elapsed,
              100 * (CpuSeconds() - cpu) / elapsed);
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "bitblt" && argc == 3) return BareBitBlt(std::atof(argv[2]));
  if (mode == "record" && (argc == 5 || (argc == 6 && std::string(argv[5]) == "ddraw")))
    return Record(std::atoi(argv[2]), std::atoi(argv[3]), std::atof(argv[4]), argc == 6);
  if (mode == "bltfast" && argc == 3) return BareBltFast(std::atof(argv[2]));
  if (mode == "idle" && argc == 3) return Idle(std::atof(argv[2]));
  std::fprintf(stderr,
               "usage: capture_probe bitblt S | bltfast S | record REDUCTION RATE S [ddraw] | "
               "idle S\n");
  return 2;
}

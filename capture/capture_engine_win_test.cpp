// The capture engine under Wine on the real (Xvfb) screen: a window painted
// with known colours and a moving square is recorded and read back through the
// temp file reader.
#include "capture/capture_engine_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "capture/capture_messages.h"
#include "capture/error_log.h"
#include "common/dib_geometry.h"
#include "common/file.h"
#include "common/shift_jis.h"
#include "common/text_win.h"
#include "save/convert_temp_win.h"
#include "testing/message_recorder.h"
#include "testing/program_path_win.h"

namespace {

constexpr int kClientW = 256, kClientH = 192;
constexpr COLORREF kGreen = RGB(0, 160, 0), kBlue = RGB(0, 0, 200), kGrey = RGB(128, 128, 128);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr int kShapeY = 118, kShapeSize = 24, kShapeRow = 130;
int gShapeX = 70;

// Top half: green left, blue right; bottom half grey with the yellow square.
LRESULT CALLBACK PaintedProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wparam, lparam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  auto fill = [&](int l, int t, int r, int b, COLORREF c) {
    RECT rect{l, t, r, b};
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  };
  fill(0, 0, kClientW / 2, kClientH / 2, kGreen);
  fill(kClientW / 2, 0, kClientW, kClientH / 2, kBlue);
  fill(0, kClientH / 2, kClientW, kClientH, kGrey);
  fill(gShapeX, kShapeY, gShapeX + kShapeSize, kShapeY + kShapeSize, kYellow);
  EndPaint(window, &ps);
  return 0;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

HWND CreatePaintedWindow(int x, int y) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW c{};
    c.lpfnWndProc = PaintedProc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    c.lpszClassName = L"CapturePainted";
    registered = RegisterClassW(&c) != 0;
  }
  RECT r{0, 0, kClientW, kClientH};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE;
  AdjustWindowRect(&r, style, FALSE);
  HWND window =
      CreateWindowExW(WS_EX_TOPMOST, L"CapturePainted", L"painted", style, x, y, r.right - r.left,
                      r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  UpdateWindow(window);
  return window;
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

POINT ClientOrigin(HWND window) {
  POINT p{0, 0};
  ClientToScreen(window, &p);
  return p;
}

// Wine hands paint to the X server lazily: poll the screen for it.
bool WaitForScreen(HWND window, int cx, int cy, COLORREF want, DWORD timeoutMs = 15000) {
  const DWORD start = GetTickCount();
  const POINT o = ClientOrigin(window);
  while (ScreenPixel(o.x + cx, o.y + cy) != want) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump();
    Sleep(10);
  }
  return true;
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}

COLORREF FramePixel(const uint8_t* frame, int width, int height, int x, int y) {
  const uint8_t* p = frame + (height - 1 - y) * DibStride(width, 24) + 3 * x;
  return RGB(p[2], p[1], p[0]);
}

std::string LogText() {
  UniqueFile file = FileOpen(gErrorLog.path, "rb");
  std::string text;
  int c;
  while (file && (c = std::fgetc(file.get())) != EOF) text.push_back(static_cast<char>(c));
  return text;
}

class CaptureEngineWinTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string root = Narrow(ProgramPath(CAPTURE_OUTPUT_DIR));
    CreateDirectoryW(Widen(root).c_str(), nullptr);
    dir_ = root + "\\" + name;
    CreateDirectoryW(Widen(dir_).c_str(), nullptr);
    gCaptureEngine = CaptureEngine{};
    gCaptureEngine.tempFolder = dir_ + "\\";
    gCaptureEngine.programPath = dir_ + "\\recorder.exe";
    SetErrorLogPath((dir_ + "\\error_log.txt").c_str());
    DeleteFileW(Widen(gErrorLog.path).c_str());
    SetCaptureDefaults();
    gShapeX = 70;
  }
  void TearDown() override {
    StopRecording();
    if (window_) DestroyWindow(window_);
    Pump();
  }

  // Records until `ms` passed or the recording stopped itself; the square
  // moves 12 pixels every 150 ms.
  void RecordFor(DWORD ms, HWND moving) {
    const DWORD start = GetTickCount();
    DWORD moved = start;
    while (gCaptureSettings.captureProc != IdleCaptureProc && GetTickCount() - start < ms) {
      Pump();
      if (moving && GetTickCount() - moved >= 150 && gShapeX < 166) {
        gShapeX += 12;
        moved = GetTickCount();
        InvalidateRect(moving, nullptr, FALSE);
        UpdateWindow(moving);
      }
      WaitForMessageOrFrame();
    }
  }

  std::string dir_;
  HWND window_ = nullptr;
};

// The painted colours sit where the source puts them, and the square moves.
TEST_F(CaptureEngineWinTest, RecordsEverySourceAtEveryReductionThroughEveryCodec) {
  window_ = CreatePaintedWindow(200, 150);
  ASSERT_TRUE(WaitForScreen(window_, 20, 20, kGreen));
  const POINT o = ClientOrigin(window_);
  RECT windowRect;
  GetWindowRect(window_, &windowRect);
  struct Row {
    const char* label;
    uint8_t mode, clientOnly, reduction, codec;
  };
  const Row rows[] = {
      {"fixed 1/1 plain", kRegionFixed, 0, 1, kTempCodecPlain},
      {"fixed 1/2 flag", kRegionFixed, 0, 2, kTempCodecFlagXor},
      {"window 1/1 run", kRegionWindow, 0, 1, kTempCodecRunXor},
      {"window 1/2 plain", kRegionWindow, 0, 2, kTempCodecPlain},
      {"client 1/1 flag", kRegionWindow, 1, 1, kTempCodecFlagXor},
      {"client 1/2 run", kRegionWindow, 1, 2, kTempCodecRunXor},
      {"cursor 1/1 run", kRegionCursor, 0, 1, kTempCodecRunXor},
      {"cursor 1/2 flag", kRegionCursor, 0, 2, kTempCodecFlagXor},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    gShapeX = 70;
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    ASSERT_TRUE(WaitForScreen(window_, 70, kShapeRow, kYellow));
    ASSERT_TRUE(WaitForScreen(window_, 150, kShapeRow, kGrey));
    SetCaptureDefaults();
    CaptureSettings& s = gCaptureSettings;
    s.regionMode = r.mode;
    s.clientOnly = r.clientOnly;
    s.reduction = r.reduction;
    s.tempCodec = r.codec;
    s.rate = 20;
    gCaptureEngine.selectedWindow = window_;
    // Where client point (0, 0) lies in the source range.
    int offsetX = 0, offsetY = 0, rangeW = kClientW, rangeH = kClientH;
    if (r.mode == kRegionFixed) {
      s.rangeX = o.x, s.rangeY = o.y, s.rangeWidth = kClientW, s.rangeHeight = kClientH;
    } else if (r.mode == kRegionCursor) {
      s.rangeWidth = 128, s.rangeHeight = 96, rangeW = 128, rangeH = 96;
      ASSERT_TRUE(SetCursorPos(o.x + 128, o.y + 96));
      offsetX = -64, offsetY = -48;
    } else if (!r.clientOnly) {
      offsetX = o.x - windowRect.left, offsetY = o.y - windowRect.top;
      rangeW = windowRect.right - windowRect.left, rangeH = windowRect.bottom - windowRect.top;
    }
    ASSERT_TRUE(StartRecording());
    RecordFor(2500, window_);
    ASSERT_NE(gCaptureSettings.captureProc, IdleCaptureProc) << "stopped by itself: " << LogText();
    StopRecording();
    EXPECT_EQ(LogText(), "");

    TempFileReader reader;
    ASSERT_TRUE(TempFileReaderOpen(&reader, gCaptureEngine.names.tempPath));
    const int w = rangeW / r.reduction, h = rangeH / r.reduction;
    EXPECT_EQ(reader.header.width, w);
    EXPECT_EQ(reader.header.height, h);
    EXPECT_EQ(reader.header.codec, r.codec);
    EXPECT_EQ(reader.header.rate, 20);
    EXPECT_EQ(reader.countState, TempCountState::Matches);
    EXPECT_GE(reader.frameCount, 40);  // 2.5 s at 20 per second
    auto at = [&](int cx, int cy) {
      return FramePixel(reader.frame.get(), w, h, (cx + offsetX) / r.reduction,
                        (cy + offsetY) / r.reduction);
    };
    std::set<int> shapeAt;
    int pictures = 0;
    TempPicture picture;
    while (TempFileReadPicture(&reader, &picture)) {
      ++pictures;
      EXPECT_TRUE(Near(at(80, 60), kGreen)) << "picture " << pictures;
      EXPECT_TRUE(Near(at(176, 60), kBlue)) << "picture " << pictures;
      EXPECT_TRUE(Near(at(66, 100), kGrey)) << "picture " << pictures;
      for (int cx = 66; cx < 190; cx += r.reduction) {
        if (Near(at(cx, kShapeRow), kYellow) && Near(at(cx + 8, kShapeRow), kYellow)) {
          shapeAt.insert(cx);
          break;
        }
      }
      if (HasFailure()) break;
    }
    EXPECT_GE(pictures, 20);
    EXPECT_GE(shapeAt.size(), 3u) << "the square moves from picture to picture";
    ASSERT_FALSE(shapeAt.empty());
    EXPECT_NEAR(*shapeAt.begin(), 70, 2) << "it starts where it was painted";
    reader.file.reset();
    DeleteFileW(Widen(gCaptureEngine.names.tempPath).c_str());
  }
}

// One BitBlt of the whole range holds the same bytes as one BitBlt per row,
// bottom row first, of the same still screen.
TEST_F(CaptureEngineWinTest, OneBitBltGrabsWhatRowByRowGrabs) {
  window_ = CreatePaintedWindow(300, 200);
  ASSERT_TRUE(WaitForScreen(window_, 70, kShapeRow, kYellow));
  const POINT o = ClientOrigin(window_);
  struct Row {
    const char* label;
    int x, y, w, h;
  };
  const Row rows[] = {
      {"the painted window and around it", o.x - 13, o.y - 7, kClientW + 27, kClientH + 15},
      {"odd width, padded rows", o.x + 1, o.y + 1, 33, 17},
      {"whole screen", 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    CaptureSettings& s = gCaptureSettings;
    s.rangeX = r.x, s.rangeY = r.y, s.rangeWidth = r.w, s.rangeHeight = r.h;
    s.tempCodec = kTempCodecPlain;
    NormalizeCaptureRange();
    ASSERT_TRUE(PrepareGdiCapture());
    const size_t bytes = gGdiCapture.header.biSizeImage;
    ASSERT_TRUE(GrabGdiFrame(0));
    std::vector<uint8_t> whole(gGdiCapture.pixels[0], gGdiCapture.pixels[0] + bytes);
    std::memset(gGdiCapture.pixels[0], 0x5A, bytes);
    HDC screen = GetDC(nullptr);
    for (int y = s.outputHeight - 1; y >= 0; --y)
      ASSERT_TRUE(BitBlt(gGdiCapture.memoryDc[0], 0, y, s.outputWidth, 1, screen, s.rangeX,
                         s.rangeY + y, SRCCOPY));
    ReleaseDC(nullptr, screen);
    GdiFlush();
    // Padding is not BitBlt's: compare the pixels of each row.
    const size_t stride = static_cast<size_t>(DibStride(s.outputWidth, 24));
    int differing = 0;
    for (int y = 0; y < s.outputHeight; ++y)
      differing += std::memcmp(whole.data() + y * stride, gGdiCapture.pixels[0] + y * stride,
                               3 * static_cast<size_t>(s.outputWidth)) != 0;
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(FramePixel(whole.data(), s.outputWidth, s.outputHeight, o.x + 10 - s.rangeX,
                         o.y + 10 - s.rangeY),
              kGreen);
    CloseGdiCapture();
  }
}

// A range narrower than the reduction leaves no frame: preparation says so.
TEST_F(CaptureEngineWinTest, EmptyFrameFailsPreparationWithItsMessage) {
  MessageRecorder messages;
  gCaptureSettings.rangeWidth = 3;
  gCaptureSettings.reduction = 4;
  EXPECT_FALSE(StartRecording());
  EXPECT_EQ(gCaptureSettings.captureProc, IdleCaptureProc);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].text, kMessageBitmapCreateFailed);
  EXPECT_EQ(messages.messages()[0].title, "たいへんですわ");
  EXPECT_FALSE(gGdiCapture.memoryDc[0]) << "nothing is left prepared";
}

// The recorded window goes away mid-recording: the grab logs it, the recording
// stops, and the temp file is whole up to its last record and converts.
TEST_F(CaptureEngineWinTest, ClosedWindowStopsAndKeepsTheRecording) {
  struct Row {
    const char* label;
    uint8_t clientOnly, codec;
  };
  const Row rows[] = {{"client, flag codec", 1, kTempCodecFlagXor},
                      {"whole window, plain", 0, kTempCodecPlain}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    DeleteFileW(Widen(gErrorLog.path).c_str());
    HWND window = CreatePaintedWindow(250, 180);
    ASSERT_TRUE(WaitForScreen(window, 20, 20, kGreen));
    SetCaptureDefaults();
    gCaptureSettings.regionMode = kRegionWindow;
    gCaptureSettings.clientOnly = r.clientOnly;
    gCaptureSettings.tempCodec = r.codec;
    gCaptureEngine.selectedWindow = window;
    RECT windowRect;
    GetWindowRect(window, &windowRect);
    const POINT o = ClientOrigin(window);
    const int offsetX = r.clientOnly ? 0 : o.x - windowRect.left;
    const int offsetY = r.clientOnly ? 0 : o.y - windowRect.top;
    ASSERT_TRUE(StartRecording());
    RecordFor(700, nullptr);
    DestroyWindow(window);
    RecordFor(3000, nullptr);
    EXPECT_EQ(gCaptureSettings.captureProc, IdleCaptureProc) << "the recording stopped itself";
    const std::string log = LogText();
    EXPECT_NE(log.find(Utf8ToShiftJis(kLogWindowSizeFailed)), std::string::npos) << log;

    TempFileReader reader;
    ASSERT_TRUE(TempFileReaderOpen(&reader, gCaptureEngine.names.tempPath));
    EXPECT_EQ(reader.countState, TempCountState::Matches) << "the frame count was patched";
    EXPECT_FALSE(reader.partialRecord);
    EXPECT_GE(reader.frameCount, 6);  // 0.7 s at 12 per second
    TempPicture picture;
    int pictures = 0;
    while (TempFileReadPicture(&reader, &picture)) {
      ++pictures;
      EXPECT_EQ(FramePixel(reader.frame.get(), reader.header.width, reader.header.height,
                           20 + offsetX, 40 + offsetY),
                kGreen);
      if (HasFailure()) break;
    }
    EXPECT_GE(pictures, 6);
    const int64_t frames = reader.frameCount;
    reader.file.reset();

    std::string folder = dir_;
    ASSERT_TRUE(ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, gCaptureEngine.names.tempPath,
                                 "", &folder, false, false));
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Widen(dir_ + "\\*.AVI").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "an AVI was written";
    FindClose(find);
    UniqueFile avi = FileOpen(dir_ + "\\" + Narrow(found.cFileName), "rb");
    ASSERT_TRUE(avi);
    uint8_t head[56];  // RIFF header, hdrl list header, avih chunk header and its fields
    ASSERT_EQ(std::fread(head, 1, sizeof head, avi.get()), sizeof head);
    EXPECT_EQ(std::memcmp(head, "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(head + 8, "AVI ", 4), 0);
    EXPECT_EQ(head[48] | head[49] << 8 | head[50] << 16, frames) << "avih total frames";
    avi.reset();
    DeleteFileW((Widen(dir_) + L"\\" + found.cFileName).c_str());
  }
}

// The cursor is drawn with its tip at the pointer's offset in the range,
// divided by the reduction.
TEST_F(CaptureEngineWinTest, CursorDrawnAtItsOffsetDividedByTheReduction) {
  window_ = CreatePaintedWindow(200, 150);
  ASSERT_TRUE(WaitForScreen(window_, 20, 20, kGreen));
  const POINT o = ClientOrigin(window_);
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  SetCursor(arrow);
  ASSERT_TRUE(SetCursorPos(o.x + 40, o.y + 30));
  const int cursorW = GetSystemMetrics(SM_CXCURSOR), cursorH = GetSystemMetrics(SM_CYCURSOR);
  for (uint8_t reduction : {1, 2}) {
    SCOPED_TRACE(reduction);
    CaptureSettings& s = gCaptureSettings;
    SetCaptureDefaults();
    s.rangeX = o.x, s.rangeY = o.y, s.rangeWidth = 128, s.rangeHeight = 96;
    s.reduction = reduction;
    s.tempCodec = kTempCodecPlain;
    NormalizeCaptureRange();
    ASSERT_TRUE(PrepareGdiCapture());
    const size_t bytes = gGdiCapture.header.biSizeImage;
    s.drawCursor = 0;
    ASSERT_TRUE(GrabGdiFrame(0));
    std::vector<uint8_t> plain(gGdiCapture.pixels[0], gGdiCapture.pixels[0] + bytes);
    s.drawCursor = 1;
    ASSERT_TRUE(GrabGdiFrame(0));
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < s.outputHeight; ++y)
      for (int x = 0; x < s.outputWidth; ++x)
        if (FramePixel(plain.data(), s.outputWidth, s.outputHeight, x, y) !=
            FramePixel(gGdiCapture.pixels[0], s.outputWidth, s.outputHeight, x, y)) {
          left = std::min(left, x), top = std::min(top, y);
          right = std::max(right, x), bottom = std::max(bottom, y);
        }
    CloseGdiCapture();
    ASSERT_GE(right, 0) << "the cursor was drawn";
    EXPECT_NEAR(left, 40 / reduction, 2);
    EXPECT_NEAR(top, 30 / reduction, 2);
    EXPECT_LE(right - left + 1, cursorW / reduction);
    EXPECT_LE(bottom - top + 1, cursorH / reduction);
    EXPECT_GE(bottom - top + 1, cursorH / reduction / 3);
  }
}

// Two seconds at 12 per second: about 24 numbered bitmap files, each a whole
// BMP of the frame's size, in a folder named by the start time.
TEST_F(CaptureEngineWinTest, BitmapSequenceWritesNumberedBitmapFiles) {
  CaptureSettings& s = gCaptureSettings;
  s.bitmapSequence = 1;
  s.rangeX = 100, s.rangeY = 50, s.rangeWidth = 321, s.rangeHeight = 240;
  s.reduction = 1;
  ASSERT_TRUE(StartRecording());
  RecordFor(2000, nullptr);
  ASSERT_NE(s.captureProc, IdleCaptureProc) << LogText();
  StopRecording();
  EXPECT_EQ(LogText(), "");
  const std::string folder = gGdiCapture.bitmapNames.folder;
  EXPECT_EQ(folder.rfind(dir_ + "\\", 0), 0u) << folder;
  EXPECT_EQ(folder.size(), dir_.size() + 1 + 14) << "\"%m_%d_%H_%M_%S\": " << folder;
  const uint32_t image = static_cast<uint32_t>(DibStride(321, 24) * 240);
  int files = 0;
  for (;; ++files) {
    char name[16];
    std::snprintf(name, sizeof name, "%.10d", files);
    UniqueFile file = FileOpen(folder + "\\" + name + ".bmp", "rb");
    if (!file) break;
    std::vector<uint8_t> bytes(54 + image + 1);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file.get()), 54 + image) << name;
    auto u32 = [&](size_t at) {
      return uint32_t{bytes[at]} | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
    };
    EXPECT_EQ(bytes[0], 'B') << name;
    EXPECT_EQ(bytes[1], 'M') << name;
    EXPECT_EQ(u32(2), 54 + image) << "file size, " << name;
    EXPECT_EQ(u32(10), 54u) << "pixel offset, " << name;
    EXPECT_EQ(u32(14), 40u) << "header size, " << name;
    EXPECT_EQ(u32(18), 321u) << "width, " << name;
    EXPECT_EQ(u32(22), 240u) << "height, " << name;
    EXPECT_EQ(bytes[28], 24) << "bits per pixel, " << name;
    EXPECT_EQ(u32(34), image) << "image size, " << name;
  }
  EXPECT_GE(files, 20);
  EXPECT_LE(files, 26);
  EXPECT_FALSE(FileOpen(gCaptureEngine.names.tempPath, "rb")) << "no temp file in this mode";
}

// Waiting costs no processor time: idle until a message comes, and while
// recording until the next frame is due.
TEST_F(CaptureEngineWinTest, WaitingForMessagesAndFramesDoesNotSpin) {
  auto cpuMs = [] {
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    auto ms = [](FILETIME t) {
      return (uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
  };
  // Idle: one wait lasts until the message posted 400 ms later.
  const DWORD thread = GetCurrentThreadId();
  HANDLE poster = CreateThread(
      nullptr, 0,
      [](void* id) -> DWORD {
        Sleep(400);
        PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<uintptr_t>(id)), WM_USER, 0, 0);
        return 0;
      },
      reinterpret_cast<void*>(static_cast<uintptr_t>(thread)), 0, nullptr);
  ASSERT_TRUE(poster);
  DWORD start = GetTickCount();
  uint64_t cpu = cpuMs();
  WaitForMessageOrFrame();
  EXPECT_GE(GetTickCount() - start, 300u);
  EXPECT_LT(cpuMs() - cpu, 100u);
  WaitForSingleObject(poster, INFINITE);
  CloseHandle(poster);
  Pump();

  // Recording a small range at 12 per second for 1.5 s.
  CaptureSettings& s = gCaptureSettings;
  s.rangeWidth = 64, s.rangeHeight = 64, s.tempCodec = kTempCodecPlain;
  ASSERT_TRUE(StartRecording());
  start = GetTickCount();
  cpu = cpuMs();
  RecordFor(1500, nullptr);
  const DWORD wall = GetTickCount() - start;
  const uint64_t used = cpuMs() - cpu;
  StopRecording();
  EXPECT_LT(used * 4, wall) << "busy " << used << " of " << wall << " ms";
  TempFileReader reader;
  ASSERT_TRUE(TempFileReaderOpen(&reader, gCaptureEngine.names.tempPath));
  EXPECT_NEAR(reader.frameCount, 18, 3);
}

}  // namespace

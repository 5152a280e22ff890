// DirectDraw capture under Wine on the (Xvfb) screen. Wine's primary surface
// does not hold what GDI draws, only what DirectDraw puts there, so the tests
// give the engine's primary a known, changing picture by blitting to it, and
// read the recordings back through the temp file and the converted AVI.
#include "capture/directdraw_capture_win.h"

#include <vfw.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "capture/capture_engine_win.h"
#include "capture/capture_messages.h"
#include "capture/error_log.h"
#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "common/file.h"
#include "common/shift_jis.h"
#include "common/text_win.h"
#include "save/convert_temp_win.h"
#include "testing/file_bytes.h"
#include "testing/message_recorder.h"
#include "testing/program_path_win.h"

namespace {

constexpr int kPictureW = 256, kPictureH = 192;
constexpr COLORREF kGreen = RGB(0, 160, 0), kBlue = RGB(0, 0, 200), kGrey = RGB(128, 128, 128);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr int kShapeY = 118, kShapeSize = 24, kShapeRow = 130;

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}

// A pixel of a 24-bit bottom-up frame.
COLORREF FramePixel(const uint8_t* frame, int width, int height, int x, int y) {
  const uint8_t* p = frame + (height - 1 - y) * DibStride(width, 24) + 3 * x;
  return RGB(p[2], p[1], p[0]);
}

std::string LogText() {
  const Bytes bytes = ReadWhole(gErrorLog.path);
  return std::string(bytes.begin(), bytes.end());
}

// The frames of an AVI as the platform's AVI services read them.
std::vector<Bytes> ReadAviFrames(const std::string& path, size_t frameBytes) {
  std::vector<Bytes> frames;
  AVIFileInit();
  PAVIFILE file = nullptr;
  if (AVIFileOpenW(&file, Widen(path).c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr) != 0) {
    AVIFileExit();
    return frames;
  }
  PAVISTREAM video = nullptr;
  if (AVIFileGetStream(file, &video, streamtypeVIDEO, 0) == 0) {
    PGETFRAME reader = AVIStreamGetFrameOpen(video, nullptr);
    for (LONG i = 0; reader && i < AVIStreamLength(video); ++i) {
      auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(reader, i));
      if (!dib || dib->biBitCount != 24) break;
      const uint8_t* bits = reinterpret_cast<const uint8_t*>(dib) + dib->biSize;
      frames.emplace_back(bits, bits + frameBytes);
    }
    if (reader) AVIStreamGetFrameClose(reader);
    AVIStreamRelease(video);
  }
  AVIFileRelease(file);
  AVIFileExit();
  return frames;
}

void DeleteMovies(const std::string& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Widen(folder + "\\*.AVI").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do DeleteFileW((Widen(folder) + L"\\" + found.cFileName).c_str());
  while (FindNextFileW(find, &found));
  FindClose(find);
}

// The system palette of a screen of 8 or fewer bits per pixel.
std::vector<PALETTEENTRY> SystemPalette() {
  std::vector<PALETTEENTRY> entries(256);
  HDC screen = GetDC(nullptr);
  entries.resize(GetSystemPaletteEntries(screen, 0, 256, entries.data()));
  ReleaseDC(nullptr, screen);
  return entries;
}

size_t NearestEntry(const std::vector<PALETTEENTRY>& palette, COLORREF c) {
  size_t best = 0;
  int bestDistance = INT_MAX;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int r = palette[i].peRed - GetRValue(c), g = palette[i].peGreen - GetGValue(c),
              b = palette[i].peBlue - GetBValue(c);
    if (r * r + g * g + b * b < bestDistance) best = i, bestDistance = r * r + g * g + b * b;
  }
  return best;
}

// A colour as a pixel of the given format: masked channels, or the palette index.
uint32_t PixelValue(const DDPIXELFORMAT& format, COLORREF c) {
  if (format.dwRGBBitCount <= 8) return static_cast<uint32_t>(NearestEntry(SystemPalette(), c));
  auto channel = [](uint32_t value, uint32_t mask) {
    if (!mask) return 0u;
    int shift = 0;
    while (!(mask >> shift & 1)) ++shift;
    return (value * (mask >> shift) / 255) << shift;
  };
  return channel(GetRValue(c), format.dwRBitMask) | channel(GetGValue(c), format.dwGBitMask) |
         channel(GetBValue(c), format.dwBBitMask);
}

// What the screen shows for a colour: at 8 bits the nearest palette entry.
COLORREF Shown(COLORREF c, int bits) {
  if (bits > 8) return c;
  const std::vector<PALETTEENTRY> palette = SystemPalette();
  const PALETTEENTRY e = palette.at(NearestEntry(palette, c));
  return RGB(e.peRed, e.peGreen, e.peBlue);
}

// The screen's format as DirectDraw reports the display mode.
DDPIXELFORMAT ScreenFormat() {
  DDSURFACEDESC mode{};
  mode.dwSize = sizeof mode;
  EXPECT_EQ(gDirectDrawCapture.directDraw->GetDisplayMode(&mode), DD_OK);
  return mode.ddpfPixelFormat;
}

class DirectDrawCaptureWinTest : public testing::Test {
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
    RECT r{0, 0, kPictureW, kPictureH};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE;
    AdjustWindowRect(&r, style, FALSE);
    window_ =
        CreateWindowExW(0, L"STATIC", L"main", style, 200, 150, r.right - r.left, r.bottom - r.top,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window_);
    ASSERT_TRUE(InitDirectDraw(window_));
    gCaptureSettings.useDirectDraw = 1;
  }
  void TearDown() override {
    StopRecording();
    if (picture_) picture_->Release();
    ReleaseDirectDraw();
    gDirectDrawCapture.create = DirectDrawCreate;
    DestroyWindow(window_);
    Pump();
  }

  // Blits the test picture onto the engine's primary surface, its top-left
  // at (x, y): green and blue above, grey below with a yellow square at shapeX.
  // The pixels are written in the screen's format (at 8 bits the system
  // palette's nearest entries), as a program drawing with DirectDraw would.
  void PaintPrimary(int x, int y, int shapeX) {
    ASSERT_TRUE(gDirectDrawCapture.primary);
    if (!picture_) {
      DDSURFACEDESC desc{};
      desc.dwSize = sizeof desc;
      desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
      desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
      desc.dwWidth = kPictureW, desc.dwHeight = kPictureH;
      ASSERT_EQ(gDirectDrawCapture.directDraw->CreateSurface(&desc, &picture_, nullptr), DD_OK);
    }
    DDSURFACEDESC locked{};
    locked.dwSize = sizeof locked;
    ASSERT_EQ(picture_->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    const int bytes = static_cast<int>(locked.ddpfPixelFormat.dwRGBBitCount) / 8;
    auto fill = [&](int l, int t, int r, int b, COLORREF c) {
      const uint32_t value = PixelValue(locked.ddpfPixelFormat, c);
      for (int py = t; py < b; ++py)
        for (int px = l; px < r; ++px) {
          auto* p = static_cast<uint8_t*>(locked.lpSurface) + py * locked.lPitch + px * bytes;
          for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
        }
    };
    fill(0, 0, kPictureW / 2, kPictureH / 2, kGreen);
    fill(kPictureW / 2, 0, kPictureW, kPictureH / 2, kBlue);
    fill(0, kPictureH / 2, kPictureW, kPictureH, kGrey);
    fill(shapeX, kShapeY, shapeX + kShapeSize, kShapeY + kShapeSize, kYellow);
    picture_->Unlock(nullptr);
    RECT to{x, y, x + kPictureW, y + kPictureH};
    ASSERT_EQ(gDirectDrawCapture.primary->Blt(&to, picture_, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  }

  // Records for `ms` or until the recording stopped itself; with a picture
  // place, the square moves 12 pixels every 150 ms.
  void RecordFor(DWORD ms, const POINT* picture = nullptr) {
    const DWORD start = GetTickCount();
    DWORD moved = start;
    int shapeX = 70;
    if (picture) PaintPrimary(picture->x, picture->y, shapeX);
    while (gCaptureSettings.captureProc != IdleCaptureProc && GetTickCount() - start < ms) {
      Pump();
      if (picture && GetTickCount() - moved >= 150 && shapeX < 166) {
        shapeX += 12;
        moved = GetTickCount();
        PaintPrimary(picture->x, picture->y, shapeX);
      }
      WaitForMessageOrFrame();
    }
  }

  POINT ClientOrigin() {
    POINT p{0, 0};
    ClientToScreen(window_, &p);
    return p;
  }

  std::string dir_;
  HWND window_ = nullptr;
  IDirectDrawSurface* picture_ = nullptr;
};

// The temp file holds the screen's own format, and the AVI converted from it
// shows what the primary surface held at each grab.
TEST_F(DirectDrawCaptureWinTest, RecordingsHoldWhatThePrimaryHeld) {
  const DDPIXELFORMAT screen = ScreenFormat();
  const int bits = static_cast<int>(screen.dwRGBBitCount);
  const COLORREF green = Shown(kGreen, bits), blue = Shown(kBlue, bits);
  const COLORREF grey = Shown(kGrey, bits), yellow = Shown(kYellow, bits);
  struct Row {
    const char* label;
    uint8_t mode, reduction, codec;
  };
  const Row rows[] = {
      {"fixed 1/1 plain", kRegionFixed, 1, kTempCodecPlain},
      {"fixed 1/2 flag", kRegionFixed, 2, kTempCodecFlagXor},
      {"client 1/1 run", kRegionWindow, 1, kTempCodecRunXor},
      {"client 1/2 plain", kRegionWindow, 2, kTempCodecPlain},
      {"cursor 1/1 flag", kRegionCursor, 1, kTempCodecFlagXor},
      {"cursor 1/2 run", kRegionCursor, 2, kTempCodecRunXor},
  };
  int index = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    const std::string folder = dir_ + "\\" + std::to_string(index++);
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    DeleteMovies(folder);  // of an earlier run that stopped half-way
    gCaptureEngine.tempFolder = folder + "\\";
    SetCaptureDefaults();
    CaptureSettings& s = gCaptureSettings;
    s.useDirectDraw = 1;
    s.regionMode = r.mode;
    s.clientOnly = 1;
    s.reduction = r.reduction;
    s.tempCodec = r.codec;
    s.rate = 20;
    gCaptureEngine.selectedWindow = window_;
    // The picture's place on the screen, and where its (0, 0) lies in the range.
    POINT at = ClientOrigin();
    int offsetX = 0, offsetY = 0, rangeW = kPictureW, rangeH = kPictureH;
    if (r.mode == kRegionFixed) {
      at = {300, 260};
      s.rangeX = at.x, s.rangeY = at.y, s.rangeWidth = kPictureW, s.rangeHeight = kPictureH;
    } else if (r.mode == kRegionCursor) {
      at = {400, 300};
      s.rangeWidth = 128, s.rangeHeight = 96, rangeW = 128, rangeH = 96;
      ASSERT_TRUE(SetCursorPos(at.x + 128, at.y + 96));
      offsetX = -64, offsetY = -48;
    }
    ASSERT_TRUE(StartRecording());
    const int32_t pitch = gDirectDrawCapture.format.rowBytes;
    RecordFor(2000, &at);
    ASSERT_NE(s.captureProc, IdleCaptureProc) << "stopped by itself: " << LogText();
    StopRecording();
    EXPECT_EQ(LogText(), "");

    const int w = rangeW / r.reduction, h = rangeH / r.reduction;
    const Bytes temp = ReadWhole(gCaptureEngine.names.tempPath);
    ASSERT_GE(temp.size(), 36u);
    EXPECT_EQ(temp[4], 1) << "surface flag";
    EXPECT_EQ(temp[5], r.codec);
    EXPECT_EQ(static_cast<int32_t>(GetU32(temp.data() + 28)), pitch) << "row bytes";
    EXPECT_GE(pitch, w * bits / 8);
    EXPECT_EQ(static_cast<int32_t>(GetU32(temp.data() + 32)), bits);
    size_t formatBytes = 8;
    if (bits == 16) {
      formatBytes = 20;
      EXPECT_EQ(GetU32(temp.data() + 36), screen.dwRBitMask);
      EXPECT_EQ(GetU32(temp.data() + 40), screen.dwGBitMask);
      EXPECT_EQ(GetU32(temp.data() + 44), screen.dwBBitMask);
    }
    TempFileReader reader;
    ASSERT_TRUE(TempFileReaderOpen(&reader, gCaptureEngine.names.tempPath));
    EXPECT_EQ(reader.header.width, w);
    EXPECT_EQ(reader.header.height, h);
    EXPECT_EQ(reader.countState, TempCountState::Matches);
    const size_t palette = bits <= 8 ? (size_t{4} << bits) : 0;
    EXPECT_EQ(reader.sizes.paletteBytes, palette);
    EXPECT_EQ(reader.sizes.frameBytes, static_cast<size_t>(pitch) * h);
    int records = 0;
    TempPicture picture;
    while (TempFileReadPicture(&reader, &picture)) ++records;
    EXPECT_GE(records, 20);
    reader.file.reset();
    if (r.codec == kTempCodecPlain) {
      EXPECT_EQ(temp.size(), 28 + formatBytes + records * (4 + palette + pitch * size_t(h)))
          << "header, format block, and records of frame number, palette and frame";
    }

    std::string out = folder;
    ASSERT_TRUE(ConvertTempToAvi(GetModuleHandleW(nullptr), nullptr, gCaptureEngine.names.tempPath,
                                 "", &out, false, false));
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Widen(folder + "\\*.AVI").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "an AVI was written";
    FindClose(find);
    const std::string aviPath = folder + "\\" + Narrow(found.cFileName);
    const std::vector<Bytes> frames = ReadAviFrames(aviPath, DibStride(w, 24) * h);
    EXPECT_EQ(static_cast<int64_t>(frames.size()), reader.frameCount);
    std::set<int> shapeAt;
    int painted = 0, firstPainted = -1;
    for (size_t i = 0; i < frames.size(); ++i) {
      const uint8_t* frame = frames[i].data();
      auto pixel = [&](int px, int py) {
        return FramePixel(frame, w, h, (px + offsetX) / r.reduction, (py + offsetY) / r.reduction);
      };
      // The primary is black until the first picture is blitted to it.
      if (firstPainted < 0 && !Near(pixel(80, 60), green)) continue;
      if (firstPainted < 0) firstPainted = static_cast<int>(i);
      ++painted;
      EXPECT_TRUE(Near(pixel(80, 60), green)) << "frame " << i;
      EXPECT_TRUE(Near(pixel(176, 60), blue)) << "frame " << i;
      EXPECT_TRUE(Near(pixel(66, 100), grey)) << "frame " << i;
      for (int cx = 66; cx < 190; cx += r.reduction) {
        if (Near(pixel(cx, kShapeRow), yellow) && Near(pixel(cx + 8, kShapeRow), yellow)) {
          shapeAt.insert(cx);
          break;
        }
      }
      if (HasFailure()) break;
    }
    EXPECT_GE(firstPainted, 0);
    EXPECT_LE(firstPainted, 4) << "the picture shows from the grab after it was blitted";
    EXPECT_GE(painted, 30);
    EXPECT_GE(shapeAt.size(), 3u) << "the square moves from frame to frame";
    ASSERT_FALSE(shapeAt.empty());
    EXPECT_NEAR(*shapeAt.begin(), 70, 2) << "it starts where it was painted";
    DeleteFileW(Widen(aviPath).c_str());
  }
}

// The cursor is drawn into the work surface with its tip at the pointer's
// offset in the range, divided by the reduction.
TEST_F(DirectDrawCaptureWinTest, CursorDrawnAtItsOffsetDividedByTheReduction) {
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  const int cursorW = GetSystemMetrics(SM_CXCURSOR), cursorH = GetSystemMetrics(SM_CYCURSOR);
  for (uint8_t reduction : {1, 2}) {
    SCOPED_TRACE(reduction);
    CaptureSettings& s = gCaptureSettings;
    SetCaptureDefaults();
    s.useDirectDraw = 1;
    s.rangeX = 300, s.rangeY = 260, s.rangeWidth = 128, s.rangeHeight = 96;
    s.reduction = reduction;
    s.tempCodec = kTempCodecPlain;
    NormalizeCaptureRange();
    ASSERT_TRUE(SetCursorPos(300 + 40, 260 + 30));
    ASSERT_TRUE(PrepareDirectDrawCapture());
    // The surface as it is, and its pixel size.
    auto memory = [&](int* bytesPerPixel, LONG* pitch) {
      DDSURFACEDESC desc{};
      desc.dwSize = sizeof desc;
      Bytes copy;
      if (gDirectDrawCapture.work[0]->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        return copy;
      const auto* p = static_cast<const uint8_t*>(desc.lpSurface);
      copy.assign(p, p + desc.lPitch * s.outputHeight);
      gDirectDrawCapture.work[0]->Unlock(nullptr);
      *bytesPerPixel = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount) / 8;
      *pitch = desc.lPitch;
      return copy;
    };
    int bytes = 0;
    LONG pitch = 0;
    s.drawCursor = 0;
    ASSERT_TRUE(GrabDirectDrawFrame(0));
    const Bytes plain = memory(&bytes, &pitch);
    s.drawCursor = 1;
    ASSERT_TRUE(GrabDirectDrawFrame(0));
    const Bytes drawn = memory(&bytes, &pitch);
    CloseDirectDrawCapture();
    ASSERT_FALSE(plain.empty());
    ASSERT_EQ(plain.size(), drawn.size());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < s.outputHeight; ++y)
      for (int x = 0; x < s.outputWidth; ++x)
        if (std::memcmp(&plain[y * pitch + x * bytes], &drawn[y * pitch + x * bytes], bytes)) {
          left = std::min(left, x), top = std::min(top, y);
          right = std::max(right, x), bottom = std::max(bottom, y);
        }
    ASSERT_GE(right, 0) << "the cursor was drawn";
    EXPECT_NEAR(left, 40 / reduction, 2);
    EXPECT_NEAR(top, 30 / reduction, 2);
    EXPECT_LE(right - left + 1, cursorW / reduction);
    EXPECT_LE(bottom - top + 1, cursorH / reduction);
    EXPECT_GE(bottom - top + 1, cursorH / reduction / 3);
  }
}

// Bitmap files of the primary's picture: 24 bits for a 16- or 32-bit screen,
// at 8 bits the indices with the system palette as colour table; rows
// bottom-up and padded, numbered from 0000000000.bmp.
TEST_F(DirectDrawCaptureWinTest, BitmapSequenceWritesTheSurfaceAsBitmapFiles) {
  const int bits = static_cast<int>(ScreenFormat().dwRGBBitCount);
  const COLORREF grey = Shown(kGrey, bits), yellow = Shown(kYellow, bits);
  struct Row {
    int width, height;
    DWORD ms;
    int minFiles, maxFiles;
  };
  // 321 x 240 is read by ffprobe afterwards; 5 pixels wide at 32 bits gives
  // rows of 15 pixel bytes and one zero.
  const Row rows[] = {{321, 240, 2000, 20, 26}, {5, 3, 500, 4, 8}};
  for (const Row& r : rows) {
    const std::string size = std::to_string(r.width) + "x" + std::to_string(r.height);
    SCOPED_TRACE(size);
    const std::string sub = dir_ + "\\" + size;
    CreateDirectoryW(Widen(sub).c_str(), nullptr);
    gCaptureEngine.tempFolder = sub + "\\";
    CaptureSettings& s = gCaptureSettings;
    s.bitmapSequence = 1;
    s.rangeX = 300, s.rangeY = 260, s.rangeWidth = r.width, s.rangeHeight = r.height;
    ASSERT_TRUE(StartRecording());
    POINT at{300 - 70, 260 - 120};  // the range's corner in the square, grey once it moves
    RecordFor(r.ms, &at);
    ASSERT_NE(s.captureProc, IdleCaptureProc) << LogText();
    StopRecording();
    EXPECT_EQ(LogText(), "");
    const std::string folder = gDirectDrawCapture.bitmapNames.folder;
    EXPECT_EQ(folder.rfind(sub + "\\", 0), 0u) << folder;
    const int depth = bits == 16 || bits == 32 ? 24 : bits;
    const uint32_t offset = 54 + (depth <= 8 ? 4u << depth : 0);
    const uint32_t stride = static_cast<uint32_t>(DibStride(r.width, depth));
    const uint32_t image = stride * r.height;
    int files = 0, yellows = 0;
    for (;; ++files) {
      char name[16];
      std::snprintf(name, sizeof name, "%.10d", files);
      const Bytes b = ReadWhole(folder + "\\" + name + ".bmp");
      if (b.empty()) break;
      SCOPED_TRACE(name);
      ASSERT_EQ(b.size(), offset + image);
      EXPECT_EQ(b[0], 'B');
      EXPECT_EQ(b[1], 'M');
      EXPECT_EQ(GetU32(b.data() + 2), offset + image) << "file size";
      EXPECT_EQ(GetU32(b.data() + 10), offset) << "pixel offset";
      EXPECT_EQ(GetU32(b.data() + 14), 40u);
      EXPECT_EQ(static_cast<int>(GetU32(b.data() + 18)), r.width);
      EXPECT_EQ(static_cast<int>(GetU32(b.data() + 22)), r.height);
      EXPECT_EQ(GetU16(b.data() + 28), depth);
      EXPECT_EQ(GetU32(b.data() + 34), image);
      COLORREF corner;
      if (depth == 24) {
        for (int y = 0; y < r.height; ++y)
          for (uint32_t pad = 3 * r.width; pad < stride; ++pad)
            ASSERT_EQ(b[offset + y * stride + pad], 0) << "row padding";
        corner = FramePixel(b.data() + offset, r.width, r.height, 0, 0);
      } else {
        // The colour table is the system palette, blue, green, red, 0.
        const std::vector<PALETTEENTRY> palette = SystemPalette();
        ASSERT_EQ(palette.size(), size_t{1} << depth);
        for (size_t i = 0; i < palette.size(); ++i) {
          const uint8_t* e = b.data() + 54 + 4 * i;
          ASSERT_EQ(RGB(e[2], e[1], e[0]),
                    RGB(palette[i].peRed, palette[i].peGreen, palette[i].peBlue))
              << "entry " << i;
          ASSERT_EQ(e[3], 0);
        }
        ASSERT_EQ(depth, 8);
        const uint8_t* e = b.data() + 54 + 4 * b[offset + (r.height - 1) * stride];
        corner = RGB(e[2], e[1], e[0]);
      }
      // Painted frames: the range's top-left is in the square or grey.
      if (Near(corner, yellow)) {
        ++yellows;
      } else if (files > 1) {
        EXPECT_TRUE(Near(corner, grey)) << std::hex << corner;
      }
    }
    EXPECT_GE(files, r.minFiles);
    EXPECT_LE(files, r.maxFiles);
    EXPECT_GE(yellows, 1) << "the square was there at the start";
    EXPECT_FALSE(FileOpen(gCaptureEngine.names.tempPath, "rb")) << "no temp file in this mode";
  }
}

// The three ways preparation fails, each with its message under the title
// "Error", leaving nothing made and the engine idle.
TEST_F(DirectDrawCaptureWinTest, PreparationFailuresShowTheirMessages) {
  struct Row {
    const char* label;
    void (*arrange)();
    const char* message;
  };
  const Row rows[] = {
      {"no DirectDraw object", [] { ReleaseDirectDraw(); }, kMessageDirectDrawUnavailable},
      {"a primary surface refused (no cooperative level set)",
       [] {
         ReleaseDirectDraw();
         ASSERT_EQ(DirectDrawCreate(nullptr, &gDirectDrawCapture.directDraw, nullptr), DD_OK);
       },
       kMessagePrimarySurfaceFailed},
      {"a work surface the driver refuses: a frame 0 pixels wide",
       [] {
         gCaptureSettings.rangeWidth = 3;
         gCaptureSettings.reduction = 4;
       },
       kMessageWorkSurfaceFailed},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    SetCaptureDefaults();
    gCaptureSettings.useDirectDraw = 1;
    ASSERT_TRUE(InitDirectDraw(window_));
    r.arrange();
    MessageRecorder messages;
    EXPECT_FALSE(StartRecording());
    EXPECT_EQ(gCaptureSettings.captureProc, IdleCaptureProc);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, r.message);
    EXPECT_EQ(messages.messages()[0].title, "Error");
    EXPECT_FALSE(gDirectDrawCapture.primary) << "nothing is left prepared";
    EXPECT_FALSE(gDirectDrawCapture.work[0]);
    EXPECT_FALSE(gTempCaptureFile.file) << "no temp file";
  }
}

// Without DirectDraw the recorder clears the setting and GDI records.
TEST_F(DirectDrawCaptureWinTest, WithoutDirectDrawGdiRecords) {
  gDirectDrawCapture.create = [](GUID*, IDirectDraw**, IUnknown*) -> HRESULT {
    return DDERR_NODIRECTDRAWHW;
  };
  CaptureSettings& s = gCaptureSettings;
  s.useDirectDraw = 1;
  EXPECT_FALSE(InitDirectDraw(window_));
  EXPECT_EQ(s.useDirectDraw, 0);
  EXPECT_FALSE(gDirectDrawCapture.directDraw);
  s.rangeWidth = 64, s.rangeHeight = 48, s.tempCodec = kTempCodecPlain;
  ASSERT_TRUE(StartRecording());
  RecordFor(300);
  StopRecording();
  const Bytes temp = ReadWhole(gCaptureEngine.names.tempPath);
  ASSERT_GE(temp.size(), 28u);
  EXPECT_EQ(temp[4], 0) << "surface flag 0: GDI's 24-bit frames";
  EXPECT_EQ(temp.size() % (4 + DibStride(64, 24) * 48), 28u) << "whole 24-bit records";
}

// What the driver reports is checked before surface memory is read: a work
// surface whose pitch no longer matches the file's rows, or a recorded window
// that went away, stops the recording with its log line and keeps a whole file.
TEST_F(DirectDrawCaptureWinTest, GrabFailuresStopAndKeepTheRecording) {
  struct Row {
    const char* label;
    uint8_t codec;
    bool closeWindow;
    const char* log;
  };
  const Row rows[] = {
      {"pitch differs, plain", kTempCodecPlain, false, kLogBitsFailed},
      {"pitch differs, coded", kTempCodecRunXor, false, kLogBitsFailed},
      {"window closed, coded", kTempCodecFlagXor, true, kLogWindowSizeFailed},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    DeleteFileW(Widen(gErrorLog.path).c_str());
    SetCaptureDefaults();
    CaptureSettings& s = gCaptureSettings;
    s.useDirectDraw = 1;
    s.tempCodec = r.codec;
    HWND recorded = CreateWindowExW(0, L"STATIC", L"recorded", WS_POPUP | WS_VISIBLE, 100, 100, 120,
                                    90, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (r.closeWindow) {
      s.regionMode = kRegionWindow;
      gCaptureEngine.selectedWindow = recorded;
    } else {
      s.rangeWidth = 120, s.rangeHeight = 90;
    }
    ASSERT_TRUE(StartRecording());
    RecordFor(500);
    ASSERT_NE(s.captureProc, IdleCaptureProc) << LogText();
    if (r.closeWindow)
      DestroyWindow(recorded);
    else
      gDirectDrawCapture.format.rowBytes += 4;
    RecordFor(1000);
    EXPECT_EQ(s.captureProc, IdleCaptureProc) << "the recording stopped itself";
    EXPECT_NE(LogText().find(Utf8ToShiftJis(r.log)), std::string::npos) << LogText();
    if (!r.closeWindow) DestroyWindow(recorded);
    TempFileReader reader;
    ASSERT_TRUE(TempFileReaderOpen(&reader, gCaptureEngine.names.tempPath));
    EXPECT_EQ(reader.countState, TempCountState::Matches) << "the frame count was patched";
    EXPECT_FALSE(reader.partialRecord);
    EXPECT_GE(reader.frameCount, 4);  // 0.5 s at 12 per second
  }
}

}  // namespace

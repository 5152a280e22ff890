// tindora playing real movies: which stream it picks, how it draws, that it
// loops, and the configuration dialog's preview. Pixels are read back from the
// screen while the saver runs as its own process.
// The AVI services' portable names (BI_RGB, AVIIF_KEYFRAME) are macros in the
// platform's headers, so they come first.
#include "platform/avi/avi_writer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/text_win.h"
#include "saver/resource.h"
#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;

namespace {
constexpr int kW = 32, kH = 24;
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);
// Wine hands a window's painting to the X server lazily: a screen read may see
// it a second or so late, so the tests wait for what they expect, this long at most.
constexpr std::chrono::milliseconds kScreenBound = 10s;
// A playing saver shows its first frame one timer tick (200 ms for these
// movies) after its window, and that paint may reach the screen a second late;
// what must stay as it is is watched this long.
constexpr std::chrono::milliseconds kFirstFrameSpan = 1200ms;

std::vector<uint8_t> SolidFrame(COLORREF colour) {
  std::vector<uint8_t> frame(kW * 3 * kH);
  for (size_t i = 0; i < frame.size(); i += 3) {
    frame[i] = GetBValue(colour);
    frame[i + 1] = GetGValue(colour);
    frame[i + 2] = GetRValue(colour);
  }
  return frame;
}

AviStreamInfo VideoInfo(uint16_t priority, uint32_t frames) {
  AviStreamInfo info;
  info.fccType = FourCC("vids");
  info.fccHandler = FourCC("DIB ");
  info.wPriority = priority;
  info.dwScale = 1;
  info.dwRate = 5;
  info.dwLength = frames;
  info.rcFrame = {0, 0, kW, kH};
  return info;
}

std::vector<uint8_t> VideoFormat() {
  ByteWriter w;
  w.U32(40), w.I32(kW), w.I32(kH), w.U16(1), w.U16(24), w.U32(0), w.U32(kW * 3 * kH);
  w.Zeros(16);
  return w.bytes();
}

// Stream 0 sound; stream 1 red video of priority 3; stream 2 video of
// priority 1 whose frames are green then blue.
std::wstring WriteMovie(const std::wstring& folder) {
  const std::wstring path = folder + L"\\saver_movie.avi";
  OdmlWriter writer;
  EXPECT_EQ(OdmlWriterCreate(writer, Narrow(path)), AVIERR_OK);
  AviStreamInfo sound;
  sound.fccType = FourCC("auds");
  sound.dwScale = 1;
  sound.dwRate = 8000;
  sound.dwSampleSize = 1;
  const uint8_t pcm[18] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0, 0, 0};
  const std::vector<uint8_t> format = VideoFormat();
  int a = -1, b = -1, c = -1;
  EXPECT_EQ(OdmlWriterAddStream(writer, sound, pcm, sizeof pcm, &a), AVIERR_OK);
  EXPECT_EQ(OdmlWriterAddStream(writer, VideoInfo(3, 2), format.data(), format.size(), &b),
            AVIERR_OK);
  EXPECT_EQ(OdmlWriterAddStream(writer, VideoInfo(1, 2), format.data(), format.size(), &c),
            AVIERR_OK);
  std::vector<uint8_t> silence(8000, 0x80);
  const auto red = SolidFrame(kRed), green = SolidFrame(kGreen), blue = SolidFrame(kBlue);
  EXPECT_EQ(OdmlWriterWrite(writer, a, silence.data(), 8000, AVIIF_KEYFRAME), AVIERR_OK);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(
        OdmlWriterWrite(writer, b, red.data(), static_cast<uint32_t>(red.size()), AVIIF_KEYFRAME),
        AVIERR_OK);
    const auto& frame = i == 0 ? green : blue;
    EXPECT_EQ(OdmlWriterWrite(writer, c, frame.data(), static_cast<uint32_t>(frame.size()),
                              AVIIF_KEYFRAME),
              AVIERR_OK);
  }
  EXPECT_EQ(OdmlWriterClose(writer), AVIERR_OK);
  return path;
}

void WriteProfile(const std::wstring& path, const wchar_t* mode) {
  WritePrivateProfileStringW(L"Screen Saver.tindora", L"PATH", path.c_str(), L"tindora.ini");
  WritePrivateProfileStringW(L"Screen Saver.tindora", L"VTYPE", mode, L"tindora.ini");
}

std::wstring ProfilePath() {
  wchar_t folder[MAX_PATH];
  GetWindowsDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\tindora.ini";
}

// One pixel of the screen as it is shown.
COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// Lets this thread's messages through for a while (the backdrop below is ours).
void PumpFor(std::chrono::milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  for (auto now = std::chrono::steady_clock::now(); now < end;
       now = std::chrono::steady_clock::now()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

// Re-reads the screen until `shown` holds or kScreenBound passes; the caller
// then asserts what it sees, whichever came first.
bool WaitForScreen(const std::function<bool()>& shown) {
  const auto end = std::chrono::steady_clock::now() + kScreenBound;
  while (!shown()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    PumpFor(20ms);
  }
  return true;
}

// The opposite wait, for what must not change: re-reads the screen while
// `state` holds, until `span` passes. False as soon as it stops holding.
bool HoldsFor(const std::function<bool()>& state, std::chrono::milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  while (state()) {
    if (std::chrono::steady_clock::now() >= end) return true;
    PumpFor(20ms);
  }
  return false;
}

bool IsFrameColour(COLORREF colour) {
  return colour == kGreen || colour == kBlue;
}

// How often the pixel went from the last frame (blue) back to the first (green).
int LoopTurns(const std::vector<COLORREF>& seen) {
  int turns = 0;
  for (size_t i = 1; i < seen.size(); ++i)
    if (seen[i - 1] == kBlue && seen[i] == kGreen) ++turns;
  return turns;
}

// Watches the screen and notes the colours a pixel takes, in order of change,
// until the playback has looped once or kScreenBound passes.
std::vector<COLORREF> WatchPixel(int x, int y) {
  std::vector<COLORREF> seen;
  WaitForScreen([&] {
    COLORREF c = ScreenPixel(x, y);
    if (seen.empty() || seen.back() != c) seen.push_back(c);
    return LoopTurns(seen) >= 1;
  });
  return seen;
}

// A white window under the saver, so that black on the screen is the saver's
// own window and not the empty desktop, which reads black as well.
class Backdrop {
 public:
  Backdrop() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszClassName = L"TindoraTestBackdrop";
    RegisterClassW(&cls);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, cls.lpszClassName, L"", WS_POPUP,
                              0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                              nullptr, nullptr, cls.hInstance, nullptr);
    if (window_) ShowWindow(window_, SW_SHOWNOACTIVATE);
  }
  ~Backdrop() {
    if (window_) DestroyWindow(window_);
  }
  Backdrop(const Backdrop&) = delete;
  Backdrop& operator=(const Backdrop&) = delete;

 private:
  HWND window_ = nullptr;
};

class TindoraPlayback : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    folder_ = std::wstring(base) + L"tindora_movies";
    CreateDirectoryW(folder_.c_str(), nullptr);
    movie_ = WriteMovie(folder_);
  }
  void TearDown() override {
    DeleteFileW(movie_.c_str());
    RemoveDirectoryW(folder_.c_str());
    DeleteFileW(ProfilePath().c_str());
  }

  // Runs the saver full screen and hands its window to `look` once playing.
  void RunSaver(const std::function<void()>& look) {
    DialogScript script;
    script
        .Window("WindowsScreenSaverClass",
                [&](DialogHandle& w) {
                  look();
                  w.PostClose();
                })
        .Within(30s);
    EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_TINDORA_SCR, L"/s"), script, 60s), 0);
  }

  std::wstring folder_, movie_;
};
}  // namespace

TEST_F(TindoraPlayback, PlaysTheVideoStreamOfLowestPriorityValueInALoop) {
  WriteProfile(movie_, L"2");
  RunSaver([] {
    // Two frames at 5 per second: green and blue take turns, and red (the
    // stream of priority 3) never shows.
    std::vector<COLORREF> seen = WatchPixel(512, 384);
    int turns = LoopTurns(seen);
    EXPECT_GE(turns, 1) << "after the last frame the first one comes back";
    for (COLORREF c : seen) EXPECT_NE(c, kRed);
    // Zoom: 32 x 24 fills 1024 x 768 exactly.
    WaitForScreen([] { return IsFrameColour(ScreenPixel(1, 1)); });
    COLORREF corner = ScreenPixel(1, 1);
    EXPECT_TRUE(corner == kGreen || corner == kBlue) << std::hex << corner;
  });
}

TEST_F(TindoraPlayback, CentreDrawsAtTheFramesOwnSizeInTheMiddle) {
  WriteProfile(movie_, L"0");
  RunSaver([] {
    WaitForScreen([] {
      return IsFrameColour(ScreenPixel(512, 384)) && ScreenPixel(512 - 16 - 2, 384) == kBlack &&
             ScreenPixel(10, 10) == kBlack;
    });
    COLORREF middle = ScreenPixel(512, 384);
    EXPECT_TRUE(middle == kGreen || middle == kBlue) << std::hex << middle;
    EXPECT_EQ(ScreenPixel(512 - 16 - 2, 384), kBlack) << "left of the frame stays black";
    EXPECT_EQ(ScreenPixel(10, 10), kBlack);
  });
}

TEST_F(TindoraPlayback, TileCoversTheScreenFromTheTopLeft) {
  WriteProfile(movie_, L"1");
  RunSaver([] {
    const POINT points[] = {{0, 0}, {1000, 10}, {33, 760}, {1023, 767}};
    WaitForScreen([&] {
      for (POINT p : points)
        if (!IsFrameColour(ScreenPixel(p.x, p.y))) return false;
      return true;
    });
    for (POINT p : points) {
      COLORREF c = ScreenPixel(p.x, p.y);
      EXPECT_TRUE(c == kGreen || c == kBlue) << p.x << "," << p.y << " " << std::hex << c;
    }
  });
}

TEST_F(TindoraPlayback, WithoutAUsableMovieTheSaverStaysUpAndBlack) {
  WriteProfile(folder_ + L"\\missing.avi", L"2");
  // The saver's black counts only once it has covered the white backdrop.
  Backdrop backdrop;
  ASSERT_TRUE(WaitForScreen([] { return ScreenPixel(512, 384) == kWhite; }))
      << "the backdrop never reached the screen";
  RunSaver([] {
    // Black as soon as the saver's window covers the backdrop; it stays so.
    auto black = [] { return ScreenPixel(512, 384) == kBlack; };
    if (WaitForScreen(black)) HoldsFor(black, kFirstFrameSpan);
    EXPECT_EQ(ScreenPixel(512, 384), kBlack);
  });
}

TEST_F(TindoraPlayback, PreviewOfAFileWhoseStreamZeroIsSoundIsRefusedAndForgotten) {
  WriteProfile(L"", L"2");
  // The preview is drawn when the dialog paints after the choice; its refusal
  // comes then, once the file dialog is gone.
  DialogScript script;
  script
      .Dialog(IDD_SAVER_CONFIGURE,
              [](DialogHandle& d) {
                EXPECT_EQ(d.Selected(IDC_DISPLAY_MODE), 2);
                d.Click(IDC_BROWSE);
              })
      .Within(30s)
      .OpenFile(std::wstring_view(movie_))
      .Message("Error", "ファイルが開けませんでした")
      .Dialog(IDD_SAVER_CONFIGURE, [](DialogHandle& d) { d.Click(IDOK); });
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_TINDORA_SCR, L"/c"), script, 60s), 0);
  wchar_t path[260] = L"?", mode[16] = L"";
  GetPrivateProfileStringW(L"Screen Saver.tindora", L"PATH", L"?", path, 260, L"tindora.ini");
  GetPrivateProfileStringW(L"Screen Saver.tindora", L"VTYPE", L"", mode, 16, L"tindora.ini");
  EXPECT_STREQ(path, L"") << "OK writes the forgotten path as empty";
  EXPECT_STREQ(mode, L"2");
}

TEST_F(TindoraPlayback, BrowsingToAMovieShowsItsFirstFrameAndOkWritesBothKeys) {
  // A movie whose stream 0 is video: one green frame.
  const std::wstring path = folder_ + L"\\preview.avi";
  {
    OdmlWriter writer;
    ASSERT_EQ(OdmlWriterCreate(writer, Narrow(path)), AVIERR_OK);
    const std::vector<uint8_t> format = VideoFormat();
    const auto green = SolidFrame(kGreen);
    int video = -1;
    ASSERT_EQ(OdmlWriterAddStream(writer, VideoInfo(0, 1), format.data(), format.size(), &video),
              AVIERR_OK);
    ASSERT_EQ(OdmlWriterWrite(writer, video, green.data(), static_cast<uint32_t>(green.size()),
                              AVIIF_KEYFRAME),
              AVIERR_OK);
    ASSERT_EQ(OdmlWriterClose(writer), AVIERR_OK);
  }
  DeleteFileW(ProfilePath().c_str());
  DialogScript script;
  script
      .Dialog(IDD_SAVER_CONFIGURE,
              [](DialogHandle& d) {
                d.Click(IDC_BROWSE);  // the file dialog below answers
                POINT inside{80, 80}, outside{170, 80};
                ClientToScreen(d.window(), &inside);
                ClientToScreen(d.window(), &outside);
                // The new preview paints, and reaches the screen.
                WaitForScreen([&] {
                  return ScreenPixel(inside.x, inside.y) == kGreen &&
                         ScreenPixel(outside.x, outside.y) != kGreen;
                });
                EXPECT_EQ(ScreenPixel(inside.x, inside.y), kGreen) << "the preview square";
                EXPECT_NE(ScreenPixel(outside.x, outside.y), kGreen) << "only the preview square";
                d.Select(IDC_DISPLAY_MODE, "中央に表示");
                d.Click(IDOK);
              })
      .Within(30s)
      .OpenFile(std::wstring_view(path));
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_TINDORA_SCR, L"/c"), script, 60s), 0);
  wchar_t saved[260] = L"", mode[16] = L"";
  GetPrivateProfileStringW(L"Screen Saver.tindora", L"PATH", L"", saved, 260, L"tindora.ini");
  GetPrivateProfileStringW(L"Screen Saver.tindora", L"VTYPE", L"", mode, 16, L"tindora.ini");
  EXPECT_EQ(std::wstring(saved), path);
  EXPECT_STREQ(mode, L"0");
  DeleteFileW(path.c_str());
}

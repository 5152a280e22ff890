// What the Win32 tests take for granted about the machine they run on: the
// test display, Japanese faces, fast hidden windows, and a sound input device.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

TEST(WineEnvironment, DisplayIs1024x768TrueColour) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  HDC screen = GetDC(nullptr);
  EXPECT_GE(GetDeviceCaps(screen, BITSPIXEL), 24);
  ReleaseDC(nullptr, screen);
}

TEST(WineEnvironment, TheSuitesJapaneseFaceHasKanjiGlyphs) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(12, 0, 0, 0, 300, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0,
                           PROOF_QUALITY, FIXED_PITCH | FF_MODERN, L"ＭＳ ゴシック");
  HGDIOBJ previous = SelectObject(dc, font);
  WORD glyphs[3] = {};
  ASSERT_EQ(GetGlyphIndicesW(dc, L"録画す", 3, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 3u);
  for (WORD glyph : glyphs)
    EXPECT_NE(glyph, 0xFFFF) << "no glyph: Japanese text would show as boxes";
  SelectObject(dc, previous);
  DeleteObject(font);
  DeleteDC(dc);
}

TEST(WineEnvironment, HiddenWindowsAreCheap) {
  // With a managed X window every hide costs about two seconds; the prefix turns that off.
  DWORD start = GetTickCount();
  for (int i = 0; i < 5; ++i) {
    HWND window = CreateWindowExW(0, L"STATIC", L"probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    ShowWindow(window, SW_HIDE);
    DestroyWindow(window);
  }
  EXPECT_LT(GetTickCount() - start, 3000u);
}

namespace {
struct Capture {
  HANDLE done;
};
void CALLBACK WaveInDone(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
  if (message == WIM_DATA) SetEvent(reinterpret_cast<Capture*>(instance)->done);
}
}  // namespace

TEST(WineEnvironment, SoundInputDeliversData) {
  ASSERT_GE(waveInGetNumDevs(), 1u) << "no wave-input device: the ALSA null device is missing";
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
  Capture capture{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  HWAVEIN device = nullptr;
  ASSERT_EQ(waveInOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(WaveInDone),
                       reinterpret_cast<DWORD_PTR>(&capture), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  std::vector<char> buffer(1024);
  WAVEHDR header{};
  header.lpData = buffer.data();
  header.dwBufferLength = static_cast<DWORD>(buffer.size());
  ASSERT_EQ(waveInPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(device, &header, sizeof header), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInStart(device), MMSYSERR_NOERROR);
  EXPECT_EQ(WaitForSingleObject(capture.done, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(header.dwBytesRecorded, buffer.size());
  waveInStop(device);
  waveInReset(device);
  waveInUnprepareHeader(device, &header, sizeof header);
  waveInClose(device);
  CloseHandle(capture.done);
}

#include "editor/pipeline/pipeline_test_movies_win.h"

#include "editor/pipeline/output_movie_win.h"
#include "platform/avi/avi_frame.h"

#include <vfw.h>

#include <gtest/gtest.h>

#include "common/dib_geometry.h"
#include "common/text_win.h"

namespace {
std::vector<std::string> gTitles;

LRESULT CALLBACK TestMainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETTEXT && lparam) gTitles.push_back(Narrow(reinterpret_cast<LPCWSTR>(lparam)));
  return DefWindowProcW(window, message, wparam, lparam);
}
}  // namespace

std::string PipelineTestFolder() {
  wchar_t buffer[MAX_PATH];
  GetTempPathW(MAX_PATH, buffer);
  std::wstring folder = std::wstring(buffer) + L"pipeline_test";
  CreateDirectoryW(folder.c_str(), nullptr);
  return Narrow(folder) + "\\";
}

std::vector<uint8_t> TestMovieFormat(const TestMovie& m) {
  std::vector<uint8_t> f(40 + (m.bits == 8 ? 1024 : 0), 0);
  BitmapHeader h;
  h.biWidth = m.width;
  h.biHeight = m.height;
  h.biBitCount = static_cast<uint16_t>(m.bits);
  h.biSizeImage = static_cast<uint32_t>(DibStride(m.width, m.bits) * m.height);
  BitmapHeaderWrite(h, f.data());
  for (int i = 0; m.bits == 8 && i < 256; ++i) {
    f[40 + i * 4] = static_cast<uint8_t>(i * 3);
    f[40 + i * 4 + 1] = static_cast<uint8_t>(255 - i);
    f[40 + i * 4 + 2] = static_cast<uint8_t>(i * 7 + 5);
  }
  return f;
}

std::vector<uint8_t> TestMoviePixels(const TestMovie& m, int i) {
  if (m.pixels) return m.pixels(i);
  const size_t stride = static_cast<size_t>(DibStride(m.width, m.bits));
  std::vector<uint8_t> p(stride * m.height, 0);
  const size_t rowBytes = static_cast<size_t>(m.width) * m.bits / 8;
  uint32_t state = 2463534242u ^ static_cast<uint32_t>(i * 977 + m.bits);
  for (int y = 0; y < m.height; ++y)
    for (size_t x = 0; x < rowBytes; ++x) {
      state ^= state << 13, state ^= state >> 17, state ^= state << 5;
      // Smooth areas with some noise, so edges and medians have work.
      p[y * stride + x] = static_cast<uint8_t>((x * 9 + y * 21 + i * 13) + (state & 31));
    }
  if (m.bits == 16)  // the unused top bit of 5-5-5 stays clear
    for (int y = 0; y < m.height; ++y)
      for (size_t x = 1; x < rowBytes; x += 2) p[y * stride + x] &= 0x7F;
  return p;
}

std::vector<uint8_t> TestMoviePcm(const TestMovie& m) {
  std::vector<uint8_t> pcm(static_cast<size_t>(m.soundSamples) * 4);
  for (int i = 0; i < m.soundSamples; ++i) {
    PutU16(pcm.data() + i * 4, static_cast<uint16_t>(i * 31));
    PutU16(pcm.data() + i * 4 + 2, static_cast<uint16_t>(~(i * 7)));
  }
  return pcm;
}

bool WriteTestMovie(const std::string& path, const TestMovie& m) {
  AviOutputFileRef file;
  if (AviOutputFileCreate(path, {}, file) != AVIERR_OK) return false;
  AviStreamInfo vi;
  vi.fccType = kStreamTypeVideo;
  vi.fccHandler = FourCC("DIB ");
  vi.dwRate = m.rate;
  vi.dwScale = m.scale;
  vi.dwQuality = -1;
  vi.rcFrame = {0, 0, m.width, m.height};
  AviStreamRef video, sound;
  if (AviOutputFileCreateStream(file, vi, video) != AVIERR_OK) return false;
  const std::vector<uint8_t> format = TestMovieFormat(m);
  if (video->SetFormat(0, format.data(), format.size()) != AVIERR_OK) return false;
  for (int i = 0; i < m.frames; ++i) {
    const std::vector<uint8_t> p = TestMoviePixels(m, i);
    if (video->Write(i, p.data(), static_cast<uint32_t>(p.size()), AVIIF_KEYFRAME) != AVIERR_OK)
      return false;
  }
  if (m.soundSamples > 0) {
    AviStreamInfo ai;
    ai.fccType = kStreamTypeAudio;
    ai.dwScale = 4;
    ai.dwRate = 8000 * 4;
    ai.dwSampleSize = 4;
    ai.dwQuality = -1;
    if (AviOutputFileCreateStream(file, ai, sound) != AVIERR_OK) return false;
    std::vector<uint8_t> wf(18, 0);
    PutU16(wf.data(), 1);
    PutU16(wf.data() + 2, 2);
    PutU32(wf.data() + 4, 8000);
    PutU32(wf.data() + 8, 32000);
    PutU16(wf.data() + 12, 4);
    PutU16(wf.data() + 14, 16);
    if (sound->SetFormat(0, wf.data(), wf.size()) != AVIERR_OK) return false;
    const std::vector<uint8_t> pcm = TestMoviePcm(m);
    if (sound->Write(0, pcm.data(), static_cast<uint32_t>(pcm.size()), AVIIF_KEYFRAME) != AVIERR_OK)
      return false;
  }
  video.reset();
  sound.reset();
  return AviOutputFileClose(*file) == AVIERR_OK;
}

std::vector<std::vector<uint8_t>> ReadPackedFrames(const std::string& path) {
  std::vector<std::vector<uint8_t>> frames;
  AviStreamRef video;
  if (AviStreamOpenFromFile(path, kStreamTypeVideo, 0, video) != AVIERR_OK) return frames;
  AviFrameReader reader;
  if (AviFrameReaderOpen(reader, video, nullptr) != AVIERR_OK) return frames;
  for (int64_t i = AviStreamStart(*video); i < AviStreamEnd(*video); ++i) {
    size_t size = 0;
    const uint8_t* f = AviFrameReaderGet(reader, i, &size);
    if (!f) break;
    frames.emplace_back(f, f + size);
  }
  return frames;
}

std::vector<uint8_t> ReadSound(const std::string& path) {
  AviStreamRef sound;
  if (AviStreamOpenFromFile(path, kStreamTypeAudio, 0, sound) != AVIERR_OK) return {};
  const AviStreamInfo info = sound->Info();
  std::vector<uint8_t> out(static_cast<size_t>(info.dwLength) * info.dwSampleSize);
  int64_t bytes = 0, samples = 0;
  if (!out.empty() && sound->Read(info.dwStart, info.dwLength, out.data(),
                                  static_cast<int64_t>(out.size()), &bytes, &samples) != AVIERR_OK)
    return {};
  out.resize(static_cast<size_t>(bytes));
  return out;
}

AviStreamInfo ReadStreamInfo(const std::string& path, uint32_t type) {
  AviStreamRef stream;
  if (AviStreamOpenFromFile(path, type, 0, stream) != AVIERR_OK) return AviStreamInfo();
  return stream->Info();
}

TestPlayer::TestPlayer(const std::string& path) {
  static bool registered = [] {
    WNDCLASSW cls{};
    cls.lpfnWndProc = TestMainProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"PipelineTestMain";
    return RegisterClassW(&cls) != 0;
  }();
  EXPECT_TRUE(registered);
  main_ = CreateWindowExW(0, L"PipelineTestMain", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                          nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  const std::wstring wide = Widen(path);
  player_ = MCIWndCreateW(main_, GetModuleHandleW(nullptr),
                          WS_CHILD | MCIWNDF_NOOPEN | MCIWNDF_NOMENU | MCIWNDF_NOERRORDLG,
                          path.empty() ? nullptr : wide.c_str());
  EXPECT_TRUE(player_) << path;
  gEditorWindows = {main_, player_};
  gTitles.clear();
}

TestPlayer::~TestPlayer() {
  gEditorWindows = EditorWindows{};
  if (player_) MCIWndDestroy(player_);
  if (main_) DestroyWindow(main_);
}

const std::vector<std::string>& TestPlayer::titles() const {
  return gTitles;
}

// A movie whose frames are held by a stream written sample by sample.
bool WriteRawMovie(const std::string& path, const std::vector<uint8_t>& format,
                   const std::vector<std::vector<uint8_t>>& samples) {
  AviOutputFileRef file;
  if (AviOutputFileCreate(path, {}, file) != AVIERR_OK) return false;
  BitmapHeader h;
  BitmapHeaderRead(format.data(), format.size(), h);
  AviStreamInfo vi;
  vi.fccType = kStreamTypeVideo;
  vi.fccHandler = h.biCompression;
  vi.dwRate = 10;
  vi.dwScale = 1;
  vi.rcFrame = {0, 0, h.biWidth, h.biHeight};
  AviStreamRef video;
  if (AviOutputFileCreateStream(file, vi, video) != AVIERR_OK ||
      video->SetFormat(0, format.data(), format.size()) != AVIERR_OK)
    return false;
  for (size_t i = 0; i < samples.size(); ++i)
    if (video->Write(static_cast<int64_t>(i), samples[i].data(),
                     static_cast<uint32_t>(samples[i].size()), AVIIF_KEYFRAME) != AVIERR_OK)
      return false;
  video.reset();
  return AviOutputFileClose(*file) == AVIERR_OK;
}

// A picture burning away from the bottom up, one row a frame.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "common/dib_geometry.h"
#include "common/file.h"
#include "common/message.h"
#include "common/progress_title_win.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/synthesis/fire.h"
#include "editor/synthesis/synthesis_common_win.h"
#include "editor/synthesis/synthesis_win.h"

namespace {
constexpr DWORD kSaveFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
constexpr DWORD kFramesPerSecond = 12;

// The picture as 24-bit bottom-up rows, whatever its depth in the file. The
// reader checks the file first: the platform's loader is not trusted with a
// header that lies.
bool LoadBurnPicture(const std::wstring& path, int* width, int* height,
                     std::unique_ptr<uint8_t[]>* pixels) {
  {
    UniqueFile file = FileOpen(Narrow(path), "rb");
    BitmapFormat format;
    if (!file || ReadBitmapFormat(file.get(), &format) != BitmapProblem::None) return false;
  }
  UniqueBitmap bitmap(static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                      LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap.get(), sizeof info, &info)) return false;
  const int w = info.bmWidth, h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  // As 24-bit frames a picture of fewer bits may pass what one AVI sample can hold.
  const int64_t bytes = DibStride(w, 24) * h;
  if (w <= 0 || h <= 0 || bytes > 0x7FFFFFFF) return false;
  pixels->reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
  if (!*pixels) return false;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = w;
  bmi.bmiHeader.biHeight = h;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 24;
  WindowDc screen = WindowDc::Client(nullptr);
  if (GetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(h), pixels->get(), &bmi,
                DIB_RGB_COLORS) != h)
    return false;
  *width = w;
  *height = h;
  return true;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}
}  // namespace

bool BurnBitmap(HWND mainWindow, const std::wstring& playerFile) {
  std::wstring source;
  if (!AskOpenPath(mainWindow, Widen(kBurnBitmapDialogTitle).c_str(), L"bmp(*.bmp)\0*.bmp\0",
                   nullptr, 0, &source))
    return false;
  int w = 0, h = 0;
  std::unique_ptr<uint8_t[]> picture;
  if (!LoadBurnPicture(source, &w, &h, &picture)) {
    ShowMessage(kMessageBurnLoadFailed, kTitleNervous);
    return false;
  }
  std::wstring destination;
  for (;;) {
    if (!AskSavePath(mainWindow, Widen(kBurnSaveDialogTitle).c_str(), L"avi(*.avi)\0*.avi\0",
                     L"AVI", kSaveFlags, &destination))
      return false;
    if (!SamePath(playerFile, destination)) break;
    ShowMessage(kMessageSameFile, kTitleMustNot);
  }

  FireField field;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(w, 24));
  const uint32_t imageSize = static_cast<uint32_t>(stride * h);
  std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[imageSize]);
  if (!out || !CreateFireField(&field, w, h)) {
    ShowMessage(kMessageMemoryFailed, kTitleApology);
    return false;
  }
  BITMAPINFOHEADER format{};
  format.biSize = sizeof format;
  format.biWidth = w;
  format.biHeight = h;
  format.biPlanes = 1;
  format.biBitCount = 24;
  format.biSizeImage = imageSize;

  ScopedAviServices services;
  CompressorChoice choice;
  if (!ChooseCompressor(&format, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE | ICMF_CHOOSE_PREVIEW,
                        &choice))
    return false;
  AVISTREAMINFOW info =
      SynthesisStreamInfo(choice.options.fccHandler, 1, kFramesPerSecond, 0, w, h);
  SynthesisMovie movie;
  const SynthesisMovieTexts texts = {{kMessageSaveOpenFailed, kTitleTroubled},
                                     {kMessageEditStreamFailed, kTitleTroubled},
                                     {kMessageCompressedStreamFailed, kTitleTrouble},
                                     {kMessageSetFormatFailed, kTitleTrouble}};
  if (!OpenSynthesisMovie(&movie, destination, &info, &format, sizeof format, &choice.options,
                          texts))
    return false;

  const FrameView scorched{picture.get(), w, h, stride}, frame{out.get(), w, h, stride};
  bool everyFrame = true;
  ProgressTitle progress{mainWindow};
  for (int f = 1; f <= h; ++f) {
    const int line = h - f;  // from the top: the bottom row first
    ShowProgressTitle(&progress, f == h, [&] {
      char title[64];
      std::snprintf(title, sizeof title, kBurnProgressTitle, static_cast<unsigned>(f),
                    static_cast<unsigned>(h));
      return std::string(title);
    });
    StepFire(&field, w / 2, w / 4, 0);
    ScorchLine(scorched, line);  // marks stay: below the line is black from earlier frames
    std::memcpy(out.get(), picture.get(), imageSize);
    AddFlames(frame, field, line);
    if (ownavi::AVIStreamWrite(movie.target(), f - 1, 1, out.get(), static_cast<LONG>(imageSize),
                               AVIIF_KEYFRAME, nullptr, nullptr) != 0) {
      CloseSynthesisMovie(&movie);  // the frames so far stay a playable movie
      ShowMessage(kMessageBurnWriteFailed, kTitleTrouble);
      everyFrame = false;
      break;
    }
  }
  if (!CloseSynthesisMovie(&movie) && everyFrame) {
    ShowMessage(kMessageBurnWriteFailed, kTitleTrouble);
    everyFrame = false;
  }
  if (everyFrame) ShowMessage(kMessageAllBurned, kTitleFireCare);
  return true;
}

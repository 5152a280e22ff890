// A movie fading from one 24-bit picture to another.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "common/bytes.h"
#include "common/file.h"
#include "common/message.h"
#include "common/progress_title_win.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/synthesis/cross_fade.h"
#include "editor/synthesis/sequence_numbering.h"
#include "editor/synthesis/synthesis_common_win.h"
#include "editor/synthesis/synthesis_win.h"

namespace {
constexpr DWORD kSaveFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;

struct FadePicture {
  BitmapFormat format;
  std::unique_ptr<uint8_t[]> pixels;
};

bool AskFadePicture(HWND mainWindow, const char* title, FadePicture* picture) {
  std::wstring path;
  if (!AskOpenPath(mainWindow, Widen(title).c_str(), L"bmp(*.bmp)\0*.bmp\0", L"BMP", 0, &path))
    return false;
  UniqueFile file = FileOpen(Narrow(path), "rb");
  if (!file) {
    ShowMessage(kMessageBitmapOpenFailed, kTitleTrouble);
    return false;
  }
  const BitmapProblem problem = ReadBitmapFormat(file.get(), &picture->format);
  const bool depthRefused = problem == BitmapProblem::BadDepth ||
                            problem == BitmapProblem::Compressed || problem == BitmapProblem::None;
  if (depthRefused && picture->format.bitCount != 24) {
    ShowMessage(kMessageOnly24BitBitmaps, kTitleSorry, MessageButtons::Ok, MessageIcon::None,
                mainWindow);
    return false;
  }
  if (problem != BitmapProblem::None) {
    ShowMessage(BitmapProblemText(problem, path), kTitleTrouble);
    return false;
  }
  picture->pixels.reset(new (std::nothrow) uint8_t[picture->format.imageSize]);
  if (!picture->pixels) {
    ShowMessage(kMessageMemoryFailed, kTitleApology);
    return false;
  }
  if (!ReadBitmapPixels(file.get(), picture->format, picture->pixels.get(), nullptr)) {
    ShowMessage(kMessageSeekFailed, kTitleTrouble);
    return false;
  }
  return true;
}
}  // namespace

bool CrossFadeBitmaps(HWND mainWindow) {
  FadePicture first, second;
  if (!AskFadePicture(mainWindow, kStartBitmapDialogTitle, &first)) return false;
  if (!AskFadePicture(mainWindow, kEndBitmapDialogTitle, &second)) return false;
  if (first.format.width != second.format.width || first.format.height != second.format.height) {
    ShowMessage(kMessageSizeDiffers, kTitleThatTroubles, MessageButtons::Ok, MessageIcon::None,
                mainWindow);
    return false;
  }
  std::wstring chosen;
  if (!AskSavePath(mainWindow, Widen(kSaveDialogTitle).c_str(), L"avi(*.avi)\0*.avi\0", L"AVI",
                   kSaveFlags, &chosen))
    return false;
  const int frames = AskFrameCount(mainWindow);
  if (frames <= 2) return false;
  std::string folder, base, extension;
  SplitPath(Narrow(chosen), &folder, &base, &extension);
  if (!folder.empty()) SetCurrentDirectoryW(Widen(folder).c_str());
  const std::wstring destination = Widen(folder + base + ".AVI");

  ScopedAviServices services;
  // The first picture's 40-byte header; a 24-bit picture's pixels follow it directly.
  uint8_t header[40];
  std::memcpy(header, first.format.format.data(), sizeof header);
  PutU32(header + 32, 0);  // colours used: no table travels with the frames
  const uint32_t bytes = first.format.imageSize;
  AVISTREAMINFOW info = SynthesisStreamInfo(mmioFOURCC('D', 'I', 'B', ' '), frames, frames, frames,
                                            first.format.width, first.format.height);
  SynthesisMovie movie;
  const SynthesisMovieTexts texts = {{kMessageDestinationFailed, kTitleOops},
                                     {kMessageStreamFailed, kTitleOops},
                                     {kMessageStreamFailed, kTitleOops},
                                     {kMessageFormatFailed, kTitleOops}};
  if (!OpenSynthesisMovie(&movie, destination, &info, header, sizeof header, nullptr, texts))
    return false;
  std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[bytes]);
  std::unique_ptr<CrossFadeTable> table(new (std::nothrow) CrossFadeTable);
  if (!out || !table) {
    ShowMessage(kMessageMemoryFailed, kTitleApology);
    return false;
  }
  ProgressTitle progress{mainWindow};
  for (int i = 0; i < frames; ++i) {
    ShowProgressTitle(&progress, i == frames - 1, [&] {
      char title[32];
      std::snprintf(title, sizeof title, kFrameProgressTitle, i, frames);
      return std::string(title);
    });
    CrossFadeFrame(first.pixels.get(), second.pixels.get(), out.get(), bytes, i, frames,
                   table.get());
    if (ownavi::AVIStreamWrite(movie.target(), i, 1, out.get(), static_cast<LONG>(bytes),
                               AVIIF_KEYFRAME, nullptr, nullptr) != 0) {
      CloseSynthesisMovie(&movie);  // the frames so far stay a playable movie
      ShowMessage(kMessageFrameWriteFailed, kTitleOhNo);
      return false;
    }
  }
  if (!CloseSynthesisMovie(&movie)) {
    ShowMessage(kMessageFrameWriteFailed, kTitleOhNo);
    return false;
  }
  ShowMessage(kMessageCrossFadeDone, kTitleGlad);
  return true;
}

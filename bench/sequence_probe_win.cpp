// Writes a bitmap sequence as RESULT.AVI beside it, uncompressed: the work of
// "make an AVI from bitmap files" for bench/bitmaps_to_avi.sh.
//   sequence_probe FIRST.bmp SECONDS COUNT [title]
// With "title" the progress goes into the caption of a shown dialog window, as
// it goes into dialog 102's when the user runs the command.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>

#include "common/file.h"
#include "common/text_win.h"
#include "editor/synthesis/sequence_numbering.h"
#include "editor/synthesis/synthesis_common_win.h"

int wmain(int argc, wchar_t** argv) {
  const bool title = argc == 5 && std::wcscmp(argv[4], L"title") == 0;
  if (argc != 4 && !title) {
    std::fprintf(stderr, "usage: sequence_probe FIRST.bmp SECONDS COUNT [title]\n");
    return 2;
  }
  // The window is shown before the clock starts: the user's dialog is there already.
  HWND dialog = nullptr;
  if (title) {
    dialog = CreateWindowExW(0, WC_DIALOG, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 120,
                             nullptr, nullptr, nullptr, nullptr);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  const auto start = std::chrono::steady_clock::now();
  SequenceNumbering sequence;
  BitmapFormat format;
  UniqueFile first = FileOpen(Narrow(argv[1]), "rb");
  if (!FormSequenceNumbering(Narrow(argv[1]), &sequence) || !first ||
      ReadBitmapFormat(first.get(), &format) != BitmapProblem::None) {
    std::fprintf(stderr, "not a picture sequence\n");
    return 1;
  }
  first.reset();
  const unsigned seconds = static_cast<unsigned>(std::wcstoul(argv[2], nullptr, 10));
  const int count = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
  std::unique_ptr<uint8_t[]> pixels(new uint8_t[format.imageSize]);
  ScopedAviServices services;
  AVICOMPRESSOPTIONS options{};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  if (!WriteSequenceMovie(sequence, format, seconds, count, &options, dialog, pixels.get()))
    return 1;
  const std::chrono::duration<double> work = std::chrono::steady_clock::now() - start;
  // The work alone: a Wine process takes far longer to start and end than this.
  std::printf("wrote %d frames in %.3f s\n", count, work.count());
  return 0;
}

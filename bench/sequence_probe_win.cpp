// Writes a bitmap sequence as RESULT.AVI beside it, uncompressed, without any
// dialog: the work of "make an AVI from bitmap files" for bench/bitmaps_to_avi.sh.
//   sequence_probe FIRST.bmp SECONDS COUNT
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/file.h"
#include "common/text_win.h"
#include "editor/synthesis/sequence_numbering.h"
#include "editor/synthesis/synthesis_common_win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: sequence_probe FIRST.bmp SECONDS COUNT\n");
    return 2;
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
  if (!WriteSequenceMovie(sequence, format, seconds, count, &options, nullptr, pixels.get()))
    return 1;
  const std::chrono::duration<double> work = std::chrono::steady_clock::now() - start;
  // The work alone: a Wine process takes far longer to start and end than this.
  std::printf("wrote %d frames in %.3f s\n", count, work.count());
  return 0;
}

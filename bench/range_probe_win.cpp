// The work of "範囲を指定してAVIを取り出す" after its dialogs, without any
// dialog, for bench/range.sh: the same streams and the same save (no
// options: samples copied unchanged).
//   range_probe IN.AVI FIRST LAST OUT.AVI
// Prints the time of the work alone (a Wine process takes long to start and end).
#include "editor/editing/save_conventions_win.h"
#include "editor/range/range_dialog_win.h"
#include "platform/avi/avi_handles_win.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/text_win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: range_probe IN.AVI FIRST LAST OUT.AVI\n");
    return 2;
  }
  const std::wstring in = argv[1], out = argv[4];
  const LONG first = std::wcstol(argv[2], nullptr, 10), last = std::wcstol(argv[3], nullptr, 10);
  const auto start = std::chrono::steady_clock::now();
  ScopedAviServices services;
  RangeStreams s;
  if (!BuildRangeStreams(in, first, last, &s)) return 1;
  PAVISTREAM streams[2] = {s.editVideo, s.sound};
  const int count = s.sound ? 2 : 1;
  SaveOptions options;
  ClearSaveOptions(&options, count);
  if (!SaveWithRetry(out, count, streams, options.pointers.data(), nullptr)) return 1;
  std::printf("extracted frames %ld..%ld in %.3f s\n", static_cast<long>(first),
              static_cast<long>(last),
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}

// The work of the stream editing commands after their dialogs, without any
// dialog, for bench/editing.sh: the same edit-list steps and the same save
// (no options: samples copied unchanged) as "巻き戻し", "オーディオファイルを
// 取り出す" and "動画を取り出す"; and the video saved as full frames in its
// own order, the decoding a reverse of compressed frames is measured against.
//   editing_probe reverse|sound|video|full IN.AVI OUT
// Prints the time of the work alone (a Wine process takes long to start and end).
#include "editor/editing/save_conventions_win.h"
#include "editor/editing/stream_editing_win.h"
#include "platform/avi/avi_handles_win.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "common/text_win.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

bool Save(const std::wstring& out, PAVISTREAM stream, DWORD handler = 0) {
  SaveOptions options;
  ClearSaveOptions(&options, 1);
  options.records[0].fccHandler = handler;
  return SaveWithRetry(out, 1, &stream, options.pointers.data(), nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: editing_probe reverse|sound|video|full IN.AVI OUT\n");
    return 2;
  }
  const std::wstring what = argv[1], in = argv[2], out = argv[3];
  const Clock::time_point start = Clock::now();
  ScopedAviServices services;
  UniqueAviStream stream;
  const DWORD type = what == L"sound" ? streamtypeAUDIO : streamtypeVIDEO;
  if (ownavi::AVIStreamOpenFromFileW(stream.put(), in.c_str(), type, 0, OF_SHARE_DENY_WRITE,
                                     nullptr) != 0) {
    std::fprintf(stderr, "cannot open %s\n", Narrow(in).c_str());
    return 1;
  }
  if (what == L"reverse") {
    UniqueAviStream reversed;
    if (!BuildReversedStream(stream.get(), reversed.put())) return 1;
    const double edit = Seconds(start);
    stream.reset();
    if (!Save(out, reversed.get())) return 1;
    std::printf("reversed %ld frames in %.3f s (edit list %.3f s)\n",
                ownavi::AVIStreamLength(reversed.get()), Seconds(start), edit);
    return 0;
  }
  if (what == L"full") {
    if (!Save(out, stream.get(), mmioFOURCC('D', 'I', 'B', ' '))) return 1;
    std::printf("decoded %ld frames in order in %.3f s\n", ownavi::AVIStreamLength(stream.get()),
                Seconds(start));
    return 0;
  }
  if (!Save(out, stream.get())) return 1;
  std::printf("extracted the %s in %.3f s\n", Narrow(what).c_str(), Seconds(start));
  return 0;
}

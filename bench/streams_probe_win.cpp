// The work of two stream commands without any dialog, for bench/streams.sh:
//   streams_probe scan IN.AVI                 the scene-change scan of "自動分割"
//   streams_probe resize IN.AVI OUT.AVI PCT   "画像のサイズを変える", uncompressed, no sound
// Each prints the time of its work alone: a Wine process takes long to start.
#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>
#include "platform/avi/avi_handles_win.h"

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "common/text_win.h"
#include "editor/streams/streams_win.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // No message handler: messages go to standard error and the sound question
  // is answered no.
  if (argc == 3 && std::wcscmp(argv[1], L"scan") == 0) {
    const auto start = std::chrono::steady_clock::now();
    ScopedAviServices services;
    UniqueAviStream video;
    if (ownavi::AVIStreamOpenFromFileW(video.put(), argv[2], streamtypeVIDEO, 0,
                                       OF_SHARE_DENY_WRITE, nullptr) != 0)
      return 1;
    std::vector<int32_t> scenes;
    if (!FindSceneChanges(video.get(), argv[2], &scenes)) return 1;
    const long frames = ownavi::AVIStreamLength(video.get());
    const double seconds = Since(start);
    std::printf("scanned %ld frames, %zu scene starts, in %.3f s: %.1f fps\n", frames,
                scenes.size() - 1, seconds, frames / seconds);
    return 0;
  }
  if (argc == 5 && std::wcscmp(argv[1], L"resize") == 0) {
    const auto start = std::chrono::steady_clock::now();
    gUnattendedRun.active = true;
    gUnattendedRun.source = argv[2];
    gUnattendedRun.destination = argv[3];
    if (!ResizeMovie(static_cast<uint32_t>(std::wcstoul(argv[4], nullptr, 10)))) return 1;
    std::printf("resized in %.3f s\n", Since(start));
    return 0;
  }
  std::fprintf(stderr, "usage: streams_probe scan IN.AVI | resize IN.AVI OUT.AVI PERCENT\n");
  return 2;
}

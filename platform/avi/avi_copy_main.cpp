// avi_copy IN OUT: reads every sample of every stream of IN through the AVI
// services and saves them again to OUT (uncompressed, interleaved). Used by
// bench/avi_copy.sh next to "ffmpeg -c copy".
#include <cstdio>
#include <string>
#include <vector>

#include "platform/avi/avi_save.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: avi_copy IN OUT\n");
    return 2;
  }
  AviFileRef file;
  AviResult r = AviFileOpen(argv[1], file);
  if (r != AVIERR_OK) {
    std::fprintf(stderr, "cannot open %s: 0x%08X\n", argv[1], static_cast<unsigned>(r));
    return 1;
  }
  std::vector<AviStreamRef> streams;
  for (int i = 0;; ++i) {
    AviStreamRef stream;
    if (AviFileGetStream(file, 0, i, stream) != AVIERR_OK) break;
    streams.push_back(stream);
  }
  r = AviSave(argv[2], streams, nullptr);
  if (r != AVIERR_OK) {
    std::fprintf(stderr, "cannot save %s: 0x%08X\n", argv[2], static_cast<unsigned>(r));
    return 1;
  }
  return 0;
}

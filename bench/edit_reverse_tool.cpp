// Reverses a movie the way the editor does, through the edit-list calls: for
// every frame i of an editable copy, copy frame i out and paste it at the front
// of the result; then saves the result. Prints the time of each stage; the
// output is checked frame for frame against the source before anything is said.
//   edit_reverse_tool FRAMES WIDTH HEIGHT [FOLDER]   (FOLDER: /tmp)
// Peak memory: /usr/bin/time -v edit_reverse_tool ...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/dib_geometry.h"
#include "common/file.h"
#include "platform/avi/avi_save.h"
#include "platform/avi/avi_stream.h"
#include "platform/avi/avi_writer.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Frame k's bytes start with k, so that every frame differs.
void Stamp(std::vector<uint8_t>& pixels, uint32_t k) {
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(k * 7 + i);
  if (pixels.size() >= 4) PutU32(pixels.data(), k);
}

bool MakeSource(const std::string& path, int64_t frames, int32_t width, int32_t height) {
  OdmlWriter writer;
  if (OdmlWriterCreate(writer, path) != AVIERR_OK) return false;
  AviStreamInfo info;
  info.fccType = kStreamTypeVideo;
  info.fccHandler = FourCC("DIB ");
  info.dwScale = 1;
  info.dwRate = 30;
  info.rcFrame = {0, 0, width, height};
  BitmapHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = 24;
  h.biSizeImage = static_cast<uint32_t>(DibStride(width, 24) * height);
  std::vector<uint8_t> format(40);
  BitmapHeaderWrite(h, format.data());
  int index = 0;
  if (OdmlWriterAddStream(writer, info, format.data(), format.size(), &index) != AVIERR_OK)
    return false;
  std::vector<uint8_t> pixels(h.biSizeImage);
  for (int64_t k = 0; k < frames; ++k) {
    Stamp(pixels, static_cast<uint32_t>(k));
    if (OdmlWriterWrite(writer, index, pixels.data(), h.biSizeImage, AVIIF_KEYFRAME) != AVIERR_OK)
      return false;
  }
  return OdmlWriterClose(writer) == AVIERR_OK;
}

int Fail(const char* what) {
  std::fprintf(stderr, "edit_reverse_tool: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: edit_reverse_tool FRAMES WIDTH HEIGHT [FOLDER]\n");
    return 2;
  }
  const int64_t frames = std::atoll(argv[1]);
  const int32_t width = std::atoi(argv[2]), height = std::atoi(argv[3]);
  const std::string folder = argc > 4 ? argv[4] : "/tmp";
  if (frames <= 0 || width <= 0 || height <= 0) return Fail("bad numbers");
  const std::string in = folder + "/edit_reverse_in.avi", out = folder + "/edit_reverse_out.avi";

  auto t = std::chrono::steady_clock::now();
  if (!MakeSource(in, frames, width, height)) return Fail("cannot write the source");
  const double made = Seconds(t);

  t = std::chrono::steady_clock::now();
  AviStreamRef source, copy, result;
  if (AviStreamOpenFromFile(in, kStreamTypeVideo, 0, source) != AVIERR_OK ||
      CreateEditableStream(source, copy) != AVIERR_OK ||
      CreateEditableStream(nullptr, result) != AVIERR_OK)
    return Fail("cannot open the source");
  for (int64_t i = 0; i < frames; ++i) {
    int64_t start = i, one = 1, zero = 0;
    AviStreamRef clip;
    if (EditStreamCopy(copy, &start, &one, clip) != AVIERR_OK ||
        EditStreamPaste(result, &zero, &one, clip, 0, 1) != AVIERR_OK)
      return Fail("an edit failed");
  }
  const double reversed = Seconds(t);
  const size_t pieces = EditStreamPieceCount(result);

  t = std::chrono::steady_clock::now();
  if (AviSave(out, {result}, nullptr) != AVIERR_OK) return Fail("cannot save");
  const double saved = Seconds(t);

  // Frame k of the output is frame frames - 1 - k of the source.
  AviStreamRef back;
  if (AviStreamOpenFromFile(out, kStreamTypeVideo, 0, back) != AVIERR_OK ||
      back->Info().dwLength != static_cast<uint64_t>(frames))
    return Fail("the output does not read back");
  std::vector<uint8_t> want(static_cast<size_t>(DibStride(width, 24) * height)), got(want.size());
  for (int64_t k = 0; k < frames; ++k) {
    Stamp(want, static_cast<uint32_t>(frames - 1 - k));
    int64_t bytes = 0;
    if (back->Read(k, 1, got.data(), static_cast<int64_t>(got.size()), &bytes, nullptr) !=
            AVIERR_OK ||
        got != want)
      return Fail("a frame of the output is not the reversed one");
  }
  std::printf(
      "%lld frames of %dx%d: source written %.2f s; reversed by copy and paste %.2f s (%zu "
      "pieces); saved %.2f s; reverse and save %.2f s\n",
      static_cast<long long>(frames), width, height, made, reversed, pieces, saved,
      reversed + saved);
  FileRemove(in);
  FileRemove(out);
  return 0;
}

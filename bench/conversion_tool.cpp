// Makes a recording's temp file, or converts one the uncompressed way, for
// bench/conversion.sh.
//   conversion_tool make TEMP [seconds] [codec]   1024 x 768 at 12 frames per second
//   conversion_tool convert TEMP AVI
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "capture/temp_file.h"
#include "save/temp_conversion.h"

namespace {
constexpr int kWidth = 1024, kHeight = 768, kRate = 12;

// A desktop-like picture sequence: a still background with a few rectangles
// redrawn each frame (a moving window, a blinking caret, a clock).
int Make(const std::string& path, int seconds, int codec) {
  TempFileHeader header;
  header.codec = static_cast<uint8_t>(codec);
  header.width = kWidth;
  header.height = kHeight;
  header.rate = kRate;
  const size_t stride = DibStride(kWidth, 24), bytes = stride * kHeight;
  std::vector<uint8_t> previous(bytes), current(bytes);
  std::mt19937 random(7);
  for (size_t i = 0; i < bytes; ++i)
    previous[i] = static_cast<uint8_t>((i / 3 % kWidth) ^ (i / stride));
  if (!CreateTempCaptureFile(path, header, nullptr, nullptr, previous.data())) return 1;
  const int frames = seconds * kRate;
  for (int f = 0; f < frames; ++f) {
    current = previous;
    for (int r = 0; r < 3; ++r) {
      const int x = static_cast<int>(random() % (kWidth - 200)),
                y = static_cast<int>(random() % (kHeight - 120));
      const uint8_t value = static_cast<uint8_t>(random());
      for (int row = y; row < y + 120; ++row)
        std::memset(&current[row * stride + x * 3], value, 200 * 3);
    }
    if (!AppendRecord(f, nullptr, nullptr, current.data(), previous.data())) return 1;
    std::swap(previous, current);
  }
  return CloseTempCaptureFile() ? 0 : 1;
}

int Convert(const std::string& temp, const std::string& avi) {
  AviWriterSink sink(avi, "", WavReadMode::Streamed);
  return RunTempConversion(temp, sink, nullptr) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "make") == 0)
    return Make(argv[2], argc > 3 ? std::atoi(argv[3]) : 10, argc > 4 ? std::atoi(argv[4]) : 1);
  if (argc == 4 && std::strcmp(argv[1], "convert") == 0) return Convert(argv[2], argv[3]);
  std::fprintf(stderr, "usage: conversion_tool make TEMP [seconds] [codec] | convert TEMP AVI\n");
  return 2;
}

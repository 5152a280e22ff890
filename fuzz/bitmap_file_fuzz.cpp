// Any file a user may pick as a picture: the headers are checked against the
// file's length before anything is allocated or read.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"
#include "editor/synthesis/bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> copy(data, data + size);
  UniqueFile file(fmemopen(copy.data(), copy.size(), "rb"));
  if (!file) return 0;
  BitmapFormat format;
  if (ReadBitmapFormat(file.get(), &format) != BitmapProblem::None) return 0;
  // What was accepted lies inside the file.
  if (format.pixelOffset + format.imageSize > size) __builtin_trap();
  if (format.format.size() < 40 || GetU32(format.format.data()) != 40) __builtin_trap();
  if (format.width <= 0 || format.height <= 0) __builtin_trap();
  if (uint64_t{format.stride} * uint64_t(format.height) != format.imageSize) __builtin_trap();
  std::vector<uint8_t> pixels(format.imageSize);
  bool complete = false;
  if (!ReadBitmapPixels(file.get(), format, pixels.data(), &complete) || !complete)
    __builtin_trap();
  return 0;
}

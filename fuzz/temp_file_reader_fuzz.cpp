// Temp capture files come from disk, possibly cut off or damaged: the reader
// must refuse or read them without touching memory it does not own.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "capture/temp_file.h"
#include "common/message.h"

namespace {
MessageAnswer Quiet(const MessageRequest&, void*) {
  return MessageAnswer::Ok;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  SetMessageHandler({Quiet, nullptr});
  std::vector<uint8_t> copy(data, data + size);
  UniqueFile file(fmemopen(copy.data(), copy.size(), "rb"));
  if (!file) return 0;
  TempFileReader reader;
  if (TempFileReaderAttach(&reader, std::move(file))) {
    TempPicture picture;
    uint64_t sum = 0;
    while (TempFileReadPicture(&reader, &picture)) {
      // Touch the whole picture as the conversion will.
      for (size_t i = 0; i < reader.sizes.frameBytes; i += 4096) sum += reader.frame[i];
      if (reader.sizes.frameBytes) sum += reader.frame[reader.sizes.frameBytes - 1];
      for (size_t i = 0; i < reader.sizes.paletteBytes; ++i) sum += reader.palette[i];
      if (picture.count < 0 || picture.firstIndex + picture.count > reader.frameCount)
        __builtin_trap();
    }
    (void)sum;
  }
  return 0;
}

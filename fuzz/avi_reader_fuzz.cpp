// Hostile AVI and WAVE files through the reader, the streams, the frame reader,
// editing and saving: nothing may read or write out of bounds, allocate more
// than the input justifies, or fail to finish.
#include <cstddef>
#include <cstdint>

#include "platform/avi/avi_frame.h"
#include "platform/avi/avi_save.h"
#include "platform/avi/avi_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AviMemorySource source(data, size);
  auto file = std::make_shared<AviFile>();
  if (AviReaderOpen(file->reader, source) != AVIERR_OK) return 0;
  std::vector<AviStreamRef> streams;
  for (size_t s = 0; s < file->reader.streams.size() && s < 4; ++s) {
    AviStreamRef stream;
    if (AviFileGetStream(file, 0, static_cast<int>(s), stream) != AVIERR_OK) continue;
    AviStreamInfo info = stream->Info();
    int64_t start = AviStreamStart(*stream), end = AviStreamEnd(*stream);
    std::vector<uint8_t> buffer;
    for (int64_t p = start; p < end && p < start + 16; ++p) {
      int64_t bytes = 0, samples = 0;
      if (stream->Read(p, AVISTREAMREAD_CONVENIENT, nullptr, 0, &bytes, &samples) != AVIERR_OK)
        break;
      buffer.resize(static_cast<size_t>(bytes));
      stream->Read(p, samples, buffer.data(), bytes, &bytes, &samples);
      stream->IsKeyFrame(p);
    }
    if (info.fccType == kStreamTypeVideo) {
      AviFrameReader stored, converted;
      BitmapHeader want;
      want.biBitCount = 24;
      if (AviFrameReaderOpen(stored, stream, nullptr) == AVIERR_OK)
        AviFrameReaderGet(stored, end - 1);
      if (AviFrameReaderOpen(converted, stream, &want) == AVIERR_OK)
        AviFrameReaderGet(converted, start);
    }
    // Edit: paste the stream into the middle of a copy of itself, cut a part.
    AviStreamRef edit, cut;
    CreateEditableStream(stream, edit);
    int64_t pos = start + (end - start) / 2, length = 0;
    EditStreamPaste(edit, &pos, &length, stream, start, -1);
    int64_t from = start + 1, count = 3;
    EditStreamCut(edit, &from, &count, cut);
    streams.push_back(edit);
  }
  if (!streams.empty()) {
    AviMemorySink sink;
    AviSaveOptions options;
    options.writer.riffLimit = 4096;
    AviSaveToSink(sink, false, streams, nullptr, options);
    AviMemorySink wave;
    AviSaveToSink(wave, true, streams, nullptr);
  }
  return 0;
}

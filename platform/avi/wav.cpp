#include "platform/avi/wav.h"

namespace {
bool PutTag(AviSink& sink, uint32_t tag, uint32_t size) {
  uint8_t b[8];
  PutU32(b, tag);
  PutU32(b + 4, size);
  return sink.Write(b, 8);
}
}  // namespace

AviResult WavWriterCreateOnSink(WavWriter& writer, AviSink& sink, const uint8_t* format,
                                size_t formatSize) {
  writer.sink = &sink;
  WaveFormat wf;
  if (!format || formatSize > 65535 || !WaveFormatRead(format, formatSize, wf) ||
      wf.nBlockAlign == 0)
    return AVIERR_BADFORMAT;
  static const uint8_t kPad = 0;
  bool ok = PutTag(sink, FourCC("RIFF"), 0) && sink.Write("WAVE", 4) &&
            PutTag(sink, FourCC("fmt "), static_cast<uint32_t>(formatSize)) &&
            sink.Write(format, formatSize) && (!(formatSize & 1) || sink.Write(&kPad, 1));
  writer.dataSizeAt = sink.Tell() + 4;
  ok = ok && PutTag(sink, FourCC("data"), 0);
  if (!ok) {
    writer.failed = true;
    return AVIERR_FILEWRITE;
  }
  return AVIERR_OK;
}

AviResult WavWriterCreate(WavWriter& writer, const std::string& path, const uint8_t* format,
                          size_t formatSize) {
  writer = WavWriter();
  std::unique_ptr<AviFileSink> sink = AviFileSink::Create(path);
  if (!sink) return AVIERR_FILEOPEN;
  AviFileSink* raw = sink.get();
  writer.ownedSink = std::move(sink);
  return WavWriterCreateOnSink(writer, *raw, format, formatSize);
}

AviResult WavWriterWrite(WavWriter& writer, const void* data, size_t size) {
  if (!writer.sink || writer.failed) return AVIERR_BADHANDLE;
  if (writer.dataBytes + size > 0xFFFFFFF0u - writer.dataSizeAt) return AVIERR_BADSIZE;
  if (!writer.sink->Write(data, size)) {
    writer.failed = true;
    return AVIERR_FILEWRITE;
  }
  writer.dataBytes += size;
  return AVIERR_OK;
}

AviResult WavWriterClose(WavWriter& writer) {
  if (!writer.sink) return AVIERR_BADHANDLE;
  AviResult result = writer.failed ? AVIERR_FILEWRITE : AVIERR_OK;
  if (result == AVIERR_OK) {
    AviSink& sink = *writer.sink;
    static const uint8_t kPad = 0;
    uint8_t b[4];
    bool ok = !(writer.dataBytes & 1) || sink.Write(&kPad, 1);
    uint64_t end = sink.Tell();
    PutU32(b, static_cast<uint32_t>(end - 8));
    ok = ok && sink.Seek(4) && sink.Write(b, 4);
    PutU32(b, static_cast<uint32_t>(writer.dataBytes));
    ok = ok && sink.Seek(writer.dataSizeAt) && sink.Write(b, 4) && sink.Flush();
    if (!ok) result = AVIERR_FILEWRITE;
  }
  if (writer.ownedSink) {
    if (!static_cast<AviFileSink*>(writer.ownedSink.get())->Close() && result == AVIERR_OK)
      result = AVIERR_FILEWRITE;
    writer.ownedSink.reset();
  }
  writer.sink = nullptr;
  return result;
}

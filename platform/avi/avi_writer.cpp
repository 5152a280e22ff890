#include "platform/avi/avi_writer.h"

#include <algorithm>

namespace {

bool IsVideo(const OdmlWriterStream& s) {
  return s.info.fccType == kStreamTypeVideo;
}

// Width and height of the first video stream, from its format.
void VideoSize(const OdmlWriter& w, uint32_t& width, uint32_t& height) {
  width = height = 0;
  for (const OdmlWriterStream& s : w.streams) {
    if (!IsVideo(s)) continue;
    BitmapHeader h;
    if (BitmapHeaderRead(s.format.data(), s.format.size(), h)) {
      width = static_cast<uint32_t>(h.biWidth);
      height = static_cast<uint32_t>(h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight);
    } else {
      width = static_cast<uint32_t>(s.info.rcFrame.right - s.info.rcFrame.left);
      height = static_cast<uint32_t>(s.info.rcFrame.bottom - s.info.rcFrame.top);
    }
    return;
  }
}

// The whole hdrl list. The indx and odml room is always there; in an AVI 1.0
// file it is written as JUNK of the same size, so the layout does not depend
// on whether the file ever grows past its first RIFF.
ByteWriter BuildHeader(const OdmlWriter& w, bool openDml) {
  ByteWriter b;
  size_t hdrl = b.BeginList(FourCC("LIST"), FourCC("hdrl"));
  const OdmlWriterStream* timing = nullptr;
  for (const OdmlWriterStream& s : w.streams)
    if (IsVideo(s)) {
      timing = &s;
      break;
    }
  if (!timing && !w.streams.empty()) timing = &w.streams[0];
  uint32_t width, height;
  VideoSize(w, width, height);
  uint64_t usPerFrame = 0, durationUs = 0, totalFrames = 0;
  uint32_t largest = 0;
  for (const OdmlWriterStream& s : w.streams) {
    largest = std::max(largest, s.largest);
    if (s.info.dwRate)
      durationUs = std::max<uint64_t>(
          durationUs, static_cast<uint64_t>(static_cast<long double>(s.samples) * s.info.dwScale *
                                            1e6L / s.info.dwRate));
  }
  if (timing) {
    if (timing->info.dwRate)
      usPerFrame = (uint64_t{timing->info.dwScale} * 1000000 + timing->info.dwRate / 2) /
                   timing->info.dwRate;
    totalFrames = w.parts > 1 ? timing->firstRiffChunks : timing->chunks.size();
  }
  uint64_t maxBytesPerSec = durationUs ? static_cast<uint64_t>(w.dataBytes * 1e6L / durationUs) : 0;

  size_t avih = b.BeginChunk(FourCC("avih"));
  b.U32(static_cast<uint32_t>(std::min<uint64_t>(usPerFrame, UINT32_MAX)));  // dwMicroSecPerFrame
  b.U32(static_cast<uint32_t>(std::min<uint64_t>(maxBytesPerSec, UINT32_MAX)));  // dwMaxBytesPerSec
  b.U32(0);                                                                 // dwPaddingGranularity
  b.U32(AVIF_HASINDEX | (w.options.interleaved ? AVIF_ISINTERLEAVED : 0));  // dwFlags
  b.U32(static_cast<uint32_t>(std::min<uint64_t>(totalFrames, UINT32_MAX)));  // dwTotalFrames
  b.U32(0);                                                                   // dwInitialFrames
  b.U32(static_cast<uint32_t>(w.streams.size()));                             // dwStreams
  b.U32(largest);  // dwSuggestedBufferSize
  b.U32(width);    // dwWidth
  b.U32(height);   // dwHeight
  b.Zeros(16);     // dwReserved[4]
  b.EndChunk(avih);

  for (size_t n = 0; n < w.streams.size(); ++n) {
    const OdmlWriterStream& s = w.streams[n];
    const AviStreamInfo& i = s.info;
    size_t strl = b.BeginList(FourCC("LIST"), FourCC("strl"));
    size_t strh = b.BeginChunk(FourCC("strh"));
    b.U32(i.fccType);
    b.U32(i.fccHandler);
    b.U32(i.dwFlags);
    b.U16(i.wPriority);
    b.U16(i.wLanguage);
    b.U32(i.dwInitialFrames);
    b.U32(i.dwScale);
    b.U32(i.dwRate);
    b.U32(i.dwStart);
    b.U32(
        static_cast<uint32_t>(std::min<uint64_t>(s.samples, UINT32_MAX)));  // dwLength, in samples
    b.U32(s.largest);                                                       // dwSuggestedBufferSize
    b.I32(i.dwQuality);
    b.U32(s.sampleSize);
    AviRect r = i.rcFrame;
    if (IsVideo(s) && r.right == r.left && r.bottom == r.top)
      r = {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
    b.U16(static_cast<uint16_t>(r.left));
    b.U16(static_cast<uint16_t>(r.top));
    b.U16(static_cast<uint16_t>(r.right));
    b.U16(static_cast<uint16_t>(r.bottom));
    b.EndChunk(strh);
    size_t strf = b.BeginChunk(FourCC("strf"));
    b.Bytes(s.format.data(), s.format.size());
    b.EndChunk(strf);
    std::string_view name = StreamInfoName(i);
    if (!name.empty()) AviPutStreamName(b, name);
    size_t indxAt = b.size();
    AviPutSuperIndex(b, s.ckid, s.superIndex, w.options.superIndexEntries);
    if (!openDml) b.PatchU32(indxAt, FourCC("JUNK"));
    b.EndChunk(strl);
  }

  size_t odmlAt = b.size();
  uint64_t allFrames = timing ? timing->chunks.size() : 0;
  AviPutOdmlList(b, static_cast<uint32_t>(std::min<uint64_t>(allFrames, UINT32_MAX)));
  if (!openDml) b.PatchU32(odmlAt, FourCC("JUNK"));
  b.EndChunk(hdrl);
  return b;
}

AviResult Fail(OdmlWriter& w) {
  w.failed = true;
  return AVIERR_FILEWRITE;
}

bool Put(OdmlWriter& w, const void* data, size_t n) {
  return w.sink->Write(data, n);
}

bool PutChunkHead(OdmlWriter& w, uint32_t id, uint32_t size) {
  uint8_t b[8];
  PutU32(b, id);
  PutU32(b + 4, size);
  return Put(w, b, 8);
}

bool SinkPatchU32(OdmlWriter& w, uint64_t at, uint32_t v) {
  uint64_t back = w.sink->Tell();
  uint8_t b[4];
  PutU32(b, v);
  return w.sink->Seek(at) && Put(w, b, 4) && w.sink->Seek(back);
}

bool BeginRiffPart(OdmlWriter& w) {
  w.riffStart = w.sink->Tell();
  if (w.parts == 0) {
    if (!PutChunkHead(w, FourCC("RIFF"), 0) || !Put(w, "AVI ", 4)) return false;
    // Header room, filled at the end; zeros until then.
    std::vector<uint8_t> zeros(static_cast<size_t>(w.headerRoom));
    if (!Put(w, zeros.data(), zeros.size())) return false;
  } else if (!PutChunkHead(w, FourCC("RIFF"), 0) || !Put(w, "AVIX", 4)) {
    return false;
  }
  if (!PutChunkHead(w, FourCC("LIST"), 0)) return false;
  w.moviStart = w.sink->Tell();
  if (!Put(w, "movi", 4)) return false;
  ++w.parts;
  for (OdmlWriterStream& s : w.streams) {
    s.partFirstChunk = s.chunks.size();
    s.partFirstSample = s.samples;
  }
  return true;
}

// One ix## chunk per stream for the chunks of the current part.
bool WriteStandardIndexes(OdmlWriter& w) {
  for (size_t n = 0; n < w.streams.size(); ++n) {
    OdmlWriterStream& s = w.streams[n];
    size_t count = s.chunks.size() - s.partFirstChunk;
    if (count == 0) continue;
    if (s.superIndex.size() >= w.options.superIndexEntries) return false;
    uint64_t base = w.riffStart;
    ByteWriter b;
    AviPutStandardIndexHead(b, AviIndexChunkId(static_cast<int>(n)), s.ckid,
                            static_cast<uint32_t>(count), base);
    for (size_t c = s.partFirstChunk; c < s.chunks.size(); ++c) {
      const AviChunkRef& chunk = s.chunks[c];
      AviPutStandardIndexEntry(b, static_cast<uint32_t>(chunk.offset - base), chunk.size,
                               (chunk.flags & AVIIF_KEYFRAME) != 0);
    }
    AviSuperIndexEntry entry;
    entry.offset = w.sink->Tell();
    entry.size = static_cast<uint32_t>(b.size());
    entry.duration = static_cast<uint32_t>(s.samples - s.partFirstSample);
    if (!Put(w, b.data(), b.size())) return false;
    s.superIndex.push_back(entry);
  }
  return true;
}

// Called as the first RIFF closes, so every chunk so far lies in it.
bool WriteFirstRiffIdx1(OdmlWriter& w) {
  struct Entry {
    uint64_t offset;
    uint32_t stream;
    uint32_t chunk;
  };
  std::vector<Entry> entries;
  for (size_t n = 0; n < w.streams.size(); ++n) {
    const OdmlWriterStream& s = w.streams[n];
    for (size_t c = 0; c < s.chunks.size(); ++c)
      entries.push_back({s.chunks[c].offset, static_cast<uint32_t>(n), static_cast<uint32_t>(c)});
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
  AviBlockWriter out([&w](const uint8_t* data, size_t n) { return Put(w, data, n); });
  AviPutIdx1Head(out.bytes(), entries.size());
  for (const Entry& e : entries) {
    const OdmlWriterStream& s = w.streams[e.stream];
    const AviChunkRef& chunk = s.chunks[e.chunk];
    AviPutIdx1Entry(out.bytes(), s.ckid, chunk.flags & AVIIF_KEYFRAME,
                    static_cast<uint32_t>(chunk.offset - 8 - w.moviStart), chunk.size);
    if (!out.Spill()) return false;
  }
  return out.Flush();
}

// Ends the current part: its standard indexes (OpenDML only), the movi size,
// the idx1 of the first part, the RIFF size.
bool EndRiffPart(OdmlWriter& w, bool openDml) {
  if (openDml && !WriteStandardIndexes(w)) return false;
  uint64_t end = w.sink->Tell();
  if (!SinkPatchU32(w, w.moviStart - 4, static_cast<uint32_t>(end - w.moviStart))) return false;
  if (w.parts == 1) {
    if (!WriteFirstRiffIdx1(w)) return false;
    for (OdmlWriterStream& s : w.streams) s.firstRiffChunks = s.chunks.size();
    end = w.sink->Tell();
  }
  return SinkPatchU32(w, w.riffStart + 4, static_cast<uint32_t>(end - w.riffStart - 8));
}

uint64_t HeaderBytes(const OdmlWriter& w) {
  return BuildHeader(w, true).size();
}

}  // namespace

uint32_t AviChunkId(int n, const AviStreamInfo& info, const std::vector<uint8_t>& format) {
  const char* tail = "dc";
  if (info.fccType == kStreamTypeAudio) {
    tail = "wb";
  } else if (info.fccType == kStreamTypeVideo) {
    BitmapHeader h;
    if (BitmapHeaderRead(format.data(), format.size(), h) &&
        (h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS))
      tail = "db";
  }
  return static_cast<uint32_t>('0' + n / 10) | static_cast<uint32_t>('0' + n % 10) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(tail[0])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(tail[1])) << 24;
}

AviResult OdmlWriterCreate(OdmlWriter& writer, const std::string& path,
                           const OdmlWriterOptions& options) {
  writer = OdmlWriter();
  std::unique_ptr<AviFileSink> sink = AviFileSink::Create(path);
  if (!sink) return AVIERR_FILEOPEN;
  writer.options = options;
  writer.sink = sink.get();
  writer.ownedSink = std::move(sink);
  return AVIERR_OK;
}

AviResult OdmlWriterCreateOnSink(OdmlWriter& writer, AviSink& sink,
                                 const OdmlWriterOptions& options) {
  writer = OdmlWriter();
  writer.options = options;
  writer.sink = &sink;
  return AVIERR_OK;
}

AviResult OdmlWriterAddStream(OdmlWriter& writer, const AviStreamInfo& info, const uint8_t* format,
                              size_t formatSize, int* index) {
  if (!writer.sink || writer.failed) return AVIERR_BADHANDLE;
  if (writer.streams.size() >= kMaxAviStreams) return AVIERR_UNSUPPORTED;
  if (formatSize > (16u << 20)) return AVIERR_BADSIZE;
  OdmlWriterStream s;
  s.info = info;
  if (s.info.dwScale == 0 || s.info.dwRate == 0) return AVIERR_BADPARAM;
  if (format && formatSize) s.format.assign(format, format + formatSize);
  if (info.fccType == kStreamTypeVideo) {
    s.sampleSize = 0;
  } else if (info.fccType == kStreamTypeAudio) {
    // A sound stream's length is in blocks; writers that leave the sample size
    // 0 for PCM end up counting chunks, which players take for samples.
    WaveFormat wf;
    s.sampleSize = info.dwSampleSize;
    if (!s.sampleSize && WaveFormatRead(s.format.data(), s.format.size(), wf) && wf.wFormatTag == 1)
      s.sampleSize = wf.nBlockAlign;
  } else {
    s.sampleSize = info.dwSampleSize;
  }
  int n = static_cast<int>(writer.streams.size());
  s.ckid = AviChunkId(n, s.info, s.format);
  writer.streams.push_back(std::move(s));
  if (writer.headerRoom && HeaderBytes(writer) + 8 > writer.headerRoom) {
    writer.streams.pop_back();
    return AVIERR_UNSUPPORTED;
  }
  if (writer.parts) {
    writer.streams.back().partFirstChunk = 0;
  }
  if (index) *index = n;
  return AVIERR_OK;
}

AviResult OdmlWriterSetFormat(OdmlWriter& writer, int stream, const uint8_t* format,
                              size_t formatSize) {
  if (!writer.sink || writer.failed) return AVIERR_BADHANDLE;
  if (stream < 0 || static_cast<size_t>(stream) >= writer.streams.size()) return AVIERR_BADPARAM;
  if (formatSize > (16u << 20) || (formatSize && !format)) return AVIERR_BADSIZE;
  OdmlWriterStream& s = writer.streams[stream];
  std::vector<uint8_t> wanted(format, format + formatSize);
  if (wanted == s.format) return AVIERR_OK;
  if (!s.chunks.empty()) return AVIERR_UNSUPPORTED;  // no format changes inside a stream
  std::vector<uint8_t> old = std::move(s.format);
  s.format = std::move(wanted);
  if (writer.headerRoom && HeaderBytes(writer) + 8 > writer.headerRoom) {
    s.format = std::move(old);
    return AVIERR_UNSUPPORTED;
  }
  s.ckid = AviChunkId(stream, s.info, s.format);
  WaveFormat wf;
  if (s.info.fccType == kStreamTypeAudio && !s.info.dwSampleSize &&
      WaveFormatRead(s.format.data(), s.format.size(), wf) && wf.wFormatTag == 1)
    s.sampleSize = wf.nBlockAlign;
  return AVIERR_OK;
}

AviResult OdmlWriterWrite(OdmlWriter& writer, int stream, const void* data, uint32_t size,
                          uint32_t flags) {
  OdmlWriter& w = writer;
  if (!w.sink || w.failed) return AVIERR_BADHANDLE;
  if (stream < 0 || static_cast<size_t>(stream) >= w.streams.size()) return AVIERR_BADPARAM;
  if (size > 0x7FFFFFF0u) return AVIERR_BADSIZE;
  if (w.parts == 0) {
    // The movi list starts on a 2048-byte boundary, behind the header room.
    uint64_t room = HeaderBytes(w) + w.options.headerSlack + 8;
    w.headerRoom = (room + 12 + 2047) / 2048 * 2048 - 12;
    if (!BeginRiffPart(w)) return Fail(w);
  }
  // Index bytes the part will still need: idx1 (first part) and ix## entries.
  uint64_t chunksInPart = 1;
  for (const OdmlWriterStream& s : w.streams) chunksInPart += s.chunks.size() - s.partFirstChunk;
  uint64_t indexBytes = chunksInPart * (w.parts == 1 ? 24 : 8) + w.streams.size() * 40 + 8;
  uint64_t projected = w.sink->Tell() + 8 + size + (size & 1) + indexBytes - w.riffStart;
  if (projected > w.options.riffLimit && chunksInPart > 1) {
    if (w.parts >= static_cast<int>(w.options.superIndexEntries)) return AVIERR_BADSIZE;
    if (!EndRiffPart(w, true) || !BeginRiffPart(w)) return Fail(w);
  }
  OdmlWriterStream& s = w.streams[stream];
  if (!PutChunkHead(w, s.ckid, size)) return Fail(w);
  uint64_t at = w.sink->Tell();
  static const uint8_t kPad = 0;
  if (!Put(w, data, size) || ((size & 1) && !Put(w, &kPad, 1))) return Fail(w);
  s.chunks.push_back({at, size, flags & AVIIF_KEYFRAME});
  s.samples += s.sampleSize ? size / s.sampleSize : 1;
  s.largest = std::max(s.largest, size);
  w.dataBytes += size;
  return AVIERR_OK;
}

AviResult OdmlWriterClose(OdmlWriter& writer) {
  OdmlWriter& w = writer;
  if (!w.sink) return AVIERR_BADHANDLE;
  AviResult result = AVIERR_OK;
  if (w.failed) {
    result = AVIERR_FILEWRITE;
  } else {
    if (w.parts == 0) {
      w.headerRoom = HeaderBytes(w) + 8;
      w.headerRoom = (w.headerRoom + 12 + 2047) / 2048 * 2048 - 12;
      if (!BeginRiffPart(w)) result = AVIERR_FILEWRITE;
    }
    bool openDml = w.parts > 1;
    if (result == AVIERR_OK && !EndRiffPart(w, openDml)) result = AVIERR_FILEWRITE;
    if (result == AVIERR_OK) {
      ByteWriter header = BuildHeader(w, openDml);
      uint64_t junk = w.headerRoom - header.size();
      header.U32(FourCC("JUNK"));
      header.U32(static_cast<uint32_t>(junk - 8));
      if (!w.sink->Seek(12) || !Put(w, header.data(), header.size()) || !w.sink->Flush())
        result = AVIERR_FILEWRITE;
    }
  }
  if (w.ownedSink) {
    auto* file = static_cast<AviFileSink*>(w.ownedSink.get());
    if (!file->Close() && result == AVIERR_OK) result = AVIERR_FILEWRITE;
    w.ownedSink.reset();
  }
  w.sink = nullptr;
  return result;
}

#include "platform/avi/avi_reader.h"

#include <algorithm>
#include <set>

namespace {

constexpr uint32_t kRiff = FourCC("RIFF");
constexpr uint32_t kList = FourCC("LIST");
// Headers are small; anything larger is not a header list worth trusting.
constexpr uint64_t kMaxHeaderList = 16u << 20;
// A WAVE file's data is handed out in pieces of this many bytes at most, so a
// convenient-size read never asks for the whole sound at once.
constexpr uint32_t kWavePiece = 64 * 1024;

struct ChunkHeader {
  uint32_t id = 0;
  uint32_t size = 0;
};

bool ReadHeader(AviSource& source, uint64_t at, ChunkHeader& out) {
  uint8_t b[8];
  if (!source.ReadAt(at, b, 8)) return false;
  out.id = GetU32(b);
  out.size = GetU32(b + 4);
  return true;
}

uint64_t PaddedEnd(uint64_t dataStart, uint32_t size) {
  return dataStart + size + (size & 1);
}

bool IsVariableSize(const AviStreamInfo& info) {
  return info.fccType == kStreamTypeVideo || info.dwSampleSize == 0;
}

// Everything learnt from hdrl and from walking the RIFF parts.
struct Layout {
  std::vector<uint64_t> moviStarts;  // offset of each movi list's data (the "movi" tag)
  std::vector<uint64_t> moviEnds;
  uint64_t idx1Offset = 0;
  uint32_t idx1Size = 0;
  bool hasIdx1 = false;
  std::vector<std::vector<uint8_t>> indx;  // per stream, may be empty
  int riffParts = 0;
};

// The next chunk inside a header list: its id, its size (cut to what the list
// still holds) and its data; the pad byte of an odd size is stepped over.
bool NextSubChunk(ByteReader& list, uint32_t* id, uint32_t* size, const uint8_t** data) {
  if (list.remaining() < 8) return false;
  *id = list.U32();
  *size = list.U32();
  if (*size > list.remaining()) *size = static_cast<uint32_t>(list.remaining());
  *data = list.View(*size);
  if (*size & 1) list.Skip(std::min<size_t>(1, list.remaining()));
  return true;
}

bool ParseStrl(ByteReader list, AviReaderStream& stream, std::vector<uint8_t>& indx) {
  bool haveStrh = false;
  uint32_t id, size;
  const uint8_t* data;
  while (NextSubChunk(list, &id, &size, &data)) {
    if (id == FourCC("strh")) {
      ByteReader r(data, size);
      AviStreamInfo& info = stream.info;
      info.fccType = r.U32();
      info.fccHandler = r.U32();
      info.dwFlags = r.U32();
      info.wPriority = r.U16();
      info.wLanguage = r.U16();
      info.dwInitialFrames = r.U32();
      info.dwScale = r.U32();
      info.dwRate = r.U32();
      info.dwStart = r.U32();
      info.dwLength = r.U32();
      info.dwSuggestedBufferSize = r.U32();
      info.dwQuality = r.I32();
      info.dwSampleSize = r.U32();
      if (!r.ok()) return false;
      // The frame rectangle is four 16-bit values; older writers leave it out.
      if (r.remaining() >= 8) {
        info.rcFrame.left = static_cast<int16_t>(r.U16());
        info.rcFrame.top = static_cast<int16_t>(r.U16());
        info.rcFrame.right = static_cast<int16_t>(r.U16());
        info.rcFrame.bottom = static_cast<int16_t>(r.U16());
      }
      haveStrh = true;
    } else if (id == FourCC("strf")) {
      stream.format.assign(data, data + size);
    } else if (id == FourCC("strn")) {
      StreamInfoSetName(stream.info,
                        std::string_view(reinterpret_cast<const char*>(data),
                                         strnlen(reinterpret_cast<const char*>(data), size)));
    } else if (id == FourCC("indx")) {
      indx.assign(data, data + size);
    }
  }
  return haveStrh;
}

bool ParseHdrl(const std::vector<uint8_t>& bytes, AviReader& reader, Layout& layout) {
  ByteReader list(bytes.data(), bytes.size());
  bool haveAvih = false;
  uint32_t id, size;
  const uint8_t* data;
  while (NextSubChunk(list, &id, &size, &data)) {
    if (id == FourCC("avih")) {
      ByteReader r(data, size);
      AviMainHeader& m = reader.main;
      m.dwMicroSecPerFrame = r.U32();
      m.dwMaxBytesPerSec = r.U32();
      m.dwPaddingGranularity = r.U32();
      m.dwFlags = r.U32();
      m.dwTotalFrames = r.U32();
      m.dwInitialFrames = r.U32();
      m.dwStreams = r.U32();
      m.dwSuggestedBufferSize = r.U32();
      m.dwWidth = r.U32();
      m.dwHeight = r.U32();
      haveAvih = r.ok();
    } else if (id == kList && size >= 4 && GetU32(data) == FourCC("strl")) {
      if (reader.streams.size() >= kMaxAviStreams) continue;
      AviReaderStream stream;
      std::vector<uint8_t> indx;
      if (!ParseStrl(ByteReader(data + 4, size - 4), stream, indx)) continue;
      reader.streams.push_back(std::move(stream));
      layout.indx.push_back(std::move(indx));
    }
  }
  return haveAvih && !reader.streams.empty();
}

// Upper bound on index entries: every sample chunk takes at least 8 bytes of
// the file, so more entries than that can only come from a looping index.
uint64_t EntryBudget(const AviReader& reader) {
  return reader.source->Size() / 8 + 16;
}

bool AddStandardIndex(AviReader& reader, size_t streamIndex, const uint8_t* data, size_t size,
                      uint64_t& budget) {
  ByteReader r(data, size);
  uint16_t longsPerEntry = r.U16();
  r.U8();  // sub type
  uint8_t type = r.U8();
  uint32_t inUse = r.U32();
  r.U32();  // chunk id
  uint64_t base = r.U64();
  r.U32();  // reserved
  if (!r.ok() || type != 1 || longsPerEntry != 2) return false;
  if (inUse > r.remaining() / 8) inUse = static_cast<uint32_t>(r.remaining() / 8);
  if (inUse > budget) return false;
  budget -= inUse;
  AviChunkTable& table = reader.streams[streamIndex].table;
  uint64_t fileSize = reader.source->Size();
  for (uint32_t i = 0; i < inUse; ++i) {
    uint32_t offset = r.U32();
    uint32_t sizeField = r.U32();
    uint32_t chunkSize = sizeField & 0x7FFFFFFF;
    uint64_t at = base + offset;
    if (at < base || at > fileSize || chunkSize > fileSize - at)
      continue;  // past the end: truncated file
    table.Add(at, chunkSize, (sizeField & 0x80000000u) ? 0 : AVIIF_KEYFRAME);
  }
  return true;
}

bool LoadOpenDmlIndex(AviReader& reader, const Layout& layout) {
  if (layout.indx.size() != reader.streams.size()) return false;
  uint64_t budget = EntryBudget(reader);
  for (size_t s = 0; s < reader.streams.size(); ++s) {
    const std::vector<uint8_t>& indx = layout.indx[s];
    if (indx.size() < 24) return false;
    ByteReader r(indx.data(), indx.size());
    uint16_t longsPerEntry = r.U16();
    r.U8();
    uint8_t type = r.U8();
    uint32_t inUse = r.U32();
    if (type == 1) {
      if (!AddStandardIndex(reader, s, indx.data(), indx.size(), budget)) return false;
      continue;
    }
    if (type != 0 || longsPerEntry != 4) return false;
    r.Skip(4 + 12);  // chunk id, reserved
    if (inUse > r.remaining() / 16) inUse = static_cast<uint32_t>(r.remaining() / 16);
    std::set<uint64_t> seen;
    for (uint32_t i = 0; i < inUse; ++i) {
      uint64_t offset = r.U64();
      r.U32();  // size
      r.U32();  // duration
      // A standard index named twice would count its samples twice.
      if (!seen.insert(offset).second) continue;
      ChunkHeader h;
      uint8_t head[32];
      if (!ReadHeader(*reader.source, offset, h) || h.size < 32 ||
          !reader.source->ReadAt(offset + 8, head, 32))
        continue;
      // Only the entries in use are read, and they are charged to the budget,
      // so super index entries that all name one big chunk cost no more than
      // the file is long.
      uint64_t fileSize = reader.source->Size();
      uint64_t size =
          std::min<uint64_t>({h.size, fileSize - offset - 8, 32 + uint64_t{GetU32(head + 4)} * 8});
      if (size > budget * 8 + 32) return false;
      std::vector<uint8_t> bytes(size);
      if (!reader.source->ReadAt(offset + 8, bytes.data(), bytes.size())) continue;
      if (!AddStandardIndex(reader, s, bytes.data(), bytes.size(), budget)) return false;
    }
  }
  return true;
}

bool LoadIdx1(AviReader& reader, const Layout& layout) {
  if (!layout.hasIdx1 || layout.moviStarts.empty()) return false;
  uint32_t count = layout.idx1Size / 16;
  if (count == 0) return false;
  uint64_t fileSize = reader.source->Size();
  // Offsets count from the "movi" tag in most files and from the file start in
  // a few; the first entry that names a stream chunk tells which.
  uint64_t moviBase = layout.moviStarts[0];
  uint64_t base = moviBase;
  constexpr uint32_t kBatch = 4096;
  std::vector<uint8_t> batch;
  bool baseChosen = false;
  for (uint32_t done = 0; done < count;) {
    uint32_t n = std::min(kBatch, count - done);
    batch.resize(size_t{n} * 16);
    if (!reader.source->ReadAt(layout.idx1Offset + uint64_t{done} * 16, batch.data(), batch.size()))
      return false;
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t* e = batch.data() + size_t{i} * 16;
      uint32_t ckid = GetU32(e);
      uint32_t flags = GetU32(e + 4);
      uint32_t offset = GetU32(e + 8);
      uint32_t size = GetU32(e + 12);
      int s = AviChunkStreamNumber(ckid);
      if (s < 0 || static_cast<size_t>(s) >= reader.streams.size() || (flags & AVIIF_LIST))
        continue;
      if (!baseChosen) {
        ChunkHeader h;
        if (!(ReadHeader(*reader.source, moviBase + offset, h) && h.id == ckid) &&
            ReadHeader(*reader.source, offset, h) && h.id == ckid)
          base = 0;
        baseChosen = true;
      }
      uint64_t at = base + offset + 8;
      if (at > fileSize || size > fileSize - at) continue;
      reader.streams[s].table.Add(at, size, flags & AVIIF_KEYFRAME);
    }
    done += n;
  }
  return true;
}

// Without an index: every "##xx" chunk of every movi list, in file order.
void WalkMovi(AviReader& reader, const Layout& layout) {
  for (size_t part = 0; part < layout.moviStarts.size(); ++part) {
    uint64_t at = layout.moviStarts[part] + 4;
    uint64_t end = layout.moviEnds[part];
    uint64_t listEnd = 0;  // end of an open "rec " list, 0 outside one
    while (at + 8 <= end) {
      if (listEnd && at + 8 > listEnd) {
        at = listEnd;
        listEnd = 0;
        continue;
      }
      ChunkHeader h;
      if (!ReadHeader(*reader.source, at, h)) break;
      uint64_t data = at + 8;
      if (h.id == kList) {
        uint8_t type[4];
        if (!listEnd && reader.source->ReadAt(data, type, 4) && GetU32(type) == FourCC("rec ")) {
          listEnd = std::min(PaddedEnd(data, h.size), end);
          at = data + 4;
          continue;
        }
      } else {
        int s = AviChunkStreamNumber(h.id);
        if (s >= 0 && static_cast<size_t>(s) < reader.streams.size() && data + h.size <= end)
          reader.streams[s].table.Add(data, h.size, AVIIF_KEYFRAME);
      }
      at = PaddedEnd(data, h.size);
    }
  }
}

AviResult OpenWave(AviReader& reader, uint64_t riffEnd) {
  AviSource& source = *reader.source;
  uint64_t at = 12;
  std::vector<uint8_t> format;
  uint64_t dataAt = 0, dataSize = 0;
  bool haveData = false;
  while (at + 8 <= riffEnd) {
    ChunkHeader h;
    if (!ReadHeader(source, at, h)) break;
    uint64_t data = at + 8;
    uint64_t size = std::min<uint64_t>(h.size, riffEnd - data);
    if (h.id == FourCC("fmt ") && format.empty() && size <= 65536) {
      format.resize(size);
      if (!source.ReadAt(data, format.data(), format.size())) return AVIERR_FILEREAD;
    } else if (h.id == FourCC("data") && !haveData) {
      dataAt = data;
      dataSize = size;
      haveData = true;
    }
    at = PaddedEnd(data, h.size);
  }
  WaveFormat wf;
  if (!WaveFormatRead(format.data(), format.size(), wf) || wf.nBlockAlign == 0 || !haveData)
    return AVIERR_BADFORMAT;
  AviReaderStream stream;
  AviStreamInfo& info = stream.info;
  info.fccType = kStreamTypeAudio;
  info.dwCaps = AVIFILECAPS_CANREAD | AVIFILECAPS_CANWRITE;
  info.dwScale = wf.nBlockAlign;
  info.dwRate = wf.nAvgBytesPerSec;
  info.dwSampleSize = wf.nBlockAlign;
  info.dwQuality = -1;
  stream.format = std::move(format);
  stream.table.sampleSize = wf.nBlockAlign;
  uint32_t piece = kWavePiece - kWavePiece % wf.nBlockAlign;
  if (piece == 0) piece = wf.nBlockAlign;
  dataSize -= dataSize % wf.nBlockAlign;
  for (uint64_t done = 0; done < dataSize; done += piece)
    stream.table.Add(dataAt + done,
                     static_cast<uint32_t>(std::min<uint64_t>(piece, dataSize - done)),
                     AVIIF_KEYFRAME);
  info.dwLength = static_cast<uint32_t>(std::min<uint64_t>(stream.table.samples, UINT32_MAX));
  info.dwSuggestedBufferSize = piece;
  reader.streams.push_back(std::move(stream));
  reader.isWave = true;
  reader.hadIndex = true;
  return AVIERR_OK;
}

}  // namespace

void AviChunkTable::Add(uint64_t offset, uint32_t size, uint32_t flags) {
  if (sampleSize) {
    firstSample.push_back(samples);
    samples += size / sampleSize;
  } else {
    ++samples;
  }
  chunks.push_back({offset, size, flags});
}

size_t AviChunkTable::ChunkOf(uint64_t n) const {
  if (!sampleSize) return static_cast<size_t>(n);
  // Last chunk whose first sample is <= n and that holds samples.
  auto it = std::upper_bound(firstSample.begin(), firstSample.end(), n);
  size_t i = static_cast<size_t>(it - firstSample.begin()) - 1;
  while (i + 1 < chunks.size() && chunks[i].size < sampleSize) ++i;
  return i;
}

int AviChunkStreamNumber(uint32_t ckid) {
  int hi = static_cast<int>(ckid & 0xFF) - '0';
  int lo = static_cast<int>((ckid >> 8) & 0xFF) - '0';
  if (hi < 0 || hi > 9 || lo < 0 || lo > 9) return -1;
  return hi * 10 + lo;
}

AviResult AviReaderOpenFile(AviReader& reader, const std::string& path) {
  std::unique_ptr<AviFileSource> source = AviFileSource::Open(path);
  if (!source) return AVIERR_FILEOPEN;
  AviResult result = AviReaderOpen(reader, *source);
  reader.ownedSource = std::move(source);
  return result;
}

AviResult AviReaderOpen(AviReader& reader, AviSource& source) {
  reader = AviReader();
  reader.source = &source;
  uint64_t fileSize = source.Size();
  uint8_t head[12];
  if (!source.ReadAt(0, head, 12) || GetU32(head) != kRiff) return AVIERR_BADFORMAT;
  uint64_t firstEnd = std::min<uint64_t>(PaddedEnd(8, GetU32(head + 4)), fileSize);
  if (GetU32(head + 8) == FourCC("WAVE")) return OpenWave(reader, firstEnd);
  if (GetU32(head + 8) != FourCC("AVI ")) return AVIERR_BADFORMAT;

  Layout layout;
  bool haveHdrl = false;
  // Walk the RIFF parts: the first "AVI ", then any number of "AVIX".
  uint64_t riffAt = 0;
  while (riffAt + 12 <= fileSize) {
    ChunkHeader riff;
    uint8_t type[4];
    if (!ReadHeader(source, riffAt, riff) || riff.id != kRiff ||
        !source.ReadAt(riffAt + 8, type, 4))
      break;
    if (layout.riffParts > 0 && GetU32(type) != FourCC("AVIX")) break;
    // A zero or oversized RIFF length (a writer that died) runs to the end of the file.
    uint64_t riffEnd =
        riff.size < 4 ? fileSize : std::min<uint64_t>(PaddedEnd(riffAt + 8, riff.size), fileSize);
    ++layout.riffParts;
    uint64_t at = riffAt + 12;
    while (at + 8 <= riffEnd) {
      ChunkHeader h;
      if (!ReadHeader(source, at, h)) break;
      uint64_t data = at + 8;
      uint64_t size = std::min<uint64_t>(h.size, riffEnd - data);
      uint8_t listType[4] = {};
      if (h.id == kList && size >= 4 && source.ReadAt(data, listType, 4)) {
        if (GetU32(listType) == FourCC("hdrl") && !haveHdrl && layout.riffParts == 1) {
          if (size > kMaxHeaderList) return AVIERR_BADFORMAT;
          std::vector<uint8_t> bytes(size - 4);
          if (!source.ReadAt(data + 4, bytes.data(), bytes.size())) return AVIERR_FILEREAD;
          if (!ParseHdrl(bytes, reader, layout)) return AVIERR_BADFORMAT;
          haveHdrl = true;
        } else if (GetU32(listType) == FourCC("movi")) {
          layout.moviStarts.push_back(data);
          layout.moviEnds.push_back(data + size);
        }
      } else if (h.id == FourCC("idx1") && layout.riffParts == 1 && !layout.hasIdx1) {
        layout.hasIdx1 = true;
        layout.idx1Offset = data;
        layout.idx1Size = static_cast<uint32_t>(size);
      }
      if (h.size == 0 && h.id == 0 && size == 0) {
        // Zero-filled tail (preallocated or never written): nothing more in this part.
        break;
      }
      at = PaddedEnd(data, h.size);
    }
    if (riffEnd <= riffAt + 12) break;
    riffAt = riffEnd;
  }
  if (!haveHdrl) return AVIERR_BADFORMAT;

  for (AviReaderStream& stream : reader.streams)
    stream.table.sampleSize = IsVariableSize(stream.info) ? 0 : stream.info.dwSampleSize;
  auto clearTables = [&reader]() {
    for (AviReaderStream& stream : reader.streams) {
      uint32_t sampleSize = stream.table.sampleSize;
      stream.table = AviChunkTable();
      stream.table.sampleSize = sampleSize;
    }
  };
  bool indexed = LoadOpenDmlIndex(reader, layout);
  if (indexed) {
    reader.openDml = true;
  } else {
    clearTables();
    indexed = LoadIdx1(reader, layout);
    // An idx1 covers only the first part; with AVIX parts behind it, or when it
    // found nothing, walking the lists sees everything.
    if (indexed && layout.riffParts > 1) indexed = false;
    if (indexed) {
      bool any = false;
      for (const AviReaderStream& stream : reader.streams)
        any = any || !stream.table.chunks.empty();
      indexed = any;
    }
  }
  if (!indexed) {
    clearTables();
    WalkMovi(reader, layout);
    reader.openDml = layout.riffParts > 1;
  }
  reader.hadIndex = indexed;

  for (AviReaderStream& stream : reader.streams) {
    AviStreamInfo& info = stream.info;
    info.dwCaps = AVIFILECAPS_CANREAD | AVIFILECAPS_CANWRITE;
    // The index is what can be read; a header that claims more (a truncated
    // file) or less (a writer that counted chunks) would mislead every caller.
    info.dwLength = static_cast<uint32_t>(std::min<uint64_t>(stream.table.samples, UINT32_MAX));
    uint32_t largest = 0;
    for (const AviChunkRef& chunk : stream.table.chunks) largest = std::max(largest, chunk.size);
    if (info.dwSuggestedBufferSize < largest) info.dwSuggestedBufferSize = largest;
    if (info.dwScale == 0) info.dwScale = 1;
    if (info.dwRate == 0) info.dwRate = 1;
  }
  return AVIERR_OK;
}

#include "common/avi_chunks.h"

#include <utility>

uint32_t AviIndexChunkId(int stream) {
  return FourCC("ix00") + (static_cast<uint32_t>(stream / 10) << 16) +
         (static_cast<uint32_t>(stream % 10) << 24);
}

void AviPutIdx1Head(ByteWriter& b, uint64_t entries) {
  b.Tag(FourCC("idx1"));
  b.U32(static_cast<uint32_t>(kAviIdx1EntryBytes * entries));
}

void AviPutIdx1Entry(ByteWriter& b, uint32_t chunkId, uint32_t flags, uint32_t offset,
                     uint32_t length) {
  b.Tag(chunkId);  // ckid
  b.U32(flags);    // dwFlags
  b.U32(offset);   // dwChunkOffset
  b.U32(length);   // dwChunkLength
}

// The size is written, not patched: a writer streaming the entries behind the
// head has sent it before the first entry exists.
void AviPutStandardIndexHead(ByteWriter& b, uint32_t indexId, uint32_t chunkId, uint32_t entries,
                             uint64_t baseOffset) {
  b.Tag(indexId);
  b.U32(static_cast<uint32_t>(kAviStandardIndexHeadBytes - 8 +
                              uint64_t{kAviStandardIndexEntryBytes} * entries));
  b.U16(2);           // wLongsPerEntry
  b.U8(0);            // bIndexSubType
  b.U8(1);            // bIndexType: AVI_INDEX_OF_CHUNKS
  b.U32(entries);     // nEntriesInUse
  b.Tag(chunkId);     // dwChunkId
  b.U64(baseOffset);  // qwBaseOffset
  b.U32(0);           // dwReserved
}

// The high bit of the size marks a chunk that is not a key frame, so a size
// has 31 bits; writers refuse larger chunks before they index them.
void AviPutStandardIndexEntry(ByteWriter& b, uint32_t offset, uint32_t size, bool keyFrame) {
  b.U32(offset);                                               // dwOffset
  b.U32((size & 0x7FFFFFFFu) | (keyFrame ? 0 : 0x80000000u));  // dwSize
}

// Empty slots keep room in the header for parts not yet written: a header
// rewritten at the end must not grow.
void AviPutSuperIndex(ByteWriter& b, uint32_t chunkId,
                      const std::vector<AviSuperIndexEntry>& entries, size_t slots) {
  b.Tag(FourCC("indx"));
  b.U32(static_cast<uint32_t>(24 + 16 * slots));
  b.U16(4);                                      // wLongsPerEntry
  b.U8(0);                                       // bIndexSubType
  b.U8(0);                                       // bIndexType: AVI_INDEX_OF_INDEXES
  b.U32(static_cast<uint32_t>(entries.size()));  // nEntriesInUse
  b.Tag(chunkId);                                // dwChunkId
  b.Zeros(12);                                   // dwReserved[3]
  for (size_t i = 0; i < slots; ++i) {
    AviSuperIndexEntry e = i < entries.size() ? entries[i] : AviSuperIndexEntry();
    b.U64(e.offset);    // qwOffset
    b.U32(e.size);      // dwSize
    b.U32(e.duration);  // dwDuration
  }
}

void AviPutOdmlList(ByteWriter& b, uint32_t totalFrames) {
  size_t odml = b.BeginList(FourCC("LIST"), FourCC("odml"));
  size_t dmlh = b.BeginChunk(FourCC("dmlh"));
  b.U32(totalFrames);  // dwTotalFrames: of the whole movie, all RIFF parts
  b.Zeros(kAviDmlhBytes - 4);
  b.EndChunk(dmlh);
  b.EndChunk(odml);
}

void AviPutStreamName(ByteWriter& b, std::string_view name) {
  size_t strn = b.BeginChunk(FourCC("strn"));
  b.Text(name);
  b.U8(0);
  b.EndChunk(strn);  // pads an odd-sized name to an even length
}

AviBlockWriter::AviBlockWriter(Send send) : send_(std::move(send)) {
  bytes_.bytes().reserve(kBlockBytes + 64);
}

bool AviBlockWriter::Spill() {
  if (bytes_.size() < kBlockBytes) return ok_;
  return Flush();
}

bool AviBlockWriter::Flush() {
  if (ok_ && bytes_.size()) ok_ = send_(bytes_.data(), bytes_.size());
  bytes_.bytes().clear();
  return ok_;
}

#pragma once
// The AVI chunks both AVI writers build alike: the AVI 1.0 index ("idx1"), the
// OpenDML indexes (super index "indx", standard index "ix##"), the "odml" list
// and a stream's name ("strn"). The recorder's writer and the AVI services'
// writer each keep their own layout; these only put the fields, little-endian,
// into a ByteWriter. An index too large to build whole goes out through an
// AviBlockWriter.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "common/bytes.h"

// Sizes of the index pieces, for writers that plan a file before writing it.
constexpr uint32_t kAviIdx1EntryBytes = 16;
constexpr uint32_t kAviStandardIndexHeadBytes = 8 + 24;  // chunk head and index header
constexpr uint32_t kAviStandardIndexEntryBytes = 8;
constexpr uint32_t kAviDmlhBytes = 248;  // body of "dmlh"

// One entry of a super index: where one "ix##" chunk lies and what it covers.
struct AviSuperIndexEntry {
  uint64_t offset = 0;    // of the ix## chunk's id
  uint32_t size = 0;      // of the whole ix## chunk, head included
  uint32_t duration = 0;  // samples (for video, frames) it indexes
};

// "ix00", "ix01", ...: the standard index chunk of stream n (0 to 99).
uint32_t AviIndexChunkId(int stream);

// "idx1" id and size for `entries` entries; the entries follow.
void AviPutIdx1Head(ByteWriter& b, uint64_t entries);
// offset: from the "movi" identifier to the chunk's id.
void AviPutIdx1Entry(ByteWriter& b, uint32_t chunkId, uint32_t flags, uint32_t offset,
                     uint32_t length);
// "ix##" id, size and index header for `entries` entries of chunkId chunks;
// the entries follow.
void AviPutStandardIndexHead(ByteWriter& b, uint32_t indexId, uint32_t chunkId, uint32_t entries,
                             uint64_t baseOffset);
// offset: from baseOffset to the chunk's data; size: of the data.
void AviPutStandardIndexEntry(ByteWriter& b, uint32_t offset, uint32_t size, bool keyFrame);
// A whole "indx" chunk of `slots` entries: those given, then empty ones.
void AviPutSuperIndex(ByteWriter& b, uint32_t chunkId,
                      const std::vector<AviSuperIndexEntry>& entries, size_t slots);
// LIST "odml" with its "dmlh".
void AviPutOdmlList(ByteWriter& b, uint32_t totalFrames);
void AviPutStreamName(ByteWriter& b, std::string_view name);

// Builds a chunk too large to hold whole (an index of millions of entries) a
// block at a time: put fields into bytes(), call Spill() after each entry and
// Flush() at the end. send() gets the blocks in file order; once it fails
// nothing more is sent and Spill() and Flush() answer false.
class AviBlockWriter {
 public:
  using Send = std::function<bool(const uint8_t* data, size_t size)>;
  explicit AviBlockWriter(Send send);

  ByteWriter& bytes() { return bytes_; }
  bool Spill();
  bool Flush();

 private:
  static constexpr size_t kBlockBytes = 64 * 1024;
  Send send_;
  ByteWriter bytes_;
  bool ok_ = true;
};

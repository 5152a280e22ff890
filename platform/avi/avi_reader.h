#pragma once
// Reads the structure of a RIFF AVI file (AVI 1.0 with idx1, OpenDML 2.0 with
// indx/ix## and AVIX parts, or no index at all) or of a RIFF WAVE file, into
// per-stream chunk tables. Sample data stays in the file and is fetched by
// offset. Every size and offset is checked against the file before use and
// every table is bounded by the file's size, so a hostile file costs at most
// memory proportional to itself and time linear in it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/avi/avi_io.h"
#include "platform/avi/avi_types.h"

struct AviChunkRef {
  uint64_t offset = 0;  // of the data, behind the 8-byte chunk header
  uint32_t size = 0;
  uint32_t flags = 0;  // AVIIF_KEYFRAME
};

// Where the samples of one stream lie. A stream of variable-size samples
// (video, or sample size 0) holds one sample per chunk; a stream of fixed-size
// samples (PCM sound) holds size / sampleSize samples per chunk.
struct AviChunkTable {
  std::vector<AviChunkRef> chunks;
  std::vector<uint64_t> firstSample;  // fixed-size samples only: of each chunk, from 0
  uint32_t sampleSize = 0;
  uint64_t samples = 0;

  void Add(uint64_t offset, uint32_t size, uint32_t flags);
  // The chunk holding sample n (0-based, n < samples).
  size_t ChunkOf(uint64_t n) const;
};

struct AviReaderStream {
  AviStreamInfo info;
  std::vector<uint8_t> format;  // strf bytes (or the WAVE fmt chunk)
  AviChunkTable table;
};

struct AviReader {
  std::unique_ptr<AviSource> ownedSource;
  AviSource* source = nullptr;
  bool isWave = false;
  bool openDml = false;   // read through indx / ix## (or had AVIX parts)
  bool hadIndex = false;  // false: found by walking the movi lists
  AviMainHeader main;
  std::vector<AviReaderStream> streams;
};

// AVIERR_OK, AVIERR_FILEOPEN (cannot open), AVIERR_FILEREAD, AVIERR_BADFORMAT.
AviResult AviReaderOpenFile(AviReader& reader, const std::string& path);
// The source must outlive the reader.
AviResult AviReaderOpen(AviReader& reader, AviSource& source);

// Stream number of a "##xx" chunk id, or -1.
int AviChunkStreamNumber(uint32_t ckid);

// The stream information the reader derives for an open stream.
constexpr uint32_t kMaxAviStreams = 100;

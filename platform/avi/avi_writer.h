#pragma once
// Writes an AVI file of one or more streams. The file is AVI 1.0 (one RIFF,
// idx1) while it stays below riffLimit; past it the writer closes that RIFF and
// goes on in "AVIX" parts, which makes it OpenDML (indx super indexes, ix##
// standard indexes, dmlh). Chunks go out in the order they are written, so
// interleaving is the caller's (AviSave interleaves by time).
//
// Headers are written last, into room kept in front of the movi list; a stream
// may still be added after samples were written, as long as its header fits
// that room (the editor adds the copied sound after all frames).
//
// Its names carry the Odml prefix: the recorder's own writer
// (save/avi_writer.h) has the AviWriter one, and the converter links both.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/avi_chunks.h"
#include "platform/avi/avi_io.h"
#include "platform/avi/avi_reader.h"
#include "platform/avi/avi_types.h"

struct OdmlWriterOptions {
  uint64_t riffLimit = uint64_t{1} << 30;  // bytes per RIFF part
  uint32_t superIndexEntries = 256;        // RIFF parts a file may have
  uint32_t headerSlack = 16384;            // room for streams added after the first write
  bool interleaved = false;                // sets AVIF_ISINTERLEAVED
};

struct OdmlWriterStream {
  AviStreamInfo info;
  std::vector<uint8_t> format;
  uint32_t ckid = 0;
  uint32_t sampleSize = 0;  // 0: one sample per chunk
  std::vector<AviChunkRef> chunks;
  size_t partFirstChunk = 0;   // first chunk of the current RIFF part
  size_t firstRiffChunks = 0;  // chunks in the first RIFF once it is closed
  uint64_t samples = 0;
  uint64_t partFirstSample = 0;
  uint32_t largest = 0;
  std::vector<AviSuperIndexEntry> superIndex;
};

struct OdmlWriter {
  std::unique_ptr<AviSink> ownedSink;
  AviSink* sink = nullptr;
  OdmlWriterOptions options;
  std::vector<OdmlWriterStream> streams;
  uint64_t headerRoom = 0;  // bytes from offset 12 to the movi list; 0 until the first write
  uint64_t riffStart = 0;   // of the current RIFF header
  uint64_t moviStart = 0;   // of the current "movi" tag
  int parts = 0;            // RIFF parts begun
  bool failed = false;
  uint64_t dataBytes = 0;
};

AviResult OdmlWriterCreate(OdmlWriter& writer, const std::string& path,
                           const OdmlWriterOptions& options = {});
// The sink must outlive the writer.
AviResult OdmlWriterCreateOnSink(OdmlWriter& writer, AviSink& sink,
                                 const OdmlWriterOptions& options = {});
AviResult OdmlWriterAddStream(OdmlWriter& writer, const AviStreamInfo& info, const uint8_t* format,
                              size_t formatSize, int* index);
// AVIStreamSetFormat on a created stream: the format may be given (or
// replaced) until the stream's first chunk, as long as the header still fits.
AviResult OdmlWriterSetFormat(OdmlWriter& writer, int stream, const uint8_t* format,
                              size_t formatSize);
// One chunk; its sample count follows from its size for fixed-size samples.
AviResult OdmlWriterWrite(OdmlWriter& writer, int stream, const void* data, uint32_t size,
                          uint32_t flags);
// Finishes the file (indexes, headers) and closes it.
AviResult OdmlWriterClose(OdmlWriter& writer);

// The four-character chunk id of stream n: "##db" for uncompressed frames,
// "##dc" for compressed ones, "##wb" for sound.
uint32_t AviChunkId(int n, const AviStreamInfo& info, const std::vector<uint8_t>& format);

#pragma once
// Compressed video through the video-compression manager: a frame reader that
// decodes with ICDecompress, and a stream that compresses every frame written
// to it with ICCompress before it reaches the stream below.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/avi/avi_stream.h"  // before <vfw.h>: see avi_api_win.h

#include <windows.h>
#include <vfw.h>

#include "platform/avi/avi_handles_win.h"

// Video whose stored frames are not plain bitmaps (BI_RGB or bit fields).
bool IsCompressedVideo(const AviStream& stream);

// The decompressor of one movie the frames come from: an editable stream's
// pieces may come from several, each with its own palette, and a delta frame
// draws on the picture its decoder last made from the same movie.
struct IcSourceDecoder {
  AviStreamRef source;
  UniqueHic hic;
  bool begun = false;
  std::vector<uint8_t> inFormat;
  std::vector<uint8_t> outFormat;  // the decompressor's natural form: header and colours
  std::vector<uint8_t> pixels;     // the picture at `decoded`, which the next delta frame changes
  int64_t decoded = -1;            // the source position pixels hold, -1 for none
  uint64_t used = 0;               // when it last gave a frame
};

struct IcFrameReader {
  AviStreamRef stream;
  bool want24 = false;
  std::vector<std::unique_ptr<IcSourceDecoder>> decoders;  // a few, the least used closed first
  uint64_t uses = 0;
  // Pictures decoded on the way from a key frame to the one asked for, so that
  // reading backwards decodes a stretch between key frames once per window.
  const IcSourceDecoder* recentOf = nullptr;
  int64_t recentFirst = 0;  // the source position of recent[0]
  std::vector<std::vector<uint8_t>> recent;
  std::vector<uint8_t> raw;
  std::vector<uint8_t> frame;  // the packed DIB last returned
  uint64_t decodes = 0;        // frames given to the decompressors, for measurements
};

// AVIERR_NOCOMPRESSOR when no decompressor takes the stream's format.
AviResult IcFrameReaderOpen(IcFrameReader& reader, const AviStreamRef& stream, bool want24);
// The frame at pos as a packed DIB (valid until the next call), or null. A
// frame that depends on earlier ones is decoded from the key frame before it
// in the movie it comes from, whatever precedes it in an edit list. Reading
// forward costs one decode per frame; reading backwards through N frames
// between two key frames about N * N / (2 * W) decodes, W the frames that fit
// the reader's picture budget (all N when they fit: one decode per frame).
const uint8_t* IcFrameReaderGet(IcFrameReader& reader, int64_t pos, size_t* size = nullptr);
void IcFrameReaderClose(IcFrameReader& reader);

struct CompressorChoice {
  uint32_t handler = 0;   // 0 or "DIB ": frames pass unchanged
  int32_t quality = -1;   // -1: the compressor's default
  uint32_t keyEvery = 0;  // 0: every frame is a key frame
  std::vector<uint8_t> state;
};

// target: a writable stream. SetFormat on the result takes the frames' own
// format and gives target the compressor's; Write compresses each frame.
// Fails with AVIERR_NOCOMPRESSOR when the compressor cannot be opened.
AviResult MakeCompressingStream(const AviStreamRef& target, const CompressorChoice& choice,
                                AviStreamRef& out);

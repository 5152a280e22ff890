#pragma once
// Compressed video through the video-compression manager: a frame reader that
// decodes with ICDecompress, and a stream that compresses every frame written
// to it with ICCompress before it reaches the stream below.
#include <cstdint>
#include <vector>

#include "platform/avi/avi_stream.h"  // before <vfw.h>: see avi_api_win.h

#include <windows.h>
#include <vfw.h>

#include "platform/avi/avi_handles_win.h"

// Video whose stored frames are not plain bitmaps (BI_RGB or bit fields).
bool IsCompressedVideo(const AviStream& stream);

struct IcFrameReader {
  AviStreamRef stream;
  UniqueHic hic;
  bool want24 = false;
  bool begun = false;
  std::vector<uint8_t> inFormat;
  std::vector<uint8_t> outFormat;  // the decompressor's natural form: header and colours
  std::vector<uint8_t> pixels;     // the last decoded picture
  std::vector<uint8_t> raw;
  std::vector<uint8_t> frame;  // the packed DIB last returned
  int64_t decoded = -1;        // the position pixels hold, -1 for none
};

// AVIERR_NOCOMPRESSOR when no decompressor takes the stream's format.
AviResult IcFrameReaderOpen(IcFrameReader& reader, const AviStreamRef& stream, bool want24);
// The frame at pos as a packed DIB (valid until the next call), or null. A
// frame that depends on earlier ones is decoded from the key frame before it.
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

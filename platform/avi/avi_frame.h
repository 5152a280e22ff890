#pragma once
// Frames as packed DIBs (bitmap information header, colour table or bit-field
// masks, pixel rows), what AVIStreamGetFrame hands out.
//
// Without a wanted format the reader returns each uncompressed frame in its
// stored form (the editor tests the bit depth itself and refuses non-24-bit
// frames with its own message); with a wanted 24-bit format it converts every
// depth to the 24-bit bottom-up DIB the filters work on. Decoding compressed
// frames needs the platform's decompressors and is the Win32 side's.
#include <cstdint>
#include <vector>

#include "common/dib_geometry.h"
#include "platform/avi/avi_stream.h"

// Bytes of colour table or masks behind a stored header.
inline uint64_t DibColourBytes(const BitmapHeader& header) {
  return DibColourTableBytes(header.biBitCount, header.biCompression, header.biClrUsed);
}

// Converts one uncompressed frame (1, 4, 8 bits with colour table, 16 and 32
// with or without bit fields, 24) to a 24-bit bottom-up packed DIB in out.
// format is the stored header with its colours or masks; pixels the frame.
bool ConvertToDib24(const uint8_t* format, size_t formatSize, const uint8_t* pixels,
                    size_t pixelBytes, std::vector<uint8_t>& out);

struct AviFrameReader {
  AviStreamRef stream;
  bool want24 = false;
  std::vector<uint8_t> frame;  // the packed DIB last returned
  std::vector<uint8_t> raw;
  std::vector<uint8_t> format;
};

// wanted: null for the stored form, or a header asking for 24 bits (its size
// 0 or the frame's). Other wanted formats and compressed sources answer
// AVIERR_NOCOMPRESSOR / AVIERR_BADFORMAT, as the platform's frame opener fails.
AviResult AviFrameReaderOpen(AviFrameReader& reader, const AviStreamRef& stream,
                             const BitmapHeader* wanted);
// The frame at pos as a packed DIB (valid until the next call), or null. A
// dropped (empty) frame repeats the frame before it.
const uint8_t* AviFrameReaderGet(AviFrameReader& reader, int64_t pos, size_t* size = nullptr);

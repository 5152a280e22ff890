#pragma once
// Bitmap files as the synthesis commands read them: the 14-byte file header,
// the 40-byte information header, the colour table (by the PixelOffset rule),
// then the pixel rows. Every size is checked against the file's length before
// anything is allocated or read, so a damaged file is refused with a reason.
#include <cstdint>
#include <cstdio>
#include <vector>

inline constexpr uint32_t kBitmapFileHeaderBytes = 14;

enum class BitmapProblem {
  None,
  NotBitmap,     // no "BM" at the start
  Truncated,     // the file ends inside its header, colour table or pixels
  BadHeader,     // an information header shorter than 40 bytes, or longer than the file
  BadSize,       // width not above 0, height 0, or a picture of 2 GiB or more
  BadDepth,      // a bit count other than 1, 4, 8, 16, 24 or 32, or planes other than 1
  Compressed,    // run-length or any other compression but bit fields on 16 and 32 bits
  TableTooLarge  // a colours-used count whose table would not fit in the file
};

struct BitmapFormat {
  // The 40-byte information header (size field 40, height positive) and the
  // colour table or masks: the stream format of a movie made of the picture.
  std::vector<uint8_t> format;
  int32_t width = 0;
  int32_t height = 0;  // positive; topDown tells the file's row order
  bool topDown = false;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint64_t pixelOffset = 0;  // from the start of the file
  uint32_t stride = 0;
  uint32_t imageSize = 0;  // stride * height
};

// Reads and checks the headers of an open bitmap file.
BitmapProblem ReadBitmapFormat(std::FILE* file, BitmapFormat* out);

// Reads a picture's pixel rows laid out as `format` says (the file need not be
// the one the format came from): seeks to its pixel offset (false when the
// seek fails), reads up to imageSize bytes into pixels, zero-fills what the
// file lacks (*complete tells), and turns top-down rows bottom-up.
bool ReadBitmapPixels(std::FILE* file, const BitmapFormat& format, uint8_t* pixels, bool* complete);

// The 14-byte file header that turns a packed DIB (header, colour table or
// masks, pixel rows) into a bitmap file: "BM", the file size (pixel offset +
// image size), two zero reserved words, the pixel offset (14 + 40 + colour
// table by the PixelOffset rule). The image size is the header's own field
// when non-zero, else |height| x stride. *dibBytes is what follows the header
// in the file (file size - 14). False when that would reach past the
// `available` bytes the DIB holds, or the file would pass 4 GiB.
bool MakeBitmapFileHeader(const uint8_t* packedDib, size_t available,
                          uint8_t header[kBitmapFileHeaderBytes], size_t* dibBytes);

#include "platform/avi/avi_frame.h"

#include <algorithm>
#include <cstring>

namespace {

// Frames larger than this are refused rather than allocated.
constexpr uint64_t kMaxFrameBytes = uint64_t{256} << 20;

int MaskShift(uint32_t mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

// One channel of a bit-field pixel scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  uint8_t Get(uint32_t v) const {
    return max ? static_cast<uint8_t>(((v & mask) >> shift) * 255u / max) : 0;
  }
};
Channel MakeChannel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  c.shift = MaskShift(mask);
  c.max = mask >> c.shift;
  return c;
}

bool IsUncompressed(const BitmapHeader& h) {
  if (h.biCompression == BI_RGB)
    return h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 16 ||
           h.biBitCount == 24 || h.biBitCount == 32;
  if (h.biCompression == BI_BITFIELDS) return h.biBitCount == 16 || h.biBitCount == 32;
  return false;
}

}  // namespace

bool ConvertToDib24(const uint8_t* format, size_t formatSize, const uint8_t* pixels,
                    size_t pixelBytes, std::vector<uint8_t>& out) {
  BitmapHeader h;
  if (!BitmapHeaderRead(format, formatSize, h) || !IsUncompressed(h)) return false;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 65536 || h.biHeight > 65536 ||
      h.biHeight < -65536)
    return false;
  const int64_t width = h.biWidth;
  const bool topDown = h.biHeight < 0;
  const int64_t height = topDown ? -int64_t{h.biHeight} : h.biHeight;
  const uint64_t inStride = DibStride(width, h.biBitCount);
  const uint64_t outStride = DibStride(width, 24);
  if (outStride * height > kMaxFrameBytes) return false;

  // Colour table (missing entries stay black) or masks, read behind the header.
  uint32_t palette[256] = {};
  Channel red, green, blue;
  const uint8_t* extra = format + h.biSize;
  size_t extraBytes = formatSize - h.biSize;
  if (h.biBitCount <= 8) {
    size_t entries = std::min<size_t>({h.biClrUsed ? h.biClrUsed : 256u, 256u, extraBytes / 4});
    for (size_t i = 0; i < entries; ++i) palette[i] = GetU32(extra + i * 4);
  } else if (h.biCompression == BI_BITFIELDS) {
    // Version 4 and 5 headers carry the masks inside themselves.
    if (h.biSize >= 52) {
      extra = format + 40;
      extraBytes = formatSize - 40;
    }
    if (extraBytes < 12) return false;
    red = MakeChannel(GetU32(extra));
    green = MakeChannel(GetU32(extra + 4));
    blue = MakeChannel(GetU32(extra + 8));
  } else if (h.biBitCount == 16) {
    red = MakeChannel(0x7C00);
    green = MakeChannel(0x03E0);
    blue = MakeChannel(0x001F);
  } else if (h.biBitCount == 32) {
    red = MakeChannel(0xFF0000);
    green = MakeChannel(0x00FF00);
    blue = MakeChannel(0x0000FF);
  }

  out.assign(40 + outStride * height, 0);
  BitmapHeader o;
  o.biWidth = h.biWidth;
  o.biHeight = static_cast<int32_t>(height);
  o.biBitCount = 24;
  o.biSizeImage = static_cast<uint32_t>(outStride * height);
  BitmapHeaderWrite(o, out.data());
  std::vector<uint8_t> row(inStride);
  for (int64_t y = 0; y < height; ++y) {
    // Output row y counts from the bottom; so does a bottom-up source.
    int64_t sourceRow = topDown ? height - 1 - y : y;
    uint64_t at = static_cast<uint64_t>(sourceRow) * inStride;
    // A short frame (truncated file) reads as zeros past its end.
    std::fill(row.begin(), row.end(), 0);
    if (at < pixelBytes)
      std::memcpy(row.data(), pixels + at, std::min<uint64_t>(inStride, pixelBytes - at));
    uint8_t* d = out.data() + 40 + static_cast<uint64_t>(y) * outStride;
    const uint8_t* s = row.data();
    switch (h.biBitCount) {
      case 1:
      case 4:
      case 8: {
        const int bits = h.biBitCount;
        const int perByte = 8 / bits;
        const uint32_t mask = (1u << bits) - 1;
        for (int64_t x = 0; x < width; ++x) {
          uint32_t index = (s[x / perByte] >> (8 - bits * (1 + x % perByte))) & mask;
          uint32_t c = palette[index];
          d[x * 3] = static_cast<uint8_t>(c);
          d[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
          d[x * 3 + 2] = static_cast<uint8_t>(c >> 16);
        }
        break;
      }
      case 16:
        for (int64_t x = 0; x < width; ++x) {
          uint32_t v = GetU16(s + x * 2);
          d[x * 3] = blue.Get(v);
          d[x * 3 + 1] = green.Get(v);
          d[x * 3 + 2] = red.Get(v);
        }
        break;
      case 24: std::memcpy(d, s, static_cast<size_t>(width * 3)); break;
      case 32:
        for (int64_t x = 0; x < width; ++x) {
          uint32_t v = GetU32(s + x * 4);
          d[x * 3] = blue.Get(v);
          d[x * 3 + 1] = green.Get(v);
          d[x * 3 + 2] = red.Get(v);
        }
        break;
    }
  }
  return true;
}

AviResult AviFrameReaderOpen(AviFrameReader& reader, const AviStreamRef& stream,
                             const BitmapHeader* wanted) {
  reader = AviFrameReader();
  if (!stream) return AVIERR_BADHANDLE;
  AviStreamInfo info = stream->Info();
  if (info.fccType != kStreamTypeVideo) return AVIERR_BADFORMAT;
  AviResult r = stream->ReadFormat(info.dwStart, reader.format);
  if (r != AVIERR_OK) return r;
  BitmapHeader h;
  if (!BitmapHeaderRead(reader.format.data(), reader.format.size(), h)) return AVIERR_BADFORMAT;
  if (!IsUncompressed(h)) return AVIERR_NOCOMPRESSOR;
  if (wanted) {
    if (wanted->biBitCount != 24 || (wanted->biCompression != BI_RGB)) return AVIERR_NOCOMPRESSOR;
    if ((wanted->biWidth && wanted->biWidth != h.biWidth) ||
        (wanted->biHeight && wanted->biHeight != (h.biHeight < 0 ? -h.biHeight : h.biHeight)))
      return AVIERR_NOCOMPRESSOR;  // stretching is not the frame reader's job
    reader.want24 = true;
  }
  reader.stream = stream;
  return AVIERR_OK;
}

const uint8_t* AviFrameReaderGet(AviFrameReader& reader, int64_t pos, size_t* size) {
  if (!reader.stream) return nullptr;
  const AviStream& stream = *reader.stream;
  int64_t start = AviStreamStart(stream), end = AviStreamEnd(stream);
  if (pos < start || pos >= end) return nullptr;
  // A dropped frame is an empty chunk: show the last frame that has pixels.
  int64_t bytes = 0;
  int64_t at = pos;
  for (; at >= start; --at) {
    if (stream.Read(at, 1, nullptr, 0, &bytes, nullptr) != AVIERR_OK) return nullptr;
    if (bytes > 0) break;
  }
  if (at < start || static_cast<uint64_t>(bytes) > kMaxFrameBytes) return nullptr;
  std::vector<uint8_t> format;
  if (stream.ReadFormat(at, format) != AVIERR_OK) return nullptr;
  BitmapHeader h;
  if (!BitmapHeaderRead(format.data(), format.size(), h) || !IsUncompressed(h)) return nullptr;
  if (reader.want24) {
    reader.raw.resize(static_cast<size_t>(bytes));
    if (stream.Read(at, 1, reader.raw.data(), bytes, &bytes, nullptr) != AVIERR_OK ||
        !ConvertToDib24(format.data(), format.size(), reader.raw.data(), reader.raw.size(),
                        reader.frame))
      return nullptr;
  } else {
    // Stored form: the 40-byte header, the colours or masks by the editor's
    // rule (zero-filled where the stored format has fewer), the pixel rows,
    // read straight into place unless the stored frame is longer than its picture.
    int64_t height = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
    uint64_t image = DibStride(h.biWidth, h.biBitCount) * height;
    uint64_t colours = DibColourBytes(h);
    if (h.biWidth <= 0 || image > kMaxFrameBytes || colours > std::max<size_t>(1024, format.size()))
      return nullptr;
    reader.frame.resize(static_cast<size_t>(40 + colours + image));
    uint8_t* out = reader.frame.data();
    std::memcpy(out, format.data(), 40);
    PutU32(out, 40);
    PutU32(out + 20, static_cast<uint32_t>(image));
    size_t from = h.biCompression == BI_BITFIELDS && h.biSize >= 52 ? 40 : h.biSize;
    size_t extra = std::min<size_t>(colours, format.size() - from);
    std::memcpy(out + 40, format.data() + from, extra);
    std::memset(out + 40 + extra, 0, static_cast<size_t>(colours - extra));
    uint8_t* pixels = out + 40 + colours;
    if (static_cast<uint64_t>(bytes) <= image) {
      if (stream.Read(at, 1, pixels, bytes, &bytes, nullptr) != AVIERR_OK) return nullptr;
      std::memset(pixels + bytes, 0, static_cast<size_t>(image - static_cast<uint64_t>(bytes)));
    } else {
      reader.raw.resize(static_cast<size_t>(bytes));
      if (stream.Read(at, 1, reader.raw.data(), bytes, &bytes, nullptr) != AVIERR_OK)
        return nullptr;
      std::memcpy(pixels, reader.raw.data(), static_cast<size_t>(image));
    }
  }
  if (size) *size = reader.frame.size();
  return reader.frame.data();
}

#include "capture/surface_pixels.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "common/dib_geometry.h"

int64_t SurfaceRowPixelBytes(int64_t width, int bitsPerPixel) {
  return (width * bitsPerPixel + 7) / 8;
}

bool SurfaceHoldsPicture(int64_t pitch, int64_t rows, int64_t width, int64_t height,
                         int bitsPerPixel) {
  if (width <= 0 || height <= 0 || bitsPerPixel <= 0 || bitsPerPixel > 32) return false;
  return pitch >= SurfaceRowPixelBytes(width, bitsPerPixel) && rows >= height;
}

namespace {
uint8_t Scale(uint32_t value, uint32_t mask) {
  return mask == 0 ? 0 : static_cast<uint8_t>((value & mask) * 255u / mask);
}
}  // namespace

void SurfaceRowToBgr24(const TempSurfaceFormat& format, const uint8_t* palette, const uint8_t* row,
                       size_t width, uint8_t* out) {
  switch (format.bitsPerPixel) {
    case 8:
      for (size_t x = 0; x < width; ++x) {
        const uint8_t* entry = palette + row[x] * 4;
        out[3 * x] = entry[2];
        out[3 * x + 1] = entry[1];
        out[3 * x + 2] = entry[0];
      }
      break;
    case 16:
      for (size_t x = 0; x < width; ++x) {
        const uint32_t v = GetU16(row + 2 * x);
        out[3 * x] = Scale(v, format.blueMask);
        out[3 * x + 1] = Scale(v, format.greenMask);
        out[3 * x + 2] = Scale(v, format.redMask);
      }
      break;
    case 24: std::memcpy(out, row, width * 3); break;
    case 32:
      for (size_t x = 0; x < width; ++x) std::memcpy(out + 3 * x, row + 4 * x, 3);
      break;
    default: std::memset(out, 0, width * 3); break;
  }
}

int SurfaceBitmapDepth(int screenBitsPerPixel) {
  return screenBitsPerPixel == 16 || screenBitsPerPixel == 32 ? 24 : screenBitsPerPixel;
}

bool MakeSurfaceBitmapLayout(int32_t width, int32_t height, int screenBitsPerPixel,
                             SurfaceBitmapLayout* layout) {
  *layout = SurfaceBitmapLayout{};
  const int bits = screenBitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const int depth = SurfaceBitmapDepth(bits);
  if (width <= 0 || height <= 0) return false;
  const uint64_t stride = static_cast<uint64_t>(DibStride(width, depth));
  const uint64_t image = stride * static_cast<uint64_t>(height);
  const uint32_t offset = static_cast<uint32_t>(54 + (depth <= 8 ? (4u << depth) : 0));
  if (image + offset > UINT32_MAX) return false;
  layout->depth = depth;
  layout->stride = static_cast<int64_t>(stride);
  layout->pixelOffset = offset;
  layout->imageBytes = static_cast<uint32_t>(image);
  ByteWriter h;
  h.Text("BM");
  h.U32(offset + layout->imageBytes);  // file size
  h.U32(0);                            // reserved
  h.U32(offset);
  h.U32(kDibHeaderBytes);
  h.I32(width);
  h.I32(height);
  h.U16(1);  // planes
  h.U16(static_cast<uint16_t>(depth));
  h.U32(0);  // no compression
  h.U32(layout->imageBytes);
  h.Zeros(16);  // resolution and colour counts
  std::memcpy(layout->headers, h.data(), sizeof layout->headers);
  return true;
}

bool BuildSurfaceBitmapFile(const SurfaceBitmapLayout& layout, const TempSurfaceFormat& format,
                            int32_t width, int32_t height, const uint8_t* palette,
                            const uint8_t* surface, int64_t pitch, int64_t rows,
                            std::vector<uint8_t>* file) {
  const int bits = format.bitsPerPixel;
  if (layout.depth != SurfaceBitmapDepth(bits) || !surface ||
      !SurfaceHoldsPicture(pitch, rows, width, height, bits) ||
      layout.imageBytes != static_cast<uint64_t>(layout.stride) * static_cast<uint32_t>(height))
    return false;
  const size_t colours = layout.depth <= 8 ? size_t{1} << layout.depth : 0;
  if (colours && !palette) return false;
  file->assign(size_t{layout.pixelOffset} + layout.imageBytes, 0);
  uint8_t* out = file->data();
  std::memcpy(out, layout.headers, sizeof layout.headers);
  for (size_t i = 0; i < colours; ++i) {
    out[54 + 4 * i] = palette[4 * i + 2];
    out[54 + 4 * i + 1] = palette[4 * i + 1];
    out[54 + 4 * i + 2] = palette[4 * i];
  }
  const size_t stride = static_cast<size_t>(layout.stride);
  const size_t copied = static_cast<size_t>(std::min<int64_t>(layout.stride, pitch));
  uint8_t* pixels = out + layout.pixelOffset;
  for (int32_t r = 0; r < height; ++r) {
    const uint8_t* src = surface + static_cast<size_t>(r) * static_cast<size_t>(pitch);
    uint8_t* dst = pixels + static_cast<size_t>(height - 1 - r) * stride;
    if (bits == 16 || bits == 32)
      SurfaceRowToBgr24(format, palette, src, static_cast<size_t>(width), dst);
    else
      std::memcpy(dst, src, copied);
  }
  return true;
}

bool ClipSurfaceBlit(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t surfaceWidth,
                     int32_t surfaceHeight, int32_t screenWidth, int32_t screenHeight,
                     SurfaceBlit* blit) {
  auto clip = [](int64_t from, int64_t to, int64_t room, int64_t screen, int32_t* dest,
                 int32_t* outFrom, int32_t* outTo) {
    int64_t skip = from < 0 ? -from : 0;  // the part left of (or above) the screen
    from += skip;
    to = std::min({to, screen, from + room - skip});
    *dest = static_cast<int32_t>(skip);
    *outFrom = static_cast<int32_t>(from);
    *outTo = static_cast<int32_t>(to);
    return to > from;
  };
  *blit = SurfaceBlit{};
  return clip(left, right, surfaceWidth, screenWidth, &blit->destX, &blit->left, &blit->right) &&
         clip(top, bottom, surfaceHeight, screenHeight, &blit->destY, &blit->top, &blit->bottom);
}

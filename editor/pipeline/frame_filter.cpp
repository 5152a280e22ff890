#include "editor/pipeline/frame_filter.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/edge_extraction.h"
#include "editor/filters/neighbourhood_filters.h"

bool FilterUsesWorkBuffer(const FrameFilter& filter) {
  return filter.kind == FilterKind::Neighbourhood || filter.kind == FilterKind::Edge ||
         filter.kind == FilterKind::Custom;
}

bool FilterNeeds24Bits(const FrameFilter& filter) {
  return FilterUsesWorkBuffer(filter) || filter.kind == FilterKind::Light;
}

bool ReadFrameShape(const uint8_t* header, size_t size, FrameShape* shape) {
  if (!header || size < kDibHeaderBytes || GetU32(header) != kDibHeaderBytes) return false;
  FrameShape s;
  s.width = static_cast<int32_t>(GetU32(header + 4));
  s.height = static_cast<int32_t>(GetU32(header + 8));
  s.bitCount = GetU16(header + 14);
  s.compression = GetU32(header + 16);
  s.coloursUsed = GetU32(header + 32);
  if (s.width <= 0 || s.height <= 0) return false;
  const uint64_t image = static_cast<uint64_t>(DibStride(s.width, s.bitCount)) * s.height;
  const uint64_t total = PixelOffset(s.bitCount, s.compression, s.coloursUsed) + image;
  if (image == 0 || total > uint64_t{std::numeric_limits<int32_t>::max()}) return false;
  *shape = s;
  return true;
}

size_t FrameImageBytes(const FrameShape& shape) {
  return static_cast<size_t>(DibStride(shape.width, shape.bitCount)) *
         static_cast<size_t>(shape.height);
}

size_t FrameBytes(const FrameShape& shape) {
  return static_cast<size_t>(PixelOffset(shape.bitCount, shape.compression, shape.coloursUsed)) +
         FrameImageBytes(shape);
}

bool MakeBottomUp(uint8_t* frame, size_t size) {
  if (!frame || size < kDibHeaderBytes) return false;
  const int32_t height = static_cast<int32_t>(GetU32(frame + 8));
  if (height >= 0) return true;
  if (height == std::numeric_limits<int32_t>::min()) return false;
  const int32_t width = static_cast<int32_t>(GetU32(frame + 4));
  const uint16_t bits = GetU16(frame + 14);
  if (width <= 0) return false;
  const uint64_t stride = static_cast<uint64_t>(DibStride(width, bits));
  const uint64_t offset = PixelOffset(bits, GetU32(frame + 16), GetU32(frame + 32));
  const uint64_t rows = static_cast<uint64_t>(-int64_t{height});
  if (offset + stride * rows > size) return false;
  TurnRowsOver(frame + offset, stride, rows);
  PutU32(frame + 8, static_cast<uint32_t>(-height));
  return true;
}

bool StartFilterRun(FilterRun* run, const FrameFilter& filter, const FrameShape& firstFrame,
                    uint8_t* work) {
  run->filter = filter;
  run->shape = firstFrame;
  run->work = work;
  if (!FilterScratchReserve(run->scratch, firstFrame.width, firstFrame.height)) return false;
  if (filter.kind == FilterKind::Light) {
    LightAnimationSettings settings = filter.light;
    settings.frameWidth = firstFrame.width;
    settings.frameHeight = firstFrame.height;
    if (settings.thumb.width <= 0 || settings.thumb.height <= 0)
      settings.thumb = {0, 0, firstFrame.width, firstFrame.height};
    StartLightAnimation(&run->light, settings);
  }
  return true;
}

namespace {

bool SameShape(const FrameShape& a, const FrameShape& b) {
  return a.width == b.width && a.height == b.height && a.bitCount == b.bitCount &&
         a.compression == b.compression && a.coloursUsed == b.coloursUsed;
}

}  // namespace

bool ApplyFrameFilter(FilterRun* run, uint8_t* frame, size_t frameSize) {
  FrameShape shape;
  // A frame of another size or depth than the first would overrun the work
  // buffer and the output's bitmap: refused, never filtered.
  if (!ReadFrameShape(frame, frameSize, &shape) || !SameShape(shape, run->shape) ||
      frameSize < FrameBytes(shape))
    return false;
  const FrameFilter& f = run->filter;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(shape.width, shape.bitCount));
  // 24-bit kernels take the pixel rows right behind the header.
  const FrameView pixels{frame + kDibHeaderBytes, shape.width, shape.height, stride};
  const FrameView work{run->work, shape.width, shape.height, stride};
  if (FilterNeeds24Bits(f) && (shape.bitCount != 24 || (FilterUsesWorkBuffer(f) && !run->work)))
    return false;
  if (FilterUsesWorkBuffer(f) && f.kind != FilterKind::Edge)
    std::memcpy(run->work, pixels.data, FrameImageBytes(shape));
  switch (f.kind) {
    case FilterKind::Rgb:
      return ApplyRgbCorrection(frame, frameSize, f.ratio[0], f.ratio[1], f.ratio[2], f.invert[0],
                                f.invert[1], f.invert[2]);
    case FilterKind::YCrCb:
      return ApplyYCrCbCorrection(frame, frameSize, f.ycrcb[0], f.ycrcb[1], f.ycrcb[2]);
    case FilterKind::Contrast: return ApplyContrast(frame, frameSize, f.contrast);
    case FilterKind::Gamma: return ApplyGamma(frame, frameSize, f.gamma, run->scratch);
    case FilterKind::Grayscale: return ApplyGrayscale(frame, frameSize);
    case FilterKind::Pale: return ApplyPale(frame, frameSize);
    case FilterKind::Neighbourhood:
      return NeighbourhoodKernelForKind(f.neighbourhoodKind)(AsConst(work), pixels, f.strength,
                                                             run->scratch);
    case FilterKind::Edge:
      return RunEdgeExtraction(pixels, work, f.threshold, f.edgeOperator, f.sharpenFirst,
                               run->scratch);
    case FilterKind::Light: {
      const LightParameters p = NextLightParameters(&run->light);
      return ApplyLightSource(pixels, p.lx, p.ly, p.k, p.red, p.green, p.blue);
    }
    case FilterKind::Custom:
      return ApplyCustomFilter(AsConst(work), pixels, f.coefficients, f.customStrength, f.base[0],
                               f.base[1], f.base[2], run->scratch);
  }
  return false;
}

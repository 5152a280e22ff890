#include "editor/streams/area_scale.h"

#include <algorithm>

namespace {

// The overlap of output pixel i, spanning [i * from, (i + 1) * from), with
// each source pixel j, spanning [j * to, (j + 1) * to): on that scale every
// overlap is a whole number, and those of one output pixel add up to `from`.
void Weights(int32_t from, int32_t to, std::vector<int32_t>* first, std::vector<int32_t>* count,
             std::vector<int32_t>* weights) {
  first->assign(static_cast<size_t>(to), 0);
  count->assign(static_cast<size_t>(to), 0);
  weights->clear();
  for (int32_t i = 0; i < to; ++i) {
    const int64_t begin = int64_t{i} * from, end = begin + from;
    const int32_t j0 = static_cast<int32_t>(begin / to);
    (*first)[i] = j0;
    for (int32_t j = j0; j < from && int64_t{j} * to < end; ++j) {
      const int64_t lo = std::max<int64_t>(begin, int64_t{j} * to);
      const int64_t hi = std::min<int64_t>(end, int64_t{j + 1} * to);
      weights->push_back(static_cast<int32_t>(hi - lo));
      ++(*count)[i];
    }
  }
}

}  // namespace

bool StartAreaScaler(AreaScaler* s, int32_t sourceWidth, int32_t sourceHeight, int32_t width,
                     int32_t height) {
  if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0) return false;
  s->sourceWidth = sourceWidth, s->sourceHeight = sourceHeight;
  s->width = width, s->height = height;
  Weights(sourceWidth, width, &s->columnFirst, &s->columnCount, &s->columnWeights);
  Weights(sourceHeight, height, &s->rowFirst, &s->rowCount, &s->rowWeights);
  s->rowSums.assign(static_cast<size_t>(width) * 3, 0);
  s->blockSums.assign(static_cast<size_t>(width) * 3, 0);
  s->boxWidth = s->boxHeight = 0;
  // The product stays below 4096 so that the reciprocal divides every sum
  // (at most 256 x the box) exactly.
  if (sourceWidth % width == 0 && sourceHeight % height == 0 &&
      int64_t{sourceWidth / width} * (sourceHeight / height) < 4096) {
    s->boxWidth = sourceWidth / width;
    s->boxHeight = sourceHeight / height;
    s->boxReciprocal = (uint64_t{1} << 32) / static_cast<uint64_t>(s->boxWidth * s->boxHeight) + 1;
    s->columnSums.assign(static_cast<size_t>(sourceWidth) * 3, 0);
  }
  return true;
}

namespace {

void ScaleByBox(AreaScaler* s, const Frame24View& source, const Frame24View& target) {
  const size_t sourceValues = static_cast<size_t>(s->sourceWidth) * 3;
  const uint32_t half = static_cast<uint32_t>(s->boxWidth * s->boxHeight / 2);
  uint32_t* columns = s->columnSums.data();
  for (int32_t y = 0; y < s->height; ++y) {
    std::fill(s->columnSums.begin(), s->columnSums.end(), 0);
    for (int32_t r = 0; r < s->boxHeight; ++r) {
      const uint8_t* row = source.rows + (int64_t{y} * s->boxHeight + r) * source.stride;
      for (size_t i = 0; i < sourceValues; ++i) columns[i] += row[i];
    }
    uint8_t* out = target.rows + y * target.stride;
    const uint32_t* p = columns;
    for (int32_t x = 0; x < s->width; ++x, out += 3) {
      uint32_t b = half, g = half, red = half;
      for (int32_t c = 0; c < s->boxWidth; ++c, p += 3) {
        b += p[0];
        g += p[1];
        red += p[2];
      }
      out[0] = static_cast<uint8_t>((b * s->boxReciprocal) >> 32);
      out[1] = static_cast<uint8_t>((g * s->boxReciprocal) >> 32);
      out[2] = static_cast<uint8_t>((red * s->boxReciprocal) >> 32);
    }
  }
}

}  // namespace

void ScaleByArea(AreaScaler* s, const Frame24View& source, const Frame24View& target) {
  if (s->boxWidth > 0) {
    ScaleByBox(s, source, target);
    return;
  }
  const size_t values = static_cast<size_t>(s->width) * 3;
  // Each output value is a sum weighted by source width x source height.
  const double scale = 1.0 / (static_cast<double>(s->sourceWidth) * s->sourceHeight);
  const int32_t* rowWeight = s->rowWeights.data();
  for (int32_t y = 0; y < s->height; ++y) {
    std::fill(s->blockSums.begin(), s->blockSums.end(), 0);
    for (int32_t r = 0; r < s->rowCount[y]; ++r) {
      const uint8_t* row = source.rows + (s->rowFirst[y] + r) * source.stride;
      const int32_t* columnWeight = s->columnWeights.data();
      uint32_t* sums = s->rowSums.data();
      for (int32_t x = 0; x < s->width; ++x, sums += 3) {
        const uint8_t* p = row + s->columnFirst[x] * 3;
        uint32_t b = 0, g = 0, red = 0;
        for (int32_t c = 0; c < s->columnCount[x]; ++c, p += 3) {
          const uint32_t w = static_cast<uint32_t>(*columnWeight++);
          b += w * p[0];
          g += w * p[1];
          red += w * p[2];
        }
        sums[0] = b, sums[1] = g, sums[2] = red;
      }
      const uint64_t w = static_cast<uint64_t>(*rowWeight++);
      for (size_t i = 0; i < values; ++i) s->blockSums[i] += w * s->rowSums[i];
    }
    uint8_t* out = target.rows + y * target.stride;
    for (size_t i = 0; i < values; ++i)
      out[i] = static_cast<uint8_t>(static_cast<double>(s->blockSums[i]) * scale + 0.5);
  }
}

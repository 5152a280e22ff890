#include "editor/streams/stream_rules.h"

ChannelSums SumChannels(const uint8_t* pixels, size_t imageSize) {
  // Every whole triplet counts; the one or two bytes left over at the end
  // belong to none. The sums wrap as 32-bit numbers do.
  uint32_t blue = 0, green = 0, red = 0;
  const uint8_t* p = pixels;
  for (size_t i = imageSize / 3; i > 0; --i, p += 3) {
    blue += p[0];
    green += p[1];
    red += p[2];
  }
  return {blue, green, red};
}

bool StartsScene(const ChannelSums& previous, const ChannelSums& current) {
  auto changed = [](uint32_t before, uint32_t now) {
    return now < (before >> 1) || (now >> 1) > before;
  };
  return changed(previous.blue, current.blue) || changed(previous.green, current.green) ||
         changed(previous.red, current.red);
}

std::vector<SplitPart> PartsFromScenes(const std::vector<int32_t>& scenes, int32_t start,
                                       int32_t end) {
  std::vector<SplitPart> parts;
  // From sample 0 a movie that starts later would have no first part: no
  // sample before its start can be copied.
  int32_t t = start;
  for (int32_t u : scenes) {
    if (t >= end) t = end - 1;
    // The last entry is the end: a length of -1 takes the rest of the stream.
    if (u >= end) u = t - 1;
    parts.push_back({t, u - t});
    t = u;
  }
  return parts;
}

bool ResizedSize(int32_t width, int32_t height, uint32_t percent, int32_t* newWidth,
                 int32_t* newHeight) {
  if (width <= 0 || height <= 0) return false;
  const uint64_t w = uint64_t{percent} * static_cast<uint64_t>(width) / 100;
  const uint64_t h = uint64_t{percent} * static_cast<uint64_t>(height) / 100;
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  *newWidth = static_cast<int32_t>(w);
  *newHeight = static_cast<int32_t>(h);
  return true;
}

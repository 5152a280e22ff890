#pragma once
// The rules of the stream commands that need no window system: the channel
// sums and the scene-change test of the automatic split, the parts it cuts,
// and the output size of a resize.
#include <cstddef>
#include <cstdint>
#include <vector>

// Sums of one 24-bit frame's bytes taken as blue, green, red triplets from
// the first pixel byte, the row padding walked exactly as it lies.
struct ChannelSums {
  uint32_t blue = 0;
  uint32_t green = 0;
  uint32_t red = 0;
};
ChannelSums SumChannels(const uint8_t* pixels, size_t imageSize);
// Lets tests hold the SSE2 sums against the AVX2 ones, which SumChannels
// picks by itself when the processor has them.
struct ChannelSumOptions {
  bool allowAvx2 = true;
};
extern ChannelSumOptions channelSumOptions;

// A scene starts where any channel sum has more than halved or doubled
// against the previous frame (halving by a right shift).
bool StartsScene(const ChannelSums& previous, const ChannelSums& current);

// One part of a split: samples from `first`, `length` of them, or -1 for all
// to the end of the stream.
struct SplitPart {
  int32_t first = 0;
  int32_t length = 0;
};
// The parts cut at the scene starts of `scenes` (ascending, the last entry
// the movie's end): the first part from the movie's first sample (0 in most
// movies), the last to the end.
std::vector<SplitPart> PartsFromScenes(const std::vector<int32_t>& scenes, int32_t start,
                                       int32_t end);

// The size of a frame resized to `percent` % (integer division). False when
// a side would become 0 or too large to describe.
bool ResizedSize(int32_t width, int32_t height, uint32_t percent, int32_t* newWidth,
                 int32_t* newHeight);

#pragma once
// Scaling a 24-bit frame by averaging the source area each output pixel
// covers, weighted by how much of each source pixel lies inside it.
#include <cstddef>
#include <cstdint>
#include <vector>

// Rows are walked from `rows` by `stride` bytes (negative for a frame stored
// top-down that is read bottom-up). Both frames hold 3-byte pixels.
struct Frame24View {
  uint8_t* rows = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  ptrdiff_t stride = 0;
};

// Work space kept between frames of one size.
struct AreaScaler {
  int32_t sourceWidth = 0, sourceHeight = 0, width = 0, height = 0;
  // Per output column and row: the first source pixel and the weights of the
  // ones it overlaps (the weights of one output add up to the source side).
  std::vector<int32_t> columnFirst, columnCount, columnWeights;
  std::vector<int32_t> rowFirst, rowCount, rowWeights;
  std::vector<uint32_t> rowSums;    // one source row summed across, 3 per output pixel
  std::vector<uint64_t> blockSums;  // the rows of one output row weighted down
  // A whole-number shrink (each output pixel exactly boxWidth x boxHeight
  // source pixels) takes plain sums instead; 0 when the sizes are not so.
  int32_t boxWidth = 0, boxHeight = 0;
  uint64_t boxReciprocal = 0;        // 2^32 / (boxWidth x boxHeight), rounded up
  std::vector<uint32_t> columnSums;  // boxHeight source rows added, byte by byte
};

// False when a side is not positive.
bool StartAreaScaler(AreaScaler* scaler, int32_t sourceWidth, int32_t sourceHeight, int32_t width,
                     int32_t height);
void ScaleByArea(AreaScaler* scaler, const Frame24View& source, const Frame24View& target);

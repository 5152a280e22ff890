#pragma once
// Rank selection over 5 x 5 windows of 24-bit rows with min/max networks that
// run on whole runs of bytes at once (each byte of a row is its own lane).
#include <cstddef>
#include <cstdint>
#include <vector>

struct RankComparator {
  uint8_t low, high;  // buffers receiving the minimum and the maximum
  bool keepLow, keepHigh;
};

// A network that yields the k-th smallest of 25 values given as five sorted
// columns of five: input buffer 8 * column + row.
struct RankNetwork {
  std::vector<RankComparator> comparators;
  int result = 0;  // buffer holding the answer
};

const RankNetwork& RankNetworkFor(int k);

// Sorts each byte position's five values rows[0..4][b] ascending. `sorted[i]`
// is set to the row holding rank i, which is one of `planes` or of `rows`.
void SortColumnsOfFive(const uint8_t* const rows[5], uint8_t* const planes[5],
                       const uint8_t* sorted[5], size_t rowBytes);

constexpr int kRankChunk = 256;
struct RankScratch {
  uint8_t buffers[64][kRankChunk];
};

// out[b] for b in [begin, end) = k-th smallest of sorted[row][b + 3 * (column - 2)].
void RunRankNetwork(const RankNetwork& network, const uint8_t* const sorted[5], size_t begin,
                    size_t end, uint8_t* out, RankScratch* scratch);

#include "editor/filters/sorting_network.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// Batcher's odd-even merge sort on n = 2^m inputs, comparators (a, b) with
// a < b leaving the minimum in a. Stages that only sort blocks smaller than
// `firstBlock` are left out, for inputs whose blocks arrive sorted.
std::vector<std::pair<int, int>> OddEvenMergeSort(int n, int firstBlock) {
  std::vector<std::pair<int, int>> out;
  for (int p = 1; p < n; p += p) {
    for (int k = p; k > 0; k /= 2) {
      for (int j = k % p; j + k < n; j += k + k) {
        for (int i = 0; i < k && i + j + k < n; ++i) {
          if ((i + j) / (p + p) == (i + j + k) / (p + p) && p >= firstBlock) {
            out.emplace_back(i + j, i + j + k);
          }
        }
      }
    }
  }
  return out;
}

struct Pruned {
  std::vector<RankComparator> comparators;
  std::array<int, 64> buffer;  // final position -> buffer
};

// Runs the network symbolically: positions outside `real` hold +infinity, so a
// comparator against one is a no-op or a renaming. Then drops every comparator
// whose results `wanted` positions never use.
Pruned Prune(const std::vector<std::pair<int, int>>& network, const std::array<bool, 64>& real,
             const std::vector<int>& wanted) {
  Pruned p;
  std::array<bool, 64> infinite;
  for (int i = 0; i < 64; ++i) {
    p.buffer[i] = i;
    infinite[i] = !real[i];
  }
  for (auto [a, b] : network) {
    if (infinite[b]) continue;
    if (infinite[a]) {
      std::swap(p.buffer[a], p.buffer[b]);
      infinite[a] = false;
      infinite[b] = true;
      continue;
    }
    p.comparators.push_back(
        {static_cast<uint8_t>(p.buffer[a]), static_cast<uint8_t>(p.buffer[b]), true, true});
  }
  std::array<bool, 64> live{};
  for (int w : wanted) live[p.buffer[w]] = true;
  std::vector<RankComparator> kept;
  for (auto it = p.comparators.rbegin(); it != p.comparators.rend(); ++it) {
    RankComparator c = *it;
    c.keepLow = live[c.low];
    c.keepHigh = live[c.high];
    if (!c.keepLow && !c.keepHigh) continue;
    live[c.low] = live[c.high] = true;
    kept.push_back(c);
  }
  std::reverse(kept.begin(), kept.end());
  p.comparators = std::move(kept);
  return p;
}

Pruned BuildColumnSort() {
  std::array<bool, 64> real{};
  for (int i = 0; i < 5; ++i) real[i] = true;
  return Prune(OddEvenMergeSort(8, 1), real, {0, 1, 2, 3, 4});
}

std::array<RankNetwork, 25> BuildRankNetworks() {
  std::array<RankNetwork, 25> networks;
  // Columns of five arrive sorted in blocks of eight (three +infinity each),
  // so the merge sort starts with the merges of those blocks.
  const auto merges = OddEvenMergeSort(64, 8);
  std::array<bool, 64> real{};
  for (int column = 0; column < 5; ++column) {
    for (int row = 0; row < 5; ++row) real[8 * column + row] = true;
  }
  for (int k = 0; k < 25; ++k) {
    Pruned p = Prune(merges, real, {k});
    networks[k].comparators = std::move(p.comparators);
    networks[k].result = p.buffer[k];
  }
  return networks;
}

// Built while the program starts, so that no kernel call allocates them.
const Pruned kColumnSort = BuildColumnSort();
const std::array<RankNetwork, 25> kRankNetworks = BuildRankNetworks();

// One comparator over a run of lanes; `low`/`high` may be the inputs themselves.
inline void CompareRun(const uint8_t* a, const uint8_t* b, uint8_t* low, uint8_t* high, size_t n,
                       bool keepLow, bool keepHigh) {
  if (keepLow && keepHigh) {
    for (size_t i = 0; i < n; ++i) {
      const uint8_t x = a[i], y = b[i];
      low[i] = std::min(x, y);
      high[i] = std::max(x, y);
    }
  } else if (keepLow) {
    for (size_t i = 0; i < n; ++i) low[i] = std::min(a[i], b[i]);
  } else {
    for (size_t i = 0; i < n; ++i) high[i] = std::max(a[i], b[i]);
  }
}

}  // namespace

const RankNetwork& RankNetworkFor(int k) {
  return kRankNetworks[std::clamp(k, 0, 24)];
}

void SortColumnsOfFive(const uint8_t* const rows[5], uint8_t* const planes[5],
                       const uint8_t* sorted[5], size_t rowBytes) {
  const Pruned& network = kColumnSort;
  const uint8_t* read[5];
  for (int i = 0; i < 5; ++i) read[i] = rows[i];
  for (const RankComparator& c : network.comparators) {
    CompareRun(read[c.low], read[c.high], planes[c.low], planes[c.high], rowBytes, c.keepLow,
               c.keepHigh);
    if (c.keepLow) read[c.low] = planes[c.low];
    if (c.keepHigh) read[c.high] = planes[c.high];
  }
  for (int i = 0; i < 5; ++i) sorted[i] = read[network.buffer[i]];
}

void RunRankNetwork(const RankNetwork& network, const uint8_t* const sorted[5], size_t begin,
                    size_t end, uint8_t* out, RankScratch* scratch) {
  for (size_t b0 = begin; b0 < end; b0 += kRankChunk) {
    const size_t n = std::min<size_t>(kRankChunk, end - b0);
    const uint8_t* read[64] = {};
    for (int column = 0; column < 5; ++column) {
      for (int row = 0; row < 5; ++row) read[8 * column + row] = sorted[row] + b0 + 3 * column - 6;
    }
    for (const RankComparator& c : network.comparators) {
      uint8_t* low = scratch->buffers[c.low];
      uint8_t* high = scratch->buffers[c.high];
      CompareRun(read[c.low], read[c.high], low, high, n, c.keepLow, c.keepHigh);
      if (c.keepLow) read[c.low] = low;
      if (c.keepHigh) read[c.high] = high;
    }
    std::memcpy(out + b0, read[network.result], n);
  }
}

#include "editor/filters/filter_scratch.h"

#include <cstddef>

namespace {

// Window radii are bytes: the prefix row needs three bytes of room per step of
// the largest radius on either side of the row, and three more in front.
constexpr size_t kPrefixMargin = 2 * 3 * 255 + 3;

}  // namespace

bool FilterScratchReserve(FilterScratch& scratch, int width, int height) {
  if (width < 0 || height < 0) return false;
  const size_t rowBytes = size_t{3} * static_cast<size_t>(width);
  scratch.column.assign(rowBytes, 0);
  scratch.prefix.assign(rowBytes + kPrefixMargin, 0);
  scratch.sum.assign(rowBytes, 0);
  scratch.divisor.assign(rowBytes, 0);
  scratch.rows.assign(5 * rowBytes, 0);
  scratch.flags.assign(rowBytes + 4, 0);
  scratch.phase.resize(rowBytes);
  for (size_t b = 0; b < rowBytes; ++b) scratch.phase[b] = static_cast<uint8_t>(b % 3);
  scratch.base.assign(rowBytes, 0);
  scratch.base16.assign(rowBytes, 0);
  scratch.pairs.assign(size_t{1} << 16, 0);
  scratch.width = width;
  return true;
}

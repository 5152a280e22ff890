// Edge extraction written loop for loop from the operators' definitions, one
// pixel and its six operator values at a time: the yardstick the kernel of
// edge_extraction.cpp is tested and measured against.
#include "editor/filters/edge_extraction.h"

namespace {

int Src(const ConstFrameView& s, int x, int y, int c) {
  return FrameRow(s, y)[3 * x + c];
}
uint8_t& Dst(const FrameView& d, int x, int y, int c) {
  return FrameRow(d, y)[3 * x + c];
}

}  // namespace

bool ApplyEdgeExtraction_ref(ConstFrameView src, FrameView dst, uint8_t threshold,
                             uint8_t edgeOperator, FilterScratch& scratch) {
  if (!Frames24Match(src, dst) || !FilterScratchFits(scratch, src.width)) return false;
  CopyPixels24(src, dst);
  const int t = threshold, op = edgeOperator;
  auto decide = [&](int x, int y, const int* values) {
    bool edge = false;
    for (int i = 0; i < 6; ++i) edge = edge || values[i] > t || values[i] < -t;
    for (int c = 0; c < 3; ++c)
      Dst(dst, x, y, c) = edge ? static_cast<uint8_t>(Src(src, x, y, c)) : 255;
  };
  if (op == kEdgeDifference || op == kEdgeRoberts) {
    for (int y = 0; y <= src.height - 2; ++y)
      for (int x = 0; x <= src.width - 2; ++x) {
        int v[6];
        for (int c = 0; c < 3; ++c) {
          if (op == kEdgeDifference) {
            v[2 * c] = Src(src, x, y, c) - Src(src, x + 1, y, c);
            v[2 * c + 1] = Src(src, x, y, c) - Src(src, x, y + 1, c);
          } else {
            v[2 * c] = Src(src, x, y, c) - Src(src, x + 1, y + 1, c);
            v[2 * c + 1] = Src(src, x + 1, y, c) - Src(src, x, y + 1, c);
          }
        }
        decide(x, y, v);
      }
    return true;
  }
  for (int y = 1; y <= src.height - 2; ++y)
    for (int x = 1; x <= src.width - 2; ++x) {
      int v[6];
      for (int c = 0; c < 3; ++c) {
        auto p = [&](int i, int j) { return Src(src, x + i, y + j, c); };
        v[2 * c] = 2 * (p(1, 0) - p(-1, 0)) + p(1, 1) + p(1, -1) - p(-1, 1) - p(-1, -1);
        v[2 * c + 1] = 2 * (p(0, 1) - p(0, -1)) + p(-1, 1) + p(1, 1) - p(-1, -1) - p(1, -1);
      }
      decide(x, y, v);
    }
  return true;
}

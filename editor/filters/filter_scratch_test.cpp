#include "editor/filters/filter_scratch.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/bytes.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/edge_extraction.h"
#include "editor/filters/filters_test_support.h"
#include "editor/filters/neighbourhood_filters.h"

namespace {

struct CopyKernel {
  const char* name;
  bool (*run)(ConstFrameView src, FrameView dst, FilterScratch& scratch);
};

const int8_t kLaplacian[9] = {-1, -1, -1, -1, 8, -1, -1, -1, -1};

// Every kernel that works in the scratch, with parameters that take each of
// its paths, and the references, which keep the kernels' contract; a small
// radius comes before a large one, so that a window's leading zeros would be
// stale if a kernel trusted them.
const CopyKernel kCopyKernels[] = {
    {"blur r 1",
     [](ConstFrameView s, FrameView d, FilterScratch& x) { return ApplyBoxBlur(s, d, 1, x); }},
    {"blur r 7",
     [](ConstFrameView s, FrameView d, FilterScratch& x) { return ApplyBoxBlur(s, d, 7, x); }},
    {"unsharp r 3",
     [](ConstFrameView s, FrameView d, FilterScratch& x) { return ApplyUnsharpMask(s, d, 3, x); }},
    {"blur r 30, plain division",
     [](ConstFrameView s, FrameView d, FilterScratch& x) { return ApplyBoxBlur(s, d, 30, x); }},
    {"median 2 passes",
     [](ConstFrameView s, FrameView d, FilterScratch& x) { return ApplyMedian(s, d, 2, x); }},
    {"watercolour k 4",
     [](ConstFrameView s, FrameView d, FilterScratch& x) { return ApplyWatercolour(s, d, 4, x); }},
    {"edge differences",
     [](ConstFrameView s, FrameView d, FilterScratch& x) {
       return ApplyEdgeExtraction(s, d, 20, kEdgeDifference, x);
     }},
    {"edge Sobel", [](ConstFrameView s, FrameView d,
                      FilterScratch& x) { return ApplyEdgeExtraction(s, d, 20, kEdgeSobel, x); }},
    {"custom, 16-bit lanes",
     [](ConstFrameView s, FrameView d, FilterScratch& x) {
       return ApplyCustomFilter(s, d, kLaplacian, 1, 255, 128, 0, x);
     }},
    {"custom, 32-bit lanes",
     [](ConstFrameView s, FrameView d, FilterScratch& x) {
       return ApplyCustomFilter(s, d, kLaplacian, 200, 9, 128, 250, x);
     }},
    {"blur_ref r 2",
     [](ConstFrameView s, FrameView d, FilterScratch& x) { return ApplyBoxBlur_ref(s, d, 2, x); }},
    {"unsharp_ref r 2", [](ConstFrameView s, FrameView d,
                           FilterScratch& x) { return ApplyUnsharpMask_ref(s, d, 2, x); }},
    {"median_ref 2 passes",
     [](ConstFrameView s, FrameView d, FilterScratch& x) { return ApplyMedian_ref(s, d, 2, x); }},
    {"watercolour_ref k 4", [](ConstFrameView s, FrameView d,
                               FilterScratch& x) { return ApplyWatercolour_ref(s, d, 4, x); }},
    {"edge_ref Roberts",
     [](ConstFrameView s, FrameView d, FilterScratch& x) {
       return ApplyEdgeExtraction_ref(s, d, 20, kEdgeRoberts, x);
     }},
    {"custom_ref",
     [](ConstFrameView s, FrameView d, FilterScratch& x) {
       return ApplyCustomFilter_ref(s, d, kLaplacian, 3, 9, 128, 250, x);
     }},
};

TEST(FilterScratch, KernelsRefuseAScratchNotReservedForTheWidth) {
  std::mt19937 rng(16);
  TestFrame src(9, 6);
  src.Randomise(rng);
  FilterScratch never;
  FilterScratch narrower = ScratchFor(8, 6);
  for (const CopyKernel& k : kCopyKernels) {
    for (FilterScratch* scratch : {&never, &narrower}) {
      TestFrame dst(9, 6, 0x5A);
      EXPECT_FALSE(k.run(src.ConstView(), dst.View(), *scratch)) << k.name;
      EXPECT_EQ(dst.bytes, TestFrame(9, 6, 0x5A).bytes) << k.name << " wrote, refused";
    }
  }
  TestFrame work(9, 6);
  TestFrame frame = src;
  EXPECT_FALSE(RunEdgeExtraction(frame.View(), work.View(), 20, kEdgeSobel, true, narrower));
  EXPECT_EQ(frame.bytes, src.bytes);

  // Gamma's pair table comes with any reservation, whatever the width.
  std::vector<uint8_t> dib(40 + 4, 77);
  PutU32(&dib[0], 40);
  PutU32(&dib[4], 1);
  PutU32(&dib[8], 1);
  PutU16(&dib[14], 24);
  PutU32(&dib[16], 0);
  PutU32(&dib[32], 0);
  const std::vector<uint8_t> before = dib;
  EXPECT_FALSE(ApplyGamma(dib.data(), dib.size(), 10, never));
  EXPECT_FALSE(ApplyGamma_ref(dib.data(), dib.size(), 10, never));
  EXPECT_EQ(dib, before);
  FilterScratch empty = ScratchFor(0, 0);
  EXPECT_TRUE(ApplyGamma(dib.data(), dib.size(), 10, empty));
  EXPECT_NE(dib, before);

  EXPECT_FALSE(FilterScratchReserve(never, -1, 5));
  EXPECT_FALSE(FilterScratchReserve(never, 5, -1));
}

// A whole-movie run keeps one scratch for every frame: what a call leaves in
// it must never reach the next call's result.
TEST(FilterScratch, OneScratchServesEveryCallAsAFreshOneWould) {
  std::mt19937 rng(17);
  FilterScratch shared = ScratchFor(41, 9);
  const std::pair<int, int> sizes[] = {{41, 9}, {7, 6}, {41, 9}, {3, 3}, {40, 5}, {1, 4}};
  for (auto [w, h] : sizes) {
    for (const CopyKernel& k : kCopyKernels) {
      TestFrame src(w, h);
      src.Randomise(rng);
      TestFrame fresh(w, h), reused(w, h);
      FilterScratch own = ScratchFor(w, h);
      ASSERT_TRUE(k.run(src.ConstView(), fresh.View(), own)) << k.name;
      ASSERT_TRUE(k.run(src.ConstView(), reused.View(), shared)) << k.name;
      std::string where;
      ASSERT_TRUE(reused.SamePixels(fresh, &where))
          << k.name << " " << w << "x" << h << " at " << where;
    }
  }
}

}  // namespace

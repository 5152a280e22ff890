#include "editor/synthesis/cross_fade.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(CrossFade, ThreeFramesAreFirstTruncatedAverageAndSecond) {
  const std::vector<uint8_t> a = {0, 255, 10, 3, 200, 255, 1};
  const std::vector<uint8_t> b = {255, 0, 11, 3, 100, 255, 0};
  const std::vector<std::vector<uint8_t>> expected = {a, {127, 127, 10, 3, 150, 255, 0}, b};
  auto table = std::make_unique<CrossFadeTable>();
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> out(a.size(), 0xCC), ref(a.size(), 0xCC);
    CrossFadeFrame(a.data(), b.data(), out.data(), a.size(), i, 3, table.get());
    CrossFadeFrame_ref(a.data(), b.data(), ref.data(), a.size(), i, 3);
    EXPECT_EQ(out, expected[i]) << "frame " << i;
    EXPECT_EQ(ref, expected[i]) << "frame " << i;
  }
}

TEST(CrossFade, TableMatchesReferenceAndEqualBytesStayPut) {
  // Every pair of byte values, for frame counts whose steps are not exact in binary.
  std::vector<uint8_t> a(65536), b(65536);
  for (int i = 0; i < 65536; ++i) {
    a[i] = static_cast<uint8_t>(i >> 8);
    b[i] = static_cast<uint8_t>(i);
  }
  auto table = std::make_unique<CrossFadeTable>();
  for (int n : {3, 4, 7, 10, 31, 100}) {
    for (int i = 0; i < n; ++i) {
      std::vector<uint8_t> out(a.size()), ref(a.size());
      CrossFadeFrame(a.data(), b.data(), out.data(), a.size(), i, n, table.get());
      CrossFadeFrame_ref(a.data(), b.data(), ref.data(), a.size(), i, n);
      ASSERT_EQ(out, ref) << "frame " << i << " of " << n;
      for (int v = 0; v < 256; ++v) ASSERT_EQ(out[v * 257], v) << "frame " << i << " of " << n;
    }
  }
}

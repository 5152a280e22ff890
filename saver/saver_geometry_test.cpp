#include "saver/saver_geometry.h"

#include "common/dib_geometry.h"

#include <gtest/gtest.h>

namespace {
SaverPlacement Only(const std::vector<SaverPlacement>& placements) {
  EXPECT_EQ(placements.size(), 1u);
  return placements.empty() ? SaverPlacement{} : placements[0];
}
}  // namespace

TEST(SaverGeometry, ZoomKeepsTheAspectRatio) {
  SaverPlacement p = Only(PlaceSaverFrame({0, 0, 1024, 768}, 320, 240, kSaverZoom));
  EXPECT_EQ((std::vector<int32_t>{p.x, p.y, p.width, p.height}),
            (std::vector<int32_t>{0, 0, 1024, 768}));
  p = Only(PlaceSaverFrame({0, 0, 1280, 1024}, 320, 240, kSaverZoom));
  EXPECT_EQ((std::vector<int32_t>{p.x, p.y, p.width, p.height}),
            (std::vector<int32_t>{0, 32, 1280, 960}));
  // A relatively taller frame fills the height and is centred across.
  p = Only(PlaceSaverFrame({0, 0, 1024, 768}, 100, 200, kSaverZoom));
  EXPECT_EQ((std::vector<int32_t>{p.x, p.y, p.width, p.height}),
            (std::vector<int32_t>{320, 0, 384, 768}));
}

TEST(SaverGeometry, UnknownModesDrawAsZoom) {
  SaverPlacement p = Only(PlaceSaverFrame({0, 0, 1280, 1024}, 320, 240, 7));
  EXPECT_EQ(p.y, 32);
  EXPECT_EQ(p.height, 960);
  EXPECT_EQ(Only(PlaceSaverFrame({0, 0, 1280, 1024}, 320, 240, -1)).height, 960);
}

TEST(SaverGeometry, CentreCutsALargerFrameEvenly) {
  SaverPlacement p = Only(PlaceSaverFrame({0, 0, 320, 240}, 640, 480, kSaverCentre));
  EXPECT_EQ(p.x, -160);
  EXPECT_EQ(p.y, -120);
  // An odd difference truncates toward zero on both sides of the origin.
  EXPECT_EQ(Only(PlaceSaverFrame({0, 0, 320, 240}, 321, 241, kSaverCentre)).x, 0);
  EXPECT_EQ(Only(PlaceSaverFrame({5, 5, 160, 160}, 10, 10, kSaverCentre)).x, 5 + 145 / 2);
}

TEST(SaverGeometry, TileCoversTheWindowFromTheTopLeft) {
  auto tiles = PlaceSaverFrame({0, 0, 1024, 768}, 300, 200, kSaverTile);
  ASSERT_EQ(tiles.size(), 16u);  // 4 columns x 4 rows, the last ones cut at the edge
  EXPECT_EQ(tiles[0].x, 0);
  EXPECT_EQ(tiles[1].y, 200) << "each column is filled top to bottom";
  EXPECT_EQ(tiles[15].x, 900);
  EXPECT_EQ(tiles[15].y, 600);
}

TEST(SaverGeometry, ZoomOfAHugeAreaDoesNotOverflow) {
  SaverPlacement p = Only(PlaceSaverFrame({0, 0, 100000, 60000}, 40000, 30000, kSaverZoom));
  EXPECT_EQ(p.width, 80000);
  EXPECT_EQ(p.height, 60000);
  EXPECT_EQ(p.x, 10000);
}

TEST(SaverGeometry, EmptyFramesPlaceNothing) {
  EXPECT_TRUE(PlaceSaverFrame({0, 0, 100, 100}, 0, 10, kSaverTile).empty());
  EXPECT_TRUE(PlaceSaverFrame({0, 0, 100, 100}, 10, 0, kSaverZoom).empty());
}

TEST(SaverGeometry, PixelBitsFollowTheColourTableOrMasks) {
  EXPECT_EQ(PixelOffset(24, 0, 0), 40u);
  EXPECT_EQ(PixelOffset(8, 0, 0), 40u + 1024u);
  EXPECT_EQ(PixelOffset(8, 0, 16), 40u + 64u) << "a short table counts";
  EXPECT_EQ(PixelOffset(4, 0, 0), 104u);
  EXPECT_EQ(PixelOffset(1, 0, 0), 48u);
  EXPECT_EQ(PixelOffset(16, 3, 0), 52u);
  EXPECT_EQ(PixelOffset(16, 0, 0), 40u);
  EXPECT_EQ(PixelOffset(32, 3, 0), 52u);
}

TEST(SaverGeometry, TimerIntervalRoundsLikeMulDiv) {
  EXPECT_EQ(SaverTimerInterval(1, 15), 67u);
  EXPECT_EQ(SaverTimerInterval(1001, 30000), 33u);
  EXPECT_EQ(SaverTimerInterval(1, 12), 83u);
  EXPECT_EQ(SaverTimerInterval(1, 8), 125u) << "125 exactly";
  EXPECT_EQ(SaverTimerInterval(1, 2000), 1u) << "half a millisecond rounds up";
  EXPECT_EQ(SaverTimerInterval(1, 0), 0u) << "a zero rate plays nothing";
  EXPECT_EQ(SaverTimerInterval(0, 15), 0u);
}

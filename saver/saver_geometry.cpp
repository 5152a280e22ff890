#include "saver/saver_geometry.h"

std::vector<SaverPlacement> PlaceSaverFrame(const SaverRect& area, int32_t w, int32_t h,
                                            int32_t mode) {
  std::vector<SaverPlacement> out;
  const int64_t W = int64_t{area.right} - area.left;
  const int64_t H = int64_t{area.bottom} - area.top;
  if (w <= 0 || h <= 0) return out;
  if (mode == kSaverCentre) {
    out.push_back({static_cast<int32_t>(area.left + (W - w) / 2),
                   static_cast<int32_t>(area.top + (H - h) / 2), w, h});
  } else if (mode == kSaverTile) {
    for (int64_t x = 0; x < W; x += w)
      for (int64_t y = 0; y < H; y += h)
        out.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y), w, h});
  } else {
    // 64-bit products: a wide window times a tall frame passes 2^31.
    if (int64_t{w} * H < int64_t{h} * W) {
      int64_t width = int64_t{w} * H / h;
      out.push_back({static_cast<int32_t>(area.left + (W - width) / 2), area.top,
                     static_cast<int32_t>(width), static_cast<int32_t>(H)});
    } else {
      int64_t height = int64_t{h} * W / w;
      out.push_back({area.left, static_cast<int32_t>(area.top + (H - height) / 2),
                     static_cast<int32_t>(W), static_cast<int32_t>(height)});
    }
  }
  return out;
}

uint32_t SaverTimerInterval(uint32_t scale, uint32_t rate) {
  if (rate == 0 || scale == 0) return 0;
  // MulDiv rounds half away from zero.
  uint64_t interval = (uint64_t{scale} * 1000 + rate / 2) / rate;
  return interval > UINT32_MAX ? 0 : static_cast<uint32_t>(interval == 0 ? 1 : interval);
}

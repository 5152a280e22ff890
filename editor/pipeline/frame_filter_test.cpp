// Each driver's filter reaches its own kernel on a frame, measured against the
// kernels' straightforward versions, and a frame the run was not sized for is
// refused.
#include "editor/pipeline/frame_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/edge_extraction.h"
#include "editor/filters/neighbourhood_filters.h"

namespace {

// A packed DIB: 40-byte header, an optional 256-entry palette, random pixels.
std::vector<uint8_t> Frame(int width, int height, int bits, unsigned start) {
  const size_t colours = bits == 8 ? 1024 : 0;
  const size_t image = static_cast<size_t>(DibStride(width, bits)) * height;
  std::vector<uint8_t> f(40 + colours + image);
  PutU32(f.data(), 40);
  PutU32(f.data() + 4, static_cast<uint32_t>(width));
  PutU32(f.data() + 8, static_cast<uint32_t>(height));
  PutU16(f.data() + 12, 1);
  PutU16(f.data() + 14, static_cast<uint16_t>(bits));
  PutU32(f.data() + 20, static_cast<uint32_t>(image));
  std::mt19937 rng(start);
  for (size_t i = 40; i < f.size(); ++i) f[i] = static_cast<uint8_t>(rng());
  return f;
}

std::vector<uint8_t> CutShort(std::vector<uint8_t> frame) {
  frame.pop_back();
  return frame;
}

FrameShape ShapeOf(const std::vector<uint8_t>& frame) {
  FrameShape shape;
  EXPECT_TRUE(ReadFrameShape(frame.data(), frame.size(), &shape));
  return shape;
}

// The 24-bit pixels of a frame as views, for the reference kernels.
struct Views {
  std::vector<uint8_t> source;
  FrameView dst;
  ConstFrameView src;
};

Views Split(std::vector<uint8_t>& frame, int width, int height) {
  Views v;
  const ptrdiff_t stride = DibStride(width, 24);
  v.source.assign(frame.begin() + 40, frame.end());
  v.dst = {frame.data() + 40, width, height, stride};
  v.src = {v.source.data(), width, height, stride};
  return v;
}

struct Case {
  const char* label;
  FrameFilter filter;
  // What the frame must become, from the reference kernels.
  void (*expect)(std::vector<uint8_t>& frame, int w, int h, FilterScratch& scratch);
};

FrameFilter Make(FilterKind kind, void (*set)(FrameFilter&) = nullptr) {
  FrameFilter f;
  f.kind = kind;
  if (set) set(f);
  return f;
}

TEST(FrameFilter, EachDriverRunsItsOwnKernelWithItsValues) {
  const Case cases[] = {
      {"rgb",
       Make(FilterKind::Rgb,
            [](FrameFilter& f) {
              f.ratio[0] = 200, f.ratio[1] = 10, f.ratio[2] = 255, f.invert[1] = true;
            }),
       [](std::vector<uint8_t>& fr, int, int, FilterScratch&) {
         ApplyRgbCorrection_ref(fr.data(), fr.size(), 200, 10, 255, false, true, false);
       }},
      {"ycrcb", Make(FilterKind::YCrCb, [](FrameFilter& f) { f.ycrcb[0] = 150, f.ycrcb[2] = 20; }),
       [](std::vector<uint8_t>& fr, int, int, FilterScratch&) {
         ApplyYCrCbCorrection_ref(fr.data(), fr.size(), 150, 100, 20);
       }},
      {"contrast", Make(FilterKind::Contrast, [](FrameFilter& f) { f.contrast = -77; }),
       [](std::vector<uint8_t>& fr, int, int, FilterScratch&) {
         ApplyContrast_ref(fr.data(), fr.size(), -77);
       }},
      {"gamma", Make(FilterKind::Gamma, [](FrameFilter& f) { f.gamma = 40; }),
       [](std::vector<uint8_t>& fr, int, int, FilterScratch& s) {
         ApplyGamma_ref(fr.data(), fr.size(), 40, s);
       }},
      {"grayscale", Make(FilterKind::Grayscale),
       [](std::vector<uint8_t>& fr, int, int, FilterScratch&) {
         ApplyGrayscale_ref(fr.data(), fr.size());
       }},
      {"pale", Make(FilterKind::Pale),
       [](std::vector<uint8_t>& fr, int, int, FilterScratch&) {
         ApplyPale_ref(fr.data(), fr.size());
       }},
      {"kind 2: watercolour",
       Make(FilterKind::Neighbourhood,
            [](FrameFilter& f) { f.neighbourhoodKind = DialogKind::Watercolour, f.strength = 20; }),
       [](std::vector<uint8_t>& fr, int w, int h, FilterScratch& s) {
         Views v = Split(fr, w, h);
         ApplyWatercolour_ref(v.src, v.dst, 20, s);
       }},
      {"kind 5: unsharp mask",
       Make(FilterKind::Neighbourhood,
            [](FrameFilter& f) { f.neighbourhoodKind = DialogKind::UnsharpMask, f.strength = 2; }),
       [](std::vector<uint8_t>& fr, int w, int h, FilterScratch& s) {
         Views v = Split(fr, w, h);
         ApplyUnsharpMask_ref(v.src, v.dst, 2, s);
       }},
      {"kind 7: median",
       Make(FilterKind::Neighbourhood,
            [](FrameFilter& f) { f.neighbourhoodKind = DialogKind::Median, f.strength = 3; }),
       [](std::vector<uint8_t>& fr, int w, int h, FilterScratch& s) {
         Views v = Split(fr, w, h);
         ApplyMedian_ref(v.src, v.dst, 3, s);
       }},
      {"kind 4: blur",
       Make(FilterKind::Neighbourhood,
            [](FrameFilter& f) { f.neighbourhoodKind = DialogKind::Blur, f.strength = 5; }),
       [](std::vector<uint8_t>& fr, int w, int h, FilterScratch& s) {
         Views v = Split(fr, w, h);
         ApplyBoxBlur_ref(v.src, v.dst, 5, s);
       }},
      {"any other kind (3): blur",
       Make(FilterKind::Neighbourhood,
            [](FrameFilter& f) { f.neighbourhoodKind = DialogKind::Contrast, f.strength = 1; }),
       [](std::vector<uint8_t>& fr, int w, int h, FilterScratch& s) {
         Views v = Split(fr, w, h);
         ApplyBoxBlur_ref(v.src, v.dst, 1, s);
       }},
      {"edge, Sobel",
       Make(FilterKind::Edge, [](FrameFilter& f) { f.threshold = 60, f.edgeOperator = 2; }),
       [](std::vector<uint8_t>& fr, int w, int h, FilterScratch& s) {
         Views v = Split(fr, w, h);
         ApplyEdgeExtraction_ref(v.src, v.dst, 60, 2, s);
       }},
      {"edge, Roberts after the radius-3 unsharp mask",
       Make(FilterKind::Edge,
            [](FrameFilter& f) { f.threshold = 30, f.edgeOperator = 1, f.sharpenFirst = true; }),
       [](std::vector<uint8_t>& fr, int w, int h, FilterScratch& s) {
         Views v = Split(fr, w, h);
         ApplyUnsharpMask_ref(v.src, v.dst, 3, s);
         Views sharpened = Split(fr, w, h);
         ApplyEdgeExtraction_ref(sharpened.src, sharpened.dst, 30, 1, s);
       }},
      {"custom",
       Make(FilterKind::Custom,
            [](FrameFilter& f) {
              const int8_t c[9] = {0, -1, 0, -1, 4, -1, 0, -1, 0};
              for (int i = 0; i < 9; ++i) f.coefficients[i] = c[i];
              f.customStrength = 3, f.base[0] = 255, f.base[1] = 10, f.base[2] = 128;
            }),
       [](std::vector<uint8_t>& fr, int w, int h, FilterScratch& s) {
         Views v = Split(fr, w, h);
         const int8_t c[9] = {0, -1, 0, -1, 4, -1, 0, -1, 0};
         ApplyCustomFilter_ref(v.src, v.dst, c, 3, 255, 10, 128, s);
       }},
  };
  const int w = 13, h = 9;
  for (const Case& c : cases) {
    std::vector<uint8_t> frame = Frame(w, h, 24, 7), expected = frame;
    std::vector<uint8_t> work(frame.size() - 40);
    FilterRun run;
    ASSERT_TRUE(StartFilterRun(&run, c.filter, ShapeOf(frame), work.data())) << c.label;
    EXPECT_TRUE(ApplyFrameFilter(&run, frame.data(), frame.size())) << c.label;
    FilterScratch scratch;
    FilterScratchReserve(scratch, w, h);
    c.expect(expected, w, h, scratch);
    EXPECT_EQ(frame, expected) << c.label;
  }
}

TEST(FrameFilter, TheLightFollowsItsAnimationFromFrameToFrame) {
  FrameFilter f;
  f.kind = FilterKind::Light;
  f.light.thumb = {0, 0, 16, 12};
  f.light.markerX = 3, f.light.markerY = 4;
  f.light.red = 200, f.light.green = 0, f.light.blue = 90;
  f.light.strength = 120;
  f.light.rgbPeriod = 5;
  f.light.strengthPeriod = 3, f.light.strengthMode = 2;
  f.light.positionPeriod = 4, f.light.endX = 10, f.light.endY = 6;
  std::vector<uint8_t> first = Frame(16, 12, 24, 3);
  FilterRun run;
  ASSERT_TRUE(StartFilterRun(&run, f, ShapeOf(first), nullptr));
  LightAnimationSettings settings = f.light;
  settings.frameWidth = 16, settings.frameHeight = 12;
  LightAnimation reference;
  StartLightAnimation(&reference, settings);
  std::vector<uint8_t> previous;
  for (int i = 0; i < 6; ++i) {
    std::vector<uint8_t> frame = first, expected = first;
    ASSERT_TRUE(ApplyFrameFilter(&run, frame.data(), frame.size())) << i;
    const LightParameters p = NextLightParameters(&reference);
    ApplyLightSource_ref({expected.data() + 40, 16, 12, DibStride(16, 24)}, p.lx, p.ly, p.k, p.red,
                         p.green, p.blue);
    EXPECT_EQ(frame, expected) << "frame " << i;
    EXPECT_NE(frame, previous) << "frame " << i << " is lit as the one before";
    previous = frame;
  }
}

TEST(FrameFilter, RefusesFramesTheRunWasNotStartedFor) {
  FrameFilter blur;
  blur.kind = FilterKind::Neighbourhood;
  FrameFilter light;
  light.kind = FilterKind::Light;
  FrameFilter rgb;
  rgb.kind = FilterKind::Rgb;
  rgb.ratio[0] = 100;
  struct Refusal {
    const char* label;
    FrameFilter filter;
    std::vector<uint8_t> first, frame;
    bool withWork;
  };
  const Refusal cases[] = {
      {"a wider frame than the first", rgb, Frame(8, 4, 24, 1), Frame(9, 4, 24, 1), true},
      {"a taller frame than the first", blur, Frame(8, 4, 24, 1), Frame(8, 5, 24, 1), true},
      {"another depth than the first", rgb, Frame(8, 4, 24, 1), Frame(8, 4, 32, 1), true},
      {"a frame cut short", rgb, Frame(8, 4, 24, 1), CutShort(Frame(8, 4, 24, 1)), true},
      {"8 bits for a copy kernel", blur, Frame(8, 4, 8, 1), Frame(8, 4, 8, 1), true},
      {"8 bits for the light", light, Frame(8, 4, 8, 1), Frame(8, 4, 8, 1), true},
      {"a copy kernel without its work buffer", blur, Frame(8, 4, 24, 1), Frame(8, 4, 24, 1),
       false},
  };
  for (const Refusal& c : cases) {
    std::vector<uint8_t> frame = c.frame;
    std::vector<uint8_t> work(c.first.size());
    FilterRun run;
    ASSERT_TRUE(
        StartFilterRun(&run, c.filter, ShapeOf(c.first), c.withWork ? work.data() : nullptr))
        << c.label;
    EXPECT_FALSE(ApplyFrameFilter(&run, frame.data(), frame.size())) << c.label;
    EXPECT_EQ(frame, c.frame) << c.label << ": the frame was changed";
  }
  // An 8-bit frame takes RGB correction through its colour table only.
  std::vector<uint8_t> palettised = Frame(8, 4, 8, 2), before = palettised;
  FilterRun run;
  ASSERT_TRUE(StartFilterRun(&run, rgb, ShapeOf(palettised), nullptr));
  EXPECT_TRUE(ApplyFrameFilter(&run, palettised.data(), palettised.size()));
  EXPECT_NE(std::vector<uint8_t>(palettised.begin() + 40, palettised.begin() + 1064),
            std::vector<uint8_t>(before.begin() + 40, before.begin() + 1064));
  EXPECT_EQ(std::vector<uint8_t>(palettised.begin() + 1064, palettised.end()),
            std::vector<uint8_t>(before.begin() + 1064, before.end()));
}

TEST(FrameFilter, ReadsTheShapeOfHeadersItCanLayOut) {
  struct Case {
    const char* label;
    int32_t width, height;
    uint32_t size;
    size_t bytes;
    bool ok;
    size_t frameBytes;
  };
  const Case cases[] = {
      {"24 bits, 1 pixel wide: a 4-byte row", 1, 3, 40, 40, true, 40 + 12},
      {"24 bits, 4 pixels wide: a 12-byte row", 4, 2, 40, 40, true, 40 + 24},
      {"zero width", 0, 3, 40, 40, false, 0},
      {"top-down (negative height)", 4, -2, 40, 40, false, 0},
      {"header size not 40", 4, 2, 108, 40, false, 0},
      {"fewer than 40 bytes", 4, 2, 40, 39, false, 0},
      {"rows past 2 GB", 65536, 16384, 40, 40, false, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> h(40, 0);
    PutU32(h.data(), c.size);
    PutU32(h.data() + 4, static_cast<uint32_t>(c.width));
    PutU32(h.data() + 8, static_cast<uint32_t>(c.height));
    PutU16(h.data() + 14, 24);
    FrameShape shape;
    EXPECT_EQ(ReadFrameShape(h.data(), c.bytes, &shape), c.ok) << c.label;
    if (c.ok) {
      EXPECT_EQ(FrameBytes(shape), c.frameBytes) << c.label;
    }
  }
}

TEST(FrameFilter, TopDownFramesAreTurnedBottomUp) {
  struct Case {
    const char* label;
    int width, height, bits;
  };
  const Case cases[] = {
      {"24 bits, 3 rows", 5, 3, 24},
      {"24 bits, 4 rows", 1, 4, 24},
      {"8 bits with its palette", 6, 5, 8},
      {"one row", 7, 1, 32},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bottomUp = Frame(c.width, c.height, c.bits, 9);
    std::vector<uint8_t> topDown = bottomUp;
    PutU32(topDown.data() + 8, static_cast<uint32_t>(-c.height));
    const size_t offset = bottomUp.size() - FrameImageBytes(ShapeOf(bottomUp));
    const size_t stride = static_cast<size_t>(DibStride(c.width, c.bits));
    for (int y = 0; y < c.height; ++y)
      std::copy_n(bottomUp.begin() + offset + y * stride, stride,
                  topDown.begin() + offset + (c.height - 1 - y) * stride);
    EXPECT_TRUE(MakeBottomUp(topDown.data(), topDown.size())) << c.label;
    EXPECT_EQ(topDown, bottomUp) << c.label;
    EXPECT_TRUE(MakeBottomUp(topDown.data(), topDown.size())) << c.label << ": again";
    EXPECT_EQ(topDown, bottomUp) << c.label << ": a bottom-up frame stays as it is";
  }
  std::vector<uint8_t> cut = Frame(4, 4, 24, 1);
  PutU32(cut.data() + 8, static_cast<uint32_t>(-4));
  cut.pop_back();
  EXPECT_FALSE(MakeBottomUp(cut.data(), cut.size())) << "rows past the end";
}

}  // namespace

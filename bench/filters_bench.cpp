// Frames per second of each image filter kernel on 640 x 480 24-bit frames,
// one thread. The frames come from the raw BGR file named by
// QUILVA_BENCH_FRAMES (as filters_vs_ffmpeg.sh makes them), else from noise.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/edge_extraction.h"
#include "editor/filters/filter_scratch.h"
#include "editor/filters/light_source.h"
#include "editor/filters/neighbourhood_filters.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr size_t kStride = kWidth * 3;
constexpr size_t kImage = kStride * kHeight;

// Packed 24-bit DIBs (header + rows, bottom-up as in the file's order reversed).
struct Frames {
  std::vector<std::vector<uint8_t>> dibs;
  Frames() {
    std::vector<uint8_t> raw;
    if (const char* path = std::getenv("QUILVA_BENCH_FRAMES")) {
      if (FILE* f = std::fopen(path, "rb")) {
        std::vector<uint8_t> frame(kImage);
        while (std::fread(frame.data(), 1, kImage, f) == kImage)
          raw.insert(raw.end(), frame.begin(), frame.end());
        std::fclose(f);
      }
    }
    if (raw.empty()) {
      std::mt19937 rng(1);
      raw.resize(4 * kImage);
      for (auto& b : raw) b = static_cast<uint8_t>(rng() >> 13);
    }
    for (size_t off = 0; off + kImage <= raw.size(); off += kImage) {
      std::vector<uint8_t> dib(40 + kImage);
      PutU32(&dib[0], 40);
      PutU32(&dib[4], kWidth);
      PutU32(&dib[8], kHeight);
      PutU16(&dib[12], 1);
      PutU16(&dib[14], 24);
      PutU32(&dib[20], static_cast<uint32_t>(kImage));
      // The raw file is top-down; a DIB's first row is the picture's bottom.
      for (int y = 0; y < kHeight; ++y) {
        std::memcpy(&dib[40 + y * kStride], &raw[off + (kHeight - 1 - y) * kStride], kStride);
      }
      dibs.push_back(std::move(dib));
    }
  }
};

Frames& AllFrames() {
  static Frames frames;
  return frames;
}

// One scratch for the run, reserved for the frame size as a whole-movie run does.
FilterScratch& Scratch() {
  static FilterScratch scratch = [] {
    FilterScratch s;
    FilterScratchReserve(s, kWidth, kHeight);
    return s;
  }();
  return scratch;
}

void Report(benchmark::State& state) {
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// In-place colour kernels run on a private copy of each frame.
template <class Kernel>
void ColourBench(benchmark::State& state, Kernel kernel) {
  auto frames = AllFrames().dibs;
  size_t i = 0;
  for (auto _ : state) {
    auto& dib = frames[i++ % frames.size()];
    kernel(dib.data(), dib.size());
    benchmark::DoNotOptimize(dib.data());
  }
  Report(state);
}

template <class Kernel>
void CopyBench(benchmark::State& state, Kernel kernel) {
  const auto& frames = AllFrames().dibs;
  std::vector<uint8_t> out(kImage);
  const FrameView dst{out.data(), kWidth, kHeight, static_cast<ptrdiff_t>(kStride)};
  size_t i = 0;
  for (auto _ : state) {
    const ConstFrameView src{frames[i++ % frames.size()].data() + 40, kWidth, kHeight,
                             static_cast<ptrdiff_t>(kStride)};
    kernel(src, dst, Scratch());
    benchmark::DoNotOptimize(out.data());
  }
  Report(state);
}

void BM_RgbCorrection(benchmark::State& s) {
  ColourBench(
      s, [](uint8_t* f, size_t n) { ApplyRgbCorrection(f, n, 250, 200, 255, false, true, false); });
}
void BM_YCrCbCorrection(benchmark::State& s) {
  ColourBench(s, [](uint8_t* f, size_t n) { ApplyYCrCbCorrection(f, n, 110, 90, 120); });
}
void BM_Contrast(benchmark::State& s) {
  ColourBench(s, [](uint8_t* f, size_t n) { ApplyContrast(f, n, 30); });
}
void BM_Gamma(benchmark::State& s) {
  ColourBench(s, [](uint8_t* f, size_t n) { ApplyGamma(f, n, 128, Scratch()); });
}
void BM_Grayscale(benchmark::State& s) {
  ColourBench(s, [](uint8_t* f, size_t n) { ApplyGrayscale(f, n); });
}
void BM_Pale(benchmark::State& s) {
  ColourBench(s, [](uint8_t* f, size_t n) { ApplyPale(f, n); });
}
void BM_BoxBlur(benchmark::State& s) {
  const auto r = static_cast<uint8_t>(s.range(0));
  CopyBench(s, [r](ConstFrameView src, FrameView dst, FilterScratch& scratch) {
    ApplyBoxBlur(src, dst, r, scratch);
  });
}
void BM_UnsharpMask(benchmark::State& s) {
  const auto r = static_cast<uint8_t>(s.range(0));
  CopyBench(s, [r](ConstFrameView src, FrameView dst, FilterScratch& scratch) {
    ApplyUnsharpMask(src, dst, r, scratch);
  });
}
void BM_Median(benchmark::State& s) {
  const auto passes = static_cast<uint8_t>(s.range(0));
  CopyBench(s, [passes](ConstFrameView src, FrameView dst, FilterScratch& scratch) {
    ApplyMedian(src, dst, passes, scratch);
  });
}
void BM_Watercolour(benchmark::State& s) {
  const auto k = static_cast<uint8_t>(s.range(0));
  CopyBench(s, [k](ConstFrameView src, FrameView dst, FilterScratch& scratch) {
    ApplyWatercolour(src, dst, k, scratch);
  });
}
void BM_EdgeExtraction(benchmark::State& s) {
  const auto op = static_cast<uint8_t>(s.range(0));
  CopyBench(s, [op](ConstFrameView src, FrameView dst, FilterScratch& scratch) {
    ApplyEdgeExtraction(src, dst, 50, op, scratch);
  });
}
void BM_CustomFilter(benchmark::State& s) {
  const CustomFilterPreset* emboss = FindCustomFilterPreset(1058);
  CopyBench(s, [emboss](ConstFrameView src, FrameView dst, FilterScratch& scratch) {
    ApplyCustomFilter(src, dst, emboss->coefficients, 1, 128, 128, 128, scratch);
  });
}
void BM_LightSource(benchmark::State& s) {
  auto frames = AllFrames().dibs;
  size_t i = 0;
  for (auto _ : s) {
    auto& dib = frames[i++ % frames.size()];
    ApplyLightSource({dib.data() + 40, kWidth, kHeight, static_cast<ptrdiff_t>(kStride)}, 320, 240,
                     LightReach(50, kWidth), 255, 200, 100);
    benchmark::DoNotOptimize(dib.data());
  }
  Report(s);
}

BENCHMARK(BM_RgbCorrection);
BENCHMARK(BM_YCrCbCorrection);
BENCHMARK(BM_Contrast);
BENCHMARK(BM_Gamma);
BENCHMARK(BM_Grayscale);
BENCHMARK(BM_Pale);
BENCHMARK(BM_BoxBlur)->Arg(1)->Arg(2)->Arg(5);
BENCHMARK(BM_UnsharpMask)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(BM_Median)->Arg(1)->Arg(3);
BENCHMARK(BM_Watercolour)->Arg(0)->Arg(4)->Arg(12)->Arg(24);
BENCHMARK(BM_EdgeExtraction)->Arg(kEdgeDifference)->Arg(kEdgeRoberts)->Arg(kEdgeSobel);
BENCHMARK(BM_CustomFilter);
BENCHMARK(BM_LightSource);

}  // namespace

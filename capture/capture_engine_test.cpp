#include "capture/capture_engine.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr int32_t kW = 1024, kH = 768;

TEST(CaptureSettingsTest, DefaultsRecordTheWholeScreenAt12PerSecondFlagCoded) {
  CaptureSettings s;
  s.reduction = 8;
  s.rangeX = 5;
  s.captureProc = nullptr;
  SetCaptureDefaults(&s, kW, kH);
  EXPECT_FALSE(NormalizeCaptureRange(&s, kW, kH));
  EXPECT_EQ(s.rangeX, 0);
  EXPECT_EQ(s.outputWidth, 1024);
  EXPECT_EQ(s.outputHeight, 768);
  EXPECT_EQ(s.rate, 12);
  EXPECT_EQ(s.scale, 1);
  EXPECT_EQ(s.tempCodec, kTempCodecFlagXor);
  EXPECT_EQ(s.captureProc, &IdleCaptureProc);
}

TEST(CaptureSettingsTest, NormalizeCaptureRange) {
  struct Row {
    const char* label;
    int32_t x, y, w, h, scale, rate;
    uint8_t reduction;
    bool corrected;
    int32_t wantX, wantY, wantW, wantH, wantScale, wantRate;
    uint8_t wantReduction;
    int32_t outW, outH;
  };
  const Row rows[] = {
      {"in range", 10, 20, 640, 480, 1, 12, 1, false, 10, 20, 640, 480, 1, 12, 1, 640, 480},
      {"1000 wide at 1/4", 0, 0, 1000, 400, 1, 12, 4, false, 0, 0, 1000, 400, 1, 12, 4, 250, 100},
      {"3 wide at 1/4", 0, 0, 3, 400, 1, 12, 4, false, 0, 0, 3, 400, 1, 12, 4, 0, 100},
      {"x past the screen", kW + 10, 0, 200, 100, 1, 12, 1, true, kW - 1, 0, 1, 100, 1, 12, 1, 1,
       100},
      {"negative start", -5, -7, 100, 100, 1, 12, 2, true, 0, 0, 100, 100, 1, 12, 2, 50, 50},
      {"y past the bottom", 0, 700, 100, 100, 1, 12, 1, true, 0, 700, 100, 68, 1, 12, 1, 100, 68},
      {"zero size", 0, 0, 0, -3, 1, 12, 1, true, 0, 0, kW, kH, 1, 12, 1, kW, kH},
      {"huge width", 10, 0, INT32_MAX, 10, 1, 12, 1, true, 10, 0, kW - 10, 10, 1, 12, 1, kW - 10,
       10},
      {"rate 0", 0, 0, 8, 8, 1, 0, 1, true, 0, 0, 8, 8, 1, 1, 1, 8, 8},
      {"scale -5", 0, 0, 8, 8, -5, 12, 1, true, 0, 0, 8, 8, 1, 12, 1, 8, 8},
      {"reduction 3", 0, 0, 8, 8, 1, 12, 3, true, 0, 0, 8, 8, 1, 12, 1, 8, 8},
      {"reduction 8", 0, 0, 17, 9, 1, 12, 8, false, 0, 0, 17, 9, 1, 12, 8, 2, 1},
  };
  for (const Row& r : rows) {
    CaptureSettings s;
    s.rangeX = r.x, s.rangeY = r.y, s.rangeWidth = r.w, s.rangeHeight = r.h;
    s.scale = r.scale, s.rate = r.rate, s.reduction = r.reduction;
    EXPECT_EQ(NormalizeCaptureRange(&s, kW, kH), r.corrected) << r.label;
    EXPECT_EQ(s.rangeX, r.wantX) << r.label;
    EXPECT_EQ(s.rangeY, r.wantY) << r.label;
    EXPECT_EQ(s.rangeWidth, r.wantW) << r.label;
    EXPECT_EQ(s.rangeHeight, r.wantH) << r.label;
    EXPECT_EQ(s.scale, r.wantScale) << r.label;
    EXPECT_EQ(s.rate, r.wantRate) << r.label;
    EXPECT_EQ(s.reduction, r.wantReduction) << r.label;
    EXPECT_EQ(s.outputWidth, r.outW) << r.label;
    EXPECT_EQ(s.outputHeight, r.outH) << r.label;
  }
}

TEST(CaptureSettingsTest, RangeCentredOnTheCursorStaysOnTheScreen) {
  struct Row {
    const char* label;
    int32_t cursorX, cursorY, wantX, wantY;
  };
  const Row rows[] = {
      {"top-left corner", 0, 0, 0, 0},
      {"bottom-right corner", kW - 1, kH - 1, kW - 320, kH - 240},
      {"centre", 512, 384, 352, 264},
      {"near the left", 100, 500, 0, 380},
      {"one short of the right edge", kW - 161, 300, kW - 321, 180},
  };
  for (const Row& r : rows) {
    CaptureSettings s;
    s.rangeWidth = 320, s.rangeHeight = 240;
    CentreRangeOnCursor(&s, r.cursorX, r.cursorY, kW, kH);
    EXPECT_EQ(s.rangeX, r.wantX) << r.label;
    EXPECT_EQ(s.rangeY, r.wantY) << r.label;
    EXPECT_GE(s.rangeX, 0) << r.label;
    EXPECT_LE(s.rangeX + s.rangeWidth, kW) << r.label;
    EXPECT_LE(s.rangeY + s.rangeHeight, kH) << r.label;
  }
}

TEST(CaptureEngineTest, FrameNumbers) {
  struct Row {
    const char* label;
    uint32_t elapsedMs;
    int32_t scale, rate, want;
  };
  const Row rows[] = {
      {"start", 0, 1, 12, 0},
      {"just before the first frame", 83, 1, 12, 0},
      {"first frame", 84, 1, 12, 1},
      {"one second", 1000, 1, 12, 12},
      {"rate 30000 / scale 1001", 1001, 1001, 30000, 30},
      // 2^32 / 12 ms is where a 32-bit product of elapsed time and rate wraps.
      {"past the 32-bit product", 400000000, 1, 12, 4800000},
      {"the clock's last millisecond", 0xFFFFFFFFu, 1, 12, 51539607},
      {"past the 32-bit product at 1000/s", 0xFFFFFFFFu, 1, 1000, INT32_MAX - 1},
  };
  for (const Row& r : rows)
    EXPECT_EQ(CaptureFrameNumber(r.elapsedMs, r.scale, r.rate), r.want) << r.label;
}

TEST(CaptureEngineTest, CursorScaledToTheOutput) {
  struct Row {
    const char* label;
    int32_t rangeW, rangeH;
    uint8_t reduction;
    int32_t x, y, cx, cy;
    CursorPlacement want;
  };
  const Row rows[] = {
      {"1/1", 640, 480, 1, 100, 50, 32, 32, {100, 50, 32, 32}},
      {"1/2: half offset, half size", 640, 480, 2, 100, 51, 32, 32, {50, 25, 16, 16}},
      {"1/4", 640, 480, 4, 101, 50, 32, 32, {25, 12, 8, 8}},
      {"1/2, hot spot above the range: toward zero", 640, 480, 2, -3, -5, 32, 32, {-1, -2, 16, 16}},
      {"odd range", 101, 99, 2, 100, 98, 32, 32, {49, 48, 15, 15}},
  };
  for (const Row& r : rows) {
    CaptureSettings s;
    s.rangeWidth = r.rangeW, s.rangeHeight = r.rangeH, s.reduction = r.reduction;
    NormalizeCaptureRange(&s, kW, kH);
    CursorPlacement got = ScaleCursorToOutput(s, r.x, r.y, r.cx, r.cy);
    EXPECT_EQ(got.x, r.want.x) << r.label;
    EXPECT_EQ(got.y, r.want.y) << r.label;
    EXPECT_EQ(got.width, r.want.width) << r.label;
    EXPECT_EQ(got.height, r.want.height) << r.label;
  }
}

TEST(CaptureEngineTest, FramePacerIntervals) {
  struct Row {
    const char* label;
    int32_t scale, rate;
    int64_t frequency, wantInterval;
  };
  const Row rows[] = {
      {"millisecond clock, 12/s: 83 + 3", 1, 12, 0, 86},
      {"millisecond clock, 30000/1001", 1001, 30000, 0, 36},
      {"counter at 10 MHz, 12/s", 1, 12, 10000000, 833333},
      // scale x frequency passes 32 bits.
      {"counter at 3 GHz, scale 1001", 1001, 30000, 3000000000, 100100000},
      {"rate 0 taken as 1", 1, 0, 0, 1003},
  };
  for (const Row& r : rows) {
    FramePacer p;
    FramePacerStart(&p, r.scale, r.rate, r.frequency, 5000);
    EXPECT_EQ(p.interval, r.wantInterval) << r.label;
    EXPECT_EQ(p.deadline, 5000 + r.wantInterval) << r.label;
    EXPECT_EQ(p.highResolution, r.frequency > 0) << r.label;
  }
}

// The pacer on the millisecond clock at 12 per second (86 ms), driven by a
// simulated clock; each grab takes `grabMs`. Returns when each grab started.
std::vector<int64_t> GrabStarts(int64_t grabMs, int64_t untilMs) {
  FramePacer p;
  FramePacerStart(&p, 1, 12, 0, 0);
  std::vector<int64_t> starts;
  for (int64_t now = 0; now < untilMs;) {
    if (FramePacerDue(&p, now)) {
      starts.push_back(now);
      now += grabMs;
    } else {
      ++now;
    }
  }
  return starts;
}

TEST(CaptureEngineTest, FramePacerRunsAtMostOncePerCheckAndNeverCatchesUp) {
  std::vector<int64_t> quick = GrabStarts(1, 1000);
  ASSERT_EQ(quick.size(), 11u);
  EXPECT_EQ(quick[0], 87);
  for (size_t i = 1; i < quick.size(); ++i) EXPECT_EQ(quick[i] - quick[i - 1], 87) << i;

  // A grab of three intervals: the next one starts as soon as it returns, and
  // nothing is made up afterwards.
  std::vector<int64_t> slow = GrabStarts(3 * 86, 1000);
  ASSERT_GE(slow.size(), 3u);
  EXPECT_EQ(slow[1] - slow[0], 3 * 86);
  EXPECT_EQ(slow[2] - slow[1], 3 * 86);
  const int32_t first = CaptureFrameNumber(static_cast<uint32_t>(slow[0]), 1, 12);
  const int32_t second = CaptureFrameNumber(static_cast<uint32_t>(slow[1]), 1, 12);
  EXPECT_GE(second - first, 2);
  EXPECT_LE(second - first, 4);
}

TEST(CaptureEngineTest, FramePacerWaitTime) {
  FramePacer p;
  FramePacerStart(&p, 1, 12, 10000000, 0);  // deadline 833333 ticks = 83.3 ms
  EXPECT_EQ(FramePacerMillisecondsLeft(p, 0), 84u);
  EXPECT_EQ(FramePacerMillisecondsLeft(p, 833332), 1u);
  EXPECT_EQ(FramePacerMillisecondsLeft(p, 833334), 0u);
  FramePacerStart(&p, 1, 12, 0, 100);
  EXPECT_EQ(FramePacerMillisecondsLeft(p, 100), 86u);
}

TEST(CaptureEngineTest, BitmapSequenceNames) {
  std::tm t{};
  t.tm_mon = 11, t.tm_mday = 8, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 7;
  struct Row {
    const char* label;
    const char* tempPath;
    const char* folder;
  };
  const Row rows[] = {
      {"drive and folder", "C:\\rec\\1208090507.tmp", "C:\\rec\\12_08_09_05_07"},
      {"bare name", "1208090507.tmp", "12_08_09_05_07"},
  };
  for (const Row& r : rows) {
    BitmapSequenceNames n = MakeBitmapSequenceNames(r.tempPath, t);
    EXPECT_EQ(n.folder, r.folder) << r.label;
    EXPECT_EQ(n.nameTemplate, std::string(r.folder) + "\\%.10d.bmp") << r.label;
    EXPECT_EQ(BitmapSequenceFileName(n, 0), std::string(r.folder) + "\\0000000000.bmp") << r.label;
    EXPECT_EQ(BitmapSequenceFileName(n, 4294967295u), std::string(r.folder) + "\\4294967295.bmp")
        << r.label;
  }
}

}  // namespace

#include "recorder/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

// Little-endian value of `size` bytes at `offset`.
void Poke(Bytes& b, size_t offset, size_t size, uint32_t value) {
  for (size_t i = 0; i < size; ++i) b[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Field {
  size_t offset, size;
  uint32_t value;
  const char* name;
};

// One recorder's settings and the file they make, field by field.
const Field kFields[] = {
    {0, 1, 1, "useDirectDraw"},
    {1, 1, 2, "tempCodec"},
    {2, 4, 15, "rate"},
    {6, 4, 2, "scale"},
    {10, 4, 16, "rangeX"},
    {14, 4, 32, "rangeY"},
    {18, 4, 640, "rangeWidth"},
    {22, 4, 480, "rangeHeight"},
    {26, 1, 4, "reduction"},
    {27, 1, 1, "drawCursor"},
    {28, 1, 2, "regionMode"},
    {29, 4, 22050, "sampleRate"},
    {33, 4, 16, "bitsPerSample"},
    {37, 4, 2, "channels"},
    {41, 1, 0, "bitmapSequence"},
    {42, 1, 1, "recordSound"},
    {43, 1, 1, "saveWithDialog"},
    {44, 1, 1, "clientOnly"},
    {45, 1, 0, "useActiveWindow"},
    {46, 1, 0, "mainWindowVisible"},
    {47, 1, 1, "detailsExpanded"},
    {48, 2, 0x0653, "hotkeyStart Ctrl+Shift+S"},
    {50, 2, 0x0245, "hotkeyStop"},
    {52, 2, 0x0448, "hotkeyHide Alt+H"},
    {54, 4, 0xFFFFFFF6, "windowX -10"},
    {58, 4, 100, "windowY"},
    {62, 1, 0, "showProgress"},
    {63, 1, 1, "saveAfterRecording"},
};

void FillSettings(CaptureSettings* c, SoundFormat* s, AppSettings* a) {
  *c = CaptureSettings{};
  c->useDirectDraw = 1;
  c->tempCodec = 2;
  c->rate = 15;
  c->scale = 2;
  c->rangeX = 16;
  c->rangeY = 32;
  c->rangeWidth = 640;
  c->rangeHeight = 480;
  c->reduction = 4;
  c->drawCursor = 1;
  c->regionMode = 2;
  *s = SoundFormat{22050, 16, 2};
  c->bitmapSequence = 0;
  c->recordSound = 1;
  a->saveWithDialog = 1;
  c->clientOnly = 1;
  c->useActiveWindow = 0;
  a->mainWindowVisible = 0;
  a->detailsExpanded = 1;
  a->hotkeyStart = 0x0653;
  a->hotkeyStop = 0x0245;
  a->hotkeyHide = 0x0448;
  a->windowX = -10;
  a->windowY = 100;
  a->showProgress = 0;
  a->saveAfterRecording = 1;
  a->tempFolder = "C:";
  a->saveFolder = "D:\\clip";
}

Bytes ExpectedFile() {
  Bytes b(83, 0xEE);  // a byte no field sets stays 0xEE and fails the comparison
  for (const Field& f : kFields) Poke(b, f.offset, f.size, f.value);
  Poke(b, 64, 4, 3);  // "C:" and its zero byte
  const uint8_t temp[] = {'C', ':', 0};
  std::copy(std::begin(temp), std::end(temp), b.begin() + 68);
  Poke(b, 71, 4, 8);  // "D:\clip" and its zero byte
  const uint8_t save[] = {'D', ':', '\\', 'c', 'l', 'i', 'p', 0};
  std::copy(std::begin(save), std::end(save), b.begin() + 75);
  return b;
}

struct Loaded {
  CaptureSettings capture;
  SoundFormat sound;
  AppSettings app;
};
Loaded LoadOverDefaults(const Bytes& file) {
  Loaded l;
  SetRecorderDefaults(&l.capture, &l.sound, &l.app, 1024, 768, "C:\\rec\\recorder.exe");
  ReadSettingsFileBytes(file.data(), file.size(), &l.capture, &l.sound, &l.app, 1024, 768, nullptr);
  return l;
}
}  // namespace

TEST(SettingsFile, BytesFollowTheFieldTableAndTwoShortFoldersMake83Bytes) {
  CaptureSettings c;
  SoundFormat s;
  AppSettings a;
  FillSettings(&c, &s, &a);
  const Bytes expected = ExpectedFile();
  const Bytes written = SettingsFileBytes(c, s, a, nullptr);
  ASSERT_EQ(written.size(), 83u);
  for (const Field& f : kFields)
    EXPECT_TRUE(std::equal(written.begin() + f.offset, written.begin() + f.offset + f.size,
                           expected.begin() + f.offset))
        << f.name;
  EXPECT_EQ(written, expected);

  // Read back over the defaults, everything returns.
  const Loaded l = LoadOverDefaults(written);
  EXPECT_EQ(SettingsFileBytes(l.capture, l.sound, l.app, nullptr), written);
  EXPECT_EQ(l.capture.outputWidth, 160) << "the range is normalised: 640 / 4";
}

TEST(SettingsFile, ShortAndDamagedFilesKeepTheDefaultsOfWhatTheyDoNotHoldWhole) {
  CaptureSettings c;
  SoundFormat s;
  AppSettings a;
  FillSettings(&c, &s, &a);
  const Bytes whole = SettingsFileBytes(c, s, a, nullptr);
  const std::string program = "C:\\rec\\recorder.exe";

  struct Case {
    const char* label;
    Bytes file;
    int32_t rate, scale, rangeWidth;
    uint8_t reduction;
    uint16_t hotkeyStart;
    std::string tempFolder, saveFolder;
  };
  auto cut = [&](size_t n) { return Bytes(whole.begin(), whole.begin() + n); };
  auto with = [&](size_t offset, uint32_t value) {
    Bytes b = whole;
    Poke(b, offset, 4, value);
    return b;
  };
  const Case cases[] = {
      {"empty file", {}, 12, 1, 1024, 1, 0x0253, program, program},
      {"first 10 bytes", cut(10), 15, 2, 1024, 1, 0x0253, program, program},
      {"cut inside scale", cut(8), 15, 1, 1024, 1, 0x0253, program, program},
      {"scale 0 becomes 1", with(6, 0), 15, 1, 640, 4, 0x0653, "C:", "D:\\clip"},
      {"whole fixed part only", cut(64), 15, 2, 640, 4, 0x0653, program, program},
      {"cut inside the temp folder", cut(70), 15, 2, 640, 4, 0x0653, program, program},
      {"cut inside the save folder", cut(80), 15, 2, 640, 4, 0x0653, "C:", program},
      {"temp length past 260", with(64, 261), 15, 2, 640, 4, 0x0653, program, program},
      {"temp length near 4 GiB", with(64, 0xFFFFFFF0), 15, 2, 640, 4, 0x0653, program, program},
      {"temp length 0", with(64, 0), 15, 2, 640, 4, 0x0653, program, program},
      {"save length past 260", with(71, 1000), 15, 2, 640, 4, 0x0653, "C:", program},
      {"save length past the file", with(71, 9), 15, 2, 640, 4, 0x0653, "C:", program},
  };
  for (const Case& k : cases) {
    const Loaded l = LoadOverDefaults(k.file);
    EXPECT_EQ(l.capture.rate, k.rate) << k.label;
    EXPECT_EQ(l.capture.scale, k.scale) << k.label;
    EXPECT_EQ(l.capture.rangeWidth, k.rangeWidth) << k.label;
    EXPECT_EQ(l.capture.reduction, k.reduction) << k.label;
    EXPECT_EQ(l.app.hotkeyStart, k.hotkeyStart) << k.label;
    EXPECT_EQ(l.app.tempFolder, k.tempFolder) << k.label;
    EXPECT_EQ(l.app.saveFolder, k.saveFolder) << k.label;
  }
  const Loaded first10 = LoadOverDefaults(cut(10));
  EXPECT_EQ(first10.capture.useDirectDraw, 1);
  EXPECT_EQ(first10.capture.tempCodec, 2);
  EXPECT_EQ(first10.app.windowX, 1024) << "unread: the screen width, which centres the window";
  EXPECT_EQ(first10.sound, SoundFormat{});
}

TEST(SettingsFile, AFolderWithoutItsZeroByteOrWithTextAfterItEndsAtTheFirstZero) {
  CaptureSettings c;
  SoundFormat s;
  AppSettings a;
  SetRecorderDefaults(&c, &s, &a, 1024, 768, "P");
  Bytes b = SettingsFileBytes(c, s, a, nullptr);
  b.resize(64);
  const uint8_t folders[] = {4, 0, 0, 0, 'A', 'B', 0, 'x', 2, 0, 0, 0, 'Q', 'R'};
  b.insert(b.end(), std::begin(folders), std::end(folders));
  ReadSettingsFileBytes(b.data(), b.size(), &c, &s, &a, 1024, 768, nullptr);
  EXPECT_EQ(a.tempFolder, "AB");
  EXPECT_EQ(a.saveFolder, "QR") << "no zero byte: the stored length is all there is";

  b.resize(64);
  b.insert(b.end(), {4, 1, 0, 0});  // 260 bytes, none of them zero
  b.insert(b.end(), 260, 'z');
  ReadSettingsFileBytes(b.data(), b.size(), &c, &s, &a, 1024, 768, nullptr);
  EXPECT_EQ(a.tempFolder, std::string(259, 'z')) << "room is left for the zero byte";
}

TEST(SettingsFile, DamagedChoicesFallBackAndTheRangeIsClampedToTheScreen) {
  CaptureSettings c;
  SoundFormat s;
  AppSettings a;
  FillSettings(&c, &s, &a);
  Bytes b = SettingsFileBytes(c, s, a, nullptr);
  b[1] = 7;                    // tempCodec
  b[26] = 3;                   // reduction
  b[28] = 9;                   // regionMode
  Poke(b, 10, 4, 5000);        // rangeX past the screen
  Poke(b, 18, 4, 0x7FFFFFFF);  // rangeWidth
  const Loaded l = LoadOverDefaults(b);
  EXPECT_EQ(l.capture.tempCodec, kTempCodecDefault);
  EXPECT_EQ(l.capture.reduction, 1);
  EXPECT_EQ(l.capture.regionMode, kRegionFixed);
  EXPECT_EQ(l.capture.rangeX, 1023);
  EXPECT_EQ(l.capture.rangeWidth, 1);
}

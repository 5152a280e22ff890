// The stream commands under Wine, driven through their real dialogs on movies
// written here. Outputs stay in a folder of the build with the frames and
// stream headers they must hold, for the ffmpeg check run from the host.
#include "editor/streams/streams_win.h"

#include "editor/pipeline/output_movie_win.h"
#include "editor/pipeline/pipeline_test_movies_win.h"
#include "platform/avi/avi_frame.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/streams/streams_resource.h"
#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

namespace {

constexpr char kUncompressed[] = "Full Frames (Uncompressed)";

std::string OutputFolder() {
  std::wstring folder = ProgramPath(STREAMS_OUTPUT_DIR);
  CreateDirectoryW(folder.c_str(), nullptr);
  return Narrow(folder) + "\\";
}

void WriteText(const std::string& path, const std::string& text) {
  FILE* f = _wfopen(Widen(path).c_str(), L"wb");
  ASSERT_TRUE(f) << path;
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Smooth 24-bit pictures: blue across, green down, red by the frame, so a
// scaled frame can be compared with an average of the source's pixels.
TestMovie SmoothMovie(int width, int height, int frames) {
  TestMovie m;
  m.width = width, m.height = height, m.frames = frames;
  m.pixels = [width, height](int i) {
    const int stride = static_cast<int>(DibStride(width, 24));
    std::vector<uint8_t> p(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* px = p.data() + y * stride + x * 3;
        px[0] = static_cast<uint8_t>(x * 200 / width + 20);
        px[1] = static_cast<uint8_t>(y * 200 / height + 30);
        px[2] = static_cast<uint8_t>(40 + i * 50);
      }
    return p;
  };
  return m;
}

struct Frame24 {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // bottom-up rows, padded
  int At(int x, int y, int c) const {
    return pixels[static_cast<size_t>(y) * DibStride(width, 24) + x * 3 + c];
  }
};

Frame24 Unpack(const std::vector<uint8_t>& packed) {
  BitmapHeader h;
  BitmapHeaderRead(packed.data(), packed.size(), h);
  Frame24 f;
  f.width = h.biWidth, f.height = h.biHeight;
  f.pixels.assign(packed.begin() + 40, packed.end());
  return f;
}

// ---- Resize ----------------------------------------------------------------

struct ResizeCase {
  const char* name;
  TestMovie movie;
  const char* percent;
  int width, height;    // of the copy
  MessageAnswer sound;  // Ok: the movie has none, nothing is asked
};

TEST(Resize, FramesScaledExactlyInSizeAndTheSoundAsAnswered) {
  const std::string folder = OutputFolder();
  TestMovie withSound = SmoothMovie(32, 24, 3);
  withSound.soundSamples = 2000;
  TestMovie halfWithSound = SmoothMovie(40, 30, 3);
  halfWithSound.soundSamples = 2000;
  const ResizeCase cases[] = {
      {"resize100", withSound, "100", 32, 24, MessageAnswer::Yes},
      {"resize50", halfWithSound, "50", 20, 15, MessageAnswer::No},
      {"resize150", SmoothMovie(21, 10, 2), "150", 31, 15, MessageAnswer::Ok},
  };
  for (const ResizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = folder + c.name + "_source.avi";
    const std::string output = folder + c.name + ".avi";
    ASSERT_TRUE(WriteTestMovie(source, c.movie));
    DeleteFileW(Widen(output).c_str());
    TestPlayer player(source);
    DialogScript script;
    script
        .Dialog(IDD_RESIZE,
                [&](DialogHandle& d) {
                  EXPECT_EQ(d.Caption(), "サイズの変更");
                  EXPECT_EQ(d.Text(IDC_RESIZE_PERCENT), "100");
                  EXPECT_EQ(d.UpDownPos(IDC_RESIZE_UPDOWN), 100);
                  d.SetText(IDC_RESIZE_PERCENT, c.percent);
                  d.Click(IDC_RESIZE_OK);
                })
        .SaveFile(output)
        .ChooseCompressor(kUncompressed);
    if (c.sound != MessageAnswer::Ok) script.Message(kTitleByTheWay, kMessageSaveAudio, c.sound);
    script.Message("(^__^)", "終了です");
    DialogDriver driver(script);
    EXPECT_TRUE(RunResizeDialog(player.main()));
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);

    const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
    ASSERT_EQ(written.size(), static_cast<size_t>(c.movie.frames));
    for (int i = 0; i < c.movie.frames; ++i) {
      const Frame24 f = Unpack(written[i]);
      ASSERT_EQ(f.width, c.width);
      ASSERT_EQ(f.height, c.height);
      // Against the source pixels the output pixel covers, averaged: a
      // reference free of the platform's halftone.
      std::vector<uint8_t> source = TestMovieFormat(c.movie);
      const std::vector<uint8_t> pixels = TestMoviePixels(c.movie, i);
      source.insert(source.end(), pixels.begin(), pixels.end());
      const Frame24 s = Unpack(source);
      int worst = 0;
      for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
          for (int ch = 0; ch < 3; ++ch) {
            const int x0 = x * s.width / f.width,
                      x1 = std::max(x0 + 1, (x + 1) * s.width / f.width);
            const int y0 = y * s.height / f.height,
                      y1 = std::max(y0 + 1, (y + 1) * s.height / f.height);
            int sum = 0, n = 0;
            for (int sy = y0; sy < y1; ++sy)
              for (int sx = x0; sx < x1; ++sx) sum += s.At(sx, sy, ch), ++n;
            worst = std::max(worst, std::abs(f.At(x, y, ch) - sum / n));
          }
      EXPECT_LE(worst, 12) << "frame " << i;
    }
    const std::vector<uint8_t> sound = ReadSound(output);
    if (c.sound == MessageAnswer::Yes)
      EXPECT_EQ(sound, TestMoviePcm(c.movie));
    else
      EXPECT_TRUE(sound.empty());
    WriteText(output + ".probe", "stream=width,height\n" + std::to_string(c.width) + "," +
                                     std::to_string(c.height) + "\n");
  }
}

TEST(Resize, APercentThatLeavesNoPixelIsRefusedAndZeroBecomesOne) {
  const std::string folder = OutputFolder();
  const std::string source = folder + "tiny_source.avi";
  const std::string output = folder + "tiny.avi";
  ASSERT_TRUE(WriteTestMovie(source, SmoothMovie(40, 30, 2)));
  DeleteFileW(Widen(output).c_str());
  TestPlayer player(source);
  DialogScript script;
  script
      .Dialog(IDD_RESIZE,
              [&](DialogHandle& d) {
                d.SetText(IDC_RESIZE_PERCENT, "0");
                EXPECT_EQ(d.Text(IDC_RESIZE_PERCENT), "1");
                EXPECT_EQ(d.UpDownPos(IDC_RESIZE_UPDOWN), 1);
                d.Click(IDC_RESIZE_OK);
                EXPECT_TRUE(d.IsOpen());  // a failed run leaves it open for another try
                d.Click(IDC_RESIZE_CANCEL);
              })
      .SaveFile(output)
      .Message(kTitleMayNot, kMessageResizeTooSmall);
  DialogDriver driver(script);
  EXPECT_FALSE(RunResizeDialog(player.main()));
  driver.Finish();
  EXPECT_FALSE(Exists(output));
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
}

}  // namespace

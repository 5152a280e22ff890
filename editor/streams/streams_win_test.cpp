// The stream commands under Wine, driven through their real dialogs on movies
// written here. Outputs stay in a folder of the build with the frames and
// stream headers they must hold, for the ffmpeg check run from the host.
#include "editor/streams/streams_win.h"

#include "editor/pipeline/output_movie_win.h"
#include "editor/pipeline/pipeline_test_movies_win.h"
#include "platform/avi/avi_frame.h"
#include "platform/avi/avi_handles_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/streams/streams_resource.h"
#include "testing/dialog_driver_win.h"
#include "testing/drop_files_win.h"
#include "testing/file_bytes.h"
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
TestMovie SmoothMovie(int width, int height, int frames, int bits = 24) {
  TestMovie m;
  m.width = width, m.height = height, m.frames = frames, m.bits = bits;
  m.pixels = [width, height, bits](int i) {
    const int stride = static_cast<int>(DibStride(width, bits));
    std::vector<uint8_t> p(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* px = p.data() + y * stride + x * (bits / 8);
        px[0] = static_cast<uint8_t>(x * 200 / width + 20);
        px[1] = static_cast<uint8_t>(y * 200 / height + 30);
        px[2] = static_cast<uint8_t>(40 + i * 50);
      }
    return p;
  };
  return m;
}

struct Frame24 {
  int width = 0, height = 0, bits = 24;
  std::vector<uint8_t> pixels;  // bottom-up rows, padded
  int At(int x, int y, int c) const {
    return pixels[static_cast<size_t>(y) * DibStride(width, bits) + x * (bits / 8) + c];
  }
};

// A 24- or 32-bit packed DIB.
Frame24 Unpack(const std::vector<uint8_t>& packed) {
  BitmapHeader h;
  BitmapHeaderRead(packed.data(), packed.size(), h);
  Frame24 f;
  f.width = h.biWidth, f.height = h.biHeight, f.bits = h.biBitCount;
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
      // Not 24-bit: drawn through the platform's halftone stretch.
      {"resize50_32bit", SmoothMovie(40, 30, 2, 32), "50", 20, 15, MessageAnswer::Ok},
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

// Rows top-down without padding: what ffmpeg decodes a 24-bit frame to as bgr24.
std::vector<uint8_t> TopDownRows(const std::vector<uint8_t>& packed) {
  const Frame24 f = Unpack(packed);
  const size_t stride = static_cast<size_t>(DibStride(f.width, 24));
  std::vector<uint8_t> out;
  for (int y = f.height - 1; y >= 0; --y) {
    const uint8_t* p = f.pixels.data() + y * stride;
    out.insert(out.end(), p, p + static_cast<size_t>(f.width) * 3);
  }
  return out;
}

void WriteExpectedFrames(const std::string& movie,
                         const std::vector<std::vector<uint8_t>>& frames) {
  std::string rows;
  for (const std::vector<uint8_t>& f : frames) {
    const std::vector<uint8_t> r = TopDownRows(f);
    rows.append(r.begin(), r.end());
  }
  WriteText(movie + ".bgr24", rows);
}

// A 16 x 12 movie whose frame i is flat grey of levels[i] with a small ripple.
TestMovie LevelMovie(std::vector<int> levels) {
  TestMovie m;
  m.width = 16, m.height = 12, m.frames = static_cast<int>(levels.size());
  m.pixels = [levels](int i) {
    const size_t stride = static_cast<size_t>(DibStride(16, 24));
    std::vector<uint8_t> p(stride * 12, 0);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 48; ++x)
        p[y * stride + x] = static_cast<uint8_t>(levels[i] + (x + y) % 3);
    return p;
  };
  return m;
}

std::vector<std::string> SplitTitles(const std::vector<std::string>& titles) {
  std::vector<std::string> out;
  for (const std::string& t : titles)
    if (t.find('%') == std::string::npos) out.push_back(t);
  return out;
}

// ---- Automatic split -------------------------------------------------------

TEST(Split, PartsStartAtEachHardCutAndRunToTheEnd) {
  const std::string folder = OutputFolder();
  struct Case {
    const char* name;
    std::vector<int> levels;
    std::vector<std::pair<int, int>> parts;  // first frame, count
  } cases[] = {
      // Three hard cuts (at 3, 5 and 8); the ripple and a rise of one level
      // a frame are no scene change.
      {"cuts", {20, 21, 22, 200, 201, 30, 31, 32, 220, 221}, {{0, 3}, {3, 2}, {5, 3}, {8, 2}}},
      {"still", {50, 51, 52, 53}, {{0, 4}}},  // no change: one part, the whole movie
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = folder + c.name + ".avi";
    const TestMovie movie = LevelMovie(c.levels);
    ASSERT_TRUE(WriteTestMovie(source, movie));
    const std::string parts = folder + c.name + "\\";
    for (int k = 0; k < 8; ++k)
      DeleteFileW(Widen(parts + "_" + std::to_string(k) + ".AVI").c_str());
    ASSERT_TRUE(SetCurrentDirectoryW(Widen(folder).c_str()));
    TestPlayer player(source);
    DialogScript script;
    script.ChooseCompressor(kUncompressed).Message(kTitleGlad, kMessageSplitDone);
    DialogDriver driver(script);
    EXPECT_TRUE(SplitAtSceneChanges());
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
    EXPECT_EQ(SplitTitles(player.titles()),
              (std::vector<std::string>{"計算中", "計算終了", "分割開始", "分割終了"}));

    const std::vector<std::vector<uint8_t>> frames = ReadPackedFrames(source);
    for (size_t k = 0; k < c.parts.size(); ++k) {
      const std::string part = parts + "_" + std::to_string(k) + ".AVI";
      const std::vector<std::vector<uint8_t>> expected(
          frames.begin() + c.parts[k].first, frames.begin() + c.parts[k].first + c.parts[k].second);
      EXPECT_EQ(ReadPackedFrames(part), expected) << part;
      WriteExpectedFrames(part, expected);
    }
    EXPECT_FALSE(Exists(parts + "_" + std::to_string(c.parts.size()) + ".AVI"));
  }
}

// With more than one processor the frames are summed by several readers, each
// a run of them; cuts on the runs' edges (20 and 40 of 80) and a dropped frame
// (which the frame reader hands over as the one before) must come out as one
// reader finds them.
TEST(Split, ReadersSharingTheFramesFindTheScenesOneReaderFinds) {
  std::vector<int> levels(80);
  for (int i = 0; i < 80; ++i) levels[i] = (i < 20 ? 20 : i < 40 ? 180 : i < 61 ? 20 : 200) + i % 2;
  const TestMovie movie = LevelMovie(levels);
  std::vector<std::vector<uint8_t>> samples;
  for (int i = 0; i < movie.frames; ++i) samples.push_back(TestMoviePixels(movie, i));
  samples[50].clear();
  const std::string source = OutputFolder() + "scan_shares.avi";
  ASSERT_TRUE(WriteRawMovie(source, TestMovieFormat(movie), samples));
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  EXPECT_GT(system.dwNumberOfProcessors, 1u) << "one reader only: the shares go untested";
  for (const std::wstring& path : {Widen(source), std::wstring()}) {
    SCOPED_TRACE(path.empty() ? "one reader" : "shared");
    ScopedAviServices services;
    UniqueAviStream video;
    ASSERT_EQ(ownavi::AVIStreamOpenFromFileW(video.put(), Widen(source).c_str(), streamtypeVIDEO, 0,
                                             OF_SHARE_DENY_WRITE, nullptr),
              0);
    std::vector<int32_t> scenes;
    EXPECT_TRUE(FindSceneChanges(video.get(), path, &scenes));
    EXPECT_EQ(scenes, (std::vector<int32_t>{20, 40, 61, 80}));
  }
}

TEST(Split, RefusesWhatItCannotScan) {
  const std::string folder = OutputFolder();
  TestMovie paletted;
  paletted.bits = 8;
  const std::string eightBit = folder + "paletted.avi";
  ASSERT_TRUE(WriteTestMovie(eightBit, paletted));
  struct Case {
    std::string file;
    const char* title;
    const char* text;
  } cases[] = {
      {"", kTitleCannotSay, kMessageNoFile},
      {eightBit, kTitleApology, kMessageOnly24BitRun},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TestPlayer player(c.file);
    DialogScript script;
    script.Message(c.title, c.text);
    DialogDriver driver(script);
    EXPECT_FALSE(SplitAtSceneChanges());
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
  }
}

// ---- Joining many ----------------------------------------------------------

TEST(JoinMany, JoinsTheListInItsOrderAfterMovesDropsAndDeletes) {
  const std::string folder = OutputFolder();
  const std::string a = folder + "join_a.avi", b = folder + "join_b.avi", c = folder + "join_c.avi";
  ASSERT_TRUE(WriteTestMovie(a, LevelMovie({10, 11})));
  ASSERT_TRUE(WriteTestMovie(b, LevelMovie({100, 101, 102})));
  ASSERT_TRUE(WriteTestMovie(c, LevelMovie({200})));
  const std::string missing = folder + "a_movie_with_a_rather_long_name_that_is_not_there.AVI";
  const std::string output = folder + "joined.avi";
  DeleteFileW(Widen(output).c_str());
  TestPlayer player("");
  DialogScript script;
  script
      .Dialog(IDD_JOIN_MANY,
              [&](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "複数のAVIを一気に結合する");
                d.Click(IDC_JOIN_ADD);
                d.Click(IDC_JOIN_ADD);
                // Dropped: only ".AVI" names, in drop order.
                SendMessageW(d.window(), WM_DROPFILES,
                             reinterpret_cast<WPARAM>(MakeDrop({folder + "notes.txt", missing, c})),
                             0);
                EXPECT_EQ(d.Entries(IDC_JOIN_LIST), (std::vector<std::string>{a, b, missing, c}));
                HDC dc = GetDC(d.window());
                SIZE longest{};
                const std::wstring wide = Widen(missing);
                GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &longest);
                ReleaseDC(d.window(), dc);
                EXPECT_EQ(SendMessageW(d.Item(IDC_JOIN_LIST), LB_GETHORIZONTALEXTENT, 0, 0),
                          longest.cx + GetSystemMetrics(SM_CXVSCROLL));
                d.Click(IDC_JOIN_JOIN);  // the missing movie: the dialog stays
                EXPECT_TRUE(d.IsOpen());
                d.SelectIndex(IDC_JOIN_LIST, 2);
                d.Click(IDC_JOIN_DELETE);
                d.SelectIndex(IDC_JOIN_LIST, 2);
                d.Click(IDC_JOIN_UP);
                d.Click(IDC_JOIN_UP);
                d.Click(IDC_JOIN_UP);  // not past the top
                EXPECT_EQ(d.Selected(IDC_JOIN_LIST), 0);
                d.SelectIndex(IDC_JOIN_LIST, 2);
                d.Click(IDC_JOIN_DOWN);  // not past the bottom
                d.SelectIndex(IDC_JOIN_LIST, 1);
                d.Click(IDC_JOIN_DOWN);
                d.Click(IDC_JOIN_UP);
                EXPECT_EQ(d.Selected(IDC_JOIN_LIST), 1);
                EXPECT_EQ(d.Entries(IDC_JOIN_LIST), (std::vector<std::string>{c, a, b}));
                d.Click(IDC_JOIN_JOIN);
              })
      .System(DriverDialogKind::FileDialog,
              [&](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "結合するAVIファイルを設定");
                d.EnterFileName(a);
              })
      .OpenFile(b)
      .Message(kTitleOh, missing + "\nが開けませんでした。")
      .SaveFile(output)
      .ChooseCompressor(kUncompressed)
      .Message("一安心ですわ", "見事に成功しましたわ。");
  DialogDriver driver(script);
  EXPECT_TRUE(RunJoinManyDialog(player.main()));
  driver.Finish();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);

  std::vector<std::vector<uint8_t>> expected;
  for (const std::string& part : {c, a, b})
    for (const std::vector<uint8_t>& f : ReadPackedFrames(part)) expected.push_back(f);
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_EQ(ReadPackedFrames(output), expected);
  WriteExpectedFrames(folder + "joined.AVI", expected);  // the name the save gives it
}

// ---- Stream information ----------------------------------------------------

TEST(StreamInfo, EditedHeadersAreSavedInACopy) {
  const std::string folder = OutputFolder();
  TestMovie movie = LevelMovie({10, 20, 30});
  movie.soundSamples = 4000;
  const std::string source = folder + "info_source.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  DeleteFileW(Widen(folder + "info.AVI").c_str());
  TestPlayer player(source);
  DialogScript script;
  script
      .Dialog(IDD_STREAM_INFO,
              [&](DialogHandle& d) {
                EXPECT_EQ(d.Text(IDC_INFO_VIDEO_RATE), "10");
                EXPECT_EQ(d.Text(IDC_INFO_VIDEO_SCALE), "1");
                EXPECT_EQ(d.Text(IDC_INFO_VIDEO_QUALITY), "-1");
                EXPECT_EQ(d.ScrollPos(IDC_INFO_QUALITY_BAR), 0);
                EXPECT_EQ(d.Text(IDC_INFO_VIDEO_RIGHT), "16");
                EXPECT_EQ(d.Text(IDC_INFO_AUDIO_RATE), "32000");
                for (int id : {IDC_INFO_VIDEO_RATE, IDC_INFO_VIDEO_SCALE, IDC_INFO_AUDIO_RATE,
                               IDC_INFO_AUDIO_SCALE}) {
                  d.SetText(id, "0");
                  EXPECT_EQ(d.Text(id), "1") << id;
                }
                d.SetText(IDC_INFO_VIDEO_RATE, "25");
                d.SetText(IDC_INFO_AUDIO_SCALE, "4");
                d.SetText(IDC_INFO_AUDIO_RATE, "32000");
                d.SetText(IDC_INFO_VIDEO_START, "2");
                d.SetText(IDC_INFO_VIDEO_NAME, "edited video");
                d.SetText(IDC_INFO_AUDIO_NAME, "edited sound");
                d.Scroll(IDC_INFO_QUALITY_BAR, 7001);
                EXPECT_EQ(d.Text(IDC_INFO_VIDEO_QUALITY), "7000");
                d.Scroll(IDC_INFO_QUALITY_BAR, 0);  // the left end
                EXPECT_EQ(d.Text(IDC_INFO_VIDEO_QUALITY), "-1");
                d.Scroll(IDC_INFO_QUALITY_BAR, 5001);
                d.Click(IDC_INFO_HELP);
                d.Click(IDC_INFO_SAVE);
              })
      .Message("項目の説明をいたしますわ", kMessageStreamInfoHelp)
      .System(DriverDialogKind::FileDialog,
              [&](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "保存先のファイルを設定");
                d.EnterFileName(folder + "info.wav");  // the typed extension is replaced
              })
      .Message("一安心ですわ", "保存完了ですわ。");
  DialogDriver driver(script);
  EXPECT_TRUE(RunStreamInfoDialog(player.main()));
  driver.Finish();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);

  const std::string output = folder + "info.AVI";
  const AviStreamInfo video = ReadStreamInfo(output, kStreamTypeVideo);
  EXPECT_EQ(video.dwRate, 25u);
  EXPECT_EQ(video.dwScale, 1u);
  EXPECT_EQ(video.dwStart, 2u);
  EXPECT_EQ(static_cast<int32_t>(video.dwQuality), 5000);
  EXPECT_EQ(StreamInfoName(video), "edited video");
  const AviStreamInfo sound = ReadStreamInfo(output, kStreamTypeAudio);
  EXPECT_EQ(StreamInfoName(sound), "edited sound");
  EXPECT_EQ(ReadSound(output), TestMoviePcm(movie));
  EXPECT_FALSE(Exists(folder + "info.wav"));
  WriteText(output + ".probe",
            "stream=codec_type,time_base:stream_tags=title\n"
            "video,1/25,edited video\naudio,1/8000,edited sound\n");
}

TEST(StreamInfo, AWaveFileHasNoVideoColumnAndIsSavedAsWave) {
  const std::string folder = OutputFolder();
  const std::string wave = folder + "tone.wav";
  TestMovie movie;
  movie.soundSamples = 4000;
  ASSERT_TRUE(WriteTestWav(wave, 2, 16, 8000, TestMoviePcm(movie)));
  DeleteFileW(Widen(folder + "voice.WAV").c_str());
  TestPlayer player(wave);
  DialogScript script;
  script
      .Dialog(
          IDD_STREAM_INFO,
          [&](DialogHandle& d) {
            for (int id : {IDC_INFO_VIDEO_PRIORITY, IDC_INFO_VIDEO_RATE, IDC_INFO_VIDEO_COMPRESS,
                           IDC_INFO_VIDEO_SCALE, IDC_INFO_VIDEO_QUALITY, IDC_INFO_VIDEO_NAME,
                           IDC_INFO_VIDEO_BOTTOM, IDC_INFO_QUALITY_BAR})
              EXPECT_FALSE(d.Enabled(id)) << id;
            EXPECT_TRUE(d.Enabled(IDC_INFO_AUDIO_NAME));
            d.SetText(IDC_INFO_AUDIO_NAME, "voice");
            d.Click(IDC_INFO_SAVE);
          })
      .SaveFile(folder + "voice.avi")
      .Message("一安心ですわ", "保存完了ですわ。");
  DialogDriver driver(script);
  EXPECT_TRUE(RunStreamInfoDialog(player.main()));
  driver.Finish();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
  const Bytes bytes = ReadWhole(folder + "voice.WAV");
  ASSERT_GE(bytes.size(), 12u);
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "WAVE");
  EXPECT_FALSE(Exists(folder + "voice.avi"));
  WriteText(folder + "voice.WAV.probe",
            "stream=codec_name,sample_rate,channels\npcm_s16le,8000,2\n");
}

}  // namespace

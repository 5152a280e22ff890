// The whole-movie run under Wine, driven through its real dialogs: every
// filter driver on a short movie, its frames equal to the kernel applied to
// the source frames here; the sound question and copy; every way a run ends.
// Outputs of the driver runs stay in a folder of the build, with the frames
// and sound they must hold, for the ffmpeg check run from the host.
#include "editor/pipeline/whole_movie_win.h"

#include "editor/pipeline/output_movie_win.h"
#include "editor/pipeline/pipeline_test_movies_win.h"
#include "platform/avi/avi_frame.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/edge_extraction.h"
#include "editor/filters/light_source.h"
#include "editor/filters/neighbourhood_filters.h"
#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;

namespace {

constexpr char kUncompressed[] = "Full Frames (Uncompressed)";

std::string OutputFolder() {
  std::wstring folder = ProgramPath(PIPELINE_OUTPUT_DIR);
  CreateDirectoryW(folder.c_str(), nullptr);
  return Narrow(folder) + "\\";
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = _wfopen(Widen(path).c_str(), L"wb");
  ASSERT_TRUE(f) << path;
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

// A packed DIB as the 24-bit frame the output holds: converted by GDI, as the
// output's bitmap converts it.
std::vector<uint8_t> As24(const std::vector<uint8_t>& packed) {
  BitmapHeader h;
  BitmapHeaderRead(packed.data(), packed.size(), h);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = h.biWidth;
  bi.bmiHeader.biHeight = h.biHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  SetDIBits(dc, bitmap, 0, h.biHeight, packed.data() + 40 + DibColourBytes(h),
            reinterpret_cast<const BITMAPINFO*>(packed.data()), DIB_RGB_COLORS);
  GdiFlush();
  const size_t image = static_cast<size_t>(DibStride(h.biWidth, 24) * h.biHeight);
  std::vector<uint8_t> out(40, 0);
  BitmapHeader o;
  o.biWidth = h.biWidth;
  o.biHeight = h.biHeight;
  o.biBitCount = 24;
  o.biSizeImage = static_cast<uint32_t>(image);
  BitmapHeaderWrite(o, out.data());
  out.insert(out.end(), static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + image);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return out;
}

// Rows top-down without padding: what ffmpeg decodes to as bgr24.
std::vector<uint8_t> TopDownRows(const std::vector<uint8_t>& dib24) {
  BitmapHeader h;
  BitmapHeaderRead(dib24.data(), dib24.size(), h);
  const size_t stride = static_cast<size_t>(DibStride(h.biWidth, 24)),
               row = static_cast<size_t>(h.biWidth) * 3;
  std::vector<uint8_t> out;
  for (int y = h.biHeight - 1; y >= 0; --y) {
    const uint8_t* p = dib24.data() + 40 + y * stride;
    out.insert(out.end(), p, p + row);
  }
  return out;
}

FrameView Pixels24(std::vector<uint8_t>& packed) {
  BitmapHeader h;
  BitmapHeaderRead(packed.data(), packed.size(), h);
  return {packed.data() + 40, h.biWidth, h.biHeight, DibStride(h.biWidth, 24)};
}

// A copy kernel on a packed 24-bit frame: destination the frame, source a copy.
void CopyKernel(std::vector<uint8_t>& packed,
                const std::function<void(ConstFrameView, FrameView, FilterScratch&)>& kernel) {
  FrameView dst = Pixels24(packed);
  std::vector<uint8_t> source(dst.data, dst.data + dst.stride * dst.height);
  FilterScratch scratch;
  FilterScratchReserve(scratch, dst.width, dst.height);
  kernel({source.data(), dst.width, dst.height, dst.stride}, dst, scratch);
}

struct DriverCase {
  const char* name;  // also the output's file name
  int bits;
  std::function<bool()> run;
  // Applies the kernel to frame i (a packed DIB in its stored form).
  std::function<void(std::vector<uint8_t>& frame, int i)> expect;
};

LightAnimationSettings LightSettings() {
  LightAnimationSettings s;
  s.thumb = ComputeThumbnailRect(16, 12);
  s.markerX = s.thumb.left + 40, s.markerY = s.thumb.top + 30;
  s.red = 250, s.green = 120, s.blue = 30;
  s.strength = 90;
  s.rgbPeriod = 3;
  s.strengthPeriod = 4, s.strengthMode = 1;
  s.positionPeriod = 5, s.endX = s.thumb.left + 70, s.endY = s.thumb.top + 60;
  return s;
}

const int8_t kLaplacian[9] = {0, -1, 0, -1, 4, -1, 0, -1, 0};

std::vector<DriverCase> DriverCases() {
  static FilterScratch gammaScratch;
  return {
      {"rgb_8bit", 8, [] { return ProcessRgbCorrection(200, 255, 90, false, true, false); },
       [](std::vector<uint8_t>& f, int) {
         ApplyRgbCorrection(f.data(), f.size(), 200, 255, 90, false, true, false);
       }},
      {"ycrcb_16bit", 16, [] { return ProcessYCrCbCorrection(150, 60, 120); },
       [](std::vector<uint8_t>& f, int) {
         ApplyYCrCbCorrection(f.data(), f.size(), 150, 60, 120);
       }},
      {"contrast_32bit", 32, [] { return ProcessContrast(-60); },
       [](std::vector<uint8_t>& f, int) { ApplyContrast(f.data(), f.size(), -60); }},
      {"gamma_24bit", 24, [] { return ProcessGamma(40); },
       [](std::vector<uint8_t>& f, int) {
         FilterScratchReserve(gammaScratch, 16, 12);
         ApplyGamma(f.data(), f.size(), 40, gammaScratch);
       }},
      {"grayscale_16bit", 16, [] { return ProcessGrayscale(); },
       [](std::vector<uint8_t>& f, int) { ApplyGrayscale(f.data(), f.size()); }},
      {"pale_32bit", 32, [] { return ProcessPale(); },
       [](std::vector<uint8_t>& f, int) { ApplyPale(f.data(), f.size()); }},
      {"watercolour", 24, [] { return ProcessNeighbourhood(DialogKind::Watercolour, 12); },
       [](std::vector<uint8_t>& f, int) {
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyWatercolour(s, d, 12, x);
         });
       }},
      {"blur", 24, [] { return ProcessNeighbourhood(DialogKind::Blur, 2); },
       [](std::vector<uint8_t>& f, int) {
         CopyKernel(
             f, [](ConstFrameView s, FrameView d, FilterScratch& x) { ApplyBoxBlur(s, d, 2, x); });
       }},
      {"unsharp", 24, [] { return ProcessNeighbourhood(DialogKind::UnsharpMask, 3); },
       [](std::vector<uint8_t>& f, int) {
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyUnsharpMask(s, d, 3, x);
         });
       }},
      {"median", 24, [] { return ProcessNeighbourhood(DialogKind::Median, 2); },
       [](std::vector<uint8_t>& f, int) {
         CopyKernel(
             f, [](ConstFrameView s, FrameView d, FilterScratch& x) { ApplyMedian(s, d, 2, x); });
       }},
      {"edge_sobel_sharpened", 24, [] { return ProcessEdgeExtraction(40, 2, true); },
       [](std::vector<uint8_t>& f, int) {
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyUnsharpMask(s, d, 3, x);
         });
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyEdgeExtraction(s, d, 40, 2, x);
         });
       }},
      {"edge_difference", 24, [] { return ProcessEdgeExtraction(20, 0, false); },
       [](std::vector<uint8_t>& f, int) {
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyEdgeExtraction(s, d, 20, 0, x);
         });
       }},
      {"light", 24, [] { return ProcessLightSource(LightSettings()); },
       [](std::vector<uint8_t>& f, int i) {
         LightAnimationSettings s = LightSettings();
         s.frameWidth = 16, s.frameHeight = 12;
         LightAnimation a;
         StartLightAnimation(&a, s);
         LightParameters p{};
         for (int n = 0; n <= i; ++n) p = NextLightParameters(&a);
         ApplyLightSource(Pixels24(f), p.lx, p.ly, p.k, p.red, p.green, p.blue);
       }},
      {"custom", 24, [] { return ProcessCustomFilter(kLaplacian, 2, 255, 128, 0); },
       [](std::vector<uint8_t>& f, int) {
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyCustomFilter(s, d, kLaplacian, 2, 255, 128, 0, x);
         });
       }},
  };
}

TEST(WholeMovie, EachDriverWritesTheKernelsFramesAndTheSound) {
  const std::string folder = OutputFolder();
  for (const DriverCase& c : DriverCases()) {
    SCOPED_TRACE(c.name);
    TestMovie movie;
    movie.width = 16, movie.height = 12, movie.bits = c.bits, movie.frames = 5;
    movie.soundSamples = 3000;
    const std::string source = folder + c.name + "_source.avi";
    const std::string output = folder + c.name + ".avi";
    ASSERT_TRUE(WriteTestMovie(source, movie));
    DeleteFileW(Widen(output).c_str());
    TestPlayer player(source);
    DialogScript script;
    script.SaveFile(output)
        .ChooseCompressor(kUncompressed)
        .Message(kTitleByTheWay, kMessageSaveAudio, MessageAnswer::Yes)
        .Message(kTitleGlad, kMessageDone);
    DialogDriver driver(script);
    EXPECT_TRUE(c.run());
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);

    std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
    ASSERT_EQ(written.size(), 5u);
    std::vector<uint8_t> expectedRows;
    for (int i = 0; i < 5; ++i) {
      std::vector<uint8_t> frame = TestMovieFormat(movie);
      const std::vector<uint8_t> pixels = TestMoviePixels(movie, i);
      frame.insert(frame.end(), pixels.begin(), pixels.end());
      c.expect(frame, i);
      const std::vector<uint8_t> expected = As24(frame);
      EXPECT_EQ(written[i], expected) << "frame " << i;
      const std::vector<uint8_t> rows = TopDownRows(expected);
      expectedRows.insert(expectedRows.end(), rows.begin(), rows.end());
    }
    EXPECT_EQ(ReadSound(output), TestMoviePcm(movie));
    const AviStreamInfo info = ReadStreamInfo(output, kStreamTypeVideo);
    EXPECT_EQ(StreamInfoName(info), "GLIMSA:VIDEO");
    EXPECT_EQ(info.dwRate, movie.rate);
    // For the ffmpeg check from the host.
    WriteBytes(output + ".bgr24", expectedRows);
    WriteBytes(output + ".pcm", TestMoviePcm(movie));
  }
}

struct RunCase {
  const char* label;
  TestMovie movie;
  std::function<bool()> run;
  std::function<void(DialogScript&)> script;
  int failWriteAt;
  bool result;
  size_t frames;                    // in the destination
  bool sound;                       // the destination has the source's sound
  std::vector<std::string> titles;  // the main window's, in order
};

TEST(WholeMovie, EndsAsEachEdgeCaseSays) {
  TestMovie empty;
  empty.frames = 0, empty.soundSamples = 800;
  TestMovie withSound;
  withSound.frames = 3, withSound.soundSamples = 800;
  TestMovie silent;
  silent.frames = 3;
  TestMovie palettised;
  palettised.bits = 8, palettised.frames = 2, palettised.soundSamples = 800;
  TestMovie twelve;
  twelve.frames = 12, twelve.soundSamples = 800;
  const RunCase cases[] = {
      {"no frames: the sound is still offered, and it ends well",
       empty,
       ProcessGrayscale,
       [](DialogScript& s) {
         s.Message(kTitleByTheWay, kMessageSaveAudio, MessageAnswer::Yes)
             .Message(kTitleGlad, kMessageDone);
       },
       -1,
       true,
       0,
       true,
       {kTitleSavingAudio}},
      {"the sound declined",
       withSound,
       ProcessPale,
       [](DialogScript& s) {
         s.Message(kTitleByTheWay, kMessageSaveAudio, MessageAnswer::No)
             .Message(kTitleGlad, kMessageDone);
       },
       -1,
       true,
       3,
       false,
       {"0/3", "1/3", "2/3"}},
      {"no sound, no question",
       silent,
       ProcessGrayscale,
       [](DialogScript& s) { s.Message(kTitleGlad, kMessageDone); },
       -1,
       true,
       3,
       false,
       {"0/3", "1/3", "2/3"}},
      {"8 bits refused for blur",
       palettised,
       [] { return ProcessNeighbourhood(DialogKind::Blur, 2); },
       [](DialogScript& s) { s.Message(kTitleApology, kMessageOnly24BitRun); },
       -1,
       false,
       0,
       false,
       {}},
      {"8 bits refused for the light",
       palettised,
       [] { return ProcessLightSource(LightAnimationSettings()); },
       [](DialogScript& s) { s.Message(kTitleApology, kMessageOnly24BitRun); },
       -1,
       false,
       0,
       false,
       {}},
      {"the tenth frame's write fails: nine frames, the sound still offered",
       twelve,
       ProcessGrayscale,
       [](DialogScript& s) {
         s.Message(kTitleOhNo, kMessageFrameWriteFailed)
             .Message(kTitleByTheWay, kMessageSaveAudio, MessageAnswer::Yes);
       },
       9,
       false,
       9,
       true,
       {"0/12", "1/12", "2/12", "3/12", "4/12", "5/12", "6/12", "7/12", "8/12", "9/12",
        kTitleSavingAudio}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string source = PipelineTestFolder() + "edge_source.avi";
    const std::string output = PipelineTestFolder() + "edge_output.avi";
    ASSERT_TRUE(WriteTestMovie(source, c.movie));
    DeleteFileW(Widen(output).c_str());
    TestPlayer player(source);
    DialogScript script;
    script.SaveFile(output).ChooseCompressor(kUncompressed);
    c.script(script);
    gFailOutputWriteAt = c.failWriteAt;
    DialogDriver driver(script);
    EXPECT_EQ(c.run(), c.result);
    driver.Finish();
    gFailOutputWriteAt = -1;
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
    if (c.failWriteAt < 0) {
      EXPECT_EQ(player.titles(), c.titles);
    } else {
      // Frames are written on a second thread: the loop may have gone on to
      // the frame or two after the failing one before it learns of it.
      const std::vector<std::string>& t = player.titles();
      ASSERT_GE(t.size(), c.titles.size());
      ASSERT_LE(t.size(), c.titles.size() + 2);
      EXPECT_EQ(std::vector<std::string>(t.begin(), t.begin() + c.titles.size() - 1),
                std::vector<std::string>(c.titles.begin(), c.titles.end() - 1));
      EXPECT_EQ(t.back(), c.titles.back());
    }
    const AviStreamInfo video = ReadStreamInfo(output, kStreamTypeVideo);
    EXPECT_EQ(video.fccType, kStreamTypeVideo) << "the destination holds a video stream";
    EXPECT_EQ(video.dwLength, c.frames);
    EXPECT_EQ(ReadPackedFrames(output).size(), c.frames);
    EXPECT_EQ(ReadSound(output), c.sound ? TestMoviePcm(c.movie) : std::vector<uint8_t>());
  }
}

TEST(WholeMovie, SaveProgressIsAPercentageInTheTitleAndNeverCancels) {
  TestPlayer player("");
  EXPECT_FALSE(ReportSaveProgress(42));
  EXPECT_FALSE(ReportSaveProgress(100));
  EXPECT_EQ(player.titles(), (std::vector<std::string>{"42%", "100%"}));
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = _wfopen(Widen(path).c_str(), L"rb")) {
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
  }
  return bytes;
}

// Offset of the n-th chunk with this id (from 0), or 0.
size_t ChunkOffset(const std::vector<uint8_t>& file, const char* id, int n) {
  for (size_t i = 12; i + 8 <= file.size(); ++i)
    if (std::memcmp(file.data() + i, id, 4) == 0 && n-- == 0) return i;
  return 0;
}

TEST(WholeMovie, DamagedInputEndsWithItsMessageAndAReadableOutput) {
  const std::string folder = PipelineTestFolder();
  TestMovie movie;
  movie.frames = 6;
  const std::vector<uint8_t> format = TestMovieFormat(movie);
  std::vector<std::vector<uint8_t>> frames;
  for (int i = 0; i < 6; ++i) frames.push_back(TestMoviePixels(movie, i));

  // Frame 3 holds half its bytes: its size disagrees with the format's.
  const std::string shortFrame = folder + "short_frame.avi";
  std::vector<std::vector<uint8_t>> cut = frames;
  cut[3].resize(cut[3].size() / 2);
  ASSERT_TRUE(WriteRawMovie(shortFrame, format, cut));

  // The file ends in the middle of frame 4's data (its index is gone too).
  const std::string whole = folder + "whole.avi", truncated = folder + "truncated.avi";
  ASSERT_TRUE(WriteRawMovie(whole, format, frames));
  std::vector<uint8_t> bytes = FileBytes(whole);
  const size_t frame4 = ChunkOffset(bytes, "00db", 4);
  ASSERT_GT(frame4, 0u);
  bytes.resize(frame4 + 8 + 20);
  WriteBytes(truncated, bytes);

  // Frame 2 is an empty sample: a dropped frame, shown as the one before.
  const std::string dropped = folder + "dropped_frame.avi";
  std::vector<std::vector<uint8_t>> gap = frames;
  gap[2].clear();
  ASSERT_TRUE(WriteRawMovie(dropped, format, gap));

  // Frames no decoder takes.
  const std::string unknownCodec = folder + "unknown_codec.avi";
  std::vector<uint8_t> strange = format;
  PutU32(strange.data() + 16, FourCC("QZZQ"));
  ASSERT_TRUE(WriteRawMovie(unknownCodec, strange, frames));

  struct Case {
    const char* label;
    std::string source;
    std::function<void(DialogScript&)> script;
    size_t frames;  // written before the run stopped
    bool created;
    bool succeeds = false;
    int repeated = -1;  // an output frame equal to the one before it
  };
  const Case cases[] = {
      {"a frame cut short", shortFrame,
       [](DialogScript& s) { s.Message(kTitleFailed, kMessageFrameFetchFailed); }, 3, true},
      // The AVI services offer only the frames they find whole in such a
      // file (here three), and those are processed.
      {"a file cut off inside a frame", truncated,
       [](DialogScript& s) { s.Message(kTitleGlad, kMessageDone); }, 3, true, true},
      {"a dropped frame", dropped, [](DialogScript& s) { s.Message(kTitleGlad, kMessageDone); }, 6,
       true, true, 2},
      {"no decoder for the frames", unknownCodec,
       [](DialogScript& s) { s.Message(kTitleFailed, kMessageNoFrames); }, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string output = folder + "damaged_output.avi";
    DeleteFileW(Widen(output).c_str());
    auto player = std::make_unique<TestPlayer>(c.source);
    DialogScript script;
    script.SaveFile(output);
    if (c.created) script.ChooseCompressor(kUncompressed);
    c.script(script);
    DialogDriver driver(script);
    EXPECT_EQ(ProcessGrayscale(), c.succeeds);
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
    EXPECT_EQ(GetFileAttributesW(Widen(output).c_str()) != INVALID_FILE_ATTRIBUTES, c.created);
    const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
    EXPECT_EQ(written.size(), c.frames);
    if (c.repeated > 0 && written.size() == c.frames) {
      EXPECT_EQ(written[c.repeated], written[c.repeated - 1]);
      EXPECT_NE(written[c.repeated + 1], written[c.repeated]);
    }
    // Nothing holds the files any more.
    EXPECT_TRUE(!c.created || DeleteFileW(Widen(output).c_str()));
    player.reset();
    EXPECT_TRUE(DeleteFileW(Widen(c.source).c_str())) << "the source is still held open";
  }
}

TEST(WholeMovie, ATopDownSourceIsFilteredAndWrittenBottomUp) {
  // ffmpeg writes raw AVI frames top-down (negative height).
  TestMovie movie;
  movie.width = 9, movie.height = 5, movie.frames = 2;
  std::vector<uint8_t> format = TestMovieFormat(movie);
  PutU32(format.data() + 8, static_cast<uint32_t>(-movie.height));
  const size_t stride = static_cast<size_t>(DibStride(movie.width, 24));
  std::vector<std::vector<uint8_t>> topDown;
  for (int i = 0; i < movie.frames; ++i) {
    const std::vector<uint8_t> rows = TestMoviePixels(movie, i);
    std::vector<uint8_t> flipped(rows.size());
    for (int y = 0; y < movie.height; ++y)
      std::memcpy(flipped.data() + (movie.height - 1 - y) * stride, rows.data() + y * stride,
                  stride);
    topDown.push_back(flipped);
  }
  const std::string source = PipelineTestFolder() + "top_down.avi";
  const std::string output = PipelineTestFolder() + "top_down_out.avi";
  ASSERT_TRUE(WriteRawMovie(source, format, topDown));
  DeleteFileW(Widen(output).c_str());
  TestPlayer player(source);
  DialogScript script;
  script.SaveFile(output).ChooseCompressor(kUncompressed).Message(kTitleGlad, kMessageDone);
  DialogDriver driver(script);
  // Roberts differences look one row up: a picture upside down would differ.
  EXPECT_TRUE(ProcessEdgeExtraction(10, 1, false));
  driver.Finish();
  const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
  ASSERT_EQ(written.size(), 2u);
  for (int i = 0; i < movie.frames; ++i) {
    std::vector<uint8_t> expected = TestMovieFormat(movie);
    const std::vector<uint8_t> pixels = TestMoviePixels(movie, i);
    expected.insert(expected.end(), pixels.begin(), pixels.end());
    CopyKernel(expected, [](ConstFrameView s, FrameView d, FilterScratch& x) {
      ApplyEdgeExtraction(s, d, 10, 1, x);
    });
    EXPECT_EQ(written[i], expected) << "frame " << i;
  }
}

}  // namespace

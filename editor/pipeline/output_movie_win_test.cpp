// Frame access and output movies under Wine: the player's file as source,
// the destination asked for, the output made and released on every path.
#include "editor/pipeline/output_movie_win.h"

#include "editor/pipeline/pipeline_test_movies_win.h"
#include "editor/pipeline/whole_movie_win.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "testing/dialog_driver_win.h"

namespace {

constexpr char kUncompressed[] = "Full Frames (Uncompressed)";

bool Exists(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Movie(const std::string& name, const TestMovie& movie) {
  const std::string path = PipelineTestFolder() + name;
  EXPECT_TRUE(WriteTestMovie(path, movie)) << path;
  return path;
}

TEST(OutputMovie, TheSourceMustBeAnAviTheDestinationAnotherFile) {
  const std::string avi = Movie("source.AVI", TestMovie());
  const std::string wav = PipelineTestFolder() + "sound.wav";
  {
    // A WAV for the player: 0.1 s of silence.
    std::vector<uint8_t> w = {'R', 'I', 'F',  'F',  0,   0,   0,    0,    'W',  'A', 'V',
                              'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,    1,   0,
                              1,   0,   0x40, 0x1F, 0,   0,   0x80, 0x3E, 0,    0,   2,
                              0,   16,  0,    'd',  'a', 't', 'a',  0x40, 0x06, 0,   0};
    w.resize(w.size() + 1600, 0);
    PutU32(w.data() + 4, static_cast<uint32_t>(w.size() - 8));
    FILE* f = _wfopen(Widen(wav).c_str(), L"wb");
    ASSERT_TRUE(f);
    fwrite(w.data(), 1, w.size(), f);
    fclose(f);
  }
  const std::string other = PipelineTestFolder() + "other.avi";
  DeleteFileW(Widen(other).c_str());
  struct Case {
    const char* label;
    std::string playing;
    std::function<void(DialogScript&)> script;
    bool chosen;
  };
  std::string upper = avi;
  for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
  const Case cases[] = {
      {"no file open", "", [](DialogScript& s) { s.Message(kTitleCannotSay, kMessageNoFile); },
       false},
      {"a WAV file", wav, [](DialogScript& s) { s.Message(kTitleCannotSay, kMessageNotAvi); },
       false},
      {"the save dialog cancelled", avi, [](DialogScript& s) { s.CancelFile(); }, false},
      {"the source itself, in other letters, is asked again", avi,
       [&](DialogScript& s) {
         // The save dialog first asks whether to replace the existing file.
         s.SaveFile(upper)
             .AnyMessage(MessageAnswer::Yes)
             .Message(kTitleMustNot, kMessageSameFile)
             .SaveFile(other);
       },
       true},
  };
  for (const Case& c : cases) {
    TestPlayer player(c.playing);
    DialogScript script;
    c.script(script);
    DialogDriver driver(script);
    std::wstring source, destination;
    EXPECT_EQ(ChooseSourceAndDestination(&source, &destination), c.chosen) << c.label;
    driver.Finish();
    if (c.chosen) {
      EXPECT_EQ(_wcsicmp(source.c_str(), Widen(avi).c_str()), 0) << c.label;
      EXPECT_EQ(Narrow(destination), other) << c.label;
    }
  }
}

TEST(OutputMovie, CancellingTheCompressorCreatesNoFile) {
  const std::string source = Movie("cancel_source.avi", TestMovie());
  const std::string output = PipelineTestFolder() + "cancelled.avi";
  DeleteFileW(Widen(output).c_str());
  TestPlayer player(source);
  DialogScript script;
  script.SaveFile(output).CancelCompressor();
  DialogDriver driver(script);
  EXPECT_FALSE(ProcessGrayscale());
  driver.Finish();
  EXPECT_FALSE(Exists(output));
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
}

TEST(OutputMovie, AFailureInTheMiddleOfCreatingLeavesNothingOpen) {
  const std::string output = PipelineTestFolder() + "half_made.avi";
  DeleteFileW(Widen(output).c_str());
  OutputMovie movie;
  DialogScript script;
  // A width no bitmap can have passes the file and stream steps.
  script.ChooseCompressor(kUncompressed).Message(kTitleTrouble, kMessageNoBitmap);
  DialogDriver driver(script);
  EXPECT_EQ(CreateOutputMovie(&movie, nullptr, 1 << 20, 1 << 14, Widen(output), 1, 10), nullptr);
  driver.Finish();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
  EXPECT_FALSE(movie.file || movie.rawStream || movie.compressedStream || movie.memoryDc ||
               movie.bitmap);
  EXPECT_TRUE(!Exists(output) || DeleteFileW(Widen(output).c_str()))
      << "the destination is still held open";
}

TEST(OutputMovie, CopiesTheWholeStreamOrTheSamplesStrictlyInside) {
  TestMovie m;
  m.soundSamples = 5000;
  const std::string source = Movie("copy_source.avi", m);
  const std::vector<uint8_t> pcm = TestMoviePcm(m);
  struct Case {
    const char* label;
    LONG first, last;
    size_t from, to;  // samples expected, [from, to)
  };
  const Case cases[] = {
      {"-1 and -1: the whole stream", -1, -1, 0, 5000},
      {"the stream's own start and last sample", 0, 4999, 0, 5000},
      {"strictly inside", 1000, 2999, 1000, 3000},
      {"a last past the end falls back", 10, 9000, 10, 5000},
  };
  for (const Case& c : cases) {
    const std::string output = PipelineTestFolder() + "copy_out.avi";
    ownavi::AVIFileInit();
    PAVISTREAM sound = nullptr;
    ASSERT_EQ(ownavi::AVIStreamOpenFromFileW(&sound, Widen(source).c_str(), streamtypeAUDIO, 0,
                                             OF_SHARE_DENY_WRITE, nullptr),
              0);
    OutputMovie movie;
    {
      DialogScript script;
      script.ChooseCompressor(kUncompressed);
      DialogDriver driver(script);
      ASSERT_TRUE(CreateOutputMovie(&movie, nullptr, 8, 6, Widen(output), 1, 10));
      driver.Finish();
    }
    EXPECT_TRUE(CopyStreamToOutput(&movie, sound, c.first, c.last)) << c.label;
    EXPECT_TRUE(CloseOutputMovie(&movie)) << c.label;
    ownavi::AVIStreamRelease(sound);
    ownavi::AVIFileExit();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
    EXPECT_EQ(ReadSound(output),
              std::vector<uint8_t>(pcm.begin() + c.from * 4, pcm.begin() + c.to * 4))
        << c.label;
  }
}

TEST(OutputMovie, AFileTheDiskRefusesAtCloseIsReported) {
  // Our services write a made file out at its last release; the host's
  // /dev/full takes the open and refuses every write, as a full disk would.
  for (const bool full : {false, true}) {
    const std::wstring output =
        full ? L"Z:\\dev\\full" : Widen(PipelineTestFolder() + "close_out.avi");
    OutputMovie movie;
    {
      DialogScript script;
      script.ChooseCompressor(kUncompressed);
      DialogDriver driver(script);
      ASSERT_TRUE(CreateOutputMovie(&movie, nullptr, 8, 6, output, 1, 10));
      driver.Finish();
    }
    // Frames go to the file as they are written: a full disk refuses the
    // first one already, and the close reports it again.
    EXPECT_EQ(WriteOutputFrame(&movie), !full) << (full ? "full disk" : "ordinary file");
    EXPECT_EQ(CloseOutputMovie(&movie), !full) << (full ? "full disk" : "ordinary file");
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
  }
}

TEST(OutputMovie, ThePlayerFramePastTheEndIsTheLastFrame) {
  TestMovie m;
  m.frames = 6;
  const std::string source = Movie("position.avi", m);
  const std::vector<std::vector<uint8_t>> frames = ReadPackedFrames(source);
  ASSERT_EQ(frames.size(), 6u);
  TestPlayer player(source);
  struct Case {
    const char* label;
    LONG seek;
    size_t frame;
  };
  const Case cases[] = {{"at 2", 2, 2}, {"at the end", MCIWND_END, 5}, {"at the start", 0, 0}};
  for (const Case& c : cases) {
    SendMessageW(player.player(), MCI_SEEK, 0, c.seek);
    PAVISTREAM video = nullptr;
    PGETFRAME reader = nullptr;
    const BITMAPINFOHEADER* frame = nullptr;
    ASSERT_TRUE(GetPlayerFrame(&video, &reader, &frame)) << c.label;
    ASSERT_TRUE(frame) << c.label;
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + PackedDibBytes(frame)), frames[c.frame])
        << c.label << " (player at " << SendMessageW(player.player(), MCIWNDM_GETPOSITIONW, 0, 0)
        << ")";
    KeepPreviewFrame(frame);
    ownavi::AVIStreamGetFrameClose(reader);
    ownavi::AVIStreamRelease(video);
    ownavi::AVIFileExit();
    ASSERT_TRUE(KeptPreviewFrame());
    const auto* kept = reinterpret_cast<const uint8_t*>(KeptPreviewFrame());
    EXPECT_EQ(std::vector<uint8_t>(kept, kept + PackedDibBytes(KeptPreviewFrame())),
              frames[c.frame])
        << c.label << ": the kept copy";
  }
  FreePreviewFrame();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
}

TEST(OutputMovie, OnlyTwentyFourBitFramesAreTakenForCopyKernels) {
  TestMovie m;
  m.bits = 8;
  std::vector<uint8_t> frame = TestMovieFormat(m);
  const std::vector<uint8_t> pixels = TestMoviePixels(m, 0);
  frame.insert(frame.end(), pixels.begin(), pixels.end());
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(frame.data());
  DialogScript script;
  script.Message(kTitleSorry, kMessageOnly24Bit).Message(kTitleApology, kMessageOnly24BitRun);
  DialogDriver driver(script);
  uint8_t *start = nullptr, *copy = nullptr, *buffer = nullptr;
  int32_t stride = 0, image = 0;
  EXPECT_FALSE(Require24BitCopy(header, &start, &copy, &stride));
  EXPECT_FALSE(Require24BitBuffer(header, &buffer, &stride, &image));
  driver.Finish();
  EXPECT_FALSE(copy || buffer);
}

TEST(OutputMovie, DrawsAFrameStretchedOntoATarget) {
  // A 2 x 1 frame, red then blue, drawn into a 4 x 2 bitmap.
  std::vector<uint8_t> frame(40 + 8, 0);
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = 2;
  h.biHeight = 1;
  h.biPlanes = 1;
  h.biBitCount = 24;
  std::memcpy(frame.data(), &h, 40);
  const uint8_t pixels[6] = {0, 0, 255, 255, 0, 0};  // blue, green, red per pixel
  std::memcpy(frame.data() + 40, pixels, 6);
  BITMAPINFO target{};
  target.bmiHeader = h;
  target.bmiHeader.biWidth = 4;
  target.bmiHeader.biHeight = 2;
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_TRUE(bitmap);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  // Drawn through a bitmap compatible with the target: give the DC a depth.
  DrawFrameScaled(dc, reinterpret_cast<const BITMAPINFOHEADER*>(frame.data()), 4, 2);
  GdiFlush();
  const auto* p = static_cast<const uint8_t*>(bits);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t* px = p + y * 12 + x * 3;
      const bool red = x < 2;
      EXPECT_EQ(px[2], red ? 255 : 0) << x << "," << y;
      EXPECT_EQ(px[0], red ? 0 : 255) << x << "," << y;
    }
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace

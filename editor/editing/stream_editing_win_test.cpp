// The stream editing commands under Wine on movies written here, with a real
// player window, driven through their real dialogs: every message, the files
// they write read back frame for frame and sample for sample. The outputs stay
// in a folder of the build, each with the frames (bgr24) and sound it must
// hold, for the ffmpeg check run from the host.
#include "editor/editing/stream_editing_win.h"

#include "editor/pipeline/output_movie_win.h"
#include "editor/pipeline/pipeline_test_movies_win.h"
#include "platform/avi/avi_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "testing/dialog_driver_win.h"
#include "testing/file_bytes.h"
#include "testing/program_path_win.h"

namespace {

constexpr char kUncompressed[] = "Full Frames (Uncompressed)";
// The platform's save options for a lone sound stream: its format chooser.
constexpr char kSoundChooser[] = "Sound Selection";
void Confirm(DialogHandle& d) {
  d.Click(IDOK);
}
constexpr int kFileTypeControl = 1136;  // cmb1 of the file dialogs: the filter list

std::string Folder() {
  const std::string folder = PipelineTestFolder() + "editing\\";
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
  return folder;
}

// Where the outputs stay for the ffmpeg check.
std::string OutputFolder() {
  const std::wstring folder = ProgramPath(EDITING_OUTPUT_DIR);
  CreateDirectoryW(folder.c_str(), nullptr);
  return Narrow(folder) + "\\";
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Remove(const std::string& path) {
  DeleteFileW(Widen(path).c_str());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  UniqueFile file = FileOpen(path, "wb");
  ASSERT_TRUE(file && FileWriteAll(file.get(), bytes.data(), bytes.size())) << path;
}

// The pixel rows of a packed DIB.
Bytes Pixels(const Bytes& packed) {
  BitmapHeader h;
  if (!BitmapHeaderRead(packed.data(), packed.size(), h)) return {};
  return Bytes(packed.begin() + 40 + static_cast<ptrdiff_t>(DibColourBytes(h)), packed.end());
}

// A 24-bit frame as ffmpeg decodes it to bgr24: rows top-down, unpadded.
Bytes TopDownRows(const Bytes& pixels, int width, int height) {
  const size_t stride = static_cast<size_t>(DibStride(width, 24)), row = size_t(width) * 3;
  Bytes out;
  for (int y = height - 1; y >= 0; --y)
    out.insert(out.end(), pixels.begin() + y * stride, pixels.begin() + y * stride + row);
  return out;
}

// A frame (its stored format and pixels) as 24-bit pixel rows, converted by
// GDI as the commands' redrawing converts it.
Bytes Pixels24(const Bytes& format, const Bytes& pixels, int width, int height) {
  Bytes packed = format;
  packed.insert(packed.end(), pixels.begin(), pixels.end());
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  SetDIBits(dc, bitmap, 0, height, packed.data() + format.size(),
            reinterpret_cast<const BITMAPINFO*>(packed.data()), DIB_RGB_COLORS);
  GdiFlush();
  const auto* p = static_cast<const uint8_t*>(bits);
  Bytes out(p, p + DibStride(width, 24) * height);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return out;
}

// Frame i of a test movie as 24-bit pixel rows.
Bytes Pixels24(const TestMovie& movie, int i) {
  return Pixels24(TestMovieFormat(movie), TestMoviePixels(movie, i), movie.width, movie.height);
}

// Each pixel of a 24-bit frame made a factor x factor block.
Bytes Enlarged(const Bytes& pixels, int width, int height, int factor) {
  const int w = width * factor, h = height * factor;
  const size_t from = static_cast<size_t>(DibStride(width, 24)),
               to = static_cast<size_t>(DibStride(w, 24));
  Bytes out(to * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      std::memcpy(&out[y * to + x * 3], &pixels[(y / factor) * from + (x / factor) * 3], 3);
  return out;
}

// Keeps an output for the ffmpeg check, with the 24-bit frames it must decode to.
void KeepForFfmpeg(const std::string& output, const std::string& name,
                   const std::vector<Bytes>& frames24, int width, int height,
                   const Bytes& pcm = {}) {
  const std::string kept = OutputFolder() + name;
  ASSERT_TRUE(CopyFileW(Widen(output).c_str(), Widen(kept).c_str(), FALSE)) << output;
  Bytes rows;
  for (const Bytes& f : frames24) {
    const Bytes r = TopDownRows(f, width, height);
    rows.insert(rows.end(), r.begin(), r.end());
  }
  if (!frames24.empty()) WriteBytes(kept + ".bgr24", rows);
  if (!pcm.empty()) WriteBytes(kept + ".pcm", pcm);
}

// A run of one command: its dialogs, messages and result, and the services
// balanced afterwards.
void RunCommand(const std::function<bool()>& command, const DialogScript& script, bool result) {
  DialogDriver driver(script);
  EXPECT_EQ(command(), result);
  driver.Finish();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
}

TEST(StreamEditing, ExtractTrackSavesTheTrackUnderItsOwnExtension) {
  const std::string folder = Folder();
  TestMovie movie;
  movie.frames = 5, movie.soundSamples = 2400;
  const std::string source = folder + "clip.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  TestMovie silentMovie;
  const std::string silent = folder + "silent.avi";
  ASSERT_TRUE(WriteTestMovie(silent, silentMovie));
  const std::string wave = folder + "tone.wav";
  ASSERT_TRUE(WriteTestWav(wave, 2, 16, 8000, TestMoviePcm(movie)));
  struct Case {
    const char* label;
    std::string player;
    bool video;
    std::function<void(DialogScript&)> script;
    bool result;
    std::string written;  // the file that must exist afterwards, or empty
  } cases[] = {
      {"the video, chosen as clip.wav, lands in clip.AVI", source, true,
       [&](DialogScript& s) {
         s.SaveFile(folder + "out\\clip.wav").ChooseCompressor(kUncompressed);
       },
       true, folder + "out\\clip.AVI"},
      {"the sound as a wave file", source, false,
       [&](DialogScript& s) {
         s.SaveFile(folder + "out\\sound.wav").DialogCaptioned(kSoundChooser, Confirm);
       },
       true, folder + "out\\sound.WAV"},
      {"the sound of a silent movie", silent, false,
       [&](DialogScript& s) {
         s.SaveFile(folder + "out\\none.wav").Message(kTitleOh, kMessageOpenFailed);
       },
       false, ""},
      {"the file itself as destination is refused until cancelled", source, true,
       [&](DialogScript& s) {
         // The save dialog first asks whether to replace the existing file.
         s.SaveFile(folder + "CLIP.AVI")
             .AnyMessage(MessageAnswer::Yes)
             .Message(kTitleMustNot, kMessageSameFile)
             .CancelFile();
       },
       false, ""},
      {"no file in the player", "", true,
       [](DialogScript& s) { s.Message(kTitleCannotSay, kMessageNoFile); }, false, ""},
      {"a wave file in the player", wave, true,
       [](DialogScript& s) { s.Message(kTitleCannotSay, kMessageNotAvi); }, false, ""},
  };
  CreateDirectoryW(Widen(folder + "out").c_str(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Remove(folder + "out\\clip.AVI");
    Remove(folder + "out\\sound.WAV");
    TestPlayer player(c.player);
    DialogScript script;
    c.script(script);
    RunCommand([&] { return ExtractTrack(c.video); }, script, c.result);
    if (c.written.empty()) continue;
    ASSERT_TRUE(Exists(c.written));
    // The chosen folder is the current one now.
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(_wcsicmp(current, Widen(folder + "out").c_str()), 0) << Narrow(current);
    if (c.video) {
      const std::vector<Bytes> frames = ReadPackedFrames(c.written);
      ASSERT_EQ(frames.size(), 5u);
      std::vector<Bytes> expected;
      for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Pixels(frames[i]), TestMoviePixels(movie, i)) << i;
        expected.push_back(Pixels24(movie, i));
      }
      EXPECT_EQ(ReadStreamInfo(c.written, kStreamTypeAudio).fccType, 0u) << "video only";
      KeepForFfmpeg(c.written, "extract_video.avi", expected, movie.width, movie.height);
    } else {
      const Bytes bytes = ReadWhole(c.written);
      ASSERT_GE(bytes.size(), 12u);
      EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "WAVE");
      EXPECT_EQ(ReadSound(c.written), TestMoviePcm(movie));
      KeepForFfmpeg(c.written, "extract_sound.wav", {}, 0, 0, TestMoviePcm(movie));
    }
  }
}

TEST(StreamEditing, JoinTakesTheVideoOfTheAviAndTheSoundOfTheWave) {
  const std::string folder = Folder();
  TestMovie movie;
  movie.frames = 4;
  TestMovie sound;
  sound.soundSamples = 3000;
  const std::string avi = folder + "join.avi", wave = folder + "join.wav";
  const std::string output = folder + "joined.avi";
  ASSERT_TRUE(WriteTestMovie(avi, movie));
  ASSERT_TRUE(WriteTestWav(wave, 2, 16, 8000, TestMoviePcm(sound)));
  struct Case {
    const char* label;
    std::string player, partner;
    std::vector<std::string> filter;  // the partner dialog's file types
  } cases[] = {
      {"the player holds the AVI", avi, wave, {"wav(*.wav)"}},
      {"the player holds the WAV", wave, avi, {"avi(*.avi)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Remove(output);
    TestPlayer player(c.player);
    DialogScript script;
    const std::string partner = c.partner;
    const std::vector<std::string> filter = c.filter;
    script
        .System(DriverDialogKind::FileDialog,
                [=](DialogHandle& d) {
                  EXPECT_EQ(d.Caption(), kPartnerDialogTitle);
                  EXPECT_EQ(d.Entries(kFileTypeControl), filter);
                  d.EnterFileName(partner);
                })
        .SaveFile(c.partner)  // the partner is being read too
        .AnyMessage(MessageAnswer::Yes)
        .Message(kTitleMustNot, kMessageSameFile)
        .SaveFile(output)
        .ConfirmSaveOptions();
    RunCommand(JoinVideoAndSound, script, true);
    const std::vector<Bytes> frames = ReadPackedFrames(output);
    ASSERT_EQ(frames.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Pixels(frames[i]), TestMoviePixels(movie, i)) << i;
    EXPECT_EQ(ReadSound(output), TestMoviePcm(sound));
  }
  std::vector<Bytes> expected;
  for (int i = 0; i < 4; ++i) expected.push_back(Pixels24(movie, i));
  KeepForFfmpeg(output, "joined.avi", expected, movie.width, movie.height, TestMoviePcm(sound));

  struct Refusal {
    std::string player;
    const char* text;
  } refusals[] = {{"", kMessageNoFile}, {folder + "join.mpg", kMessageNotAviOrWave}};
  ASSERT_TRUE(CopyFileW(Widen(avi).c_str(), Widen(folder + "join.mpg").c_str(), FALSE));
  for (const Refusal& r : refusals) {
    TestPlayer player(r.player);
    DialogScript script;
    script.Message(kTitleCannotSay, r.text);
    RunCommand(JoinVideoAndSound, script, false);
  }
}

TEST(StreamEditing, PasteJoinsLikeFramesAndRedrawsOthers) {
  const std::string folder = Folder();
  TestMovie movie;
  movie.frames = 4;
  TestMovie same = movie;
  same.frames = 2;
  same.bits = 24;
  TestMovie small;
  small.width = 4, small.height = 3, small.frames = 3;
  const std::string source = folder + "paste_source.avi", output = folder + "pasted.avi";
  const std::string samePath = folder + "paste_same.avi", smallPath = folder + "paste_small.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  // Another start value: the same size and depth, other pictures.
  same.scale = 3;
  ASSERT_TRUE(WriteTestMovie(samePath, same));
  ASSERT_TRUE(WriteTestMovie(smallPath, small));
  auto sourceFrame = [&](int i) { return Pixels24(movie, i); };
  struct Case {
    const char* label;
    std::string pasted;
    bool redrawn;
    std::vector<Bytes> frames;  // 24-bit pixel rows of the result
    std::vector<std::string> titles;
  } cases[] = {
      {"the same format is pasted before the frame at the position",
       samePath,
       false,
       {sourceFrame(0), sourceFrame(1), Pixels24(same, 0), Pixels24(same, 1), sourceFrame(2),
        sourceFrame(3)},
       {}},
      {"another size is redrawn stretched, after the frame at the position",
       smallPath,
       true,
       {sourceFrame(0), sourceFrame(1), sourceFrame(2), Enlarged(Pixels24(small, 0), 4, 3, 2),
        Enlarged(Pixels24(small, 1), 4, 3, 2), Enlarged(Pixels24(small, 2), 4, 3, 2),
        sourceFrame(3)},
       {"0/7", "1/7", "2/7", "3/7", "4/7", "5/7", "6/7"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Remove(output);
    TestPlayer player(source);
    MCIWndSeek(player.player(), 2);
    DialogScript script;
    script.OpenFile(c.pasted).SaveFile(output);
    if (c.redrawn)
      script.ChooseCompressor(kUncompressed);
    else
      script.ChooseCompressor(kUncompressed);
    RunCommand(PasteMovie, script, true);
    const std::vector<Bytes> frames = ReadPackedFrames(output);
    ASSERT_EQ(frames.size(), c.frames.size());
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(Pixels(frames[i]), c.frames[i]) << i;
    std::vector<std::string> progress;
    for (const std::string& t : player.titles())
      if (t.find('/') != std::string::npos) progress.push_back(t);
    EXPECT_EQ(progress, c.titles);
    EXPECT_EQ(ReadStreamInfo(output, kStreamTypeAudio).fccType, 0u) << "video only";
    KeepForFfmpeg(output, c.redrawn ? "pasted_redrawn.avi" : "pasted.avi", c.frames, movie.width,
                  movie.height);
  }
}

// 8-bit frames under another colour table cannot join the stream (they would
// show in the first movie's colours): the pasted movie is redrawn, every frame
// in its own colours.
TEST(StreamEditing, PasteUnderAnotherColourTableIsRedrawnInItsOwnColours) {
  const std::string folder = Folder();
  TestMovie movie;
  movie.bits = 8, movie.frames = 2;
  const std::string source = folder + "paste_palette_source.avi";
  const std::string pasted = folder + "paste_palette_other.avi",
                    output = folder + "pasted_palette.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  // The same indices under the negated colours.
  Bytes format = TestMovieFormat(movie);
  for (size_t i = 40; i < format.size(); i += 4)
    for (size_t c = 0; c < 3; ++c) format[i + c] = static_cast<uint8_t>(255 - format[i + c]);
  std::vector<Bytes> samples = {TestMoviePixels(movie, 0), TestMoviePixels(movie, 1)};
  ASSERT_TRUE(WriteRawMovie(pasted, format, samples));
  Remove(output);
  TestPlayer player(source);
  MCIWndSeek(player.player(), 0);
  DialogScript script;
  script.OpenFile(pasted).SaveFile(output).ChooseCompressor(kUncompressed);
  RunCommand(PasteMovie, script, true);
  const std::vector<Bytes> want = {
      Pixels24(movie, 0), Pixels24(format, samples[0], movie.width, movie.height),
      Pixels24(format, samples[1], movie.width, movie.height), Pixels24(movie, 1)};
  ASSERT_NE(want[0], want[1]) << "the colour tables must differ";
  const std::vector<Bytes> frames = ReadPackedFrames(output);
  ASSERT_EQ(frames.size(), want.size());
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(Pixels(frames[i]), want[i]) << i;
  KeepForFfmpeg(output, "pasted_palette.avi", want, movie.width, movie.height);
}

TEST(StreamEditing, HalvingKeepsEveryOtherFrameAtTwiceTheScale) {
  const std::string folder = Folder();
  struct Case {
    int frames;
    std::vector<int> kept;
  } cases[] = {{10, {0, 2, 4, 6, 8}}, {1, {0}}, {5, {0, 2, 4}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    TestMovie movie;
    movie.frames = c.frames, movie.rate = 30, movie.scale = 2, movie.bits = 8;
    const std::string source = folder + "halve.avi", output = folder + "halved.avi";
    ASSERT_TRUE(WriteTestMovie(source, movie));
    Remove(output);
    TestPlayer player(source);
    DialogScript script;
    script.SaveFile(output).ChooseCompressor(kUncompressed).Message(kTitleGlad, kMessageDone);
    RunCommand(HalveFrameCount, script, true);
    const std::vector<Bytes> frames = ReadPackedFrames(output);
    ASSERT_EQ(frames.size(), c.kept.size());
    std::vector<Bytes> expected;
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(Pixels(frames[i]), TestMoviePixels(movie, c.kept[i])) << i;
      expected.push_back(Pixels24(movie, c.kept[i]));
    }
    const AviStreamInfo info = ReadStreamInfo(output, kStreamTypeVideo);
    EXPECT_EQ(info.dwScale, 4u);
    EXPECT_EQ(info.dwRate, 30u);
    if (c.frames == 10) KeepForFfmpeg(output, "halved.avi", expected, movie.width, movie.height);
  }
}

TEST(StreamEditing, ReversingPutsTheLastFrameFirst) {
  const std::string folder = Folder();
  struct Case {
    int frames;
    int bits;
  } cases[] = {{3, 24}, {1, 16}, {7, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    TestMovie movie;
    movie.frames = c.frames, movie.bits = c.bits, movie.soundSamples = 1000;
    const std::string source = folder + "reverse.avi", output = folder + "reversed.avi";
    ASSERT_TRUE(WriteTestMovie(source, movie));
    Remove(output);
    TestPlayer player(source);
    DialogScript script;
    script.SaveFile(output)
        .ChooseCompressor(kUncompressed)
        .Message(kTitleGladIndeed, kMessageReverseDone);
    RunCommand(ReverseMovie, script, true);
    const std::vector<Bytes> frames = ReadPackedFrames(output);
    ASSERT_EQ(frames.size(), size_t(c.frames));
    std::vector<Bytes> expected;
    for (int i = 0; i < c.frames; ++i) {
      EXPECT_EQ(Pixels(frames[i]), TestMoviePixels(movie, c.frames - 1 - i)) << i;
      expected.push_back(Pixels24(movie, c.frames - 1 - i));
    }
    EXPECT_EQ(ReadStreamInfo(output, kStreamTypeAudio).fccType, 0u) << "video only";
    if (c.frames == 3) KeepForFfmpeg(output, "reversed.avi", expected, movie.width, movie.height);
  }
}

TEST(StreamEditing, ConvertTo24BitRedrawsEveryDepthAndOffersTheSound) {
  const std::string folder = Folder();
  struct Case {
    int bits;
    MessageAnswer sound;
  } cases[] = {{8, MessageAnswer::Yes}, {16, MessageAnswer::Yes}, {32, MessageAnswer::No}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    TestMovie movie;
    movie.width = 9, movie.frames = 3, movie.bits = c.bits, movie.soundSamples = 1200;
    const std::string source = folder + "convert.avi", output = folder + "converted.avi";
    ASSERT_TRUE(WriteTestMovie(source, movie));
    Remove(output);
    TestPlayer player(source);
    DialogScript script;
    script.SaveFile(output)
        .ChooseCompressor(kUncompressed)
        .Message(kTitleByTheWay, kMessageSaveAudio, c.sound)
        .Message(kTitleDidIt, kMessageDone);
    RunCommand(ConvertTo24Bit, script, true);
    const std::vector<Bytes> frames = ReadPackedFrames(output);
    ASSERT_EQ(frames.size(), 3u);
    std::vector<Bytes> expected;
    for (int i = 0; i < 3; ++i) {
      BitmapHeader h;
      ASSERT_TRUE(BitmapHeaderRead(frames[i].data(), frames[i].size(), h));
      EXPECT_EQ(h.biBitCount, 24);
      expected.push_back(Pixels24(movie, i));
      EXPECT_EQ(Pixels(frames[i]), expected.back()) << i;
    }
    const bool withSound = c.sound == MessageAnswer::Yes;
    EXPECT_EQ(ReadSound(output), withSound ? TestMoviePcm(movie) : Bytes());
    EXPECT_EQ(player.titles(),
              (withSound ? std::vector<std::string>{"0/3", "1/3", "2/3", kTitleSavingAudio}
                         : std::vector<std::string>{"0/3", "1/3", "2/3"}));
    if (withSound)
      KeepForFfmpeg(output, "converted_" + std::to_string(c.bits) + ".avi", expected, movie.width,
                    movie.height, TestMoviePcm(movie));
  }
}

// The destination held open by another program: the save fails while it is.
// When the retry is asked, the other program may let go first.
struct HeldDestination {
  HANDLE file = INVALID_HANDLE_VALUE;
  bool releaseOnRetry = false;
  MessageHandlerSlot previous;
};

MessageAnswer ReleaseThenAnswer(const MessageRequest& request, void* context) {
  auto* held = static_cast<HeldDestination*>(context);
  if (held->releaseOnRetry && request.title == kTitleAlmostThere &&
      held->file != INVALID_HANDLE_VALUE) {
    CloseHandle(held->file);
    held->file = INVALID_HANDLE_VALUE;
  }
  return held->previous.handler(request, held->previous.context);
}

TEST(StreamEditing, AFailedSaveIsRetriedUncompressed) {
  const std::string folder = Folder();
  TestMovie movie;
  movie.frames = 3;
  const std::string source = folder + "retry.avi", output = folder + "retried.avi";
  ASSERT_TRUE(WriteTestMovie(source, movie));
  struct Case {
    const char* label;
    bool releaseOnRetry;
    MessageAnswer answer;
    std::vector<std::string> messages;
    bool result;
  } cases[] = {
      {"the file let go before the retry",
       true,
       MessageAnswer::Yes,
       {std::string(kTitleAlmostThere) + ": " + kMessageSaveFailedTryPlain,
        std::string(kTitleGladIndeed) + ": " + kMessageReverseDone},
       true},
      {"still held at the retry",
       false,
       MessageAnswer::Yes,
       {std::string(kTitleAlmostThere) + ": " + kMessageSaveFailedTryPlain,
        std::string(kTitleAgain) + ": " + kMessageFailedAgainBusy},
       false},
      {"no retry",
       false,
       MessageAnswer::No,
       {std::string(kTitleAlmostThere) + ": " + kMessageSaveFailedTryPlain},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Remove(output);
    TestPlayer player(source);
    HeldDestination held;
    held.file =
        CreateFileW(Widen(output).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held.file, INVALID_HANDLE_VALUE);
    held.releaseOnRetry = c.releaseOnRetry;
    held.previous = SetMessageHandler({ReleaseThenAnswer, &held});
    DialogScript script;
    script.SaveFile(output)
        .AnyMessage(MessageAnswer::Yes)  // replace the file that is there
        .ChooseCompressor(kUncompressed)
        .Message(kTitleAlmostThere, kMessageSaveFailedTryPlain, c.answer);
    if (c.answer == MessageAnswer::Yes)
      script.Message(c.result ? kTitleGladIndeed : kTitleAgain,
                     c.result ? kMessageReverseDone : kMessageFailedAgainBusy);
    DialogDriver driver(script);
    EXPECT_EQ(ReverseMovie(), c.result);
    const std::vector<std::string> lines = MessageLines(driver.Finish());
    SetMessageHandler(held.previous);
    if (held.file != INVALID_HANDLE_VALUE) CloseHandle(held.file);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), c.messages);
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
    const std::vector<Bytes> frames = ReadPackedFrames(output);
    ASSERT_EQ(frames.size(), c.result ? 3u : 0u);
    for (size_t i = 0; i < frames.size(); ++i)
      EXPECT_EQ(Pixels(frames[i]), TestMoviePixels(movie, 2 - static_cast<int>(i))) << i;
  }
}

// Every stored sample of the video stream and whether it is a key frame.
std::vector<std::pair<Bytes, bool>> RawSamples(const std::string& path) {
  std::vector<std::pair<Bytes, bool>> out;
  AviStreamRef video;
  if (AviStreamOpenFromFile(path, kStreamTypeVideo, 0, video) != AVIERR_OK) return out;
  for (int64_t i = AviStreamStart(*video); i < AviStreamEnd(*video); ++i) {
    int64_t bytes = 0, samples = 0;
    if (video->Read(i, 1, nullptr, 0, &bytes, &samples) != AVIERR_OK) break;
    Bytes sample(static_cast<size_t>(bytes));
    if (bytes > 0 && video->Read(i, 1, sample.data(), bytes, &bytes, &samples) != AVIERR_OK) break;
    out.emplace_back(sample, video->IsKeyFrame(i));
  }
  return out;
}

TEST(StreamEditing, CompressedFramesAreCopiedUnchangedWhenNoRecompressionIsAsked) {
  const std::string folder = Folder();
  struct Case {
    const char* label;
    std::string source;  // made by ffmpeg, with delta frames
    std::function<void(DialogScript&)> options;
  } cases[] = {
      {"cinepak, its own codec chosen", Narrow(ProgramPath(EDITING_CINEPAK)),
       [](DialogScript& s) { s.ChooseCompressor("Cinepak Video codec"); }},
      // No Video 1 compressor here: the save fails and is retried without
      // recompression.
      {"video 1, a codec that cannot compress", Narrow(ProgramPath(EDITING_VIDEO1)),
       [](DialogScript& s) {
         s.ChooseCompressor("Wine Video 1 video codec")
             .Message(kTitleAlmostThere, kMessageSaveFailedTryPlain, MessageAnswer::Yes);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string output = folder + "copied.avi";
    Remove(output);
    TestPlayer player(c.source);
    DialogScript script;
    script.SaveFile(output);
    c.options(script);
    RunCommand([] { return ExtractTrack(true); }, script, true);
    const auto written = RawSamples(output), stored = RawSamples(c.source);
    ASSERT_EQ(stored.size(), 8u);
    EXPECT_EQ(written, stored);
    const std::string name = std::string("copied_") + (c.label[0] == 'c' ? "cinepak" : "video1");
    ASSERT_TRUE(
        CopyFileW(Widen(output).c_str(), Widen(OutputFolder() + name + ".avi").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Widen(c.source).c_str(),
                          Widen(OutputFolder() + name + ".avi.source").c_str(), FALSE));
  }
}

// Every frame of a movie as 24-bit pixel rows, read in order by our reader
// (through the decompressor for compressed frames).
std::vector<Bytes> Frames24(const std::string& path) {
  std::vector<Bytes> frames;
  ownavi::AVIFileInit();
  PAVISTREAM stream = nullptr;
  if (ownavi::AVIStreamOpenFromFileW(&stream, Widen(path).c_str(), streamtypeVIDEO, 0, OF_READ,
                                     nullptr) == 0) {
    BITMAPINFOHEADER want{};
    want.biSize = sizeof want;
    want.biBitCount = 24;
    PGETFRAME reader = ownavi::AVIStreamGetFrameOpen(stream, &want);
    for (LONG i = 0; reader && i < ownavi::AVIStreamLength(stream); ++i) {
      const auto* f = static_cast<const uint8_t*>(ownavi::AVIStreamGetFrame(reader, i));
      BitmapHeader h;
      if (!f || !BitmapHeaderRead(f, 40, h)) break;
      frames.emplace_back(f + 40, f + 40 + DibStride(h.biWidth, 24) * std::abs(h.biHeight));
    }
    if (reader) ownavi::AVIStreamGetFrameClose(reader);
    ownavi::AVIStreamRelease(stream);
  }
  ownavi::AVIFileExit();
  return frames;
}

TEST(StreamEditing, DeltaFramesKeepTheirPicturesWhereverTheEditListPutsThem) {
  const std::string folder = Folder();
  struct Codec {
    const char* name;
    std::string source;  // 12 frames of ffmpeg's, most of them delta frames
    // How the save is made without recompression.
    std::function<void(DialogScript&)> noRecompression;
  } codecs[] = {
      {"cinepak", Narrow(ProgramPath(EDITING_LIFE_CINEPAK)),
       [](DialogScript& s) { s.ChooseCompressor("Cinepak Video codec"); }},
      {"video1", Narrow(ProgramPath(EDITING_LIFE_VIDEO1)),
       [](DialogScript& s) {
         s.ChooseCompressor("Wine Video 1 video codec")
             .Message(kTitleAlmostThere, kMessageSaveFailedTryPlain, MessageAnswer::Yes);
       }},
  };
  for (const Codec& codec : codecs) {
    SCOPED_TRACE(codec.name);
    const auto stored = RawSamples(codec.source);
    ASSERT_EQ(stored.size(), 12u);
    // The pictures as our decoder makes them reading forward, the only order
    // the old reader got right.
    const std::vector<Bytes> pictures = Frames24(codec.source);
    ASSERT_EQ(pictures.size(), 12u);
    int delta = 0, key = 0;  // the first delta frame after frame 1, the last key frame
    for (int i = 2; i < 12; ++i) {
      if (!stored[i].second && !delta) delta = i;
      if (stored[i].second) key = i;
    }
    ASSERT_GT(delta, 1);
    ASSERT_GT(key, 1) << "a key frame to paste at";
    // ffmpeg's decoding of the source, the reference. Its decoders round
    // otherwise (Cinepak's colours, Video 1's five bits widened to eight):
    // one step either way.
    const Bytes ffmpeg = ReadWhole(codec.source + ".bgr24");
    const size_t frameBytes = 32 * 24 * 3;
    ASSERT_EQ(ffmpeg.size(), 12 * frameBytes);
    std::vector<Bytes> reference;
    for (size_t i = 0; i < 12; ++i) {
      reference.emplace_back(ffmpeg.begin() + i * frameBytes,
                             ffmpeg.begin() + (i + 1) * frameBytes);
      const Bytes ours = TopDownRows(pictures[i], 32, 24);
      int most = 0;
      for (size_t k = 0; k < frameBytes; ++k)
        most = std::max(most, std::abs(int{ours[k]} - int{reference[i][k]}));
      EXPECT_LE(most, 1) << "frame " << i;
    }
    auto range = [](int from, int to, int step = 1) {
      std::vector<int> out;
      for (int i = from; step > 0 ? i < to : i > to; i += step) out.push_back(i);
      return out;
    };
    // The frames of a paste of the movie into itself before frame at.
    auto pastedAt = [&](int at) {
      std::vector<int> order = range(0, at);
      for (int i : range(0, 12)) order.push_back(i);
      for (int i : range(at, 12)) order.push_back(i);
      return order;
    };
    struct Case {
      const char* label;
      bool (*command)();
      int position;            // of the player
      bool uncompressed;       // "Full Frames (Uncompressed)", or no recompression
      std::vector<int> order;  // source frames of the result
      bool copied;             // the stored samples copied as they are
      std::function<void(DialogScript&)> end;
    } cases[] = {
        {"reversed", ReverseMovie, 0, false, range(11, -1, -1), false,
         [](DialogScript& s) { s.Message(kTitleGladIndeed, kMessageReverseDone); }},
        {"reversed, full frames", ReverseMovie, 0, true, range(11, -1, -1), false,
         [](DialogScript& s) { s.Message(kTitleGladIndeed, kMessageReverseDone); }},
        {"halved", HalveFrameCount, 0, false, range(0, 12, 2), false,
         [](DialogScript& s) { s.Message(kTitleGlad, kMessageDone); }},
        {"halved, full frames", HalveFrameCount, 0, true, range(0, 12, 2), false,
         [](DialogScript& s) { s.Message(kTitleGlad, kMessageDone); }},
        {"pasted before a delta frame", PasteMovie, delta, false, pastedAt(delta), false, nullptr},
        {"pasted before a delta frame, full frames", PasteMovie, delta, true, pastedAt(delta),
         false, nullptr},
        {"pasted before a key frame", PasteMovie, key, false, pastedAt(key), true, nullptr},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.label);
      const std::string output = folder + "delta_out.avi";
      Remove(output);
      TestPlayer player(codec.source);
      MCIWndSeek(player.player(), c.position);
      DialogScript script;
      if (c.command == PasteMovie) script.OpenFile(codec.source);
      script.SaveFile(output);
      if (c.uncompressed)
        script.ChooseCompressor(kUncompressed);
      else
        codec.noRecompression(script);
      if (c.end) c.end(script);
      RunCommand(c.command, script, true);
      const std::vector<Bytes> frames = Frames24(output);
      ASSERT_EQ(frames.size(), c.order.size());
      std::vector<Bytes> expected;
      for (size_t i = 0; i < frames.size(); ++i) {
        expected.push_back(pictures[c.order[i]]);
        EXPECT_EQ(frames[i], expected.back()) << i;
      }
      const auto written = RawSamples(output);
      AviStreamRef video;
      ASSERT_EQ(AviStreamOpenFromFile(output, kStreamTypeVideo, 0, video), AVIERR_OK);
      std::vector<uint8_t> format;
      BitmapHeader h;
      ASSERT_EQ(video->ReadFormat(0, format), AVIERR_OK);
      ASSERT_TRUE(BitmapHeaderRead(format.data(), format.size(), h));
      if (c.copied) {
        std::vector<std::pair<Bytes, bool>> samples;
        for (int i : c.order) samples.push_back(stored[i]);
        EXPECT_EQ(written, samples);
      } else {
        EXPECT_EQ(h.biCompression, uint32_t{BI_RGB}) << "saved decoded";
      }
      std::string name = std::string("delta_") + codec.name + "_" + c.label + ".avi";
      for (char& ch : name)
        if (ch == ' ' || ch == ',') ch = '_';
      // ffmpeg decodes what stays compressed, and widens 16-bit pixels, its
      // own way; 24 and 32 bits it reads as they are.
      const bool ffmpegs = c.copied || h.biBitCount == 16;
      KeepForFfmpeg(output, name, {}, 0, 0);
      Bytes rows;
      for (int i : c.order) {
        const Bytes r = ffmpegs ? reference[i] : TopDownRows(pictures[i], 32, 24);
        rows.insert(rows.end(), r.begin(), r.end());
      }
      WriteBytes(OutputFolder() + name + ".bgr24", rows);
    }
  }
}

TEST(StreamEditing, ACancelledChooserEndsSilentlyAndAnUnwritableOutputSaysSo) {
  const std::string folder = Folder();
  TestMovie movie;
  movie.frames = 3, movie.soundSamples = 600;
  TestMovie small;
  small.width = 4, small.height = 3, small.frames = 2;
  const std::string source = folder + "cancel.avi", smallPath = folder + "cancel_small.avi";
  const std::string wave = folder + "cancel.wav", output = folder + "cancelled.avi";
  // Held open by another program for the whole test: no file can be made there.
  const std::string blocked = folder + "blocked.avi";
  HANDLE held =
      CreateFileW(Widen(blocked).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WriteTestMovie(source, movie));
  ASSERT_TRUE(WriteTestMovie(smallPath, small));
  ASSERT_TRUE(WriteTestWav(wave, 2, 16, 8000, TestMoviePcm(movie)));
  const std::string tryAgain = std::string(kTitleTrouble) + ": " + kMessageSaveOpenFailed;
  struct Case {
    const char* label;
    std::function<bool()> command;
    std::function<void(DialogScript&)> script;
    std::vector<std::string> messages;
  } cases[] = {
      {"video track", [] { return ExtractTrack(true); },
       [&](DialogScript& s) { s.SaveFile(output).CancelCompressor(); }},
      {"sound track", [] { return ExtractTrack(false); },
       [&](DialogScript& s) {
         s.SaveFile(folder + "cancelled.wav").DialogCaptioned(kSoundChooser, [](DialogHandle& d) {
           d.Close();
         });
       }},
      {"join", JoinVideoAndSound,
       [&](DialogScript& s) { s.OpenFile(wave).SaveFile(output).CancelSaveOptions(); }},
      {"paste", PasteMovie,
       [&](DialogScript& s) { s.OpenFile(source).SaveFile(output).CancelCompressor(); }},
      {"paste redrawn", PasteMovie,
       [&](DialogScript& s) { s.OpenFile(smallPath).SaveFile(output).CancelCompressor(); }},
      {"halve", HalveFrameCount, [&](DialogScript& s) { s.SaveFile(output).CancelCompressor(); }},
      {"24 bits", ConvertTo24Bit, [&](DialogScript& s) { s.SaveFile(output).CancelCompressor(); }},
      {"reverse", ReverseMovie, [&](DialogScript& s) { s.SaveFile(output).CancelCompressor(); }},
      {"paste redrawn into a folder",
       PasteMovie,
       [&](DialogScript& s) {
         s.OpenFile(smallPath)
             .SaveFile(blocked)
             .AnyMessage(MessageAnswer::Yes)
             .ChooseCompressor(kUncompressed)
             .Message(kTitleTrouble, kMessageSaveOpenFailed)
             .Message(kTitleFailed, kMessageNoMemoryContextHandle);
       },
       {"", tryAgain, std::string(kTitleFailed) + ": " + kMessageNoMemoryContextHandle}},
      {"24 bits into a folder",
       ConvertTo24Bit,
       [&](DialogScript& s) {
         s.SaveFile(blocked)
             .AnyMessage(MessageAnswer::Yes)
             .ChooseCompressor(kUncompressed)
             .Message(kTitleTrouble, kMessageSaveOpenFailed)
             .Message(kTitleOh, kMessageNoMemoryContext);
       },
       {"", tryAgain, std::string(kTitleOh) + ": " + kMessageNoMemoryContext}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TestPlayer player(source);
    DialogScript script;
    c.script(script);
    DialogDriver driver(script);
    EXPECT_FALSE(c.command());
    std::vector<std::string> lines = MessageLines(driver.Finish());
    // The replace question of the save dialog is the system's own.
    if (!c.messages.empty() && !lines.empty()) lines[0] = "";
    EXPECT_EQ(lines, c.messages);
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
    EXPECT_FALSE(Exists(output));
    EXPECT_FALSE(Exists(folder + "cancelled.WAV"));
  }
  CloseHandle(held);
}

}  // namespace

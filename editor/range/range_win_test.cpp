// The range commands under Wine, driven through the menu's command rows and
// their real dialogs on movies held by a real media-control window: the
// range dialog's edits, bar, shortcuts and time text; frames as bitmap
// files; the range as a new AVI with its stretch of sound; "画面を保存(&S)";
// the text drawing and its dialog. Outputs stay in a folder of the build for
// the ffmpeg check run from the host.
#include "editor/range/range_dialog_win.h"

#include "editor/pipeline/output_movie_win.h"
#include "editor/pipeline/pipeline_test_movies_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "editor/commands/command_table_win.h"
#include "editor/commands/messages.h"
#include "editor/commands/player_shell_win.h"
#include "editor/commands/resource.h"
#include "editor/range/range_resource.h"
#include "editor/range/text_drawing_win.h"
#include "testing/dialog_driver_win.h"
#include "testing/file_bytes.h"
#include "testing/program_path_win.h"

namespace {

constexpr char kUncompressed[] = "Full Frames (Uncompressed)";

std::string OutputFolder() {
  std::wstring folder = ProgramPath(RANGE_OUTPUT_DIR);
  CreateDirectoryW(folder.c_str(), nullptr);
  return Narrow(folder) + "\\";
}

std::string WriteMovie(const std::string& name, const TestMovie& movie) {
  const std::string path = OutputFolder() + name;
  EXPECT_TRUE(WriteTestMovie(path, movie)) << path;
  return path;
}

// What the menu does for the row: the row's dialog kind stored, its action run.
bool RunCommand(UINT id) {
  const EditorCommand* row = FindEditorCommand(id);
  EXPECT_TRUE(row && row->action) << id;
  if (!row || !row->action) return false;
  if (row->dialogKind != kNoDialogKind) gDialogKind = DialogKind(row->dialogKind);
  return row->action();
}

void Seek(const TestPlayer& player, LONG frame) {
  SendMessageW(player.player(), MCI_SEEK, 0, frame);
}

std::string QuestionFor(int start, int end) {
  char text[256];
  std::snprintf(text, sizeof text, kRangeMessageConfirmFormat, start, end);
  return text;
}

// The range dialog set to start..end and confirmed.
DialogAction ChooseRange(int start, int end) {
  return [start, end](DialogHandle& d) {
    d.SetText(IDC_RANGE_END, std::to_string(end));
    d.SetText(IDC_RANGE_START, std::to_string(start));
    d.Click(IDC_RANGE_OK);
  };
}

std::vector<uint8_t> PackedFrame(const TestMovie& movie, int i) {
  std::vector<uint8_t> frame = TestMovieFormat(movie);
  const std::vector<uint8_t> pixels = TestMoviePixels(movie, i);
  frame.insert(frame.end(), pixels.begin(), pixels.end());
  return frame;
}

// The .bmp files of a folder; with `remove`, they are deleted first.
int BitmapCount(const std::string& folder, bool remove = false) {
  WIN32_FIND_DATAW found{};
  HANDLE h = FindFirstFileW(Widen(folder + "*.bmp").c_str(), &found);
  int count = 0;
  for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) {
    ++count;
    if (remove) DeleteFileW((Widen(folder) + found.cFileName).c_str());
  }
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  return count;
}

struct BarState {
  int min, max, position;
};
BarState Bar(DialogHandle& d) {
  BarState b{};
  GetScrollRange(d.Item(IDC_RANGE_BAR), SB_CTL, &b.min, &b.max);
  b.position = GetScrollPos(d.Item(IDC_RANGE_BAR), SB_CTL);
  return b;
}

}  // namespace

TEST(RangeDialog, EditsBarShortcutsAndTimeFollowTheRules) {
  TestMovie movie;
  movie.frames = 100, movie.rate = 30;
  const std::string path = WriteMovie("range_dialog.avi", movie);
  TestPlayer player(path);
  struct Case {
    const char* what;
    LONG seek;
    std::function<void(DialogHandle&)> act;
    const char *start, *end, *time;
    BarState bar;
  } cases[] = {
      {"opens at the player's position with the start chosen",
       40,
       [](DialogHandle&) {},
       "40",
       "99",
       "00:00:01:96",
       {0, 99, 40}},
      {"after the position at the last frame",
       99,
       [](DialogHandle& d) { d.Click(IDC_RANGE_AFTER); },
       "99",
       "99",
       "00:00:00:00",
       {0, 99, 99}},
      {"before the position",
       30,
       [](DialogHandle& d) { d.Click(IDC_RANGE_BEFORE); },
       "0",
       "30",
       "00:00:01:00",
       {0, 30, 0}},
      {"an end below the start pulls the start",
       60,
       [](DialogHandle& d) { d.SetText(IDC_RANGE_END, "12"); },
       "12",
       "12",
       "00:00:00:00",
       {0, 12, 12}},
      {"too large a start becomes length - 1",
       0,
       [](DialogHandle& d) { d.SetText(IDC_RANGE_START, "5000000000"); },
       "99",
       "99",
       "00:00:00:00",
       {0, 99, 99}},
      {"too large an end becomes length - 1",
       0,
       [](DialogHandle& d) {
         d.SetText(IDC_RANGE_END, "100");
         d.SetText(IDC_RANGE_START, "9");
       },
       "9",
       "99",
       "00:00:03:00",
       {0, 99, 9}},
      {"0 to 90 at 30 frames a second",
       0,
       [](DialogHandle& d) { d.SetText(IDC_RANGE_END, "90"); },
       "0",
       "90",
       "00:00:03:00",
       {0, 90, 0}},
      {"the end chosen: the bar runs from the start to the last frame",
       20,
       [](DialogHandle& d) {
         d.SetText(IDC_RANGE_END, "70");
         d.Click(IDC_RANGE_END_CHOSEN);
       },
       "20",
       "70",
       "00:00:01:66",
       {20, 99, 70}},
      {"dragging moves the chosen end, a page is 10",
       20,
       [](DialogHandle& d) {
         d.Click(IDC_RANGE_END_CHOSEN);
         d.Scroll(IDC_RANGE_BAR, 50);
         d.ScrollCode(IDC_RANGE_BAR, SB_PAGEUP);
       },
       "20",
       "40",
       "00:00:00:66",
       {20, 99, 40}},
      {"the start cannot be dragged past the end",
       20,
       [](DialogHandle& d) {
         d.SetText(IDC_RANGE_END, "30");
         d.Scroll(IDC_RANGE_BAR, 80);
       },
       "30",
       "30",
       "00:00:00:00",
       {0, 30, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Seek(player, c.seek);
    DialogScript script;
    script.Dialog(IDD_RANGE, [&](DialogHandle& d) {
      EXPECT_EQ(d.Caption(), "範囲の設定");
      EXPECT_TRUE(d.Checked(IDC_RANGE_START_CHOSEN));
      c.act(d);
      EXPECT_EQ(d.Text(IDC_RANGE_START), c.start);
      EXPECT_EQ(d.Text(IDC_RANGE_END), c.end);
      EXPECT_EQ(d.Text(IDC_RANGE_TIME), c.time);
      const BarState b = Bar(d);
      EXPECT_EQ(b.min, c.bar.min);
      EXPECT_EQ(b.max, c.bar.max);
      EXPECT_EQ(b.position, c.bar.position);
      d.Click(IDC_RANGE_CANCEL);
    });
    DialogDriver driver(script);
    EXPECT_EQ(RunRangeDialog(player.main(), DialogKind::RangeBitmaps), 0);
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
  }
}

TEST(RangeDialog, RefusalsKeepItOpenAndBadFilesCloseIt) {
  TestMovie movie;
  movie.frames = 10;
  const std::string path = WriteMovie("range_refuse.avi", movie);
  {
    TestPlayer player(path);
    DialogScript script;
    script
        .Dialog(IDD_RANGE,
                [](DialogHandle& d) {
                  d.SetText(IDC_RANGE_START, "-3");  // pasted: the box takes only digits typed
                  d.Click(IDC_RANGE_OK);
                  d.SetText(IDC_RANGE_START, "2");
                  d.Click(IDC_RANGE_OK);  // the question answered No
                  EXPECT_TRUE(d.IsOpen());
                  d.PostClose();
                })
        .Message(kTitleTroubled, kRangeMessageNegativeStart)
        .Message(kRangeTitleJustAsking, QuestionFor(2, 9), MessageAnswer::No);
    DialogDriver driver(script);
    EXPECT_EQ(RunRangeDialog(player.main(), DialogKind::RangeBitmaps), 0);
    driver.Finish();
  }
  {
    TestPlayer player("");
    DialogScript script;
    script.Message(kTitleCannotSay, kMessageNoFile);
    DialogDriver driver(script);
    EXPECT_EQ(RunRangeDialog(player.main(), DialogKind::RangeBitmaps), 0);
    driver.Finish();
  }
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
}

TEST(RangeBitmaps, EveryFrameOfTheRangeIsABitmapFileOfItsDepth) {
  struct Case {
    const char* movieName;
    int bits;
    UINT command;  // the range command, or "画面を保存(&S)"
    LONG seek;
    int start, end;
    std::vector<std::string> files;
  } cases[] = {
      {"clip",
       24,
       ID_EXTRACT_RANGE_BITMAPS,
       0,
       5,
       12,
       {"clip_05", "clip_06", "clip_07", "clip_08", "clip_09", "clip_10", "clip_11", "clip_12"}},
      {"one", 24, ID_EXTRACT_RANGE_BITMAPS, 0, 5, 5, {"one_5"}},
      {"pal", 8, ID_EXTRACT_RANGE_BITMAPS, 0, 8, 10, {"pal_08", "pal_09", "pal_10"}},
      {"hi", 16, ID_EXTRACT_RANGE_BITMAPS, 0, 0, 1, {"hi_0", "hi_1"}},
      {"true", 32, ID_EXTRACT_RANGE_BITMAPS, 0, 3, 3, {"true_3"}},
      {"screen", 24, ID_SAVE_SCREEN, 0, 0, 0, {"screen_0"}},
      {"screenend", 24, ID_SAVE_SCREEN, 9, 9, 9, {"screenend_9"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.movieName);
    TestMovie movie;
    movie.bits = c.bits;
    movie.frames = c.command == ID_SAVE_SCREEN ? 10 : 20;
    const std::string path = WriteMovie(std::string(c.movieName) + ".avi", movie);
    const std::string folder = OutputFolder() + c.movieName + "\\";
    BitmapCount(folder, true);  // a run before must not count
    TestPlayer player(path);
    Seek(player, c.seek);
    DialogScript script;
    if (c.command != ID_SAVE_SCREEN)
      script.Dialog(IDD_RANGE, ChooseRange(c.start, c.end))
          .Message(kRangeTitleJustAsking, QuestionFor(c.start, c.end), MessageAnswer::Yes)
          .Message(kTitleGladIndeed, kRangeMessageWentWell);
    DialogDriver driver(script);
    RunCommand(c.command);
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
    for (size_t k = 0; k < c.files.size(); ++k) {
      const std::vector<uint8_t> file = ReadWhole(folder + c.files[k] + ".bmp");
      const std::vector<uint8_t> dib = PackedFrame(movie, c.start + static_cast<int>(k));
      ASSERT_EQ(file.size(), dib.size() + 14) << c.files[k];
      EXPECT_EQ(file[0], 'B');
      EXPECT_EQ(file[1], 'M');
      EXPECT_EQ(file[2] | file[3] << 8 | file[4] << 16, static_cast<int>(file.size()));
      EXPECT_EQ(file[10] | file[11] << 8,
                14 + static_cast<int>(PixelOffset(c.bits, dib[16], dib[32] | dib[33] << 8)));
      EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14)) << c.files[k];
    }
    EXPECT_EQ(BitmapCount(folder), static_cast<int>(c.files.size()));  // nothing beyond the range
  }
}

TEST(RangeMovie, TheRangeWithItsSoundIsSavedAsANewAvi) {
  struct Case {
    const char* name;
    int soundSamples;
    int start, end;
    const char* chosen;  // the name typed into the save dialog
    const char* written;
    bool cancel = false;  // the save options cancelled: nothing written, nothing said
  } cases[] = {
      {"clip", 20 * 800, 5, 12, "clip2.avi", "clip2.AVI"},
      {"silent", 0, 0, 3, "silent2.avi", "silent2.AVI"},
      {"lastframe", 20 * 800, 19, 19, "lastframe2.avi", "lastframe2.AVI"},
      {"cancelled", 20 * 800, 0, 19, "cancelled2.avi", "cancelled2.AVI", true},
      {"shortsound", 5 * 800, 10, 12, "shortsound2.avi", "shortsound2.AVI"},  // none left: silent
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestMovie movie;
    movie.frames = 20, movie.soundSamples = c.soundSamples;  // 800 samples a frame
    const std::string source = WriteMovie(std::string(c.name) + ".avi", movie);
    const std::string written = OutputFolder() + c.written;
    DeleteFileW(Widen(written).c_str());
    TestPlayer player(source);
    DialogScript script;
    script.Dialog(IDD_RANGE, ChooseRange(c.start, c.end))
        .Message(kRangeTitleJustAsking, QuestionFor(c.start, c.end), MessageAnswer::Yes)
        .SaveFile(OutputFolder() + c.chosen);
    // With one stream the platform asks only for the video's compressor.
    if (c.cancel)
      script.CancelSaveOptions();
    else if (c.soundSamples > c.start * 800)
      script.ConfirmSaveOptions().Message(kTitleGladIndeed, kRangeMessageWentWell);
    else
      script.System(DriverDialogKind::CompressorChooser, [](DialogHandle& d) { d.Click(IDOK); })
          .Message(kTitleGladIndeed, kRangeMessageWentWell);
    DialogDriver driver(script);
    RunCommand(ID_EXTRACT_RANGE_AVI);
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
    if (c.cancel) {
      EXPECT_EQ(GetFileAttributesW(Widen(written).c_str()), INVALID_FILE_ATTRIBUTES);
      continue;
    }

    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW(Widen(written).c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    EXPECT_EQ(Narrow(found.cFileName), c.written);
    const std::vector<std::vector<uint8_t>> frames = ReadPackedFrames(written);
    ASSERT_EQ(frames.size(), static_cast<size_t>(c.end - c.start + 1));
    for (int i = c.start; i <= c.end; ++i)
      EXPECT_EQ(frames[i - c.start], PackedFrame(movie, i)) << "frame " << i;
    const std::vector<uint8_t> pcm = TestMoviePcm(movie);
    const std::vector<uint8_t> stretch(
        pcm.begin() + std::min<size_t>(pcm.size(), c.start * 3200u),
        pcm.begin() + std::min<size_t>(pcm.size(), (c.end + 1) * 3200u));
    EXPECT_EQ(ReadSound(written), stretch);
    EXPECT_EQ(ReadStreamInfo(written, kStreamTypeAudio).fccType,
              c.soundSamples > c.start * 800 ? kStreamTypeAudio : 0u);
    EXPECT_EQ(ReadStreamInfo(written, kStreamTypeVideo).dwRate, movie.rate);
  }
}

namespace {

constexpr int kTextWidth = 48, kTextHeight = 40;

TestMovie TextMovie() {
  TestMovie m;
  m.width = kTextWidth, m.height = kTextHeight, m.frames = 5, m.soundSamples = 4000;
  return m;
}

// The pixels (x, y from the top) where a frame differs from the source's.
struct Changed {
  int count = 0, left = kTextWidth, right = -1, top = kTextHeight, bottom = -1;
};
Changed Differences(const std::vector<uint8_t>& got, const std::vector<uint8_t>& source) {
  Changed c;
  const int64_t stride = DibStride(kTextWidth, 24);
  for (int y = 0; y < kTextHeight; ++y)
    for (int x = 0; x < kTextWidth; ++x) {
      const size_t at = 40 + static_cast<size_t>((kTextHeight - 1 - y) * stride + x * 3);
      if (got.size() < at + 3 || std::memcmp(&got[at], &source[at], 3) == 0) continue;
      ++c.count;
      c.left = std::min(c.left, x), c.right = std::max(c.right, x);
      c.top = std::min(c.top, y), c.bottom = std::max(c.bottom, y);
    }
  return c;
}

void Click(DialogHandle& d, int x, int y) {
  SendMessageW(d.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(d.window(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The frame area of the text dialog as the screen shows it, against a frame.
int PreviewDifferences(HWND dialog, const std::vector<uint8_t>& frame) {
  UpdateWindow(dialog);
  HDC screen = GetDC(dialog);
  int differences = 0;
  const int64_t stride = DibStride(kTextWidth, 24);
  for (int y = 0; y < kTextHeight; ++y)
    for (int x = 0; x < kTextWidth; ++x) {
      const COLORREF shown = GetPixel(screen, x, y);
      const uint8_t* want =
          &frame[40 + static_cast<size_t>((kTextHeight - 1 - y) * stride + x * 3)];
      if (GetRValue(shown) != want[2] || GetGValue(shown) != want[1] || GetBValue(shown) != want[0])
        ++differences;
    }
  ReleaseDC(dialog, screen);
  return differences;
}

}  // namespace

TEST(TextDrawing, TheTextLandsOnTheRangeOnlyAndIsCutAtTheEdges) {
  struct Case {
    const char* name;
    int first, last;  // the range
    const char* text;
    int x, y;
    std::vector<int> drawnOn;
  } cases[] = {
      {"one_frame", 2, 2, "MW", 4, 4, {2}},
      {"two_lines", 1, 3, "MW\r\nMW", 4, 2, {1, 2, 3}},
      {"past_the_edge", 0, 4, "MWMWMWMWMWMWMWMWMWMW", 30, 20, {0, 1, 2, 3, 4}},
      {"empty", 0, 4, "", 4, 4, {}},
  };
  std::vector<int> lineBottoms;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TestMovie movie = TextMovie();
    const std::string source = WriteMovie(std::string("text_") + c.name + ".avi", movie);
    const std::string output = OutputFolder() + "text_" + c.name + "_out.avi";
    DeleteFileW(Widen(output).c_str());
    TestPlayer player(source);
    DialogScript script;
    script.Dialog(IDD_RANGE, ChooseRange(c.first, c.last))
        .Message(kRangeTitleJustAsking, QuestionFor(c.first, c.last), MessageAnswer::Yes)
        .Dialog(IDD_DRAW_TEXT,
                [&](DialogHandle& d) {
                  EXPECT_EQ(d.Caption(), "テキストの描画");
                  int min = 0, max = 0;
                  GetScrollRange(d.Item(IDC_TEXT_FRAME_BAR), SB_CTL, &min, &max);
                  EXPECT_EQ(min, c.first);
                  EXPECT_EQ(max, c.last);
                  d.SetText(IDC_TEXT_BOX, c.text);
                  Click(d, c.x, c.y);
                  d.Click(IDC_TEXT_OK);
                })
        .SaveFile(output)
        .ChooseCompressor(kUncompressed)
        .Message(kTextTitleRelieved, kTextMessageDone);
    DialogDriver driver(script);
    EXPECT_TRUE(RunCommand(ID_DRAW_TEXT));
    driver.Finish();
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);

    const std::vector<std::vector<uint8_t>> frames = ReadPackedFrames(output);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(ReadStreamInfo(output, kStreamTypeAudio).fccType, 0u);  // never any sound
    for (int i = 0; i < 5; ++i) {
      const Changed d = Differences(frames[i], PackedFrame(movie, i));
      const bool drawn = std::find(c.drawnOn.begin(), c.drawnOn.end(), i) != c.drawnOn.end();
      EXPECT_EQ(d.count > 0, drawn) << "frame " << i;
      if (!drawn) continue;
      EXPECT_GE(d.left, c.x) << "frame " << i;
      EXPECT_GE(d.top, c.y) << "frame " << i;
      if (std::string(c.name) == "one_frame") lineBottoms.push_back(d.bottom);
      if (std::string(c.name) == "two_lines" && !lineBottoms.empty()) {
        EXPECT_GT(d.bottom - c.y, 2 * (lineBottoms[0] - 4) - 2) << "a second line below";
      }
      if (std::string(c.name) == "past_the_edge") {
        EXPECT_GE(d.right, kTextWidth - 4);           // on to the edge, not wrapped
        EXPECT_LT(d.bottom, c.y + 16) << "one line";  // nothing wrapped below
      }
    }
  }
}

TEST(TextDrawing, PreviewFollowsTheBarWithinTheRange) {
  const TestMovie movie = TextMovie();
  const std::string source = WriteMovie("text_preview.avi", movie);
  TestPlayer player(source);
  gRangeDialog.textFirst = 1, gRangeDialog.textLast = 3;
  const LOGFONTW kStartFont = DefaultTextFont();
  EXPECT_EQ(kStartFont.lfHeight, 12);
  EXPECT_EQ(kStartFont.lfCharSet, 128);
  DialogScript script;
  script.Dialog(IDD_DRAW_TEXT, [&](DialogHandle& d) {
    EXPECT_EQ(PreviewDifferences(d.window(), PackedFrame(movie, 1)), 0);
    d.Scroll(IDC_TEXT_FRAME_BAR, 3);
    EXPECT_EQ(PreviewDifferences(d.window(), PackedFrame(movie, 3)), 0);
    d.Scroll(IDC_TEXT_FRAME_BAR, 4);  // past the range: stays at its end
    EXPECT_EQ(d.ScrollPos(IDC_TEXT_FRAME_BAR), 3);
    d.ScrollCode(IDC_TEXT_FRAME_BAR, SB_LINEUP);
    EXPECT_EQ(PreviewDifferences(d.window(), PackedFrame(movie, 2)), 0);
    // The font chooser cancelled keeps the font and colour it started with;
    // confirmed, the dialog goes on with what it chose.
    d.Click(IDC_TEXT_FONT);
    EXPECT_EQ(std::memcmp(&gTextDrawing.font, &kStartFont, sizeof kStartFont), 0);
    d.Click(IDC_TEXT_FONT);
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(PreviewDifferences(d.window(), PackedFrame(movie, 2)), 0);
    // The dialog widened itself: the controls sit right of the frame.
    RECT box;
    GetWindowRect(d.Item(IDC_TEXT_BOX), &box);
    MapWindowPoints(nullptr, d.window(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_GE(box.left, kTextWidth);
    d.Click(IDC_TEXT_CANCEL);
  });
  script.CancelFont().ConfirmFont();
  DialogDriver driver(script);
  EXPECT_FALSE(RunTextDialog(player.main()));
  driver.Finish();
  EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
}

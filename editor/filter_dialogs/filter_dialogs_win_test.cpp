// The filter dialogs under Wine, driven through their real controls on a test
// movie held by a real media-control window: controls and start values, the
// preview pane's pixels against the kernels applied here, panning to the
// ends, the start messages, and what confirm and the close box do.
#include "editor/filter_dialogs/filter_dialogs_win.h"

#include "editor/pipeline/output_movie_win.h"
#include "editor/pipeline/pipeline_test_movies_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/commands/resource.h"
#include "editor/filter_dialogs/filter_dialog_ids.h"
#include "editor/filter_dialogs/filter_dialog_rules.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/custom_filter.h"
#include "editor/filters/edge_extraction.h"
#include "editor/filters/light_source.h"
#include "editor/filters/neighbourhood_filters.h"
#include "testing/dialog_driver_win.h"

namespace {

constexpr int kWidth = 200, kHeight = 180;  // wider and taller than every pane

TestMovie Movie(int bits = 24) {
  TestMovie m;
  m.width = kWidth, m.height = kHeight, m.bits = bits, m.frames = 2;
  return m;
}

std::string WriteMovie(const std::string& name, const TestMovie& movie) {
  const std::string path = PipelineTestFolder() + name;
  EXPECT_TRUE(WriteTestMovie(path, movie)) << path;
  return path;
}

// Frame i as the player's reader gives it: the stored packed DIB.
std::vector<uint8_t> PackedFrame(const TestMovie& movie, int i) {
  std::vector<uint8_t> frame = TestMovieFormat(movie);
  const std::vector<uint8_t> pixels = TestMoviePixels(movie, i);
  frame.insert(frame.end(), pixels.begin(), pixels.end());
  return frame;
}

FrameView Pixels(std::vector<uint8_t>& packed) {
  return {packed.data() + 40, kWidth, kHeight, DibStride(kWidth, 24)};
}

void CopyKernel(std::vector<uint8_t>& packed,
                const std::function<void(ConstFrameView, FrameView, FilterScratch&)>& kernel) {
  FrameView dst = Pixels(packed);
  std::vector<uint8_t> source(dst.data, dst.data + dst.stride * dst.height);
  FilterScratch scratch;
  FilterScratchReserve(scratch, dst.width, dst.height);
  kernel({source.data(), dst.width, dst.height, dst.stride}, dst, scratch);
}

// The pane as the screen shows it, compared with a 24-bit frame panned so.
// Returns the number of differing pixels (0 when equal).
int PaneDifferences(HWND dialog, const PreviewPane& pane, const std::vector<uint8_t>& frame,
                    int panX, int panY) {
  const int side = pane.side;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = side;
  bi.bmiHeader.biHeight = -side;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(dialog);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, side, side, screen, pane.x, pane.y, SRCCOPY);
  GdiFlush();
  const auto* shown = static_cast<const uint8_t*>(bits);
  const size_t stride = static_cast<size_t>(DibStride(kWidth, 24));
  int differences = 0;
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c) {
      const uint8_t* want =
          frame.data() + 40 + (kHeight - 1 - (panY + r)) * stride + (panX + c) * 3;
      const uint8_t* got = shown + (r * side + c) * 4;
      if (std::memcmp(want, got, 3) != 0) ++differences;
    }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(dialog, screen);
  return differences;
}

struct Bar {
  int id, min, max, position;
};
struct Box {
  int id;
  const char* text;
};
struct OpenCase {
  int command;
  int templateId;
  const char* caption;
  std::vector<Bar> bars;
  std::vector<Box> boxes;
  std::vector<int> checked, unchecked;
  std::vector<int> buttons;  // confirm and cancel
  bool horizontalPan;        // both pan bars shown for a 200 x 180 movie
};

TEST(FilterDialogs, EachOpensWithItsControlsRangesAndStartValues) {
  const std::string path = WriteMovie("dialogs_open.avi", Movie());
  TestPlayer player(path);
  const std::vector<OpenCase> cases = {
      {ID_RGB,
       IDD_RGB,
       "RGB補正",
       {{1044, 0, 255, 255}, {1023, 0, 255, 255}, {1024, 0, 255, 255}},
       {{1042, "255"}, {1043, "255"}, {1016, "255"}},
       {},
       {1039, 1040, 1041},
       {1003, 1004},
       true},
      {ID_YCRCB,
       IDD_YCRCB,
       "YCrCb補正",
       {{1063, 0, 200, 100}, {1059, 0, 200, 100}, {1060, 0, 200, 100}},
       {{1062, "100"}, {1061, "100"}, {1016, "100"}},
       {},
       {},
       {1003, 1004},
       true},
      {ID_WATERCOLOUR,
       IDD_STRENGTH,
       "水彩画",
       {{1022, 0, 24, 4}},
       {{1014, "4"}},
       {},
       {},
       {1016, 1017},
       true},
      {ID_CONTRAST,
       IDD_STRENGTH,
       "コントラスト",
       {{1022, 0, 255, 128}},
       {{1014, "0"}},
       {},
       {},
       {1016, 1017},
       true},
      {ID_BLUR,
       IDD_STRENGTH,
       "ぼかし",
       {{1022, 1, 5, 2}},
       {{1014, "2"}},
       {},
       {},
       {1016, 1017},
       true},
      {ID_UNSHARP,
       IDD_STRENGTH,
       "アンシャープマスク",
       {{1022, 1, 3, 1}},
       {{1014, "1"}},
       {},
       {},
       {1016, 1017},
       true},
      {ID_MEDIAN,
       IDD_STRENGTH,
       "メディアンフィルタ",
       {{1022, 1, 3, 1}},
       {{1014, "1"}},
       {},
       {},
       {1016, 1017},
       true},
      {ID_GAMMA,
       IDD_STRENGTH,
       "ガンマ補正",
       {{1022, 0, 255, 128}},
       {{1014, "128"}},
       {},
       {},
       {1016, 1017},
       true},
      {ID_EDGE,
       IDD_EDGE,
       "輪郭の抽出",
       {{1022, 0, 255, 50}},
       {{1014, "50"}},
       {1020},
       {1021, 1064, 1070},
       {1016, 1017},
       true},
      {ID_CUSTOM,
       IDD_CUSTOM,
       "カスタムフィルタ",
       {{1052, 1, 50, 1}, {1049, 0, 255, 0}, {1046, 0, 255, 0}, {1047, 0, 255, 0}},
       {{1014, "0"},
        {1019, "0"},
        {1015, "0"},
        {1020, "0"},
        {1021, "1"},
        {1022, "0"},
        {1023, "0"},
        {1024, "0"},
        {1025, "0"},
        {1053, "1"},
        {1048, "0"},
        {1050, "0"},
        {1051, "0"}},
       {},
       {1070},
       {1003, 1004, 1034, 1016, 1017, 1018, 1026, 1027, 1028, 1029, 1030, 1054, 1055, 1058},
       true},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.caption);
    DialogScript script;
    script.Dialog(c.templateId, [&c](DialogHandle& d) {
      EXPECT_EQ(d.Caption(), c.caption);
      for (const Bar& b : c.bars) {
        int low = -1, high = -1;
        GetScrollRange(d.Item(b.id), SB_CTL, &low, &high);
        EXPECT_EQ(low, b.min) << b.id;
        EXPECT_EQ(high, b.max) << b.id;
        EXPECT_EQ(d.ScrollPos(b.id), b.position) << b.id;
      }
      for (const Box& b : c.boxes) EXPECT_EQ(d.Text(b.id), b.text) << b.id;
      for (int id : c.checked) EXPECT_TRUE(d.Checked(id)) << id;
      for (int id : c.unchecked) EXPECT_FALSE(d.Checked(id)) << id;
      for (int id : c.buttons) EXPECT_TRUE(d.Enabled(id)) << id;
      EXPECT_EQ(d.Visible(IDC_PAN_HORIZONTAL), c.horizontalPan);
      EXPECT_TRUE(d.Visible(IDC_PAN_VERTICAL));
      d.Click(c.buttons[1]);  // cancel
    });
    DialogDriver driver(script);
    EXPECT_FALSE(RunFilterDialog(player.main(), c.command));
    EXPECT_TRUE(driver.Finish().empty());
  }
}

struct PreviewCase {
  const char* label;
  int command, templateId;
  PreviewPane pane;
  std::function<void(DialogHandle&)> change;  // the parameter change
  std::function<void(std::vector<uint8_t>&)> kernel;
};

TEST(FilterDialogs, PaneShowsTheKernelOnThePlayersFrameAfterAChangeAndAtThePanEnds) {
  const TestMovie movie = Movie();
  const std::string path = WriteMovie("dialogs_preview.avi", movie);
  TestPlayer player(path);
  const std::vector<PreviewCase> cases = {
      {"rgb", ID_RGB, IDD_RGB, kRgbPane,
       [](DialogHandle& d) {
         d.Scroll(1044, 100);
         d.Click(1040);
       },
       [](std::vector<uint8_t>& f) {
         ApplyRgbCorrection(f.data(), f.size(), 100, 255, 255, false, true, false);
       }},
      {"ycrcb", ID_YCRCB, IDD_YCRCB, kYCrCbPane, [](DialogHandle& d) { d.Scroll(1063, 150); },
       [](std::vector<uint8_t>& f) { ApplyYCrCbCorrection(f.data(), f.size(), 150, 100, 100); }},
      {"contrast at the left end", ID_CONTRAST, IDD_STRENGTH, kStrengthPane,
       [](DialogHandle& d) {
         d.Scroll(1022, 0);
         EXPECT_EQ(d.Text(1014), "-128");
       },
       [](std::vector<uint8_t>& f) { ApplyContrast(f.data(), f.size(), -128); }},
      {"median", ID_MEDIAN, IDD_STRENGTH, kStrengthPane,
       [](DialogHandle& d) {
         d.ScrollCode(1022, SB_LINEDOWN);
         EXPECT_EQ(d.Text(1014), "2");
         EXPECT_EQ(d.Caption(), "メディアンフィルタ");
       },
       [](std::vector<uint8_t>& f) {
         CopyKernel(
             f, [](ConstFrameView s, FrameView d, FilterScratch& x) { ApplyMedian(s, d, 2, x); });
       }},
      {"watercolour paged to its end", ID_WATERCOLOUR, IDD_STRENGTH, kStrengthPane,
       [](DialogHandle& d) {
         d.ScrollCode(1022, SB_PAGEDOWN);
         EXPECT_EQ(d.Text(1014), "14");
         d.ScrollCode(1022, SB_PAGEDOWN);
         EXPECT_EQ(d.Text(1014), "24");
         d.ScrollCode(1022, SB_THUMBPOSITION);
         EXPECT_EQ(d.ScrollPos(1022), 24);
       },
       [](std::vector<uint8_t>& f) {
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyWatercolour(s, d, 24, x);
         });
       }},
      {"edge, Sobel", ID_EDGE, IDD_EDGE, kEdgePane,
       [](DialogHandle& d) {
         d.Scroll(1022, 30);
         d.Click(1064);
       },
       [](std::vector<uint8_t>& f) {
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyEdgeExtraction(s, d, 30, 2, x);
         });
       }},
      {"custom, Laplacian", ID_CUSTOM, IDD_CUSTOM, kCustomPane,
       [](DialogHandle& d) {
         d.Scroll(1049, 255);
         d.Click(1017);
         EXPECT_EQ(d.Text(1019), "-1");
         EXPECT_EQ(d.Text(1021), "4");
         // The centre's arrows change the centre coefficient alone.
         d.SetUpDown(1093, 5);
         EXPECT_EQ(d.Text(1021), "5");
         EXPECT_EQ(d.Text(1019), "-1");
       },
       [](std::vector<uint8_t>& f) {
         static const int8_t c[9] = {0, -1, 0, -1, 5, -1, 0, -1, 0};
         CopyKernel(f, [](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyCustomFilter(s, d, c, 1, 255, 0, 0, x);
         });
       }},
  };
  for (const PreviewCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<uint8_t> expected = PackedFrame(movie, 0);
    c.kernel(expected);
    const int maxX = kWidth - c.pane.side, maxY = kHeight - c.pane.side;
    DialogScript script;
    script.Dialog(c.templateId, [&](DialogHandle& d) {
      c.change(d);
      EXPECT_EQ(PaneDifferences(d.window(), c.pane, expected, 0, 0), 0) << "after the change";
      d.Scroll(IDC_PAN_HORIZONTAL, kWidth);
      d.Scroll(IDC_PAN_VERTICAL, kHeight);
      EXPECT_EQ(d.ScrollPos(IDC_PAN_HORIZONTAL), maxX);
      EXPECT_EQ(d.ScrollPos(IDC_PAN_VERTICAL), maxY);
      EXPECT_EQ(PaneDifferences(d.window(), c.pane, expected, maxX, maxY), 0) << "at the ends";
      d.PostClose();
    });
    DialogDriver driver(script);
    EXPECT_FALSE(RunFilterDialog(player.main(), c.command));
    EXPECT_TRUE(driver.Finish().empty());
  }
}

// A player stand-in that names any file: the start's refusals need files no
// media player would open.
std::wstring gStandInName;
LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == MCIWNDM_GETFILENAMEW) {
    wcsncpy(reinterpret_cast<wchar_t*>(lparam), gStandInName.c_str(), wparam);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST(FilterDialogs, StartRefusalsShowTheirMessageAndCloseTheDialog) {
  static bool registered = [] {
    WNDCLASSW cls{};
    cls.lpfnWndProc = StandInProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"PlayerStandIn";
    return RegisterClassW(&cls) != 0;
  }();
  ASSERT_TRUE(registered);
  const std::string folder = PipelineTestFolder();
  const std::string good = WriteMovie("dialogs_refuse_good.avi", Movie());
  const std::string paletted = WriteMovie("dialogs_refuse_8bit.avi", Movie(8));
  TestMovie empty = Movie();
  empty.frames = 0;
  const std::string noFrames = WriteMovie("dialogs_refuse_empty.avi", empty);
  // Garbage under an AVI name.
  const std::string garbage = folder + "dialogs_refuse_garbage.avi";
  {
    FILE* f = _wfopen(Widen(garbage).c_str(), L"wb");
    ASSERT_TRUE(f);
    fputs("not a movie at all", f);
    fclose(f);
  }
  // A stream in a format no decoder knows.
  const std::string unknown = WriteMovie("dialogs_refuse_codec.avi", Movie());
  {
    FILE* f = _wfopen(Widen(unknown).c_str(), L"r+b");
    ASSERT_TRUE(f);
    std::vector<char> bytes(4096);
    const size_t n = fread(bytes.data(), 1, bytes.size(), f);
    const std::string head(bytes.data(), n);
    const size_t strf = head.find("strf");
    ASSERT_NE(strf, std::string::npos);
    fseek(f, static_cast<long>(strf + 8 + 16), SEEK_SET);
    fwrite("QZQZ", 1, 4, f);
    fclose(f);
  }
  struct Case {
    std::string name;
    int command;
    const char* title;
    const char* text;
  };
  const Case cases[] = {
      {"", ID_RGB, kTitleCannotSay, kMessageNoFile},
      {folder + "movie.txt", ID_YCRCB, kTitleCannotSay, kMessageNotAviPreview},
      {garbage, ID_EDGE, kTitleSorryBut, kMessageCannotProcessPolite},
      {unknown, ID_CUSTOM, kTitleApologies, kMessageCannotProcess},
      {noFrames, ID_CONTRAST, kTitleSorry, kMessageCannotProcessPlain},
      {paletted, ID_BLUR, kTitleSorry, kMessageOnly24Bit},
      {paletted, ID_GAMMA, kTitleSorry, kMessageOnly24Bit},
  };
  HWND standIn = CreateWindowExW(0, L"PlayerStandIn", L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  gEditorWindows = {standIn, standIn};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    gStandInName = Widen(c.name);
    DialogScript script;
    script.Message(c.title, c.text);
    DialogDriver driver(script);
    EXPECT_FALSE(RunFilterDialog(standIn, c.command));
    EXPECT_EQ(driver.Finish().size(), 1u);
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
  }
  // Contrast opens on any depth: no refusal for the palettised movie.
  gStandInName = Widen(paletted);
  {
    DialogScript script;
    script.Dialog(IDD_STRENGTH, [](DialogHandle& d) { d.Click(IDC_STRENGTH_CANCEL); });
    DialogDriver driver(script);
    EXPECT_FALSE(RunFilterDialog(standIn, ID_CONTRAST));
    EXPECT_TRUE(driver.Finish().empty());
  }
  gEditorWindows = EditorWindows{};
  DestroyWindow(standIn);
}

struct ConfirmCase {
  const char* label;
  int command, templateId, confirm;
  std::function<void(DialogHandle&)> change;
  std::function<void(std::vector<uint8_t>&)> kernel;
};

TEST(FilterDialogs, ConfirmRunsTheWholeMovieAndTheCloseBoxWritesNothing) {
  const TestMovie movie = Movie();
  const std::string source = WriteMovie("dialogs_confirm_source.avi", movie);
  const ConfirmCase cases[] = {
      {"median", ID_MEDIAN, IDD_STRENGTH, IDC_STRENGTH_CONFIRM,
       [](DialogHandle& d) { d.Scroll(1022, 3); },
       [](std::vector<uint8_t>& f) {
         CopyKernel(
             f, [](ConstFrameView s, FrameView d, FilterScratch& x) { ApplyMedian(s, d, 3, x); });
       }},
      {"custom emboss", ID_CUSTOM, IDD_CUSTOM, IDC_CONFIRM,
       [](DialogHandle& d) {
         d.Click(1070);
         d.Click(1058);
         EXPECT_EQ(d.Text(1048), "128");
         EXPECT_EQ(d.ScrollPos(1049), 128);
       },
       [](std::vector<uint8_t>& f) {
         const int8_t* c = FindCustomFilterPreset(1058)->coefficients;
         CopyKernel(f, [c](ConstFrameView s, FrameView d, FilterScratch& x) {
           ApplyCustomFilter(s, d, c, 1, 128, 128, 128, x);
         });
       }},
      {"contrast", ID_CONTRAST, IDD_STRENGTH, IDC_STRENGTH_CONFIRM,
       [](DialogHandle& d) { d.Scroll(1022, 200); },
       [](std::vector<uint8_t>& f) { ApplyContrast(f.data(), f.size(), 72); }},
  };
  for (const ConfirmCase& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string output =
        PipelineTestFolder() + "dialogs_confirm_" + std::to_string(c.command) + ".avi";
    DeleteFileW(Widen(output).c_str());
    TestPlayer player(source);
    {  // The close box: no run, nothing written, no file dialog.
      DialogScript script;
      script.Dialog(c.templateId, [&c](DialogHandle& d) {
        c.change(d);
        d.PostClose();
      });
      DialogDriver driver(script);
      EXPECT_FALSE(RunFilterDialog(player.main(), c.command));
      EXPECT_TRUE(driver.Finish().empty());
      EXPECT_EQ(GetFileAttributesW(Widen(output).c_str()), INVALID_FILE_ATTRIBUTES);
    }
    DialogScript script;
    script.Dialog(c.templateId, [&c](DialogHandle& d) {
      c.change(d);
      d.Click(c.confirm);
    });
    script.SaveFile(output)
        .ChooseCompressor("Full Frames (Uncompressed)")
        .Message(kTitleGlad, kMessageDone);
    DialogDriver driver(script);
    EXPECT_TRUE(RunFilterDialog(player.main(), c.command));
    driver.Finish();
    const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
    ASSERT_EQ(written.size(), 2u);
    for (int i = 0; i < 2; ++i) {
      std::vector<uint8_t> expected = PackedFrame(movie, i);
      c.kernel(expected);
      ASSERT_GE(written[i].size(), expected.size());
      EXPECT_TRUE(std::equal(expected.begin() + 40, expected.end(), written[i].begin() + 40))
          << "frame " << i;
    }
  }
}

COLORREF PixelAt(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

void Click(HWND window, UINT message, int x, int y) {
  SendMessageW(window, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
}

TEST(LightDialog, ControlsMarkersDraggingAndTheWholeMovieRun) {
  const TestMovie movie = Movie();
  const std::string source = WriteMovie("dialogs_light_source.avi", movie);
  const std::string output = PipelineTestFolder() + "dialogs_light.avi";
  DeleteFileW(Widen(output).c_str());
  TestPlayer player(source);
  const ThumbnailRect thumb = ComputeThumbnailRect(kWidth, kHeight);
  DialogScript script;
  script.Dialog(IDD_LIGHT, [&](DialogHandle& d) {
    EXPECT_EQ(d.Caption(), "光源");
    for (int bar : {1079, 1065, 1078}) EXPECT_EQ(d.ScrollPos(bar), 255);
    for (int box : {1067, 1068, 1069}) EXPECT_EQ(d.Text(box), "255");
    EXPECT_EQ(d.ScrollPos(1081), 50);
    EXPECT_EQ(d.Text(1076), "50");
    for (int box : {1071, 1073, 1075}) EXPECT_EQ(d.Text(box), "50");
    EXPECT_TRUE(d.Checked(1020));
    EXPECT_TRUE(d.Checked(1022));
    for (int id : {1070, 1072, 1074}) EXPECT_FALSE(d.Checked(id));
    // The enabling rule: a variation's controls only while it is ticked.
    for (int id : {1071, 1020, 1021, 1064, 1073, 1022, 1023, 1066, 1075})
      EXPECT_FALSE(d.Enabled(id)) << id;
    d.Click(1070);
    for (int id : {1071, 1020, 1021, 1064}) EXPECT_TRUE(d.Enabled(id)) << id;
    EXPECT_FALSE(d.Enabled(1073));
    d.SetText(1071, "1");
    EXPECT_EQ(d.Text(1071), "2");
    d.Click(1070);
    // The light marker, green, centred on (74, 74); dragged, it follows.
    EXPECT_EQ(PixelAt(d.window(), 69, 74), RGB(0, 255, 0));
    Click(d.window(), WM_LBUTTONDOWN, 76, 73);
    Click(d.window(), WM_MOUSEMOVE, 100, 90);
    Click(d.window(), WM_LBUTTONUP, 100, 90);
    EXPECT_EQ(PixelAt(d.window(), 95, 90), RGB(0, 255, 0));
    EXPECT_NE(PixelAt(d.window(), 69, 74), RGB(0, 255, 0));
    // Outside the thumbnail a drag keeps the marker's x inside it.
    Click(d.window(), WM_LBUTTONDOWN, 100, 90);
    Click(d.window(), WM_MOUSEMOVE, 2, 90);
    Click(d.window(), WM_LBUTTONUP, 2, 90);
    EXPECT_EQ(PixelAt(d.window(), 95, 90), RGB(0, 255, 0));
    // The end marker shows, red, once the position varies.
    d.Click(1074);
    EXPECT_TRUE(d.Enabled(1075));
    EXPECT_EQ(PixelAt(d.window(), 69, 74), RGB(255, 0, 0));
    d.Click(1074);
    d.Scroll(1078, 0);
    EXPECT_EQ(d.Text(1069), "0");
    d.Scroll(1081, 90);
    EXPECT_EQ(d.Text(1076), "90");
    d.Click(IDC_CONFIRM);
  });
  script.SaveFile(output)
      .ChooseCompressor("Full Frames (Uncompressed)")
      .Message(kTitleGlad, kMessageDone);
  DialogDriver driver(script);
  EXPECT_TRUE(RunFilterDialog(player.main(), ID_LIGHT));
  driver.Finish();
  const FramePoint light = MapMarkerToFrame(100, 90, thumb, kWidth, kHeight);
  const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
  ASSERT_EQ(written.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    std::vector<uint8_t> expected = PackedFrame(movie, i);
    ApplyLightSource(Pixels(expected), light.x, light.y, LightReach(90, kWidth), 255, 255, 0);
    ASSERT_GE(written[i].size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin() + 40, expected.end(), written[i].begin() + 40))
        << "frame " << i;
  }
}

TEST(LightDialog, WithoutAMovieItStaysOpenAndTheCloseBoxRunsNothing) {
  TestPlayer player("");
  DialogScript script;
  script.Message(kTitleCannotSay, kMessageNoFile).Dialog(IDD_LIGHT, [](DialogHandle& d) {
    EXPECT_EQ(d.Text(1067), "255");
    d.PostClose();
  });
  DialogDriver driver(script);
  EXPECT_FALSE(RunFilterDialog(player.main(), ID_LIGHT));
  EXPECT_EQ(driver.Finish().size(), 1u);
}

}  // namespace

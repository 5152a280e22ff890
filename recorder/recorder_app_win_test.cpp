// The recorder under Wine: its window, pages, start and stop, settings between
// runs, the unattended way and a recorder killed while recording.
#include "recorder/recorder_app_win.h"

#include <commctrl.h>
#include <vfw.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "capture/capture_engine_win.h"
#include "capture/sound_recording_win.h"
#include "common/handles_win.h"
#include "common/text_win.h"
#include "recorder/resource.h"
#include "testing/dialog_driver_win.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {
constexpr char kClass[] = "DCピコラ";
constexpr char kQuitTitle[] = "終了確認";
constexpr char kQuitText[] = "本当に終了してよろしいですか？";
using Clock = std::chrono::steady_clock;

// Runs the recorder's thread (its pacer included) until `done`, or the time is up.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const Clock::time_point end = Clock::now() + limit;
  MSG message;
  while (!done()) {
    if (Clock::now() >= end) return false;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
      continue;
    }
    if (gCaptureSettings.captureProc != IdleCaptureProc)
      WaitForMessageOrFrame();
    else
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}
void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

bool Recording() {
  return gCaptureSettings.captureProc != IdleCaptureProc &&
         gCaptureSettings.captureProc != DelayedStartProc;
}

// Beside this test program: a recording makes its folders the current one.
fs::path TestProgramFolder() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path();
}

fs::path FreshFolder(const char* name) {
  fs::path folder = TestProgramFolder() / "recorder_test" / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

std::vector<fs::path> FilesIn(const fs::path& folder, const char* extension) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (_wcsicmp(entry.path().extension().c_str(), Widen(extension).c_str()) == 0)
      files.push_back(entry.path());
  return files;
}

// An AVI as the platform's reader sees it.
struct Movie {
  LONG frames = 0;
  LONG width = 0, height = 0;
  DWORD rate = 0, scale = 0;
  bool sound = false;
  COLORREF middle = 0;  // the centre pixel of the middle frame
};
Movie ReadMovie(const fs::path& path) {
  Movie movie;
  AVIFileInit();
  PAVIFILE file = nullptr;
  if (AVIFileOpenW(&file, path.c_str(), OF_READ, nullptr) == 0) {
    PAVISTREAM video = nullptr;
    if (AVIFileGetStream(file, &video, streamtypeVIDEO, 0) == 0) {
      AVISTREAMINFOW info{};
      AVIStreamInfoW(video, &info, sizeof info);
      movie.frames = AVIStreamLength(video);
      movie.rate = info.dwRate;
      movie.scale = info.dwScale;
      movie.width = info.rcFrame.right - info.rcFrame.left;
      movie.height = info.rcFrame.bottom - info.rcFrame.top;
      const LONG stride = ((movie.width * 24 + 31) / 32) * 4;
      std::vector<uint8_t> frame(stride * movie.height);
      LONG bytes = 0;
      if (movie.frames > 0 &&
          AVIStreamRead(video, movie.frames / 2, 1, frame.data(), static_cast<LONG>(frame.size()),
                        &bytes, nullptr) == 0) {
        const uint8_t* p = frame.data() + (movie.height / 2) * stride + (movie.width / 2) * 3;
        movie.middle = RGB(p[2], p[1], p[0]);
      }
      AVIStreamRelease(video);
    }
    PAVISTREAM sound = nullptr;
    if (AVIFileGetStream(file, &sound, streamtypeAUDIO, 0) == 0) {
      movie.sound = AVIStreamLength(sound) > 0;
      AVIStreamRelease(sound);
    }
    AVIFileRelease(file);
  }
  AVIFileExit();
  return movie;
}

// A topmost popup of one colour where the recordings look; Wine shows its
// paint to screen grabs a little later, so the test waits until a grab sees it.
constexpr COLORREF kMarkColour = RGB(200, 40, 90);
struct ColourMark {
  UniqueWindow window;
  UniqueBrush brush;
  ColourMark() : brush(CreateSolidBrush(kMarkColour)) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hbrBackground = brush.get();
    cls.lpszClassName = L"RecorderTestMark";
    RegisterClassW(&cls);
    window.reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"RecorderTestMark", L"",
                                 WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr));
    UpdateWindow(window.get());
  }
  ~ColourMark() {
    window.reset();
    UnregisterClassW(L"RecorderTestMark", GetModuleHandleW(nullptr));
  }
  static bool OnScreen() {
    HDC screen = GetDC(nullptr);
    const COLORREF seen = GetPixel(screen, 160, 120);
    ReleaseDC(nullptr, screen);
    return seen == kMarkColour;
  }
};

bool MenuGrey(int id) {
  return GetMenuState(gRecorderUi.trayMenu, id, MF_BYCOMMAND) & MF_GRAYED;
}

void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    inputs.push_back(in);
  }
  for (auto it = keys.end(); it != keys.begin();) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = *--it;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The settings file beside this test program, where RecorderMain keeps it.
fs::path SettingsFile() {
  return TestProgramFolder() / "QUILVA.ini";
}

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove(SettingsFile()); }
  void TearDown() override { fs::remove(SettingsFile()); }

  // The recordings of this test go to its own folder, a small range of the screen.
  void RecordInto(const fs::path& folder) {
    gAppSettings.tempFolder = Narrow(folder.wstring()) + "\\";
    gAppSettings.saveFolder = Narrow(folder.wstring());
    gCaptureSettings.rangeX = gCaptureSettings.rangeY = 0;
    gCaptureSettings.rangeWidth = 320;
    gCaptureSettings.rangeHeight = 240;
    NormalizeCaptureRange();
    RefreshRangePage();
  }
};

// A titled window of the test, with a button inside, where the window list sees it.
struct TestWindow {
  UniqueWindow window;
  HWND button = nullptr;
  explicit TestWindow(const wchar_t* title, int x, int y) {
    // Not a static control: those let clicks through to what lies beneath.
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszClassName = L"RecorderTestWindow";
    RegisterClassW(&cls);  // already there for the second window
    window.reset(CreateWindowExW(0, L"RecorderTestWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 x, y, 240, 160, nullptr, nullptr, GetModuleHandleW(nullptr),
                                 nullptr));
    button = CreateWindowExW(0, L"BUTTON", L"inside", WS_CHILD | WS_VISIBLE, 20, 20, 100, 40,
                             window.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(window.get());
  }
};

// The mouse as the user moves it, in screen pixels.
void MouseInput(int x, int y, DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  // Rounded up: the system takes the pixel back by rounding down.
  const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = (x * 65536 + cx - 1) / cx;
  in.mi.dy = (y * 65536 + cy - 1) / cy;
  in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}
void Drag(POINT from, POINT to) {
  MouseInput(from.x, from.y, 0);
  MouseInput(from.x, from.y, MOUSEEVENTF_LEFTDOWN);
  MouseInput((from.x + to.x) / 2, (from.y + to.y) / 2, 0);
  MouseInput(to.x, to.y, 0);
  MouseInput(to.x, to.y, MOUSEEVENTF_LEFTUP);
}
void ClickAt(POINT at) {
  Drag(at, at);
}

LRESULT CALLBACK RefusingWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return message == WM_NCCREATE ? FALSE : DefWindowProcW(window, message, wparam, lparam);
}

int IndexOf(const std::vector<std::string>& entries, const std::string& entry) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i] == entry) return static_cast<int>(i);
  return -1;
}

DialogHandle ShowPage(DialogHandle& w, int page) {
  TabCtrl_SetCurSel(w.Item(IDC_TABS), page);
  ShowSelectedPage();
  return w.Child(gRecorderUi.pages[page]);
}

void ExpectIdleMainWindow(DialogHandle& window) {
  EXPECT_EQ(window.Caption(), "ヌーロ ピコラ Ver.2.1");
  EXPECT_EQ(window.Text(ID_START), "録画");
  EXPECT_EQ(window.Text(ID_STOP), "停止");
  EXPECT_EQ(window.Text(ID_MAIN_WINDOW), "隠す");
  EXPECT_EQ(window.Text(IDC_DETAILS), "<<詳細") << "unfolded on the first start";
  EXPECT_TRUE(window.Enabled(ID_START));
  EXPECT_FALSE(window.Enabled(ID_STOP));
  LONG style = GetWindowLongW(window.window(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the main window is not resizable";
}
}  // namespace

TEST_F(RecorderTest, ShowsItsWindowAndQuitsOnlyWhenTheUserSaysYes) {
  DialogScript script;
  script
      .Window(kClass,
              [](DialogHandle& w) {
                ExpectIdleMainWindow(w);
                EXPECT_FALSE(MenuGrey(ID_START));
                EXPECT_TRUE(MenuGrey(ID_STOP));
                EXPECT_FALSE(MenuGrey(ID_QUIT));
                w.PostClose();
              })
      .Message(kQuitTitle, kQuitText, MessageAnswer::No)
      .Window(kClass,
              [](DialogHandle& w) {
                EXPECT_TRUE(w.IsOpen()) << "answering No keeps the recorder running";
                w.Command(ID_QUIT);  // the tray menu's "終了する"
              })
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

namespace {
// Right-clicks the tray icon and reads the first item of the menu that pops
// up; a timer closes the menu, as a click elsewhere would.
std::string TrayMenuFirstItem(HWND main) {
  static bool shown = false;
  shown = false;
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    shown = true;
    EndMenu();
  });
  PostMessageW(main, WM_TRAY_NOTIFY, 1, WM_RBUTTONDOWN);
  EXPECT_TRUE(PumpUntil([] { return shown; }, 5s));
  wchar_t text[64] = {};
  GetMenuStringW(gRecorderUi.trayMenu, ID_MAIN_WINDOW, text, 64, MF_BYCOMMAND);
  return Narrow(text);
}
}  // namespace

TEST_F(RecorderTest, TrayMenuNamesWhatItsFirstItemWillDoToTheMainWindow) {
  DialogScript script;
  script
      .Window(kClass,
              [](DialogHandle& w) {
                EXPECT_EQ(TrayMenuFirstItem(w.window()), "メインウィンドを隠す");
                w.Command(ID_MAIN_WINDOW);  // the menu's first item, or the "隠す" button
                EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(w.window()); }, 5s));
                EXPECT_EQ(TrayMenuFirstItem(w.window()), "メインウィンドを表示");
                w.Command(ID_MAIN_WINDOW);
                EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(w.window()) != 0; }, 5s));
                w.PostClose();
              })
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, DetailsButtonFoldsAndUnfoldsTheTabs) {
  DialogScript script;
  script
      .Window(kClass,
              [](DialogHandle& w) {
                RECT unfolded;
                GetWindowRect(w.window(), &unfolded);
                EXPECT_EQ(unfolded.bottom - unfolded.top, 300);
                // First start: centred on both axes, for the folded height.
                const int folded =
                    2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) + 27;
                EXPECT_EQ(unfolded.top, (GetSystemMetrics(SM_CYSCREEN) - folded) / 2);
                EXPECT_EQ(unfolded.left,
                          (GetSystemMetrics(SM_CXSCREEN) - (unfolded.right - unfolded.left)) / 2);
                w.Click(IDC_DETAILS);
                RECT now;
                GetWindowRect(w.window(), &now);
                EXPECT_EQ(now.bottom - now.top, folded);
                EXPECT_EQ(now.left, unfolded.left) << "the window keeps its place";
                EXPECT_EQ(w.Text(IDC_DETAILS), "詳細>>");
                w.Click(IDC_DETAILS);
                EXPECT_EQ(w.Text(IDC_DETAILS), "<<詳細");
                w.PostClose();
              })
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, ASecondRecorderSaysSoAndEnds) {
  // The first recorder's mutex, held here.
  UniqueHandle first(CreateMutexW(nullptr, FALSE, L"DCピコラ"));
  ASSERT_TRUE(first);
  DialogScript script;
  script.Message("あらら", "同じ名前の方がいらっしゃいますの。");
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, EveryPageControlWithItsCaptionAndEnablingIdleInWindowModeAndRecording) {
  struct Control {
    int page;
    int id;
    const char* caption;  // null: not compared (numbers, lists)
  };
  const Control controls[] = {
      {0, 32907, "左上の座標 ("},
      {0, 32871, nullptr},
      {0, 32894, nullptr},
      {0, 32908, ","},
      {0, 32872, nullptr},
      {0, 32895, nullptr},
      {0, 32909, ")"},
      {0, 32910, ""},
      {0, 32911, "高さ"},
      {0, 32874, nullptr},
      {0, 32897, nullptr},
      {0, 32912, "幅"},
      {0, 32873, nullptr},
      {0, 32896, nullptr},
      {0, 32886, "範囲選択"},
      {0, 32904, "クリック指定"},
      {0, 32876, "カーソルを中心とする範囲を録画"},
      {0, 32877, "録画ウィンドを指定"},
      {0, 32878, "Clientのみ録画"},
      {0, 32905, "アクティブウィンドを録画"},
      {0, 32879, nullptr},
      {1, 32913, "スケール"},
      {1, 32880, "1"},
      {1, 32899, nullptr},
      {1, 32914, "レート"},
      {1, 32881, "12"},
      {1, 32898, nullptr},
      {1, 32915, "縮小率"},
      {1, 32882, "1/1"},
      {1, 32883, "1/2"},
      {1, 32884, "1/4"},
      {1, 32885, "1/8"},
      {1, 32887, "カーソルを録画"},
      {1, 32888, "録音"},
      {1, 32889, "音質"},
      {1, 32890, "名前を付けて保存"},
      {1, 32906, "ビットマップとして保存"},
      {1, 32891, "DirectDrawの利用"},
      {1, 32920, "一時ファイルの圧縮 :"},
      {1, 32892, "零ハフ圧縮"},
      {2, 32916, "ホットキーの設定"},
      {2, 32917, "録画"},
      {2, 32918, "停止"},
      {2, 32919, "隠す"},
      {2, 32900, "Ctrl + S"},
      {2, 32901, "Ctrl + E"},
      {2, 32902, "Ctrl + H"},
      {2, 32903, "保存先フォルダ指定"},
      {2, 32923, "一時ファイルのフォルダ"},
      {2, 32921, "保存状況の表示"},
      {2, 32922, "録画後動画を保存する"},
  };
  // Enabled while idle in the fixed-range mode and in window mode; all are
  // disabled while recording. Wine has DirectDraw, so its check is enabled.
  const int disabledFixed[] = {32878, 32905, 32879, 32904, 32889};
  const int disabledWindow[] = {32871, 32872, 32873, 32874, 32876, 32886, 32889};
  auto expectEnabling = [&](DialogHandle& w, const int* off, size_t count, const char* state) {
    for (const Control& c : controls) {
      DialogHandle page = w.Child(gRecorderUi.pages[c.page]);
      bool enabled = true;
      for (size_t i = 0; i < count; ++i) enabled = enabled && off[i] != c.id;
      if (c.id >= 32894 && c.id <= 32899) enabled = true;  // spin controls stay enabled
      EXPECT_EQ(page.Enabled(c.id), enabled) << state << ": " << c.id;
    }
  };
  const fs::path folder = FreshFolder("pages");
  DialogScript script;
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                EXPECT_EQ(w.Item(IDC_TABS) != nullptr, true);
                EXPECT_EQ(TabCtrl_GetItemCount(w.Item(IDC_TABS)), 3);
                for (const Control& c : controls) {
                  DialogHandle page = w.Child(gRecorderUi.pages[c.page]);
                  EXPECT_TRUE(page.Exists(c.id)) << c.id;
                  if (c.caption) {
                    EXPECT_EQ(page.Text(c.id), c.caption) << c.id;
                  }
                  EXPECT_EQ(GetDlgCtrlID(gRecorderUi.pages[c.page]), IDC_PAGE);
                }
                EXPECT_EQ(w.Child(gRecorderUi.pages[1]).Entries(32892),
                          (std::vector<std::string>{"無し", "零ハフ圧縮", "零長圧縮"}));
                EXPECT_TRUE(w.Child(gRecorderUi.pages[1]).Checked(32882));
                EXPECT_TRUE(gRecorderUi.directDraw) << "the DirectDraw object was made";
                expectEnabling(w, disabledFixed, std::size(disabledFixed), "idle, fixed");

                DialogHandle range = w.Child(gRecorderUi.pages[0]);
                range.Click(IDC_WINDOW_MODE);
                EXPECT_EQ(gCaptureSettings.regionMode, kRegionWindow);
                expectEnabling(w, disabledWindow, std::size(disabledWindow), "idle, window");
                range.Click(IDC_ACTIVE_WINDOW);
                EXPECT_FALSE(range.Enabled(IDC_WINDOW_LIST)) << "the active window is recorded";
                EXPECT_FALSE(range.Enabled(IDC_PICK_BY_CLICK));
                range.Click(IDC_ACTIVE_WINDOW);
                range.Click(IDC_WINDOW_MODE);
                range.Click(IDC_FOLLOW_CURSOR);
                EXPECT_EQ(gCaptureSettings.regionMode, kRegionCursor);
                EXPECT_FALSE(range.Enabled(IDC_RANGE_X));
                EXPECT_TRUE(range.Enabled(IDC_RANGE_WIDTH));
                range.Click(IDC_FOLLOW_CURSOR);

                // A width past the screen's edge is put right in the field.
                range.SetText(IDC_RANGE_X, "1000");
                range.SetText(IDC_RANGE_WIDTH, "500");
                EXPECT_EQ(range.Text(IDC_RANGE_WIDTH), "24");
                EXPECT_EQ(gCaptureSettings.rangeWidth, 24);

                // The recording page: sound makes its format button usable.
                TabCtrl_SetCurSel(w.Item(IDC_TABS), 1);
                ShowSelectedPage();
                DialogHandle rec = w.Child(gRecorderUi.pages[1]);
                rec.Click(IDC_RECORD_SOUND);
                EXPECT_TRUE(rec.Enabled(IDC_SOUND_FORMAT));
                rec.Click(IDC_BITMAP_SEQUENCE);
                EXPECT_FALSE(rec.Enabled(IDC_RECORD_SOUND));
                EXPECT_FALSE(rec.Enabled(IDC_SOUND_FORMAT));
                rec.Click(IDC_BITMAP_SEQUENCE);
                rec.Click(IDC_RECORD_SOUND);
                rec.Click(IDC_REDUCE_4);
                EXPECT_EQ(gCaptureSettings.reduction, 4);
                rec.Select(IDC_TEMP_CODEC, "零長圧縮");
                EXPECT_EQ(gCaptureSettings.tempCodec, 2);
                rec.Click(IDC_REDUCE_1);

                TabCtrl_SetCurSel(w.Item(IDC_TABS), 2);
                ShowSelectedPage();
                DialogHandle behaviour = w.Child(gRecorderUi.pages[2]);
                behaviour.Click(IDC_SAVE_AFTER_RECORDING);  // nothing to convert afterwards
                EXPECT_EQ(gAppSettings.saveAfterRecording, 0);

                RecordInto(folder);
                w.Click(ID_START);
                ASSERT_TRUE(Recording());
              })
      .Window(kClass,
              [&](DialogHandle& w) {
                // Every page control, the start button and menu item off; stop on.
                for (const Control& c : controls)
                  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(gRecorderUi.pages[c.page], c.id)))
                      << c.id;
                EXPECT_FALSE(w.Enabled(ID_START));
                EXPECT_TRUE(w.Enabled(ID_STOP));
                EXPECT_TRUE(MenuGrey(ID_START));
                EXPECT_TRUE(MenuGrey(ID_QUIT));
                EXPECT_FALSE(MenuGrey(ID_STOP));
                w.Click(ID_STOP);
                EXPECT_FALSE(Recording());
                EXPECT_TRUE(w.Enabled(ID_START));
                EXPECT_TRUE(FilesIn(folder, ".AVI").empty()) << "saving after recording is off";
                EXPECT_EQ(FilesIn(folder, ".tmp").size(), 1u) << "the temp file stays";
                w.PostClose();
              })
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, ButtonCommandAndHotkeysEachRecordAndSaveWhatWasOnScreen) {
  const fs::path folder = FreshFolder("start_stop");
  ColourMark mark;
  ASSERT_TRUE(PumpUntil(ColourMark::OnScreen, 10s)) << "the marker never reached the screen";
  // How each way starts and stops a recording.
  struct Way {
    const char* label;
    std::function<void(DialogHandle&)> start, stop;
  };
  const Way ways[] = {
      {"buttons", [](DialogHandle& w) { w.Click(ID_START); },
       [](DialogHandle& w) { w.Click(ID_STOP); }},
      {"commands of the tray menu", [](DialogHandle& w) { w.Command(ID_START); },
       [](DialogHandle& w) { w.Command(ID_STOP); }},
      {"hotkeys",
       [](DialogHandle&) {
         PressKeys({VK_CONTROL, 'S'});
       },
       [](DialogHandle&) {
         PressKeys({VK_CONTROL, 'E'});
       }},
  };
  DialogScript script;
  script.Ignore(104);  // the progress window while saving
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                RecordInto(folder);
                size_t saved = 0;
                for (const Way& way : ways) {
                  way.start(w);
                  ASSERT_TRUE(PumpUntil(Recording, 5s)) << way.label;
                  EXPECT_FALSE(w.Enabled(ID_START)) << way.label;
                  // Quitting while recording is refused without a word.
                  w.Command(ID_QUIT);
                  w.PostClose();
                  PumpFor(2s);
                  ASSERT_TRUE(w.IsOpen()) << way.label;
                  way.stop(w);
                  ASSERT_TRUE(PumpUntil([] { return !Recording(); }, 5s)) << way.label;
                  EXPECT_TRUE(w.Enabled(ID_START)) << way.label;
                  EXPECT_TRUE(IsWindowVisible(w.window())) << "shown again after saving";
                  const std::vector<fs::path> avis = FilesIn(folder, ".AVI");
                  ASSERT_EQ(avis.size(), ++saved) << way.label;
                  EXPECT_TRUE(FilesIn(folder, ".tmp").empty()) << "the temp file is gone";
                  // The newest movie is this way's.
                  fs::path newest = avis[0];
                  for (const fs::path& p : avis)
                    if (fs::last_write_time(p) > fs::last_write_time(newest)) newest = p;
                  const Movie movie = ReadMovie(newest);
                  EXPECT_EQ(movie.width, 320) << way.label;
                  EXPECT_EQ(movie.height, 240) << way.label;
                  EXPECT_EQ(movie.rate, 12u) << way.label;
                  EXPECT_EQ(movie.scale, 1u) << way.label;
                  EXPECT_GE(movie.frames, 20) << way.label << ": about 2 s at 12 per second";
                  EXPECT_LE(movie.frames, 40) << way.label;
                  EXPECT_EQ(movie.middle, kMarkColour) << way.label << ": what was on screen";
                  // Apart by a second at least: movies are named by the second.
                  PumpFor(1100ms);
                }
                w.PostClose();
              })
      .Within(120s)
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes)
      .Within(120s);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, HoldingTheDigit3DelaysTheStartByThreeSecondsAndCloseIsIgnoredMeanwhile) {
  const fs::path folder = FreshFolder("delayed");
  DialogScript script;
  script.Ignore(104);
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                RecordInto(folder);
                gAppSettings.saveAfterRecording = 0;
                BYTE keys[256];
                GetKeyboardState(keys);
                keys['3'] = 0x80;
                SetKeyboardState(keys);
                const Clock::time_point pressed = Clock::now();
                w.Click(ID_START);
                keys['3'] = 0;
                SetKeyboardState(keys);
                EXPECT_EQ(gCaptureSettings.captureProc, DelayedStartProc);
                EXPECT_FALSE(w.Enabled(ID_START));
                w.PostClose();  // ignored: a start is pending
                ASSERT_TRUE(PumpUntil(Recording, 10s));
                const double waited = std::chrono::duration<double>(Clock::now() - pressed).count();
                EXPECT_GT(waited, 2.8);
                EXPECT_LT(waited, 4.5);
                w.Click(ID_STOP);

                // Stopping a pending start cancels it; nothing is recorded.
                keys['7'] = 0x80;
                SetKeyboardState(keys);
                w.Click(ID_START);
                keys['7'] = 0;
                SetKeyboardState(keys);
                EXPECT_EQ(gCaptureSettings.captureProc, DelayedStartProc);
                const size_t temps = FilesIn(folder, ".tmp").size();
                w.Click(ID_STOP);
                EXPECT_EQ(gCaptureSettings.captureProc, IdleCaptureProc);
                EXPECT_TRUE(w.Enabled(ID_START));
                EXPECT_EQ(FilesIn(folder, ".tmp").size(), temps);
                w.PostClose();
              })
      .Within(60s)
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes)
      .Within(60s);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, SettingsSurviveARestartAndTheHideHotkeyHidesTheWindow) {
  DialogScript first;
  first
      .Window(kClass,
              [](DialogHandle& w) {
                TabCtrl_SetCurSel(w.Item(IDC_TABS), 1);
                ShowSelectedPage();
                DialogHandle rec = w.Child(gRecorderUi.pages[1]);
                rec.SetText(IDC_RATE, "5");
                rec.Click(IDC_DRAW_CURSOR);
                rec.Click(IDC_REDUCE_2);
                rec.Select(IDC_TEMP_CODEC, "無し");
                w.Click(IDC_DETAILS);  // folded
                PressKeys({VK_CONTROL, 'H'});
                ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(w.window()); }, 5s));
                EXPECT_EQ(gAppSettings.mainWindowVisible, 0);
                SetWindowPos(w.window(), nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                PostMessageW(w.window(), WM_CLOSE, 0, 0);
              })
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  {
    DialogDriver driver(first);
    EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
    driver.Finish();
  }
  ASSERT_TRUE(fs::exists(SettingsFile()));
  EXPECT_EQ(fs::file_size(SettingsFile()), 72 + 2 * (RecorderProgramPath().size() + 1))
      << "fixed part, two lengths, the program path twice";

  // The window starts hidden, as it was left, so a timer looks at it.
  struct Check {
    static bool& Done() {
      static bool done = false;
      return done;
    }
    static void CALLBACK Run(HWND, UINT, UINT_PTR id, DWORD) {
      HWND main = FindWindowW(kRecorderClassName, nullptr);
      if (!main) return;
      KillTimer(nullptr, id);
      Done() = true;
      EXPECT_FALSE(IsWindowVisible(main)) << "hidden, as it was left";
      EXPECT_EQ(gCaptureSettings.rate, 5);
      EXPECT_EQ(gCaptureSettings.drawCursor, 1);
      EXPECT_EQ(gCaptureSettings.reduction, 2);
      EXPECT_EQ(gCaptureSettings.tempCodec, 0);
      EXPECT_EQ(gAppSettings.detailsExpanded, 0);
      RECT r;
      GetWindowRect(main, &r);
      EXPECT_EQ(r.left, 40);
      EXPECT_EQ(r.top, 50);
      EXPECT_EQ(r.bottom - r.top,
                2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) + 27)
          << "folded";
      EXPECT_EQ(GetDlgItemInt(gRecorderUi.pages[1], IDC_RATE, nullptr, FALSE), 5u);
      EXPECT_EQ(SendMessageW(GetDlgItem(gRecorderUi.pages[1], IDC_REDUCE_2), BM_GETCHECK, 0, 0),
                BST_CHECKED);
      PostMessageW(main, WM_CLOSE, 0, 0);
    }
  };
  DialogScript second;
  second.Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(second);
  Check::Done() = false;
  SetTimer(nullptr, 0, 100, Check::Run);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
  EXPECT_TRUE(Check::Done());
}

namespace {
// A copy of recorder.exe in a folder of its own: its settings file, temp files
// and movies stay there.
fs::path PrivateRecorder(const char* name) {
  const fs::path folder = FreshFolder(name);
  fs::copy_file(ProgramPath(QUILVA_RECORDER_EXE), folder / "recorder.exe");
  return folder / "recorder.exe";
}

struct ProcessResult {
  int exitCode = -1;
  std::string out, err;
};

std::string ReadPipe(HANDLE pipe) {
  std::string text;
  char piece[4096];
  DWORD got = 0;
  while (ReadFile(pipe, piece, sizeof piece, &got, nullptr) && got > 0) text.append(piece, got);
  return text;
}

// Starts a program with its output in pipes; `whileRunning` may end it early.
ProcessResult RunCaptured(const std::wstring& command, std::chrono::milliseconds timeout,
                          const std::function<bool(HANDLE)>& whileRunning = nullptr) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  CreatePipe(&outRead, &outWrite, &inherit, 1 << 16);
  CreatePipe(&errRead, &errWrite, &inherit, 1 << 16);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW start{sizeof start};
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = outWrite;
  start.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  std::wstring line = command;
  const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &start, &process);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (started) {
    UniqueHandle own(process.hProcess), thread(process.hThread);
    if (whileRunning) whileRunning(process.hProcess);
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout.count())) !=
        WAIT_OBJECT_0) {
      ADD_FAILURE() << "still running: " << Narrow(command);
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 5000);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = static_cast<int>(code);
  } else {
    ADD_FAILURE() << "cannot start " << Narrow(command);
  }
  result.out = ReadPipe(outRead);
  result.err = ReadPipe(errRead);
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

#ifdef RECORDER_OUTPUT_DIR
// ffprobe reads these on the host after the Wine tests.
void KeepForProbe(const fs::path& avi, const char* name) {
  const fs::path out = ProgramPath(RECORDER_OUTPUT_DIR);
  fs::create_directories(out);
  fs::remove(out / name);
  fs::copy_file(avi, out / name);
}
#else
void KeepForProbe(const fs::path&, const char*) {}
#endif
}  // namespace

TEST(RecorderProgram, StartsAndEndsCleanlyAsItsOwnProcessAndASecondOneSaysSo) {
  const fs::path exe = PrivateRecorder("process");
  STARTUPINFOW start{sizeof start};
  PROCESS_INFORMATION first{};
  std::wstring line = L"\"" + exe.wstring() + L"\"";
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &start, &first));
  UniqueHandle process(first.hProcess), thread(first.hThread);
  ASSERT_TRUE(PumpUntil([] { return FindWindowW(kRecorderClassName, nullptr) != nullptr; }, 30s));

  DialogScript second;
  second.Message("あらら", "同じ名前の方がいらっしゃいますの。");
  EXPECT_EQ(RunProcessWithScript(line, second, 60s), 0);
  EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the first keeps running";
  // The unattended way keeps the rule too.
  const ProcessResult unattended = RunCaptured(line + L" /record 1", 60s);
  EXPECT_EQ(unattended.exitCode, 1);
  EXPECT_EQ(Trimmed(unattended.err), "同じ名前の方がいらっしゃいますの。");

  TerminateProcess(process.get(), 0);
  WaitForSingleObject(process.get(), 10000);
  EXPECT_TRUE(fs::exists(exe.parent_path() / "QUILVA.ini") == false)
      << "ended without quitting: no settings written";
}

TEST(RecorderProgram, UnattendedRecordingPrintsTheMovieWithTheAskedSizeRateAndSound) {
  const fs::path exe = PrivateRecorder("unattended");
  const fs::path avi = exe.parent_path() / "movie.avi";
  const std::wstring line = L"\"" + exe.wstring() + L"\" /record 2 /range 0 0 320 240 /rate 10 " +
                            L"/reduce 2 /sound /out \"" + avi.wstring() + L"\"";
  const ProcessResult run = RunCaptured(line, 120s);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Trimmed(run.out), Narrow(avi.wstring()));
  EXPECT_EQ(run.err, "");
  const Movie movie = ReadMovie(avi);
  EXPECT_EQ(movie.width, 160);
  EXPECT_EQ(movie.height, 120);
  EXPECT_EQ(movie.rate, 10u);
  EXPECT_EQ(movie.scale, 1u);
  EXPECT_GE(movie.frames, 18);
  EXPECT_LE(movie.frames, 30);
  EXPECT_TRUE(movie.sound);
  EXPECT_TRUE(FilesIn(exe.parent_path(), ".tmp").empty()) << "converted whole: temp files go";
  EXPECT_TRUE(FilesIn(exe.parent_path(), ".wav").empty());
  EXPECT_FALSE(fs::exists(exe.parent_path() / "QUILVA.ini")) << "never touches the settings";
  KeepForProbe(avi, "unattended.avi");

  // Without /out: the time name in the current folder (the save folder is the program).
  const ProcessResult named =
      RunCaptured(L"\"" + exe.wstring() + L"\" /record 1 /range 0 0 64 64 /codec 2", 120s);
  EXPECT_EQ(named.exitCode, 0) << named.err;
  const fs::path printed = Widen(Trimmed(named.out));
  EXPECT_EQ(printed.extension(), ".AVI");
  EXPECT_EQ(printed.stem().string().size(), 14u) << "%m_%d_%H_%M_%S";
  EXPECT_TRUE(fs::exists(printed));
  fs::remove(printed);
}

TEST(RecorderProgram, UnattendedRefusesBadSwitchesAndAnUnwritableOutputWithTheReason) {
  const fs::path exe = PrivateRecorder("unattended_bad");
  const std::wstring program = L"\"" + exe.wstring() + L"\"";
  fs::create_directories(exe.parent_path() / "taken.avi");
  struct Case {
    const wchar_t* arguments;
    int exitCode;
    const char* errorStart;
  };
  const Case cases[] = {
      {L" /record", 2, "/record needs the seconds"},
      {L" /record 2 /reduce 3", 2, "/reduce takes 1, 2, 4 or 8"},
      {L" /record 2 /loud", 2, "unknown argument: /loud"},
      {L" /record 1 /range 1000 0 100 100", 2, "/range 1000 0 100 100 lies outside"},
      {L" /record 1 /out Z:\\no\\such\\folder\\x.avi", 1, "cannot write"},
  };
  for (const Case& c : cases) {
    const ProcessResult run = RunCaptured(program + c.arguments, 60s);
    EXPECT_EQ(run.exitCode, c.exitCode) << Narrow(c.arguments);
    EXPECT_EQ(run.err.rfind(c.errorStart, 0), 0u) << Narrow(c.arguments) << " -> " << run.err;
    EXPECT_FALSE(run.err.empty()) << Narrow(c.arguments);
    EXPECT_EQ(run.out, "") << Narrow(c.arguments);
  }
  // A name taken by a folder can't take the movie either.
  const ProcessResult taken = RunCaptured(
      program + L" /record 1 /out \"" + (exe.parent_path() / "taken.avi").wstring() + L"\"", 60s);
  EXPECT_EQ(taken.exitCode, 1);
  EXPECT_EQ(taken.err.rfind("cannot write ", 0), 0u) << taken.err;
  EXPECT_TRUE(FilesIn(exe.parent_path(), ".tmp").empty()) << "nothing was recorded";
}

TEST(RecorderProgram, KilledTwoSecondsIntoARecordingLeavesATempFileThatConvertsWhole) {
  const fs::path exe = PrivateRecorder("killed");
  const fs::path folder = exe.parent_path();
  const std::wstring line =
      L"\"" + exe.wstring() + L"\" /record 60 /range 0 0 320 240 " + L"/rate 12 /codec 0 /sound";
  // Plain records: the frame number and 240 rows of 960 bytes.
  constexpr uintmax_t kRecord = 4 + 320 * 3 * 240;
  const Clock::time_point begin = Clock::now();
  RunCaptured(line, 60s, [&](HANDLE process) {
    const bool reached = PumpUntil(
        [&] {
          for (const fs::path& temp : FilesIn(folder, ".tmp"))
            if (fs::file_size(temp) >= 28 + 24 * kRecord) return true;
          return false;
        },
        30s);
    EXPECT_TRUE(reached) << "24 records never reached the disk";
    TerminateProcess(process, 9);
    return reached;
  });
  EXPECT_LT(Clock::now() - begin, 40s);
  const std::vector<fs::path> temps = FilesIn(folder, ".tmp");
  ASSERT_EQ(temps.size(), 1u);
  ASSERT_EQ(FilesIn(folder, ".wav").size(), 1u);

  const std::wstring convert =
      L"\"" + ProgramPath(QUILVA_CONVERTER_EXE) + L"\" /batch \"" + temps[0].wstring() + L"\"";
  const ProcessResult converted = RunCaptured(convert, 120s);
  EXPECT_EQ(converted.out.rfind("OK ", 0), 0u) << converted.out;
  EXPECT_NE(converted.out.find("(with sound)"), std::string::npos) << converted.out;
  const std::vector<fs::path> avis = FilesIn(folder, ".AVI");
  ASSERT_EQ(avis.size(), 1u);
  const Movie movie = ReadMovie(avis[0]);
  EXPECT_GE(movie.frames, 24) << "every frame written before the kill";
  EXPECT_LE(movie.frames, 30);
  EXPECT_EQ(movie.rate, 12u);
  EXPECT_TRUE(movie.sound);
  KeepForProbe(avis[0], "killed.avi");
}

TEST(RecorderProgram, DeclaresItselfDpiAwareInItsManifest) {
  UniqueModule exe(
      LoadLibraryExW(ProgramPath(QUILVA_RECORDER_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(exe);
  HRSRC found = FindResourceW(exe.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_TRUE(found) << "no process manifest";
  const char* text = static_cast<const char*>(LockResource(LoadResource(exe.get(), found)));
  const std::string manifest(text, SizeofResource(exe.get(), found));
  EXPECT_NE(manifest.find(">PerMonitorV2, System</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
  // This test program carries the same resources: the system read its manifest.
  EXPECT_TRUE(IsProcessDPIAware());
}

TEST_F(RecorderTest, WindowListInScreenOrderWithoutItselfAndPickedByClick) {
  TestWindow lower(L"選択テスト 下", 300, 200);
  TestWindow upper(L"選択テスト 上", 340, 240);
  UniqueWindow hidden(CreateWindowExW(0, L"STATIC", L"選択テスト 隠れ", WS_OVERLAPPEDWINDOW, 0, 0,
                                      100, 100, nullptr, nullptr, GetModuleHandleW(nullptr),
                                      nullptr));
  // The title bar of the upper window, and its button, in screen points.
  RECT frame;
  GetWindowRect(upper.window.get(), &frame);
  const POINT titleBar{frame.left + 60, frame.top + GetSystemMetrics(SM_CYFRAME) + 6};
  RECT inside;
  GetWindowRect(upper.button, &inside);
  const POINT onButton{(inside.left + inside.right) / 2, (inside.top + inside.bottom) / 2};
  DialogScript script;
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                DialogHandle range = ShowPage(w, 0);
                range.Click(IDC_WINDOW_MODE);
                ASSERT_EQ(gCaptureSettings.regionMode, kRegionWindow);
                const std::vector<std::string> entries = range.Entries(IDC_WINDOW_LIST);
                const int upperAt = IndexOf(entries, "選択テスト 上");
                const int lowerAt = IndexOf(entries, "選択テスト 下");
                ASSERT_GE(upperAt, 0);
                EXPECT_GT(lowerAt, upperAt) << "top of the screen first";
                EXPECT_EQ(IndexOf(entries, "ヌーロ ピコラ Ver.2.1"), -1) << "never itself";
                EXPECT_EQ(IndexOf(entries, "選択テスト 隠れ"), -1) << "not visible";
                EXPECT_EQ(range.Selected(IDC_WINDOW_LIST), 0) << "no target yet: the first";
                range.SelectIndex(IDC_WINDOW_LIST, lowerAt);
                EXPECT_EQ(gCaptureEngine.selectedWindow, lower.window.get());

                range.Click(IDC_PICK_BY_CLICK);  // the overlay's step clicks the title bar
                EXPECT_TRUE(IsWindowVisible(w.window())) << "back after the selection";
                EXPECT_EQ(gCaptureSettings.targetWindow, upper.window.get());
                EXPECT_EQ(range.SelectedText(IDC_WINDOW_LIST), "選択テスト 上");
                EXPECT_EQ(gCaptureEngine.selectedWindow, upper.window.get());

                range.Click(IDC_PICK_BY_CLICK);  // now the button inside: not listed
                EXPECT_EQ(range.Selected(IDC_WINDOW_LIST), 0);
                EXPECT_EQ(gCaptureSettings.targetWindow,
                          reinterpret_cast<void*>(
                              SendMessageW(range.Item(IDC_WINDOW_LIST), LB_GETITEMDATA, 0, 0)));
                w.PostClose();
              })
      .Window("QUILVA_SUB",
              [&](DialogHandle& overlay) {
                RECT r;
                GetWindowRect(overlay.window(), &r);
                EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
                EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYSCREEN));
                EXPECT_EQ(gSelectionOverlay.state, kSelectWindow);
                ClickAt(titleBar);
              })
      .Window("QUILVA_SUB", [&](DialogHandle&) { ClickAt(onButton); })
      .Message("あら？", "リストにないウィンドです")
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, DraggedRangeAClickAndAnOverlayThatCannotBeMade) {
  DialogScript script;
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                DialogHandle range = ShowPage(w, 0);
                range.Click(IDC_SELECT_RANGE);  // dragged up and to the left
                EXPECT_TRUE(IsWindowVisible(w.window()));
                EXPECT_EQ(gCaptureSettings.rangeX, 100);
                EXPECT_EQ(gCaptureSettings.rangeY, 50);
                EXPECT_EQ(gCaptureSettings.rangeWidth, 200);
                EXPECT_EQ(gCaptureSettings.rangeHeight, 150);
                EXPECT_EQ(range.Text(IDC_RANGE_WIDTH), "200");
                EXPECT_EQ(range.Text(IDC_RANGE_Y), "50");

                range.Click(IDC_SELECT_RANGE);  // a click without a drag
                EXPECT_EQ(gCaptureSettings.rangeX, 60);
                EXPECT_EQ(gCaptureSettings.rangeY, 70);
                EXPECT_EQ(gCaptureSettings.rangeWidth, 0);
                EXPECT_EQ(gCaptureSettings.rangeHeight, 0);
                NormalizeCaptureRange();  // as the next start does
                EXPECT_EQ(gCaptureSettings.rangeWidth, GetSystemMetrics(SM_CXSCREEN) - 60);
                EXPECT_EQ(gCaptureSettings.rangeHeight, GetSystemMetrics(SM_CYSCREEN) - 70);

                // A class of that name that refuses its windows stands in for a
                // system that cannot make the overlay.
                UnregisterClassW(kOverlayClassName, GetModuleHandleW(nullptr));
                WNDCLASSW refusing{};
                refusing.lpfnWndProc = RefusingWindowProc;
                refusing.hInstance = GetModuleHandleW(nullptr);
                refusing.lpszClassName = kOverlayClassName;
                ASSERT_TRUE(RegisterClassW(&refusing));
                gCaptureSettings.rangeX = 10;
                range.Click(IDC_SELECT_RANGE);
                UnregisterClassW(kOverlayClassName, GetModuleHandleW(nullptr));
                EXPECT_TRUE(IsWindowVisible(w.window())) << "the main window comes back";
                EXPECT_EQ(gCaptureSettings.rangeX, 10) << "nothing changed";
                EXPECT_EQ(gSelectionOverlay.state, kSelectNone);
                w.PostClose();
              })
      .Window("QUILVA_SUB",
              [&](DialogHandle&) {
                EXPECT_EQ(gSelectionOverlay.state, kSelectRange);
                Drag({300, 200}, {100, 50});
              })
      .Window("QUILVA_SUB",
              [&](DialogHandle&) {
                ClickAt({60, 70});
              })
      .Message("ふうっ", "サブウィンドの作成に失敗してしまいましたわ")
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

uint16_t HotkeyControlValue(DialogHandle& d) {
  return static_cast<uint16_t>(SendMessageW(d.Item(IDC_HOTKEY), HKM_GETHOTKEY, 0, 0));
}
void SetHotkeyControl(DialogHandle& d, uint16_t hotkey) {
  SendMessageW(d.Item(IDC_HOTKEY), HKM_SETHOTKEY, hotkey, 0);
}

TEST_F(RecorderTest, HotkeyDialogSetsRegistersAndReportsTakenCombinations) {
  // Another program holds Ctrl + E before the recorder starts.
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL, 'E'));
  const fs::path folder = FreshFolder("hotkeys");
  auto expectLockedWhileOpen = [](DialogHandle& d) {
    EXPECT_EQ(d.Caption(), "ホットキーの設定");
    EXPECT_EQ(d.Text(IDC_HOTKEY_OK), "OK");
    EXPECT_EQ(d.Text(IDC_HOTKEY_CANCEL), "CANCEL");
    EXPECT_TRUE(MenuGrey(ID_START));
    EXPECT_TRUE(MenuGrey(ID_STOP));
    EXPECT_TRUE(MenuGrey(ID_MAIN_WINDOW));
    EXPECT_FALSE(IsWindowEnabled(gRecorderUi.startButton));
    EXPECT_FALSE(IsWindowEnabled(gRecorderUi.hideButton));
  };
  DialogScript script;
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                DialogHandle behaviour = ShowPage(w, 2);
                EXPECT_EQ(behaviour.Text(IDC_HOTKEY_START), "Ctrl + S");
                EXPECT_EQ(behaviour.Text(IDC_HOTKEY_STOP), "なし") << "taken by another";
                EXPECT_EQ(behaviour.Text(IDC_HOTKEY_HIDE), "Ctrl + H");
                behaviour.Click(IDC_SAVE_AFTER_RECORDING);  // nothing to convert afterwards
                RecordInto(folder);

                behaviour.Click(IDC_HOTKEY_START);  // to Ctrl + Shift + R
                EXPECT_EQ(gAppSettings.hotkeyStart, 0x0352);
                EXPECT_EQ(behaviour.Text(IDC_HOTKEY_START), "Ctrl + Shift + R");
                EXPECT_TRUE(w.Enabled(ID_START));
                EXPECT_FALSE(w.Enabled(ID_STOP));
                EXPECT_TRUE(w.Enabled(ID_MAIN_WINDOW));
                EXPECT_FALSE(MenuGrey(ID_START));
                EXPECT_TRUE(MenuGrey(ID_STOP));
                PressKeys({VK_CONTROL, 'S'});
                PumpFor(500ms);
                EXPECT_FALSE(Recording()) << "the old combination no longer records";
                PressKeys({VK_CONTROL, VK_SHIFT, 'R'});
                ASSERT_TRUE(PumpUntil(Recording, 5s));
                // The keys' releases, left in the queue, would reach the next
                // dialog's hotkey control and clear it.
                ASSERT_TRUE(PumpUntil(
                    [] {
                      return !(GetKeyState(VK_CONTROL) & 0x8000) &&
                             !(GetKeyState(VK_SHIFT) & 0x8000) && !(GetKeyState('R') & 0x8000);
                    },
                    5s));
                w.Click(ID_STOP);
                EXPECT_FALSE(Recording());

                behaviour.Click(IDC_HOTKEY_STOP);  // to the taken Ctrl + E
                EXPECT_EQ(gAppSettings.hotkeyStop, 0x0245) << "kept for the next start";
                EXPECT_EQ(behaviour.Text(IDC_HOTKEY_STOP), "なし");
                behaviour.Click(IDC_HOTKEY_HIDE);  // cleared
                EXPECT_EQ(gAppSettings.hotkeyHide, 0);
                EXPECT_EQ(behaviour.Text(IDC_HOTKEY_HIDE), "Ctrl + H");
                behaviour.Click(IDC_HOTKEY_START);  // cancelled
                EXPECT_EQ(gAppSettings.hotkeyStart, 0x0352);
                EXPECT_TRUE(w.Enabled(ID_START));
                EXPECT_FALSE(w.Enabled(ID_STOP));
                w.PostClose();
              })
      .Dialog(IDD_HOTKEY,
              [&](DialogHandle& d) {
                expectLockedWhileOpen(d);
                EXPECT_EQ(HotkeyControlValue(d), 0x0253) << "shows the start hotkey";
                SetHotkeyControl(d, 0x0352);
                d.Click(IDC_HOTKEY_OK);
              })
      .Dialog(IDD_HOTKEY,
              [&](DialogHandle& d) {
                SetHotkeyControl(d, 0x0245);  // the combination another program holds
                d.Click(IDC_HOTKEY_OK);
              })
      .Message("OK", "Error")
      .Dialog(IDD_HOTKEY,
              [&](DialogHandle& d) {
                EXPECT_EQ(HotkeyControlValue(d), 0x0248);
                SetHotkeyControl(d, 0);
                d.Click(IDC_HOTKEY_OK);
              })
      .Message("OK", "Error")
      .Dialog(IDD_HOTKEY,
              [&](DialogHandle& d) {
                SetHotkeyControl(d, 0x0441);
                d.Click(IDC_HOTKEY_CANCEL);
              })
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  {
    DialogDriver driver(script);
    EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
    driver.Finish();
  }
  UnregisterHotKey(nullptr, 1);
}

// The sound stream's format as the platform's reader sees it.
SoundFormat SoundFormatOf(const fs::path& path) {
  SoundFormat format{0, 0, 0};
  AVIFileInit();
  PAVIFILE file = nullptr;
  if (AVIFileOpenW(&file, path.c_str(), OF_READ, nullptr) == 0) {
    PAVISTREAM sound = nullptr;
    if (AVIFileGetStream(file, &sound, streamtypeAUDIO, 0) == 0) {
      WAVEFORMATEX wave{};
      LONG size = sizeof wave;
      if (AVIStreamReadFormat(sound, 0, &wave, &size) == 0)
        format = {static_cast<int32_t>(wave.nSamplesPerSec), wave.wBitsPerSample, wave.nChannels};
      AVIStreamRelease(sound);
    }
    AVIFileRelease(file);
  }
  AVIFileExit();
  return format;
}

TEST_F(RecorderTest, SoundFormatDialogOffersTheDevicesFormatsAndKeepsTheChoice) {
  const fs::path folder = FreshFolder("sound_format");
  const std::string first = "8ビット  11.025 kHz  モノラル";
  const std::string best = "16ビット 44.100 kHz  ステレオ";
  DialogScript script;
  script.Ignore(104);  // the progress window while saving
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                DialogHandle rec = ShowPage(w, 1);
                rec.Click(IDC_RECORD_SOUND);
                rec.Click(IDC_SOUND_FORMAT);  // OK on the best
                EXPECT_EQ(gCaptureEngine.sound, (SoundFormat{44100, 16, 2}));
                rec.Click(IDC_SOUND_FORMAT);  // CANCEL
                EXPECT_EQ(gCaptureEngine.sound, (SoundFormat{44100, 16, 2}));
                gSoundFormatQuery = [] { return 0u; };
                rec.Click(IDC_SOUND_FORMAT);
                gSoundFormatQuery = [] { return QueryWaveInFormats(WAVE_MAPPER); };
                EXPECT_EQ(gCaptureEngine.sound, (SoundFormat{44100, 16, 2}));

                // A recording then carries its sound in that format.
                RecordInto(folder);
                w.Click(ID_START);
                ASSERT_TRUE(PumpUntil(Recording, 5s));
                PumpFor(1500ms);
                w.Click(ID_STOP);
                ASSERT_TRUE(PumpUntil([] { return !Recording(); }, 10s));
                const std::vector<fs::path> avis = FilesIn(folder, ".AVI");
                ASSERT_EQ(avis.size(), 1u);
                EXPECT_EQ(SoundFormatOf(avis[0]), (SoundFormat{44100, 16, 2}));
                KeepForProbe(avis[0], "sound_format.avi");
                w.PostClose();
              })
      .Dialog(IDD_SOUND_FORMAT,
              [&](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "録音形式の選択");
                EXPECT_TRUE(d.Enabled(IDC_SOUND_CANCEL));
                const std::vector<std::string> entries = d.Entries(IDC_SOUND_FORMATS);
                ASSERT_EQ(entries.size(), 12u) << "the null device takes every format";
                EXPECT_EQ(entries.front(), first) << "smallest first";
                EXPECT_EQ(entries.back(), best);
                EXPECT_EQ(d.SelectedText(IDC_SOUND_FORMATS), first) << "the current one";
                d.Select(IDC_SOUND_FORMATS, best);
                d.Click(IDC_SOUND_OK);
              })
      .Dialog(IDD_SOUND_FORMAT,
              [&](DialogHandle& d) {
                EXPECT_EQ(d.SelectedText(IDC_SOUND_FORMATS), best);
                d.Select(IDC_SOUND_FORMATS, first);
                d.Click(IDC_SOUND_CANCEL);
              })
      .Message("いやですわぁ", "録音可能なフォーマットがありませんでした")
      .Dialog(IDD_SOUND_FORMAT,
              [&](DialogHandle& d) {
                EXPECT_FALSE(d.Enabled(IDC_SOUND_FORMATS));
                EXPECT_FALSE(d.Enabled(IDC_SOUND_OK));
                EXPECT_TRUE(d.Enabled(IDC_SOUND_CANCEL));
                d.Click(IDC_SOUND_CANCEL);
              })
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, WindowModeWithNoWindowToListFallsBackToAFixedRange) {
  DialogScript script;
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                DialogHandle range = ShowPage(w, 0);
                // Wine's tray window and whatever else is up step aside for the moment.
                std::vector<HWND> others;
                for (HWND o = GetTopWindow(nullptr); o; o = GetWindow(o, GW_HWNDNEXT))
                  if (o != w.window() && IsWindowVisible(o) && GetWindowTextLengthW(o) > 0)
                    others.push_back(o);
                for (HWND o : others) ShowWindow(o, SW_HIDE);
                range.Click(IDC_WINDOW_MODE);  // only the recorder itself is on the screen
                for (HWND o : others) ShowWindow(o, SW_SHOWNA);
                EXPECT_EQ(gCaptureSettings.regionMode, kRegionFixed);
                EXPECT_EQ(gCaptureSettings.targetWindow, nullptr);
                EXPECT_FALSE(range.Checked(IDC_WINDOW_MODE));
                EXPECT_TRUE(range.Entries(IDC_WINDOW_LIST).empty());
                EXPECT_TRUE(range.Enabled(IDC_RANGE_X));
                w.PostClose();
              })
      .Message("めずらしいですわ", "アプリケーションが一切取得できませんでしたわ")
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
}

TEST_F(RecorderTest, AWindowPickedByClickIsWhatTheRecordingHolds) {
  const fs::path folder = FreshFolder("picked_window");
  const COLORREF colour = RGB(30, 160, 220);
  UniqueBrush brush(CreateSolidBrush(colour));
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hbrBackground = brush.get();
  cls.lpszClassName = L"RecorderTestPicked";
  RegisterClassW(&cls);
  UniqueWindow picked(CreateWindowExW(WS_EX_TOPMOST, L"RecorderTestPicked", L"録画される窓",
                                      WS_POPUP | WS_CAPTION | WS_VISIBLE, 420, 300, 200, 150,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  UpdateWindow(picked.get());
  RECT frame;
  GetWindowRect(picked.get(), &frame);
  RECT client;
  GetClientRect(picked.get(), &client);
  const POINT inside{(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
  DialogScript script;
  script.Ignore(104);  // the progress window while saving
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                RecordInto(folder);
                DialogHandle range = ShowPage(w, 0);
                range.Click(IDC_WINDOW_MODE);
                range.Click(IDC_CLIENT_ONLY);
                range.Click(IDC_PICK_BY_CLICK);
                ASSERT_EQ(gCaptureSettings.targetWindow, picked.get());
                w.Click(ID_START);
                ASSERT_TRUE(PumpUntil(Recording, 5s));
                PumpFor(1500ms);
                w.Click(ID_STOP);
                ASSERT_TRUE(PumpUntil([] { return !Recording(); }, 10s));
                const std::vector<fs::path> avis = FilesIn(folder, ".AVI");
                ASSERT_EQ(avis.size(), 1u);
                const Movie movie = ReadMovie(avis[0]);
                EXPECT_EQ(movie.width, client.right);
                EXPECT_EQ(movie.height, client.bottom);
                EXPECT_EQ(movie.middle, colour) << "the picked window's own pixels";
                w.PostClose();
              })
      .Window("QUILVA_SUB", [&](DialogHandle&) { ClickAt(inside); })
      .Message(kQuitTitle, kQuitText, MessageAnswer::Yes);
  DialogDriver driver(script);
  EXPECT_EQ(RecorderMain(GetModuleHandleW(nullptr)), 0);
  driver.Finish();
  picked.reset();
  UnregisterClassW(L"RecorderTestPicked", GetModuleHandleW(nullptr));
}

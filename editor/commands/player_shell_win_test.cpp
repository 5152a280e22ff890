// The editor's shell under Wine with the real media-control player: its menu
// resource, which items each kind of file enables, opening by every road
// (command line, drop, dialog) and what a file that does not open does, the
// keys, the layout rules, the routing of every command, grayscale and pale
// colours run from the menu, and the program as its own process on screen.
#include "editor/commands/player_shell_win.h"

#include "editor/pipeline/output_movie_win.h"
#include "editor/pipeline/pipeline_test_movies_win.h"

#include <shellapi.h>
#include <shlobj.h>
#include <vfw.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>

#include "common/bytes.h"
#include "common/dib_geometry.h"
#include "common/text_win.h"
#include "editor/commands/command_table_win.h"
#include "editor/commands/messages.h"
#include "editor/commands/resource.h"
#include "editor/filter_dialogs/filter_dialog_ids.h"
#include "editor/filters/colour_filters.h"
#include "editor/filters/neighbourhood_filters.h"
#include "editor/range/range_resource.h"
#include "editor/streams/streams_resource.h"
#include "editor/synthesis/synthesis_resource.h"
#include "platform/avi/avi_api_win.h"
#include "testing/dialog_driver_win.h"
#include "testing/drop_files_win.h"
#include "testing/file_bytes.h"
#include "testing/png_file.h"
#include "testing/program_path_win.h"

using namespace std::chrono_literals;

namespace {
constexpr char kClass[] = "ピコラプレイヤー";
constexpr char kUncompressed[] = "Full Frames (Uncompressed)";

std::string ShellTestFolder() {
  wchar_t buffer[MAX_PATH];
  GetTempPathW(MAX_PATH, buffer);
  const std::wstring folder = std::wstring(buffer) + L"shell_test";
  CreateDirectoryW(folder.c_str(), nullptr);
  return Narrow(folder) + "\\";
}

// Pumps this thread's messages until `done` or the bound.
bool PumpUntil(const std::function<bool()>& done, DWORD boundMs = 10000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > boundMs) return false;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

std::string Title(HWND window) {
  wchar_t text[600] = {};
  GetWindowTextW(window, text, 600);
  return Narrow(text);
}

// The file's path, alone as the open leaves it or with the position the
// player has reported since.
bool TitleShowsFile(const std::string& path) {
  const std::string t = Title(gPlayerShell.mainWindow);
  if (!t.starts_with(path)) return false;
  const std::string rest = t.substr(path.size());
  unsigned p = 0, n = 0;
  return rest.empty() || std::sscanf(rest.c_str(), ": %u / %u", &p, &n) == 2;
}

bool Grayed(UINT id) {
  return (GetMenuState(GetMenu(gPlayerShell.mainWindow), id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

// The ids enabled now, of every command of the table.
std::set<UINT> EnabledCommands() {
  std::set<UINT> out;
  for (const EditorCommand& c : EditorCommands())
    if (!Grayed(c.id)) out.insert(c.id);
  return out;
}

LRESULT Mode() {
  return SendMessageW(gPlayerShell.playerWindow, MCIWNDM_GETMODEW, 0, 0);
}

// The shell's windows for one test, in this thread.
struct OpenShell {
  OpenShell() { created = CreatePlayerShell(GetModuleHandleW(nullptr)); }
  ~OpenShell() {
    if (created) DestroyPlayerShell();
  }
  bool created;
};

TestMovie SmallMovie() {
  TestMovie m;
  m.width = 32, m.height = 24, m.frames = 30, m.rate = 10;
  return m;
}

// Every file the tests open, made once.
struct Media {
  std::string avi, upperAvi, wav, mp3, text, truncated, absurd, missing, nonAnsi;
};
const Media& TestMedia() {
  static Media m = [] {
    Media m;
    const std::string f = ShellTestFolder();
    m.avi = f + "movie.avi";
    m.upperAvi = f + "MOVIE2.AVI";
    m.wav = f + "sound.wav";
    m.mp3 = f + "tone.mp3";
    m.text = f + "notes.avi";
    m.truncated = f + "truncated.avi";
    m.absurd = f + "absurd.avi";
    m.missing = f + "missing.avi";
    m.nonAnsi = f + "動画ёλ.avi";
    EXPECT_TRUE(WriteTestMovie(m.avi, SmallMovie()));
    EXPECT_TRUE(WriteTestMovie(m.upperAvi, SmallMovie()));
    EXPECT_TRUE(WriteTestMovie(m.nonAnsi, SmallMovie()));
    Bytes pcm(16000, 0);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<uint8_t>(128 + (i % 40) - 20);
    EXPECT_TRUE(WriteTestWav(m.wav, 1, 8, 8000, pcm));
    EXPECT_TRUE(CopyFileW(ProgramPath(SHELL_MP3).c_str(), Widen(m.mp3).c_str(), FALSE));
    const std::string words = "not a movie at all\n";
    FILE* t = _wfopen(Widen(m.text).c_str(), L"wb");
    fwrite(words.data(), 1, words.size(), t);
    fclose(t);
    Bytes whole = ReadWhole(m.avi);
    Bytes cut(whole.begin(), whole.begin() + whole.size() / 3);
    FILE* c = _wfopen(Widen(m.truncated).c_str(), L"wb");
    fwrite(cut.data(), 1, cut.size(), c);
    fclose(c);
    // The main header's frame count, streams and size, and the stream's
    // length, all far beyond the file.
    Bytes absurd = whole;
    for (size_t at : {size_t{48}, size_t{56}, size_t{64}, size_t{68}})
      PutU32(absurd.data() + at, 0x7FFFFFF0u);
    FILE* a = _wfopen(Widen(m.absurd).c_str(), L"wb");
    fwrite(absurd.data(), 1, absurd.size(), a);
    fclose(a);
    DeleteFileW(Widen(m.missing).c_str());
    return m;
  }();
  return m;
}

const std::set<UINT> kCreationItems = {ID_CREATE_FROM_BITMAPS, ID_CROSS_FADE, ID_JOIN_MANY,
                                       ID_BURN};
const std::set<UINT> kAlwaysItems = {ID_FILE_OPEN, ID_FILE_QUIT};

std::set<UINT> Union(std::set<UINT> a, const std::set<UINT>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

std::set<UINT> AllCommands() {
  std::set<UINT> out;
  for (const EditorCommand& c : EditorCommands()) out.insert(c.id);
  return out;
}

}  // namespace

// The menu resource, item by item: text, id, submenus, separators, grayed.
TEST(EditorShell, MenuResourceHasTheLayoutAndIds) {
  HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_EDITOR));
  ASSERT_TRUE(menu);
  std::vector<std::string> rows;
  std::function<void(HMENU, std::string)> walk = [&](HMENU m, std::string indent) {
    for (int i = 0; i < GetMenuItemCount(m); ++i) {
      wchar_t text[200] = {};
      MENUITEMINFOW info{sizeof info};
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = 200;
      ASSERT_TRUE(GetMenuItemInfoW(m, i, TRUE, &info));
      if (info.fType & MFT_SEPARATOR) {
        rows.push_back(indent + "-");
        continue;
      }
      std::string row = indent + Narrow(text);
      if (!info.hSubMenu) row += " " + std::to_string(info.wID);
      if (info.fState & MFS_GRAYED) row += " grayed";
      rows.push_back(row);
      if (info.hSubMenu) walk(info.hSubMenu, indent + "  ");
    }
  };
  walk(menu, "");
  DestroyMenu(menu);
  const std::vector<std::string> expected = {
      "ファイル(&F)",
      "  開く(&O) 40001",
      "  終了(&Q) 40003",
      "編集(&E)",
      "  フィルタ",
      "    RGB補正 40020 grayed",
      "    YCrCb補正 40026 grayed",
      "    コントラストの変更 40027 grayed",
      "    ガンマ補正 40028 grayed",
      "    グレースケール 40024 grayed",
      "    淡色化 40025 grayed",
      "    文字列の描画 40035 grayed",
      "    -",
      "    ぼかし 40033 grayed",
      "    メディアンフィルタ 40050 grayed",
      "    アンシャープマスク 40032 grayed",
      "    水彩画 40022 grayed",
      "    輪郭の抽出 40030 grayed",
      "    光源の描画 40031 grayed",
      "    カスタムフィルタ 40051 grayed",
      "  -",
      "  オーディオファイルを取り出す 40012 grayed",
      "  動画を取り出す 40010 grayed",
      "  -",
      "  範囲を指定してAVIを取り出す 40014 grayed",
      "  範囲を指定してビットマップを取り出す 40004 grayed",
      "  自動分割 40037 grayed",
      "  -",
      "  他のファイルから動画を貼り付ける 40016 grayed",
      "  動画と音を結合する 40006 grayed",
      "  -",
      "  情報を変更する 40011 grayed",
      "  フレーム数を2分の1にする 40018 grayed",
      "  構成画像を24bitビットマップに変更する 40019 grayed",
      "  画像のサイズを変える 40052 grayed",
      "  巻き戻し 40023 grayed",
      "  -",
      "  AVIファイルの作成",
      "    ビットマップファイルからAVIファイルを作成する 40017",
      "    2枚のビットマップを徐々に合成してAVIを作る 40034",
      "    複数のAVIファイルを一気に結合する 40036",
      "    燃やす 40044",
      "画面を保存(&S) 40009 grayed",
  };
  EXPECT_EQ(rows, expected);
  // The command table knows every item of the menu, and its file-dependent
  // ones are exactly those the resource starts grayed.
  std::set<UINT> grayedInResource, needsMovie;
  for (const std::string& r : rows)
    if (r.ends_with(" grayed"))
      grayedInResource.insert(std::stoul(r.substr(r.rfind(' ', r.size() - 8) + 1)));
  for (const EditorCommand& c : EditorCommands())
    if (c.needsMovie) needsMovie.insert(c.id);
  EXPECT_EQ(needsMovie, grayedInResource);
  EXPECT_EQ(EditorCommands().size(), 33u);
  // And each item runs a command of its own: none is left to the routing alone.
  for (const EditorCommand& c : EditorCommands()) EXPECT_NE(c.action, nullptr) << c.id;
}

TEST(EditorShell, EachKindOfFileEnablesItsItems) {
  const Media& m = TestMedia();
  const std::set<UINT> all = AllCommands();
  struct Case {
    std::string path;
    std::set<UINT> enabled;
  } cases[] = {
      {m.avi, all},
      {m.upperAvi, all},
      {m.wav, Union(Union(kAlwaysItems, kCreationItems), {ID_JOIN_VIDEO_SOUND, ID_STREAM_INFO})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    OpenShell shell;
    ASSERT_TRUE(shell.created);
    EXPECT_EQ(EnabledCommands(), Union(kAlwaysItems, kCreationItems)) << "as the resource has it";
    EXPECT_EQ(gPlayerShell.playerWindow, gEditorWindows.playerWindow);
    ASSERT_TRUE(OpenInPlayer(Widen(c.path).c_str()));
    EXPECT_EQ(EnabledCommands(), c.enabled);
    EXPECT_TRUE(TitleShowsFile(c.path)) << Title(gPlayerShell.mainWindow);
    EXPECT_TRUE(PumpUntil([] { return Mode() == MCI_MODE_PLAY; })) << "plays at once";
  }
  // A WAV after a movie grays the movie's items again.
  OpenShell shell;
  ASSERT_TRUE(OpenInPlayer(Widen(m.avi).c_str()));
  ASSERT_TRUE(OpenInPlayer(Widen(m.wav).c_str()));
  EXPECT_EQ(EnabledCommands(), cases[2].enabled);
  EXPECT_FALSE(OpenInPlayer(nullptr));
}

TEST(EditorShell, TheExtensionTellsTheKindOfFile) {
  struct Case {
    const wchar_t* path;
    FileKind kind;
  } cases[] = {
      {L"C:\\a.avi", FileKind::Movie},       {L"C:\\A.AVI", FileKind::Movie},
      {L"a.Avi", FileKind::Movie},           {L"C:\\x.wav.avi", FileKind::Movie},
      {L"C:\\s.wav", FileKind::Sound},       {L"S.WAV", FileKind::Sound},
      {L"C:\\t.mp3", FileKind::Other},       {L"C:\\t.mid", FileKind::Other},
      {L"C:\\t.avi.mp3", FileKind::Other},   {L"C:\\d.avi\\noext", FileKind::Other},
      {L"C:\\d.avi/noext", FileKind::Other}, {L"", FileKind::Other},
      {L"C:\\a.avix", FileKind::Other},      {L"C:\\a.", FileKind::Other},
  };
  for (const Case& c : cases) EXPECT_EQ(FileKindOf(c.path), c.kind) << Narrow(c.path);
}

TEST(EditorShell, OpensOneFileAfterAnotherInTheSamePlayer) {
  const Media& m = TestMedia();
  OpenShell shell;
  for (const std::string& path : {m.avi, m.wav, m.upperAvi, m.avi}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(OpenInPlayer(Widen(path).c_str()));
    EXPECT_EQ(Narrow(PlayerFileName()), path);
    EXPECT_TRUE(PumpUntil([] { return Mode() == MCI_MODE_PLAY; }));
    EXPECT_EQ(GetParent(gPlayerShell.playerWindow), gPlayerShell.mainWindow);
  }
}

// Dropped files: the message for several, the first one taken; a file that
// does not open, whatever is wrong with it, ends with the one message and a
// menu without the movie's items.
TEST(EditorShell, DroppedFilesOpenOrSayTheyCannot) {
  const Media& m = TestMedia();
  struct Case {
    const char* label;
    std::vector<std::string> paths;
    std::vector<std::pair<std::string, std::string>> messages;
    bool opens;
  } cases[] = {
      {"one movie", {m.avi}, {}, true},
      {"two, the first taken",
       {m.upperAvi, m.wav},
       {{kTitleAtALoss, kMessageTooManyDropped}},
       true},
      {"missing", {m.missing}, {{kTitleTroubled, kMessageCannotOpen}}, false},
      {"not a movie", {m.text}, {{kTitleTroubled, kMessageCannotOpen}}, false},
      {"two, the first missing",
       {m.missing, m.avi},
       {{kTitleAtALoss, kMessageTooManyDropped}, {kTitleTroubled, kMessageCannotOpen}},
       false},
      {"truncated", {m.truncated}, {}, true},
      {"absurd header", {m.absurd}, {}, true},  // plays what it can
      {"outside the ANSI code page", {m.nonAnsi}, {{kTitleTroubled, kMessageCannotOpen}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    OpenShell shell;
    DialogScript script;
    for (const auto& [title, text] : c.messages) script.Message(title, text);
    // The stream information command below, without a file.
    if (!c.opens) script.Message(kTitleCannotSay, kMessageNoFile);
    DialogDriver driver(script);
    SendMessageW(gPlayerShell.mainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(c.paths)),
                 0);
    EXPECT_EQ(PlayerFileName().empty(), !c.opens);
    if (c.opens) {
      driver.Finish();
      EXPECT_EQ(Narrow(PlayerFileName()), c.paths[0]);
      EXPECT_TRUE(TitleShowsFile(c.paths[0])) << Title(gPlayerShell.mainWindow);
    } else {
      EXPECT_EQ(EnabledCommands(), kAlwaysItems);
      // The next command leaves the movie's items grayed.
      SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, ID_STREAM_INFO, 0);
      driver.Finish();
      EXPECT_EQ(EnabledCommands(), Union(kAlwaysItems, kCreationItems));
      EXPECT_EQ(Title(gPlayerShell.mainWindow), kClass);
    }
    // The player still takes a good file afterwards.
    EXPECT_TRUE(OpenInPlayer(Widen(m.avi).c_str()));
  }
}

TEST(EditorShell, OpenCommandUsesTheFileDialog) {
  const Media& m = TestMedia();
  OpenShell shell;
  {
    DialogScript script;
    script.CancelFile();
    DialogDriver driver(script);
    SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, ID_FILE_OPEN, 0);
    driver.Finish();
    EXPECT_TRUE(PlayerFileName().empty());
  }
  {
    DialogScript script;
    script.OpenFile(m.text).Message(kTitleTroubled, kMessageCannotOpen);
    DialogDriver driver(script);
    SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, ID_FILE_OPEN, 0);
    driver.Finish();
    EXPECT_TRUE(PlayerFileName().empty());
  }
  {
    DialogScript script;
    script.System(DriverDialogKind::FileDialog, [&](DialogHandle& d) {
      EXPECT_EQ(d.Caption(), kOpenDialogTitle);
      d.EnterFileName(m.avi);
    });
    DialogDriver driver(script);
    SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, ID_FILE_OPEN, 0);
    driver.Finish();
    EXPECT_EQ(Narrow(PlayerFileName()), m.avi);
    EXPECT_EQ(EnabledCommands(), AllCommands());
  }
}

// Hold Space: one toggle per press; while paused it does nothing.
TEST(EditorShell, SpaceTogglesOncePerPress) {
  OpenShell shell;
  ASSERT_TRUE(OpenInPlayer(Widen(TestMedia().avi).c_str()));
  ASSERT_TRUE(PumpUntil([] { return Mode() == MCI_MODE_PLAY; }));
  HWND main = gPlayerShell.mainWindow;
  SendMessageW(main, WM_KEYDOWN, kSpaceKey, 0);
  EXPECT_TRUE(PumpUntil([] { return Mode() == MCI_MODE_STOP; }));
  SendMessageW(main, WM_KEYDOWN, kSpaceKey, 0x40000000);  // key repeat
  SendMessageW(main, WM_KEYDOWN, kSpaceKey, 0x40000000);
  EXPECT_EQ(Mode(), MCI_MODE_STOP);
  SendMessageW(main, WM_KEYUP, kSpaceKey, 0);
  SendMessageW(main, WM_KEYDOWN, kSpaceKey, 0);
  EXPECT_TRUE(PumpUntil([] { return Mode() == MCI_MODE_PLAY; }));
  SendMessageW(main, WM_KEYUP, kSpaceKey, 0);
  SendMessageW(gPlayerShell.playerWindow, MCI_PAUSE, 0, 0);
  ASSERT_TRUE(PumpUntil([] { return Mode() == MCI_MODE_PAUSE; }));
  SendMessageW(main, WM_KEYDOWN, kSpaceKey, 0);
  SendMessageW(main, WM_KEYUP, kSpaceKey, 0);
  EXPECT_EQ(Mode(), MCI_MODE_PAUSE);
}

TEST(EditorShell, EscapeEndsTheProgram) {
  DialogScript script;
  script.Window(kClass,
                [](DialogHandle& w) { PostMessageW(w.window(), WM_KEYDOWN, kEscapeKey, 0); });
  DialogDriver driver(script);
  EXPECT_EQ(EditorMain(GetModuleHandleW(nullptr), SW_SHOW, {}), 0);
  driver.Finish();
  EXPECT_EQ(gPlayerShell.mainWindow, nullptr);
}

// An audio file has no picture: a taller window shrinks back around the bar.
// A movie fills the client area.
TEST(EditorShell, ThePlayerFillsTheWindowOnlyWithAPicture) {
  const Media& m = TestMedia();
  for (const std::string& path : {m.wav, m.avi}) {
    SCOPED_TRACE(path);
    OpenShell shell;
    ASSERT_TRUE(OpenInPlayer(Widen(path).c_str()));
    const bool picture = path == m.avi;
    RECT before;
    GetWindowRect(gPlayerShell.mainWindow, &before);
    MoveWindow(gPlayerShell.mainWindow, before.left, before.top, 400, 500, TRUE);
    RECT client, player, after;
    GetClientRect(gPlayerShell.mainWindow, &client);
    GetWindowRect(gPlayerShell.playerWindow, &player);
    GetWindowRect(gPlayerShell.mainWindow, &after);
    if (picture) {
      EXPECT_EQ(player.right - player.left, client.right);
      EXPECT_EQ(player.bottom - player.top, client.bottom);
      EXPECT_EQ(after.bottom - after.top, 500);
    } else {
      EXPECT_EQ(player.bottom - player.top, gPlayerShell.playerBarHeight);
      EXPECT_EQ(player.right - player.left, client.right);
      EXPECT_LT(after.bottom - after.top, 500) << "shrunk back around the bar";
    }
  }
}

// Minimizing leaves the window minimized; restored, it is as it was.
TEST(EditorShell, MinimizingKeepsTheLayout) {
  OpenShell shell;
  ASSERT_TRUE(OpenInPlayer(Widen(TestMedia().avi).c_str()));
  ShowWindow(gPlayerShell.mainWindow, SW_SHOWNORMAL);
  RECT before, player;
  GetWindowRect(gPlayerShell.mainWindow, &before);
  ShowWindow(gPlayerShell.mainWindow, SW_MINIMIZE);
  EXPECT_TRUE(PumpUntil([] { return IsIconic(gPlayerShell.mainWindow) != 0; }));
  PumpUntil([] { return GetQueueStatus(QS_ALLINPUT) == 0; });
  EXPECT_TRUE(IsIconic(gPlayerShell.mainWindow));
  ShowWindow(gPlayerShell.mainWindow, SW_RESTORE);
  RECT after;
  GetWindowRect(gPlayerShell.mainWindow, &after);
  GetWindowRect(gPlayerShell.playerWindow, &player);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_GT(player.bottom - player.top, gPlayerShell.playerBarHeight) << "the picture is shown";
}

// The menu bar wraps in narrow windows: one or two menu lines more.
TEST(EditorShell, NarrowWindowsAreMadeTallerForTheMenu) {
  OpenShell shell;
  const int menuLine = GetSystemMetrics(SM_CYMENU);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
  const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
  const int bar = gPlayerShell.playerBarHeight;
  struct Case {
    int windowWidth, extraLines;
  } cases[] = {{150, 2}, {171, 2}, {172, 1}, {285, 1}, {286, 0}, {400, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.windowWidth);
    SetWindowPos(gPlayerShell.playerWindow, nullptr, 0, 0, c.windowWidth - frameWidth, bar,
                 SWP_NOZORDER | SWP_NOMOVE);
    RECT player;
    GetWindowRect(gPlayerShell.playerWindow, &player);
    FitMainWindowToPlayer();
    RECT main;
    GetWindowRect(gPlayerShell.mainWindow, &main);
    EXPECT_EQ(main.right - main.left, c.windowWidth);
    EXPECT_EQ(main.bottom - main.top, bar + frameHeight + c.extraLines * menuLine);
    EXPECT_EQ(main.top, player.top + frame.top - c.extraLines * menuLine);
  }
}

struct FilterDialogCase {
  UINT id;
  int templateId;
};
constexpr FilterDialogCase kFilterDialogs[] = {
    {ID_RGB, IDD_RGB},          {ID_YCRCB, IDD_YCRCB},          {ID_CONTRAST, IDD_STRENGTH},
    {ID_GAMMA, IDD_STRENGTH},   {ID_BLUR, IDD_STRENGTH},        {ID_MEDIAN, IDD_STRENGTH},
    {ID_UNSHARP, IDD_STRENGTH}, {ID_WATERCOLOUR, IDD_STRENGTH}, {ID_EDGE, IDD_EDGE},
    {ID_LIGHT, IDD_LIGHT},      {ID_CUSTOM, IDD_CUSTOM},
};
// The range commands open the range dialog first.
constexpr FilterDialogCase kRangeDialogs[] = {
    {ID_DRAW_TEXT, IDD_RANGE},
    {ID_EXTRACT_RANGE_AVI, IDD_RANGE},
    {ID_EXTRACT_RANGE_BITMAPS, IDD_RANGE},
};

// Every command routes: the player stops (except for "画面を保存(&S)"), the
// title shows the file at position 0 and its length, the items come back.
TEST(EditorShell, EveryCommandRoutesAndRestoresTheTitleAndMenu) {
  const Media& m = TestMedia();
  OpenShell shell;
  const std::set<UINT> skipped = {ID_FILE_OPEN,           ID_FILE_QUIT,  ID_GRAYSCALE, ID_PALE,
                                  ID_CREATE_FROM_BITMAPS, ID_CROSS_FADE, ID_BURN};
  struct KindCase {
    UINT id;
    DialogKind kind;
  } kinds[] = {{ID_CONTRAST, DialogKind::Contrast},
               {ID_GAMMA, DialogKind::Gamma},
               {ID_DRAW_TEXT, DialogKind::Text},
               {ID_BLUR, DialogKind::Blur},
               {ID_MEDIAN, DialogKind::Median},
               {ID_UNSHARP, DialogKind::UnsharpMask},
               {ID_WATERCOLOUR, DialogKind::Watercolour},
               {ID_EXTRACT_RANGE_AVI, DialogKind::RangeMovie},
               {ID_EXTRACT_RANGE_BITMAPS, DialogKind::RangeBitmaps}};
  for (const EditorCommand& c : EditorCommands()) {
    if (skipped.count(c.id)) continue;
    SCOPED_TRACE(c.id);
    ASSERT_TRUE(OpenInPlayer(Widen(m.avi).c_str()));
    ASSERT_TRUE(PumpUntil([] { return Mode() == MCI_MODE_PLAY; }));
    gDialogKind = static_cast<DialogKind>(99);  // no command's kind
    const DialogKind before = gDialogKind;
    {
      // A filter command's dialog opens and is cancelled.
      DialogScript script;
      for (const FilterDialogCase& f : kFilterDialogs)
        if (f.id == c.id) script.Dialog(f.templateId, [](DialogHandle& d) { d.Close(); });
      // A stream editing command's first file dialog is cancelled.
      const std::set<UINT> asksForAFile = {
          ID_EXTRACT_AUDIO, ID_EXTRACT_VIDEO, ID_PASTE_FROM_FILE, ID_JOIN_VIDEO_SOUND,
          ID_HALVE_FRAMES,  ID_CONVERT_24BIT, ID_REVERSE};
      if (asksForAFile.count(c.id)) script.CancelFile();
      for (const FilterDialogCase& f : kRangeDialogs)
        if (f.id == c.id) script.Dialog(f.templateId, [](DialogHandle& d) { d.Close(); });
      // So do the stream dialogs; the split scans and stops at its compressor choice.
      for (const auto& [id, templateId] :
           {std::pair{ID_STREAM_INFO, IDD_STREAM_INFO}, std::pair{ID_JOIN_MANY, IDD_JOIN_MANY},
            std::pair{ID_RESIZE, IDD_RESIZE}})
        if (static_cast<UINT>(id) == c.id)
          script.Dialog(templateId, [](DialogHandle& d) { d.Close(); });
      if (c.id == ID_AUTO_SPLIT) script.CancelCompressor();
      DialogDriver driver(script);
      SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, c.id, 0);
      driver.Finish();
    }
    EXPECT_EQ(Title(gPlayerShell.mainWindow), m.avi + ": 0 / 30");
    EXPECT_EQ(EnabledCommands(), AllCommands());
    EXPECT_EQ(Mode() == MCI_MODE_PLAY, c.id == ID_SAVE_SCREEN);
    DialogKind expected = before;
    for (const KindCase& k : kinds)
      if (k.id == c.id) expected = k.kind;
    EXPECT_EQ(gDialogKind, expected);
  }
  // An id outside the table runs the routing alone.
  SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, 40099, 0);
  EXPECT_EQ(Mode(), MCI_MODE_STOP);
  EXPECT_EQ(Title(gPlayerShell.mainWindow), m.avi + ": 0 / 30");
  EXPECT_EQ(EnabledCommands(), AllCommands());
}

// The movie-making commands reach their own dialogs from the menu; cancelled
// there, they leave the open movie, its title and the menu as they were.
TEST(EditorShell, TheCreationCommandsOpenTheirDialogsFromTheMenu) {
  const Media& m = TestMedia();
  OpenShell shell;
  struct Case {
    UINT id;
    void (*script)(DialogScript&);
  } cases[] = {
      {ID_CREATE_FROM_BITMAPS,
       [](DialogScript& s) {
         s.Dialog(IDD_BITMAPS_TO_MOVIE, [](DialogHandle& d) { d.Click(IDC_BITMAPS_CANCEL); });
       }},
      {ID_CROSS_FADE, [](DialogScript& s) { s.CancelFile(); }},
      {ID_BURN, [](DialogScript& s) { s.CancelFile(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_TRUE(OpenInPlayer(Widen(m.avi).c_str()));
    DialogScript script;
    c.script(script);
    DialogDriver driver(script);
    SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, c.id, 0);
    driver.Finish();
    EXPECT_EQ(Title(gPlayerShell.mainWindow), m.avi + ": 0 / 30");
    EXPECT_EQ(EnabledCommands(), AllCommands());
  }
}

TEST(EditorShell, TheScreenIsSavedFromTheLastFramePastTheEnd) {
  struct Case {
    LONG position, length, frame;
  } cases[] = {{0, 30, 0}, {29, 30, 29}, {30, 30, 29}, {45, 30, 29}};
  for (const Case& c : cases)
    EXPECT_EQ(ScreenFrameToSave(c.position, c.length), c.frame) << c.position;
}

// Grayscale and pale colours from the menu on the open movie: the new movie
// holds the kernel's frames.
TEST(EditorShell, GrayscaleAndPaleRunFromTheMenu) {
  const Media& m = TestMedia();
  struct Case {
    UINT id;
    const char* output;
    bool (*kernel)(uint8_t*, size_t);
  } cases[] = {{ID_GRAYSCALE, "gray.avi", ApplyGrayscale}, {ID_PALE, "pale.avi", ApplyPale}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    // Beside the test in the build, for the ffprobe check from the host.
    const std::string output = Narrow(ProgramPath(SHELL_MEDIA)) + "\\" + c.output;
    DeleteFileW(Widen(output).c_str());
    OpenShell shell;
    ASSERT_TRUE(OpenInPlayer(Widen(m.avi).c_str()));
    DialogScript script;
    script.SaveFile(output).ChooseCompressor(kUncompressed).Message(kTitleGlad, kMessageDone);
    DialogDriver driver(script);
    SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, c.id, 0);
    driver.Finish();
    EXPECT_EQ(Title(gPlayerShell.mainWindow), m.avi + ": 0 / 30");
    EXPECT_EQ(EnabledCommands(), AllCommands());
    const TestMovie movie = SmallMovie();
    const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
    ASSERT_EQ(written.size(), size_t(movie.frames));
    for (int i = 0; i < movie.frames; ++i) {
      std::vector<uint8_t> frame = TestMovieFormat(movie);
      const std::vector<uint8_t> pixels = TestMoviePixels(movie, i);
      frame.insert(frame.end(), pixels.begin(), pixels.end());
      ASSERT_TRUE(c.kernel(frame.data(), frame.size()));
      ASSERT_EQ(written[i].size(), frame.size()) << "frame " << i;
      EXPECT_TRUE(std::equal(frame.begin() + 40, frame.end(), written[i].begin() + 40))
          << "frame " << i;
    }
    EXPECT_EQ(ownavi::AVIFileInitCount(), 0);
  }
}

// A filter from the menu: its dialog, the strength changed, confirm, and the
// new movie holds the kernel's frames. The small movie fits the pane, so no
// panning bar shows.
TEST(EditorShell, AFilterDialogFromTheMenuRunsTheWholeMovie) {
  const Media& m = TestMedia();
  const std::string output = ShellTestFolder() + "median.avi";
  DeleteFileW(Widen(output).c_str());
  OpenShell shell;
  ASSERT_TRUE(OpenInPlayer(Widen(m.avi).c_str()));
  DialogScript script;
  script
      .Dialog(IDD_STRENGTH,
              [](DialogHandle& d) {
                EXPECT_EQ(d.Caption(), "メディアンフィルタ");
                EXPECT_FALSE(d.Visible(IDC_PAN_HORIZONTAL));
                EXPECT_FALSE(d.Visible(IDC_PAN_VERTICAL));
                d.Scroll(IDC_STRENGTH_BAR, 2);
                d.Click(IDC_STRENGTH_CONFIRM);
              })
      .SaveFile(output)
      .ChooseCompressor(kUncompressed)
      .Message(kTitleGlad, kMessageDone);
  DialogDriver driver(script);
  SendMessageW(gPlayerShell.mainWindow, WM_COMMAND, ID_MEDIAN, 0);
  driver.Finish();
  const TestMovie movie = SmallMovie();
  const std::vector<std::vector<uint8_t>> written = ReadPackedFrames(output);
  ASSERT_EQ(written.size(), size_t(movie.frames));
  for (int i = 0; i < movie.frames; i += 7) {
    std::vector<uint8_t> frame = TestMovieFormat(movie);
    const std::vector<uint8_t> pixels = TestMoviePixels(movie, i);
    frame.insert(frame.end(), pixels.begin(), pixels.end());
    const FrameView dst{frame.data() + 40, movie.width, movie.height, DibStride(movie.width, 24)};
    std::vector<uint8_t> source(dst.data, dst.data + dst.stride * dst.height);
    FilterScratch scratch;
    FilterScratchReserve(scratch, dst.width, dst.height);
    ApplyMedian({source.data(), dst.width, dst.height, dst.stride}, dst, 2, scratch);
    ASSERT_EQ(written[i].size(), frame.size()) << "frame " << i;
    EXPECT_TRUE(std::equal(frame.begin() + 40, frame.end(), written[i].begin() + 40))
        << "frame " << i;
  }
}

// Two file arguments, the first missing: the second plays.
TEST(EditorShell, TheFirstArgumentThatOpensIsPlayed) {
  const Media& m = TestMedia();
  DialogScript script;
  script.Window(kClass, [&](DialogHandle& w) {
    EXPECT_EQ(Narrow(PlayerFileName()), m.avi);
    EXPECT_EQ(Mode(), MCI_MODE_PLAY);
    w.Command(ID_FILE_QUIT);
  });
  DialogDriver driver(script);
  EXPECT_EQ(EditorMain(GetModuleHandleW(nullptr), SW_SHOW, {Widen(m.missing), Widen(m.avi)}), 0);
  driver.Finish();
}

TEST(EditorShell, StartsWithOnlyTheFileFreeCommandsEnabled) {
  DialogScript script;
  script.Window(kClass, [](DialogHandle& w) {
    EXPECT_EQ(w.Caption(), "ピコラプレイヤー");
    EXPECT_EQ(EnabledCommands(), Union(kAlwaysItems, kCreationItems));
    HWND player = GetWindow(w.window(), GW_CHILD);
    ASSERT_TRUE(player) << "the media-control window is the main window's child";
    EXPECT_TRUE(GetWindowLongW(player, GWL_STYLE) & WS_BORDER);
    RECT r;
    GetWindowRect(player, &r);
    EXPECT_EQ(r.bottom - r.top, gPlayerShell.playerBarHeight);
    w.Command(ID_FILE_QUIT);
  });
  DialogDriver driver(script);
  EXPECT_EQ(EditorMain(GetModuleHandleW(nullptr), SW_SHOW, {}), 0);
  driver.Finish();
}

TEST(EditorProgram, StartsAndEndsWhenItsWindowIsClosed) {
  DialogScript script;
  script.Window(kClass, [](DialogHandle& w) { w.PostClose(); }).Within(30s);
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_EDITOR_EXE), script, 60s), 0);
}

namespace {
// A movie of two colour fields, left red and right blue, whatever frame
// shows. 32 bits a pixel: this Wine's player copies 24-bit frames unconverted
// onto a 32-bit screen.
bool WriteTwoColourMovie(const std::string& path, int width, int height, int frames) {
  TestMovie m;
  m.width = width, m.height = height, m.bits = 32;
  AviOutputFileRef file;
  if (AviOutputFileCreate(path, {}, file) != AVIERR_OK) return false;
  AviStreamInfo vi;
  vi.fccType = kStreamTypeVideo;
  vi.fccHandler = FourCC("DIB ");
  vi.dwRate = 10;
  vi.dwScale = 1;
  vi.dwQuality = -1;
  vi.rcFrame = {0, 0, width, height};
  AviStreamRef video;
  if (AviOutputFileCreateStream(file, vi, video) != AVIERR_OK) return false;
  const std::vector<uint8_t> format = TestMovieFormat(m);
  if (video->SetFormat(0, format.data(), format.size()) != AVIERR_OK) return false;
  const int stride = DibStride(width, 32);
  std::vector<uint8_t> pixels(size_t(stride) * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[size_t(y) * stride + x * 4 + (x < width / 2 ? 2 : 0)] = 255;
  for (int i = 0; i < frames; ++i)
    if (video->Write(i, pixels.data(), static_cast<uint32_t>(pixels.size()), AVIIF_KEYFRAME) !=
        AVIERR_OK)
      return false;
  video.reset();
  return AviOutputFileClose(*file) == AVIERR_OK;
}

// The screen's pixels in a rectangle, top-down rows of red, green, blue.
std::vector<uint8_t> GrabScreen(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB};
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  std::vector<uint8_t> rgb;
  const int stride = DibStride(w, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = static_cast<uint8_t*>(bits) + size_t(y) * stride + x * 3;
      rgb.insert(rgb.end(), {p[2], p[1], p[0]});
    }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return rgb;
}
}  // namespace

// The program with a movie on its command line: it plays, the title follows
// the position, and the movie's picture is on screen in the player's corner.
TEST(EditorProgram, PlaysTheMovieOnItsCommandLine) {
  const std::string movie = ShellTestFolder() + "two_colours.avi";
  constexpr int kWidth = 160, kHeight = 120;
  ASSERT_TRUE(WriteTwoColourMovie(movie, kWidth, kHeight, 100));
  std::vector<std::string> titles;
  DialogScript script;
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                const std::string prefix = movie + ": ";
                EXPECT_TRUE(PumpUntil(
                    [&] {
                      const std::string t = Title(w.window());
                      if (titles.empty() || titles.back() != t) titles.push_back(t);
                      std::set<std::string> positions;
                      for (const std::string& seen : titles)
                        if (seen.starts_with(prefix) && seen.ends_with(" / 100"))
                          positions.insert(seen);
                      return positions.size() >= 2;
                    },
                    20000))
                    << "the title shows an advancing position";
                HWND player = GetWindow(w.window(), GW_CHILD);
                POINT origin{0, 0};
                ClientToScreen(player, &origin);
                RECT picture{origin.x, origin.y, origin.x + kWidth, origin.y + kHeight};
                const std::vector<uint8_t> shot = GrabScreen(picture);
                RECT whole;
                GetWindowRect(w.window(), &whole);
                const std::vector<uint8_t> window = GrabScreen(whole);
                EXPECT_TRUE(WritePng(Narrow(ProgramPath(SHELL_SCREENSHOT)),
                                     whole.right - whole.left, whole.bottom - whole.top, window));
                auto colourNear = [&](int x, int y, int r, int g, int b) {
                  const uint8_t* p = shot.data() + (size_t(y) * kWidth + x) * 3;
                  return std::abs(p[0] - r) < 16 && std::abs(p[1] - g) < 16 &&
                         std::abs(p[2] - b) < 16;
                };
                for (int y : {4, kHeight / 2, kHeight - 5}) {
                  EXPECT_TRUE(colourNear(4, y, 255, 0, 0)) << y;
                  EXPECT_TRUE(colourNear(kWidth / 2 - 5, y, 255, 0, 0)) << y;
                  EXPECT_TRUE(colourNear(kWidth / 2 + 4, y, 0, 0, 255)) << y;
                  EXPECT_TRUE(colourNear(kWidth - 5, y, 0, 0, 255)) << y;
                }
                w.PostClose();
              })
      .Within(30s);
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_EDITOR_EXE, L"\"Z:\\nowhere\\x.avi\" \"" +
                                                                       Widen(movie) + L"\""),
                                 script, 90s),
            0);
  ASSERT_FALSE(titles.empty());
}

// An MP3 opens and plays in the program. (This Wine's MPEG player refuses
// to open in the test process, so its menu, which another process cannot
// read here, is covered by the kind of file its extension gives.)
TEST(EditorProgram, PlaysAnMp3) {
  const std::string mp3 = TestMedia().mp3;
  DialogScript script;
  script
      .Window(kClass,
              [&](DialogHandle& w) {
                std::string title;
                EXPECT_TRUE(PumpUntil(
                    [&] {
                      title = Title(w.window());
                      return title.starts_with(mp3);
                    },
                    20000))
                    << title;
                w.PostClose();
              })
      .Within(30s);
  EXPECT_EQ(RunProcessWithScript(ProgramCommand(QUILVA_EDITOR_EXE, Widen(mp3)), script, 60s), 0);
  EXPECT_EQ(FileKindOf(Widen(mp3)), FileKind::Other);
}

// Times the filter dialogs' live preview under Wine: for each dialog, the
// time from a parameter bar's move (SB_THUMBTRACK, as a drag sends it) to the
// return of its handling, by which the pane holds the new result. The movie
// is opened in a real media-control window, as in the editor.
//   filter_preview_probe.exe MOVIE.AVI [MOVES]
// Prints one line per dialog: median and slowest milliseconds per move.
#include "editor/pipeline/output_movie_win.h"

#include <windows.h>
#include <commctrl.h>
#include <vfw.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "editor/commands/resource.h"
#include "editor/filter_dialogs/filter_dialogs_win.h"

namespace {

struct Probe {
  const char* name;
  int command;
  int bar;
  int low, high;  // positions the moves alternate between
};

constexpr Probe kProbes[] = {
    {"rgb", ID_RGB, 1044, 100, 200},          {"ycrcb", ID_YCRCB, 1063, 80, 150},
    {"contrast", ID_CONTRAST, 1022, 60, 200}, {"gamma", ID_GAMMA, 1022, 60, 200},
    {"blur 5", ID_BLUR, 1022, 4, 5},          {"unsharp 3", ID_UNSHARP, 1022, 2, 3},
    {"median 3", ID_MEDIAN, 1022, 2, 3},      {"watercolour 24", ID_WATERCOLOUR, 1022, 23, 24},
    {"edge", ID_EDGE, 1022, 30, 60},          {"custom", ID_CUSTOM, 1052, 2, 3},
};

HWND gDialog = nullptr;
HHOOK gHook = nullptr;
int gMoves = 20;
const Probe* gProbe = nullptr;
std::vector<double> gTimes;

LRESULT CALLBACK CbtHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && !gDialog) {
    wchar_t cls[16] = {};
    GetClassNameW(reinterpret_cast<HWND>(wparam), cls, 16);
    if (lstrcmpW(cls, L"#32770") == 0) gDialog = reinterpret_cast<HWND>(wparam);
  }
  return CallNextHookEx(gHook, code, wparam, lparam);
}

void CALLBACK Drive(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!gDialog) return;
  KillTimer(nullptr, timer);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  HWND bar = GetDlgItem(gDialog, gProbe->bar);
  for (int i = 0; i < gMoves; ++i) {
    const int position = (i % 2) ? gProbe->low : gProbe->high;
    QueryPerformanceCounter(&start);
    SendMessageW(gDialog, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, position),
                 reinterpret_cast<LPARAM>(bar));
    QueryPerformanceCounter(&end);
    gTimes.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
  }
  PostMessageW(gDialog, WM_CLOSE, 0, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: filter_preview_probe MOVIE.AVI [MOVES]\n");
    return 2;
  }
  if (argc > 2) gMoves = std::max(1, _wtoi(argv[2]));
  HWND main = CreateWindowExW(0, L"STATIC", L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND player =
      MCIWndCreateW(main, GetModuleHandleW(nullptr),
                    WS_CHILD | MCIWNDF_NOOPEN | MCIWNDF_NOMENU | MCIWNDF_NOERRORDLG, argv[1]);
  if (!player) {
    fprintf(stderr, "the player could not open the movie\n");
    return 1;
  }
  gEditorWindows = {main, player};
  gHook = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
  for (const Probe& p : kProbes) {
    gProbe = &p;
    gDialog = nullptr;
    gTimes.clear();
    SetTimer(nullptr, 0, 10, Drive);
    RunFilterDialog(main, p.command);
    if (gTimes.empty()) {
      printf("%-15s no dialog\n", p.name);
      continue;
    }
    std::sort(gTimes.begin(), gTimes.end());
    printf("%-15s median %7.1f ms  slowest %7.1f ms  (%zu moves)\n", p.name,
           gTimes[gTimes.size() / 2], gTimes.back(), gTimes.size());
  }
  UnhookWindowsHookEx(gHook);
  MCIWndDestroy(player);
  DestroyWindow(main);
  return 0;
}

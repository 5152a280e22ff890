#pragma once
// A window's title as the progress of a long run (see progress_title.h).
#include <windows.h>

#include <string>

#include "common/progress_title.h"
#include "common/text_win.h"

struct ProgressTitle {
  HWND window = nullptr;
  ProgressTitleClock clock;
};

// Shows the title `text()` makes (UTF-8) when this step's is due; `text` is
// called only then.
template <typename MakeText>
void ShowProgressTitle(ProgressTitle* progress, bool lastStep, MakeText text) {
  if (!progress->window || !ProgressTitleDue(&progress->clock, GetTickCount(), lastStep)) return;
  const std::string title = text();
  SetWindowTextW(progress->window, Widen(title).c_str());
}

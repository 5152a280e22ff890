// Dialog 110: how many frames a cross-fade makes, at least 3.
#include "common/dialog_win.h"
#include "common/message.h"
#include "editor/commands/messages.h"
#include "editor/synthesis/synthesis_resource.h"
#include "editor/synthesis/synthesis_win.h"

FrameCountDialog gFrameCountDialog;

namespace {
constexpr UINT kFewestFrames = 3;

UINT BoxValue(HWND dialog) {
  return GetDlgItemInt(dialog, IDC_FRAME_COUNT, nullptr, FALSE);
}

INT_PTR CALLBACK FrameCountDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      gFrameCountDialog.result = 0;
      SetDlgItemInt(dialog, IDC_FRAME_COUNT, kFewestFrames, FALSE);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_FRAME_COUNT:
          // Checked when the user leaves the box: checked on every change, the
          // first digit of "12" or "20" would already be put back to 3.
          if (HIWORD(wparam) == EN_KILLFOCUS && BoxValue(dialog) < kFewestFrames)
            SetDlgItemInt(dialog, IDC_FRAME_COUNT, kFewestFrames, FALSE);
          return TRUE;
        case IDC_FRAME_COUNT_OK: {
          const UINT value = BoxValue(dialog);
          gFrameCountDialog.result = value > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(value);
          if (value >= kFewestFrames) {
            EndDialog(dialog, 1);
          } else {
            ShowMessage(kMessageTooFewFrames, kTitleTooFew, MessageButtons::Ok, MessageIcon::None,
                        dialog);
            SetDlgItemInt(dialog, IDC_FRAME_COUNT, kFewestFrames, FALSE);
          }
          return TRUE;
        }
        case IDC_FRAME_COUNT_CANCEL:
        case IDCANCEL:
          gFrameCountDialog.result = 0;
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      gFrameCountDialog.result = 0;
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}
}  // namespace

int AskFrameCount(HWND owner) {
  RunDialog(GetModuleHandleW(nullptr), IDD_FRAME_COUNT, owner, FrameCountDialogProc);
  return gFrameCountDialog.result > 2 ? gFrameCountDialog.result : 0;
}

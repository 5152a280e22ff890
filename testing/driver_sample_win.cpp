#include "testing/driver_sample_win.h"

#include <commctrl.h>

#include "common/dialog_win.h"
#include "common/text_win.h"

SampleDialogState gSample;

namespace {
constexpr int kLevelMax = 255;

std::string ItemText(HWND dialog, int id) {
  wchar_t text[256] = {};
  GetDlgItemTextW(dialog, id, text, 256);
  return Narrow(text);
}

void ShowLevel(HWND dialog, int level) {
  level = level < 0 ? 0 : level > kLevelMax ? kLevelMax : level;
  SetScrollPos(GetDlgItem(dialog, IDC_SAMPLE_LEVEL), SB_CTL, level, TRUE);
  SetDlgItemInt(dialog, IDC_SAMPLE_LEVEL_TEXT, level, FALSE);
}

void Fill(HWND dialog) {
  SetScrollRange(GetDlgItem(dialog, IDC_SAMPLE_LEVEL), SB_CTL, 0, kLevelMax, FALSE);
  ShowLevel(dialog, 0);
  SendDlgItemMessageW(dialog, IDC_SAMPLE_COUNT_SPIN, UDM_SETRANGE32, 1, 99);
  SendDlgItemMessageW(dialog, IDC_SAMPLE_COUNT_SPIN, UDM_SETPOS32, 0, 5);
  CheckRadioButton(dialog, IDC_SAMPLE_WHOLE, IDC_SAMPLE_PART, IDC_SAMPLE_WHOLE);
  for (const wchar_t* colour : {L"赤", L"緑", L"青"})
    SendDlgItemMessageW(dialog, IDC_SAMPLE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(colour));
  for (const wchar_t* size : {L"小", L"中", L"大"})
    SendDlgItemMessageW(dialog, IDC_SAMPLE_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size));
  SendDlgItemMessageW(dialog, IDC_SAMPLE_COMBO, CB_SETCURSEL, 1, 0);
  SetDlgItemTextW(dialog, IDC_SAMPLE_READONLY, L"読むだけ");
}

void TakeOver(HWND dialog) {
  gSample.name = ItemText(dialog, IDC_SAMPLE_NAME);
  gSample.level = GetScrollPos(GetDlgItem(dialog, IDC_SAMPLE_LEVEL), SB_CTL);
  gSample.count =
      static_cast<int>(SendDlgItemMessageW(dialog, IDC_SAMPLE_COUNT_SPIN, UDM_GETPOS32, 0, 0));
  gSample.draw = IsDlgButtonChecked(dialog, IDC_SAMPLE_DRAW) == BST_CHECKED;
  gSample.drawText = ItemText(dialog, IDC_SAMPLE_DRAW_TEXT);
  gSample.whole = IsDlgButtonChecked(dialog, IDC_SAMPLE_WHOLE) == BST_CHECKED;
  gSample.comboEntry = ItemText(dialog, IDC_SAMPLE_COMBO);
}

INT_PTR CALLBACK SampleProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: Fill(dialog); return TRUE;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, IDC_SAMPLE_LEVEL)) {
        ++gSample.levelNotices;
        int level = GetScrollPos(reinterpret_cast<HWND>(lparam), SB_CTL);
        switch (LOWORD(wparam)) {
          case SB_THUMBTRACK:
          case SB_THUMBPOSITION: level = HIWORD(wparam); break;
          case SB_LINELEFT: --level; break;
          case SB_LINERIGHT: ++level; break;
          case SB_PAGELEFT: level -= 16; break;
          case SB_PAGERIGHT: level += 16; break;
          default: break;
        }
        ShowLevel(dialog, level);
      }
      return TRUE;
    case WM_VSCROLL:
      if (reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, IDC_SAMPLE_COUNT_SPIN) &&
          LOWORD(wparam) == SB_THUMBPOSITION)
        ++gSample.countNotices;
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->idFrom == IDC_SAMPLE_COUNT_SPIN && header->code == UDN_DELTAPOS) {
        ++gSample.countDeltas;
        // Refuses a step to 13.
        const auto* change = reinterpret_cast<const NMUPDOWN*>(lparam);
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, change->iPos + change->iDelta == 13);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_SAMPLE_NAME:
          if (HIWORD(wparam) == EN_CHANGE) ++gSample.nameChanges;
          return TRUE;
        case IDC_SAMPLE_DRAW:
          EnableWindow(GetDlgItem(dialog, IDC_SAMPLE_DRAW_TEXT),
                       IsDlgButtonChecked(dialog, IDC_SAMPLE_DRAW) == BST_CHECKED);
          return TRUE;
        case IDC_SAMPLE_LIST:
          if (HIWORD(wparam) == LBN_SELCHANGE) {
            ++gSample.listChanges;
            LRESULT index = SendDlgItemMessageW(dialog, IDC_SAMPLE_LIST, LB_GETCURSEL, 0, 0);
            wchar_t text[64] = {};
            SendDlgItemMessageW(dialog, IDC_SAMPLE_LIST, LB_GETTEXT, index,
                                reinterpret_cast<LPARAM>(text));
            gSample.listEntry = Narrow(text);
          }
          return TRUE;
        case IDC_SAMPLE_COMBO:
          if (HIWORD(wparam) == CBN_SELCHANGE) ++gSample.comboChanges;
          return TRUE;
        case IDC_SAMPLE_ASK:
          gSample.asked = true;
          gSample.askAnswer = ShowMessage("本当によろしいですか？", "ご確認くださいませ",
                                          MessageButtons::YesNo, MessageIcon::Question, dialog);
          return TRUE;
        case IDOK:
          TakeOver(dialog);
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
}  // namespace

INT_PTR RunSampleDialog(HWND owner) {
  return RunDialog(GetModuleHandleW(nullptr), IDD_DRIVER_SAMPLE, owner, SampleProc);
}

INT_PTR RunUntaggedSampleDialog(HWND owner) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DRIVER_SAMPLE), owner,
                         SampleProc, 0);
}

HWND CreateSampleDialog(HWND owner) {
  return CreateModelessDialog(GetModuleHandleW(nullptr), IDD_DRIVER_SAMPLE, owner, SampleProc);
}

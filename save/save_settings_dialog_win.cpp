#include "save/save_settings_dialog_win.h"

#include <commdlg.h>

#include "common/message.h"
#include "save/save_job_win.h"
#include "save/save_messages.h"
#include "save/save_resource.h"

SaveJob* gSaveJob = nullptr;

namespace {
// Key frames, data rate and preview choices in the compression-options dialog.
constexpr UINT kCompressOptionChoices =
    ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE | ICMF_CHOOSE_PREVIEW;

void BrowseForOutput(HWND dialog) {
  GetDlgItemTextW(dialog, IDC_SAVE_PATH, gSaveJob->outputPath, kSavePathCapacity);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = L"AVI(*.AVI)\0*.AVI\0";
  ofn.lpstrFile = gSaveJob->outputPath;
  ofn.nMaxFile = kSavePathCapacity;
  ofn.lpstrTitle = L"保存先";
  ofn.lpstrDefExt = L"AVI";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (GetSaveFileNameW(&ofn)) SetDlgItemTextW(dialog, IDC_SAVE_PATH, gSaveJob->outputPath);
}

void ChooseCompression(int stream) {
  if (!gSaveJob->streams[stream] || !gSaveJob->compressOptions[stream]) return;
  AVISaveOptions(nullptr, kCompressOptionChoices, 1, &gSaveJob->streams[stream],
                 &gSaveJob->compressOptions[stream]);
}

void Confirm(HWND dialog) {
  GetDlgItemTextW(dialog, IDC_SAVE_PATH, gSaveJob->outputPath, kSavePathCapacity);
  if (gSaveJob->outputPath[0] == L'\0') {
    ShowMessage(kMessageNoFileName, kTitleKomarimashitawa, MessageButtons::Ok, MessageIcon::None,
                dialog);
    return;
  }
  EndDialog(dialog, 1);
}

void CancelSave(HWND dialog) {
  if (ShowMessage(kMessageCancelSave, kTitleNennotame, MessageButtons::YesNo, MessageIcon::Question,
                  dialog) != MessageAnswer::Yes)
    return;
  gSaveJob->deleteFlag = ShowMessage(kMessageDeleteTempFiles, kTitleTokorode, MessageButtons::YesNo,
                                     MessageIcon::Question, dialog) == MessageAnswer::Yes;
  gSaveJob->outputPath[0] = L'\0';
  EndDialog(dialog, 0);
}
// The close box (and Esc) cancel the save without the two questions. Nobody
// was asked about the temp files, and the cancelled save counts as done, so
// they are kept: deleting them would lose the recording without a trace.
void CloseWithoutQuestions(HWND dialog) {
  gSaveJob->deleteFlag = 0;
  EndDialog(dialog, 0);
}
}  // namespace

INT_PTR CALLBACK SaveSettingsDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      EnableWindow(GetDlgItem(dialog, IDC_SAVE_AUDIO_OPTIONS), gSaveJob->streamCount != 1);
      SetDlgItemTextW(dialog, IDC_SAVE_PATH, gSaveJob->outputPath);
      SetFocus(GetDlgItem(dialog, IDC_SAVE_PATH));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_SAVE_BROWSE: BrowseForOutput(dialog); return TRUE;
        case IDC_SAVE_VIDEO_OPTIONS: ChooseCompression(0); return TRUE;
        case IDC_SAVE_AUDIO_OPTIONS: ChooseCompression(1); return TRUE;
        case IDC_SAVE_CONFIRM: Confirm(dialog); return TRUE;
        case IDC_SAVE_CANCEL: CancelSave(dialog); return TRUE;
        case IDCANCEL: CloseWithoutQuestions(dialog); return TRUE;
      }
      break;
    case WM_CLOSE: CloseWithoutQuestions(dialog); return TRUE;
  }
  return FALSE;
}

// "複数のAVIファイルを一気に結合する": dialog 112 lists movies in joining order;
// "結合" joins their video into one stream, which is then saved.
#include "editor/pipeline/output_movie_win.h"  // before <vfw.h>
#include "platform/avi/avi_handles_win.h"

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/dialog_win.h"
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/editing/save_conventions_win.h"
#include "editor/streams/streams_common_win.h"
#include "editor/streams/streams_resource.h"
#include "editor/streams/streams_win.h"

namespace {

// The dialog's state; the joined stream outlives the dialog until it is saved.
struct JoinManyDialog {
  int longestExtent = 0;  // pixels of the longest path added so far
  PAVISTREAM joined = nullptr;
};
JoinManyDialog gJoinMany;

void Show(const std::string& text, const char* title, HWND owner) {
  ShowMessage(text, title, MessageButtons::Ok, MessageIcon::None, owner);
}

HWND List(HWND dialog) {
  return GetDlgItem(dialog, IDC_JOIN_LIST);
}

// Appends a path; the list scrolls sideways as far as the longest one needs.
void Append(HWND dialog, const std::wstring& path) {
  SendMessageW(List(dialog), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
  HDC dc = GetDC(dialog);
  SIZE size{};
  if (dc) {
    GetTextExtentPoint32W(dc, path.c_str(), static_cast<int>(path.size()), &size);
    ReleaseDC(dialog, dc);
  }
  gJoinMany.longestExtent = std::max<int>(gJoinMany.longestExtent, size.cx);
  SendMessageW(List(dialog), LB_SETHORIZONTALEXTENT,
               static_cast<WPARAM>(gJoinMany.longestExtent + GetSystemMetrics(SM_CXVSCROLL)), 0);
}

std::wstring Entry(HWND dialog, int index) {
  const LRESULT length = SendMessageW(List(dialog), LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(List(dialog), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

// Moves the selected entry by one place (-1 up, +1 down), keeping it selected.
void MoveSelected(HWND dialog, int step) {
  const int from = static_cast<int>(SendMessageW(List(dialog), LB_GETCURSEL, 0, 0));
  const int count = static_cast<int>(SendMessageW(List(dialog), LB_GETCOUNT, 0, 0));
  const int to = from + step;
  if (from == LB_ERR || to < 0 || to >= count) return;
  const std::wstring text = Entry(dialog, from);
  SendMessageW(List(dialog), LB_DELETESTRING, from, 0);
  SendMessageW(List(dialog), LB_INSERTSTRING, to, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(List(dialog), LB_SETCURSEL, to, 0);
}

void AddFromDialog(HWND dialog) {
  const FileDialogRow row{"avi(*.avi)", "*.avi", kJoinAddDialogTitle, "AVI"};
  std::wstring path;
  if (AskOpenFile(dialog, row, 0, &path)) Append(dialog, path);
}

void AddDropped(HWND dialog, HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(length);
    if (HasExtension(path, L".avi")) Append(dialog, path);
  }
  DragFinish(drop);
}

// Pastes every listed movie's video at the front, the last first, so the
// joined stream holds them in the list's order. False (after its message,
// with everything released) leaves the dialog open.
bool Join(HWND dialog) {
  ownavi::AVIFileInit();
  UniqueAviStream joined;
  if (ownavi::CreateEditableStream(joined.put(), nullptr) != 0) {
    Show(kMessageJoinEditStreamFailed, kTitleFailedPolite, dialog);
    ownavi::AVIFileExit();
    EndDialog(dialog, 0);
    return false;
  }
  const int count = static_cast<int>(SendMessageW(List(dialog), LB_GETCOUNT, 0, 0));
  for (int i = count - 1; i >= 0; --i) {
    const std::wstring path = Entry(dialog, i);
    UniqueAviStream video;
    if (ownavi::AVIStreamOpenFromFileW(video.put(), path.c_str(), streamtypeVIDEO, 0,
                                       OF_SHARE_DENY_WRITE, nullptr) != 0) {
      Show(MessageWithPath(kMessageJoinOpenFailed, Narrow(path)), kTitleOh, dialog);
      joined.reset();
      ownavi::AVIFileExit();
      return false;
    }
    LONG position = 0, length = 0;
    if (ownavi::EditStreamPaste(joined.get(), &position, &length, video.get(),
                                ownavi::AVIStreamStart(video.get()), -1) != 0) {
      Show(MessageWithPath(kMessageJoinPasteFailed, Narrow(path)), kTitleOh, dialog);
      video.reset();
      joined.reset();
      ownavi::AVIFileExit();
      return false;
    }
  }
  gJoinMany.joined = joined.release();
  EndDialog(dialog, 1);
  return true;
}

INT_PTR CALLBACK JoinManyDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      gJoinMany = JoinManyDialog();
      DragAcceptFiles(dialog, TRUE);
      return TRUE;
    case WM_DROPFILES: AddDropped(dialog, reinterpret_cast<HDROP>(wparam)); return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_JOIN_ADD: AddFromDialog(dialog); return TRUE;
        case IDC_JOIN_DELETE: {
          const LRESULT selected = SendMessageW(List(dialog), LB_GETCURSEL, 0, 0);
          if (selected != LB_ERR) SendMessageW(List(dialog), LB_DELETESTRING, selected, 0);
          return TRUE;
        }
        case IDC_JOIN_UP: MoveSelected(dialog, -1); return TRUE;
        case IDC_JOIN_DOWN: MoveSelected(dialog, 1); return TRUE;
        case IDC_JOIN_JOIN: Join(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
      }
      return FALSE;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
  }
  return FALSE;
}

}  // namespace

bool RunJoinManyDialog(HWND mainWindow) {
  if (RunDialog(GetModuleHandleW(nullptr), IDD_JOIN_MANY, mainWindow, JoinManyDialogProc) != 1 ||
      !gJoinMany.joined)
    return false;
  // The services started by the join end here, after the save.
  UniqueAviStream joined(gJoinMany.joined);
  gJoinMany.joined = nullptr;
  bool saved = false;
  std::wstring chosen;
  const std::wstring player = PlayerFileName();
  std::vector<std::wstring> reading;
  if (!player.empty()) reading.push_back(player);
  SaveOptions options;
  PAVISTREAM stream = joined.get();
  if (AskSaveDestination(mainWindow, kAviDestinationRow, reading, &chosen) &&
      ChooseSaveOptions(&options, 1, &stream)) {
    const std::wstring name = NameDestination(chosen, L".AVI");
    saved = SaveWithRetry(name, 1, &stream, options.pointers.data(), mainWindow, kJoinManyRetry);
    if (saved) Show(kMessageJoinDone, kTitleRelieved, mainWindow);
  }
  FreeSaveOptions(&options);
  joined.reset();
  ownavi::AVIFileExit();
  return saved;
}

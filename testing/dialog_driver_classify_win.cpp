// How the dialog driver tells the windows it meets apart (message boxes, the
// system dialogs, our own dialogs) and names them in its reports.
#include "testing/dialog_driver_internal_win.h"

#include <commctrl.h>

#include <algorithm>

#include "common/dialog_win.h"
#include "common/text_win.h"

namespace driver_detail {
namespace {
bool IsMessageBoxButton(int id) {
  return (id >= IDOK && id <= IDNO) || id == IDHELP || id == IDTRYAGAIN || id == IDCONTINUE;
}

// The platform's message box is a plain dialog whose children are its text
// (id 0xFFFF), its icon and its buttons, some of them hidden.
bool LooksLikeMessageBox(HWND window) {
  if (!GetDlgItem(window, kMessageTextControl)) return false;
  bool onlyBoxParts = true;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM param) -> BOOL {
        int id = GetDlgCtrlID(child);
        if (id != kMessageTextControl && id != kMessageIconControl && !IsMessageBoxButton(id)) {
          *reinterpret_cast<bool*>(param) = false;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&onlyBoxParts));
  return onlyBoxParts;
}

const char* KindName(DriverDialogKind kind) {
  switch (kind) {
    case DriverDialogKind::MessageBox: return "message box";
    case DriverDialogKind::FileDialog: return "file dialog";
    case DriverDialogKind::FolderBrowser: return "folder browser";
    case DriverDialogKind::FontChooser: return "font chooser";
    case DriverDialogKind::CompressorChooser: return "compressor chooser";
    case DriverDialogKind::SaveOptions: return "save options dialog";
    case DriverDialogKind::Own: return "dialog";
    case DriverDialogKind::Other: return "dialog";
    case DriverDialogKind::Window: return "window";
  }
  return "dialog";
}
}  // namespace

std::string Quote(const std::string& text) {
  return "\"" + text + "\"";
}

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return Narrow(name);
}

bool ClassIs(HWND window, const char* name) {
  return _stricmp(ClassOf(window).c_str(), name) == 0;
}

bool IsDialogWindow(HWND window) {
  return ClassIs(window, "#32770");
}

// Works across processes: a static or edit of another process answers
// WM_GETTEXT with its current text, while GetWindowText would give the
// text it was created with.
std::string ControlText(HWND control) {
  if (!control) return {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kRemoteAnswerMs, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_NORMAL, kRemoteAnswerMs, &copied))
    return {};
  text.resize(std::min<size_t>(copied, length));
  return Narrow(text);
}

std::string Caption(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(length + 1, L'\0');
  text.resize(GetWindowTextW(window, text.data(), length + 1));
  return Narrow(text);
}

DriverDialogKind Classify(HWND window) {
  if (DialogTemplateId(window) != 0) return DriverDialogKind::Own;
  if (GetDlgItem(window, kFileNameControl) || GetDlgItem(window, kOldFileNameControl))
    return DriverDialogKind::FileDialog;
  if (GetDlgItem(window, kFontFaceControl) && GetDlgItem(window, kFontStyleControl) &&
      GetDlgItem(window, kFontSizeControl))
    return DriverDialogKind::FontChooser;
  if (HWND list = GetDlgItem(window, kCompressorListControl); list && ClassIs(list, "ComboBox"))
    return DriverDialogKind::CompressorChooser;
  if (GetDlgItem(window, kSaveOptionsStreamControl) &&
      GetDlgItem(window, kSaveOptionsOptionsControl))
    return DriverDialogKind::SaveOptions;
  if (FindWindowExW(window, nullptr, WC_TREEVIEWW, nullptr)) return DriverDialogKind::FolderBrowser;
  if (LooksLikeMessageBox(window)) return DriverDialogKind::MessageBox;
  return DriverDialogKind::Other;
}

std::string DescribeWindow(HWND window) {
  if (!IsDialogWindow(window)) return "window " + ClassOf(window) + " " + Quote(Caption(window));
  DriverDialogKind kind = Classify(window);
  std::string text = KindName(kind);
  if (kind == DriverDialogKind::MessageBox)
    return text + " " + Quote(Caption(window)) + ": " +
           Quote(ControlText(GetDlgItem(window, kMessageTextControl)));
  if (kind == DriverDialogKind::Own) text += " " + std::to_string(DialogTemplateId(window));
  return text + " " + Quote(Caption(window));
}

std::string DescribeStep(const DriverStep& step) {
  switch (step.kind) {
    case DriverDialogKind::MessageBox:
      if (step.anyMessage) return "any message box";
      return "message box " + Quote(step.title) + ": " + Quote(step.text);
    case DriverDialogKind::Own: return "dialog " + std::to_string(step.templateId);
    case DriverDialogKind::Other: return "dialog captioned " + Quote(step.caption);
    case DriverDialogKind::Window: return "window of class " + Quote(step.className);
    default: return KindName(step.kind);
  }
}
}  // namespace driver_detail

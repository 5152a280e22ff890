#include "common/dialog_win.h"

namespace {
struct DialogStart {
  DLGPROC proc;
  LPARAM param;
  int templateId;
};

// Stands in front of the real procedure until WM_INITDIALOG, tags the window,
// then hands the window to the real procedure for good.
INT_PTR CALLBACK DialogStartProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_INITDIALOG) return FALSE;
  const auto* start = reinterpret_cast<const DialogStart*>(lparam);
  SetPropW(dialog, kDialogIdProperty,
           reinterpret_cast<HANDLE>(static_cast<INT_PTR>(start->templateId)));
  SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(start->proc));
  return start->proc(dialog, message, wparam, start->param);
}
}  // namespace

INT_PTR RunDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC proc, LPARAM param) {
  DialogStart start{proc, param, templateId};
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, DialogStartProc,
                         reinterpret_cast<LPARAM>(&start));
}

HWND CreateModelessDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC proc,
                          LPARAM param) {
  DialogStart start{proc, param, templateId};
  return CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, DialogStartProc,
                            reinterpret_cast<LPARAM>(&start));
}

int DialogTemplateId(HWND dialog) {
  return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(dialog, kDialogIdProperty)));
}

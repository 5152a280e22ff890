#pragma once
// Every dialog of the suite is made from its resource through these calls. The
// dialog window then carries its template id as a window property, so the
// dialog driver of the tests (in this process or from another one) can tell
// which dialog is up without relying on captions.
#include <windows.h>

inline constexpr wchar_t kDialogIdProperty[] = L"QuilvaDialogId";

INT_PTR RunDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC proc, LPARAM param = 0);
HWND CreateModelessDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC proc,
                          LPARAM param = 0);
// The template id of a dialog made by the calls above, or 0.
int DialogTemplateId(HWND dialog);

#include "common/message_box_win.h"

#include <windows.h>

#include "common/message.h"
#include "common/text_win.h"

namespace {
MessageAnswer ShowWindowsMessageBox(const MessageRequest& request, void*) {
  UINT flags = request.buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
  switch (request.icon) {
    case MessageIcon::Information: flags |= MB_ICONINFORMATION; break;
    case MessageIcon::Warning: flags |= MB_ICONWARNING; break;
    case MessageIcon::Error: flags |= MB_ICONERROR; break;
    case MessageIcon::Question: flags |= MB_ICONQUESTION; break;
    case MessageIcon::None: break;
  }
  int answer = MessageBoxW(static_cast<HWND>(request.owner), Widen(request.text).c_str(),
                           Widen(request.title).c_str(), flags);
  switch (answer) {
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    case IDCANCEL: return MessageAnswer::Cancel;
    default: return MessageAnswer::Ok;
  }
}
}  // namespace

void UseWindowsMessageBoxes() {
  SetMessageHandler({ShowWindowsMessageBox, nullptr});
}

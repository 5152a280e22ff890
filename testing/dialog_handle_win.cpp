// What a DialogHandle does to a dialog on screen, as the user would do it.
#include "testing/dialog_driver_win.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include "common/dialog_win.h"
#include "common/text_win.h"
#include "testing/dialog_driver_internal_win.h"

using driver_detail::CheckBounds;
using driver_detail::Classify;
using driver_detail::ClassIs;
using driver_detail::ClassOf;
using driver_detail::Clock;
using driver_detail::ControlText;
using driver_detail::DescribeWindow;
using driver_detail::Fail;
using driver_detail::kDefaultBound;
using driver_detail::kRemoteAnswerMs;
using driver_detail::PumpWaiting;
using driver_detail::Quote;
using driver_detail::ServeAll;
using std::chrono::milliseconds;

namespace {
// Room in another process for a message whose parameter points at data the
// system does not carry across (BFFM_SETSELECTION and the like).
class RemoteCopy {
 public:
  RemoteCopy(HANDLE process, const void* data, size_t size) : process_(process) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address_ && !WriteProcessMemory(process, address_, data, size, nullptr)) {
      VirtualFreeEx(process, address_, 0, MEM_RELEASE);
      address_ = nullptr;
    }
  }
  RemoteCopy(const RemoteCopy&) = delete;
  RemoteCopy& operator=(const RemoteCopy&) = delete;
  ~RemoteCopy() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  void* address() const { return address_; }

 private:
  HANDLE process_;
  void* address_ = nullptr;
};

struct PendingSend {
  bool done = false;
  LRESULT result = 0;
};

void CALLBACK SendDone(HWND, UINT, ULONG_PTR data, LRESULT result) {
  auto* pending = reinterpret_cast<PendingSend*>(data);
  pending->result = result;
  pending->done = true;
}
}  // namespace

int DialogHandle::TemplateId() const {
  return DialogTemplateId(window_);
}
std::string DialogHandle::Caption() const {
  return driver_detail::Caption(window_);
}
DriverDialogKind DialogHandle::Kind() const {
  return Classify(window_);
}

LRESULT DialogHandle::Send(HWND target, UINT message, WPARAM wparam, LPARAM lparam) const {
  if (!core_->Remote()) return SendMessageW(target, message, wparam, lparam);
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(target, message, wparam, lparam, SMTO_NORMAL, kRemoteAnswerMs,
                           &result)) {
    Fail(*core_, "The program did not answer message " + std::to_string(message) + " to " +
                     DescribeWindow(window_) + " within " + std::to_string(kRemoteAnswerMs) +
                     " ms.");
    return 0;
  }
  return static_cast<LRESULT>(result);
}

// What the program does on a click may be to open another dialog and wait for
// it. In this process that dialog's modal loop runs the driver's timers; for
// another process the driver keeps serving while the message is under way.
LRESULT DialogHandle::SendServing(HWND target, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!core_->Remote()) return SendMessageW(target, message, wparam, lparam);
  // Leaked when the program never answers: the system may still call back.
  auto* pending = new PendingSend;
  if (!SendMessageCallbackW(target, message, wparam, lparam, SendDone,
                            reinterpret_cast<ULONG_PTR>(pending))) {
    delete pending;
    return 0;
  }
  Clock::time_point start = Clock::now();
  while (!pending->done) {
    PumpWaiting(core_->process, 10);
    if (pending->done || WaitForSingleObject(core_->process, 0) == WAIT_OBJECT_0) break;
    ServeAll(*core_);
    CheckBounds(*core_);
    if (Clock::now() - std::max(start, core_->lastProgress) >
        std::max<milliseconds>(3 * kDefaultBound, core_->lastBound)) {
      Fail(*core_, "The program did not finish handling message " + std::to_string(message) + ".");
      return 0;
    }
  }
  LRESULT result = pending->result;
  if (pending->done) delete pending;
  return result;
}

HWND DialogHandle::Usable(int id, const char* action) const {
  HWND item = Item(id);
  std::string where = " control " + std::to_string(id) + " of the " + DescribeWindow(window_);
  if (!item)
    Fail(*core_, std::string("Cannot ") + action + ": there is no" + where + ".");
  else if (!IsWindowVisible(item))
    Fail(*core_, std::string("Cannot ") + action + " the hidden" + where + ".");
  else if (!IsWindowEnabled(item))
    Fail(*core_, std::string("Cannot ") + action + " the disabled" + where + ".");
  else
    return item;
  return nullptr;
}

std::string DialogHandle::Text(int id) const {
  return ControlText(Item(id));
}
bool DialogHandle::Enabled(int id) const {
  return Item(id) && IsWindowEnabled(Item(id));
}
bool DialogHandle::Visible(int id) const {
  return Item(id) && IsWindowVisible(Item(id));
}

bool DialogHandle::Checked(int id) const {
  HWND item = Item(id);
  return item && Send(item, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int DialogHandle::ScrollPos(int id) const {
  HWND item = Item(id);
  return item ? static_cast<int>(Send(item, SBM_GETPOS, 0, 0)) : 0;
}

int DialogHandle::UpDownPos(int id) const {
  HWND item = Item(id);
  return item ? static_cast<int>(Send(item, UDM_GETPOS32, 0, 0)) : 0;
}

int DialogHandle::Selected(int id) const {
  HWND item = Item(id);
  if (!item) return -1;
  LRESULT index = Send(item, ClassIs(item, "ListBox") ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
  return index < 0 ? -1 : static_cast<int>(index);
}

std::vector<std::string> DialogHandle::Entries(int id) const {
  std::vector<std::string> entries;
  HWND item = Item(id);
  if (!item) return entries;
  bool list = ClassIs(item, "ListBox");
  LRESULT count = Send(item, list ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = Send(item, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, i, 0);
    if (length < 0) length = 0;
    std::wstring text(length + 1, L'\0');
    LRESULT copied =
        Send(item, list ? LB_GETTEXT : CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : std::min<size_t>(copied, length));
    entries.push_back(Narrow(text));
  }
  return entries;
}

std::string DialogHandle::SelectedText(int id) const {
  int index = Selected(id);
  std::vector<std::string> entries = Entries(id);
  return index >= 0 && index < static_cast<int>(entries.size()) ? entries[index] : std::string();
}

bool DialogHandle::SetText(int id, std::string_view utf8) {
  HWND item = Usable(id, "type into");
  if (!item) return false;
  LONG style = GetWindowLongW(item, GWL_STYLE);
  // The file dialogs' name box is an extended combo box; it takes WM_SETTEXT
  // like a plain one and hands it to its edit.
  bool combo = ClassIs(item, "ComboBox") || ClassIs(item, WC_COMBOBOXEXA);
  if ((ClassIs(item, "Edit") && (style & ES_READONLY)) ||
      (combo && (style & 3) == CBS_DROPDOWNLIST) || (!ClassIs(item, "Edit") && !combo)) {
    Fail(*core_, "Cannot type into control " + std::to_string(id) + " (" + ClassOf(item) +
                     ") of the " + DescribeWindow(window_) + ": it takes no typing.");
    return false;
  }
  std::wstring text = Widen(utf8);
  Send(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return true;
}

bool DialogHandle::Click(int id) {
  HWND item = Usable(id, "click");
  if (!item) return false;
  SendServing(item, BM_CLICK, 0, 0);
  return true;
}

bool DialogHandle::SetChecked(int id, bool checked) {
  if (Checked(id) == checked) return true;
  if (!Click(id)) return false;
  if (IsWindow(window_) && Checked(id) != checked) {
    Fail(*core_, "A click on control " + std::to_string(id) + " of the " + DescribeWindow(window_) +
                     " did not change its check mark.");
    return false;
  }
  return true;
}

// A scroll bar does not move itself: its owner does, on these notifications,
// which is what a drag of the thumb sends. The position travels in 16 bits.
bool DialogHandle::Scroll(int id, int position) {
  HWND item = Usable(id, "scroll");
  if (!item) return false;
  if (!ClassIs(item, "ScrollBar")) {
    Fail(*core_, "Control " + std::to_string(id) + " is no scroll bar.");
    return false;
  }
  int low = 0, high = 0;
  if (!core_->Remote() && GetScrollRange(item, SB_CTL, &low, &high))
    position = std::clamp(position, low, high);
  UINT message = (GetWindowLongW(item, GWL_STYLE) & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  HWND parent = GetParent(item);
  auto lparam = reinterpret_cast<LPARAM>(item);
  SendServing(parent, message, MAKEWPARAM(SB_THUMBTRACK, position), lparam);
  SendServing(parent, message, MAKEWPARAM(SB_THUMBPOSITION, position), lparam);
  SendServing(parent, message, MAKEWPARAM(SB_ENDSCROLL, 0), lparam);
  return true;
}

bool DialogHandle::ScrollCode(int id, int code) {
  HWND item = Usable(id, "scroll");
  if (!item) return false;
  UINT message = (GetWindowLongW(item, GWL_STYLE) & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  HWND parent = GetParent(item);
  SendServing(parent, message, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(item));
  SendServing(parent, message, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(item));
  return true;
}

// As the arrows do it: UDN_DELTAPOS first (the owner may refuse), then the
// new position (which also updates the buddy), then the scroll notification.
// WM_NOTIFY does not cross processes, so another process only gets the rest.
bool DialogHandle::SetUpDown(int id, int position) {
  HWND item = Usable(id, "turn");
  if (!item) return false;
  if (!ClassIs(item, UPDOWN_CLASSA)) {
    Fail(*core_, "Control " + std::to_string(id) + " is no up-down control.");
    return false;
  }
  LRESULT range = Send(item, UDM_GETRANGE, 0, 0);
  int upper = static_cast<short>(LOWORD(range)), lower = static_cast<short>(HIWORD(range));
  position = std::clamp(position, std::min(lower, upper), std::max(lower, upper));
  int current = static_cast<int>(Send(item, UDM_GETPOS32, 0, 0));
  HWND parent = GetParent(item);
  if (!core_->Remote()) {
    NMUPDOWN change{};
    change.hdr.hwndFrom = item;
    change.hdr.idFrom = static_cast<UINT_PTR>(id);
    change.hdr.code = UDN_DELTAPOS;
    change.iPos = current;
    change.iDelta = position - current;
    if (SendMessageW(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change)) != 0) return false;
  }
  Send(item, UDM_SETPOS32, 0, position);
  UINT message = (GetWindowLongW(item, GWL_STYLE) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
  SendServing(parent, message, MAKEWPARAM(SB_THUMBPOSITION, position),
              reinterpret_cast<LPARAM>(item));
  SendServing(parent, message, MAKEWPARAM(SB_ENDSCROLL, position), reinterpret_cast<LPARAM>(item));
  return true;
}

bool DialogHandle::SelectIndex(int id, int index) {
  HWND item = Usable(id, "select in");
  if (!item) return false;
  bool list = ClassIs(item, "ListBox");
  if (!list && !ClassIs(item, "ComboBox")) {
    Fail(*core_, "Control " + std::to_string(id) + " is no list or combo box.");
    return false;
  }
  LRESULT count = Send(item, list ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
  if (index < 0 || index >= count) {
    Fail(*core_, "Control " + std::to_string(id) + " of the " + DescribeWindow(window_) +
                     " has no entry " + std::to_string(index) + " (it has " +
                     std::to_string(count) + ").");
    return false;
  }
  Send(item, list ? LB_SETCURSEL : CB_SETCURSEL, index, 0);
  // Setting the selection by message is silent; the user's choice is not.
  SendServing(GetParent(item), WM_COMMAND, MAKEWPARAM(id, list ? LBN_SELCHANGE : CBN_SELCHANGE),
              reinterpret_cast<LPARAM>(item));
  return true;
}

// Compared here rather than with LB_FINDSTRINGEXACT, which ignores case.
bool DialogHandle::Select(int id, std::string_view entry) {
  std::vector<std::string> entries = Entries(id);
  auto found = std::find(entries.begin(), entries.end(), entry);
  if (found == entries.end()) {
    std::string list;
    for (const std::string& e : entries) list += "\n  " + Quote(e);
    Fail(*core_, "Control " + std::to_string(id) + " of the " + DescribeWindow(window_) +
                     " has no entry " + Quote(std::string(entry)) + "; it has:" + list);
    return false;
  }
  return SelectIndex(id, static_cast<int>(found - entries.begin()));
}

bool DialogHandle::EnterFileName(std::string_view utf8Path) {
  int id = Exists(kFileNameControl) ? kFileNameControl : kOldFileNameControl;
  return SetText(id, utf8Path) && Click(IDOK);
}

namespace {
// Lets the driven dialog work through what it has queued: in this process by
// pumping (the dialog lives on this thread), for another process by waiting.
void Settle(DriverCore& core, milliseconds span) {
  Clock::time_point end = Clock::now() + span;
  while (Clock::now() < end) PumpWaiting(core.process, 10);
}

std::wstring SelectedTreeText(DriverCore& core, HWND tree) {
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return {};
  constexpr int kChars = MAX_PATH;
  if (!core.Remote()) {
    wchar_t text[kChars] = {};
    TVITEMW request{};
    request.mask = TVIF_TEXT;
    request.hItem = item;
    request.pszText = text;
    request.cchTextMax = kChars;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&request));
    return text;
  }
  // The tree's messages carry pointers the system does not translate, so the
  // request and its text buffer live in the other process.
  struct Block {
    TVITEMW request;
    wchar_t text[kChars];
  };
  Block block{};
  RemoteCopy copy(core.process, &block, sizeof block);
  if (!copy.address()) return {};
  auto* remote = static_cast<Block*>(copy.address());
  block.request.mask = TVIF_TEXT;
  block.request.hItem = item;
  block.request.pszText = remote->text;
  block.request.cchTextMax = kChars;
  if (!WriteProcessMemory(core.process, remote, &block.request, sizeof block.request, nullptr))
    return {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL,
                      kRemoteAnswerMs, &ignored);
  if (!ReadProcessMemory(core.process, remote->text, block.text, sizeof block.text, nullptr))
    return {};
  block.text[kChars - 1] = 0;
  return block.text;
}
}  // namespace

// A folder's tree item shows its name; a drive's shows a label with the drive
// ("Local Disk (C:)" or "C:"), so a root is matched by its drive letter.
bool TreeTextNames(const std::wstring& text, const std::wstring& leaf) {
  if (leaf.size() == 3 && leaf[1] == L':') {
    std::wstring drive = leaf.substr(0, 2);
    for (size_t i = 0; i + 2 <= text.size(); ++i)
      if (_wcsnicmp(text.c_str() + i, drive.c_str(), 2) == 0) return true;
    return false;
  }
  return _wcsicmp(text.c_str(), leaf.c_str()) == 0;
}

// The browser may rebuild its tree shortly after it opens (a change
// notification for a folder made just before is enough), which drops the
// selection; so the selection is checked to hold before it counts.
bool DialogHandle::SelectFolder(std::string_view utf8Path) {
  std::wstring path = Widen(utf8Path);
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  std::wstring leaf =
      path.size() == 3 && path[1] == L':' ? path : path.substr(path.find_last_of(L'\\') + 1);
  HWND tree = FindWindowExW(window_, nullptr, WC_TREEVIEWW, nullptr);
  std::unique_ptr<RemoteCopy> copy;
  LPARAM where = reinterpret_cast<LPARAM>(path.c_str());
  if (core_->Remote()) {
    copy = std::make_unique<RemoteCopy>(core_->process, path.c_str(),
                                        (path.size() + 1) * sizeof(wchar_t));
    if (!copy->address()) {
      Fail(*core_,
           "Could not pass the folder " + Quote(std::string(utf8Path)) + " to the program.");
      return false;
    }
    where = reinterpret_cast<LPARAM>(copy->address());
  }
  int held = 0;
  for (int attempt = 0; attempt < 20 && held < 2; ++attempt) {
    if (held == 0) Send(window_, BFFM_SETSELECTIONW, TRUE, where);
    Settle(*core_, milliseconds(50));
    bool selected = !tree || TreeTextNames(SelectedTreeText(*core_, tree), leaf);
    held = selected ? held + 1 : 0;
  }
  if (held < 2) {
    std::string shown = tree ? Narrow(SelectedTreeText(*core_, tree)) : std::string();
    Fail(*core_, "The folder browser did not keep the folder " + Quote(std::string(utf8Path)) +
                     " selected (it shows " + Quote(shown) + ").");
    return false;
  }
  return true;
}

void DialogHandle::Command(int id) {
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void DialogHandle::PostClose() {
  PostMessageW(window_, WM_CLOSE, 0, 0);
}

void DialogHandle::Close() {
  SendServing(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(window_, IDCANCEL)));
}

#include "testing/dialog_driver_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <sstream>

#include "common/dialog_win.h"
#include "common/text_win.h"

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {
constexpr milliseconds kDefaultBound{10000};
// A dialog that was told to go and is still there gets a firmer push after this.
constexpr milliseconds kDismissGrace{2000};
// How long a message to another process may take before it counts as hung.
constexpr UINT kRemoteAnswerMs = 5000;
}  // namespace

struct DismissedWindow {
  HWND window;
  Clock::time_point at;
  int pushes;
};

struct DriverCore {
  std::deque<DriverStep> steps;
  std::vector<RecordedMessage> messages;
  DWORD threadId = 0;        // in-process: the thread whose dialogs are driven
  DWORD processId = 0;       // another process, or 0
  HANDLE process = nullptr;  // its handle (not owned here)
  std::vector<HWND> served;  // dialogs already given to a step or dismissed
  std::vector<HWND> busy;    // dialogs whose step action is running
  std::vector<DismissedWindow> dismissed;
  std::vector<int> ignored;  // template ids left alone
  Clock::time_point lastProgress = Clock::now();
  milliseconds lastBound = kDefaultBound;
  int failures = 0;

  bool Remote() const { return processId != 0; }
};

namespace {
// The one in-process driver; its hook and timers find it here.
struct DriverGlobals {
  DriverCore* active = nullptr;
} gDriver;

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

bool Contains(const std::vector<HWND>& list, HWND window) {
  return std::find(list.begin(), list.end(), window) != list.end();
}

bool StepMatches(const DriverStep& step, HWND window, DriverDialogKind kind) {
  switch (step.kind) {
    case DriverDialogKind::Own:
      return kind == DriverDialogKind::Own && DialogTemplateId(window) == step.templateId;
    case DriverDialogKind::Other: return Caption(window) == step.caption;
    case DriverDialogKind::Window: return ClassOf(window) == step.className;
    default: return kind == step.kind;
  }
}

void Fail(DriverCore& core, const std::string& report) {
  ++core.failures;
  ADD_FAILURE() << report;
}

// Dialogs the user could act on now: visible, enabled dialogs of the driven
// thread or process, and the window the next step names, if it names one.
std::vector<HWND> OpenDialogs(const DriverCore& core) {
  struct Search {
    const DriverCore* core;
    std::vector<HWND> found;
  } search{&core, {}};
  auto collect = [](HWND window, LPARAM param) -> BOOL {
    auto* s = reinterpret_cast<Search*>(param);
    if (s->core->Remote()) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      if (pid != s->core->processId) return TRUE;
    }
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    const DriverCore& c = *s->core;
    bool named = !c.steps.empty() && c.steps.front().kind == DriverDialogKind::Window &&
                 ClassOf(window) == c.steps.front().className;
    if (named || IsDialogWindow(window)) s->found.push_back(window);
    return TRUE;
  };
  if (core.Remote())
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
  else
    EnumThreadWindows(core.threadId, collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Dismiss(DriverCore& core, HWND window) {
  int button = IDCANCEL;
  if (Classify(window) == DriverDialogKind::MessageBox) {
    auto shown = [&](int id) {
      HWND item = GetDlgItem(window, id);
      return item && IsWindowVisible(item);
    };
    button = shown(IDNO) ? IDNO : shown(IDCANCEL) ? IDCANCEL : IDOK;
  }
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
  if (!Contains(core.served, window)) core.served.push_back(window);
  core.dismissed.push_back({window, Clock::now(), 1});
}

int AnswerButton(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Yes: return IDYES;
    case MessageAnswer::No: return IDNO;
    case MessageAnswer::Cancel: return IDCANCEL;
    case MessageAnswer::Ok: break;
  }
  return IDOK;
}

bool Ignored(const DriverCore& core, HWND window) {
  return std::find(core.ignored.begin(), core.ignored.end(), DialogTemplateId(window)) !=
         core.ignored.end();
}

void Serve(DriverCore& core, HWND window) {
  if (Ignored(core, window)) return;
  DriverDialogKind kind = Classify(window);
  bool firstTime = !Contains(core.served, window);
  bool matches = !core.steps.empty() && StepMatches(core.steps.front(), window, kind);
  // A dialog that stays open after its step (a modeless one, or one that
  // opened another) is only taken up again by a step that names it.
  if (!firstTime && (!matches || (core.steps.front().kind != DriverDialogKind::Own &&
                                  core.steps.front().kind != DriverDialogKind::Other &&
                                  core.steps.front().kind != DriverDialogKind::Window)))
    return;
  if (firstTime) core.served.push_back(window);

  RecordedMessage message;
  if (kind == DriverDialogKind::MessageBox) {
    message.title = Caption(window);
    message.text = ControlText(GetDlgItem(window, kMessageTextControl));
  }
  if (!matches) {
    if (kind == DriverDialogKind::MessageBox) {
      message.expected = false;
      core.messages.push_back(message);
    }
    std::string expected = core.steps.empty()
                               ? std::string("the script had no step left")
                               : "the script expected " + DescribeStep(core.steps.front());
    Fail(core, "Unexpected " + DescribeWindow(window) + "; " + expected + ". It was dismissed.");
    Dismiss(core, window);
    return;
  }

  DriverStep step = std::move(core.steps.front());
  core.steps.pop_front();
  core.lastProgress = Clock::now();
  core.lastBound = step.bound;
  DialogHandle handle(&core, window);
  core.busy.push_back(window);
  if (kind == DriverDialogKind::MessageBox) {
    core.messages.push_back(message);
    if (!step.anyMessage && (message.title != step.title || message.text != step.text))
      Fail(core, "Message box differs from the script.\n  shown:    " + Quote(message.title) +
                     ": " + Quote(message.text) + "\n  expected: " + Quote(step.title) + ": " +
                     Quote(step.text));
    int button = AnswerButton(step.answer);
    HWND item = GetDlgItem(window, button);
    if (item && IsWindowVisible(item)) {
      handle.Click(button);
    } else {
      Fail(core, "The " + DescribeWindow(window) + " has no button for the scripted answer.");
      Dismiss(core, window);
    }
  } else if (step.action) {
    step.action(handle);
  }
  core.busy.erase(std::find(core.busy.begin(), core.busy.end(), window));
  core.lastProgress = Clock::now();
}

void ServeAll(DriverCore& core) {
  std::erase_if(core.served, [](HWND w) { return !IsWindow(w); });
  for (HWND window : OpenDialogs(core)) {
    // An action further up may have closed or disabled it meanwhile.
    if (!IsWindow(window) || !IsWindowVisible(window) || !IsWindowEnabled(window)) continue;
    if (Contains(core.busy, window)) continue;
    Serve(core, window);
  }
}

// Steps that do not come, dialogs that do not go: reports them and clears the
// way so the code under test can carry on.
void CheckBounds(DriverCore& core) {
  Clock::time_point now = Clock::now();
  for (DismissedWindow& d : core.dismissed) {
    if (!IsWindow(d.window) || !IsWindowVisible(d.window) || now - d.at < kDismissGrace) continue;
    if (d.pushes == 1) {
      if (core.Remote())
        PostMessageW(d.window, WM_CLOSE, 0, 0);
      else
        EndDialog(d.window, IDCANCEL);
    } else if (d.pushes == 2) {
      Fail(core, "The " + DescribeWindow(d.window) + " could not be dismissed.");
      if (!core.Remote()) DestroyWindow(d.window);
    }
    ++d.pushes;
    d.at = now;
  }
  std::erase_if(core.dismissed,
                [](const DismissedWindow& d) { return d.pushes > 3 || !IsWindow(d.window); });

  milliseconds bound = core.steps.empty() ? core.lastBound : core.steps.front().bound;
  if (now - core.lastProgress < bound) return;
  std::vector<HWND> open = OpenDialogs(core);
  std::erase_if(open, [&](HWND w) {
    return Ignored(core, w) || std::any_of(core.dismissed.begin(), core.dismissed.end(),
                       [&](const DismissedWindow& d) { return d.window == w; });
  });
  std::string openList;
  for (HWND window : open) openList += "\n  still open: " + DescribeWindow(window);
  if (core.steps.empty()) {
    if (open.empty()) return;
    Fail(core, "A dialog stayed open " + std::to_string(bound.count()) +
                   " ms after the script's last step; it was dismissed." + openList);
  } else {
    Fail(core, "Waited " + std::to_string(bound.count()) + " ms for " +
                   DescribeStep(core.steps.front()) + ", which did not come." + openList);
    core.steps.pop_front();
  }
  for (HWND window : open) Dismiss(core, window);
  core.lastProgress = now;
}

void PumpWaiting(HANDLE object, DWORD ms) {
  MsgWaitForMultipleObjects(object ? 1 : 0, object ? &object : nullptr, FALSE, ms, QS_ALLINPUT);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void CALLBACK ServeTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (gDriver.active) ServeAll(*gDriver.active);
}

void CALLBACK WatchdogTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (!gDriver.active) return;
  ServeAll(*gDriver.active);
  CheckBounds(*gDriver.active);
}

// Acting inside the hook would run before the dialog is ready; a zero-delay
// timer runs from the dialog's own modal loop once it is.
LRESULT CALLBACK CbtHookProc(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && gDriver.active && IsDialogWindow(reinterpret_cast<HWND>(wparam)))
    SetTimer(nullptr, 0, 0, ServeTimerProc);
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

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

DriverStep MakeStep(DriverDialogKind kind, DialogAction action) {
  DriverStep step;
  step.kind = kind;
  step.action = std::move(action);
  return step;
}
}  // namespace

// ---- DialogHandle ----

int DialogHandle::TemplateId() const {
  return DialogTemplateId(window_);
}
std::string DialogHandle::Caption() const {
  return ::Caption(window_);
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
  std::wstring leaf = path.size() == 3 && path[1] == L':'
                         ? path
                         : path.substr(path.find_last_of(L'\\') + 1);
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

// ---- DialogScript ----

DialogScript& DialogScript::Add(DriverStep step) {
  steps_.push_back(std::move(step));
  return *this;
}

DialogScript& DialogScript::Message(std::string title, std::string text, MessageAnswer answer) {
  DriverStep step;
  step.kind = DriverDialogKind::MessageBox;
  step.title = std::move(title);
  step.text = std::move(text);
  step.answer = answer;
  return Add(std::move(step));
}

DialogScript& DialogScript::AnyMessage(MessageAnswer answer) {
  DriverStep step;
  step.kind = DriverDialogKind::MessageBox;
  step.anyMessage = true;
  step.answer = answer;
  return Add(std::move(step));
}

DialogScript& DialogScript::OpenFile(std::string_view utf8Path) {
  return Add(MakeStep(DriverDialogKind::FileDialog,
                      [path = std::string(utf8Path)](DialogHandle& d) { d.EnterFileName(path); }));
}
DialogScript& DialogScript::OpenFile(std::wstring_view path) {
  return OpenFile(Narrow(path));
}
DialogScript& DialogScript::SaveFile(std::string_view utf8Path) {
  return OpenFile(utf8Path);
}
DialogScript& DialogScript::SaveFile(std::wstring_view path) {
  return OpenFile(Narrow(path));
}

DialogScript& DialogScript::CancelFile() {
  return Add(MakeStep(DriverDialogKind::FileDialog, [](DialogHandle& d) { d.Click(IDCANCEL); }));
}

DialogScript& DialogScript::ChooseFolder(std::string_view utf8Path) {
  return Add(
      MakeStep(DriverDialogKind::FolderBrowser, [path = std::string(utf8Path)](DialogHandle& d) {
        if (d.SelectFolder(path)) d.Click(IDOK);
      }));
}
DialogScript& DialogScript::ChooseFolder(std::wstring_view path) {
  return ChooseFolder(Narrow(path));
}
DialogScript& DialogScript::CancelFolder() {
  return Add(MakeStep(DriverDialogKind::FolderBrowser, [](DialogHandle& d) { d.Click(IDCANCEL); }));
}

DialogScript& DialogScript::ConfirmFont() {
  return Add(MakeStep(DriverDialogKind::FontChooser, [](DialogHandle& d) { d.Click(IDOK); }));
}
DialogScript& DialogScript::CancelFont() {
  return Add(MakeStep(DriverDialogKind::FontChooser, [](DialogHandle& d) { d.Click(IDCANCEL); }));
}

DialogScript& DialogScript::ChooseCompressor(std::string entry) {
  return Add(MakeStep(DriverDialogKind::CompressorChooser, [entry](DialogHandle& d) {
    if (d.Select(kCompressorListControl, entry)) d.Click(IDOK);
  }));
}
DialogScript& DialogScript::ChooseCompressor(int index) {
  return Add(MakeStep(DriverDialogKind::CompressorChooser, [index](DialogHandle& d) {
    if (d.SelectIndex(kCompressorListControl, index)) d.Click(IDOK);
  }));
}
DialogScript& DialogScript::CancelCompressor() {
  return Add(
      MakeStep(DriverDialogKind::CompressorChooser, [](DialogHandle& d) { d.Click(IDCANCEL); }));
}

DialogScript& DialogScript::ConfirmSaveOptions() {
  return Add(MakeStep(DriverDialogKind::SaveOptions, [](DialogHandle& d) { d.Click(IDOK); }));
}
DialogScript& DialogScript::CancelSaveOptions() {
  return Add(MakeStep(DriverDialogKind::SaveOptions, [](DialogHandle& d) { d.Click(IDCANCEL); }));
}

DialogScript& DialogScript::Dialog(int templateId, DialogAction action) {
  DriverStep step = MakeStep(DriverDialogKind::Own, std::move(action));
  step.templateId = templateId;
  return Add(std::move(step));
}

DialogScript& DialogScript::DialogCaptioned(std::string caption, DialogAction action) {
  DriverStep step = MakeStep(DriverDialogKind::Other, std::move(action));
  step.caption = std::move(caption);
  return Add(std::move(step));
}

DialogScript& DialogScript::Window(std::string className, DialogAction action) {
  DriverStep step = MakeStep(DriverDialogKind::Window, std::move(action));
  step.className = std::move(className);
  return Add(std::move(step));
}

DialogScript& DialogScript::System(DriverDialogKind kind, DialogAction action) {
  return Add(MakeStep(kind, std::move(action)));
}

DialogScript& DialogScript::Within(milliseconds bound) {
  if (!steps_.empty()) steps_.back().bound = bound;
  return *this;
}

DialogScript& DialogScript::Ignore(int templateId) {
  ignored_.push_back(templateId);
  return *this;
}

// ---- DialogDriver ----

DialogDriver::DialogDriver(const DialogScript& script) : core_(std::make_unique<DriverCore>()) {
  core_->steps = script.steps();
  core_->ignored = script.ignored();
  core_->threadId = GetCurrentThreadId();
  if (gDriver.active) {
    ADD_FAILURE() << "A dialog driver is already active; this one does nothing.";
    core_->steps.clear();
    finished_ = true;
    return;
  }
  gDriver.active = core_.get();
  hook_ = SetWindowsHookExW(WH_CBT, CbtHookProc, nullptr, core_->threadId);
  watchdog_ = SetTimer(nullptr, 0, 100, WatchdogTimerProc);
  if (!hook_) ADD_FAILURE() << "Could not hook the dialogs of this thread: " << GetLastError();
}

DialogDriver::~DialogDriver() {
  Finish();
}

bool DialogDriver::WaitForSteps() {
  int failures = core_->failures;
  while (!finished_ && !core_->steps.empty()) {
    PumpWaiting(nullptr, 20);
    ServeAll(*core_);
    CheckBounds(*core_);
  }
  return core_->failures == failures && core_->steps.empty();
}

const std::vector<RecordedMessage>& DialogDriver::Messages() const {
  return core_->messages;
}

std::vector<RecordedMessage> DialogDriver::Finish() {
  if (!finished_) {
    finished_ = true;
    if (watchdog_) KillTimer(nullptr, watchdog_);
    if (hook_) UnhookWindowsHookEx(hook_);
    gDriver.active = nullptr;
    if (!core_->steps.empty()) {
      std::string left;
      for (const DriverStep& step : core_->steps) left += "\n  " + DescribeStep(step);
      Fail(*core_, "The script ended with steps that never came:" + left);
      core_->steps.clear();
    }
  }
  return core_->messages;
}

// ---- another process ----

int RunProcessWithScript(const std::wstring& commandLine, const DialogScript& script,
                         milliseconds timeout, std::vector<RecordedMessage>* messages) {
  DriverCore core;
  core.steps = script.steps();
  core.ignored = script.ignored();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    ADD_FAILURE() << "Could not start " << Narrow(commandLine) << ": error " << GetLastError();
    return -1;
  }
  CloseHandle(info.hThread);
  core.processId = info.dwProcessId;
  core.process = info.hProcess;
  core.lastProgress = Clock::now();

  Clock::time_point deadline = Clock::now() + timeout;
  bool ended = false;
  while (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) {
    if (Clock::now() > deadline) {
      std::string open;
      for (HWND window : OpenDialogs(core)) open += "\n  still open: " + DescribeWindow(window);
      Fail(core, "The program " + Narrow(commandLine) + " was still running after " +
                     std::to_string(timeout.count()) + " ms; it was ended." + open);
      for (HWND window : OpenDialogs(core)) Dismiss(core, window);
      if (WaitForSingleObject(info.hProcess, 2000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
      }
      ended = true;
      break;
    }
    ServeAll(core);
    CheckBounds(core);
    PumpWaiting(info.hProcess, 20);
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hProcess);
  if (!core.steps.empty()) {
    std::string left;
    for (const DriverStep& step : core.steps) left += "\n  " + DescribeStep(step);
    Fail(core, "The program ended with script steps that never came:" + left);
  }
  if (messages) *messages = core.messages;
  return ended ? -1 : static_cast<int>(exitCode);
}

std::vector<std::string> MessageLines(const std::vector<RecordedMessage>& messages) {
  std::vector<std::string> lines;
  for (const RecordedMessage& m : messages) lines.push_back(m.title + ": " + m.text);
  return lines;
}

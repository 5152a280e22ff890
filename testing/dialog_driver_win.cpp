// Serving the script: finds the dialogs of the driven thread (from a hook and
// timers) or process (by enumeration), hands each to its step, and reports the
// steps that never come and the dialogs that never go.
#include "testing/dialog_driver_win.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/dialog_win.h"
#include "common/text_win.h"
#include "testing/dialog_driver_internal_win.h"

using std::chrono::milliseconds;

namespace driver_detail {
namespace {
// A dialog that was told to go and is still there gets a firmer push after this.
constexpr milliseconds kDismissGrace{2000};

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
}  // namespace

void Fail(DriverCore& core, const std::string& report) {
  ++core.failures;
  ADD_FAILURE() << report;
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
}  // namespace driver_detail

using driver_detail::CheckBounds;
using driver_detail::Clock;
using driver_detail::DescribeStep;
using driver_detail::DescribeWindow;
using driver_detail::Dismiss;
using driver_detail::Fail;
using driver_detail::IsDialogWindow;
using driver_detail::OpenDialogs;
using driver_detail::PumpWaiting;
using driver_detail::ServeAll;

namespace {
// The one in-process driver; its hook and timers find it here.
struct DriverGlobals {
  DriverCore* active = nullptr;
} gDriver;

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
}  // namespace

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

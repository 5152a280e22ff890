#pragma once
// What the pieces of the dialog driver share: the state of one driving, how
// windows are told apart and described, and the serving that actions call back
// into while the program under test works. Only the driver's own files use it.
#include <windows.h>

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "testing/dialog_driver_win.h"

namespace driver_detail {
using Clock = std::chrono::steady_clock;
inline constexpr std::chrono::milliseconds kDefaultBound{10000};
// How long a message to another process may take before it counts as hung.
inline constexpr UINT kRemoteAnswerMs = 5000;
}  // namespace driver_detail

struct DismissedWindow {
  HWND window;
  driver_detail::Clock::time_point at;
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
  driver_detail::Clock::time_point lastProgress = driver_detail::Clock::now();
  std::chrono::milliseconds lastBound = driver_detail::kDefaultBound;
  int failures = 0;

  bool Remote() const { return processId != 0; }
};

namespace driver_detail {
// Telling windows apart and naming them in reports (dialog_driver_classify_win.cpp).
std::string Quote(const std::string& text);
std::string ClassOf(HWND window);
bool ClassIs(HWND window, const char* name);
bool IsDialogWindow(HWND window);
std::string ControlText(HWND control);
std::string Caption(HWND window);
DriverDialogKind Classify(HWND window);
std::string DescribeWindow(HWND window);
std::string DescribeStep(const DriverStep& step);

// Serving the script (dialog_driver_win.cpp).
void Fail(DriverCore& core, const std::string& report);
void ServeAll(DriverCore& core);
void CheckBounds(DriverCore& core);
void PumpWaiting(HANDLE object, DWORD ms);
}  // namespace driver_detail

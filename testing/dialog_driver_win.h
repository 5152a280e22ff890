#pragma once
// Drives the real dialogs of Win32 code under test from a script of expected
// dialogs and answers, either in this process (a CBT hook on the test thread,
// acting from thread timers that the dialog's own modal loop dispatches) or in
// a program started as a process (found by window enumeration, driven by
// messages). An unexpected dialog, a wrong message text, a step that never
// comes within its bound and steps left over at the end fail the test through
// ADD_FAILURE; every dialog the driver did not expect is dismissed, so a test
// never hangs on one.
//
//   DialogScript script;
//   script.Message("よかったです", "無事終了いたしましたわ。", MessageAnswer::Ok)
//       .SaveFile(L"C:\\out\\a.avi")
//       .Dialog(102, [](DialogHandle& d) { d.SetText(1016, "x"); d.Click(IDOK); });
//   DialogDriver driver(script);
//   ... code that shows the dialogs ...
//   std::vector<RecordedMessage> boxes = driver.Finish();
//
// Steps are served in order. A step's bound counts from the previous step
// (or the start) while the driven thread pumps messages or, for a process,
// while it runs; after the last step, a dialog still open beyond that step's
// bound is reported and dismissed (a modeless main window should be closed by
// the test, or by a step, before then). A dialog that stays open after its
// step is taken up again only by a later Dialog/DialogCaptioned/Window step
// that names it.
#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/message.h"

// Control ids of the system dialogs as this platform builds them.
inline constexpr int kFileNameControl = 1148;       // cmb13 of the open and save dialogs
inline constexpr int kOldFileNameControl = 1152;    // edt1 of the old-style file dialogs
inline constexpr int kFontFaceControl = 1136;       // cmb1 of the font chooser
inline constexpr int kFontStyleControl = 1137;      // cmb2
inline constexpr int kFontSizeControl = 1138;       // cmb3
inline constexpr int kCompressorListControl = 880;  // the compressor chooser's list
inline constexpr int kSaveOptionsStreamControl = 0x112;
inline constexpr int kSaveOptionsOptionsControl = 0x113;
inline constexpr int kMessageTextControl = 0xFFFF;  // a message box's text
inline constexpr int kMessageIconControl = 0x440;

enum class DriverDialogKind {
  MessageBox,
  FileDialog,
  FolderBrowser,
  FontChooser,
  CompressorChooser,
  SaveOptions,
  Own,     // made by RunDialog/CreateModelessDialog: carries its template id
  Other,   // any other dialog, known only by its caption
  Window,  // a top-level window of a given class, such as a program's main window
};

struct RecordedMessage {
  std::string title;  // UTF-8, exactly as shown
  std::string text;
  bool expected = true;
};

struct DriverCore;

// One dialog on screen, in this process or another. Every action behaves as
// the user's would: it is refused (and fails the test) on a control that is
// missing, hidden or disabled, and sends the notifications the real control
// sends. Actions that may open another dialog serve that dialog from the
// script before they return.
class DialogHandle {
 public:
  DialogHandle(DriverCore* core, HWND window) : core_(core), window_(window) {}

  HWND window() const { return window_; }
  // The same driving for a child window that holds controls of its own (a
  // page of a tab control).
  DialogHandle Child(HWND child) const { return DialogHandle(core_, child); }
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  int TemplateId() const;
  std::string Caption() const;
  DriverDialogKind Kind() const;

  // Reads.
  bool Exists(int id) const { return Item(id) != nullptr; }
  std::string Text(int id) const;
  bool Enabled(int id) const;
  bool Visible(int id) const;
  bool Checked(int id) const;
  int ScrollPos(int id) const;  // a scroll bar control
  int UpDownPos(int id) const;  // an up-down control
  int Selected(int id) const;   // list or combo box: index, or -1
  std::string SelectedText(int id) const;
  std::vector<std::string> Entries(int id) const;  // list or combo box
  bool IsOpen() const { return IsWindow(window_) && IsWindowVisible(window_); }

  // Actions; each returns false (after reporting) when the user could not do it.
  bool SetText(int id, std::string_view utf8);  // an edit or combo box edit
  bool Click(int id);                           // a button, check box or radio button
  bool SetChecked(int id, bool checked);        // clicks when the state differs
  bool Scroll(int id, int position);            // drags a scroll bar's thumb there
  bool ScrollCode(int id, int code);            // SB_LINEUP, SB_PAGEDOWN, ... on a scroll bar
  bool SetUpDown(int id, int position);         // an up-down control, as its arrows would
  bool Select(int id, std::string_view entry);  // list or combo box, exact entry text
  bool SelectIndex(int id, int index);
  // The system file dialogs: types a path into the name box and confirms.
  bool EnterFileName(std::string_view utf8Path);
  // The folder browser: moves the selection to a folder.
  bool SelectFolder(std::string_view utf8Path);
  void Close();  // Cancel, as the Esc key would
  // Posts WM_COMMAND as a menu item or accelerator does; the program acts on
  // it when it next reads its queue, and the dialogs it opens are later steps.
  void Command(int id);
  void PostClose();  // WM_CLOSE, as the title bar's close box would

 private:
  LRESULT Send(HWND target, UINT message, WPARAM wparam, LPARAM lparam) const;
  LRESULT SendServing(HWND target, UINT message, WPARAM wparam, LPARAM lparam);
  HWND Usable(int id, const char* action) const;

  DriverCore* core_;
  HWND window_;
};

using DialogAction = std::function<void(DialogHandle&)>;

struct DriverStep {
  DriverDialogKind kind = DriverDialogKind::Other;
  int templateId = 0;       // Own
  std::string caption;      // Other
  std::string className;    // Window
  std::string title;        // MessageBox
  std::string text;         // MessageBox
  bool anyMessage = false;  // MessageBox whose title and text are only recorded
  MessageAnswer answer = MessageAnswer::Ok;
  DialogAction action;
  std::chrono::milliseconds bound{10000};
};

class DialogScript {
 public:
  // A message box with exactly this title and text, answered so.
  DialogScript& Message(std::string title, std::string text,
                        MessageAnswer answer = MessageAnswer::Ok);
  // A message box whose texts the test does not know; they are still recorded.
  DialogScript& AnyMessage(MessageAnswer answer = MessageAnswer::Ok);
  DialogScript& OpenFile(std::string_view utf8Path);
  DialogScript& OpenFile(std::wstring_view path);
  DialogScript& SaveFile(std::string_view utf8Path);
  DialogScript& SaveFile(std::wstring_view path);
  DialogScript& CancelFile();
  DialogScript& ChooseFolder(std::string_view utf8Path);
  DialogScript& ChooseFolder(std::wstring_view path);
  DialogScript& CancelFolder();
  DialogScript& ConfirmFont();
  DialogScript& CancelFont();
  DialogScript& ChooseCompressor(std::string entry);
  DialogScript& ChooseCompressor(int index);
  DialogScript& CancelCompressor();
  DialogScript& ConfirmSaveOptions();
  DialogScript& CancelSaveOptions();
  // One of our own dialogs, by resource id, and what the user does in it.
  DialogScript& Dialog(int templateId, DialogAction action);
  // Any dialog by its caption: for dialogs not made through RunDialog.
  DialogScript& DialogCaptioned(std::string caption, DialogAction action);
  // A visible top-level window of this class (not a dialog): a main window, to
  // send menu commands to.
  DialogScript& Window(std::string className, DialogAction action);
  // A system dialog (file, folder, font, compressor, save options) with a free hand.
  DialogScript& System(DriverDialogKind kind, DialogAction action);
  // How long the last step may take to come (default 10 s).
  DialogScript& Within(std::chrono::milliseconds bound);
  // Our dialog with this template id may come and go at any time (a progress
  // window) and is neither served nor reported.
  DialogScript& Ignore(int templateId);

  const std::deque<DriverStep>& steps() const { return steps_; }
  const std::vector<int>& ignored() const { return ignored_; }

 private:
  DialogScript& Add(DriverStep step);
  std::deque<DriverStep> steps_;
  std::vector<int> ignored_;
};

// Drives the dialogs of the thread that makes it. One at a time per process.
class DialogDriver {
 public:
  explicit DialogDriver(const DialogScript& script);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // Pumps messages until every step has been served, for code that shows its
  // dialogs later (a modeless dialog, a posted command). A step that does not
  // come within its bound fails and is dropped. True when all came.
  bool WaitForSteps();
  // Every message box seen so far, expected or not, in order.
  const std::vector<RecordedMessage>& Messages() const;
  // Fails naming each step left; ends the driving. Returns the message boxes.
  std::vector<RecordedMessage> Finish();

 private:
  std::unique_ptr<DriverCore> core_;
  HHOOK hook_ = nullptr;
  UINT_PTR watchdog_ = 0;
  bool finished_ = false;
};

// Starts a program and answers its dialogs from the script until it ends.
// Fails the test on unexpected dialogs, steps that do not come, steps left
// over, and a program still running after `timeout` (which is then ended).
// Returns the exit code, or -1 when the program could not start or was ended.
int RunProcessWithScript(const std::wstring& commandLine, const DialogScript& script,
                         std::chrono::milliseconds timeout,
                         std::vector<RecordedMessage>* messages = nullptr);

// "title: text" of each message, for compact assertions.
std::vector<std::string> MessageLines(const std::vector<RecordedMessage>& messages);

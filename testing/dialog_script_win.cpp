// DialogScript: the steps a test expects, built one call at a time.
#include "testing/dialog_driver_win.h"

#include "common/text_win.h"

using std::chrono::milliseconds;

namespace {
DriverStep MakeStep(DriverDialogKind kind, DialogAction action) {
  DriverStep step;
  step.kind = kind;
  step.action = std::move(action);
  return step;
}
}  // namespace

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

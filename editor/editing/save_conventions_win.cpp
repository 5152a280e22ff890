#include "editor/editing/save_conventions_win.h"
#include <commdlg.h>
#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/pipeline/whole_movie_win.h"

namespace {
bool Ask(const FileDialogRow& row, HWND owner, std::wstring* path, bool save) {
  wchar_t buffer[260] = {};
  const std::wstring title = Widen(row.title);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = row.filter;
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = 260;
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = row.defaultExtension;
  ofn.Flags = row.flags;
  if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return false;
  *path = buffer;
  return true;
}
}  // namespace

bool AskSaveDestination(const FileDialogRow& row, HWND owner,
                        std::initializer_list<std::wstring> reading, std::wstring* path) {
  for (;;) {
    if (!Ask(row, owner, path, true)) return false;
    bool same = false;
    for (const auto& r : reading)
      if (_wcsicmp(r.c_str(), path->c_str()) == 0) same = true;
    if (!same) return true;
    ShowMessage(kMessageSameFile, kTitleMustNot);
  }
}
bool AskOpenFile(const FileDialogRow& row, HWND owner, std::wstring* path) {
  return Ask(row, owner, path, false);
}
std::wstring NameDestination(const std::wstring& chosen, const wchar_t* extension) {
  const size_t slash = chosen.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? L"" : chosen.substr(0, slash + 1);
  std::wstring base = slash == std::wstring::npos ? chosen : chosen.substr(slash + 1);
  const size_t dot = base.find_last_of(L'.');
  if (dot != std::wstring::npos) base.resize(dot);
  if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
  return base + extension;
}
bool ChooseSaveOptions(int count, PAVISTREAM* streams, SaveOptions* options) {
  options->records.assign(count, AVICOMPRESSOPTIONS{});
  options->pointers.clear();
  for (auto& r : options->records) options->pointers.push_back(&r);
  if (!AVISaveOptions(nullptr, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE | ICMF_CHOOSE_PREVIEW,
                      count, streams, options->pointers.data())) {
    AVISaveOptionsFree(count, options->pointers.data());
    return false;
  }
  return true;
}
void FreeSaveOptions(SaveOptions* options) {
  if (!options->pointers.empty())
    AVISaveOptionsFree(static_cast<int>(options->pointers.size()), options->pointers.data());
  options->pointers.clear();
}
bool SaveWithRetry(const std::wstring& name, int count, PAVISTREAM* streams, SaveOptions* options,
                   HWND owner, const RetryTexts& texts) {
  if (ownavi::AVISaveVW(name.c_str(), nullptr, ReportSaveProgress, count, streams,
                        options->pointers.data()) == 0)
    return true;
  if (ShowMessage("ストリームの保存に失敗してしまいましたわ。\nためしに未圧縮で保存してみますか？",
                  "あと少しですのに", MessageButtons::YesNo, MessageIcon::None,
                  owner) != MessageAnswer::Yes)
    return false;
  if (ownavi::AVISaveVW(name.c_str(), nullptr, ReportSaveProgress, count, streams, nullptr) == 0)
    return true;
  ShowMessage(texts.again, texts.againTitle, MessageButtons::Ok, MessageIcon::None, owner);
  return false;
}

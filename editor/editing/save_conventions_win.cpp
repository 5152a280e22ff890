#include "editor/editing/save_conventions_win.h"

#include <commdlg.h>

#include "common/message.h"
#include "common/text_win.h"
#include "editor/commands/messages.h"
#include "editor/pipeline/output_movie_win.h"
#include "editor/pipeline/whole_movie_win.h"
#include "platform/avi/avi_api_win.h"

const SaveRetryTexts kMainWindowRetry{kMessageFailedAgainBusy, kTitleAgain};
const SaveRetryTexts kJoinManyRetry{kMessageFailedAgain, kTitleAgain};
const SaveRetryTexts kStreamInfoRetry{kMessageStillNoGood, kTitleAlmostThere};

namespace {

// "avi(*.avi)" and "*.avi" as the dialog's double-zero-ended filter list.
std::wstring FilterList(const FileDialogRow& row) {
  std::wstring list = Widen(row.filter);
  list.push_back(L'\0');
  list += Widen(row.pattern);
  list.push_back(L'\0');
  return list;
}

bool AskFile(HWND owner, const FileDialogRow& row, DWORD flags, bool save, std::wstring* chosen) {
  wchar_t path[kPathChars] = {};
  const std::wstring filter = FilterList(row);
  const std::wstring title = row.title ? Widen(row.title) : std::wstring();
  const std::wstring extension = row.extension ? Widen(row.extension) : std::wstring();
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = path;
  ofn.nMaxFile = kPathChars;
  ofn.lpstrTitle = row.title ? title.c_str() : nullptr;
  ofn.lpstrDefExt = row.extension ? extension.c_str() : nullptr;
  ofn.Flags = flags;
  if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return false;
  *chosen = path;
  return true;
}

}  // namespace

bool AskSaveDestination(HWND owner, const FileDialogRow& row,
                        const std::vector<std::wstring>& reading, std::wstring* chosen) {
  for (;;) {
    if (!AskFile(owner, row, kSaveDialogFlags, true, chosen)) return false;
    bool clash = false;
    for (const std::wstring& read : reading)
      clash = clash || (!read.empty() && SameFile(read, *chosen));
    if (!clash) return true;
    ShowMessage(kMessageSameFile, kTitleMustNot, MessageButtons::Ok, MessageIcon::None, owner);
  }
}

bool AskOpenFile(HWND owner, const FileDialogRow& row, DWORD flags, std::wstring* chosen) {
  return AskFile(owner, row, flags, false, chosen);
}

std::wstring NameDestination(const std::wstring& chosen, const wchar_t* extension) {
  wchar_t drive[_MAX_DRIVE] = {}, folder[_MAX_DIR] = {}, base[_MAX_FNAME] = {};
  if (_wsplitpath_s(chosen.c_str(), drive, _MAX_DRIVE, folder, _MAX_DIR, base, _MAX_FNAME, nullptr,
                    0) != 0)
    return chosen;
  const std::wstring where = std::wstring(drive) + folder;
  if (!where.empty()) SetCurrentDirectoryW(where.c_str());
  // The folder is named in full as well: should it have vanished, the save
  // fails there instead of writing into whatever folder was current before.
  return where + base + extension;
}

void ClearSaveOptions(SaveOptions* options, int count) {
  FreeSaveOptions(options);
  options->records.assign(static_cast<size_t>(count), AVICOMPRESSOPTIONS{});
  options->pointers.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) options->pointers[i] = &options->records[i];
}

bool ChooseSaveOptions(SaveOptions* options, int count, PAVISTREAM* streams) {
  ClearSaveOptions(options, count);
  const UINT flags = ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE | ICMF_CHOOSE_PREVIEW;
  options->chosen = true;
  if (AVISaveOptions(nullptr, flags, count, streams, options->pointers.data())) return true;
  FreeSaveOptions(options);
  return false;
}

void FreeSaveOptions(SaveOptions* options) {
  if (options->chosen && !options->pointers.empty())
    AVISaveOptionsFree(static_cast<int>(options->pointers.size()), options->pointers.data());
  options->chosen = false;
}

bool SaveWithRetry(const std::wstring& name, int count, PAVISTREAM* streams,
                   AVICOMPRESSOPTIONS** options, HWND owner, const SaveRetryTexts& texts) {
  if (ownavi::AVISaveVW(name.c_str(), nullptr, ReportSaveProgress, count, streams, options) == 0)
    return true;
  if (ShowMessage(kMessageSaveFailedTryPlain, kTitleAlmostThere, MessageButtons::YesNo,
                  MessageIcon::None, owner) != MessageAnswer::Yes)
    return false;
  if (ownavi::AVISaveVW(name.c_str(), nullptr, ReportSaveProgress, count, streams, nullptr) == 0)
    return true;
  ShowMessage(texts.secondFailure, texts.secondFailureTitle, MessageButtons::Ok, MessageIcon::None,
              owner);
  return false;
}

#include "save/folder_browser_win.h"

#include <shlobj.h>

#include "common/message.h"
#include "save/save_messages.h"

wchar_t gFolderPath[kSavePathCapacity] = {};

namespace {
int CALLBACK FolderBrowserCallback(HWND browser, UINT message, LPARAM lparam, LPARAM) {
  switch (message) {
    case BFFM_INITIALIZED:
      SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(gFolderPath));
      break;
    case BFFM_SELCHANGED: {
      wchar_t path[MAX_PATH] = {};
      bool hasPath = SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lparam), path);
      SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0,
                   reinterpret_cast<LPARAM>(hasPath ? path : L"フォルダが選択されていません"));
      break;
    }
    case BFFM_VALIDATEFAILEDW:
      ShowMessage(kMessageInvalidFolder, kTitleErrorLatin, MessageButtons::Ok, MessageIcon::None,
                  browser);
      return 1;  // keep the browser open
  }
  return 0;
}
}  // namespace

const wchar_t* BrowseForFolder(HWND owner) {
  if (gFolderPath[0] == L'\0' || !SetCurrentDirectoryW(gFolderPath))
    GetCurrentDirectoryW(kSavePathCapacity, gFolderPath);

  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = L"ファイル保存時にデフォルトとなるフォルダの指定";
  info.ulFlags = BIF_STATUSTEXT | BIF_EDITBOX | BIF_VALIDATE;
  info.lpfn = FolderBrowserCallback;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) return nullptr;

  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) {
    ShowMessage(kMessageShellAllocator, kTitleErrorLatin, MessageButtons::Ok, MessageIcon::None,
                owner);
    return nullptr;
  }
  // A choice without a file-system path (a virtual folder) leaves the buffer
  // as it was and counts as cancelled, rather than returning an empty folder.
  wchar_t path[MAX_PATH] = {};
  bool hasPath = SHGetPathFromIDListW(chosen, path);
  allocator->Free(chosen);
  allocator->Release();
  if (!hasPath) return nullptr;
  size_t length = wcslen(path);
  if (length > 0 && path[length - 1] != L'\\' && length + 1 < kSavePathCapacity) {
    path[length++] = L'\\';
    path[length] = L'\0';
  }
  lstrcpynW(gFolderPath, path, kSavePathCapacity);
  return gFolderPath;
}

#pragma once
// How every stream command of the editor saves: the file dialogs and their
// same-file rule, the destination naming that makes the chosen folder current
// and replaces the typed extension, the save options asked once per save, and
// the save that offers an uncompressed second try when the first one fails.
#include <windows.h>
#include <vfw.h>

#include <string>
#include <vector>

// One file dialog: its filter entry, pattern, title and default extension.
struct FileDialogRow {
  const char* filter;     // "avi(*.avi)"
  const char* pattern;    // "*.avi"
  const char* title;      // null: the system's own title
  const char* extension;  // default extension, "AVI"
};

inline constexpr FileDialogRow kAviDestinationRow{"avi(*.avi)", "*.avi",
                                                  "保存先のAVIファイルを設定", "AVI"};
inline constexpr FileDialogRow kWaveDestinationRow{"wave(*.wav)", "*.wav",
                                                   "保存先のWAVEファイルを設定", "WAV"};

// The flags of every save dialog of the stream commands.
inline constexpr DWORD kSaveDialogFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;

// A save dialog owned by owner, starting empty, asked again while the chosen
// path names (ignoring case) one of the files being read. False when cancelled.
bool AskSaveDestination(HWND owner, const FileDialogRow& row,
                        const std::vector<std::wstring>& reading, std::wstring* chosen);
// An open dialog with the given flags. False when cancelled.
bool AskOpenFile(HWND owner, const FileDialogRow& row, DWORD flags, std::wstring* chosen);

// Makes the chosen path's drive and folder the current directory (for the rest
// of the run) and answers the base name with extension (".AVI" or ".WAV"), the
// name the save writes relative to that folder.
std::wstring NameDestination(const std::wstring& chosen, const wchar_t* extension);

// One cleared options record per stream, and the pointer list the save takes.
struct SaveOptions {
  std::vector<AVICOMPRESSOPTIONS> records;
  std::vector<AVICOMPRESSOPTIONS*> pointers;
  bool chosen = false;  // filled by the platform's dialog; freed by FreeSaveOptions
};
// Clears count records without asking (a save that uses no options).
void ClearSaveOptions(SaveOptions* options, int count);
// The platform's save-options dialog, no owner, key frame, data rate and
// preview choices. False when cancelled (the records are freed then).
bool ChooseSaveOptions(SaveOptions* options, int count, PAVISTREAM* streams);
// The platform's own free for what its dialog filled; safe to call twice.
void FreeSaveOptions(SaveOptions* options);

// What the second failure of a save says: the main window's commands use
// kMainWindowRetry; the two stream dialogs have their own shorter texts.
struct SaveRetryTexts {
  const char* secondFailure;
  const char* secondFailureTitle;
};
extern const SaveRetryTexts kMainWindowRetry;  // "またしても失敗ですわ。\n保存先の…" / "またですわ"
extern const SaveRetryTexts kJoinManyRetry;  // "またしても失敗ですわ。" / "またですわ"
extern const SaveRetryTexts kStreamInfoRetry;  // "それでも駄目でしたわ。" / "あと少しですのに"

// Saves the streams to name with the options and the save progress in the
// main window's title. On failure asks whether to try uncompressed (owned by
// owner); Yes saves again with no options. True when one of the saves wrote
// the file.
bool SaveWithRetry(const std::wstring& name, int count, PAVISTREAM* streams,
                   AVICOMPRESSOPTIONS** options, HWND owner,
                   const SaveRetryTexts& texts = kMainWindowRetry);

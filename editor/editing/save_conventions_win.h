#pragma once
// TEMPORARY STUB until the lead's save conventions land (not committed).
#include <windows.h>
#include <vfw.h>
#include <initializer_list>
#include <string>
#include <vector>
#include "platform/avi/avi_api_win.h"

struct FileDialogRow {
  const wchar_t* filter;
  const char* title;
  const wchar_t* defaultExtension;
  DWORD flags;
};
inline constexpr DWORD kSaveFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
inline constexpr FileDialogRow kSaveAviRow{L"avi(*.avi)\0*.avi\0", "保存先のAVIファイルを設定",
                                           L"AVI", kSaveFlags};
inline constexpr FileDialogRow kSaveWaveRow{L"wave(*.wav)\0*.wav\0", "保存先のWAVEファイルを設定",
                                            L"WAV", kSaveFlags};
inline constexpr FileDialogRow kPartnerWaveRow{L"wav(*.wav)\0*.wav\0", "読み込むファイルの設定",
                                               L"WAV", kSaveFlags};
inline constexpr FileDialogRow kPartnerAviRow{L"avi(*.avi)\0*.avi\0", "読み込むファイルの設定",
                                              L"AVI", kSaveFlags};
inline constexpr FileDialogRow kPasteAviRow{L"avi(*.avi)\0*.avi\0", "貼り付けるAVIファイルの選択",
                                            L"AVI", 0};

bool AskSaveDestination(const FileDialogRow& row, HWND owner,
                        std::initializer_list<std::wstring> reading, std::wstring* path);
bool AskOpenFile(const FileDialogRow& row, HWND owner, std::wstring* path);
std::wstring NameDestination(const std::wstring& chosen, const wchar_t* extension);
struct SaveOptions {
  std::vector<AVICOMPRESSOPTIONS> records;
  std::vector<LPAVICOMPRESSOPTIONS> pointers;
};
bool ChooseSaveOptions(int count, PAVISTREAM* streams, SaveOptions* options);
void FreeSaveOptions(SaveOptions* options);
struct RetryTexts {
  const char* again;
  const char* againTitle;
};
inline constexpr RetryTexts kMainWindowRetry{
    "またしても失敗ですわ。\n保存先のファイルが使用中でないか確かめてください。", "またですわ"};
bool SaveWithRetry(const std::wstring& name, int count, PAVISTREAM* streams, SaveOptions* options,
                   HWND owner, const RetryTexts& texts);

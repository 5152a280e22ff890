#pragma once
#include <windows.h>

#include "save/save_job_win.h"

// The folder browser's path buffer: where it starts, and what it returns.
extern wchar_t gFolderPath[kSavePathCapacity];

// Lets the user pick a folder; returns gFolderPath (ending in "\") or null
// when cancelled. The buffer then holds where the browser started.
const wchar_t* BrowseForFolder(HWND owner);

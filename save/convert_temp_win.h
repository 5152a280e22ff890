#pragma once
#include <windows.h>

#include <string>

#include "save/save_job_win.h"
#include "save/wav_reader.h"

// How the own writer takes the sound: the recorder streams it, the converter
// reads it whole.
extern WavReadMode gConversionSoundMode;

// Turns a temp capture file (and its WAV, when wavPath is not empty) into an
// AVI. folder may be null; when given, it is made the current directory or,
// when that fails, replaced by the current directory. compress picks the way:
// an editable stream saved through the AVI services after the save settings
// dialog, or the own writer. Returns the success flag; the temp files are
// disposed of as the user chose. Paths are UTF-8.
bool ConvertTempToAvi(HINSTANCE instance, HWND owner, const std::string& tempPath,
                      const std::string& wavPath, std::string* folder, bool showProgress,
                      bool compress);
// The same for paths in the form the wide API gives them.
bool ConvertTempToAvi(HINSTANCE instance, HWND owner, const std::wstring& tempPath,
                      const std::wstring& wavPath, std::wstring* folder, bool showProgress,
                      bool compress);

// The progress window (dialog 104).
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

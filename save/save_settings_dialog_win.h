#pragma once
#include <windows.h>

// Dialog 102: output file and compression of the current SaveJob. Ends with 1
// when confirmed, 0 when the save is cancelled.
INT_PTR CALLBACK SaveSettingsDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

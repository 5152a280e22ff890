#pragma once
// Dialogs of the save pipeline, shared by the recorder and the converter.
#define IDD_SAVE_SETTINGS 102
#define IDC_SAVE_PATH 1033
#define IDC_SAVE_BROWSE 1034
#define IDC_SAVE_VIDEO_OPTIONS 1035
#define IDC_SAVE_AUDIO_OPTIONS 1036
#define IDC_SAVE_CONFIRM 1037
#define IDC_SAVE_CANCEL 1038

#define IDD_SAVE_PROGRESS 104
#define IDC_PROGRESS_BAR 1065
#define IDC_PROGRESS_LABEL 1066

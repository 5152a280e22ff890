#pragma once
// Resource and control ids of the recorder.
#define IDM_TRAY 102
#define IDI_RECORDER 103
#define IDC_PICK_WINDOW 104
#define IDI_TRAY_RECORDING 105
#define IDI_TRAY_IDLE 106

#define ID_QUIT 40004
#define ID_STOP 40005
#define ID_START 40006
#define ID_MAIN_WINDOW 40007

#define IDC_TABS 32869
#define IDC_DETAILS 32870
#define IDC_PAGE 32893

#define WM_TRAY_NOTIFY 32868

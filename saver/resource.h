#pragma once
// Resource ids of tindora. 100, 1001, 1007 and 2003 are the screen-saver
// library's own numbering.
#define IDI_TINDORA 100
#define IDS_DESCRIPTION 1
#define IDS_INI_FILE 1001
#define IDS_APP_NAME 1007
#define IDD_SAVER_CONFIGURE 2003
#define IDC_BROWSE 2001
#define IDC_DISPLAY_MODE 2003
#define IDC_POSITION_LABEL 2004

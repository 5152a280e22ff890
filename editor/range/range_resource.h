#pragma once
// Dialog templates and control ids of the range dialog and the text dialog.
#define IDD_RANGE 101
#define IDD_DRAW_TEXT 111

// 101 "範囲の設定"
#define IDC_RANGE_OK 1003
#define IDC_RANGE_CANCEL 1004
#define IDC_RANGE_START 1006
#define IDC_RANGE_END 1007
#define IDC_RANGE_BEFORE 1016
#define IDC_RANGE_AFTER 1017
#define IDC_RANGE_START_CHOSEN 1020
#define IDC_RANGE_END_CHOSEN 1021
#define IDC_RANGE_BAR 1022
#define IDC_RANGE_TIME 1028

// 111 "テキストの描画"
#define IDC_TEXT_BOX 1014
#define IDC_TEXT_FONT 1016
#define IDC_TEXT_OK 1017
#define IDC_TEXT_CANCEL 1018
#define IDC_TEXT_FRAME_BAR 1022

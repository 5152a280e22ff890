#pragma once
// Resource ids of the sample dialog that the dialog driver's own tests drive.
// Plain defines: the resource compiler reads this file too.
#define IDD_DRIVER_SAMPLE 101
#define IDC_SAMPLE_NAME 1016
#define IDC_SAMPLE_LEVEL 1020
#define IDC_SAMPLE_LEVEL_TEXT 1021
#define IDC_SAMPLE_COUNT 1022
#define IDC_SAMPLE_COUNT_SPIN 1023
#define IDC_SAMPLE_DRAW 1024
#define IDC_SAMPLE_DRAW_TEXT 1025
#define IDC_SAMPLE_WHOLE 1026
#define IDC_SAMPLE_PART 1027
#define IDC_SAMPLE_LIST 1028
#define IDC_SAMPLE_COMBO 1029
#define IDC_SAMPLE_ASK 1030
#define IDC_SAMPLE_READONLY 1031
#define IDS_SAMPLE_DONE 201

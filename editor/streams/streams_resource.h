#pragma once
// Dialogs of the stream information, joining many movies and the resize, with
// their control ids.
#define IDD_STREAM_INFO 103
#define IDD_JOIN_MANY 112
#define IDD_RESIZE 114

// Dialog 103: the video stream's header (left) and the sound stream's (right).
#define IDC_INFO_VIDEO_PRIORITY 1014
#define IDC_INFO_VIDEO_RATE 1015
#define IDC_INFO_VIDEO_COMPRESS 1016
#define IDC_INFO_AUDIO_COMPRESS 1017
#define IDC_INFO_SAVE 1018
#define IDC_INFO_VIDEO_SCALE 1019
#define IDC_INFO_VIDEO_START 1020
#define IDC_INFO_VIDEO_QUALITY 1021
#define IDC_INFO_VIDEO_LEFT 1022
#define IDC_INFO_VIDEO_TOP 1023
#define IDC_INFO_VIDEO_RIGHT 1024
#define IDC_INFO_VIDEO_BOTTOM 1025
#define IDC_INFO_VIDEO_NAME 1026
#define IDC_INFO_AUDIO_PRIORITY 1027
#define IDC_INFO_AUDIO_SCALE 1028
#define IDC_INFO_AUDIO_RATE 1029
#define IDC_INFO_AUDIO_START 1030
#define IDC_INFO_AUDIO_NAME 1032
#define IDC_INFO_CANCEL 1034
#define IDC_INFO_QUALITY_BAR 1035
#define IDC_INFO_HELP 1037

// Dialog 112: the movies in joining order.
#define IDC_JOIN_ADD 1016
#define IDC_JOIN_DELETE 1017
#define IDC_JOIN_JOIN 1018
#define IDC_JOIN_UP 1034
#define IDC_JOIN_DOWN 1037
#define IDC_JOIN_LIST 1088

// Dialog 114: the percentage.
#define IDC_RESIZE_PERCENT 1014
#define IDC_RESIZE_OK 1016
#define IDC_RESIZE_CANCEL 1017
#define IDC_RESIZE_UPDOWN 1089

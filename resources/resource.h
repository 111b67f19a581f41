// Resource ids shared by the resource script and the code.
#pragma once

// Labels that code never addresses
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates
#define IDD_MAIN 102
#define IDD_LAUNCHER 149
#define IDD_COMPRESS 157
#define IDD_SPLIT 159
#define IDD_JOIN 160
#define IDD_VIDEO 191
// Settings sheet pages, in the order of their tabs, with the class of each
#define IDD_PAGE_DISPLAY1 105  // CDisplayPage1
#define IDD_PAGE_DISPLAY2 106  // CDisplayPage2
#define IDD_PAGE_OPTIONS1 107  // CExtensionPage1
#define IDD_PAGE_OPTIONS2 192  // CExtensionPage2
#define IDD_PAGE_SKIN 194  // CSkinPage
#define IDD_PAGE_MAIL 108  // CMailPage
#define IDD_PAGE_DLL 190  // CLibrariesPage
#define IDD_PAGE_CPU 193  // CProcessorPage
#define IDD_PAGE_VERSION 109  // CVersionPage

// Menus
#define IDR_CONTEXT_MENU 188
#define IDR_VIDEO_MENU 200

// Strings
#define IDS_SOCKET_INIT_FAILED 103
#define IDS_SETTINGS_CAPTION 104
#define IDS_PATH_TOO_LONG 120
#define IDS_PATH_NOT_IN_CODE_PAGE 121

// Icons
#define IDI_PROGRAM 128
#define IDI_NOT_PLAYING 177
#define IDI_PLAYING 178
#define IDI_MAIL 187

// Bitmaps
#define IDB_VERSION 202

// Main window controls
#define IDC_LAUNCHER 1000
#define IDC_SETTINGS 1001
#define IDC_QUIT 1002
#define IDC_HIDE 1003
#define IDC_EXIT_WINDOWS 1004
#define IDC_DROP_ACTION 1005
#define IDC_CLEAN_MEMORY 1006
#define IDC_PLAY 1007
#define IDC_PAUSE 1008
#define IDC_STOP 1009
#define IDC_BACK 1010
#define IDC_FORWARD 1011
#define IDC_OPEN_LIST 1012
#define IDC_CLOSE_LIST 1013
#define IDC_MOVE_UP 1014
#define IDC_MOVE_DOWN 1015
#define IDC_LOAD_LIST 1016
#define IDC_WRITE_LIST 1017
#define IDC_DELETE 1018
#define IDC_DELETE_ALL 1019
#define IDC_PLAYLIST 1048
#define IDC_POSITION 1062
#define IDC_BACKGROUND 1077

// Context-menu commands without a button
#define IDM_MAIL_CHECK 1050
#define IDM_MUSIC_BAR 1051
#define IDM_TOPMOST 32774
#define IDM_FIX_WINDOW 32775
#define IDM_HELP 32776
#define IDM_CLEAR_RECENT 32777
#define IDM_EMPTY_RECYCLE_BIN 32778
#define IDM_REPEAT_ALL 32783
#define IDM_REPEAT_ONE 32784
#define IDM_REPEAT_RANDOM 32785
#define IDM_SCREEN_SAVER 32786
#define IDM_DISPLAY_OFF 32787

// Launcher window controls: items k = 1..10 by place on the page (two rows
// of five), the page arrows, the close button and the page number
#define IDC_LUN_ITEM1 1029
#define IDC_LUN_ITEM6 1030
#define IDC_LUN_UP 1031
#define IDC_LUN_DOWN 1032
#define IDC_LUN_ITEM2 1044
#define IDC_LUN_ITEM3 1045
#define IDC_LUN_ITEM4 1046
#define IDC_LUN_ITEM5 1047
#define IDC_LUN_ITEM7 1048
#define IDC_LUN_ITEM8 1049
#define IDC_LUN_ITEM9 1050
#define IDC_LUN_ITEM10 1051
#define IDC_LUN_CLOSE 1063
#define IDC_LUN_PAGE 1064

// Video window controls and its size menu
#define IDC_VIDEO_PAUSE 3
#define IDC_VIDEO_STOP 4
#define IDC_VIDEO_PLAY 5
#define IDC_VIDEO_POSITION 1065
#define IDC_VIDEO_VOLUME 1066
#define IDC_VIDEO_CLOSE 1067
#define IDC_VIDEO_TIME 1068
#define IDC_VIDEO_INFO 1069
#define IDC_VIDEO_VOL_LABEL 1070
#define IDM_VIDEO_200 32779
#define IDM_VIDEO_100 32780
#define IDM_VIDEO_50 32781
#define IDM_VIDEO_FULL_SCREEN 32782

// Compress dialog controls
#define IDC_COMPRESS_NAME 1035
#define IDC_COMPRESS_FORMAT 1036
#define IDC_COMPRESS_SELF_EXTRACT 1037
#define IDC_COMPRESS_START 1038

// Split and join dialog controls (the path static is shared by both)
#define IDC_SPLIT_START 1039
#define IDC_SPLIT_PATH 1040
#define IDC_JOIN_PATH 1040
#define IDC_SPLIT_FILE_SIZE 1041
#define IDC_SPLIT_PIECE_SIZE 1042
#define IDC_SPLIT_BATCH 1043
#define IDC_SPLIT_PROGRESS 1044
#define IDC_SPLIT_COUNT 1045
#define IDC_JOIN_PROGRESS 1046

// Settings page 表示設定１: status rows, text colour, mail row
#define IDC_SET_ITEM1 1007
#define IDC_SET_ITEM2 1008
#define IDC_SET_ITEM3 1009
#define IDC_SET_COLOR_R 1011
#define IDC_SET_COLOR_G 1012
#define IDC_SET_COLOR_B 1013
#define IDC_SET_MAIL_ROW 1047

// Settings page 表示設定２: window behaviour
#define IDC_SET_TOPMOST 1010
#define IDC_SET_FIXED 1011
#define IDC_SET_TIPS 1012
#define IDC_SET_OPACITY 1017
#define IDC_SET_OPACITY_SPIN 1018

// Settings page 拡張設定１: start-up, timed shutdown, automatic cleaning
#define IDC_SET_STARTUP 1019
#define IDC_SET_SHUTDOWN 1021
#define IDC_SET_SHUTDOWN_HOUR 1022
#define IDC_SET_SHUTDOWN_MINUTE 1023
#define IDC_SET_AUTO_CLEAN 1024
#define IDC_SET_AUTO_CLEAN_MINUTE 1025

// Settings page 拡張設定２: launcher and cleaning size
#define IDC_SET_LUN_POSITION 1060
#define IDC_SET_LUN_CLOSE 1069
#define IDC_SET_CLEAN_SIZE_ENABLE 1070
#define IDC_SET_CLEAN_SIZE 1071
#define IDC_SET_CLEAN_SIZE_SPIN 1072
#define IDC_SET_LUN_RESET 1073

// Settings page スキン設定
#define IDC_SET_SKIN 1076
#define IDC_SET_LIST_IMAGE 1077

// Settings page メール設定: the shown account's fields
#define IDC_SET_MAIL_SERVER 1023
#define IDC_SET_MAIL_USER 1024
#define IDC_SET_MAIL_PASSWORD 1025
#define IDC_SET_MAIL_ENABLE 1026
#define IDC_SET_MAIL_PITCH 1027
#define IDC_SET_MAIL_ACCOUNT 1028
#define IDC_SET_MAIL_HTTP_HOST 1083
#define IDC_SET_MAIL_SECURITY 1090
#define IDC_SET_MAIL_PORT 1091

// Settings page ＤＬＬ情報
#define IDC_SET_DLL_LIST 1061

// Settings page ＣＰＵ情報: the ten labels
#define IDC_SET_CPU_VENDOR 1073
#define IDC_SET_CPU_TYPE 1074
#define IDC_SET_CPU_FAMILY 1075
#define IDC_SET_CPU_MODEL 1076
#define IDC_SET_CPU_STEPPING 1077
#define IDC_SET_CPU_MMX 1078
#define IDC_SET_CPU_SSE 1079
#define IDC_SET_CPU_3DNOW 1080
#define IDC_SET_CPU_CLOCK 1081
#define IDC_SET_CPU_SSE2 1082

// Settings page Ｖｅｒｓｉｏｎ
#define IDC_SET_VERSION_PICTURE 1084

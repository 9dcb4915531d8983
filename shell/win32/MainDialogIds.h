#pragma once

// Control ids of the main window (template IDD_MAIN). Plain macros: the
// resource compiler reads this file too.

#define IDC_MAIN_EXIT 1000
#define IDC_MAIN_SAVE_LOG 1001
#define IDC_MAIN_ABOUT 1002
#define IDC_MAIN_OPTIONS 1003
#define IDC_MAIN_LOAD 1004
#define IDC_MAIN_STATUS 1005
#define IDC_MAIN_PATH 1006
#define IDC_MAIN_PROGRESS 1007
#define IDC_MAIN_CLEAR_LOG 1017
#define IDC_MAIN_MPEG_GROUP 1021
#define IDC_MAIN_ID3V1_GROUP 1022
#define IDC_MAIN_START 1027
#define IDC_MAIN_HIDE_MPEG_INFO 1032
#define IDC_MAIN_LOG 1033
#define IDC_MAIN_ID3V2_GROUP 1034
#define IDC_MAIN_TEST_FILE 1047
#define IDC_MAIN_TEST_DIRECTORY 1049
#define IDC_MAIN_CATALOG_DIRECTORY 1050
#define IDC_MAIN_MPEG_INFO 1059
#define IDC_MAIN_ID3V1_INFO 1061
#define IDC_MAIN_ID3V2_INFO 1062
#define IDC_MAIN_HINT 1064
#define IDC_MAIN_REPAIR 1065

// The window menu's About entry (a system command: its low four bits are
// the system's own).
#define IDM_MAIN_ABOUT 16

#pragma once

// Control ids of the "Options For Testing" dialog (template IDD_OPTIONS).
// Plain macros: the resource compiler reads this file too.

#define IDC_OPT_CLEAR_LOG 1016
#define IDC_OPT_MAX_OFFSET 1038
#define IDC_OPT_MAX_RESYNC 1039
#define IDC_OPT_MAX_FIELD_LEN 1040
#define IDC_OPT_RECURSE 1042
#define IDC_OPT_MOVE_FILES 1043
#define IDC_OPT_AUTO_START 1044
#define IDC_OPT_IGNORE_EOF 1045
#define IDC_OPT_DELIM_TAB 1051
#define IDC_OPT_DELIM_OTHER 1052
#define IDC_OPT_DELIM_TEXT 1053
#define IDC_OPT_BROWSE 1054
#define IDC_OPT_MOVE_PATH 1055
#define IDC_OPT_BITRATE_SUMMARY 1063
#define IDC_OPT_DEEP_CHECK 1070

// Resource and control ids of the program: the dialog templates, the icon
// and every control the code talks to. Shared by zanto32.rc and the dialogs.
#pragma once

// Templates and icon.
#define IDD_MAIN 100
#define IDD_PROGRESS 101
#define IDD_VERSION 102
#define IDI_PROGRAM 200

// Main dialog (template 100).
#define IDC_SEARCH_TEXT 3000
#define IDC_FILE_NAMES 3001
#define IDC_OUT_FILE 3002
#define IDC_COUNT_STOP 3003
#define IDC_PRINT_FILE 3004
#define IDC_WORD 3005
#define IDC_CASE 3006
#define IDC_ZENHAN 3007
#define IDC_FULL_PATH 3008
#define IDC_HELP_BUTTON 3009
#define IDC_APPEND 3010
#define IDC_MATCH_COUNT 3011
#define IDC_VERBOSE 3012
#define IDC_ENDMATCH 3013
#define IDC_VERSION 3014
#define IDC_SUBDIR 3015
#define IDC_CONNECT2 3016
#define IDC_BLOCK 3017
#define IDC_OTHER 3018
#define IDC_ZENGO 3019
#define IDC_FILTER_SUMMARY 3020
#define IDC_DIR_HISTORY 3021
#define IDC_REGULAR 3027
#define IDC_FILE_LIST 3028
#define IDC_FILE_LIST_COUNT 3029
#define IDC_LZH_SEARCH 3034
#define IDC_EXTENDED 3062
#define IDC_EXTENDED_SUMMARY 3063
#define IDC_PRINT_FILE_LIST 3064
#define IDC_OPTIONS_GROUP 3080
#define IDC_FIELD 3081
#define IDC_COUNT_STOP_LABEL 3082
#define IDC_SEARCH_LABEL 3083
#define IDC_FILES_LABEL 3084
#define IDC_OUT_LABEL 3085
#define IDC_DIR_LABEL 3086
#define IDC_DIR_HISTORY_LABEL 3087

// Help contexts that differ from a control's own id.
#define HELP_OK_BUTTON 3030
#define HELP_CANCEL_BUTTON 3031
#define HELP_DIRECTORIES 3060
#define HELP_DRIVES 3061
#define HELP_FILES 3065

// System menu item of the main dialog.
#define IDM_SMALL_DIALOG 900

// The file-open common dialog's own controls, as its old-style template
// expects them.
#define IDC_CD_READONLY 1040   /* chx1 */
#define IDC_CD_HELP 1038       /* pshHelp */
#define IDC_CD_DIR_TEXT 1088   /* stc1 */
#define IDC_CD_TYPE_LABEL 1089 /* stc2 */
#define IDC_CD_NAME_LABEL 1090 /* stc3 */
#define IDC_CD_DRIVE_LABEL 1091 /* stc4 */
#define IDC_CD_FILES 1120      /* lst1 */
#define IDC_CD_DIRS 1121       /* lst2 */
#define IDC_CD_TYPES 1136      /* cmb1 */
#define IDC_CD_DRIVES 1137     /* cmb2 */
#define IDC_CD_NAME 1152       /* edt1 */

// Progress dialog (template 101).
#define IDC_PROGRESS_FILE 3100
#define IDC_PROGRESS_COUNT 3201
#define IDC_PROGRESS_DIR 3202
#define IDC_PROGRESS_ICON 3203
#define IDC_PROGRESS_LIST 3204
#define IDC_PROGRESS_PAUSE 3205

// Version dialog (template 102).
#define IDC_VERSION_NAME 3300
#define IDC_VERSION_TOTAL_MEMORY 3301
#define IDC_VERSION_FREE_MEMORY 3302
#define IDC_VERSION_SPARE1 3303
#define IDC_VERSION_SPARE2 3304
#define IDC_VERSION_LINE 3305

// Every dialog's status bar.
#define IDC_STATUS_BAR 5999
#define STATUS_BAR_CLASS "KZDlgStatusBar2"

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

// Option dialogs (templates 103, 104, 105, 107, 108): help contexts.
#define IDD_BLOCK 103
#define IDD_OTHER 104
#define IDD_CONTEXT 105
#define IDD_EXTENDED 107
#define IDD_FIELD 108
#define HELP_BLOCK_DIALOG 303
#define HELP_OTHER_DIALOG 304
#define HELP_CONTEXT_DIALOG 305
#define HELP_EXTENDED_DIALOG 309
#define HELP_FIELD_DIALOG 310

// Group boxes of the option dialogs that need no id of their own.
#define IDC_GROUP_BOX 5100

// Block dialog (template 103). Patterns, end flags and set buttons are
// numbered in a row: the first id plus the pattern or set number.
#define IDC_BLOCK_OUT 3400
#define IDC_BLOCK_PATTERN_FIRST 3401  /* to 3410 */
#define IDC_BLOCK_SET_FIRST 3411      /* to 3415 */
#define IDC_BLOCK_END_FIRST 3416      /* to 3425 */
#define IDC_BLOCK_START_TEXT 3426
#define IDC_BLOCK_END_TEXT 3427
#define IDC_BLOCK_LINE 3428
#define IDC_BLOCK_SIGN 3429
#define IDC_BLOCK_MULTI 3430

// Before/after dialog (template 105).
#define IDC_ZENGO_ON 3600
#define IDC_ZENGO_BEFORE 3601
#define IDC_ZENGO_START 3602
#define IDC_ZENGO_END 3603
#define IDC_ZENGO_SIGN 3604
#define IDC_ZENGO_AFTER 3605

// Field dialog (template 108).
#define IDC_FIELD_ON 3900
#define IDC_FIELD_SEPARATORS 3901
#define IDC_FIELD_NUMBERS 3902

// Other-settings dialog (template 104).
#define IDC_SORT_NAME 3022
#define IDC_SORT_EXTENSION 3023
#define IDC_SORT_DATE 3024
#define IDC_SORT_AS_FOUND 3025
#define IDC_SORT_GROUP 3026
#define IDC_SEARCH_HIDE 3032
#define IDC_SORT_REVERSE 3033
#define IDC_DEL_SP 3500
#define IDC_TAB_TO_SPACE 3501
#define IDC_NOT_SEARCH_BIN 3502
#define IDC_NOT_SEARCH_EXT 3503
#define IDC_EXEC_EDIT 3504
#define IDC_SHORTCUT 3505
#define IDC_DATE_FILTER 3506
#define IDC_DATE_START 3507
#define IDC_DATE_END 3508
#define IDC_SIZE_FILTER 3509
#define IDC_SIZE_START 3510
#define IDC_SIZE_END 3511
#define IDC_MATCH_STR 3512
#define IDC_MATCH_STRING 3513
#define IDC_EXEC_CLIP 3514
#define IDC_MIDASHI 3515
#define IDC_STR_MIDASHI 3516

// Extended-search dialog (template 107).
#define IDC_SAME1 3800
#define IDC_DEL_UNLHA_ALWAYS 3851
#define IDC_DEL_UNLHA_NO_MATCH 3852
#define IDC_DEL_UNLHA_NEVER 3853
#define IDC_UNLHA_TMP 3854
#define IDC_EUC_DRIVE 3855
#define IDC_KANJI_CODE 3856
#define IDC_ARCHIVE_GROUP 3857
#define IDC_DOC_SEARCH 3858
#define IDC_THESAURUS_OFF 3870
#define IDC_THESAURUS_1 3871
#define IDC_THESAURUS_FILE_1 3872
#define IDC_THESAURUS_2 3873
#define IDC_THESAURUS_FILE_2 3874
#define IDC_THESAURUS_3 3875
#define IDC_THESAURUS_FILE_3 3876
#define IDC_THESAURUS_COUNT 3877

// File-list dialog (template 106).
#define IDD_FILE_LIST 106
#define HELP_FILE_LIST_DIALOG 306
#define HELP_FILE_LIST_LOAD 307
#define HELP_FILE_LIST_SAVE 308
#define IDC_LIST_FILES 3700
#define IDC_LIST_DELETE 3701
#define IDC_LIST_LOAD 3702
#define IDC_LIST_SAVE 3703
#define IDC_LIST_COUNT 3704
#define HELP_LIST_OK 3705
#define IDC_LIST_KEEP 3706

// Result viewer (template "TEST"): two editor panes of the editor-control
// library, a command that empties the jump pane, and the status bar.
#define IDC_VIEWER_JUMP_PANE 101
#define IDC_VIEWER_RESULT_PANE 102
#define IDC_VIEWER_CLEAR_JUMP 103
#define IDC_VIEWER_STATUS 104

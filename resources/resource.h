// Resource identifiers, grouped by kind. The numbers are fixed: other
// programs, stored settings and the command table refer to them.
#pragma once

// ---- Dialogs ---------------------------------------------------------------
#define IDD_QUILLMARK_DIALOG            102
#define IDD_LOAD_PROGRESS               142
#define IDD_PERFORMANCE_PAGE            151
#define IDD_NETWORK_PAGE                152
// The user's dialogs: about box, settings, describe a program.
#define IDD_ABOUTBOX                    100
#define IDD_SETTINGS                    140
#define IDD_DESCRIBE_APP                176

// ---- Controls --------------------------------------------------------------
#define IDC_FUNCTION_TAB                1000
#define IDC_WEB_BROWSER                 1014
#define IDC_SPLITTER_PLACEHOLDER        1015
#define IDC_BROWSER_PLACEHOLDER         1030
#define IDC_LOAD_ANIMATION              1013
#define IDC_HIDDEN_PLACEHOLDER          32767
#define IDC_MAIN_SPLITTER               2300
#define IDC_APPLICATION_LIST            3000
#define IDC_TASK_LIST                   3001
#define IDC_SERVICE_LIST                3002
#define IDC_DRIVER_LIST                 3003
#define IDC_APPLICATIONS_TOOLBAR        59397
#define IDC_TASKS_TOOLBAR               59398
#define IDC_SERVICES_TOOLBAR            59399
#define IDC_DRIVERS_TOOLBAR             59400
#define IDC_MAIN_TOOLBAR                59392
#define IDC_STATUS_BAR                  59393
// Status bar panes: messages, then the counts of the four lists.
#define IDS_PANE_MESSAGE                2000
#define IDS_PANE_APPLICATIONS           2001
#define IDS_PANE_TASKS                  2002
#define IDS_PANE_SERVICES               2003
#define IDS_PANE_DRIVERS                2004
// Performance page (template 151).
#define IDC_CPU_GROUP                   1016
#define IDC_MEMORY_GROUP                1017
#define IDC_CPU_HISTORY_GROUP           1018
#define IDC_MEMORY_HISTORY_GROUP        1019
#define IDC_PERFDATA_GROUP              1020
#define IDC_CPU_METER                   1021
#define IDC_MEMORY_METER                1022
#define IDC_CPU_GRAPH                   1023
#define IDC_MEMORY_GRAPH                1024
#define IDC_PERFDATA_LIST               1025
// Network page (template 152).
#define IDC_NETWORK_GROUP               1026
#define IDC_NETWORK_GRAPH               1027
#define IDC_ADAPTER_LIST                1028
#define IDC_ADAPTER_GROUP               1038
// The user's dialogs. Describe a program (dialog 176):
#define IDC_DESC_ICON                   176
#define IDC_DESC_FILENAME               177
#define IDC_DESC_COMPANY                178
#define IDC_DESC_RATING                 179
#define IDC_DESC_DESCRIPTION            180
#define IDC_DESC_WEBSITE                181
#define IDC_DESC_GO                     182
// Settings (dialog 140): group boxes, options, labels, group icons.
#define IDC_SET_GROUP_GENERAL           1072
#define IDC_SET_GROUP_LIST_VIEW         1084
#define IDC_SET_GROUP_UPDATE_FREQUENCY  1080
#define IDC_SET_GROUP_PROGRAM_DATA      1074
#define IDC_SET_GROUP_PROXY             1075
#define IDC_SET_START_WITH_WINDOWS      1039
#define IDC_SET_ALWAYS_ON_TOP           1088
#define IDC_SET_EXIT_FROM_TRAY_ONLY     1090
#define IDC_SET_START_MINIMIZED         1092
#define IDC_SET_SAVE_LAST_TAB           1029
#define IDC_SET_PROMPT_USER             1036
#define IDC_SET_SHOW_GRID_LINES         1009
#define IDC_SET_ALTERNATE_ROW_COLORS    1010
#define IDC_SET_AUTO_SIZE_COLUMNS       1024
#define IDC_SET_HIGHLIGHT_SORT_COLUMN   1025
#define IDC_SET_ENABLE_AUTO_UPDATE      1032
#define IDC_SET_AUTO_MODE               1041
#define IDC_SET_UPDATE_SLIDER           1031
#define IDC_SET_FAST_LABEL              1035
#define IDC_SET_INTERVAL_LABEL          1033
#define IDC_SET_SLOW_LABEL              1034
#define IDC_SET_CHECK_UPDATES           1011
#define IDC_SET_UPDATE_ACTION           1012
#define IDC_SET_UPDATE_ACTION_LABEL     1081
#define IDC_SET_PROMPT_BEFORE_UPDATE    1082
#define IDC_SET_UPDATE_STATUS_MSGS      1083
#define IDC_SET_SUBMIT_MODIFICATIONS    1094
#define IDC_SET_EMAIL_LABEL             1098
#define IDC_SET_EMAIL                   1069
#define IDC_SET_PASSWORD_LABEL          1099
#define IDC_SET_PASSWORD                1071
#define IDC_SET_ENABLE_PROXY            1067
#define IDC_SET_PROXY_SETTINGS          1070
#define IDC_SET_PROXY_SERVER_LABEL      1078
#define IDC_SET_PROXY_SERVER            1076
#define IDC_SET_PROXY_PORT_LABEL        1079
#define IDC_SET_PROXY_PORT              1077
#define IDC_SET_HELP                    3
#define IDC_SET_ICON_GENERAL            1100
#define IDC_SET_ICON_LIST_VIEW          1101
#define IDC_SET_ICON_UPDATE_FREQUENCY   1102
#define IDC_SET_ICON_PROGRAM_DATA       1103
#define IDC_SET_ICON_PROXY              1104
#define IDC_SET_ICON_EMAIL              1105
#define IDC_SET_ICON_PASSWORD           1106
// About box (dialog 100):
#define IDC_ABOUT_ICON                  1003
#define IDC_ABOUT_PUBLISHER_LINK        1004
#define IDC_ABOUT_DEVELOPER_LINK        1008
#define IDC_ABOUT_PRODUCT               1011
#define IDC_ABOUT_VERSION               1012
// The filter boxes at the right end of the four tab toolbars.
#define IDC_APPLICATIONS_FILTER         59401
#define IDC_TASKS_FILTER                59402
#define IDC_SERVICES_FILTER             59403
#define IDC_DRIVERS_FILTER              59404

// ---- Menus -----------------------------------------------------------------
#define IDR_MAINFRAME_MENU              128
#define IDR_TRAY_MENU                   130
#define IDR_APPLICATIONS_MENU           141
#define IDR_TASKS_MENU                  142
#define IDR_SERVICES_MENU               143
#define IDR_DRIVERS_MENU                168
#define IDR_MAIN_MENU                   167
#define IDR_PRINT_MENU                  144

// ---- Toolbars (resource type 241: version, image size, command per button) ---
#define QM_RT_TOOLBAR                   241
#define IDR_MAIN_TOOLBAR                128
#define IDR_APPLICATIONS_TOOLBAR        163
#define IDR_TASKS_TOOLBAR               164
#define IDR_SERVICES_TOOLBAR            165
#define IDR_DRIVERS_TOOLBAR             166
#define IDR_MENU_IMAGES                 167

// ---- Accelerators ----------------------------------------------------------
#define IDR_ACCELERATORS                175

// ---- Icons -----------------------------------------------------------------
#define IDR_MAINFRAME                   128
#define IDI_DEFAULT_TASK                144
#define IDI_DEFAULT_APPLICATION         145
#define IDI_DEFAULT_DRIVER              146
#define IDI_DEFAULT_SERVICE             147
// Settings dialog: group box icons and the icons beside the account edits.
#define IDI_SET_PROXY                   157
#define IDI_SET_GENERAL                 158
#define IDI_SET_PROGRAM_DATA            159
#define IDI_SET_LIST_VIEW               160
#define IDI_SET_EMAIL                   161
#define IDI_SET_PASSWORD                162
#define IDI_SET_UPDATE_FREQUENCY        180

// ---- Cursors -----------------------------------------------------------------
#define IDCUR_SPLIT_H                   152
#define IDCUR_SPLIT_V                   153

// ---- Bitmaps -----------------------------------------------------------------
#define IDB_TAB_IMAGES                  136
#define IDB_MAIN_TOOLBAR_DISABLED       154
#define IDB_MAIN_TOOLBAR                155
#define IDB_MAIN_TOOLBAR_HOT            156
#define IDB_MENU_IMAGES                 167
#define IDB_PROTECTION_IMAGES           178
#define IDB_APPLICATIONS_TOOLBAR        181
#define IDB_SERVICES_TOOLBAR            183
#define IDB_TASKS_TOOLBAR               184
#define IDB_DRIVERS_TOOLBAR             185
#define IDB_LOAD_ANIMATION              143

// ---- Images (GIF) ------------------------------------------------------------
#define IDR_GIF_DKBLUE                  173
#define IDR_GIF_TITLE_BG                174

// ---- HTML templates (detail view; standard HTML resource type) ---------------
#define IDR_HTML_DETAIL_BLANK           168
#define IDR_HTML_DETAIL_TASKS           169
#define IDR_HTML_DETAIL_APPLICATIONS    170
#define IDR_HTML_DETAIL_DRIVERS         171
#define IDR_HTML_DETAIL_SERVICES        172
#define IDR_HTML_DETAIL_SYSTEM          186

// ---- Text ------------------------------------------------------------------
#define IDR_TEXT_SYSTEM_PROTECTED       177

// ---- Commands (menu, toolbar, accelerator and string share the number) ------
#define ID_STARTUP_BOOT                 2500
#define ID_STARTUP_SYSTEM               2501
#define ID_STARTUP_AUTOMATIC            2502
#define ID_STARTUP_MANUAL               2503
#define ID_STARTUP_DISABLED             2504
#define ID_APP_ABOUT_CMD                2771
#define ID_APP_EXIT_CMD                 2772
#define ID_VIEW_REFRESH                 2775
#define ID_EDIT_SETTINGS                2777
#define ID_PROGRAM_DESCRIBE             2780
#define ID_PROGRAM_PROPERTIES           2781
#define ID_PROGRAM_WEBSITE              2782
#define ID_PROGRAM_KILL                 2784
#define ID_PROGRAM_SEARCH_GOOGLE        2785
#define ID_PROGRAM_OPEN_FOLDER          2786
#define ID_SERVICE_START                2788
#define ID_SERVICE_STOP                 2789
#define ID_SERVICE_PAUSE                2790
#define ID_SERVICE_CONTINUE             2791
#define ID_SERVICE_RESTART              2792
#define ID_FILE_EXPORT                  2804
#define ID_FILE_PRINT_DROPDOWN          2805
#define ID_FILE_PRINT_DETAILS           2806
#define ID_FILE_PRINT_LIST              2807
#define ID_EDIT_COPY_ITEM               2808
#define ID_PROGRAM_BRING_TO_FRONT       2809
#define ID_HELP_CONTENTS                2810
#define ID_PROGRAM_CLOSE_ALL            2815
#define ID_TIP_STARTUP                  2817
#define ID_VIEW_APPLICATIONS            2836
#define ID_VIEW_TASKS                   2837
#define ID_VIEW_SERVICES                2838
#define ID_VIEW_DRIVERS                 2839
#define ID_VIEW_PERFORMANCE             2840
#define ID_VIEW_NETWORK                 2841
#define ID_SYSTEM_SHUTDOWN              2850
#define ID_SYSTEM_FORCE_SHUTDOWN        2851
#define ID_SYSTEM_POWER_OFF             2852
#define ID_SYSTEM_RESTART               2853
#define ID_SYSTEM_LOG_OFF               2854
#define ID_SYSTEM_HIBERNATE             2855
#define ID_SYSTEM_STAND_BY              2856
#define ID_PROGRAM_KILL_ALL             2857
#define ID_UPDATE_DISABLE               2863
#define ID_UPDATE_0_5_SECONDS           2864
#define ID_UPDATE_1_SECOND              2865
#define ID_UPDATE_2_SECONDS             2866
#define ID_UPDATE_5_SECONDS             2867
#define ID_UPDATE_10_SECONDS            2868
#define ID_VIEW_GRID_LINES              2870
#define ID_VIEW_ALTERNATE_ROWS          2871
#define ID_VIEW_AUTOSIZE_COLUMNS        2872
#define ID_VIEW_KEEP_ON_TOP             2873
#define ID_PROGRAM_CLOSE                2876
#define ID_PROGRAM_PROTECT              2881
#define ID_PROGRAM_ALLOW_CLOSE          2882
#define ID_PROGRAM_ALLOW_KILL           2883
#define ID_PROGRAM_UNPROTECT            2892
#define ID_TRAY_SHOW                    2903
#define ID_UPDATE_AUTO_MODE             2906
#define ID_TRAY_WARN_SUSPECT            2907

// ---- Strings -----------------------------------------------------------------
// Program database ratings: the text of rating r is string 500 + r.
#define IDS_RATING_SYSTEM               500
#define IDS_RATING_BACKGROUND           501
#define IDS_RATING_NORMAL               502
#define IDS_RATING_MAJOR_VENDOR         503
#define IDS_RATING_SMALL_VENDOR         504
#define IDS_RATING_UNVERIFIED           505
#define IDS_RATING_UNKNOWN              506
#define IDS_RATING_SUSPECT              507
#define IDS_RATING_SPYWARE              508
#define IDS_RATING_MALICIOUS            509
#define IDS_READY                       2773
#define IDS_APP_NAME                    57344

// Resource identifiers, grouped by kind. The numbers are fixed: other
// programs, stored settings and the command table refer to them.
#pragma once

// ---- Dialogs ---------------------------------------------------------------
#define IDD_QUILLMARK_DIALOG            102
#define IDD_LOAD_PROGRESS               142

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

// ---- Menus -----------------------------------------------------------------
#define IDR_MAINFRAME_MENU              128
#define IDR_TRAY_MENU                   130
#define IDR_APPLICATIONS_MENU           141
#define IDR_TASKS_MENU                  142
#define IDR_SERVICES_MENU               143
#define IDR_DRIVERS_MENU                168

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

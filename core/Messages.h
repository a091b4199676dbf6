// Every window message the program posts or sends to its own windows, and
// every timer id, in one place so that no two can collide. Workers only ever
// post these (never send), so a worker never waits for a window.
#pragma once

#include <windows.h>

// ---- Messages between instances ---------------------------------------------

// A second instance asks the running main window to show itself.
constexpr UINT WM_SHOW_INSTANCE = 0x8C3A;

// ---- Messages of the main window's own controls -----------------------------

// The notification-area icon's callback message.
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 100;
// Main window to itself: run the start-up database update check once the
// window is up (its connection question must not hold up the first load).
constexpr UINT WM_STARTUP_UPDATE_CHECK = WM_APP + 101;
// The function tab control: tab changed (wp: tab control id, lp: new index;
// sent), resized (wp, lp 0; sent), list clicked (wp: list id, lp 0; posted),
// a list's row gained or lost the selection, by any means (wp: list id, lp 0;
// posted).
constexpr UINT WM_FUNCTION_TAB_CHANGED = WM_APP + 4200;
constexpr UINT WM_FUNCTION_TAB_RESIZED = WM_APP + 4201;
constexpr UINT WM_FUNCTION_LIST_CLICKED = WM_APP + 4202;
constexpr UINT WM_FUNCTION_LIST_SELECTED = WM_APP + 4203;
// Detail pane to itself: its browser reported that it cannot show the page
// (it is released outside the browser's own event call; parameters 0).
constexpr UINT WM_DETAIL_BROWSER_FAILED = WM_APP + 102;

// ---- Messages posted by worker threads --------------------------------------

// Snapshot loader: wParam = step 0..3 (windows, processes, services,
// drivers), lParam = 0 when the step starts, 1 when it has finished.
constexpr UINT WM_SNAPSHOT_STEP = 0x9EC7;
// Snapshot loader has ended: wParam 1 when every step succeeded; 0 when a
// step failed, lParam then the failing step's index (0..3). The window then
// calls SystemSnapshot::AdoptLoaded.
constexpr UINT WM_SNAPSHOT_DONE = 0x9EC6;
// CPU sampler: a new usage value is ready (CpuUsageSampler::Usage); params 0.
constexpr UINT WM_CPU_SAMPLE = 0x8412;
// Network sampler: a new sample is ready (NetAdapterSampler::CopyAdapters).
constexpr UINT WM_NETWORK_SAMPLE = 0x8413;
// Close/kill job: its windows were asked to close / its processes killed
// (parameters 0). The job no longer runs when these arrive.
constexpr UINT WM_CLOSE_JOB_DONE = 0x8320;
constexpr UINT WM_KILL_JOB_DONE = 0x8321;
// Background database load ended, also when the file was missing or
// unreadable (parameters 0).
constexpr UINT WM_DATABASE_LOADED = 0x13A0;
// Update check or download ended; wParam is the status (kUpdate... or an
// error code of the Internet access service).
constexpr UINT WM_DATABASE_UPDATE = 0x720;
// Submission run ended; wParam 1 when at least one entry was accepted.
constexpr UINT WM_SUBMISSION_DONE = 0x9E14;
// Service-control job ended (parameters 0); its result waits in
// svc::ServiceControlJob::TakeResult. The job no longer runs when it arrives.
constexpr UINT WM_SERVICE_JOB_DONE = 0x8322;

// ---- Timers -----------------------------------------------------------------
// Ids are per window; those of one window must differ.

// Main window: the view update of the visible tab, at the update interval.
constexpr UINT_PTR kViewUpdateTimer = 5;
// Main window: adjusts the interval once a second in auto mode.
constexpr UINT_PTR kAutoModeTimer = 8;
// Main window: the hourly database update check.
constexpr UINT_PTR kDatabaseUpdateTimer = 9;
constexpr UINT kDatabaseUpdateIntervalMs = 3600000;

// Main window: the memory meter's reading, ten times a second.
constexpr UINT_PTR kMemoryTimer = 2;
constexpr UINT kMemoryTimerMs = 100;
// Detail pane: the bounded wait for the browser's first document.
constexpr UINT_PTR kDetailBrowserCheckTimer = 1;
// Load progress dialog: its animation frame.
constexpr UINT_PTR kLoadProgressTimer = 8;
// Message box with a do-not-ask-again check box: the countdown and the
// delay before its buttons are enabled.
constexpr UINT_PTR kMessageBoxCountdownTimer = 1;
constexpr UINT_PTR kMessageBoxDisabledTimer = 2;
// Main window: the process sample that watches for suspect programs
// starting while the view update takes none (the window hidden, minimised
// or showing a page without processes).
constexpr UINT_PTR kProcessWatchTimer = 10;
constexpr UINT kProcessWatchTimerMs = 5000;
// Main window: the detail view follows a selection moved without a click
// once it has rested this long (a held arrow key builds no page per row).
constexpr UINT_PTR kDetailFollowTimer = 11;
constexpr UINT kDetailFollowDelayMs = 150;

// The application object: single instance, process preparation, the main
// window's creation, and the end of the process.
#pragma once

#include <memory>
#include <string>

#include "core/AppSettings.h"
#include "base/Handles.h"

class CQuillmarkDlg;

class CQuillmarkApp {
public:
    CQuillmarkApp();
    ~CQuillmarkApp();

    // True to enter the message loop, false to end the process at once.
    bool InitInstance();
    // Runs the message loop until the main window quits.
    int Run();
    // Releases what InitInstance acquired; returns the exit code.
    int ExitInstance(int exitCode);

    CQuillmarkDlg* MainDialog() const { return mainDlg_.get(); }

    // The main window class: a copy of the system dialog class under the
    // program's own name (tests that host the window register it too).
    static bool RegisterMainWindowClass();

private:
    bool ActivatePreviousInstance();
    void PrepareHtmlWorkFolder();

    AppSettings settings_;
    UniqueHandle instanceMutex_;
    bool ownsMutex_ = false;
    bool socketsStarted_ = false;
    bool oleStarted_ = false;
    bool entryPointsLoaded_ = false;
    std::unique_ptr<CQuillmarkDlg> mainDlg_;
};

// The name of the main window class, a copy of the system dialog class.
constexpr const char* kMainWindowClass = "QuillmarkWndClass";

// Where the second instance finds the first: the window's handle from the
// class and title search, else the stored "PrevWnd" value (0 = none).
HWND ResolvePreviousInstance(HWND found, unsigned long storedPrevWnd);

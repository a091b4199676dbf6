// A message box with more buttons, a "do not ask again" check box whose
// answer is remembered in the registry, a countdown that presses the default
// button, a period with disabled buttons, and help and report buttons. The
// dialog is built in memory.
#pragma once

#include <windows.h>

#include <string>

// Style bits beyond the system's message-box bits.
constexpr UINT XMB_DONOTASKAGAIN = 0x01000000;
constexpr UINT XMB_DONOTTELLAGAIN = 0x02000000;
constexpr UINT XMB_DONOTSHOWAGAIN = 0x04000000;
constexpr UINT XMB_YESTOALL = 0x08000000;
constexpr UINT XMB_NOTOALL = 0x10000000;
constexpr UINT XMB_NORESOURCE = 0x20000000;  // fixed English button texts
constexpr UINT XMB_NOSOUND = 0x40000000;
constexpr UINT XMB_CHECKBOX_BITS = XMB_DONOTASKAGAIN | XMB_DONOTTELLAGAIN | XMB_DONOTSHOWAGAIN;

// Button sets (style & 0x0F) beyond the system's MB_OK .. MB_CANCELTRYCONTINUE.
constexpr UINT XMB_CONTINUEABORT = 7;
constexpr UINT XMB_SKIPSKIPALLCANCEL = 8;
constexpr UINT XMB_IGNOREIGNOREALLCANCEL = 9;

// Default-button bits beyond the system's MB_DEFBUTTON1..4.
constexpr UINT XMB_DEFBUTTON5 = 0x400;
constexpr UINT XMB_DEFBUTTON6 = 0x500;

// Returned ids beyond the system's IDOK .. IDCONTINUE.
constexpr int IDYESTOALL = 19;
constexpr int IDNOTOALL = 20;
constexpr int IDSKIP = 14;
constexpr int IDSKIPALL = 15;
constexpr int IDIGNOREALL = 16;
constexpr int IDCUSTOM1 = 23;
constexpr int IDCUSTOM2 = 24;
constexpr int IDCUSTOM3 = 25;
constexpr int IDCUSTOM4 = 26;
constexpr int IDXHELP = 300;
constexpr int IDXREPORT = 301;
// Set in the result when the countdown pressed the default button.
constexpr UINT XMB_TIMEOUT_BIT = 0x80000000u;

// Control ids of the dialog's own controls, for tests and automation.
constexpr int IDC_XMB_CHECKBOX = 5101;
constexpr int IDC_XMB_MESSAGE = 5102;
constexpr int IDC_XMB_ICON = 5103;

// First string resource of the translated button texts (in the order of
// XMessageBoxButtonTextIndex below), read from the caller's module.
constexpr UINT IDS_XMB_FIRST_BUTTON_TEXT = 9001;

// Called when the user presses "Re&port"; data is the caller's.
using XMessageBoxReportCallback = void (*)(HWND dialog, void* data);

struct XMessageBoxParams {
    HINSTANCE instance = nullptr;    // module of string resources (null: the program)
    UINT timeoutSeconds = 0;         // countdown that presses the default button
    UINT disabledSeconds = 0;        // buttons stay disabled this long
    int x = 0, y = 0;                // 0, 0: centred on the owner
    HICON icon = nullptr;            // the caller's icon instead of the style's
    std::string customButtons;       // up to four captions separated by "\n" (ids 23..26)
    bool rightJustifyButtons = false;
    XMessageBoxReportCallback report = nullptr;  // adds "Re&port" (id 301)
    void* reportData = nullptr;
    DWORD helpContext = 0;
    std::string companyName;         // part of the registry key of remembered answers
    std::string moduleName;          // with lineNumber, names the remembered answer
    int lineNumber = 0;
};

// Shows the box and returns the id of the button pressed, with the check
// box's bit added when it was checked, or with XMB_TIMEOUT_BIT when the
// countdown pressed the default button. text and caption may be string
// resource ids (MAKEINTRESOURCE). A remembered answer is returned at once.
int XMessageBox(HWND owner, const char* text, const char* caption, UINT style,
                const XMessageBoxParams* params = nullptr);

// The registry key (below HKEY_CURRENT_USER) and value name of a remembered answer.
std::string XMessageBoxRegistryKey(const std::string& companyName);
std::string XMessageBoxValueName(const std::string& moduleName, int lineNumber);

// The program's one question: whether the database update check may go
// online. Returns the XMessageBox result (IDNO possibly with the check box bit).
int AskUpdateConnection(HWND owner);
constexpr const char kUpdateConnectionQuestion[] =
    "Quillmark requires a connection to check for an update to the Ornava program database "
    "file.\n\nIs it okay to proceed with this?";
constexpr int kUpdateConnectionQuestionLine = 3757;

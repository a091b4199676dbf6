// The message box driven as a user would: a second thread finds the dialog
// and presses its buttons while the test thread waits in XMessageBox.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ProcessUtil.h"
#include "TestUtil.h"
#include "dialogs/XMessageBox.h"
#include "platform/Registry.h"

namespace {

const char kRememberedKey[] = "Software\\Ornava Utilities\\Quillmark\\XMessageBox";

// The visible box with this caption in this process, or null after the bound.
HWND WaitForBox(const char* caption, DWORD boundMs = 15000) {
    HWND found = nullptr;
    ULONGLONG end = ::GetTickCount64() + boundMs;
    while (!found && ::GetTickCount64() < end) {
        for (HWND h : testutil::FindTopWindows(::GetCurrentProcessId(), "#32770", caption))
            if (::IsWindowVisible(h)) found = h;
        if (!found) ::Sleep(20);
    }
    return found;
}

void Press(HWND dialog, int id) { ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Posts a key press to the default push button, which holds the focus, so
// that the dialog's own keyboard handling sees it.
void PressKey(HWND dialog, UINT vk) {
    HWND button = nullptr;
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {};
        ::GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0 && ::SendMessageA(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
            button = c;
            break;
        }
    }
    ::PostMessageA(button ? button : dialog, WM_KEYDOWN, vk, 1);
    ::PostMessageA(button ? button : dialog, WM_KEYUP, vk, 0xC0000001);
}

std::string TextOf(HWND h) {
    char text[1024] = {};
    ::GetWindowTextA(h, text, sizeof text);
    return text;
}

// The push buttons of the box from left to right: id and caption.
std::vector<std::pair<int, std::string>> ButtonsOf(HWND dialog) {
    std::vector<std::pair<int, std::pair<int, std::string>>> found;
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {};
        ::GetClassNameA(c, cls, sizeof cls);
        int id = ::GetDlgCtrlID(c);
        if (lstrcmpiA(cls, "Button") != 0 || id == IDC_XMB_CHECKBOX) continue;
        RECT r;
        ::GetWindowRect(c, &r);
        found.push_back({r.left, {id, TextOf(c)}});
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<int, std::string>> out;
    for (auto& f : found) out.push_back(f.second);
    return out;
}

// Runs the box on this thread while driver acts on it from another.
int RunBox(const char* caption, const std::function<int()>& show,
           const std::function<void(HWND)>& driver) {
    std::thread t([&] {
        HWND box = WaitForBox(caption);
        if (box) driver(box);
    });
    int result = show();
    t.join();
    return result;
}

XMessageBoxParams Remembered(int line) {
    XMessageBoxParams p;
    p.companyName = "Ornava Utilities";
    p.moduleName = ".\\XMessageBoxTest.cpp";
    p.lineNumber = line;
    return p;
}

class XMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { testutil::ResetQuillmarkSettings(); }
    void TearDown() override { testutil::ResetQuillmarkSettings(); }
};

}  // namespace

TEST_F(XMessageBoxTest, UpdateQuestionRemembersNoWithTheCheckBox) {
    std::string text, checkText;
    std::vector<std::pair<int, std::string>> buttons;
    int r = RunBox("Quillmark", [] { return AskUpdateConnection(nullptr); }, [&](HWND box) {
        text = TextOf(::GetDlgItem(box, IDC_XMB_MESSAGE));
        checkText = TextOf(::GetDlgItem(box, IDC_XMB_CHECKBOX));
        buttons = ButtonsOf(box);
        Press(box, IDC_XMB_CHECKBOX);
        Press(box, IDNO);
    });
    EXPECT_EQ(IDNO | static_cast<int>(XMB_DONOTSHOWAGAIN), r);
    EXPECT_EQ(kUpdateConnectionQuestion, text);
    EXPECT_EQ("Do not show this message again", checkText);
    ASSERT_EQ(2u, buttons.size());
    EXPECT_EQ(std::make_pair(IDYES, std::string("&Yes")), buttons[0]);
    EXPECT_EQ(std::make_pair(IDNO, std::string("&No")), buttons[1]);

    const std::string valueName = XMessageBoxValueName(".\\QuillmarkDlg.cpp", 3757);
    EXPECT_EQ(std::string::npos, valueName.find('\\'));
    EXPECT_EQ("3757", valueName.substr(valueName.size() - 4));
    DWORD stored = 0;
    ASSERT_TRUE(reg::ReadDword(HKEY_CURRENT_USER, kRememberedKey, valueName.c_str(), stored));
    EXPECT_EQ(static_cast<DWORD>(r), stored);

    // Later calls answer at once. If a box did appear, the guard answers Yes,
    // so the wrong result shows.
    std::atomic<bool> done{false};
    std::atomic<bool> shown{false};
    std::thread guard([&] {
        while (!done) {
            if (HWND box = WaitForBox("Quillmark", 200)) {
                shown = true;
                Press(box, IDYES);
            }
        }
    });
    int again = AskUpdateConnection(nullptr);
    done = true;
    guard.join();
    EXPECT_EQ(r, again);
    EXPECT_FALSE(shown);
}

TEST_F(XMessageBoxTest, StoredValueWithoutCheckBoxBitIsIgnored) {
    XMessageBoxParams p = Remembered(42);
    ASSERT_TRUE(reg::WriteDword(HKEY_CURRENT_USER, kRememberedKey,
                                XMessageBoxValueName(p.moduleName, 42).c_str(), IDNO));
    int r = RunBox("Remembered", [&] {
        return XMessageBox(nullptr, "Go on?", "Remembered", MB_YESNO | XMB_DONOTASKAGAIN, &p);
    }, [](HWND box) { Press(box, IDYES); });
    EXPECT_EQ(IDYES, r);
    // Unchecked: nothing is remembered, the old value stays.
    DWORD stored = 0;
    ASSERT_TRUE(reg::ReadDword(HKEY_CURRENT_USER, kRememberedKey,
                               XMessageBoxValueName(p.moduleName, 42).c_str(), stored));
    EXPECT_EQ(static_cast<DWORD>(IDNO), stored);
    // The same module on another line is another question.
    EXPECT_NE(XMessageBoxValueName(p.moduleName, 42), XMessageBoxValueName(p.moduleName, 43));
}

namespace {
std::vector<std::string>* g_texts = nullptr;
LRESULT CALLBACK RecordSetText(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && m->message == WM_SETTEXT && ::GetDlgCtrlID(m->hwnd) == IDYES && g_texts)
        g_texts->push_back(reinterpret_cast<const char*>(m->lParam));
    return ::CallNextHookEx(nullptr, code, wp, lp);
}
}  // namespace

TEST_F(XMessageBoxTest, CountdownPressesTheDefaultButton) {
    std::vector<std::string> texts;
    g_texts = &texts;
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, RecordSetText, nullptr, ::GetCurrentThreadId());
    ASSERT_TRUE(hook != nullptr);
    XMessageBoxParams p;
    p.timeoutSeconds = 5;
    int r = XMessageBox(nullptr, "Counting", "Countdown", MB_YESNO | XMB_NOSOUND, &p);
    ::UnhookWindowsHookEx(hook);
    g_texts = nullptr;
    EXPECT_EQ(static_cast<int>(IDYES | XMB_TIMEOUT_BIT), r);
    EXPECT_EQ((std::vector<std::string>{"&Yes = 5", "&Yes = 4", "&Yes = 3", "&Yes = 2",
                                        "&Yes = 1", "&Yes"}),
              texts);
}

TEST_F(XMessageBoxTest, ClickStopsTheCountdown) {
    XMessageBoxParams p;
    p.timeoutSeconds = 3;
    std::string caption;
    int r = RunBox("Stop", [&] {
        return XMessageBox(nullptr, "Counting", "Stop", MB_OKCANCEL | XMB_NOSOUND, &p);
    }, [&](HWND box) {
        HWND ok = ::GetDlgItem(box, IDOK);
        testutil::WaitUntil([&] { return TextOf(ok) == "OK = 3"; }, 10000);
        ::PostMessageA(box, WM_LBUTTONDOWN, 0, MAKELPARAM(2, 2));
        testutil::WaitUntil([&] { return TextOf(ok) == "OK"; }, 10000);
        caption = TextOf(ok);
        Press(box, IDCANCEL);
    });
    EXPECT_EQ("OK", caption);
    EXPECT_EQ(IDCANCEL, r);
}

TEST_F(XMessageBoxTest, EmptyCaptionBecomesError) {
    int r = RunBox("Error", [] { return XMessageBox(nullptr, "x", "", MB_OK | XMB_NOSOUND); },
                   [](HWND box) { Press(box, IDOK); });
    EXPECT_EQ(IDOK, r);
    r = RunBox("Error", [] { return XMessageBox(nullptr, "x", nullptr, MB_OK | XMB_NOSOUND); },
               [](HWND box) { Press(box, IDOK); });
    EXPECT_EQ(IDOK, r);
}

TEST_F(XMessageBoxTest, TextAndCaptionFromStringResources) {
    // Rating texts 500 and 502 are string resources of the program.
    char caption[256] = {}, text[512] = {};
    ASSERT_GT(::LoadStringA(::GetModuleHandleA(nullptr), 500, caption, sizeof caption), 0);
    ASSERT_GT(::LoadStringA(::GetModuleHandleA(nullptr), 502, text, sizeof text), 0);
    std::string shown;
    int r = RunBox(caption, [] {
        return XMessageBox(nullptr, MAKEINTRESOURCEA(502), MAKEINTRESOURCEA(500), MB_OK | XMB_NOSOUND);
    }, [&](HWND box) {
        shown = TextOf(::GetDlgItem(box, IDC_XMB_MESSAGE));
        Press(box, IDOK);
    });
    EXPECT_EQ(IDOK, r);
    EXPECT_EQ(text, shown);
}

namespace {
bool CloseGreyed(HWND box) {
    HMENU menu = ::GetSystemMenu(box, FALSE);
    return menu && (::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
}
}  // namespace

TEST_F(XMessageBoxTest, EscapeCancelsOnlyWhereThereIsCancel) {
    // Without Cancel, Escape and Close are ignored (and Close is greyed): the
    // later "No" decides.
    bool greyed = false;
    int r = RunBox("Esc", [] { return XMessageBox(nullptr, "x", "Esc", MB_YESNO | XMB_NOSOUND); },
                   [&](HWND box) {
                       greyed = CloseGreyed(box);
                       PressKey(box, VK_ESCAPE);
                       ::PostMessageA(box, WM_CLOSE, 0, 0);
                       Press(box, IDNO);
                   });
    EXPECT_EQ(IDNO, r);
    EXPECT_TRUE(greyed);
    r = RunBox("Esc", [] { return XMessageBox(nullptr, "x", "Esc", MB_YESNOCANCEL | XMB_NOSOUND); },
               [&](HWND box) {
                   greyed = CloseGreyed(box);
                   PressKey(box, VK_ESCAPE);
               });
    EXPECT_EQ(IDCANCEL, r);
    EXPECT_FALSE(greyed);
    // The OK-only box takes Escape as OK; the check box is not looked at.
    XMessageBoxParams p = Remembered(7);
    r = RunBox("Esc", [&] {
        return XMessageBox(nullptr, "x", "Esc", MB_OK | XMB_NOSOUND | XMB_DONOTTELLAGAIN, &p);
    }, [](HWND box) {
        Press(box, IDC_XMB_CHECKBOX);
        PressKey(box, VK_ESCAPE);
    });
    EXPECT_EQ(IDOK, r);
    DWORD stored = 0;
    EXPECT_FALSE(reg::ReadDword(HKEY_CURRENT_USER, kRememberedKey,
                                XMessageBoxValueName(p.moduleName, 7).c_str(), stored));
}

TEST_F(XMessageBoxTest, ButtonSetsOrderAndDefaultButton) {
    struct Case {
        UINT style;
        std::vector<int> ids;
        int enterGives;
    };
    const std::vector<Case> cases = {
        {MB_YESNOCANCEL | XMB_YESTOALL | XMB_NOTOALL | MB_DEFBUTTON3, {6, 19, 7, 20, 2}, 7},
        {MB_YESNO | XMB_NOTOALL | MB_HELP, {6, 7, 20, 300}, 6},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, {3, 4, 5}, 4},
        {MB_CANCELTRYCONTINUE | XMB_DEFBUTTON6, {2, 10, 11}, 2},  // beyond the buttons: first
        {XMB_CONTINUEABORT, {11, 3}, 11},
        {XMB_SKIPSKIPALLCANCEL | MB_DEFBUTTON2, {14, 15, 2}, 15},
        {XMB_IGNOREIGNOREALLCANCEL, {5, 16, 2}, 5},
        {MB_RETRYCANCEL | MB_DEFBUTTON2, {4, 2}, 2},
        {12, {1}, 1},
    };
    for (const Case& c : cases) {
        std::vector<int> ids;
        int r = RunBox("Sets", [&] { return XMessageBox(nullptr, "x", "Sets", c.style | XMB_NOSOUND); },
                       [&](HWND box) {
                           for (auto& b : ButtonsOf(box)) ids.push_back(b.first);
                           PressKey(box, VK_RETURN);
                       });
        EXPECT_EQ(c.ids, ids) << "style " << std::hex << c.style;
        EXPECT_EQ(c.enterGives, r) << "style " << std::hex << c.style;
    }
}

TEST_F(XMessageBoxTest, DisabledPeriodHoldsTheButtons) {
    XMessageBoxParams p;
    p.disabledSeconds = 2;
    bool disabledAtFirst = false;
    int r = RunBox("Hold", [&] {
        return XMessageBox(nullptr, "x", "Hold", MB_OKCANCEL | XMB_NOSOUND, &p);
    }, [&](HWND box) {
        HWND ok = ::GetDlgItem(box, IDOK);
        disabledAtFirst = !::IsWindowEnabled(ok) && !::IsWindowEnabled(::GetDlgItem(box, IDCANCEL));
        PressKey(box, VK_ESCAPE);  // ignored while held
        testutil::WaitUntil([&] { return ::IsWindowEnabled(ok) != FALSE; }, 15000);
        Press(box, IDOK);
    });
    EXPECT_TRUE(disabledAtFirst);
    EXPECT_EQ(IDOK, r);
}

namespace {
void CountReport(HWND, void* data) { ++*static_cast<int*>(data); }
}  // namespace

TEST_F(XMessageBoxTest, CustomCaptionsAndReportButton) {
    XMessageBoxParams p;
    int reports = 0;
    p.customButtons = "Alpha\nBeta\nGamma";
    p.report = CountReport;
    p.reportData = &reports;
    std::vector<std::pair<int, std::string>> buttons;
    int r = RunBox("Custom", [&] {
        return XMessageBox(nullptr, "x", "Custom", MB_OK | XMB_NOSOUND, &p);
    }, [&](HWND box) {
        buttons = ButtonsOf(box);
        Press(box, IDXREPORT);
        Press(box, IDXREPORT);
        Press(box, IDCUSTOM2);
    });
    EXPECT_EQ(IDCUSTOM2, r);
    EXPECT_EQ(2, reports);
    ASSERT_EQ(4u, buttons.size());
    EXPECT_EQ(std::make_pair(IDCUSTOM1, std::string("Alpha")), buttons[0]);
    EXPECT_EQ(std::make_pair(IDCUSTOM3, std::string("Gamma")), buttons[2]);
    EXPECT_EQ(std::make_pair(IDXREPORT, std::string("Re&port")), buttons[3]);
}

TEST_F(XMessageBoxTest, StopIconWithSystemModalUsesThePlainBox) {
    XMessageBoxParams p = Remembered(9);
    bool hasCheckBox = true;
    int r = RunBox("Plain", [&] {
        return XMessageBox(nullptr, "x", "Plain",
                           MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL | XMB_DONOTASKAGAIN, &p);
    }, [&](HWND box) {
        hasCheckBox = ::GetDlgItem(box, IDC_XMB_CHECKBOX) != nullptr;
        Press(box, IDOK);
    });
    EXPECT_EQ(IDOK, r);
    EXPECT_FALSE(hasCheckBox);
}

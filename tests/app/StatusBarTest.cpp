// The main window's status bar: its count panes hold their whole texts.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/MainBars.h"
#include "base/Handles.h"

namespace {

int PaneWidth(HWND bar, int pane) {
    RECT rc{};
    ::SendMessageA(bar, SB_GETRECT, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(&rc));
    return rc.right - rc.left;
}

int TextWidth(HWND bar, const std::string& text) {
    WindowDC dc(bar);
    SelectGuard font(dc.get(), reinterpret_cast<HFONT>(::SendMessageA(bar, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// A count of thousands, filtered or not, widens its pane; a short one keeps
// the pane's 80 pixels.
TEST(StatusBarTest, CountPanesHoldTheirWholeTexts) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 900, 300, nullptr, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(nullptr, parent);
    {
        MainStatusBar bar;
        ASSERT_TRUE(bar.Create(parent));
        const ListCount counts[4] = {{123456, 123456, false}, {12, 654321, true}, {1, 1, false}, {0, 0, false}};
        bar.SetCounts(counts);
        const char* const texts[2] = {"123456 applications", "12 of 654321 tasks"};
        for (int pane = 1; pane <= 2; ++pane) {
            char shown[64] = {};
            ::SendMessageA(bar.Handle(), SB_GETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(shown));
            EXPECT_STREQ(texts[pane - 1], shown);
            EXPECT_GT(PaneWidth(bar.Handle(), pane), TextWidth(bar.Handle(), shown)) << shown;
        }
        // "1 service" keeps the pane's own width (the last pane also holds
        // the size grip).
        EXPECT_LE(PaneWidth(bar.Handle(), 3), 80);
        EXPECT_LT(PaneWidth(bar.Handle(), 3), PaneWidth(bar.Handle(), 1));
    }
    ::DestroyWindow(parent);
}

}  // namespace

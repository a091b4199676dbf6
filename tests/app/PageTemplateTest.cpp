// The pages that are not lists are built from their dialog templates without
// the dialog manager: what they get must be what it would have made.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/pages/PageTemplate.h"
#include "base/Resources.h"
#include "resource.h"

namespace {

INT_PTR CALLBACK Quiet(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

struct ControlFacts {
    std::string className, text;
    DWORD style = 0, exStyle = 0;
    int id = 0;
    RECT rect{};  // in the parent's client coordinates
    bool font = false;
};

ControlFacts FactsOf(HWND control, int yOffset) {
    ControlFacts f;
    char buffer[256] = {};
    ::GetClassNameA(control, buffer, sizeof buffer);
    f.className = buffer;
    ::GetWindowTextA(control, buffer, sizeof buffer);
    f.text = buffer;
    f.style = static_cast<DWORD>(::GetWindowLongPtrA(control, GWL_STYLE)) & ~WS_VISIBLE;
    f.exStyle = static_cast<DWORD>(::GetWindowLongPtrA(control, GWL_EXSTYLE));
    f.id = ::GetDlgCtrlID(control);
    f.font = ::SendMessageA(control, WM_GETFONT, 0, 0) != 0;
    ::GetWindowRect(control, &f.rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&f.rect), 2);
    ::OffsetRect(&f.rect, 0, -yOffset);
    return f;
}

TEST(PageTemplate, PagesGetTheControlsTheDialogManagerWouldMake) {
    // A dialog of the main window's font stands in for it.
    HWND owner = ::CreateDialogParamA(ResourceInstance(), MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr, Quiet, 0);
    ASSERT_NE(nullptr, owner);
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageA(owner, WM_GETFONT, 0, 0));
    constexpr int kOffset = 23;
    for (UINT id : {IDD_PERFORMANCE_PAGE, IDD_NETWORK_PAGE}) {
        SCOPED_TRACE(id);
        HWND made = ::CreateDialogParamA(ResourceInstance(), MAKEINTRESOURCEA(id), owner, Quiet, 0);
        ASSERT_NE(nullptr, made);
        std::vector<ControlFacts> expected;
        for (HWND c = ::GetWindow(made, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
            expected.push_back(FactsOf(c, 0));

        HWND host = ::CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 800, 600, owner, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, host);
        std::vector<HWND> controls;
        ASSERT_TRUE(BuildPageFromTemplate(owner, id, host, kOffset, font, controls));
        ASSERT_EQ(expected.size(), controls.size());
        ASSERT_GE(controls.size(), 4u);
        for (size_t i = 0; i < controls.size(); ++i) {
            SCOPED_TRACE(expected[i].id);
            ASSERT_EQ(host, ::GetParent(controls[i]));
            const ControlFacts got = FactsOf(controls[i], kOffset);
            EXPECT_EQ(expected[i].className, got.className);
            EXPECT_EQ(expected[i].text, got.text);
            EXPECT_EQ(expected[i].style, got.style);
            EXPECT_EQ(expected[i].exStyle, got.exStyle);
            EXPECT_EQ(expected[i].id, got.id);
            EXPECT_TRUE(::EqualRect(&expected[i].rect, &got.rect))
                << got.rect.left << "," << got.rect.top << " " << got.rect.right << "," << got.rect.bottom;
            EXPECT_FALSE(::IsWindowVisible(controls[i]));
            // Frames keep no font.
            if (expected[i].font) {
                EXPECT_EQ(reinterpret_cast<LRESULT>(font), ::SendMessageA(controls[i], WM_GETFONT, 0, 0));
            }
        }
        // Later in template order is later in the parent's order, as in the dialog.
        HWND next = ::GetWindow(controls.front(), GW_HWNDNEXT);
        EXPECT_EQ(controls[1], next);
        ::DestroyWindow(made);
        ::DestroyWindow(host);
    }
    std::vector<HWND> none;
    EXPECT_FALSE(BuildPageFromTemplate(owner, 9999, owner, 0, font, none));
    EXPECT_TRUE(none.empty());
    ::DestroyWindow(owner);
}

}  // namespace

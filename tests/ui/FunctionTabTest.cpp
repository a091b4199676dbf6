// The tab control and the tab toolbars under Wine: messages to the main
// window, command forwarding, tooltips, anchors, the toolbar resources and
// bitmaps, and the lists' context menus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListsTestHost.h"
#include "TestUtil.h"
#include "base/Resources.h"
#include "resource.h"
#include "ui/FunctionLists.h"
#include "ui/FunctionTabCtrl.h"
#include "ui/TabToolBar.h"

using liststest::HostWindow;
using liststest::Message;

namespace {

bool Has(const HostWindow& host, UINT msg, WPARAM wp, LPARAM lp) {
    for (const Message& m : host.received)
        if (m.msg == msg && m.wp == wp && m.lp == lp) return true;
    return false;
}

void Click(HWND wnd, int x, int y) {
    ::SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    liststest::Pump();
}

RECT ChildRect(HWND parent, int id) {
    RECT rc{};
    ::GetWindowRect(::GetDlgItem(parent, id), &rc);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

class FunctionTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        ASSERT_TRUE(tab.Create(host.GetHwnd(), RECT{0, 0, 640, 420}, IDC_FUNCTION_TAB));
        tab.SetNotifyTarget(host.GetHwnd());
        ASSERT_TRUE(tab.InsertFunctionTabs());
        host.received.clear();
    }
    HostWindow host{700, 500};
    CFunctionTabCtrl tab;
};

TEST_F(FunctionTabTest, SixTabsWithTwoTrailingSpacesAndAnImageEach) {
    ASSERT_EQ(tab.GetItemCount(), 6);
    const char* expected[] = {"Applications  ", "Tasks  ", "Services  ", "Drivers  ", "Performance  ", "Networking  "};
    for (int i = 0; i < 6; ++i) {
        char buf[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = buf;
        item.cchTextMax = sizeof(buf);
        ASSERT_TRUE(::SendMessageA(tab.GetHwnd(), TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)));
        EXPECT_STREQ(buf, expected[i]);
        EXPECT_EQ(item.iImage, i);
    }
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(::SendMessageA(tab.GetHwnd(), TCM_GETIMAGELIST, 0, 0));
    EXPECT_EQ(::ImageList_GetImageCount(images), 6);
}

TEST_F(FunctionTabTest, ClickingATabReportsTheNewIndex) {
    RECT rc{};
    ASSERT_TRUE(::SendMessageA(tab.GetHwnd(), TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rc)));
    Click(tab.GetHwnd(), (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    EXPECT_EQ(tab.GetCurSel(), 2);
    EXPECT_TRUE(Has(host, WM_FUNCTION_TAB_CHANGED, IDC_FUNCTION_TAB, 2));
}

TEST_F(FunctionTabTest, AListClickAndASelectionChangeArePostedWithTheListId) {
    CTaskListCtrl tasks;
    CDriverListCtrl drivers;
    ASSERT_TRUE(CreateFunctionList(tasks, kTaskListLayout, tab.GetHwnd(), RECT{10, 40, 610, 200}));
    ASSERT_TRUE(CreateFunctionList(drivers, kDriverListLayout, tab.GetHwnd(), RECT{10, 210, 610, 400}));
    tasks.InsertItem(0, "one");
    drivers.InsertItem(0, "two");

    RECT item{};
    item.left = LVIR_BOUNDS;
    ASSERT_TRUE(::SendMessageA(tasks.GetHwnd(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)));
    Click(tasks.GetHwnd(), item.left + 20, (item.top + item.bottom) / 2);
    EXPECT_TRUE(Has(host, WM_FUNCTION_LIST_CLICKED, IDC_TASK_LIST, 0));
    // The click selected the row, which is reported too; a cell's new text,
    // as every view update writes, is not.
    liststest::Pump();
    EXPECT_TRUE(Has(host, WM_FUNCTION_LIST_SELECTED, IDC_TASK_LIST, 0));
    host.received.clear();
    tasks.SetItemText(0, 1, "changed");
    liststest::Pump();
    EXPECT_EQ(0, host.Count(WM_FUNCTION_LIST_SELECTED));

    host.received.clear();
    NMHDR click{drivers.GetHwnd(), IDC_DRIVER_LIST, static_cast<UINT>(NM_CLICK)};
    ::SendMessageA(tab.GetHwnd(), WM_NOTIFY, IDC_DRIVER_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_FALSE(Has(host, WM_FUNCTION_LIST_CLICKED, IDC_DRIVER_LIST, 0));  // posted, not sent
    liststest::Pump();
    EXPECT_TRUE(Has(host, WM_FUNCTION_LIST_CLICKED, IDC_DRIVER_LIST, 0));
}

TEST_F(FunctionTabTest, ToolTipRequestsForKnownUnknownAndTheTabItself) {
    NMTTDISPINFOA a{};
    a.hdr = NMHDR{tab.GetHwnd(), ID_TIP_STARTUP, static_cast<UINT>(TTN_GETDISPINFOA)};
    ::SendMessageA(tab.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&a));
    EXPECT_STREQ(a.lpszText, "Startup");

    NMTTDISPINFOW w{};
    w.hdr = NMHDR{tab.GetHwnd(), ID_PROGRAM_KILL_ALL, static_cast<UINT>(TTN_GETDISPINFOW)};
    ::SendMessageA(tab.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&w));
    ASSERT_NE(w.lpszText, nullptr);
    EXPECT_EQ(std::wstring(w.lpszText), L"Kill All");

    NMTTDISPINFOA unknown{};
    strcpy(unknown.szText, "stale");
    unknown.hdr = NMHDR{tab.GetHwnd(), 1234, static_cast<UINT>(TTN_GETDISPINFOA)};
    ::SendMessageA(tab.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&unknown));
    ASSERT_EQ(unknown.lpszText, unknown.szText);
    EXPECT_STREQ(unknown.szText, "");

    NMTTDISPINFOA self{};
    strcpy(self.szText, "untouched");
    self.uFlags = TTF_IDISHWND;
    self.hdr = NMHDR{tab.GetHwnd(), reinterpret_cast<UINT_PTR>(tab.GetHwnd()), static_cast<UINT>(TTN_GETDISPINFOA)};
    ::SendMessageA(tab.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&self));
    EXPECT_EQ(self.lpszText, nullptr);
    EXPECT_STREQ(self.szText, "untouched");
}

TEST_F(FunctionTabTest, ToolbarButtonsReachTheMainWindowAndTheirTooltipsComeFromTheTab) {
    CTabToolBar bar;
    ASSERT_TRUE(CreateTabToolBar(bar, kServicesToolBarLayout, tab.GetHwnd(), RECT{4, 30, 600, 60}));
    RECT button{};
    ASSERT_TRUE(::SendMessageA(bar.GetHwnd(), TB_GETRECT, ID_SERVICE_STOP, reinterpret_cast<LPARAM>(&button)));
    Click(bar.GetHwnd(), (button.left + button.right) / 2, (button.top + button.bottom) / 2);
    EXPECT_TRUE(Has(host, WM_COMMAND, MAKEWPARAM(ID_SERVICE_STOP, BN_CLICKED),
                    reinterpret_cast<LPARAM>(bar.GetHwnd())));

    // A button click is no list click.
    liststest::Pump();
    EXPECT_EQ(0, host.Count(WM_FUNCTION_LIST_CLICKED));

    // The bar's tooltip asks for the text when it is needed.
    HWND tips = bar.GetToolTips();
    ASSERT_NE(tips, nullptr);
    char text[80] = {};
    TTTOOLINFOA ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = bar.GetHwnd();
    ti.uId = ID_SERVICE_RESTART;
    ti.lpszText = text;
    ::SendMessageA(tips, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(text, "Restart");
}

TEST_F(FunctionTabTest, ResizingReportsAndMovesAnchoredChildren) {
    auto make = [&](int id, RECT rc) {
        return ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, rc.left, rc.top, rc.right - rc.left,
                                 rc.bottom - rc.top, tab.GetHwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 nullptr, nullptr);
    };
    make(1040, RECT{10, 40, 300, 200});
    make(1018, RECT{10, 210, 300, 260});
    make(1016, RECT{320, 40, 400, 80});
    make(1017, RECT{320, 90, 400, 120});
    tab.AttachLayout(tab.GetHwnd());
    ASSERT_TRUE(tab.AddAnchor(1040, kAnchorGrowWidth | kAnchorGrowHeight));
    ASSERT_TRUE(tab.AddAnchor(1018, kAnchorGrowWidth));
    ASSERT_TRUE(tab.AddAnchor(1016, kAnchorMoveRight | kAnchorMoveDown));
    EXPECT_FALSE(tab.AddAnchor(4444, kAnchorGrowWidth));

    ::MoveWindow(tab.GetHwnd(), 0, 0, 740, 470, TRUE);
    EXPECT_TRUE(Has(host, WM_FUNCTION_TAB_RESIZED, 0, 0));
    RECT r = ChildRect(tab.GetHwnd(), 1040);
    EXPECT_EQ(r.right - r.left, 390);
    EXPECT_EQ(r.bottom - r.top, 210);
    r = ChildRect(tab.GetHwnd(), 1018);
    EXPECT_EQ(r.top, 210);
    EXPECT_EQ(r.right, 400);
    r = ChildRect(tab.GetHwnd(), 1016);
    EXPECT_EQ(r.left, 420);
    EXPECT_EQ(r.top, 90);
    r = ChildRect(tab.GetHwnd(), 1017);  // not anchored
    EXPECT_EQ(r.left, 320);

    // Back to the reference size: back to the recorded places.
    ::MoveWindow(tab.GetHwnd(), 0, 0, 640, 420, TRUE);
    r = ChildRect(tab.GetHwnd(), 1040);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 200);
}

// ---- Toolbar resources and bitmaps ---------------------------------------------------

struct ToolbarCase {
    TabToolBarLayout layout;
    std::vector<UINT> commands;
};

TEST(TabToolBarTest, EachToolbarHasItsButtonsAndOneNormalAndDisabledImageEach) {
    HostWindow host(700, 200);
    const std::vector<ToolbarCase> cases = {
        {kApplicationsToolBarLayout,
         {2780, 2781, 2782, 0, 2876, 2815, 0, 2784, 2857, 0, 2785, 2786, 0, 2882, 2883, 2881, 2892}},
        {kTasksToolBarLayout, {2780, 2781, 2782, 0, 2784, 2857, 0, 2785, 2786, 0, 2883, 2881, 2892}},
        {kServicesToolBarLayout, {2780, 2781, 2782, 0, 2785, 2786, 0, 2788, 2789, 2790, 0, 2791, 2792}},
        {kDriversToolBarLayout, {2780, 2781, 2782, 0, 2785, 2786, 0, 2788, 2789, 2790, 0, 2791, 2792}},
    };
    for (const ToolbarCase& c : cases) {
        SCOPED_TRACE(c.layout.controlId);
        CTabToolBar bar;
        ASSERT_TRUE(CreateTabToolBar(bar, c.layout, host.GetHwnd(), RECT{0, 0, 600, 30}));
        EXPECT_EQ(::GetDlgCtrlID(bar.GetHwnd()), static_cast<int>(c.layout.controlId));
        EXPECT_EQ(bar.Commands(), c.commands);
        EXPECT_EQ(::SendMessageA(bar.GetHwnd(), TB_BUTTONCOUNT, 0, 0), static_cast<LRESULT>(c.commands.size()));
        int buttons = 0;
        for (UINT id : c.commands) buttons += id ? 1 : 0;
        EXPECT_EQ(::ImageList_GetImageCount(bar.NormalImages()), buttons);
        EXPECT_EQ(::ImageList_GetImageCount(bar.DisabledImages()), buttons);
        EXPECT_TRUE(bar.IsButtonEnabled(c.commands[0]));
        bar.EnableButton(c.commands[0], false);
        EXPECT_FALSE(bar.IsButtonEnabled(c.commands[0]));
    }
    CTabToolBar bar;
    ASSERT_TRUE(bar.Create(host.GetHwnd(), 59397, WS_VISIBLE, RECT{0, 0, 600, 30}, IDR_APPLICATIONS_TOOLBAR));
    EXPECT_EQ(bar.NormalImages(), nullptr);
    EXPECT_FALSE(bar.LoadTwoStateBitmap(16, 16, 4321, RGB(255, 0, 255)));
    EXPECT_FALSE(bar.Create(host.GetHwnd(), 59398, 0, RECT{0, 0, 600, 30}, 4321));
}

SIZE BitmapSize(UINT id) {
    BitmapHandle bmp(static_cast<HBITMAP>(
        ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP bm{};
    if (!bmp || !::GetObjectA(bmp.get(), sizeof(bm), &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

TEST(ImageResourcesTest, StripsHoldOneImagePerButtonOrLevel) {
    ToolbarResource main, menu;
    ASSERT_TRUE(LoadToolbarResource(IDR_MAIN_TOOLBAR, main));
    ASSERT_TRUE(LoadToolbarResource(IDR_MENU_IMAGES, menu));
    EXPECT_EQ(main.imageWidth, 24);
    EXPECT_EQ(main.ButtonCount(), 8);
    for (UINT id : {IDB_MAIN_TOOLBAR, IDB_MAIN_TOOLBAR_HOT, IDB_MAIN_TOOLBAR_DISABLED}) {
        SIZE s = BitmapSize(id);
        EXPECT_EQ(s.cx, 24 * main.ButtonCount()) << id;
        EXPECT_EQ(s.cy, 24) << id;
    }
    SIZE m = BitmapSize(IDB_MENU_IMAGES);
    EXPECT_EQ(m.cx, 16 * menu.ButtonCount());
    EXPECT_EQ(m.cy, 16);
    SIZE p = BitmapSize(IDB_PROTECTION_IMAGES);
    EXPECT_EQ(p.cx, 5 * 16);
    EXPECT_EQ(p.cy, 16);
    SIZE t = BitmapSize(IDB_TAB_IMAGES);
    EXPECT_EQ(t.cx, 6 * 16);
    EXPECT_EQ(t.cy, 16);
}

// ---- Context menus ---------------------------------------------------------------

// One line per item: "text=id", "-" for a separator, "[text]" opens a submenu and "]" ends it.
void Describe(HMENU menu, std::vector<std::string>& out) {
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = sizeof(text);
        ::GetMenuItemInfoA(menu, i, TRUE, &mii);
        if (mii.fType & MFT_SEPARATOR) {
            out.push_back("-");
        } else if (mii.hSubMenu) {
            out.push_back(std::string("[") + text);
            Describe(mii.hSubMenu, out);
            out.push_back("]");
        } else {
            out.push_back(std::string(text) + "=" + std::to_string(mii.wID));
        }
    }
}

std::vector<std::string> MenuItems(UINT id) {
    std::vector<std::string> out;
    MenuHandle menu(::LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(id)));
    if (menu) Describe(::GetSubMenu(menu.get(), 0), out);
    return out;
}

TEST(ContextMenusTest, ItemsOfTheFourLists) {
    const std::vector<std::string> head = {"Describe...=2780", "File properties...\tAlt+Enter=2781",
                                           "Website...=2782", "-", "Search Google...=2785",
                                           "Open path folder...=2786"};
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> all = head;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    EXPECT_EQ(MenuItems(IDR_APPLICATIONS_MENU),
              with({"Bring to front=2809", "-", "Allow close=2882", "Allow kill=2883",
                    "Protect program\tEnter=2881", "Unprotect program\tCtrl+Enter=2892", "-",
                    "Close program\tShift+Ctrl+C=2876", "Close all programs\tCtrl+Alt+C=2815", "-",
                    "Kill program\tShift+Ctrl+K=2784", "Kill all programs\tCtrl+Alt+K=2857"}));
    EXPECT_EQ(MenuItems(IDR_TASKS_MENU),
              with({"-", "Allow close=2882", "Allow kill=2883", "Protect program\tEnter=2881",
                    "Unprotect program\tCtrl+Enter=2892", "-", "Close program\tShift+Ctrl+C=2876", "-",
                    "Kill program\tShift+Ctrl+K=2784", "Kill all programs\tCtrl+Alt+K=2857"}));
    const std::vector<std::string> control = {"-", "Start=2788", "Stop=2789", "Pause=2790",
                                              "Continue=2791", "Restart=2792", "-", "[Startup"};
    auto services = with(control);
    services.insert(services.end(), {"Automatic=2502", "Manual=2503", "Disabled=2504", "]"});
    EXPECT_EQ(MenuItems(IDR_SERVICES_MENU), services);
    auto drivers = with(control);
    drivers.insert(drivers.end(),
                   {"Boot=2500", "System=2501", "Automatic=2502", "Manual=2503", "Disabled=2504", "]"});
    EXPECT_EQ(MenuItems(IDR_DRIVERS_MENU), drivers);
}

}  // namespace

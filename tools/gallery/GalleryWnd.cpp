#include "GalleryWnd.h"

#include <commctrl.h>

#include <cmath>

#include "base/Handles.h"
#include "base/Resources.h"
#include "platform/Registry.h"
#include "resource.h"

namespace {
const char kGalleryClass[] = "QmGalleryWnd";
const char kImagePanelClass[] = "QmGalleryImages";
const UINT_PTR kExitTimer = 99;
const int kClientWidth = 1240, kClientHeight = 960;
// The gallery keeps its splitter positions apart from the program's.
const char kGallerySettingsRoot[] = "Software\\Ornava Utilities\\Quillmark Gallery";

HICON SmallIcon(UINT id) {
    return static_cast<HICON>(::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_SHARED));
}

void SetFont(HWND wnd, HFONT font) {
    ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

struct Row {
    const char* cells[9];
    UINT icon;
    int protection;  // image of the protection column, -1 for none
};

void FillList(CListCtrlEx& list, const Row* rows, int count, int columns) {
    list.ResetImageList();
    for (int r = 0; r < count; ++r) {
        list.InsertItemWithIcon(r, rows[r].cells[0], SmallIcon(rows[r].icon));
        for (int c = 1; c < columns; ++c) list.SetItemText(r, c, rows[r].cells[c] ? rows[r].cells[c] : "");
        if (rows[r].protection >= 0) list.SetItemImage(r, 1, rows[r].protection);
        list.SetItemData(r, r);
    }
}
}  // namespace

// ---- Image panel -------------------------------------------------------------

bool CImagePanel::Create(HWND parent, const RECT& rect, UINT id) {
    CWnd::RegisterClass(kImagePanelClass, CS_HREDRAW | CS_VREDRAW, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return CWnd::Create(WS_EX_CLIENTEDGE, kImagePanelClass, "", WS_CHILD | WS_VISIBLE, rect, parent, id) != nullptr;
}

bool CImagePanel::OnPaint() {
    PaintDC paint(hwnd_);
    HDC dc = paint.get();
    SelectGuard useFont(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    auto label = [&](int x, int y, const char* text) { ::TextOutA(dc, x, y, text, static_cast<int>(strlen(text))); };

    label(10, 8, "Default row icons 144-147, 16 and 32 pixels");
    const UINT icons[] = {IDI_DEFAULT_TASK, IDI_DEFAULT_APPLICATION, IDI_DEFAULT_DRIVER, IDI_DEFAULT_SERVICE};
    const char* names[] = {"Task", "Application", "Driver", "Service"};
    for (int i = 0; i < 4; ++i) {
        const int x = 10 + i * 82;
        IconHandle small(static_cast<HICON>(::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(icons[i]), IMAGE_ICON, 16, 16, 0)));
        IconHandle large(static_cast<HICON>(::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(icons[i]), IMAGE_ICON, 32, 32, 0)));
        if (small) ::DrawIconEx(dc, x, 38, small.get(), 16, 16, 0, nullptr, DI_NORMAL);
        if (large) ::DrawIconEx(dc, x + 24, 30, large.get(), 32, 32, 0, nullptr, DI_NORMAL);
        label(x, 68, names[i]);
    }

    label(10, 98, "Splitter cursors 152 (stacked), 153 (side by side)");
    const UINT cursors[] = {IDCUR_SPLIT_H, IDCUR_SPLIT_V};
    for (int i = 0; i < 2; ++i) {
        HICON cur = static_cast<HICON>(::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(cursors[i]), IMAGE_CURSOR, 32, 32, LR_SHARED));
        if (cur) ::DrawIconEx(dc, 10 + i * 48, 120, cur, 32, 32, 0, nullptr, DI_NORMAL);
    }

    label(10, 166, "Load animation 143: frames 0, 1, 2, 3");
    BitmapHandle strip(static_cast<HBITMAP>(::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDB_LOAD_ANIMATION), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ImageListHandle frames(::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 0));
    if (strip && frames && ::ImageList_AddMasked(frames.get(), strip.get(), RGB(255, 0, 255)) >= 0) {
        for (int i = 0; i < 4; ++i) ::ImageList_Draw(frames.get(), i, dc, 10 + i * 48, 188, ILD_TRANSPARENT);
    }
    return true;
}

// ---- Main toolbar and menu images ----------------------------------------------

bool CToolbarImagePanel::Create(HWND parent, const RECT& rect, UINT id) {
    CWnd::RegisterClass("QmGalleryToolbarImages", CS_HREDRAW | CS_VREDRAW, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    return CWnd::Create(WS_EX_CLIENTEDGE, "QmGalleryToolbarImages", "", WS_CHILD | WS_VISIBLE, rect, parent, id) !=
           nullptr;
}

bool CToolbarImagePanel::OnPaint() {
    PaintDC paint(hwnd_);
    HDC dc = paint.get();
    SelectGuard useFont(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    auto label = [&](int x, int y, const char* text) { ::TextOutA(dc, x, y, text, static_cast<int>(strlen(text))); };
    // Each strip drawn image by image through a masked image list, as the
    // toolbars and the menu bar show them.
    auto strip = [&](UINT bitmapId, int size, int x, int y) {
        BitmapHandle bmp(static_cast<HBITMAP>(
            ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0)));
        ImageListHandle list = ImageListFromBitmap(bmp.get(), size, size, 0, 1, RGB(255, 0, 255));
        if (!list) return;
        for (int i = 0; i < ::ImageList_GetImageCount(list.get()); ++i)
            ::ImageList_Draw(list.get(), i, dc, x + i * (size + 2), y, ILD_TRANSPARENT);
    };
    label(10, 6, "Main toolbar 155, hot 156, disabled 154 (24x24)");
    strip(IDB_MAIN_TOOLBAR, 24, 10, 24);
    strip(IDB_MAIN_TOOLBAR_HOT, 24, 230, 24);
    strip(IDB_MAIN_TOOLBAR_DISABLED, 24, 10, 54);
    label(10, 86, "Menu-bar images 167 (16x16)");
    strip(IDB_MENU_IMAGES, 16, 10, 104);
    return true;
}

// ---- Gallery window --------------------------------------------------------------

CGalleryWnd::CGalleryWnd()
    : mainSplitter_(AppSettings(kGallerySettingsRoot)), listSplitter_(AppSettings(kGallerySettingsRoot)) {}

CGalleryWnd::~CGalleryWnd() = default;

bool CGalleryWnd::Create(int exitAfterMs) {
    exitAfterMs_ = exitAfterMs;
    // Every run starts from the default splitter positions, so screenshots
    // are alike; the splitters still save theirs when the gallery closes.
    reg::DeleteTree(HKEY_CURRENT_USER, kGallerySettingsRoot);
    CWnd::RegisterClass(kGalleryClass, CS_HREDRAW | CS_VREDRAW, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT rc{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&rc, style, FALSE, 0);
    ::OffsetRect(&rc, 4 - rc.left, 4 - rc.top);
    if (!CWnd::Create(0, kGalleryClass, "Quillmark component gallery", style, rc, nullptr, 0)) return false;
    ShowWindow(SW_SHOW);
    ::UpdateWindow(hwnd_);
    // The load progress dialog over the free corner, shown after the gallery
    // so that it is stacked above it.
    if (progress_.CreateOnce(hwnd_)) {
        POINT at{900, 852};
        ::ClientToScreen(hwnd_, &at);
        ::SetWindowPos(progress_.GetHwnd(), HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    return true;
}

HWND CGalleryWnd::GroupBox(const char* text, const RECT& rc) {
    HWND box = ::CreateWindowExA(0, "Button", text, WS_CHILD | WS_VISIBLE | BS_GROUPBOX, rc.left, rc.top,
                                 rc.right - rc.left, rc.bottom - rc.top, hwnd_, nullptr, nullptr, nullptr);
    SetFont(box, font_);
    return box;
}

int CGalleryWnd::OnCreate(CREATESTRUCTA*) {
    font_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    CreateLists();
    CreatePerformance();
    FillLists();

    if (exitAfterMs_ > 0) SetTimer(kExitTimer, static_cast<UINT>(exitAfterMs_));
    return 0;
}

void CGalleryWnd::CreateLists() {
    // The main splitter: function tabs above, a side-by-side splitter below
    // (Tasks | Services), as the main window stacks tabs over the detail pane.
    mainSplitter_.Create(WS_VISIBLE, hwnd_, 2300, RECT{8, 8, 760, 640}, 150, 150);
    listSplitter_.Create(WS_VISIBLE, hwnd_, 2301, RECT{0, 0, 752, 300}, 150, 150);

    tabs_.Create(hwnd_, RECT{0, 0, 752, 320}, IDC_FUNCTION_TAB, WS_VISIBLE | WS_CLIPCHILDREN);
    tabs_.SetNotifyTarget(hwnd_);
    tabs_.InsertFunctionTabs();
    SetFont(tabs_.GetHwnd(), font_);
    appToolBar_.Create(tabs_.GetHwnd(), kApplicationsToolBarLayout.controlId, WS_CHILD | WS_VISIBLE,
                       RECT{4, 28, 744, 58}, kApplicationsToolBarLayout.toolbarResource);
    appToolBar_.LoadTwoStateBitmap(16, 16, kApplicationsToolBarLayout.bitmapId, RGB(255, 0, 255));
    CreateFunctionList(appList_, kApplicationListLayout, tabs_.GetHwnd(), RECT{4, 60, 744, 300});

    CreateFunctionList(taskList_, kTaskListLayout, hwnd_, RECT{0, 0, 300, 300});
    CreateFunctionList(serviceList_, kServiceListLayout, hwnd_, RECT{0, 0, 300, 300});
    listSplitter_.SetPanes(CPaneSplitter::kSideBySide, hwnd_, taskList_.GetHwnd(), serviceList_.GetHwnd(), 150, 150);
    mainSplitter_.SetPanes(CPaneSplitter::kStacked, hwnd_, tabs_.GetHwnd(), listSplitter_.GetHwnd(), 150, 150);
    LayoutTabArea();

    CreateFunctionList(driverList_, kDriverListLayout, hwnd_, RECT{8, 648, 420, 952});
    images_.Create(hwnd_, RECT{428, 648, 760, 878}, 4100);
    toolbarImages_.Create(hwnd_, RECT{770, 708, 1232, 842}, 4101);

    // The toolbars sit on a plain panel of their own: a flat toolbar has its
    // parent erase behind it.
    CWnd::RegisterClass("QmGalleryToolbars", 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    HWND panel = ::CreateWindowExA(0, "QmGalleryToolbars", "", WS_CHILD | WS_VISIBLE, 428, 882, 332, 76, hwnd_,
                                   nullptr, nullptr, nullptr);
    const TabToolBarLayout* layouts[] = {&kTasksToolBarLayout, &kServicesToolBarLayout, &kDriversToolBarLayout};
    int top = 2;
    for (int i = 0; i < 3; ++i) {
        CTabToolBar& bar = otherToolBars_[i];
        if (!bar.Create(panel, layouts[i]->controlId, WS_CHILD | WS_VISIBLE, RECT{0, top, 332, top + 22},
                        layouts[i]->toolbarResource))
            continue;
        bar.LoadTwoStateBitmap(16, 16, layouts[i]->bitmapId, RGB(255, 0, 255));
        // As tall as its buttons.
        const int height = HIWORD(bar.SendMessage(TB_GETBUTTONSIZE));
        ::SetWindowPos(bar.GetHwnd(), nullptr, 0, top, 332, height, SWP_NOZORDER | SWP_NOACTIVATE);
        top += height + 2;
    }
    // A stopped service: only Start can be used; the Kill button of the
    // Tasks bar greyed as for a protected program.
    otherToolBars_[1].EnableButton(ID_SERVICE_STOP, false);
    otherToolBars_[1].EnableButton(ID_SERVICE_PAUSE, false);
    otherToolBars_[1].EnableButton(ID_SERVICE_CONTINUE, false);
    otherToolBars_[0].EnableButton(ID_PROGRAM_KILL, false);
}

void CGalleryWnd::LayoutTabArea() {
    if (!tabs_.IsWindow()) return;
    RECT area = tabs_.GetClientRect();
    TabCtrl_AdjustRect(tabs_.GetHwnd(), FALSE, &area);
    ::InflateRect(&area, -4, -4);
    int barHeight = 30;
    if (appToolBar_.IsWindow()) {
        RECT bar = appToolBar_.GetWindowRect();
        if (bar.bottom > bar.top) barHeight = bar.bottom - bar.top;
        ::SetWindowPos(appToolBar_.GetHwnd(), nullptr, area.left, area.top, area.right - area.left, barHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (appList_.IsWindow())
        ::SetWindowPos(appList_.GetHwnd(), nullptr, area.left, area.top + barHeight + 2, area.right - area.left,
                       area.bottom - area.top - barHeight - 2, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CGalleryWnd::CreatePerformance() {
    // As on the Performance and Network pages: meters beside their histories.
    GroupBox("CPU Usage", RECT{770, 4, 870, 228});
    GroupBox("CPU Usage History", RECT{878, 4, 1232, 228});
    GroupBox("Page File Usage", RECT{770, 232, 870, 456});
    GroupBox("Page File Usage History", RECT{878, 232, 1232, 456});
    GroupBox("Network Bandwidth", RECT{770, 460, 1232, 700});

    cpuMeter_.Create(hwnd_, RECT{782, 24, 858, 218}, 1021);
    cpuGraph_.Create(hwnd_, RECT{890, 24, 1222, 218}, 1023);
    memoryMeter_.Create(hwnd_, RECT{782, 252, 858, 446}, 1022);
    memoryGraph_.Create(hwnd_, RECT{890, 252, 1222, 446}, 1024);
    networkGraph_.Create(hwnd_, RECT{782, 480, 1222, 690}, 1027);

    ConfigureCpuHistoryGraph(cpuGraph_);
    ConfigureMemoryHistoryGraph(memoryGraph_);
    ConfigureNetworkGraph(networkGraph_);

    // Sample history so the graphs show their look at once; the live meters
    // then go on feeding them.
    for (int i = 0; i < 90; ++i)
        cpuGraph_.AddValue(static_cast<int>(30 + 18 * std::sin(i / 7.0) + (i * 37 % 11)));
    MemoryStatus status;
    status.Read();
    const auto now = metermath::ReadingForKind(status, MemoryKind::PageFile);
    memoryGraph_.SetRange(0, now.totalMb);
    memoryGraph_.SetGraphType(CGraphWnd::kBarGraph);
    for (int i = 0; i < 60; ++i)
        memoryGraph_.AddValue(static_cast<int>(now.usedMb * (0.85 + 0.1 * std::sin(i / 5.0))));
    for (int i = 0; i < 100; ++i) {
        int v = static_cast<int>(4 + 3 * std::sin(i / 4.0));
        if (i > 55 && i < 70) v = 20 + (i % 5) * 4;  // a burst the scale follows
        networkGraph_.AddValue(v);
    }

    cpuMeter_.SetLinkedGraph(&cpuGraph_);
    memoryMeter_.SetLinkedGraph(&memoryGraph_);
    cpuMeter_.Init();
    memoryMeter_.Init();
    cpuSampler_.Start(hwnd_);
    SetTimer(kMemoryTimer, kMemoryTimerMs);
}

void CGalleryWnd::FillLists() {
    static const Row apps[] = {
        {{"notepad.exe", "Unprotected", "1204", "0.0%", "4,812 KB", "0x000301A2", "notes.txt - Notepad", "Wine", "Text editor"}, IDI_DEFAULT_APPLICATION, 0},
        {{"quillmark.exe", "Protected", "1388", "1.5%", "9,240 KB", "0x00040112", "Quillmark", "Ornava Utilities", "Task manager"}, IDI_DEFAULT_APPLICATION, 3},
        {{"winefile.exe", "Can Close", "1420", "0.0%", "6,128 KB", "0x000500C4", "Wine File Manager", "Wine", "File manager"}, IDI_DEFAULT_APPLICATION, 1},
        {{"regedit.exe", "Can Kill", "1532", "0.0%", "5,004 KB", "0x000601D8", "Registry Editor", "Wine", "Registry editor"}, IDI_DEFAULT_APPLICATION, 2},
    };
    static const Row tasks[] = {
        {{"explorer.exe", "System Protected", "user", "56", "0.0%", "7,316 KB", "12", "Wine", "Shell"}, IDI_DEFAULT_TASK, 4},
        {{"services.exe", "System Protected", "SYSTEM", "32", "0.0%", "3,120 KB", "6", "Wine", "Service control"}, IDI_DEFAULT_TASK, 4},
        {{"quillmark.exe", "Protected", "user", "1388", "1.5%", "9,240 KB", "4", "Ornava Utilities", "Task manager"}, IDI_DEFAULT_TASK, 3},
        {{"notepad.exe", "Unprotected", "user", "1204", "0.0%", "4,812 KB", "1", "Wine", "Text editor"}, IDI_DEFAULT_TASK, 0},
    };
    static const Row services[] = {
        {{"Spooler", "0.0%", "2,048 KB", "Running", "Automatic", "Print Spooler", "Wine", "Queues print jobs"}, IDI_DEFAULT_SERVICE, -1},
        {{"EventLog", "0.0%", "1,512 KB", "Running", "Automatic", "Event Log", "Wine", "Records events"}, IDI_DEFAULT_SERVICE, -1},
        {{"MSIServer", "", "", "Stopped", "Manual", "Windows Installer", "Wine", "Installs packages"}, IDI_DEFAULT_SERVICE, -1},
    };
    static const Row drivers[] = {
        {{"mountmgr", "Running", "Boot", "Mount Manager", "Wine", "Volume mount points"}, IDI_DEFAULT_DRIVER, -1},
        {{"nsiproxy", "Running", "System", "NSI Proxy", "Wine", "Network store proxy"}, IDI_DEFAULT_DRIVER, -1},
        {{"wineusb", "Stopped", "Manual", "USB Bus", "Wine", "USB devices"}, IDI_DEFAULT_DRIVER, -1},
    };
    FillList(appList_, apps, 4, 9);
    FillList(taskList_, tasks, 4, 9);
    FillList(serviceList_, services, 3, 8);
    FillList(driverList_, drivers, 3, 6);
    // The owner sets how the lists look (the program reads it from its
    // settings); the gallery shows the defaults.
    for (CListCtrlEx* list : {static_cast<CListCtrlEx*>(&appList_), static_cast<CListCtrlEx*>(&taskList_),
                              static_cast<CListCtrlEx*>(&serviceList_), static_cast<CListCtrlEx*>(&driverList_)})
        list->SetViewOptions(ListViewOptions());
    // One list sorted, to show the arrow and the shaded sort column.
    taskList_.SetHighlightSortColumn(true, kSortColumnShade);
    taskList_.OnHeaderClick(0);
    appList_.SetItemSelected(1, true);
}

void CGalleryWnd::OnTimer(UINT_PTR id) {
    if (id == kExitTimer) DestroyWindow();
    if (id == kMemoryTimer) {
        MemoryStatus status;
        status.Read();
        memoryMeter_.ApplyReading(status);
    }
}

LRESULT CGalleryWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_FUNCTION_TAB_RESIZED) {
        LayoutTabArea();
        return 0;
    }
    if (msg == WM_CPU_SAMPLE) {
        cpuMeter_.Feed(static_cast<int>(wp));
        return 0;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

void CGalleryWnd::OnDestroy() {
    cpuSampler_.Stop();
    ::PostQuitMessage(0);
}

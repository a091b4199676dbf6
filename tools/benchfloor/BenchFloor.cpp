// The floor scripts/bench.sh measures Quillmark against: one window with the
// kinds of controls Quillmark's main window has (a menu bar, a toolbar, a tab
// control with six tabs, a report list with small icons, a status bar and a
// notification-area icon) and the same manifest, and nothing else. It shows
// its window, fills its list with the given number of rows, and then only
// answers messages: no timers, no threads, no sampling. What Quillmark holds
// or spends above this is its own. The controls carry Quillmark's ids, and
// its Refresh command fills the list again and says "Ready" as Quillmark's
// does, so the same watch times both from outside.
//
// With "samplers" it also samples what Quillmark's window samples while it can
// be seen, in the same way and at the same rates, and does nothing with the
// readings: the memory status every 100 ms (a window timer, for the memory
// meter's history), the machine's CPU times over one second on a thread of its
// own (for the CPU meter's history), the interface table every second on
// another (for the network graphs' history), a one-second timer (the automatic
// interval's check), and the process query every two seconds (the view
// update's sample). That is the CPU floor of a window that keeps those
// histories: what Quillmark spends above it goes to its lists and pages.
//
// With "loader" it also does once what Quillmark's snapshot load does at
// start: a thread of its own takes the process query and ends. Under Wine the
// stack of the last thread that ended stays mapped until another thread ends,
// so a window that ever loaded on a thread holds about one thread more than
// it runs.
//
// With "icons" the load also reads the program file of every running process
// (the snapshot's loader does), and the list shows one row per process (at
// least rows) with the small icon of its program file, one image per file as
// Quillmark's lists keep them: the file's own icon, else the shell's icon for
// the file. The first such shell icon makes the shell build its image lists;
// this is the memory floor of a list of programs with their icons.
//
// With "tray" the window is never shown, as Quillmark's when it starts in the
// notification area: it fills its list, and its one-second and two-second
// timers (Quillmark's automatic-interval check and view update, which keep
// their rates while nothing is seen) only ask whether the window can be seen.
// That is the CPU floor of a hidden window that keeps those timers.
//   qm_benchfloor.exe [rows] [samplers] [loader] [icons] [tray]   (default 0 rows, none)
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <iphlpapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"

namespace {

const char kClassName[] = "QmBenchFloor";
constexpr UINT kTrayId = 1;
constexpr UINT kTrayMessage = WM_APP + 1;
// Posted to itself once the window is shown: the list is filled from the
// message loop, as Quillmark fills its lists.
constexpr UINT kFillMessage = WM_APP + 2;

struct Floor {
    int rows = 0;
    bool samplers = false;
    bool loader = false;
    bool icons = false;
    bool tray = false;
    std::vector<std::string> paths;  // with icons: each running process's program file, from the load
    HWND wnd = nullptr;     // where the sampler threads post their readings
    HANDLE stop = nullptr;  // set at the end: the sampler threads end
    HANDLE threads[2] = {};
    HWND tab = nullptr;
    HWND toolbar = nullptr;
    HWND list = nullptr;
    HWND status = nullptr;
    bool trayAdded = false;
};

constexpr UINT_PTR kMemoryTimer = 2, kSecondTimer = 8, kProcessTimer = 5;
constexpr UINT kCpuSample = WM_APP + 3, kNetworkSample = WM_APP + 4;

using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

QueryFn SystemQuery() {
    return reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
}

// The CPU sampler's pass: the basic, time-of-day and performance classes
// before and after one second.
DWORD WINAPI CpuThread(LPVOID param) {
    auto* floor = static_cast<Floor*>(param);
    const QueryFn query = SystemQuery();
    const HWND wnd = floor->wnd;
    BYTE basic[64], time[32], perf[1024];
    auto read = [&] {
        if (!query) return;
        query(0, basic, sizeof(void*) == 8 ? 64 : 44, nullptr);
        query(3, time, sizeof(time), nullptr);
        query(2, perf, 312, nullptr);
    };
    while (::WaitForSingleObject(floor->stop, 100) == WAIT_TIMEOUT) {
        read();
        if (::WaitForSingleObject(floor->stop, 1000) != WAIT_TIMEOUT) break;
        read();
        ::PostMessageA(wnd, kCpuSample, 0, 0);
    }
    return 0;
}

DWORD WINAPI NetworkThread(LPVOID param) {
    auto* floor = static_cast<Floor*>(param);
    const HWND wnd = floor->wnd;
    std::vector<BYTE> table(64 * 1024);
    do {
        ULONG size = static_cast<ULONG>(table.size());
        ::GetIfTable(reinterpret_cast<MIB_IFTABLE*>(table.data()), &size, FALSE);
        ::PostMessageA(wnd, kNetworkSample, 0, 0);
    } while (::WaitForSingleObject(floor->stop, 1000) == WAIT_TIMEOUT);
    return 0;
}

// One process query into buffer, grown as the system asks.
void QueryProcesses(std::vector<BYTE>& buffer) {
    if (buffer.empty()) buffer.resize(256 * 1024);
    const QueryFn query = SystemQuery();
    if (!query) return;
    ULONG needed = 0;
    // SystemProcessInformation.
    for (int i = 0; i < 4; ++i) {
        const LONG status = query(5, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != static_cast<LONG>(0xC0000004)) break;
        buffer.resize(needed + 64 * 1024);
    }
}

// What one load hands back: the load writes it while it runs, the window
// reads it only once the load has ended.
struct LoadResult {
    bool icons = false;
    std::vector<std::string> paths;
};

// The load's buffer is its own and goes with it, as the snapshot loader's
// does; a load still running after the wait below cannot share the view
// update's buffer with it.
DWORD WINAPI LoaderThread(LPVOID param) {
    auto* result = static_cast<LoadResult*>(param);
    std::vector<BYTE> buffer;
    QueryProcesses(buffer);
    if (!result->icons) return 0;
    // Every process id: a full buffer may have cut the list short.
    std::vector<DWORD> pids(1024);
    DWORD bytes = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(pids.size() * sizeof(DWORD));
        if (!::K32EnumProcesses(pids.data(), size, &bytes)) return 0;
        if (bytes < size || pids.size() >= 1u << 20) break;
        pids.resize(pids.size() * 2);
    }
    pids.resize(bytes / sizeof(DWORD));
    for (DWORD pid : pids) {
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!process) continue;
        char path[MAX_PATH] = {};
        DWORD size = sizeof(path);
        if (::QueryFullProcessImageNameA(process, 0, path, &size)) result->paths.emplace_back(path, size);
        ::CloseHandle(process);
    }
    return 0;
}

// Runs one load on a thread of its own and waits for it to end. A load that
// has not ended after the wait keeps its result (a small leak in a tool that
// then lists no program files), so the window never reads what it writes.
void LoadOnce(Floor& floor) {
    auto* result = new LoadResult;
    result->icons = floor.icons;
    HANDLE thread = ::CreateThread(nullptr, 0, LoaderThread, result, 0, nullptr);
    if (!thread) {
        delete result;
        return;
    }
    if (::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0) {
        floor.paths = std::move(result->paths);
        delete result;
    }
    ::CloseHandle(thread);
}

void StartSamplers(HWND wnd, Floor& floor) {
    floor.wnd = wnd;
    floor.stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    floor.threads[0] = ::CreateThread(nullptr, 0, CpuThread, &floor, 0, nullptr);
    floor.threads[1] = ::CreateThread(nullptr, 0, NetworkThread, &floor, 0, nullptr);
    ::SetTimer(wnd, kMemoryTimer, 100, nullptr);
    ::SetTimer(wnd, kSecondTimer, 1000, nullptr);
    ::SetTimer(wnd, kProcessTimer, 2000, nullptr);
}

void StopSamplers(HWND wnd, Floor& floor) {
    if (!floor.stop) return;
    ::SetEvent(floor.stop);
    for (HANDLE& thread : floor.threads) {
        if (!thread) continue;
        ::WaitForSingleObject(thread, 3000);
        ::CloseHandle(thread);
        thread = nullptr;
    }
    ::CloseHandle(floor.stop);
    floor.stop = nullptr;
    ::KillTimer(wnd, kMemoryTimer);
    ::KillTimer(wnd, kSecondTimer);
    ::KillTimer(wnd, kProcessTimer);
}

HMENU MakeMenuBar() {
    HMENU bar = ::CreateMenu();
    HMENU file = ::CreatePopupMenu();
    ::AppendMenuA(file, MF_STRING, ID_APP_EXIT_CMD, "E&xit");
    HMENU view = ::CreatePopupMenu();
    ::AppendMenuA(view, MF_STRING, ID_VIEW_REFRESH, "&Refresh\tF5");
    HMENU help = ::CreatePopupMenu();
    ::AppendMenuA(help, MF_STRING, ID_APP_ABOUT_CMD, "&About");
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

HWND MakeToolbar(HWND parent) {
    HWND bar = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS,
                                 0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_TOOLBAR)),
                                 nullptr, nullptr);
    if (!bar) return nullptr;
    ::SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageA(bar, TB_LOADIMAGES, IDB_STD_SMALL_COLOR, reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    const int images[] = {STD_FILENEW, STD_FILEOPEN, STD_FILESAVE, STD_PRINT, STD_COPY, STD_DELETE, STD_PROPERTIES};
    TBBUTTON buttons[sizeof(images) / sizeof(images[0])] = {};
    for (size_t i = 0; i < sizeof(images) / sizeof(images[0]); ++i) {
        buttons[i].iBitmap = images[i];
        buttons[i].idCommand = 300 + static_cast<int>(i);
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON;
    }
    ::SendMessageA(bar, TB_ADDBUTTONS, sizeof(buttons) / sizeof(buttons[0]), reinterpret_cast<LPARAM>(buttons));
    ::SendMessageA(bar, TB_AUTOSIZE, 0, 0);
    return bar;
}

HWND MakeTabs(HWND parent) {
    HWND tab = ::CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FUNCTION_TAB)), nullptr, nullptr);
    if (!tab) return nullptr;
    ::SendMessageA(tab, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    const char* labels[] = {"Applications", "Tasks", "Services", "Drivers", "Performance", "Network"};
    for (int i = 0; i < 6; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(labels[i]);
        ::SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageA(tab, TCM_SETCURSEL, 1, 0);
    return tab;
}

HWND MakeList(HWND parent) {
    HWND list = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                  WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0,
                                  0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TASK_LIST)), nullptr,
                                  nullptr);
    if (!list) return nullptr;
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP);
    // Without LVS_SHAREIMAGELISTS the list owns its image list and destroys
    // it with itself.
    HIMAGELIST images = ::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                           ILC_COLOR32 | ILC_MASK, 1, 1);
    if (images) {
        ::ImageList_AddIcon(images, ::LoadIconA(nullptr, IDI_APPLICATION));  // IDI_APPLICATION
        ::SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    }
    const char* titles[] = {"Name", "PID", "CPU", "Memory", "Path"};
    const int widths[] = {140, 60, 50, 80, 260};
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(titles[i]);
        column.cx = widths[i];
        column.iSubItem = i;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

HWND MakeStatusBar(HWND parent) {
    HWND bar = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), nullptr, nullptr);
    if (!bar) return nullptr;
    int edges[5] = {200, 280, 360, 440, -1};
    ::SendMessageA(bar, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(edges));
    return bar;
}

bool AddTrayIcon(HWND wnd) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof(data);
    data.hWnd = wnd;
    data.uID = kTrayId;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpynA(data.szTip, "Quillmark floor", sizeof(data.szTip));
    return ::Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

void RemoveTrayIcon(HWND wnd) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof(data);
    data.hWnd = wnd;
    data.uID = kTrayId;
    ::Shell_NotifyIconA(NIM_DELETE, &data);
}

// A program file's small icon as Quillmark's lists take it: the file's own
// first icon, else the shell's icon for the file. Written out here rather than
// linked from Quillmark's libraries, so that the floor loads nothing of theirs.
HICON SmallProgramIcon(const std::string& path) {
    HICON icon = nullptr;
    ::ExtractIconExA(path.c_str(), 0, nullptr, &icon, 1);
    if (icon) return icon;
    SHFILEINFOA info{};
    if (::SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON)) return info.hIcon;
    return nullptr;
}

// With icons: gives the list a new image list with one image per program
// file, as Quillmark's lists keep them (rows of the same file share it), and
// returns the image of each of floor.paths. Each file's icon is read once and
// its bitmaps added, not the icon: adding an icon costs far more under Wine.
std::vector<int> SetProgramImages(const Floor& floor) {
    std::vector<int> images;
    HIMAGELIST list = ::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                         ILC_COLOR32 | ILC_MASK, 64, 256);
    if (!list) return images;
    std::map<std::string, int> files;
    for (const std::string& path : floor.paths) {
        auto [it, isNew] = files.try_emplace(path, -1);
        if (isNew) {
            if (HICON icon = SmallProgramIcon(path)) {
                ICONINFO info{};
                if (::GetIconInfo(icon, &info) && info.hbmColor)
                    it->second = ::ImageList_Add(list, info.hbmColor, info.hbmMask);
                if (info.hbmColor) ::DeleteObject(info.hbmColor);
                if (info.hbmMask) ::DeleteObject(info.hbmMask);
                if (it->second < 0) it->second = ::ImageList_AddIcon(list, icon);
                ::DestroyIcon(icon);
            }
            if (it->second < 0) it->second = ::ImageList_AddIcon(list, ::LoadIconA(nullptr, IDI_APPLICATION));
        }
        images.push_back(it->second);
    }
    // The list owns its image list (no LVS_SHAREIMAGELISTS): the one it
    // replaces is the caller's to destroy.
    HIMAGELIST old = reinterpret_cast<HIMAGELIST>(
        ::SendMessageA(floor.list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(list)));
    if (old) ::ImageList_Destroy(old);
    return images;
}

void FillList(const Floor& floor) {
    HWND list = floor.list;
    const bool withIcons = floor.icons && !floor.paths.empty();
    const int rows = withIcons && floor.paths.size() > static_cast<size_t>(floor.rows)
                         ? static_cast<int>(floor.paths.size())
                         : floor.rows;
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    const std::vector<int> images = withIcons ? SetProgramImages(floor) : std::vector<int>();
    char text[64];
    for (int row = 0; row < rows; ++row) {
        std::snprintf(text, sizeof(text), "program%04d.exe", row);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = text;
        // Rows past the processes repeat them.
        item.iImage = images.empty() ? 0 : images[static_cast<size_t>(row) % images.size()];
        const int at = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) break;
        const char* cells[] = {nullptr, nullptr, "0", "1,024 K", "C:\\Program Files\\Floor\\program.exe"};
        std::snprintf(text, sizeof(text), "%d", 4 * (row + 8));
        cells[1] = text;
        for (int column = 1; column < 5; ++column) {
            LVITEMA cell{};
            cell.iSubItem = column;
            cell.pszText = const_cast<char*>(cells[column]);
            ::SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&cell));
        }
    }
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    char count[32];
    std::snprintf(count, sizeof(count), "%d", rows);
    ::SendMessageA(floor.status, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(count));
    ::SendMessageA(floor.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(" Ready"));
}

void Layout(HWND wnd, const Floor& floor) {
    RECT client{};
    ::GetClientRect(wnd, &client);
    int top = 0, bottom = client.bottom;
    if (floor.toolbar) {
        ::SendMessageA(floor.toolbar, TB_AUTOSIZE, 0, 0);
        RECT rc{};
        ::GetWindowRect(floor.toolbar, &rc);
        top = rc.bottom - rc.top;
    }
    if (floor.status) {
        ::SendMessageA(floor.status, WM_SIZE, 0, 0);
        RECT rc{};
        ::GetWindowRect(floor.status, &rc);
        bottom -= rc.bottom - rc.top;
    }
    if (floor.tab) ::MoveWindow(floor.tab, 4, top + 4, client.right - 8, bottom - top - 8, TRUE);
    if (floor.tab && floor.list) {
        RECT inner{4, top + 4, client.right - 4, bottom - 4};
        ::SendMessageA(floor.tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inner));
        ::SetWindowPos(floor.list, HWND_TOP, inner.left, inner.top, inner.right - inner.left,
                       inner.bottom - inner.top, 0);
    }
}

LRESULT CALLBACK FloorWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        ::SetWindowLongPtrA(wnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
    auto* floor = reinterpret_cast<Floor*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!floor) return ::DefWindowProcA(wnd, msg, wp, lp);
    switch (msg) {
    case WM_CREATE:
        floor->toolbar = MakeToolbar(wnd);
        floor->tab = MakeTabs(wnd);
        floor->list = MakeList(wnd);
        floor->status = MakeStatusBar(wnd);
        floor->trayAdded = AddTrayIcon(wnd);
        return (floor->tab && floor->list && floor->status && floor->toolbar) ? 0 : -1;
    case WM_SIZE:
        Layout(wnd, *floor);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == ID_APP_EXIT_CMD) ::DestroyWindow(wnd);
        if (LOWORD(wp) == ID_VIEW_REFRESH) FillList(*floor);
        return 0;
    case kFillMessage:
        if (floor->loader || floor->icons) LoadOnce(*floor);
        FillList(*floor);
        if (floor->samplers && !floor->stop) StartSamplers(wnd, *floor);
        if (floor->tray) {
            ::SetTimer(wnd, kSecondTimer, 1000, nullptr);
            ::SetTimer(wnd, kProcessTimer, 2000, nullptr);
        }
        return 0;
    case WM_TIMER:
        // Hidden, a tick only finds that nobody sees the window.
        if (floor->tray && !(::IsWindowVisible(wnd) && !::IsIconic(wnd))) return 0;
        if (wp == kMemoryTimer) {
            MEMORYSTATUSEX status{};
            status.dwLength = sizeof(status);
            ::GlobalMemoryStatusEx(&status);
        } else if (wp == kProcessTimer) {
            static std::vector<BYTE> buffer;  // kept between ticks, as the sampler's
            QueryProcesses(buffer);
        }
        return 0;
    case kCpuSample:
    case kNetworkSample:
        return 0;
    case WM_DESTROY:
        StopSamplers(wnd, *floor);
        if (floor->trayAdded) RemoveTrayIcon(wnd);
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(wnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    Floor floor;
    const long rows = std::strtol(commandLine, nullptr, 10);
    floor.rows = rows > 0 ? static_cast<int>(rows) : 0;
    floor.samplers = std::strstr(commandLine, "samplers") != nullptr;
    floor.loader = std::strstr(commandLine, "loader") != nullptr;
    floor.icons = std::strstr(commandLine, "icons") != nullptr;
    floor.tray = std::strstr(commandLine, "tray") != nullptr;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                              ICC_LISTVIEW_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorWndProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!::RegisterClassA(&wc)) return 1;
    // Where and how large bench.sh places Quillmark's window.
    HWND wnd = ::CreateWindowExA(0, kClassName, "Quillmark floor", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 100,
                                 640, 480, nullptr, MakeMenuBar(), instance, &floor);
    if (!wnd) return 1;
    if (!floor.tray) {
        ::ShowWindow(wnd, SW_SHOWNORMAL);
        ::UpdateWindow(wnd);
    }
    ::PostMessageA(wnd, kFillMessage, 0, 0);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}

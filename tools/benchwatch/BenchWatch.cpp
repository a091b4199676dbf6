// The eyes and hands of scripts/bench.sh on the programs it measures, from
// outside, as a user's tools would. Every wait has a bound.
//
// Start timing (the default): waits for a visible top-level window of a class
// (and optionally a title), then for its lists to be filled, and prints the
// milliseconds from the program's start to each.
//   qm_benchwatch --class CLS [--title T] [--list-id ID | --list-class CLS]
//                 [--min-rows K] [--last-list ID] [--select-row R]
//                 [--since EPOCH_MS] [--timeout MS]
// The list named by --list-id (or the first of --list-class) counts when it is
// visible (the page on show) and has K rows (default 1; 0 counts the first
// answer, for a program that fills its list before it reads messages); --last-list names the list the
// program fills last, which must have a row too (visible or not), so that
// "filled" means every list. --select-row then selects that row of the
// visible list and posts the list-clicked message to the window, as a click
// does. --since is the Unix time in milliseconds when the program was started
// (the host clock, which Wine's system time follows); without it, the time
// this helper started. Prints "window_ms=A list_ms=B rows=R [selected=S]"
// (-1 for what never came) and exits 0 when everything came, 1 otherwise.
//
// Refresh timing: posts the Refresh command to the running window and times
// until the list has K rows again (--min-rows, default 1) and the status bar
// says "Ready" (its message is cleared first, so the last "Ready" does not
// count).
//   qm_benchwatch --class CLS --refresh --list-id ID [--min-rows K] [--timeout MS]
// Prints "refresh_ms=A rows=R".
//
// Minimising: minimises the window as its caption button does and waits
// until it is.
//   qm_benchwatch --class CLS --minimize [--timeout MS]
//
// Showing or hiding every top-level window of a class (all processes), and
// waiting until each is so:
//   qm_benchwatch --class CLS --windows shown|hidden [--timeout MS]
// Prints "windows=N changed=C".
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "RemoteControls.h"
#include "core/Messages.h"
#include "resource.h"

namespace {

long long NowUnixMs() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return static_cast<long long>((t.QuadPart - 116444736000000000ULL) / 10000ULL);
}

struct Target {
    std::string cls;
    std::string title;
    bool visibleOnly = true;
    std::vector<HWND> found;
    bool all = false;  // every match, not only the first
};

BOOL CALLBACK FindTop(HWND wnd, LPARAM lp) {
    auto* t = reinterpret_cast<Target*>(lp);
    if (t->visibleOnly && !IsWindowVisible(wnd)) return TRUE;
    char buf[256];
    if (!GetClassNameA(wnd, buf, sizeof(buf)) || t->cls != buf) return TRUE;
    if (!t->title.empty()) {
        buf[0] = '\0';
        GetWindowTextA(wnd, buf, sizeof(buf));
        if (t->title != buf) return TRUE;
    }
    t->found.push_back(wnd);
    return t->all ? TRUE : FALSE;
}

HWND FindTopWindow(const std::string& cls, const std::string& title) {
    Target target;
    target.cls = cls;
    target.title = title;
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&target));
    return target.found.empty() ? nullptr : target.found.front();
}

// The row count of a list, or -1 when its thread does not answer in time.
int RowsOf(HWND list) {
    DWORD_PTR rows = 0;
    if (!SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 500, &rows)) return -1;
    return static_cast<int>(rows);
}

struct ListSearch {
    int id = -1;  // -1: any id
    std::string cls;
    bool visibleOnly = true;
    int minRows = 1;
    HWND found = nullptr;  // a match with rows
};

BOOL CALLBACK FindChild(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<ListSearch*>(lp);
    char buf[128];
    if (!GetClassNameA(wnd, buf, sizeof(buf))) return TRUE;
    if (s->cls != buf) return TRUE;
    if (s->id >= 0 && GetDlgCtrlID(wnd) != s->id) return TRUE;
    if (s->visibleOnly && !IsWindowVisible(wnd)) return TRUE;
    const int rows = RowsOf(wnd);
    if (rows < 0 || rows < s->minRows) return TRUE;
    s->found = wnd;
    return FALSE;
}

HWND FilledList(HWND top, ListSearch search) {
    search.found = nullptr;
    EnumChildWindows(top, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Options {
    std::string cls, title;
    ListSearch list;
    bool wantList = false;
    int lastListId = -1;
    int selectRow = -1;
    long long since = -1;
    long long timeout = 30000;
    bool refresh = false;
    bool minimize = false;
    std::string windows;  // "shown" or "hidden"
};

int StartTiming(const Options& o) {
    const long long since = o.since >= 0 ? o.since : NowUnixMs();
    const long long deadline = since + o.timeout;
    long long windowMs = -1, listMs = -1;
    HWND top = nullptr;
    while (NowUnixMs() < deadline) {
        top = FindTopWindow(o.cls, o.title);
        if (top) {
            windowMs = NowUnixMs() - since;
            break;
        }
        Sleep(10);
    }
    const bool wantList = o.wantList || o.lastListId >= 0;
    HWND list = nullptr;
    if (top && wantList) {
        ListSearch last;
        last.id = o.lastListId;
        last.cls = o.list.cls;
        last.visibleOnly = false;
        while (NowUnixMs() < deadline) {
            list = o.wantList ? FilledList(top, o.list) : nullptr;
            if ((list || !o.wantList) && (o.lastListId < 0 || FilledList(top, last))) {
                listMs = NowUnixMs() - since;
                break;
            }
            Sleep(10);
        }
    }
    std::printf("window_ms=%lld list_ms=%lld rows=%d", windowMs, listMs, list ? RowsOf(list) : -1);
    bool selected = true;
    if (o.selectRow >= 0) {
        selected = list && testutil::SelectListRow(list, o.selectRow) &&
                   testutil::SelectedListRow(list) == o.selectRow &&
                   PostMessageA(top, WM_FUNCTION_LIST_CLICKED, static_cast<WPARAM>(GetDlgCtrlID(list)), 0);
        std::printf(" selected=%d", selected ? o.selectRow : -1);
    }
    std::printf("\n");
    std::fflush(stdout);
    return (windowMs >= 0 && (!wantList || listMs >= 0) && selected) ? 0 : 1;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

int RefreshTiming(const Options& o) {
    HWND top = FindTopWindow(o.cls, o.title);
    HWND status = top ? testutil::FindDescendant(top, IDC_STATUS_BAR) : nullptr;
    HWND list = top ? testutil::FindDescendant(top, o.list.id) : nullptr;
    if (!status || !list) {
        std::printf("refresh_ms=-1 rows=-1\n");
        return 1;
    }
    // A status bar sets its first pane from WM_SETTEXT, which is carried
    // across processes with its text (SB_SETTEXT's pointer would not be).
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(status, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG, 2000, &ignored);
    const long long start = NowUnixMs();
    PostMessageA(top, WM_COMMAND, MAKEWPARAM(ID_VIEW_REFRESH, 0), 0);
    long long refreshMs = -1;
    int rows = -1;
    while (NowUnixMs() < start + o.timeout) {
        if (Trimmed(testutil::StatusPaneText(status, 0)) == "Ready" && (rows = RowsOf(list)) >= 0 &&
            rows >= o.list.minRows) {
            refreshMs = NowUnixMs() - start;
            break;
        }
        Sleep(10);
    }
    std::printf("refresh_ms=%lld rows=%d\n", refreshMs, rows);
    return refreshMs >= 0 ? 0 : 1;
}

int Minimize(const Options& o) {
    HWND top = FindTopWindow(o.cls, o.title);
    if (!top) {
        std::printf("minimized=0\n");
        return 1;
    }
    PostMessageA(top, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    const long long deadline = NowUnixMs() + o.timeout;
    while (!IsIconic(top) && NowUnixMs() < deadline) Sleep(10);
    const bool done = IsIconic(top) != FALSE;
    std::printf("minimized=%d\n", done ? 1 : 0);
    return done ? 0 : 1;
}

int SetWindows(const Options& o) {
    const bool show = o.windows == "shown";
    Target target;
    target.cls = o.cls;
    target.visibleOnly = false;
    target.all = true;
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&target));
    int changed = 0;
    // Asynchronous: one window that is slow to answer holds up none of the
    // others.
    for (HWND wnd : target.found)
        if ((IsWindowVisible(wnd) != FALSE) != show && ShowWindowAsync(wnd, show ? SW_SHOWNOACTIVATE : SW_HIDE))
            ++changed;
    const long long deadline = NowUnixMs() + o.timeout;
    size_t pending = target.found.size();
    while (NowUnixMs() < deadline) {
        pending = 0;
        for (HWND wnd : target.found)
            if (IsWindow(wnd) && (IsWindowVisible(wnd) != FALSE) != show) ++pending;
        if (pending == 0) break;
        Sleep(20);
    }
    std::printf("windows=%zu changed=%d\n", target.found.size(), changed);
    return pending == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    o.list.cls = WC_LISTVIEWA;
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        if (opt == "--refresh") { o.refresh = true; continue; }
        if (opt == "--minimize") { o.minimize = true; continue; }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value\n", opt.c_str());
            return 2;
        }
        const char* val = argv[++i];
        if (opt == "--class") o.cls = val;
        else if (opt == "--title") o.title = val;
        else if (opt == "--list-id") { o.list.id = std::atoi(val); o.wantList = true; }
        else if (opt == "--list-class") { o.list.cls = val; o.wantList = true; }
        else if (opt == "--min-rows") o.list.minRows = std::atoi(val);
        else if (opt == "--last-list") o.lastListId = std::atoi(val);
        else if (opt == "--select-row") o.selectRow = std::atoi(val);
        else if (opt == "--since") o.since = std::atoll(val);
        else if (opt == "--timeout") o.timeout = std::atoll(val);
        else if (opt == "--windows") o.windows = val;
        else {
            std::fprintf(stderr, "unknown option %s\n", opt.c_str());
            return 2;
        }
    }
    if (o.cls.empty()) {
        std::fprintf(stderr, "--class is needed\n");
        return 2;
    }
    if (!o.windows.empty()) {
        if (o.windows != "shown" && o.windows != "hidden") {
            std::fprintf(stderr, "--windows takes shown or hidden\n");
            return 2;
        }
        return SetWindows(o);
    }
    if (o.minimize) return Minimize(o);
    if (o.refresh) {
        if (o.list.id < 0) {
            std::fprintf(stderr, "--refresh needs --list-id\n");
            return 2;
        }
        return RefreshTiming(o);
    }
    return StartTiming(o);
}

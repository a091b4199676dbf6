// Waits, with a bound, for a visible top-level window of a class (and
// optionally a title) and then for a visible list view inside it to have rows;
// prints the milliseconds from a start time to each. scripts/bench.sh starts a
// task manager, notes the time, and runs this to measure "start to window" and
// "start to filled list".
//   qm_benchwatch --class CLS [--title T] [--list-id ID] [--list-class CLS]
//                 [--since EPOCH_MS] [--timeout MS]
// --since is the Unix time in milliseconds when the program was started (the
// host clock, which Wine's system time follows); without it, the time this
// helper started. A list counts when it is visible (the page on show) and has
// at least one row. Prints "window_ms=A list_ms=B" (-1 for what never
// came) and exits 0 when everything came, 1 otherwise.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
    HWND found = nullptr;
};

BOOL CALLBACK FindTop(HWND wnd, LPARAM lp) {
    auto* t = reinterpret_cast<Target*>(lp);
    if (!IsWindowVisible(wnd)) return TRUE;
    char buf[256];
    if (!GetClassNameA(wnd, buf, sizeof(buf)) || t->cls != buf) return TRUE;
    if (!t->title.empty()) {
        buf[0] = '\0';
        GetWindowTextA(wnd, buf, sizeof(buf));
        if (t->title != buf) return TRUE;
    }
    t->found = wnd;
    return FALSE;
}

struct ListSearch {
    int id = -1;  // -1: any id
    std::string cls;
    HWND found = nullptr;  // a visible match with rows
};

BOOL CALLBACK FindChild(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<ListSearch*>(lp);
    char buf[128];
    if (!GetClassNameA(wnd, buf, sizeof(buf))) return TRUE;
    if (s->cls != buf) return TRUE;
    if (s->id >= 0 && GetDlgCtrlID(wnd) != s->id) return TRUE;
    if (!IsWindowVisible(wnd)) return TRUE;
    LRESULT rows = 0;
    if (!SendMessageTimeoutA(wnd, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 500, reinterpret_cast<PDWORD_PTR>(&rows)))
        return TRUE;
    if (rows <= 0) return TRUE;
    s->found = wnd;
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    Target target;
    ListSearch list;
    list.cls = WC_LISTVIEWA;
    bool wantList = false;
    long long since = NowUnixMs();
    long long timeout = 30000;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string opt = argv[i];
        const char* val = argv[i + 1];
        if (opt == "--class") target.cls = val;
        else if (opt == "--title") target.title = val;
        else if (opt == "--list-id") { list.id = std::atoi(val); wantList = true; }
        else if (opt == "--list-class") { list.cls = val; wantList = true; }
        else if (opt == "--since") since = std::atoll(val);
        else if (opt == "--timeout") timeout = std::atoll(val);
        else {
            std::fprintf(stderr, "unknown option %s\n", opt.c_str());
            return 2;
        }
    }
    if (target.cls.empty()) {
        std::fprintf(stderr, "--class is needed\n");
        return 2;
    }
    const long long deadline = since + timeout;
    long long windowMs = -1, listMs = -1;
    while (NowUnixMs() < deadline) {
        EnumWindows(FindTop, reinterpret_cast<LPARAM>(&target));
        if (target.found) {
            windowMs = NowUnixMs() - since;
            break;
        }
        Sleep(10);
    }
    if (target.found && wantList) {
        while (NowUnixMs() < deadline) {
            list.found = nullptr;
            EnumChildWindows(target.found, FindChild, reinterpret_cast<LPARAM>(&list));
            if (list.found) {
                listMs = NowUnixMs() - since;
                break;
            }
            Sleep(10);
        }
    }
    std::printf("window_ms=%lld list_ms=%lld\n", windowMs, listMs);
    std::fflush(stdout);
    return (windowMs >= 0 && (!wantList || listMs >= 0)) ? 0 : 1;
}

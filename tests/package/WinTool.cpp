// A console helper for the shell-level package tests, run under Wine in the
// prefix under test: it looks for top-level windows by class and title and
// posts messages to them, so a script can see and drive a program from outside.
//
//   qm_wintool wait CLASS TITLE BOUND_MS      waits for the window; prints its pid
//   qm_wintool gone CLASS TITLE BOUND_MS      waits until no such window is left
//   qm_wintool exists CLASS TITLE [TEXT]      exit code 0 when there is one (with a
//                                             child control whose text holds TEXT)
//   qm_wintool command CLASS TITLE ID         posts WM_COMMAND ID to it
//   qm_wintool close CLASS TITLE              posts WM_CLOSE to it
//   qm_wintool writable FOLDER SID            exit code 0 when the folder's access
//                                             list lets SID write, create and
//                                             delete, inherited by what is in it
//
// TITLE "*" matches any title. Exit code 0 on success, 1 when the window was
// not found (in time), 2 on a usage error.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Search {
    const char* className;
    const char* title;
    const char* childText;  // or null
    HWND found;
};

BOOL CALLBACK VisitChild(HWND child, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    char text[1024] = {};
    ::GetWindowTextA(child, text, sizeof(text));
    if (std::strstr(text, s->childText)) {
        s->found = child;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK Visit(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    char cls[256] = {};
    ::GetClassNameA(wnd, cls, sizeof(cls));
    if (std::strcmp(cls, s->className) != 0) return TRUE;
    if (std::strcmp(s->title, "*") != 0) {
        char text[512] = {};
        ::GetWindowTextA(wnd, text, sizeof(text));
        if (std::strcmp(text, s->title) != 0) return TRUE;
    }
    if (s->childText) {
        Search inner{nullptr, nullptr, s->childText, nullptr};
        ::EnumChildWindows(wnd, VisitChild, reinterpret_cast<LPARAM>(&inner));
        if (!inner.found) return TRUE;
    }
    s->found = wnd;
    return FALSE;
}

HWND Find(const char* className, const char* title, const char* childText = nullptr) {
    Search s{className, title, childText, nullptr};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Polls until the window's presence equals `present`, within the bound; the
// window found (when waiting for one) goes to `found`.
bool WaitFor(const char* className, const char* title, bool present, DWORD boundMs, HWND* found) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        HWND w = Find(className, title);
        if ((w != nullptr) == present) {
            *found = w;
            return true;
        }
        if (::GetTickCount() - start >= boundMs) return false;
        ::Sleep(50);
    }
}

// Whether the folder's access list holds an allowing entry for the SID with
// the rights to write, create and delete, inherited by files and folders.
bool WritableBy(const char* folder, const char* sidText) {
    PSID sid = nullptr;
    if (!::ConvertStringSidToSidA(sidText, &sid)) return false;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    bool found = false;
    if (::GetNamedSecurityInfoA(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                nullptr, &sd) == ERROR_SUCCESS &&
        dacl) {
        const DWORD wanted = FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE;
        for (DWORD i = 0; i < dacl->AceCount && !found; ++i) {
            void* ace = nullptr;
            if (!::GetAce(dacl, i, &ace)) continue;
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
            const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
            found = ::EqualSid(&allowed->SidStart, sid) && (allowed->Mask & wanted) == wanted &&
                    (allowed->Header.AceFlags & inherit) == inherit;
        }
    }
    if (sd) ::LocalFree(sd);
    ::LocalFree(sid);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "writable") return WritableBy(argv[2], argv[3]) ? 0 : 1;
    if (argc < 4) {
        std::fprintf(stderr, "usage: qm_wintool wait|gone|exists|command|close CLASS TITLE [ARG]\n");
        return 2;
    }
    const std::string verb = argv[1];
    const char* cls = argv[2];
    const char* title = argv[3];
    const char* arg = argc > 4 ? argv[4] : nullptr;

    if (verb == "wait" || verb == "gone") {
        if (!arg) return 2;
        const DWORD bound = static_cast<DWORD>(std::strtoul(arg, nullptr, 10));
        HWND w = nullptr;
        if (!WaitFor(cls, title, verb == "wait", bound, &w)) return 1;
        if (verb == "wait") {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            std::printf("%lu\n", static_cast<unsigned long>(pid));
        }
        return 0;
    }
    if (verb == "exists") return Find(cls, title, arg) ? 0 : 1;
    HWND w = Find(cls, title);
    if (!w) return 1;
    if (verb == "command" && arg) {
        return ::PostMessageA(w, WM_COMMAND, static_cast<WPARAM>(std::strtoul(arg, nullptr, 10)), 0) ? 0 : 1;
    }
    if (verb == "close") return ::PostMessageA(w, WM_CLOSE, 0, 0) ? 0 : 1;
    return 2;
}

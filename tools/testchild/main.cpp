// A child process for the tests: it sleeps until it is ended. It accepts any
// command line; "threads=N" starts N more sleeping threads, so tests can check
// a known thread count.
#include <windows.h>

#include <cstdlib>
#include <cstring>

static DWORD WINAPI SleepForever(LPVOID) {
    for (;;) ::Sleep(INFINITE);
}

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "threads=", 8) == 0) {
            int n = std::atoi(argv[i] + 8);
            for (int t = 0; t < n && t < 64; ++t) {
                HANDLE h = ::CreateThread(nullptr, 0, SleepForever, nullptr, 0, nullptr);
                if (h) ::CloseHandle(h);
            }
        }
    }
    for (;;) ::Sleep(INFINITE);
}

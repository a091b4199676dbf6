// A command-line reader for the tests: reads the command line of every
// process on the system, then of the processes named on its own command
// line, and writes one line per named process to a file:
//   cmdreader <out-file> <pid> [<pid> ...]
// Each line is "ok <text>" or "no". Built 32-bit on the 64-bit build, so a
// test can run a 32-bit reader against 64-bit targets.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sysinfo/ProcessHelpers.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    LoadSystemEntryPoints();
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 pe{};
        pe.dwSize = sizeof(pe);
        if (::Process32First(snapshot, &pe)) {
            do {
                std::string line;
                ReadProcessCommandLine(pe.th32ProcessID, line);
                pe.dwSize = sizeof(pe);
            } while (::Process32Next(snapshot, &pe));
        }
        ::CloseHandle(snapshot);
    }
    std::string out;
    for (int i = 2; i < argc; ++i) {
        std::string line;
        if (ReadProcessCommandLine(static_cast<DWORD>(std::strtoul(argv[i], nullptr, 10)), line))
            out += "ok " + line + "\n";
        else
            out += "no\n";
    }
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) return 3;
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    return 0;
}

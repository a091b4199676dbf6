// Starts a program, builds the Tasks page about it as the detail pane would
// (with a user's database entry, so every row has a value) and writes
// "output.htm", "file_icon.bmp", "dkblue.gif" and "title_bg.gif" into a
// folder. The program is ended again afterwards.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/Handles.h"
#include "progdb/ProgramDatabase.h"
#include "reports/DetailView.h"
#include "reports/HtmlSupportFiles.h"
#include "sysinfo/FileVersion.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: qm_detail_sample <folder> <program>\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    ::CreateDirectoryA(folder.c_str(), nullptr);

    std::string commandLine = "\"" + std::string(argv[2]) + "\" --sample threads=2";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start %s\n", argv[2]);
        return 3;
    }
    UniqueHandle process(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    ::WaitForInputIdle(process.get(), 5000);

    // Wait, bounded, until the loader has mapped the system libraries.
    ProcessImageList processes;
    for (int i = 0; i < 100; ++i) {
        std::vector<std::string> modules;
        if (ListModules(pi.dwProcessId, modules) && modules.size() >= 3) break;
        ::Sleep(20);
    }
    LoadProcessImageList(processes);

    ProgramDatabase publisher;
    LocalProgramDatabase local;
    local.SetReadOnly(false);
    ProgramEntry entry;
    entry.fileName = argv[2];
    entry.fileName = entry.fileName.substr(entry.fileName.find_last_of("\\/") + 1);
    entry.company = "Quillmark Test Makers";
    entry.description = "A small program the test suite starts and ends again. It sleeps until it is ended and "
                        "takes no input.";
    entry.rating = "2";
    entry.url = "www.example.com/testchild";
    local.AddOrReplace(entry);

    DetailViewHooks hooks;
    hooks.log = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
    hooks.navigate = [](const std::string& url) {
        std::printf("page: %s\n", url.c_str());
        return true;
    };
    DetailView view(hooks, folder);
    DetailRequest request;
    request.subject = DetailSubject::Task;
    request.pid = pi.dwProcessId;
    request.processes = &processes;
    request.publisher = &publisher;
    request.local = &local;
    view.Build(request);
    const bool images = WriteSupportFiles(folder);

    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), 5000);
    return images ? 0 : 4;
}

// Starts a program, builds the Tasks page about it as the detail pane would
// (with a user's database entry, so every row has a value) and writes
// "output.htm", "file_icon.bmp", "dkblue.gif" and "title_bg.gif" into a
// folder. The program is ended again afterwards. With "--service NAME" the
// page is the Services page of an installed service instead; with
// "--native MS" the page is also shown in a window with the detail pane for
// that long (without an HTML engine: natively), for a screenshot.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Handles.h"
#include "framework/MessageLoop.h"
#include "progdb/ProgramDatabase.h"
#include "reports/DetailView.h"
#include "reports/HtmlSupportFiles.h"
#include "sysinfo/FileVersion.h"
#include "sysinfo/ServiceInfo.h"
#include "ui/DetailPane.h"

namespace {

// Shows the page in a window of its own, as the main window's lower pane
// would, until the time is up.
void ShowInPane(const DetailView& view, int ms) {
    ::OleInitialize(nullptr);
    HWND frame = ::CreateWindowExA(0, "STATIC", "Quillmark detail pane", WS_OVERLAPPEDWINDOW | WS_VISIBLE |
                                   WS_CLIPCHILDREN, 0, 0, 760, 510, nullptr, nullptr, nullptr, nullptr);
    RECT rc{};
    ::GetClientRect(frame, &rc);
    CDetailPane pane;
    pane.Create(frame, rc, 1014, [](const std::string& line) { std::printf("%s\n", line.c_str()); });
    pane.SetLinkOpener([](const std::string& url) { std::printf("link: %s\n", url.c_str()); });
    pane.Show(FileUrl(view.HtmlFolder() + kOutputPageFile), view.LastModel(), view.LastIcon());
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
    while (static_cast<int>(end - ::GetTickCount()) > 0 && MessageLoop::PumpPending())
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    ::DestroyWindow(frame);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: qm_detail_sample <folder> (<program> | --service NAME) [--native MS]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    ::CreateDirectoryA(folder.c_str(), nullptr);
    int nativeMs = 0;
    const char* serviceName = nullptr;
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--native") == 0) nativeMs = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--service") == 0) serviceName = argv[i + 1];
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);

    if (serviceName) {
        ServiceList services(0);
        services.Load(0);
        const ServiceInfo* service = nullptr;
        for (const ServiceInfo& s : services.Records())
            if (lstrcmpiA(s.serviceName.c_str(), serviceName) == 0) service = &s;
        if (!service) {
            std::fprintf(stderr, "no service %s\n", serviceName);
            return 3;
        }
        DetailViewHooks hooks;
        hooks.log = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
        hooks.navigate = [](const std::string&) { return true; };
        DetailView view(hooks, folder);
        ProgramDatabase publisher;
        LocalProgramDatabase local;
        DetailRequest request;
        request.subject = DetailSubject::Service;
        request.service = service;
        request.publisher = &publisher;
        request.local = &local;
        view.Build(request);
        const bool images = WriteSupportFiles(folder);
        if (nativeMs > 0) ShowInPane(view, nativeMs);
        return images ? 0 : 4;
    }

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
    if (nativeMs > 0) ShowInPane(view, nativeMs);

    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), 5000);
    return images ? 0 : 4;
}

#include "app/CommandLine.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "actions/ProtectionList.h"
#include "app/pages/ListPages.h"
#include "base/Handles.h"
#include "core/ActivityLog.h"
#include "core/AppPaths.h"
#include "platform/Files.h"
#include "platform/OnDemand.h"
#include "platform/Processes.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/ProgramDatabaseFiles.h"
#include "reports/ListExport.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsSwitch(const std::string& arg) { return arg.size() > 1 && (arg[0] == '/' || arg[0] == '-'); }

bool ListNamed(const std::string& name, FunctionTab& tab) {
    static const struct {
        const char* name;
        FunctionTab tab;
    } kLists[] = {{"applications", FunctionTab::Applications},
                  {"tasks", FunctionTab::Tasks},
                  {"services", FunctionTab::Services},
                  {"drivers", FunctionTab::Drivers}};
    const std::string lower = LowerAscii(name);
    for (const auto& list : kLists) {
        if (lower == list.name) {
            tab = list.tab;
            return true;
        }
    }
    return false;
}

bool FormatNamed(const std::string& name, int& kind) {
    const std::string lower = LowerAscii(name);
    if (lower == "csv") kind = kExportCsv;
    else if (lower == "tab") kind = kExportTabSeparated;
    else if (lower == "html") kind = kExportHtml;
    else if (lower == "xml") kind = kExportXml;
    else return false;
    return true;
}

// Where the usage and the errors go: the standard handles the caller gave
// (a redirection; under Wine also the Unix terminal or file of a program
// started from Linux), else the console of the calling program, attached to
// for the purpose. A program started without either has nowhere to write:
// the text is dropped and nothing waits for a reader.
class ConsoleText {
public:
    void Out(const std::string& text) { Write(STD_OUTPUT_HANDLE, text); }
    void Err(const std::string& text) { Write(STD_ERROR_HANDLE, text); }

private:
    static bool Usable(HANDLE handle) {
        return handle && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
    }
    HANDLE Handle(DWORD which) {
        HANDLE given = ::GetStdHandle(which);
        if (Usable(given)) return given;
        if (!attachTried_) {
            attachTried_ = true;
            // Not in every system this program runs on: looked up.
            auto attach = ondemand::Function<BOOL(WINAPI*)(DWORD)>("kernel32.dll", "AttachConsole");
            if (attach && attach(ATTACH_PARENT_PROCESS))
                console_.reset(::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        }
        return console_.get();
    }
    void Write(DWORD which, const std::string& text) {
        HANDLE handle = Handle(which);
        if (!handle || handle == INVALID_HANDLE_VALUE || text.empty()) return;
        DWORD written = 0;
        if (!::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
            ::WriteConsoleA(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }

    bool attachTried_ = false;
    UniqueHandle console_;
};

// The process state the lists need, for the time of the export: the common
// controls, COM for the database reader, the optional system entry points.
class ExportProcessState {
public:
    ExportProcessState() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&icc);
        com_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        LoadSystemEntryPoints();
    }
    ~ExportProcessState() {
        FreeSystemEntryPoints();
        if (com_) ::CoUninitialize();
    }
    ExportProcessState(const ExportProcessState&) = delete;
    ExportProcessState& operator=(const ExportProcessState&) = delete;

private:
    bool com_ = false;
};

// How long the view update's CPU figures are measured over: the window shows
// figures of its update interval; a list written without one would read 0.0 %
// for every process.
constexpr DWORD kCpuMeasureMs = 500;

std::unique_ptr<ListPage> PageFor(FunctionTab list, PageSources& sources) {
    switch (list) {
    case FunctionTab::Applications: return std::make_unique<ApplicationsPage>(sources);
    case FunctionTab::Tasks: return std::make_unique<TasksPage>(sources);
    case FunctionTab::Services: return std::make_unique<ServicesPage>(sources, ServiceListKind::Services);
    default: return std::make_unique<ServicesPage>(sources, ServiceListKind::Drivers);
    }
}

// The list filled as a full refresh fills it, with the first view update's
// values, and written by the export writer. The databases are loaded on this
// thread and nothing is written but the file.
int ExportList(const CommandLineRequest& request, ConsoleText& console) {
    ExportProcessState state;
    SystemSnapshot snapshot;
    ProcessSampler sampler;
    ProtectionList protection;
    ProgramDatabase publisher;
    LocalProgramDatabase local;
    const ActivityLog noLog;  // never opened: the running program's log stays as it is
    PageSources sources{snapshot, sampler, protection, publisher, local, noLog};

    protection.Load();
    const std::string publisherPath = PublisherDatabasePath(CommonDataFolder());
    if (FileExists(publisherPath)) publisher.Load(publisherPath);
    const std::string localPath = LocalDatabasePath(ProgramFolder());
    if (FileExists(localPath)) local.Load(localPath);

    // The snapshot's steps come in tab order: windows, processes, services,
    // drivers.
    snapshot.LoadNow();
    const int failed = snapshot.FailedStep();
    if (failed >= 0 && failed <= TabIndex(request.list)) {
        console.Err("Quillmark: the list could not be loaded.\r\n");
        return kExitNotWritten;
    }

    // A window that is never shown holds the list.
    HWND host = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    std::unique_ptr<ListPage> page = PageFor(request.list, sources);
    if (!host || !page->Create(host)) {
        if (host) ::DestroyWindow(host);
        console.Err("Quillmark: the list could not be loaded.\r\n");
        return kExitNotWritten;
    }
    page->Fill();
    ViewTick tick;
    if (page->UsesProcessSample()) {
        sampler.Sample();
        ::Sleep(kCpuMeasureMs);
        tick.sampled = sampler.Sample() == SampleResult::Ok;
    }
    page->UpdateView(tick);
    const bool written =
        Export(ListViewTable(page->List().GetHwnd()), request.path, request.kind, kExportPageTitle);
    page.reset();
    ::DestroyWindow(host);
    if (!written) {
        console.Err("Quillmark: the file could not be written: " + request.path + "\r\n");
        return kExitNotWritten;
    }
    return kExitWritten;
}

}  // namespace

int CommandLineExportKind(const std::string& path) {
    const std::string extension = LowerAscii(FileExtension(path));
    if (extension == "csv") return kExportCsv;
    if (extension == "htm" || extension == "html") return kExportHtml;
    if (extension == "xml") return kExportXml;
    return kExportTabSeparated;
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLineRequest& request, std::string& error) {
    CommandLineRequest r;
    bool haveExport = false;
    bool haveFormat = false;
    int formatKind = kExportTabSeparated;
    if (args.empty()) {
        error = "Nothing to do.";
        return false;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsSwitch(arg)) {
            error = "Unexpected argument: " + arg;
            return false;
        }
        const std::string name = LowerAscii(arg.substr(1));
        if (name == "?") {
            if (args.size() != 1) {
                error = "/? stands alone.";
                return false;
            }
            r.usage = true;
        } else if (name == "export") {
            if (haveExport) {
                error = "/export is given twice.";
                return false;
            }
            if (i + 2 >= args.size()) {
                error = "/export needs a list and a file.";
                return false;
            }
            if (!ListNamed(args[i + 1], r.list)) {
                error = "Unknown list: " + args[i + 1];
                return false;
            }
            r.path = args[i + 2];
            if (r.path.empty()) {
                error = "/export needs a file.";
                return false;
            }
            haveExport = true;
            i += 2;
        } else if (name == "format") {
            if (haveFormat || i + 1 >= args.size() || !FormatNamed(args[i + 1], formatKind)) {
                error = "/format needs one of csv, tab, html or xml.";
                return false;
            }
            haveFormat = true;
            ++i;
        } else {
            error = "Unknown switch: " + arg;
            return false;
        }
    }
    if (!r.usage) {
        if (!haveExport) {
            error = "/export is missing.";
            return false;
        }
        r.kind = haveFormat ? formatKind : CommandLineExportKind(r.path);
    }
    request = r;
    return true;
}

bool WantsCommandLine(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) continue;
        const std::string name = arg.substr(1);
        if (name == "?" || ::lstrcmpiA(name.c_str(), "export") == 0 || ::lstrcmpiA(name.c_str(), "format") == 0)
            return true;
    }
    return false;
}

std::string CommandLineUsage() {
    return "Usage: Quillmark.exe /export LIST FILE [/format FORMAT]\r\n"
           "       Quillmark.exe /?\r\n"
           "\r\n"
           "Writes one list to a file, as Export Data writes it, without a window.\r\n"
           "  LIST    applications, tasks, services or drivers\r\n"
           "  FILE    the file to write; its extension selects the format: .csv CSV,\r\n"
           "          .htm or .html HTML, .xml XML, any other tab-separated text\r\n"
           "  FORMAT  csv, tab, html or xml, whatever the extension\r\n"
           "\r\n"
           "Exit codes: 0 written; 1 wrong arguments; 2 the list could not be loaded\r\n"
           "or the file not written (a file already there is left as it was).\r\n";
}

std::vector<std::string> ProcessArguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) {
        const int bytes = ::WideCharToMultiByte(CP_ACP, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(bytes > 0 ? static_cast<size_t>(bytes) : 1, '\0');
        if (bytes > 0) ::WideCharToMultiByte(CP_ACP, 0, argv[i], -1, &arg[0], bytes, nullptr, nullptr);
        arg.resize(arg.size() - 1);
        args.push_back(arg);
    }
    ::LocalFree(argv);
    return args;
}

int RunCommandLine(const std::vector<std::string>& args) {
    ConsoleText console;
    CommandLineRequest request;
    std::string error;
    if (!ParseCommandLine(args, request, error)) {
        console.Err("Quillmark: " + error + "\r\n\r\n" + CommandLineUsage());
        return kExitUsage;
    }
    if (request.usage) {
        console.Out(CommandLineUsage());
        return kExitWritten;
    }
    return ExportList(request, console);
}

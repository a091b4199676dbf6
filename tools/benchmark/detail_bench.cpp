// The detail pane: the page of a process with 100 modules, from the gathered
// values to the model, the HTML page and the native view; the module list of
// this process read live; and the resident memory a pane costs, shown
// natively, and after the browser was tried and released.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "Benchmark.h"
#include "reports/DetailPage.h"
#include "ui/DetailPane.h"
#include "ui/NativeDetailView.h"

namespace {

constexpr int kModules = 100;

DetailValues SampleValues() {
    DetailValues v;
    v.title = "Benchmark Program";
    v.company = "Ornava Utilities";
    v.version = "2.09";
    v.rating = "Normal. A typical healthy computer would be running this task.";
    v.description = "A program with a hundred modules, to time the page of a large process.";
    v.path = "C:\\Program Files\\Ornava Utilities\\Quillmark\\bench.exe";
    v.fileName = "bench.exe";
    v.commandLine = "\"C:\\Program Files\\Ornava Utilities\\Quillmark\\bench.exe\" --modules 100";
    v.webSite = "http://www.ornava.example/bench";
    return v;
}

std::vector<ModuleEntry> SampleModules() {
    std::vector<ModuleEntry> modules;
    for (int i = 0; i < kModules; ++i)
        modules.push_back(ModuleEntry{"module" + std::to_string(i) + ".dll", "10.0." + std::to_string(i) + ".1",
                                      "12/07/2026 07:08 PM", std::to_string(16 + i * 37) + " KB"});
    return modules;
}

double ResidentMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// Lets the pane's posted messages and timers run for a while.
void Pump(DWORD ms) {
    const DWORD end = ::GetTickCount() + ms;
    MSG msg;
    while (static_cast<int>(end - ::GetTickCount()) > 0) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

HWND MakeFrame() {
    return ::CreateWindowExA(0, "STATIC", "detail bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                             760, 510, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

QM_BENCHMARK("detail: the page of a process with 100 modules") {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    const DetailValues values = SampleValues();
    const std::vector<ModuleEntry> modules = SampleModules();
    DetailModel model;
    bench::Report("detail: model from the gathered values", bench::BestMs([&] {
        model = MakeDetailModel(DetailSubject::Task, 8, values, modules);
    }, 5), "ms");
    bench::Report("detail: HTML page from the model", bench::BestMs([&] { DetailPageHtml(model); }, 5), "ms");

    HWND frame = MakeFrame();
    RECT rc{0, 0, 740, 470};
    {
        // Each page is painted before the clock stops, as the user sees it.
        CNativeDetailView view;
        auto paint = [&] { ::RedrawWindow(frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); };
        bench::Report("detail: native view created, with its controls (blank page)", bench::BestMs([&] {
            view.Create(frame, rc, 1);
            paint();
        }, 1), "ms");
        bench::Report("detail: native view, first page of 100 modules", bench::BestMs([&] {
            view.Show(model, nullptr);
            paint();
        }, 1), "ms");
        bench::Report("detail: native view, next page of 100 modules", bench::BestMs([&] {
            view.Show(model, nullptr);
            paint();
        }, 5), "ms");
        bench::Report("detail: model and native view together", bench::BestMs([&] {
            view.Show(MakeDetailModel(DetailSubject::Task, 8, values, modules), nullptr);
            paint();
        }, 5), "ms");
    }
    ::DestroyWindow(frame);

    // Read live: the module rows of this process (each file's version data).
    std::vector<ModuleEntry> own;
    const double ownMs = bench::BestMs([&] { own = ListModuleEntries(::GetCurrentProcessId()); }, 3);
    bench::Report("detail: module rows of this process, read live", ownMs, "ms");
    bench::Report("detail: modules of this process", static_cast<double>(own.size()), "");
}

QM_BENCHMARK("detail: resident memory of the pane") {
    ::OleInitialize(nullptr);
    const DetailModel model = MakeDetailModel(DetailSubject::Task, 8, SampleValues(), SampleModules());
    const double before = ResidentMb();
    bench::Report("detail: resident before any pane", before, "MB");
    HWND frame = MakeFrame();
    {
        CDetailPane native(nullptr);  // never tries a browser
        native.Create(frame, RECT{0, 0, 740, 470}, 1);
        native.Show(std::string(), model, nullptr);
        Pump(200);
        bench::Report("detail: + a pane shown natively", ResidentMb() - before, "MB");
    }
    const double nativeDone = ResidentMb();
    {
        // The system's browser, tried on the first page and released when
        // it cannot render (as under Wine without its HTML engine).
        CDetailPane tried;
        tried.Create(frame, RECT{0, 0, 740, 470}, 2);
        tried.Show("file://C:\\nowhere\\output.htm", model, nullptr);
        const double withBrowser = ResidentMb();
        const DWORD start = ::GetTickCount();
        while (!tried.BrowserReleased() && ::GetTickCount() - start < 10000) Pump(20);
        bench::Report("detail: + the browser, while it is tried", withBrowser - nativeDone, "MB");
        bench::Report("detail: + the browser, after it was released", ResidentMb() - nativeDone, "MB");
    }
    ::DestroyWindow(frame);
    ::OleUninitialize();
}

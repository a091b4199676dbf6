#include "reports/DetailView.h"

#include <utility>

#include "core/AppPaths.h"
#include "base/Handles.h"
#include "base/Resources.h"
#include "platform/Files.h"
#include "reports/HtmlSupportFiles.h"
#include "resource.h"
#include "sysinfo/AppWindows.h"
#include "sysinfo/ProcessHelpers.h"

namespace {

// The details of path from the two databases; an absent database counts as
// an empty one.
ProgramDetails DetailsOf(const std::string& path, const DetailRequest& request) {
    ProgramDetails details;
    ProgramDatabase emptyPublisher, emptyLocal;
    GetProgramDetails(path, details, request.publisher ? *request.publisher : emptyPublisher,
                      request.local ? *request.local : emptyLocal);
    return details;
}

}  // namespace

const ProcessImageInfo* FindProcessImage(const ProcessImageList* processes, DWORD pid) {
    if (!processes) return nullptr;
    for (const ProcessImageInfo& p : processes->items)
        if (p.pid == pid) return &p;
    return nullptr;
}

std::string FileUrl(const std::string& path) {
    return "file://" + path;
}

DetailView::DetailView(DetailViewHooks hooks, std::string htmlFolder)
    : hooks_(std::move(hooks)), htmlFolder_(htmlFolder.empty() ? HtmlWorkFolder() : WithTrailingBackslash(htmlFolder)) {}

std::string DetailView::PageUrl() const {
    return FileUrl(htmlFolder_ + kOutputPageFile);
}

void DetailView::Log(const std::string& line) const {
    if (hooks_.log) hooks_.log(line);
}

void DetailView::Status(const std::string& text) const {
    if (hooks_.status) hooks_.status(text);
}

bool DetailView::PaneShown() const {
    if (!hooks_.show && !hooks_.navigate) return false;
    return !hooks_.paneShown || hooks_.paneShown();
}

DetailModel DetailView::ProcessModel(DetailSubject subject, DWORD pid, const std::string& imagePath,
                                     const DetailRequest& request) {
    const ProcessImageInfo* process = FindProcessImage(request.processes, pid);
    const ProgramDetails details = DetailsOf(imagePath, request);
    const std::string commandLine = process ? process->commandLine : std::string();
    return MakeDetailModel(subject, pid, ProcessDetailValues(details, commandLine, imagePath, std::string()),
                           ListModuleEntries(pid, hooks_.log));
}

DetailModel DetailView::ServiceModel(DetailSubject subject, const ServiceInfo& service, const DetailRequest& request) {
    const ProgramDetails details = DetailsOf(service.IconPath(), request);
    return MakeDetailModel(subject, 0, ServiceDetailValues(details, service));
}

UINT DetailView::Build(const DetailRequest& request) {
    WaitCursor wait;
    Log("Building HTML view data.");
    std::string path;
    DetailModel model;
    // What the status bar says while the page's data are read.
    bool toldLoading = false;
    auto tellLoading = [&](const char* text) {
        Status(text);
        toldLoading = true;
    };
    switch (request.subject) {
    case DetailSubject::Application: {
        tellLoading("Loading application data...");
        Log("Building application data HTML...");
        if (!request.window || !::IsWindow(request.window)) break;
        DWORD pid = 0;
        ::GetWindowThreadProcessId(request.window, &pid);
        GetProcessImagePath(pid, path);
        model = ProcessModel(request.subject, pid, path, request);
        break;
    }
    case DetailSubject::Task: {
        tellLoading("Loading task data...");
        Log("Building task data HTML...");
        if (DetailTemplateId(request.subject, request.pid) == IDR_HTML_DETAIL_SYSTEM) {
            model = MakeDetailModel(request.subject, request.pid, DetailValues());
            break;
        }
        // The row's process, by its identity: a process that reuses the id
        // is another program.
        const ProcessImageInfo* process = FindProcessImage(request.processes, request.pid);
        if (process && request.createTime != 0 && process->createTime != 0 && process->createTime != request.createTime)
            process = nullptr;
        if (process) path = process->imagePath;
        if (path.empty()) {
            if (request.createTime != 0)
                GetProcessImagePathIfSame(request.pid, request.createTime, path);
            else
                GetProcessImagePath(request.pid, path);
        }
        model = ProcessModel(request.subject, request.pid, path, request);
        break;
    }
    case DetailSubject::Service:
    case DetailSubject::Driver: {
        if (!request.service) break;
        const bool service = request.subject == DetailSubject::Service;
        tellLoading(service ? "Loading service data..." : "Loading driver data...");
        Log(service ? "Building service data HTML..." : "Building driver data HTML...");
        path = request.service->IconPath();
        model = ServiceModel(request.subject, *request.service, request);
        break;
    }
    case DetailSubject::None:
        break;
    }
    // The data are read: a "Loading ..." left in the status bar would say
    // the program is still at it.
    if (toldLoading) Status(std::string());
    std::string page = model.templateId ? DetailPageHtml(model) : std::string();
    if (page.empty()) {
        model = BlankDetailModel();
        page = DetailPageHtml(model);
        path.clear();
        Log("No list item is selected - blank HTML page loaded.");
    }
    model.sameRow = request.sameRow && model.IsInformation();
    lastIcon_.reset();
    if (model.IsInformation()) lastIcon_ = WriteIcon(path, request.subject);
    lastPage_ = page.empty() ? page : WithInternetZoneMark(page);
    lastPath_ = path;
    lastModel_ = std::move(model);
    if (!lastPage_.empty() && PaneShown()) ShowPage(lastPage_);
    return lastModel_.templateId;
}

IconHandle DetailView::WriteIcon(const std::string& path, DetailSubject subject) const {
    IconHandle icon(path.empty() ? nullptr : ProgramIcon(path, true));
    // A program without an icon (or a process whose file is gone) gets the
    // list's default picture, never the icon of the item shown before.
    if (!icon) {
        const UINT fallback = subject == DetailSubject::Application ? IDI_DEFAULT_APPLICATION
                              : subject == DetailSubject::Service   ? IDI_DEFAULT_SERVICE
                              : subject == DetailSubject::Driver    ? IDI_DEFAULT_DRIVER
                                                                    : IDI_DEFAULT_TASK;
        icon.reset(static_cast<HICON>(
            ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(fallback), IMAGE_ICON, 32, 32, 0)));
    }
    if (icon) WriteIconBitmap(icon.get(), htmlFolder_ + kFileIconBitmapFile, RGB(255, 255, 255), 0, 0);
    return icon;
}

void DetailView::ShowPage(const std::string& page) {
    const std::string file = htmlFolder_ + kOutputPageFile;
    Log("Opening file in HTML view: " + file);
    // Written aside and then moved over the old page: when it cannot be
    // written the browser keeps the previous page.
    const bool written = WriteFileReplacing(file, page);
    if (hooks_.show) {
        if (written) Log("Navigating browser to HTML.");
        hooks_.show(written ? FileUrl(file) : std::string(), lastModel_, lastIcon_.get());
    } else if (written) {
        if (hooks_.resetDocument) hooks_.resetDocument();
        Log("Navigating browser to HTML.");
        hooks_.navigate(FileUrl(file));
    }
    Log("HTML page loaded.");
}

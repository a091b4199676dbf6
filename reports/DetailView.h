// The detail pane's page builder as the main window calls it: after a
// selection change, a tab switch and a data reload, Build gathers the live
// records of the selection into the page's model (reports/DetailPage.h),
// fills the tab's template from it, writes "output.htm" and "file_icon.bmp"
// into the HTML work folder and hands the page to the pane. The window, the
// status bar and the pane are reached through the hooks only, so this unit
// never includes app/ or ui/.
//
// Wiring with the detail pane (ui/DetailPane.h), which shows the page in the
// browser or, without an HTML engine, natively from the model:
//   hooks.show = [&](const std::string& url, const DetailModel& model, HICON icon) {
//       return pane.Show(url, model, icon);
//   };
// A bare browser (ui/InfoWebBrowser.h) takes navigate and resetDocument
// instead. With neither there is no pane: pages are built but not written.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/Handles.h"
#include "progdb/ProgramDatabase.h"
#include "reports/DetailPage.h"
#include "sysinfo/ServiceInfo.h"
#include "sysinfo/SystemSnapshot.h"

// What the main window knows about the selection. The pointers are only read
// during Build and may be null.
struct DetailRequest {
    DetailSubject subject = DetailSubject::None;   // what the selected row is
    HWND window = nullptr;                         // Applications: the row's window
    DWORD pid = 0;                                 // Tasks: the row's process id
    int64_t createTime = 0;                        // Tasks: its creation time (0 unknown)
    const ServiceInfo* service = nullptr;          // Services, Drivers: the row's record; null when gone
    const ProcessImageList* processes = nullptr;   // the snapshot's processes, for paths and command lines
    const ProgramDatabase* publisher = nullptr;    // the publisher's database
    const ProgramDatabase* local = nullptr;        // the user's database
    bool sameRow = false;                          // the row the page shows now
};

struct DetailViewHooks {
    std::function<void(const std::string&)> log;     // one activity-log line
    std::function<void(const std::string&)> status;  // status bar pane 0
    // The pane: the page's "file://" address (empty when the file could not
    // be written: a browser then keeps the page it shows), its model and the
    // program's large icon (null on the blank and system pages), valid for
    // the call. Takes the place of navigate and resetDocument when set.
    std::function<bool(const std::string& url, const DetailModel& model, HICON icon)> show;
    // A bare browser. Without show or navigate there is no detail pane and
    // no page file is written.
    std::function<bool(const std::string& url)> navigate;
    std::function<void()> resetDocument;
    // Whether the pane is shown now; null means shown.
    std::function<bool()> paneShown;
};

class DetailView {
public:
    // htmlFolder ends in a backslash; empty means the HTML work folder.
    explicit DetailView(DetailViewHooks hooks, std::string htmlFolder = std::string());

    // Builds the page of the selection and shows it. Returns the template id
    // of the page built (IDR_HTML_DETAIL_*).
    UINT Build(const DetailRequest& request);

    // The page text and the program path of the last Build (for tests and
    // the describe dialog).
    const std::string& LastPage() const { return lastPage_; }
    const std::string& LastPath() const { return lastPath_; }
    // The model of the last page and the program's large icon shown on it
    // (null on the blank and system pages); the icon stays this object's.
    const DetailModel& LastModel() const { return lastModel_; }
    HICON LastIcon() const { return lastIcon_.get(); }
    // The "file://" address of the page file.
    std::string PageUrl() const;
    const std::string& HtmlFolder() const { return htmlFolder_; }

private:
    void Log(const std::string& line) const;
    void Status(const std::string& text) const;
    bool PaneShown() const;
    DetailModel ProcessModel(DetailSubject subject, DWORD pid, const std::string& imagePath,
                             const DetailRequest& request);
    DetailModel ServiceModel(DetailSubject subject, const ServiceInfo& service, const DetailRequest& request);
    IconHandle WriteIcon(const std::string& path, DetailSubject subject) const;
    void ShowPage(const std::string& page);

    DetailViewHooks hooks_;
    std::string htmlFolder_;
    std::string lastPage_;
    std::string lastPath_;
    DetailModel lastModel_;
    IconHandle lastIcon_;
};

// The record of pid in the list, or null.
const ProcessImageInfo* FindProcessImage(const ProcessImageList* processes, DWORD pid);
// "file://" + the path, as the browser is given it.
std::string FileUrl(const std::string& path);

// The detail pane's page builder as the main window calls it: after a
// selection change, a tab switch and a data reload, Build gathers the live
// records of the selection, fills the tab's template (reports/DetailPage.h),
// writes "output.htm" and "file_icon.bmp" into the HTML work folder and has
// the browser load the page. The window, the status bar and the browser are
// reached through the hooks only, so this unit never includes app/ or ui/.
//
// Wiring with the pane's browser (ui/InfoWebBrowser.h), when it was created:
//   hooks.navigate = [&](const std::string& url) { return browser.Navigate(url); };
//   hooks.resetDocument = [&] { browser.ResetDocument(); };
// Without a browser leave both empty: pages are then built but not written.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

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
    const ServiceInfo* service = nullptr;          // Services, Drivers: the row's record; null when gone
    const ProcessImageList* processes = nullptr;   // the snapshot's processes, for paths and command lines
    const ProgramDatabase* publisher = nullptr;    // the publisher's database
    const ProgramDatabase* local = nullptr;        // the user's database
};

struct DetailViewHooks {
    std::function<void(const std::string&)> log;     // one activity-log line
    std::function<void(const std::string&)> status;  // status bar pane 0
    // The browser. Without navigate there is no detail pane and no page file
    // is written.
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
    // The "file://" address of the page file.
    std::string PageUrl() const;
    const std::string& HtmlFolder() const { return htmlFolder_; }

private:
    void Log(const std::string& line) const;
    void Status(const std::string& text) const;
    bool PaneShown() const;
    std::string ProcessPage(UINT templateId, DWORD pid, const std::string& imagePath, const DetailRequest& request);
    std::string ServicePage(UINT templateId, const ServiceInfo& service, const DetailRequest& request);
    void WriteIcon(const std::string& path, DetailSubject subject) const;
    void ShowPage(const std::string& page);

    DetailViewHooks hooks_;
    std::string htmlFolder_;
    std::string lastPage_;
    std::string lastPath_;
};

// The record of pid in the list, or null.
const ProcessImageInfo* FindProcessImage(const ProcessImageList* processes, DWORD pid);
// "file://" + the path, as the browser is given it.
std::string FileUrl(const std::string& path);

// The detail pane below the lists: one window for the splitter that shows the
// detail page either in the system's web browser control or, where that
// cannot render it (no HTML engine: Wine without its Gecko package, a system
// with the engine removed), natively from the page's model.
//
// The browser is created only when the first page with details is to be
// shown (the blank and system pages, one sentence each, are shown natively
// until then). When it cannot be created, reports that it cannot make a
// document of the page, or has no document a bounded time after the
// navigation, it is released and the native view (ui/NativeDetailView.h)
// takes its place for good. The native view is created only when a page is
// to be shown natively.
//
// Wiring in the main window:
//   pane.CreateOverPlaceholder(hwnd, IDC_BROWSER_PLACEHOLDER, log);   // child 1014
//   pane.SetLinkOpener([hwnd](const std::string& url) { ShellOpen(hwnd, url); });
//   hooks.show = [&](const std::string& url, const DetailModel& m, HICON icon) { return pane.Show(url, m, icon); };
//   splitter.SetPanes(..., tabs, pane.GetHwnd(), ...);
//   Print Details: pane.Print(hwnd);  Copy while pane.HasFocus(): pane.Copy();
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/Handles.h"
#include "framework/Window.h"
#include "reports/DetailPage.h"
#include "reports/ListPrinter.h"
#include "ui/InfoWebBrowser.h"
#include "ui/NativeDetailView.h"

class CDetailPane : public CWnd {
public:
    enum class Renderer { None, Browser, Native };
    using LogFn = CInfoWebBrowser::LogFn;
    using LinkOpener = CNativeDetailView::LinkOpener;

    static constexpr const char* kClassName = "QuillmarkDetailPane";
    static constexpr const char* kWindowName = "detail_pane";
    // The children's ids.
    static constexpr UINT kBrowserId = 1;
    static constexpr UINT kNativeViewId = 2;
    // How long the browser may take to hold a document after a navigation
    // before the pane decides it cannot render.
    static constexpr UINT kBrowserCheckMs = 3000;

    // factory makes the browser control (null: never try a browser, show
    // pages natively).
    explicit CDetailPane(CInfoWebBrowser::ControlFactory factory = CInfoWebBrowser::CreateSystemControl);
    ~CDetailPane() override;

    // Creates the pane's own window (no browser yet) as child id of parent.
    bool Create(HWND parent, const RECT& rect, UINT id, const LogFn& log = LogFn());
    // The same over the rectangle of the parent's placeholder control, as
    // child 1014.
    bool CreateOverPlaceholder(HWND parent, int placeholderId, const LogFn& log = LogFn());
    // Opens a link of the native view (the shell by default).
    void SetLinkOpener(LinkOpener opener);
    // The wait for the browser's document (kBrowserCheckMs by default).
    void SetBrowserCheckMs(UINT ms) { browserCheckMs_ = ms; }

    // Shows a page: pageUrl is the "file://" address of "output.htm" (empty
    // when it could not be written: the browser then keeps its page), model
    // the same page as data, icon the program's large icon (copied; may be
    // null). True when a renderer took it.
    bool Show(const std::string& pageUrl, const DetailModel& model, HICON icon);
    // Copies the selection, or the whole page as plain text when nothing is
    // selected.
    bool Copy();
    // Print Details: the page through the table-printing engine.
    bool Print(HWND owner, const PrinterSource& source = ShowPrintDialog);
    // Whether the keyboard focus is in the pane.
    bool HasFocus() const;

    Renderer ActiveRenderer() const { return renderer_; }
    // Whether the browser turned out unable to render and was released.
    bool BrowserReleased() const { return browserUnusable_; }
    const DetailModel& Model() const { return model_; }
    // Null until made.
    CNativeDetailView* NativeView() { return native_.get(); }
    CInfoWebBrowser* Browser() { return browser_.get(); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnTimer(UINT_PTR id) override;

private:
    bool ShowInBrowser();
    void ShowNatively();
    void GiveUpBrowser(const char* why);

    CInfoWebBrowser::ControlFactory factory_;
    LogFn log_;
    LinkOpener opener_;
    std::unique_ptr<CInfoWebBrowser> browser_;
    std::unique_ptr<CNativeDetailView> native_;
    UINT browserCheckMs_ = kBrowserCheckMs;
    bool browserUnusable_ = false;
    bool browserFailurePosted_ = false;
    Renderer renderer_ = Renderer::None;
    std::string pageUrl_;
    DetailModel model_;
    IconHandle icon_;
};

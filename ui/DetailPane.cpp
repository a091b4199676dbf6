#include "ui/DetailPane.h"

#include <ole2.h>

#include "core/Messages.h"
#include "platform/Clipboard.h"
#include "reports/DetailPrint.h"
#include "resource.h"

CDetailPane::CDetailPane(CInfoWebBrowser::ControlFactory factory) : factory_(std::move(factory)) {}

CDetailPane::~CDetailPane() {
    // The children hold the pane's window as their parent: they go first.
    browser_.reset();
    native_.reset();
    DestroyWindow();
}

bool CDetailPane::Create(HWND parent, const RECT& rect, UINT id, const LogFn& log) {
    log_ = log;
    if (!CWnd::RegisterClass(kClassName, 0, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1))) return false;
    return CWnd::Create(WS_EX_CONTROLPARENT, kClassName, kWindowName,
                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rect, parent, id) != nullptr;
}

bool CDetailPane::CreateOverPlaceholder(HWND parent, int placeholderId, const LogFn& log) {
    return Create(parent, PlaceholderRect(parent, placeholderId), IDC_WEB_BROWSER, log);
}

void CDetailPane::SetLinkOpener(LinkOpener opener) {
    opener_ = std::move(opener);
    if (native_) native_->SetLinkOpener(opener_);
}

bool CDetailPane::Show(const std::string& pageUrl, const DetailModel& model, HICON icon) {
    if (!hwnd_) return false;
    pageUrl_ = pageUrl;
    model_ = model;
    icon_.reset(icon ? ::CopyIcon(icon) : nullptr);
    // A page without details (the blank and system pages) needs no HTML
    // engine: the browser is not made for it, only for the first page with
    // details.
    if ((browser_ || model_.IsInformation()) && ShowInBrowser()) return true;
    ShowNatively();
    return native_ != nullptr;
}

bool CDetailPane::ShowInBrowser() {
    if (browserUnusable_ || !factory_) return false;
    if (!browser_) {
        browser_ = std::make_unique<CInfoWebBrowser>(factory_);
        if (!browser_->Create(hwnd_, GetClientRect(), kBrowserId, log_)) {
            GiveUpBrowser(nullptr);  // the browser logged its failure
            return false;
        }
        // Called inside the control's own event call: only note it here.
        browser_->SetEventHandlers(
            [this](HRESULT status) {
                if (!CInfoWebBrowser::MeansNoHtmlEngine(status) || browserFailurePosted_) return;
                browserFailurePosted_ = true;
                PostMessage(WM_DETAIL_BROWSER_FAILED);
            },
            [this] { KillTimer(kDetailBrowserCheckTimer); });
    }
    renderer_ = Renderer::Browser;
    if (native_) ::ShowWindow(native_->GetHwnd(), SW_HIDE);
    ::ShowWindow(browser_->GetHwnd(), SW_SHOW);
    if (pageUrl_.empty()) return true;  // the file could not be written: the browser keeps its page
    if (browser_->HasDocument()) browser_->ResetDocument();
    if (!browser_->Navigate(pageUrl_)) {
        GiveUpBrowser("The web browser did not take the page.");
        return false;
    }
    if (!browser_->HasDocument()) SetTimer(kDetailBrowserCheckTimer, browserCheckMs_);
    return true;
}

void CDetailPane::GiveUpBrowser(const char* why) {
    KillTimer(kDetailBrowserCheckTimer);
    browserUnusable_ = true;
    if (why && log_) log_(why);
    if (browser_) {
        browser_->Destroy();
        browser_.reset();
        // The control's libraries are of no more use to this run.
        ::CoFreeUnusedLibrariesEx(0, 0);
    }
}

void CDetailPane::ShowNatively() {
    if (!native_) {
        native_ = std::make_unique<CNativeDetailView>();
        if (!native_->Create(hwnd_, GetClientRect(), kNativeViewId)) {
            native_.reset();
            renderer_ = Renderer::None;
            return;
        }
        native_->SetLinkOpener(opener_);
        if (log_) log_("The detail page is shown without the web browser.");
    }
    renderer_ = Renderer::Native;
    native_->Show(model_, icon_.get());
    ::ShowWindow(native_->GetHwnd(), SW_SHOW);
}

bool CDetailPane::Copy() {
    if (renderer_ == Renderer::Native && native_) return native_->Copy();
    if (renderer_ == Renderer::Browser && browser_ && browser_->CopySelection()) return true;
    return SetClipboardText(hwnd_, DetailPlainText(model_));
}

bool CDetailPane::Print(HWND owner, const PrinterSource& source) {
    return PrintDetailPage(model_, owner, source);
}

bool CDetailPane::HasFocus() const {
    HWND focus = ::GetFocus();
    return hwnd_ && focus && (focus == hwnd_ || ::IsChild(hwnd_, focus));
}

void CDetailPane::OnSize(UINT, int cx, int cy) {
    const RECT rc{0, 0, cx, cy};
    if (browser_ && browser_->GetHwnd()) browser_->MoveWindow(rc);
    if (native_ && native_->GetHwnd()) native_->MoveWindow(rc);
}

void CDetailPane::OnTimer(UINT_PTR id) {
    if (id != kDetailBrowserCheckTimer) return;
    KillTimer(id);
    if (renderer_ == Renderer::Browser && browser_ && !browser_->HasDocument()) {
        GiveUpBrowser("The web browser shows no document.");
        ShowNatively();
    }
}

LRESULT CDetailPane::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DETAIL_BROWSER_FAILED:
        if (!browserUnusable_) {
            GiveUpBrowser("The web browser cannot render the page.");
            ShowNatively();
        }
        return 0;
    case WM_SETFOCUS:
        // The pane itself takes no keys: its page does.
        if (renderer_ == Renderer::Native && native_) {
            ::SetFocus(native_->GetHwnd());
            return 0;
        }
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

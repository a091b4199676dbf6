#include "ui/InfoWebBrowser.h"

#include <exdispid.h>
#include <mshtml.h>
#include <mshtmhst.h>

#include <atomic>

#include "resource.h"

namespace {

std::wstring WideOf(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

void FillBstrVariant(Variant& v, const wchar_t* text) {
    v.get()->vt = VT_BSTR;
    v.get()->bstrVal = ::SysAllocString(text);
}

}  // namespace

// The container the control talks to. It lives as long as the control holds
// a reference; Detach cuts it loose from the window object, so a late call
// from the control after Destroy finds no window rather than a dead object.
class CInfoWebBrowser::Site final : public IOleClientSite,
                                    public IOleInPlaceSite,
                                    public IOleInPlaceFrame,
                                    public IDocHostUIHandler {
public:
    explicit Site(HWND host) : host_(host) {}
    void Detach() { host_ = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else if (riid == IID_IDocHostUIHandler)
            *out = static_cast<IDocHostUIHandler*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = host_;
        return host_ ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return host_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (frame) {
            *frame = this;
            AddRef();
        }
        if (document) *document = nullptr;
        RECT rc{};
        if (host_) ::GetClientRect(host_, &rc);
        if (position) *position = rc;
        if (clip) *clip = rc;
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = host_ ? ::GetAncestor(host_, GA_ROOT) : nullptr;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: the pane has no toolbars or
    // menus to share.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD id, POINT*, IUnknown*, IDispatch*) override {
        // Only a text selection gets the control's menu (for Copy); the
        // page's other menus (Back, View Source, ...) mean nothing here.
        return id == CONTEXT_MENU_TEXTSELECT ? S_FALSE : S_OK;
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
        if (!info) return E_POINTER;
        // A flat pane that scrolls only when the page is longer than it.
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
        if (key) *key = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) override {
        if (target) *target = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** external) override {
        if (external) *external = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }

private:
    ~Site() = default;
    std::atomic<ULONG> refs_{1};
    HWND host_;
};

// The control's events (DWebBrowserEvents2) as a plain dispatch interface;
// only the navigation error and the finished document matter here. Detach
// cuts it loose from the window object, as the site does.
class CInfoWebBrowser::Events final : public IDispatch {
public:
    explicit Events(CInfoWebBrowser* owner) : owner_(owner) {}
    void Detach() { owner_ = nullptr; }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID_DWebBrowserEvents2) return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        if (!owner_) return S_OK;
        if (id == DISPID_NAVIGATEERROR && params && params->cArgs >= 5) {
            // NavigateError(frame, url, target, status, cancel): the
            // arguments come last one first, the status as a reference.
            const VARIANT& arg = params->rgvarg[1];
            const VARIANT* status = arg.vt == (VT_BYREF | VT_VARIANT) ? arg.pvarVal : &arg;
            const HRESULT code = status && (status->vt == VT_I4 || status->vt == VT_INT) ? status->lVal : E_FAIL;
            if (owner_->onNavigateError_) owner_->onNavigateError_(code);
        } else if (id == DISPID_DOCUMENTCOMPLETE) {
            if (owner_->onDocumentComplete_) owner_->onDocumentComplete_();
        }
        return S_OK;
    }

private:
    ~Events() = default;
    std::atomic<ULONG> refs_{1};
    CInfoWebBrowser* owner_;
};

bool CInfoWebBrowser::MeansNoHtmlEngine(HRESULT status) {
    // The page's document object cannot be made: no HTML engine behind the
    // control. Wine without Gecko answers the first; with the engine's
    // library switched off (mshtml=) its class is not registered at all.
    return status == static_cast<HRESULT>(0x800C0010L)  // INET_E_CANNOT_INSTANTIATE_OBJECT
           || status == REGDB_E_CLASSNOTREG;
}

void CInfoWebBrowser::SetEventHandlers(NavigateErrorFn onError, DocumentCompleteFn onComplete) {
    onNavigateError_ = std::move(onError);
    onDocumentComplete_ = std::move(onComplete);
}

void CInfoWebBrowser::ConnectEvents() {
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(browser_.As(container)) || !container) return;
    if (FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, eventPoint_.Put())) || !eventPoint_) return;
    events_ = new Events(this);
    if (FAILED(eventPoint_->Advise(events_, &eventCookie_))) {
        eventCookie_ = 0;
        eventPoint_.Reset();
    }
}

void CInfoWebBrowser::DisconnectEvents() {
    if (eventPoint_ && eventCookie_) eventPoint_->Unadvise(eventCookie_);
    eventCookie_ = 0;
    eventPoint_.Reset();
    if (events_) {
        events_->Detach();
        events_->Release();
        events_ = nullptr;
    }
}

HRESULT CInfoWebBrowser::CreateSystemControl(IOleObject** control) {
    return ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(control));
}

CInfoWebBrowser::CInfoWebBrowser(ControlFactory factory) : factory_(std::move(factory)) {}

CInfoWebBrowser::~CInfoWebBrowser() {
    Destroy();
}

bool CInfoWebBrowser::Create(HWND parent, const RECT& rect, UINT id, const LogFn& log) {
    Destroy();
    // In-place activation and the control's clipboard need OLE, not only COM.
    oleInitialized_ = SUCCEEDED(::OleInitialize(nullptr));
    const bool registered = CWnd::RegisterClass(kClassName, 0);
    HWND hwnd = registered ? CWnd::Create(0, kClassName, kWindowName,
                                          WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rect, parent, id)
                           : nullptr;
    if (!hwnd || !CreateControl()) {
        Destroy();
        if (log) log("Web browser create failed!");
        return false;
    }
    return true;
}

RECT PlaceholderRect(HWND parent, int placeholderId) {
    RECT rc{};
    if (HWND placeholder = ::GetDlgItem(parent, placeholderId)) {
        ::GetWindowRect(placeholder, &rc);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

bool CInfoWebBrowser::CreateOverPlaceholder(HWND parent, int placeholderId, const LogFn& log) {
    return Create(parent, PlaceholderRect(parent, placeholderId), IDC_WEB_BROWSER, log);
}

bool CInfoWebBrowser::CreateControl() {
    if (!factory_) return false;
    if (FAILED(factory_(control_.Put())) || !control_) return false;
    site_ = new Site(hwnd_);
    if (FAILED(control_->SetClientSite(site_))) return false;
    RECT rc = GetClientRect();
    if (FAILED(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, hwnd_, &rc))) return false;
    if (FAILED(control_.As(browser_)) || !browser_) return false;
    // Script errors and the like must never open a box over the main window.
    browser_->put_Silent(VARIANT_TRUE);
    ConnectEvents();
    return true;
}

void CInfoWebBrowser::Destroy() {
    DisconnectEvents();
    browser_.Reset();
    if (control_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(control_.As(inPlace)) && inPlace) inPlace->InPlaceDeactivate();
        control_->Close(OLECLOSE_NOSAVE);
        control_->SetClientSite(nullptr);
        control_.Reset();
    }
    if (site_) {
        site_->Detach();
        site_->Release();
        site_ = nullptr;
    }
    DestroyWindow();
    if (oleInitialized_) {
        ::OleUninitialize();
        oleInitialized_ = false;
    }
}

void CInfoWebBrowser::OnSize(UINT, int cx, int cy) {
    if (!control_) return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(control_.As(inPlace)) && inPlace) {
        RECT rc{0, 0, cx, cy};
        inPlace->SetObjectRects(&rc, &rc);
    }
}

bool CInfoWebBrowser::HasDocument() const {
    if (!browser_) return false;
    ComPtr<IDispatch> document;
    // The control may answer S_FALSE with no document: test the pointer.
    browser_->get_Document(document.Put());
    return static_cast<bool>(document);
}

bool CInfoWebBrowser::ContainsFocus() const {
    HWND focus = ::GetFocus();
    return hwnd_ && focus && (focus == hwnd_ || ::IsChild(hwnd_, focus));
}

bool CInfoWebBrowser::Navigate(const std::string& url) {
    if (!browser_) return false;
    Bstr address(WideOf(url).c_str());
    Variant flags, target, postData, headers;
    return SUCCEEDED(browser_->Navigate(address.get(), flags.get(), target.get(), postData.get(), headers.get()));
}

bool CInfoWebBrowser::ResetDocument() {
    lastPolls_ = 0;
    if (!browser_) return false;
    ComPtr<IDispatch> document;
    browser_->get_Document(document.Put());
    if (document) {
        ComPtr<IHTMLDocument2> html;
        if (FAILED(document.As(html)) || !html) return false;
        html->close();
        Bstr type(L"text/html");
        Variant name, features, replace;
        FillBstrVariant(name, L"_self");
        ComPtr<IDispatch> window;
        if (FAILED(html->open(type.get(), name.ref(), features.ref(), replace.ref(), window.Put()))) return false;
        browser_->Refresh();
        return true;
    }
    Navigate("about:blank");
    // The blank document may come later or, without an HTML engine, never:
    // a bounded number of polls, each giving up the rest of the time slice.
    for (int i = 0; i < kMaxDocumentPolls; ++i) {
        if (i > 0) ::Sleep(0);
        browser_->get_Document(document.Put());
        lastPolls_ = i + 1;
        if (document) return true;
    }
    return false;
}

bool CInfoWebBrowser::ExecCommand(OLECMDID command, OLECMDEXECOPT option) {
    if (!browser_ || !HasDocument()) return false;
    OLECMDF status = OLECMDF(0);
    if (FAILED(browser_->QueryStatusWB(command, &status)) || !(status & OLECMDF_ENABLED)) return false;
    return SUCCEEDED(browser_->ExecWB(command, option, nullptr, nullptr));
}

bool CInfoWebBrowser::PrintWithPrompt() {
    return ExecCommand(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER);
}

bool CInfoWebBrowser::CopySelection() {
    return ExecCommand(OLECMDID_COPY, OLECMDEXECOPT_DODEFAULT);
}

// The detail pane: the system's web browser control hosted in a child window
// of our own, with a small hand-written OLE container (client site, in-place
// site and frame, document host UI handler). No MFC or ATL.
//
// Under Wine without its HTML engine the control is created and accepts
// navigations but never shows a document; nothing here waits for one
// without a bound, so the program neither hangs nor spins there.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <exdisp.h>

#include <functional>
#include <string>

#include "base/ComPtr.h"
#include "framework/Window.h"

// The rectangle of a parent's placeholder control in the parent's client
// coordinates (empty when there is none): where the detail pane goes.
RECT PlaceholderRect(HWND parent, int placeholderId);

class CInfoWebBrowser : public CWnd {
public:
    // Makes the control object. The default makes the system's web browser
    // ({8856F961-340A-11D0-A96B-00C04FD705A2}); tests pass one that fails to
    // see the program carry on without a pane.
    using ControlFactory = std::function<HRESULT(IOleObject** control)>;
    static HRESULT CreateSystemControl(IOleObject** control);

    using LogFn = std::function<void(const std::string&)>;

    // The window text and class of the host window.
    static constexpr const char* kWindowName = "web_browser";
    static constexpr const char* kClassName = "QuillmarkWebBrowser";
    // ResetDocument's bound on polls for the blank document.
    static constexpr int kMaxDocumentPolls = 10;

    explicit CInfoWebBrowser(ControlFactory factory = CreateSystemControl);
    ~CInfoWebBrowser() override;

    // Creates the host window as child `id` of parent at rect (parent client
    // coordinates) and the control inside it. On failure logs "Web browser
    // create failed!", leaves no window behind and returns false.
    bool Create(HWND parent, const RECT& rect, UINT id, const LogFn& log = LogFn());
    // The same over the rectangle of the parent's placeholder control (the
    // main window's 1030), as child 1014.
    bool CreateOverPlaceholder(HWND parent, int placeholderId, const LogFn& log = LogFn());

    // Whether the control exists (creation succeeded and Destroy has not run).
    bool HasControl() const { return static_cast<bool>(browser_); }
    // Whether the control holds a document now.
    bool HasDocument() const;
    // Whether the keyboard focus is in the pane (Copy then copies from it).
    bool ContainsFocus() const;

    // Starts loading url; false without a control or when the control refuses.
    bool Navigate(const std::string& url);
    // With a document: closes it and opens it again, empty, as "text/html" in
    // "_self", then refreshes. Without one: navigates to "about:blank" and
    // polls for the document at most kMaxDocumentPolls times, yielding the
    // processor between polls. True when a document is there afterwards.
    bool ResetDocument();
    // How many times the last ResetDocument asked for the document.
    int LastDocumentPolls() const { return lastPolls_; }
    // The control's own print of the current page, with its print dialog;
    // false when there is no page to print.
    bool PrintWithPrompt();
    // The control's own copy of the current selection to the clipboard.
    bool CopySelection();

    // What the control reports while it loads a page: a failed navigation
    // with its status (INET_E_CANNOT_INSTANTIATE_OBJECT when there is no HTML
    // engine), and a finished document. They are called from inside the
    // control's own event call: a handler must not destroy the control
    // there, only note it or post a message.
    using NavigateErrorFn = std::function<void(HRESULT status)>;
    using DocumentCompleteFn = std::function<void()>;
    void SetEventHandlers(NavigateErrorFn onError, DocumentCompleteFn onComplete);
    // Whether status says the control has no engine to render HTML with.
    static bool MeansNoHtmlEngine(HRESULT status);

    // Closes the control and destroys the window (at exit; also run by the
    // destructor).
    void Destroy();

    IWebBrowser2* Browser() const { return browser_.Get(); }

protected:
    void OnSize(UINT type, int cx, int cy) override;

private:
    class Site;
    class Events;
    bool CreateControl();
    void ConnectEvents();
    void DisconnectEvents();
    bool ExecCommand(OLECMDID command, OLECMDEXECOPT option);

    ControlFactory factory_;
    ComPtr<IOleObject> control_;
    ComPtr<IWebBrowser2> browser_;
    Site* site_ = nullptr;  // holds its own reference count
    Events* events_ = nullptr;  // the same
    ComPtr<IConnectionPoint> eventPoint_;
    DWORD eventCookie_ = 0;
    NavigateErrorFn onNavigateError_;
    DocumentCompleteFn onDocumentComplete_;
    bool oleInitialized_ = false;
    int lastPolls_ = 0;
};

// The detail pane's browser host against the system's web browser control.
// The tests run with the HTML engine switched off, as on a machine without
// one: the control is created and takes navigations but never holds a
// document, and nothing may hang, prompt or spin there.
#include "ui/InfoWebBrowser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "base/ComPtr.h"
#include "resource.h"

namespace {

using testutil::WaitUntil;

const RECT kPlaceholder{10, 20, 310, 220};

// A top-level window holding the placeholder control the browser goes over.
class HostWindow {
public:
    HostWindow() {
        hwnd_ = ::CreateWindowExA(0, "STATIC", "browser host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                                  0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ::CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_BLACKFRAME, kPlaceholder.left, kPlaceholder.top,
                          kPlaceholder.right - kPlaceholder.left, kPlaceholder.bottom - kPlaceholder.top, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_BROWSER_PLACEHOLDER)), nullptr, nullptr);
    }
    ~HostWindow() { ::DestroyWindow(hwnd_); }
    HWND get() const { return hwnd_; }
    // Still answers messages and changes its text.
    bool Usable() const {
        ::SetWindowTextA(hwnd_, "still here");
        char text[32] = {};
        ::GetWindowTextA(hwnd_, text, sizeof text);
        return ::IsWindow(hwnd_) && std::string(text) == "still here";
    }

private:
    HWND hwnd_ = nullptr;
};

RECT ChildRect(HWND parent, HWND child) {
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string LocationUrl(IWebBrowser2* browser) {
    Bstr url;
    if (!browser || FAILED(browser->get_LocationURL(url.put())) || !url.get()) return std::string();
    std::string out;
    for (unsigned i = 0; i < url.length(); ++i) out += static_cast<char>(url.get()[i]);
    return out;
}

TEST(InfoWebBrowser, CreatedOverThePlaceholderAsChild1014) {
    HostWindow host;
    std::vector<std::string> log;
    CInfoWebBrowser browser;
    ASSERT_TRUE(browser.CreateOverPlaceholder(host.get(), IDC_BROWSER_PLACEHOLDER,
                                              [&](const std::string& s) { log.push_back(s); }));
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(browser.HasControl());
    ASSERT_NE(nullptr, browser.Browser());
    HWND pane = ::GetDlgItem(host.get(), IDC_WEB_BROWSER);
    ASSERT_EQ(browser.GetHwnd(), pane);
    EXPECT_EQ("web_browser", browser.GetWindowText());
    EXPECT_TRUE(SameRect(kPlaceholder, ChildRect(host.get(), pane)));

    // The control's own window sits inside the pane and follows its size.
    HWND embedding = ::FindWindowExA(pane, nullptr, "Shell Embedding", nullptr);
    ASSERT_NE(nullptr, embedding);
    ::MoveWindow(pane, 0, 0, 250, 120, TRUE);
    EXPECT_TRUE(WaitUntil([&] {
        const RECT rc = ChildRect(pane, embedding);
        return rc.right - rc.left == 250 && rc.bottom - rc.top == 120;
    }, 5000));

    // At exit the control goes with the pane; the main window stays.
    browser.Destroy();
    EXPECT_FALSE(browser.HasControl());
    EXPECT_EQ(nullptr, ::GetDlgItem(host.get(), IDC_WEB_BROWSER));
    EXPECT_FALSE(browser.Navigate("about:blank"));
    EXPECT_TRUE(host.Usable());
}

TEST(InfoWebBrowser, NavigateAndResetWithoutAnHtmlEngineNeverWaitLong) {
    testutil::ScratchDir dir;
    ASSERT_TRUE(testutil::WriteFileBytes(dir.File("output.htm"), "<html><body>page</body></html>"));
    HostWindow host;
    CInfoWebBrowser browser;
    ASSERT_TRUE(browser.CreateOverPlaceholder(host.get(), IDC_BROWSER_PLACEHOLDER));

    // Without a document the reset navigates to about:blank and gives up
    // after its bounded polls.
    EXPECT_FALSE(browser.HasDocument());
    EXPECT_FALSE(browser.ResetDocument());
    EXPECT_EQ(CInfoWebBrowser::kMaxDocumentPolls, browser.LastDocumentPolls());

    ASSERT_TRUE(browser.Navigate("file://" + dir.File("output.htm")));
    EXPECT_TRUE(WaitUntil([&] { return LocationUrl(browser.Browser()).find("output.htm") != std::string::npos; },
                          5000))
        << LocationUrl(browser.Browser());

    // Nothing to print or copy without a page; neither opens a dialog.
    EXPECT_FALSE(browser.PrintWithPrompt());
    EXPECT_FALSE(browser.CopySelection());
    EXPECT_FALSE(browser.ResetDocument());
    EXPECT_LE(browser.LastDocumentPolls(), CInfoWebBrowser::kMaxDocumentPolls);
    testutil::PumpFor(50);
    EXPECT_TRUE(host.Usable());
    EXPECT_TRUE(browser.IsWindow());
}

TEST(InfoWebBrowser, UnavailableControlIsLoggedAndLeavesNoPane) {
    HostWindow host;
    std::vector<std::string> log;
    int made = 0;
    CInfoWebBrowser browser([&](IOleObject** control) {
        ++made;
        *control = nullptr;
        return REGDB_E_CLASSNOTREG;
    });
    EXPECT_FALSE(browser.CreateOverPlaceholder(host.get(), IDC_BROWSER_PLACEHOLDER,
                                               [&](const std::string& s) { log.push_back(s); }));
    EXPECT_EQ(1, made);
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("Web browser create failed!", log[0]);
    EXPECT_FALSE(browser.HasControl());
    EXPECT_FALSE(browser.IsWindow());
    EXPECT_EQ(nullptr, ::GetDlgItem(host.get(), IDC_WEB_BROWSER));
    EXPECT_FALSE(browser.Navigate("file://C:\\x.htm"));
    EXPECT_FALSE(browser.ResetDocument());
    EXPECT_FALSE(browser.PrintWithPrompt());
    EXPECT_FALSE(browser.CopySelection());
    EXPECT_TRUE(host.Usable());

    // Without a parent there is no pane window to host the control in.
    CInfoWebBrowser orphan;
    log.clear();
    EXPECT_FALSE(orphan.Create(nullptr, kPlaceholder, IDC_WEB_BROWSER, [&](const std::string& s) { log.push_back(s); }));
    EXPECT_EQ(std::vector<std::string>{"Web browser create failed!"}, log);
    EXPECT_FALSE(orphan.HasControl());
}

}  // namespace

// The detail pane in a window of its own, fed by the page builder from real
// processes, a window, the test service and a driver record. The HTML engine
// is off, as on a machine without one: the browser is tried, gives way, and
// the native view shows the pages. Its texts are read from its child windows
// as a screen reader would read them.
#include "ui/DetailPane.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ProcessUtil.h"
#include "RemoteControls.h"
#include "TestServices.h"
#include "TestUtil.h"
#include "base/Handles.h"
#include "core/Text.h"
#include "platform/Clipboard.h"
#include "reports/DetailView.h"
#include "sysinfo/FileVersion.h"
#include "sysinfo/ProcessHelpers.h"
#include "resource.h"

namespace {

using testutil::WaitUntil;
using View = CNativeDetailView;

const char kPaneService[] = "QmDetailPaneSvc";
const char kPaneDriver[] = "QmDetailPaneDrv";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string TextOf(HWND hwnd) {
    char text[4096] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

bool Visible(HWND hwnd) {
    return hwnd && ::IsWindowVisible(hwnd);
}

// The texts of every visible window below parent, as another program reads
// them.
BOOL CALLBACK CollectVisibleText(HWND child, LPARAM texts) {
    if (::IsWindowVisible(child)) reinterpret_cast<std::vector<std::string>*>(texts)->push_back(TextOf(child));
    return TRUE;
}

std::vector<std::string> VisibleTexts(HWND parent) {
    std::vector<std::string> texts;
    ::EnumChildWindows(parent, CollectVisibleText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

SCROLLINFO ScrollInfo(HWND hwnd, int bar) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    ::GetScrollInfo(hwnd, bar, &si);
    return si;
}

bool Shows(HWND parent, const std::string& text) {
    const auto texts = VisibleTexts(parent);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::string Clipboard() {
    std::string text;
    GetClipboardText(nullptr, text);
    return text;
}

// Keys as the thread's keyboard state has them, for the handlers that ask.
void PressKey(HWND target, WPARAM key, bool control = false, bool shift = false) {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    state[VK_CONTROL] = control ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(state);
    ::SendMessageA(target, WM_KEYDOWN, key, 0);
    state[VK_CONTROL] = state[VK_SHIFT] = 0;
    ::SetKeyboardState(state);
}

// A window hosting the pane over the placeholder the main window has, and
// the page builder showing its pages there.
class DetailPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_ = ::CreateWindowExA(0, "STATIC", "detail pane host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                                  0, 0, 720, 520, nullptr, nullptr, nullptr, nullptr);
        ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 700, 480, host_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_BROWSER_PLACEHOLDER)), nullptr, nullptr);
        pane_ = std::make_unique<CDetailPane>([this](IOleObject** control) {
            ++browsersMade_;
            return CInfoWebBrowser::CreateSystemControl(control);
        });
        ASSERT_TRUE(pane_->CreateOverPlaceholder(host_, IDC_BROWSER_PLACEHOLDER,
                                                 [this](const std::string& s) { log_.push_back(s); }));
        pane_->SetLinkOpener([this](const std::string& url) { opened_.push_back(url); });
        DetailViewHooks hooks;
        hooks.show = [this](const std::string& url, const DetailModel& m, HICON icon) { return pane_->Show(url, m, icon); };
        builder_ = std::make_unique<DetailView>(hooks, dir_.Path());
        local_.SetReadOnly(false);
    }
    void TearDown() override {
        pane_.reset();
        ::DestroyWindow(host_);
    }

    // Builds the page of the request and waits, bounded, for the native view
    // to show it.
    void Build(DetailRequest request) {
        request.publisher = &publisher_;
        request.local = &local_;
        builder_->Build(request);
        ASSERT_TRUE(WaitUntil([&] { return pane_->ActiveRenderer() == CDetailPane::Renderer::Native; }));
        ASSERT_EQ(builder_->LastModel().banner, pane_->NativeView()->Model().banner);
    }
    // A started test child whose command line and modules can be read.
    void StartChild(testutil::ChildProcess& child, const std::string& args) {
        ASSERT_TRUE(child.Start(testutil::HostPath(QM_TESTCHILD_EXE), args));
        ASSERT_TRUE(WaitUntil([&] {
            processes_.Clear();
            LoadProcessImageList(processes_);
            const ProcessImageInfo* p = FindProcessImage(&processes_, child.Pid());
            std::vector<std::string> modules;
            return p && !p->commandLine.empty() && ListModules(child.Pid(), modules) && modules.size() >= 3;
        }));
    }
    void BuildTask(DWORD pid, bool sameRow = false) {
        DetailRequest request;
        request.subject = DetailSubject::Task;
        request.pid = pid;
        request.sameRow = sameRow;
        request.processes = &processes_;
        Build(request);
    }
    void DescribeChild(const std::string& url, const std::string& description = "Sleeps <deeply> & \"well\"") {
        ProgramEntry entry;
        entry.fileName = "qm_testchild.exe";
        entry.company = "Sleepers <&> Co";
        entry.description = description;
        entry.url = url;
        entry.rating = "2";
        ASSERT_TRUE(local_.AddOrReplace(entry));
    }

    View& Native() { return *pane_->NativeView(); }
    HWND Control(UINT id) { return ::GetDlgItem(Native().GetHwnd(), id); }
    HWND RowValue(size_t row) { return Control(View::kFirstRowId + 3 * static_cast<UINT>(row) + 1); }
    HWND RowLink(size_t row) { return Control(View::kFirstRowId + 3 * static_cast<UINT>(row) + 2); }
    HWND ModuleList() { return Control(View::kModuleListId); }
    void Notify(HWND from, UINT code) {
        NMHDR hdr{from, static_cast<UINT_PTR>(::GetDlgCtrlID(from)), code};
        ::SendMessageA(Native().GetHwnd(), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
    }

    HWND host_ = nullptr;
    testutil::ScratchDir dir_;
    std::unique_ptr<CDetailPane> pane_;
    std::unique_ptr<DetailView> builder_;
    ProgramDatabase publisher_;
    LocalProgramDatabase local_;
    ProcessImageList processes_;
    std::vector<std::string> log_;
    std::vector<std::string> opened_;
    int browsersMade_ = 0;
};

TEST_F(DetailPaneTest, BrowserWithoutAnHtmlEngineGivesWayToTheNativeViewForGood) {
    // Only the browser's own report can end its turn within the wait.
    pane_->SetBrowserCheckMs(600000);
    // Nothing is made before the first page.
    EXPECT_EQ(0, browsersMade_);
    EXPECT_EQ(nullptr, pane_->NativeView());
    EXPECT_EQ(pane_->GetHwnd(), ::GetDlgItem(host_, IDC_WEB_BROWSER));

    // The blank page needs no HTML engine: no browser for it.
    Build(DetailRequest());
    EXPECT_EQ(0, browsersMade_);
    EXPECT_TRUE(Visible(Control(View::kSentenceId)));
    EXPECT_EQ(kBlankPageSentence, TextOf(Control(View::kSentenceId)));
    EXPECT_FALSE(Visible(Control(View::kBannerId)));
    ASSERT_TRUE(pane_->Copy());
    EXPECT_EQ(std::string(kBlankPageSentence) + "\r\n", Clipboard());
    EXPECT_FALSE(pane_->Print(host_, [](HWND) { return PrinterDC(); }));  // Cancel: nothing printed

    // The first page with details tries the browser, which says itself (its
    // navigation error) that it cannot render, and is released.
    DetailRequest self;
    self.subject = DetailSubject::Task;
    self.pid = ::GetCurrentProcessId();
    builder_->Build(self);
    EXPECT_EQ(1, browsersMade_);
    ASSERT_TRUE(WaitUntil([&] { return pane_->BrowserReleased(); }));
    EXPECT_NE(std::find(log_.begin(), log_.end(), "The web browser cannot render the page."), log_.end());
    EXPECT_EQ(CDetailPane::Renderer::Native, pane_->ActiveRenderer());
    EXPECT_EQ(nullptr, pane_->Browser());
    EXPECT_EQ(nullptr, ::FindWindowExA(pane_->GetHwnd(), nullptr, CInfoWebBrowser::kClassName, nullptr));
    EXPECT_TRUE(Visible(Native().GetHwnd()));
    EXPECT_TRUE(Visible(Control(View::kSectionId)));

    // The next pages go straight to the native view.
    DetailRequest system;
    system.subject = DetailSubject::Task;
    system.pid = 4;
    builder_->Build(system);
    EXPECT_EQ(CDetailPane::Renderer::Native, pane_->ActiveRenderer());
    EXPECT_EQ(1, browsersMade_);
    EXPECT_EQ(kSystemPageSentence, TextOf(Control(View::kSentenceId)));
    EXPECT_FALSE(Visible(ModuleList()));

    // A browser that reports no such error but never holds a document (a
    // page that is not there) is given up after the pane's wait.
    {
        std::vector<std::string> log;
        CDetailPane waiting;
        waiting.SetBrowserCheckMs(300);
        ASSERT_TRUE(waiting.Create(host_, RECT{0, 0, 300, 200}, 78, [&](const std::string& s) { log.push_back(s); }));
        waiting.Show("file://" + dir_.File("missing.htm"), MakeDetailModel(DetailSubject::Driver, 0, DetailValues()),
                     nullptr);
        EXPECT_TRUE(WaitUntil([&] { return waiting.ActiveRenderer() == CDetailPane::Renderer::Native; }));
        EXPECT_NE(std::find(log.begin(), log.end(), "The web browser shows no document."), log.end());
    }
    // A browser that cannot be made, or none asked for: native at once.
    for (bool failing : {true, false}) {
        std::vector<std::string> log;
        CInfoWebBrowser::ControlFactory factory;
        if (failing) factory = [](IOleObject** control) {
            *control = nullptr;
            return REGDB_E_CLASSNOTREG;
        };
        CDetailPane other(factory);
        ASSERT_TRUE(other.Create(host_, RECT{0, 0, 300, 200}, 77, [&](const std::string& s) { log.push_back(s); }));
        EXPECT_TRUE(other.Show(std::string(), MakeDetailModel(DetailSubject::Driver, 0, DetailValues()), nullptr));
        EXPECT_EQ(CDetailPane::Renderer::Native, other.ActiveRenderer());
        EXPECT_EQ(failing, std::find(log.begin(), log.end(), "Web browser create failed!") != log.end());
    }
}

TEST_F(DetailPaneTest, TaskPageShowsItsValuesLiterallyInReadableWindows) {
    DescribeChild("www.example.com/child page");
    testutil::ChildProcess child;
    StartChild(child, "mark=<x>&\"y\"");
    BuildTask(child.Pid());
    const ProcessImageInfo* process = FindProcessImage(&processes_, child.Pid());
    ASSERT_NE(nullptr, process);

    HWND view = Native().GetHwnd();
    EXPECT_TRUE(Shows(view, "Task Information"));
    EXPECT_TRUE(Shows(view, "Sleeping test child by Sleepers <&> Co"));
    for (const char* label : {"Version:", "Rating:", "Description:", "File Path:", "Command Line:", "Website:", "Search:"})
        EXPECT_TRUE(Shows(view, label)) << label;
    EXPECT_TRUE(Shows(view, "3.14 beta"));
    EXPECT_TRUE(Shows(view, RatingText(kRatingNormal)));
    EXPECT_TRUE(Shows(view, "Sleeps <deeply> & \"well\""));
    EXPECT_TRUE(Shows(view, process->imagePath));
    EXPECT_TRUE(Shows(view, process->commandLine));
    EXPECT_TRUE(Has(process->commandLine, "mark=<x>&\"y\""));

    // The web site and the search are links; their texts are the addresses
    // the link rule made and the search sentence.
    EXPECT_FALSE(Visible(RowValue(5)));
    ASSERT_TRUE(Visible(RowLink(5)));
    EXPECT_TRUE(Has(TextOf(RowLink(5)), "http://www.example.com/child%20page"));
    EXPECT_TRUE(Has(TextOf(RowLink(6)), kSearchLinkText));
    Notify(RowLink(5), NM_CLICK);
    Notify(RowLink(6), NM_RETURN);
    EXPECT_EQ((std::vector<std::string>{"http://www.example.com/child%20page",
                                        "https://www.google.com/search?q=qm_testchild.exe"}),
              opened_);

    // The module table: the child first, then the system's libraries; Size
    // right-aligned.
    HWND list = ModuleList();
    ASSERT_TRUE(Visible(list));
    EXPECT_TRUE(Shows(view, kModulesTitle));
    EXPECT_EQ("Size", testutil::ListColumnTitle(list, 3));
    LVCOLUMNA column{};
    column.mask = LVCF_FMT;
    ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, 3, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(LVCFMT_RIGHT, column.fmt & LVCFMT_JUSTIFYMASK);
    EXPECT_GE(testutil::ListRowCount(list), 3);
    EXPECT_EQ("qm_testchild.exe", testutil::ListCell(list, 0, 0));
    EXPECT_EQ("3.14 beta", testutil::ListCell(list, 0, 1));
    EXPECT_GE(testutil::FindListRow(list, 0, "kernel32.dll"), 1);
}

// The shaded rows stay light blue on every page, not only the first: the
// link control of this Wine deletes the brush its parent paints it with, and
// a brush of the view's own went with it.
TEST_F(DetailPaneTest, ShadedRowsKeepTheirShadeOnLaterPages) {
    testutil::ChildProcess child;
    StartChild(child, "shade");
    auto paintedShade = [&]() -> int {
        ::RedrawWindow(host_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        const DetailModel& model = Native().Model();
        int shaded = 0;
        for (size_t i = 0; i < model.rows.size(); ++i) {
            HWND value = RowValue(i);
            if (!model.rows[i].shaded || !Visible(value)) continue;
            RECT rc{};
            ::GetClientRect(value, &rc);
            WindowDC dc(value);
            // Past the end of the text: the control's own background.
            if (::GetPixel(dc.get(), rc.right - 3, rc.bottom / 2) != RGB(0xD3, 0xE8, 0xFB)) return -1;
            ++shaded;
        }
        return shaded;
    };
    for (int page = 0; page < 3; ++page) {
        BuildTask(child.Pid());
        EXPECT_GT(paintedShade(), 0) << "page " << page;
    }
}

TEST_F(DetailPaneTest, ApplicationServiceAndDriverPages) {
    HWND window = ::CreateWindowExA(0, "STATIC", "pane application", WS_OVERLAPPED | WS_VISIBLE, 10, 10, 200, 100,
                                    nullptr, nullptr, nullptr, nullptr);
    DetailRequest application;
    application.subject = DetailSubject::Application;
    application.window = window;
    Build(application);
    HWND view = Native().GetHwnd();
    EXPECT_TRUE(Shows(view, "Application Information"));
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    EXPECT_TRUE(Visible(ModuleList()));
    EXPECT_GE(testutil::FindListRow(ModuleList(), 0, FileNameOf(exe)), 0);
    EXPECT_TRUE(Shows(view, builder_->LastPath()));
    ::DestroyWindow(window);

    const std::string binary = "\"" + testutil::HostPath(QM_TESTSERVICE_EXE) + "\" run&log=<x>";
    ASSERT_TRUE(testutil::InstallService(kPaneService, binary, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                         "Quillmark pane test service", "Serves <pane> tests & \"more\""));
    ASSERT_TRUE(testutil::InstallService(kPaneDriver, "\\SystemRoot\\system32\\drivers\\mountmgr.sys",
                                         SERVICE_KERNEL_DRIVER, SERVICE_DISABLED, "Quillmark pane test driver"));
    ServiceList services(0), drivers(1);
    ASSERT_TRUE(services.Load(0));
    ASSERT_TRUE(drivers.Load(1));
    auto named = [](const ServiceList& list, const char* name) -> const ServiceInfo* {
        for (const ServiceInfo& s : list.Records())
            if (s.serviceName == name) return &s;
        return nullptr;
    };
    const ServiceInfo* service = named(services, kPaneService);
    const ServiceInfo* driver = named(drivers, kPaneDriver);
    ASSERT_TRUE(service && driver);

    DetailRequest request;
    request.subject = DetailSubject::Service;
    request.service = service;
    Build(request);
    EXPECT_TRUE(Shows(view, "Service Information"));
    EXPECT_TRUE(Shows(view, "Serves <pane> tests & \"more\""));
    EXPECT_TRUE(Shows(view, service->binaryPath));
    EXPECT_TRUE(Shows(view, "None Specified"));
    EXPECT_FALSE(Visible(ModuleList()));

    request.subject = DetailSubject::Driver;
    request.service = driver;
    Build(request);
    EXPECT_TRUE(Shows(view, "Driver Information"));
    EXPECT_TRUE(Shows(view, "\\SystemRoot\\system32\\drivers\\mountmgr.sys"));
    testutil::RemoveService(kPaneService);
    testutil::RemoveService(kPaneDriver);
}

TEST_F(DetailPaneTest, WebsiteThatIsNoPlainWebAddressIsShownWithoutALink) {
    // The database merge makes "http://javascript:alert(1)" of it: no host.
    DescribeChild("javascript:alert(1)");
    testutil::ChildProcess child;
    StartChild(child, "");
    BuildTask(child.Pid());
    ASSERT_TRUE(Visible(RowValue(5)));
    EXPECT_EQ("http://javascript:alert(1)", TextOf(RowValue(5)));
    EXPECT_FALSE(Visible(RowLink(5)));
    Notify(RowLink(5), NM_CLICK);
    EXPECT_FALSE(Native().OpenRowLink(5));
    EXPECT_TRUE(opened_.empty());

    // Whatever a model carries, the view opens only what the link rule
    // accepts.
    DetailModel hostile = builder_->LastModel();
    hostile.rows[5].link = "file:///C:/windows/win.ini";
    hostile.rows[6].link = "http://example.com/\" & calc";
    Native().Show(hostile, nullptr);
    EXPECT_FALSE(Native().OpenRowLink(5));
    EXPECT_TRUE(Native().OpenRowLink(6));
    EXPECT_EQ(std::vector<std::string>{"http://example.com/%22%20&%20calc"}, opened_);
}

TEST_F(DetailPaneTest, CopyGivesTheSelectionOrTheWholePage) {
    testutil::ChildProcess child;
    StartChild(child, "copy=me");
    BuildTask(child.Pid());
    const DetailModel& model = Native().Model();

    // Nothing selected: the whole page as text.
    ::SetFocus(host_);
    ASSERT_TRUE(pane_->Copy());
    const std::string page = Clipboard();
    EXPECT_EQ(DetailPlainText(model), page);
    EXPECT_TRUE(Has(page, "File Path: " + model.rows[3].value + "\r\n"));
    EXPECT_TRUE(Has(page, "\r\nqm_testchild.exe\t3.14 beta\t"));

    // Part of a value selected: that part, also through Ctrl+C.
    HWND path = RowValue(3);
    ::SetFocus(path);
    EXPECT_TRUE(pane_->HasFocus());
    ::SendMessageA(path, EM_SETSEL, 0, 5);
    ASSERT_TRUE(pane_->Copy());
    EXPECT_EQ(model.rows[3].value.substr(0, 5), Clipboard());
    SetClipboardText(nullptr, "before");
    ::SendMessageA(path, EM_SETSEL, 1, 4);
    PressKey(path, 'C', true);
    EXPECT_EQ(model.rows[3].value.substr(1, 3), Clipboard());
    ::SendMessageA(path, EM_SETSEL, 2, 2);
    PressKey(path, 'C', true);
    EXPECT_EQ(page, Clipboard());

    // Selected module rows, tab-separated.
    HWND list = ModuleList();
    ::SetFocus(list);
    ASSERT_TRUE(testutil::SelectListRow(list, 0));
    ASSERT_TRUE(pane_->Copy());
    EXPECT_EQ(0u, Clipboard().find("qm_testchild.exe\t3.14 beta\t"));
    EXPECT_EQ("\r\n", Clipboard().substr(Clipboard().size() - 2));

    // A refresh's page for the same row keeps the selected module rows and
    // the focused one; another row's page has none selected.
    ASSERT_TRUE(testutil::SelectListRow(list, 2));
    const std::string third = testutil::ListCell(list, 2, 0);
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    BuildTask(child.Pid(), true);
    auto selectedNames = [&] {
        std::set<std::string> names;
        for (int row = -1; (row = ListView_GetNextItem(list, row, LVNI_SELECTED)) >= 0;)
            names.insert(testutil::ListCell(list, row, 0));
        return names;
    };
    EXPECT_EQ((std::set<std::string>{"qm_testchild.exe", third}), selectedNames());
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    EXPECT_EQ(third, focused >= 0 ? testutil::ListCell(list, focused, 0) : "");
    BuildTask(child.Pid());
    EXPECT_TRUE(selectedNames().empty());
}

TEST_F(DetailPaneTest, TabMovesThroughTheLinksAndTheModuleList) {
    DescribeChild("www.example.com");
    testutil::ChildProcess child;
    StartChild(child, "");
    BuildTask(child.Pid());
    HWND website = RowLink(5), search = RowLink(6), list = ModuleList();
    ::SetFocus(website);
    ASSERT_EQ(website, ::GetFocus());
    PressKey(::GetFocus(), VK_TAB);
    EXPECT_EQ(search, ::GetFocus());
    PressKey(::GetFocus(), VK_TAB);
    EXPECT_EQ(list, ::GetFocus());
    PressKey(::GetFocus(), VK_TAB);  // the host has nothing else to go to
    EXPECT_EQ(website, ::GetFocus());
    PressKey(::GetFocus(), VK_TAB, false, true);
    EXPECT_EQ(list, ::GetFocus());
    // A refresh's page for the same row keeps the focused link drawn as
    // focused.
    PressKey(::GetFocus(), VK_TAB);
    ASSERT_EQ(website, ::GetFocus());
    auto linkFocused = [&] {
        LITEM item{};
        item.mask = LIF_ITEMINDEX | LIF_STATE;
        item.stateMask = LIS_FOCUSED;
        return ::SendMessageA(website, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)) &&
               (item.state & LIS_FOCUSED) != 0;
    };
    EXPECT_TRUE(linkFocused());
    BuildTask(child.Pid(), true);
    EXPECT_EQ(website, ::GetFocus());
    EXPECT_TRUE(linkFocused());
    // From a value, on to the next link below it.
    ::SetFocus(RowValue(3));
    PressKey(::GetFocus(), VK_TAB);
    EXPECT_EQ(website, ::GetFocus());
}

TEST_F(DetailPaneTest, ModuleListSortsByItsHeadersSizeAsANumber) {
    testutil::ChildProcess child;
    StartChild(child, "");
    BuildTask(child.Pid());
    HWND list = ModuleList();
    const int rows = testutil::ListRowCount(list);
    ASSERT_GE(rows, 3);
    auto clickHeader = [&](int column) {
        NMLISTVIEW click{};
        click.hdr = NMHDR{list, View::kModuleListId, static_cast<UINT>(LVN_COLUMNCLICK)};
        click.iItem = -1;
        click.iSubItem = column;
        ::SendMessageA(Native().GetHwnd(), WM_NOTIFY, View::kModuleListId, reinterpret_cast<LPARAM>(&click));
    };
    auto sizes = [&] {
        std::vector<long long> out;
        for (int r = 0; r < rows; ++r) out.push_back(SizeTextBytes(testutil::ListCell(list, r, 3).c_str()));
        return out;
    };
    clickHeader(3);
    std::vector<long long> ascending = sizes();
    EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end()));
    clickHeader(3);
    std::vector<long long> descending = sizes();
    EXPECT_TRUE(std::is_sorted(descending.rbegin(), descending.rend()));
    EXPECT_NE(ascending, descending);
    clickHeader(0);
    for (int r = 1; r < rows; ++r)
        EXPECT_LE(_stricmp(testutil::ListCell(list, r - 1, 0).c_str(), testutil::ListCell(list, r, 0).c_str()), 0);
}

TEST_F(DetailPaneTest, LongPageWrapsScrollsAndFollowsThePaneSize) {
    std::string description;
    for (int i = 0; i < 40; ++i) description += "word" + std::to_string(i) + " ";
    description += "end-of-description";
    DescribeChild("www.example.com", description);
    testutil::ChildProcess child;
    StartChild(child, "");
    ::MoveWindow(pane_->GetHwnd(), 0, 0, 460, 200, TRUE);
    BuildTask(child.Pid());
    View& native = Native();
    RECT paneRect = pane_->GetClientRect(), viewRect = native.GetWindowRect();
    EXPECT_EQ(paneRect.right, viewRect.right - viewRect.left);
    EXPECT_EQ(paneRect.bottom, viewRect.bottom - viewRect.top);

    // The description wraps in full; the page is taller than the pane.
    HWND value = RowValue(2);
    EXPECT_EQ(description, TextOf(value));
    const int narrowLines = static_cast<int>(::SendMessageA(value, EM_GETLINECOUNT, 0, 0));
    EXPECT_GE(narrowLines, 3);
    RECT valueRect{};
    ::GetWindowRect(value, &valueRect);
    EXPECT_GE(valueRect.bottom - valueRect.top, narrowLines * 10);
    const RECT client = native.GetClientRect();
    ASSERT_GT(native.ContentSize().cy, client.bottom);
    EXPECT_EQ(static_cast<UINT>(client.bottom), ScrollInfo(native.GetHwnd(), SB_VERT).nPage);

    // The module list shows every row and column without scroll bars of
    // its own: the page scrolls, not the list.
    auto listScrolls = [&] {
        return (::GetWindowLongA(ModuleList(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) != 0;
    };
    EXPECT_FALSE(listScrolls());
    // Scrolled to the end, the last module row is in view.
    ::SendMessageA(native.GetHwnd(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(native.ContentSize().cy - client.bottom, native.ScrollPosition().y);
    RECT list{};
    ::GetWindowRect(ModuleList(), &list);
    ::MapWindowPoints(nullptr, native.GetHwnd(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_LE(list.bottom, client.bottom);
    EXPECT_GT(list.bottom, 0);

    // The same row's page again (a refresh) stays where it was scrolled;
    // another row's page starts at its top.
    const int pageTop = native.ScrollPosition().y;
    ASSERT_GT(pageTop, 0);
    BuildTask(child.Pid(), true);
    EXPECT_EQ(pageTop, native.ScrollPosition().y);
    // So with the focus on a row out of view in a longer module list (this
    // program's), which the page would scroll to were the user to move it.
    processes_.Clear();
    LoadProcessImageList(processes_);
    BuildTask(::GetCurrentProcessId());
    ::SetFocus(ModuleList());
    ASSERT_TRUE(testutil::SelectListRow(ModuleList(), 0));
    ::SendMessageA(native.GetHwnd(), WM_VSCROLL, SB_BOTTOM, 0);
    const int bottom = native.ScrollPosition().y;
    BuildTask(::GetCurrentProcessId(), true);
    EXPECT_EQ(bottom, native.ScrollPosition().y);
    // The focus coming back to the list (the window activated again) shows
    // its focused row, which is in view: the page stays.
    const int lastRow = testutil::ListRowCount(ModuleList()) - 1;
    ASSERT_TRUE(testutil::SelectListRow(ModuleList(), lastRow));
    EXPECT_EQ(bottom, native.ScrollPosition().y);
    ::SetFocus(host_);
    ::SetFocus(ModuleList());
    EXPECT_EQ(bottom, native.ScrollPosition().y);
    // A row out of view that takes the focus is scrolled to.
    ASSERT_TRUE(testutil::SelectListRow(ModuleList(), 1));
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(ListView_GetItemRect(ModuleList(), 1, &row, LVIR_BOUNDS));
    ::MapWindowPoints(ModuleList(), native.GetHwnd(), reinterpret_cast<POINT*>(&row), 2);
    EXPECT_GE(row.top, 0);
    EXPECT_LT(native.ScrollPosition().y, bottom);
    BuildTask(child.Pid());
    EXPECT_EQ(0, native.ScrollPosition().y);
    // The keys that move through a page scroll it from a link, which has no
    // use for them.
    ::SetFocus(RowLink(5));
    PressKey(RowLink(5), VK_END);
    const int end = native.ContentSize().cy - client.bottom;
    EXPECT_EQ(end, native.ScrollPosition().y);
    // The focus given back to the link out of view as the window is
    // activated again (here from another window) leaves the page there.
    RECT link{};
    ::GetWindowRect(RowLink(5), &link);
    ::MapWindowPoints(nullptr, native.GetHwnd(), reinterpret_cast<POINT*>(&link), 2);
    ASSERT_LT(link.top, 0);
    HWND other = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ::SetFocus(other);
    ::SetFocus(RowLink(5));
    ::DestroyWindow(other);
    EXPECT_EQ(end, native.ScrollPosition().y);
    PressKey(RowLink(5), VK_PRIOR);
    EXPECT_LT(native.ScrollPosition().y, end);
    PressKey(RowLink(5), VK_HOME);
    EXPECT_EQ(0, native.ScrollPosition().y);
    EXPECT_EQ(RowLink(5), ::GetFocus());

    // A wider pane: the view follows and the description takes fewer lines.
    ::MoveWindow(pane_->GetHwnd(), 0, 0, 1000, 460, TRUE);
    viewRect = native.GetWindowRect();
    EXPECT_EQ(1000, viewRect.right - viewRect.left);
    EXPECT_LT(::SendMessageA(value, EM_GETLINECOUNT, 0, 0), narrowLines);
    EXPECT_FALSE(listScrolls());
    // So with another program's longer and shorter module lists.
    BuildTask(::GetCurrentProcessId());
    EXPECT_GT(testutil::ListRowCount(ModuleList()), 10);
    EXPECT_FALSE(listScrolls());
    BuildTask(child.Pid());
    EXPECT_FALSE(listScrolls());

    // Narrower than the page's least width: it scrolls sideways.
    ::MoveWindow(pane_->GetHwnd(), 0, 0, 200, 300, TRUE);
    const SCROLLINFO si = ScrollInfo(native.GetHwnd(), SB_HORZ);
    EXPECT_GT(si.nMax + 1, static_cast<int>(si.nPage));
    EXPECT_FALSE(listScrolls());
}

}  // namespace

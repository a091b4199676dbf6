// The main window's refresh cycle: the full refresh that rebuilds the four
// lists from a new snapshot, and the view update that keeps the values of the
// visible tab current on timer 5.
#include "app/QuillmarkDlg.h"

#include "app/pages/RowText.h"
#include "resource.h"
#include "sysinfo/Performance.h"

void CQuillmarkDlg::Refresh() {
    if (snapshot_.IsLoading()) return;                       // 1
    if (progress_.CreateOnce(hwnd_)) progress_.ShowCentred();  // 2
    log_.Log("Refreshing the system data.");                 // 3
    if (!snapshot_.StartLoading(hwnd_)) {                    // 4
        log_.Log("Refresh failed.");
        // Nothing will report back: the dialog must not stay up.
        if (progress_.IsWindow()) progress_.ShowWindow(SW_HIDE);
    }
}

LRESULT CQuillmarkDlg::OnSnapshotStep(int step, int finished) {
    const std::string text = rowtext::SnapshotStepText(step, finished != 0);
    if (!text.empty()) log_.Log("%s", text.c_str());
    return 1;
}

LRESULT CQuillmarkDlg::OnSnapshotDone(bool complete, int failedStep) {
    // The loader built lists of its own; they become the current ones now,
    // on this thread, so no row ever reads a list a worker is writing.
    snapshot_.AdoptLoaded();
    if (complete) {
        log_.Log("System data loaded and ready.");             // 1
    } else {
        // What loaded before the failing step is shown; the rest stays empty
        // and "Refresh" tries again.
        log_.Log("Loading the system data failed (step %d).", failedStep);
    }
    for (int tab = kTabApplications; tab <= kTabDrivers; ++tab) InitTab(tab);  // 2
    UpdateStatusCounts();                                       // 3
    if (progress_.IsWindow()) progress_.ShowWindow(SW_HIDE);    // 4
    RebuildDetailView();                                        // 5
    if (complete)
        SetStatusText(IDS_READY);                               // 6
    else
        SetStatusText("Loading the system data failed. Press F5 to refresh.");
    PostMessage(WM_TIMER, kViewUpdateTimer);                    // 7
    dataLoaded_ = true;                                         // 8
    if (tabs_.IsWindow()) ::EnableWindow(tabs_.GetHwnd(), TRUE);
    return 1;
}

void CQuillmarkDlg::InitTab(int tab) {
    ListPage* page = PageOfTab(tab);
    if (!page) return;
    filling_ = true;                                            // 1
    log_.Log("::InitTab(%d)", tab);
    const std::string text = rowtext::InitTabText(tab);         // 2
    SetStatusText(text);
    log_.Log("%s", text.c_str());
    page->Fill();                                               // 3, 4
    page->List().AutoSizeColumns(-1);                           // 5
    page->List().Resort();
    filling_ = false;                                           // 6
    UpdateStatusCounts();
    SetStatusText(std::string());
    log_.Log("::InitTab() exiting");
}

void CQuillmarkDlg::SetUpdateFrequency(int index) {
    // Auto mode picks a new interval only after a view update has been seen.
    // Until then the timer keeps running at the interval it has, so the view
    // never freezes with no timer armed.
    if (view_.autoUpdateEnabled && view_.autoMode && !tickSeen_) return;
    KillTimer(kViewUpdateTimer);                                // 1
    if (view_.autoUpdateEnabled) {                              // 2
        if (view_.autoMode) {                                   // 3
            index = rowtext::AutoUpdateIndex(performance_.CpuPercent());
        } else {                                                // 4
            index = rowtext::ValidUpdateIndex(index);
            view_.updateTimeIndex = index;
        }
        SetStatusText(rowtext::UpdateIntervalStatus(index));    // 5
        SetTimer(kViewUpdateTimer, rowtext::IntervalForIndex(index));
    }
    if (!view_.autoMode) PostMessage(WM_TIMER, kViewUpdateTimer);  // 6
    tickSeen_ = false;                                          // 7
    SaveViewSettings();
}

void CQuillmarkDlg::OnTimer(UINT_PTR id) {
    if (exiting_) return;
    switch (id) {
    case kViewUpdateTimer:
        UpdateCurrentView();
        tickSeen_ = true;
        CheckNotSupportedReport();
        break;
    case kAutoModeTimer:
        SyncSampling();
        if (view_.autoUpdateEnabled && view_.autoMode && tickSeen_) SetUpdateFrequency(-1);
        break;
    case kDatabaseUpdateTimer:
        if (updateService_) updateService_->CheckForUpdate(false);
        break;
    default:
        break;
    }
}

void CQuillmarkDlg::UpdateCurrentView() {
    // Minimised or hidden in the notification area nobody sees the values:
    // no process query at all then.
    if (filling_ || !initialised_ || ::IsIconic(hwnd_) || !IsVisible() || AnyListSorting()) return;
    const int tab = CurrentTab();
    if (tab == kTabNetwork) return;
    // A failed sample keeps the last good values; the Tasks rows are then
    // left alone, since every lookup would fail and each row would read as a
    // process that has gone.
    const bool sampled = tab == kTabDrivers || sampler_.Sample() == 1;
    if (!sampled && tab == kTabTasks) return;
    if (ListPage* page = PageOfTab(tab)) {
        bool selectedGone = false;
        if (page->Update(selectedGone) > 0) {
            page->List().Invalidate();
            UpdateStatusCounts();
            if (selectedGone) RebuildDetailView();
        }
        return;
    }
    if (tab == kTabPerformance) {
        MemoryStatus status;
        status.Read();
        performance_.Update(status, tasks_.RowCount(), view_.autoSizeColumns);
    }
}

void CQuillmarkDlg::OnNetworkSample() {
    const std::vector<NetAdapterInfo> adapters = network_.CopyAdapters();
    networkPage_.OnSample(adapters, CurrentTab() == kTabNetwork && IsVisible() && !::IsIconic(hwnd_),
                          view_.autoSizeColumns);
    CheckNotSupportedReport();
}

void CQuillmarkDlg::CheckNotSupportedReport() {
    // The sampler only notes that the system lacks the interface table; the
    // window says so, once, with no lock held.
    if (network_.TakeNotSupportedReport())
        ::MessageBoxA(hwnd_, kNetworkNotSupportedText, "Quillmark", MB_OK | MB_ICONINFORMATION);
}

void CQuillmarkDlg::OnListClicked() {
    if (!initialised_ || filling_ || !dataLoaded_ || AnyListSorting()) return;
    log_.Log("A list item was selected.");
    RebuildDetailView();
    if (CurrentTab() == kTabPerformance) {
        const int kind = performance_.SelectedKind();
        if (kind >= 0) SetMemoryKind(kind);
    }
    UpdateToolbarButtons();
    if (ListPage* page = VisiblePage()) ::SetFocus(page->List().GetHwnd());
}

void CQuillmarkDlg::RebuildDetailView() {
    if (!detail_) return;
    DetailRequest request;
    request.processes = &snapshot_.Processes();
    request.publisher = &publisherDb_;
    request.local = &localDb_;
    const int tab = CurrentTab();
    if (ListPage* page = PageOfTab(tab)) {
        const int row = page->List().GetSelectedItem();
        if (row >= 0) {
            switch (tab) {
            case kTabApplications:
                request.subject = DetailSubject::Application;
                request.window = applications_.WindowAt(row);
                break;
            case kTabTasks:
                request.subject = DetailSubject::Task;
                request.pid = tasks_.PidAt(row);
                break;
            default:
                request.subject = tab == kTabServices ? DetailSubject::Service : DetailSubject::Driver;
                request.service = ServicesPageOf(tab).RecordAt(row);
                break;
            }
        }
    }
    detail_->Build(request);
}

// The main window's refresh cycle: the full refresh that rebuilds the four
// lists from a new snapshot, and the view update that keeps the values of the
// shown page current on the view-update timer.
#include "app/QuillmarkDlg.h"

#include "resource.h"
#include "sysinfo/Performance.h"

void CQuillmarkDlg::Refresh() {
    if (snapshot_.IsLoading()) return;
    if (progress_.CreateOnce(hwnd_)) progress_.ShowCentred();
    log_.Log("Refreshing the system data.");
    if (!snapshot_.StartLoading(hwnd_)) {
        log_.Log("Refresh failed.");
        // Nothing will report back: the dialog must not stay up.
        if (progress_.IsWindow()) progress_.ShowWindow(SW_HIDE);
    }
}

void CQuillmarkDlg::OnSnapshotStep(int step, bool finished) {
    const std::string text = SnapshotStepText(step, finished);
    if (!text.empty()) log_.Log("%s", text.c_str());
}

void CQuillmarkDlg::OnSnapshotDone(bool complete, int failedStep) {
    // The loader built lists of its own; they become the current ones now,
    // on this thread, so no row ever reads a list a worker is writing.
    snapshot_.AdoptLoaded();
    // The load read every new process's owner; the first sample after it
    // would otherwise open each of them again, on this thread.
    sampler_.SetKnownUsers(KnownUsersOf(snapshot_.Processes()));
    // The fills log a line a row: written together when the lists are done.
    ActivityLog::Batch logBatch(log_);
    if (complete) {
        log_.Log("System data loaded and ready.");
    } else {
        // What loaded before the failing step is shown; the rest stays empty
        // and "Refresh" tries again.
        log_.Log("Loading the system data failed (step %d).", failedStep);
    }
    for (ListPage* page : lists_) InitTab(*page);
    UpdateStatusCounts();
    if (progress_.IsWindow()) progress_.ShowWindow(SW_HIDE);
    if (selectWarnedAfterLoad_) {
        selectWarnedAfterLoad_ = false;
        if (tasks_.HasKey(static_cast<LPARAM>(warned_.pid))) SelectWarnedProcess();
    }
    RebuildDetailView();
    if (complete)
        SetStatusText(IDS_READY);
    else
        SetStatusText("Loading the system data failed. Press F5 to refresh.");
    // The first view update runs at once.
    PostMessage(WM_TIMER, kViewUpdateTimer);
    dataLoaded_ = true;
    if (tabs_.IsWindow()) ::EnableWindow(tabs_.GetHwnd(), TRUE);
}

void CQuillmarkDlg::InitTab(ListPage& page) {
    filling_ = true;
    log_.Log("::InitTab(%d)", TabIndex(page.Tab()));
    SetStatusText(page.LoadingText());
    log_.Log("%s", page.LoadingText());
    // The fill makes every row anew; the row the user had selected is
    // selected again, so that a refresh keeps the detail page on it.
    const ListPage::RowMark selected = page.MarkSelection();
    page.Fill();
    // Fitted to the contents whatever the auto-size setting says: the rows
    // are new.
    page.FitColumns();
    page.List().Resort();
    page.Reselect(selected);
    filling_ = false;
    UpdateStatusCounts();
    SetStatusText(std::string());
    log_.Log("::InitTab() exiting");
}

void CQuillmarkDlg::SetUpdateFrequency(int index) {
    ApplyUpdateDecision(updatePolicy_.Choose(view_.update, index, samplers_.LastCpuUsage()));
    // Only what changed is written.
    SaveViewSettings();
}

void CQuillmarkDlg::ApplyUpdateDecision(const UpdatePolicy::Decision& decision) {
    if (decision.rearm) {
        KillTimer(kViewUpdateTimer);
        if (decision.intervalMs > 0) SetTimer(kViewUpdateTimer, decision.intervalMs);
    }
    if (decision.showStatus) SetStatusText(UpdatePolicy::IntervalStatus(decision.statusIndex));
    if (decision.postTick) PostMessage(WM_TIMER, kViewUpdateTimer);
    // Whether the process watch runs depends on the view update's timer.
    SyncSampling();
}

void CQuillmarkDlg::OnTimer(UINT_PTR id) {
    if (exiting_) return;
    switch (id) {
    case kViewUpdateTimer:
        UpdateCurrentView();
        updatePolicy_.TickSeen();
        CheckNotSupportedReport();
        break;
    case kAutoModeTimer:
        SyncSampling();
        ApplyUpdateDecision(updatePolicy_.Adjust(view_.update, samplers_.LastCpuUsage()));
        break;
    case kMemoryTimer:
        OnMemoryTick();
        break;
    case kProcessWatchTimer:
        if (sampler_.Sample() == SampleResult::Ok) CheckStartedProcesses();
        break;
    case kDatabaseUpdateTimer:
        if (updateService_) updateService_->CheckForUpdate(false);
        break;
    case kDetailFollowTimer:
        KillTimer(kDetailFollowTimer);
        OnListSelectionMoved();
        break;
    default:
        break;
    }
}

void CQuillmarkDlg::UpdateCurrentView() {
    // Minimised or hidden in the notification area nobody sees the values:
    // no process query at all then.
    if (filling_ || !initialised_ || !CanBeSeen() || AnyListSorting()) return;
    FunctionPage& page = VisiblePage();
    // A failed sample keeps the last good values (the page decides what that
    // means for its rows).
    ViewTick tick;
    // Until the first load has filled the lists they have no row to update;
    // a sample then (every process's owner read for the first time) would
    // only hold up the load, which reads the same processes.
    const bool rowsToUpdate = dataLoaded_ || !page.AsList();
    tick.sampled = page.UsesProcessSample() && rowsToUpdate && sampler_.Sample() == SampleResult::Ok;
    tick.autoSize = view_.autoSizeColumns;
    tick.taskRows = tasks_.TotalRowCount();
    const ViewChange change = page.UpdateView(tick);
    if (tick.sampled) CheckStartedProcesses();
    if (change.removed > 0 || change.filtered > 0) {
        if (ListPage* list = page.AsList()) list->List().Invalidate();
        UpdateStatusCounts();
        if (change.selectedGone) RebuildDetailView();
    }
}

void CQuillmarkDlg::OnMemoryTick() {
    MemoryStatus status;
    // A failed read leaves the figures at zero, which the meter shows.
    status.Read();
    performance_.OnMemoryReading(status);
}

void CQuillmarkDlg::OnNetworkSample() {
    const std::vector<NetAdapterInfo> adapters = samplers_.Network().CopyAdapters();
    networkPage_.OnSample(adapters, CurrentTab() == FunctionTab::Network && CanBeSeen(), view_.autoSizeColumns);
    CheckNotSupportedReport();
}

void CQuillmarkDlg::CheckNotSupportedReport() {
    // The sampler only notes that the system lacks the interface table; the
    // window says so, once, with no lock held.
    if (samplers_.Network().TakeNotSupportedReport())
        ::MessageBoxA(hwnd_, kNetworkNotSupportedText, "Quillmark", MB_OK | MB_ICONINFORMATION);
}

bool CQuillmarkDlg::CanFollowSelection() {
    return initialised_ && !filling_ && dataLoaded_ && !AnyListSorting();
}

void CQuillmarkDlg::OnListClicked() {
    // A click shows the page now; the selection it changed needs no second.
    KillTimer(kDetailFollowTimer);
    if (!CanFollowSelection()) return;
    ShowSelection();
    if (ListPage* list = VisibleList()) ::SetFocus(list->List().GetHwnd());
}

// The selection moved by the keyboard, or lost to the filter, has come to
// rest. Unlike a click this leaves the keyboard focus where it is (in the
// filter box, say), and a selection back on the row shown builds nothing.
void CQuillmarkDlg::OnListSelectionMoved() {
    if (!CanFollowSelection() || VisibleSelection() == detailShows_) return;
    ShowSelection();
}

// What a new selection shows: its detail page, on the Performance tab the
// memory kind of its row, and the toolbar's states for it.
void CQuillmarkDlg::ShowSelection() {
    log_.Log("A list item was selected.");
    RebuildDetailView();
    MemoryKind kind = MemoryKind::PageFile;
    if (CurrentTab() == FunctionTab::Performance && performance_.SelectedMemoryKind(kind))
        performance_.SetMemoryKind(kind);
    UpdateToolbarButtons();
}

CQuillmarkDlg::ShownSelection CQuillmarkDlg::VisibleSelection() {
    ShownSelection shown;
    shown.tab = CurrentTab();
    CListCtrlEx* list = VisiblePageList();
    const int row = list ? list->GetSelectedItem() : -1;
    if (row >= 0) {
        shown.selected = true;
        shown.key = list->GetItemData(row);
    }
    return shown;
}

void CQuillmarkDlg::RebuildDetailView() {
    const ShownSelection before = detailShows_;
    detailShows_ = VisibleSelection();
    if (!detail_) return;
    DetailRequest request = VisiblePage().SelectionDetail();
    request.sameRow = detailShows_.selected && detailShows_ == before;
    request.processes = &snapshot_.Processes();
    request.publisher = &publisherDb_;
    request.local = &localDb_;
    detail_->Build(request);
}

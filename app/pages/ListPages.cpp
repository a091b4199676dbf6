#include "app/pages/ListPages.h"

#include "actions/CloseKill.h"
#include "actions/ProgramCommands.h"
#include "actions/ProtectionList.h"
#include "app/TrustWarnings.h"
#include "app/pages/RowText.h"
#include "core/ActivityLog.h"
#include "core/AppPaths.h"
#include "core/Text.h"
#include "base/Resources.h"
#include "platform/Files.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/ProgramDatabaseDetails.h"
#include "resource.h"
#include "sysinfo/AppWindows.h"
#include "sysinfo/LiveState.h"
#include "sysinfo/ProcessHelpers.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SystemSnapshot.h"

namespace {
std::string PublisherDescription(const ProgramDatabase& publisher, const std::string& fileName) {
    std::string text;
    if (!publisher.IsLoading()) publisher.FindDescription(fileName, text);
    return text;
}

int ShownRowOf(CListCtrlEx& list, LPARAM key) {
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = key;
    return static_cast<int>(list.SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void SelectShownRow(CListCtrlEx& list, int row) {
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    list.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    list.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    list.SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}
}  // namespace

// ---- ListPage -------------------------------------------------------------------

ListPage::ListPage(PageSources& sources, CListCtrlEx& list, const FunctionListLayout& listLayout,
                   const TabToolBarLayout& barLayout, UINT defaultIcon, UINT filterBoxId)
    : sources_(sources),
      list_(list),
      rows_(list),
      listLayout_(listLayout),
      barLayout_(barLayout),
      defaultIcon_(defaultIcon),
      filterBoxId_(filterBoxId) {}

bool ListPage::Create(HWND tabControl) {
    defaultIconHandle_ = static_cast<HICON>(
        ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(defaultIcon_), IMAGE_ICON, 16, 16, LR_SHARED));
    defaultImage_ = IconBitmaps::Of(defaultIconHandle_);
    RECT rc{0, 0, 100, 100};
    if (CreateTabToolBar(toolbar_, barLayout_, tabControl, RECT{0, 0, 100, 30}, 0) &&
        filterBox_.Create(toolbar_.GetHwnd(), filterBoxId_,
                          reinterpret_cast<HFONT>(::SendMessageA(tabControl, WM_GETFONT, 0, 0)))) {
        filterBox_.onChange = [this](const std::string& text) {
            const FilteredList::Change change = SetFilter(text);
            if (filterListener_) filterListener_(*this, change);
        };
        filterBox_.onEscape = [this] {
            if (list_.IsWindow()) ::SetFocus(list_.GetHwnd());
        };
        // On to the rows the filter left, at the first of them when none is
        // selected, so the arrows and the commands act on them at once.
        filterBox_.onLeave = [this] {
            if (!list_.IsWindow()) return;
            ::SetFocus(list_.GetHwnd());
            if (list_.GetSelectedItem() < 0 && list_.GetItemCount() > 0) SelectShownRow(list_, 0);
        };
    }
    return CreateFunctionList(list_, listLayout_, tabControl, rc, 0);
}

void ListPage::Show(bool show) {
    if (toolbar_.IsWindow()) ::ShowWindow(toolbar_.GetHwnd(), show ? SW_SHOWNA : SW_HIDE);
    if (list_.IsWindow()) ::ShowWindow(list_.GetHwnd(), show ? SW_SHOWNA : SW_HIDE);
}

void ListPage::Layout(const RECT& area) {
    int listTop = area.top;
    if (toolbar_.IsWindow()) {
        RECT bar = toolbar_.GetWindowRect();
        int height = bar.bottom - bar.top;
        if (height <= 0) height = 30;
        ::SetWindowPos(toolbar_.GetHwnd(), nullptr, area.left, area.top, area.right - area.left, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        filterBox_.PlaceInBar(area.right - area.left, height, toolbar_.ButtonsRight());
        listTop = area.top + height + 2;
    }
    if (list_.IsWindow())
        ::SetWindowPos(list_.GetHwnd(), nullptr, area.left, listTop, area.right - area.left,
                       area.bottom > listTop ? area.bottom - listTop : 0, SWP_NOZORDER | SWP_NOACTIVATE);
}

ViewChange ListPage::UpdateView(const ViewTick&) {
    // The first update after a fill writes a value into every row. Each cell
    // written to a list that redraws invalidates its item, a trip to the
    // window server under Wine: at a thousand rows that update took longer
    // than the whole fill. Stopped, the list is redrawn once at the end.
    struct RedrawHold {
        CListCtrlEx* list = nullptr;
        ~RedrawHold() {
            if (!list) return;
            list->SendMessage(WM_SETREDRAW, TRUE);
            list->Invalidate(false);
        }
    } hold;
    if (rows_.TakeFreshFill() && list_.IsWindow()) {
        hold.list = &list_;
        list_.SendMessage(WM_SETREDRAW, FALSE);
    }
    ViewChange change = Update();
    const FilteredList::Change filtered = rows_.ApplyToChanged();
    change.filtered = filtered.shown + filtered.hidden;
    if (filtered.selectedHidden) change.selectedGone = true;
    return change;
}

FilteredList::Change ListPage::SetFilter(const std::string& text) { return rows_.SetFilter(text); }

bool ListPage::SelectKey(LPARAM key) {
    const int row = ShownRowOf(list_, key);
    if (row < 0) return false;
    SelectShownRow(list_, row);
    if (list_.IsWindow() && ::IsWindowVisible(list_.GetHwnd())) ::SetFocus(list_.GetHwnd());
    return true;
}

ListPage::RowMark ListPage::MarkSelection() const {
    RowMark mark;
    const int row = SelectedRow();
    if (row < 0) return mark;
    mark.set = true;
    mark.key = list_.GetItemData(row);
    mark.name = rows_.Text(mark.key, 0);
    return mark;
}

bool ListPage::Reselect(const RowMark& mark) {
    if (!mark.set) return false;
    int row = -1;
    if (KeyIsIdentity()) {
        // A process id or window handle reused by another program is another
        // row.
        if (rows_.Has(mark.key) && rows_.Text(mark.key, 0) == mark.name) row = ShownRowOf(list_, mark.key);
    } else {
        const std::vector<LPARAM> keys = rows_.ShownKeys();
        for (size_t i = 0; i < keys.size() && row < 0; ++i)
            if (rows_.Text(keys[i], 0) == mark.name) row = static_cast<int>(i);
    }
    if (row < 0) return false;
    SelectShownRow(list_, row);
    return true;
}

bool ListPage::DescribeSelected(SelectedProgram& program) {
    program.page = this;
    program.row = SelectedRow();
    if (program.row < 0 || !DescribeRow(program.row, program)) return false;
    if (program.path.empty()) return true;
    GetProgramDetails(program.path, program.details, sources_.publisher, sources_.local);
    program.fileName = FileNameOf(program.path);
    return true;
}

void ListPage::DescribeSelection(CommandContext& context) {
    context.tab = Tab();
    context.rows = RowCount();
    const int row = SelectedRow();
    context.selected = row >= 0;
    if (row >= 0) DescribeRowForCommands(row, context);
}

void ListPage::UpdateToolbar(const CommandContext& context) {
    if (!toolbar_.IsWindow()) return;
    for (UINT id : toolbar_.Commands()) {
        if (id == 0) continue;
        const CommandEntry* command = FindCommand(id);
        const CommandState state = command ? StateOf(*command, id, context) : CommandState{false, false, false};
        toolbar_.EnableButton(id, state.enabled);
        toolbar_.CheckButton(id, state.checked);
    }
}

void ListPage::DeleteRow(int row) {
    if (row >= 0 && row < RowCount()) rows_.Remove(rows_.At(row));
}

void ListPage::FitColumns() {
    const std::vector<LPARAM> keys = rows_.ShownKeys();
    list_.AutoSizeColumnsFromTexts(static_cast<int>(keys.size()), [&](int row, int column) -> const std::string& {
        return rows_.Text(keys[static_cast<size_t>(row)], column);
    });
}

FilteredList::Row ListPage::AddRow(LPARAM key, const std::string& firstCell, const IconBitmaps& icon) {
    return rows_.Add(key, firstCell, icon.icon ? icon : defaultImage_);
}

// ---- Applications and Tasks ------------------------------------------------------------

void ProgramListPage::WriteProtectionCell(const FilteredList::Row& row, const std::string& name) {
    SetCell(row, 1, sources_.protection.LevelText(name));
    rows_.SetImage(row, 1, sources_.protection.LevelNumber(name));
}

void ProgramListPage::WriteTrustColour(const FilteredList::Row& row, const std::string& name) {
    rows_.SetTextColour(row, RatingTextColour(DatabaseRating(name, sources_.publisher, sources_.local)));
}

void ProgramListPage::RefreshTrustColours() {
    rows_.ForEach([this](const FilteredList::Row& row) { WriteTrustColour(row, rows_.Text(row.key, 0)); });
}

FilteredList::Change ProgramListPage::RefreshProtection() {
    rows_.ForEach([this](const FilteredList::Row& row) { WriteProtectionCell(row, rows_.Text(row.key, 0)); });
    return rows_.ApplyToChanged();
}

void ProgramListPage::DescribeRowForCommands(int row, CommandContext& context) {
    const std::string name = list_.GetCellText(row, 0);
    const ProtectionList& protection = sources_.protection;
    context.canClose = protection.CanClose(name);
    context.canKill = protection.CanKill(name);
    context.isProtected = protection.IsProtected(name);
    context.systemProtected = protection.IsSystemProtected(name);
}

// ---- Applications ------------------------------------------------------------------

ApplicationsPage::ApplicationsPage(PageSources& sources)
    : ProgramListPage(sources, control_, kApplicationListLayout, kApplicationsToolBarLayout,
                      IDI_DEFAULT_APPLICATION, IDC_APPLICATIONS_FILTER) {}

namespace {
// The image paths the load read, by process.
ProcessPaths LoadedPaths(const SystemSnapshot& snapshot) {
    ProcessPaths paths;
    paths.reserve(snapshot.ProcessCount());
    for (const ProcessImageInfo& p : snapshot.Processes().items)
        if (!p.imagePath.empty()) paths.emplace(p.pid, p.imagePath);
    return paths;
}
}  // namespace

void ApplicationsPage::Fill() {
    rows_.BeginFill();
    pids_.clear();
    // A program with many windows (a browser, the shell) is read once.
    struct Program {
        RowIcon icon;
        ProgramDetails details;
    };
    std::unordered_map<std::string, Program> programs;
    for (const ListedAppWindow& listed : ReadAppWindows(sources_.snapshot.Windows(), LoadedPaths(sources_.snapshot))) {
        if (!listed.listed) continue;
        const HWND window = listed.window;
        const AppWindowInfo& info = listed.info;
        sources_.log.Log("Application: %s", info.imagePath.c_str());
        auto [found, isNew] = programs.try_emplace(FileKey(info.imagePath));
        Program& program = found->second;
        if (isNew) {
            program.icon.Load(info.imagePath);
            GetProgramDetails(info.imagePath, program.details, sources_.publisher, sources_.local);
        }
        const FilteredList::Row row = AddRow(reinterpret_cast<LPARAM>(window), info.programName, program.icon.image);
        WriteProtectionCell(row, info.programName);
        SetCell(row, 2, std::to_string(info.pid));
        SetCell(row, 5, rowtext::HandleText(window));
        SetCell(row, 6, info.title);
        SetCell(row, 7, program.details.company);
        SetCell(row, 8, program.details.description);
        WriteTrustColour(row, info.programName);
        pids_[window] = info.pid;
    }
    rows_.EndFill();
}

FilteredList::Change ApplicationsPage::RewriteDetails(const std::string* onlyName) {
    // The path is found as the fill finds it, once for each process (a
    // program may show many windows), and each file is read once.
    const ProcessPaths paths = LoadedPaths(sources_.snapshot);
    std::unordered_map<std::string, ProgramDetails> programs;
    std::unordered_map<DWORD, const ProgramDetails*> processes;
    rows_.ForEach([&](const FilteredList::Row& row) {
        const std::string& name = rows_.Text(row.key, 0);
        if (onlyName && ::lstrcmpiA(name.c_str(), onlyName->c_str()) != 0) return;
        HWND window = reinterpret_cast<HWND>(row.key);
        const auto pid = pids_.find(window);
        if (pid == pids_.end()) return;
        const ProgramDetails*& details = processes[pid->second];
        if (!details) {
            AppWindowInfo info;
            if (!ReadAppWindowInfo(window, info, paths) || info.pid != pid->second || info.programName != name)
                return;
            auto [found, isNew] = programs.try_emplace(FileKey(info.imagePath));
            if (isNew) GetProgramDetails(info.imagePath, found->second, sources_.publisher, sources_.local);
            details = &found->second;
        }
        SetCell(row, 7, details->company);
        SetCell(row, 8, details->description);
    });
    return rows_.ApplyToChanged();
}

HWND ApplicationsPage::WindowAt(int row) const {
    return row < 0 ? nullptr : reinterpret_cast<HWND>(list_.GetItemData(row));
}

ViewChange ApplicationsPage::Update() {
    ViewChange change;
    const int selected = list_.GetSelectedItem();
    rows_.ForEach([&](const FilteredList::Row& row) {
        HWND window = reinterpret_cast<HWND>(row.key);
        if (!WindowExists(window)) {
            if (row.index >= 0 && row.index == selected) change.selectedGone = true;
            rows_.Remove(row);
            pids_.erase(window);
            ++change.removed;
            return;
        }
        auto it = pids_.find(window);
        if (it == pids_.end()) return;
        ProcessInfo info;
        if (sources_.sampler.FindByPid(it->second, info) != SampleResult::Ok) return;
        SetCell(row, 3, rowtext::CpuText(info.cpuPercent));
        SetCell(row, 4, rowtext::MemoryKText(info.workingSet));
    });
    return change;
}

bool ApplicationsPage::DescribeRow(int row, SelectedProgram& program) {
    program.window = WindowAt(row);
    if (!WindowExists(program.window)) return false;
    CloseTarget target;
    if (!WindowProgram(program.window, target, program.path)) return false;
    program.pid = target.pid;
    program.createTime = target.createTime;
    return true;
}

DetailRequest ApplicationsPage::SelectionDetail() {
    DetailRequest request;
    const int row = SelectedRow();
    if (row < 0) return request;
    request.subject = DetailSubject::Application;
    request.window = WindowAt(row);
    return request;
}

// ---- Tasks ---------------------------------------------------------------------------

TasksPage::TasksPage(PageSources& sources)
    : ProgramListPage(sources, control_, kTaskListLayout, kTasksToolBarLayout, IDI_DEFAULT_TASK, IDC_TASKS_FILTER) {}

void TasksPage::Fill() {
    rows_.BeginFill();
    createTimes_.clear();
    files_.BeginFill();
    for (const ProcessImageInfo& p : sources_.snapshot.Processes().items) {
        const std::string name = rowtext::TaskName(p.pid, p.imagePath);
        sources_.log.Log("Task: %s", p.imagePath.c_str());
        const FileFacts& facts = files_.Get(p.imagePath, true);
        const FilteredList::Row row = AddRow(static_cast<LPARAM>(p.pid), name, facts.icon.image);
        WriteProtectionCell(row, name);
        SetCell(row, 3, std::to_string(p.pid));
        SetCell(row, 6, std::to_string(p.threadCount));
        SetCell(row, 7, rowtext::TaskCompany(facts.company));
        SetCell(row, 8, DescriptionOf(name, facts));
        WriteTrustColour(row, name);
        createTimes_[p.pid] = p.createTime;
    }
    rows_.EndFill();
    files_.EndFill();
}

std::string TasksPage::DescriptionOf(const std::string& name, const FileFacts& facts) const {
    return rowtext::TaskDescription(PublisherDescription(sources_.publisher, name), sources_.publisher.IsLoading(),
                                    facts.description);
}

FilteredList::Change TasksPage::RefreshDatabaseTexts() {
    // The files are those of the last fill, read then.
    std::unordered_map<DWORD, const ProcessImageInfo*> processes;
    processes.reserve(sources_.snapshot.ProcessCount());
    for (const ProcessImageInfo& p : sources_.snapshot.Processes().items) processes.emplace(p.pid, &p);
    rows_.ForEach([&](const FilteredList::Row& row) {
        const auto it = processes.find(static_cast<DWORD>(row.key));
        if (it == processes.end()) return;
        SetCell(row, 8, DescriptionOf(rows_.Text(row.key, 0), files_.Get(it->second->imagePath, false)));
    });
    return rows_.ApplyToChanged();
}

DWORD TasksPage::PidAt(int row) const { return static_cast<DWORD>(list_.GetItemData(row)); }

int64_t TasksPage::CreateTimeAt(int row) const {
    auto it = createTimes_.find(PidAt(row));
    return it == createTimes_.end() ? 0 : it->second;
}

ViewChange TasksPage::UpdateView(const ViewTick& tick) {
    // A failed sample keeps the rows as they are: every lookup would fail,
    // and each row would read as a process that has gone.
    if (!tick.sampled) return ViewChange();
    return ListPage::UpdateView(tick);
}

ViewChange TasksPage::Update() {
    ViewChange change;
    const int selected = list_.GetSelectedItem();
    rows_.ForEach([&](const FilteredList::Row& row) {
        const DWORD pid = static_cast<DWORD>(row.key);
        ProcessInfo info;
        bool found = sources_.sampler.FindByPid(pid, info) == SampleResult::Ok;
        if (found) {
            // The first sample that sees the row's process fixes its identity;
            // a later process under the same id is another program.
            auto it = createTimes_.find(pid);
            if (it == createTimes_.end() || it->second == 0)
                createTimes_[pid] = info.createTime;
            else if (info.createTime != 0 && info.createTime != it->second)
                found = false;
        }
        if (!found) {
            if (row.index >= 0 && row.index == selected) change.selectedGone = true;
            rows_.Remove(row);
            createTimes_.erase(pid);
            ++change.removed;
            return;
        }
        SetCell(row, 2, info.userName);
        SetCell(row, 4, rowtext::CpuText(info.cpuPercent));
        SetCell(row, 5, rowtext::MemoryKText(info.workingSet));
    });
    return change;
}

bool TasksPage::DescribeRow(int row, SelectedProgram& program) {
    program.pid = PidAt(row);
    program.createTime = CreateTimeAt(row);
    if (!CanQueryProcess(program.pid)) return false;
    if (GetProcessImagePathIfSame(program.pid, program.createTime, program.path))
        program.path = NormaliseImagePath(program.path);
    return true;
}

DetailRequest TasksPage::SelectionDetail() {
    DetailRequest request;
    const int row = SelectedRow();
    if (row < 0) return request;
    request.subject = DetailSubject::Task;
    request.pid = PidAt(row);
    request.createTime = CreateTimeAt(row);
    return request;
}

// ---- Services and drivers ------------------------------------------------------------

ServicesPage::ServicesPage(PageSources& sources, ServiceListKind kind)
    : ListPage(sources,
               kind == ServiceListKind::Services ? static_cast<CListCtrlEx&>(serviceControl_) : driverControl_,
               kind == ServiceListKind::Services ? kServiceListLayout : kDriverListLayout,
               kind == ServiceListKind::Services ? kServicesToolBarLayout : kDriversToolBarLayout,
               kind == ServiceListKind::Services ? IDI_DEFAULT_SERVICE : IDI_DEFAULT_DRIVER,
               kind == ServiceListKind::Services ? IDC_SERVICES_FILTER : IDC_DRIVERS_FILTER),
      kind_(kind),
      stateColumn_(kind == ServiceListKind::Services ? 3 : 1),
      startupColumn_(kind == ServiceListKind::Services ? 4 : 2) {}

ServiceList& ServicesPage::Records() {
    return kind_ == ServiceListKind::Services ? sources_.snapshot.Services() : sources_.snapshot.Drivers();
}

void ServicesPage::Fill() {
    rows_.BeginFill();
    const ServiceList& records = Records();
    const bool services = kind_ == ServiceListKind::Services;
    files_.BeginFill();
    const int companyColumn = services ? 6 : 4;
    const int displayColumn = services ? 5 : 3;
    for (size_t i = 0; i < records.Count(); ++i) {
        const ServiceInfo& r = records.Records()[i];
        sources_.log.Log(services ? "Service: %s" : "Driver: %s", r.imagePath.c_str());
        // The record carries the file's own first icon; a file without one
        // gets the shell's icon for it before the list's default.
        const FileFacts& facts = files_.Get(r.IconPath(), !r.icon);
        const LPARAM key = static_cast<LPARAM>(i);
        const FilteredList::Row row = r.icon ? AddRow(key, r.serviceName, IconBitmaps::Of(r.icon.get()))
                                             : AddRow(key, r.serviceName, facts.icon.image);
        SetCell(row, stateColumn_, r.stateText);
        SetCell(row, startupColumn_, r.startTypeText);
        SetCell(row, displayColumn, r.displayName);
        SetCell(row, companyColumn, facts.company);
        SetCell(row, DescriptionColumn(), DescriptionOf(r, facts));
    }
    rows_.EndFill();
    files_.EndFill();
}

std::string ServicesPage::DescriptionOf(const ServiceInfo& record, const FileFacts& facts) const {
    return rowtext::ServiceDescriptionText(record.description,
                                           PublisherDescription(sources_.publisher, FileNameOf(record.imagePath)),
                                           sources_.publisher.IsLoading(), facts.description);
}

FilteredList::Change ServicesPage::RefreshDatabaseTexts() {
    // The files are those of the last fill, read then.
    rows_.ForEach([&](const FilteredList::Row& row) {
        const ServiceInfo* record = Records().Find(static_cast<size_t>(row.key));
        if (record) SetCell(row, DescriptionColumn(), DescriptionOf(*record, files_.Get(record->IconPath(), false)));
    });
    return rows_.ApplyToChanged();
}

int ServicesPage::RecordIndexAt(int row) const {
    if (row < 0 || row >= list_.GetItemCount()) return -1;
    return static_cast<int>(list_.GetItemData(row));
}

ServiceInfo* ServicesPage::RecordAt(int row) {
    const int index = RecordIndexAt(row);
    if (index < 0) return nullptr;
    return Records().Find(static_cast<size_t>(index));
}

void ServicesPage::WriteStateCells(const FilteredList::Row& row, const ServiceInfo& record) {
    SetCell(row, stateColumn_, record.stateText);
    SetCell(row, startupColumn_, record.startTypeText);
}

void ServicesPage::WriteUsageCells(const FilteredList::Row& row, const ServiceInfo& record) {
    if (kind_ != ServiceListKind::Services) return;
    // Services that share one executable all show the first process of that
    // name: the sample knows processes, not services.
    ProcessInfo info;
    const bool running = record.currentState == SERVICE_RUNNING;
    if (running && sources_.sampler.FindByName(FileNameOf(record.imagePath), info) == SampleResult::Ok) {
        SetCell(row, 1, rowtext::CpuText(info.cpuPercent));
        SetCell(row, 2, rowtext::MemoryKText(info.workingSet));
    } else {
        SetCell(row, 1, rowtext::CpuText(0));
        SetCell(row, 2, rowtext::MemoryKText(0));
    }
}

ViewChange ServicesPage::Update() {
    ServiceList& records = Records();
    std::unordered_map<std::string, ServiceLiveState> states;
    const bool haveStates = QueryServiceStates(kind_ == ServiceListKind::Services ? 0 : 1, states);
    rows_.ForEach([&](const FilteredList::Row& row) {
        ServiceInfo* record = records.Find(static_cast<size_t>(row.key));
        if (!record) return;
        if (haveStates) {
            auto it = states.find(ServiceStateKey(record->serviceName));
            // A service that left the enumeration reads as stopped, as a
            // failed status query does.
            const int state = it == states.end() ? SERVICE_STOPPED : it->second.currentState;
            if (state != record->currentState || record->stateText.empty()) {
                record->currentState = state;
                record->stateText = StateText(state);
            }
            if (it != states.end() && it->second.startType >= 0 && it->second.startType != record->startType) {
                record->startType = it->second.startType;
                record->startTypeText = StartTypeText(record->startType);
                record->isAutoStart = record->startType == SERVICE_AUTO_START;
            }
        }
        WriteUsageCells(row, *record);
        WriteStateCells(row, *record);
    });
    return ViewChange();
}

void ServicesPage::UpdateRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    const FilteredList::Row at = rows_.At(row);
    ServiceInfo* record = Records().Find(static_cast<size_t>(at.key));
    if (!record) return;
    record->RefreshStateText();
    record->RefreshStartType();
    WriteUsageCells(at, *record);
    WriteStateCells(at, *record);
}

void ServicesPage::ApplyState(int row, const ServiceLiveState& state) {
    if (row < 0 || row >= RowCount()) return;
    const FilteredList::Row at = rows_.At(row);
    ServiceInfo* record = Records().Find(static_cast<size_t>(at.key));
    if (!record) return;
    record->currentState = state.currentState;
    record->stateText = StateText(state.currentState);
    if (state.startType >= 0) {
        record->startType = state.startType;
        record->startTypeText = StartTypeText(state.startType);
        record->isAutoStart = state.startType == SERVICE_AUTO_START;
    }
    WriteUsageCells(at, *record);
    WriteStateCells(at, *record);
}

int ServicesPage::RowOfService(const std::string& serviceName) {
    for (int row = 0; row < list_.GetItemCount(); ++row) {
        const ServiceInfo* record = RecordAt(row);
        if (record && ::lstrcmpiA(record->serviceName.c_str(), serviceName.c_str()) == 0) return row;
    }
    return -1;
}

bool ServicesPage::DescribeRow(int row, SelectedProgram& program) {
    program.record = RecordAt(row);
    if (!program.record) return false;
    program.path = program.record->imagePath;
    return true;
}

void ServicesPage::DescribeRowForCommands(int row, CommandContext& context) {
    ServiceInfo* record = RecordAt(row);
    context.service = svc::QueryToolbarState(record);
    context.startType = record ? record->startType : -1;
}

DetailRequest ServicesPage::SelectionDetail() {
    DetailRequest request;
    const int row = SelectedRow();
    if (row < 0) return request;
    request.subject = kind_ == ServiceListKind::Services ? DetailSubject::Service : DetailSubject::Driver;
    request.service = RecordAt(row);
    return request;
}

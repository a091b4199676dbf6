#include "sysinfo/SystemSnapshot.h"

#include <functional>

#include <psapi.h>
#include <tlhelp32.h>

#include "core/SharedWork.h"
#include "platform/Text.h"
#include "sysinfo/ProcessHelpers.h"
#include "sysinfo/ProcessSampler.h"

namespace {

// Normalised path in long form, as both process paths store it.
std::string CleanImagePath(const std::string& raw) {
    if (IsPlainImagePath(raw)) return raw;
    std::string path = NormaliseImagePath(raw);
    // Only a path with a short (8.3) component has a longer form; asking the
    // file system for every path cost milliseconds a process.
    if (path.find('~') == std::string::npos) return path;
    std::string longForm;
    return LongPathOf(path, longForm) ? longForm : path;
}

}  // namespace

KnownProcesses::KnownProcesses(std::vector<ProcessImageInfo> previous) : items_(std::move(previous)) {
    byPid_.reserve(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) byPid_[items_[i].pid] = i;
}

const ProcessImageInfo* KnownProcesses::Find(DWORD pid, int64_t createTime) const {
    if (createTime == 0) return nullptr;
    auto it = byPid_.find(pid);
    if (it == byPid_.end()) return nullptr;
    const ProcessImageInfo& known = items_[it->second];
    // A process whose image or command line could not be read may just have
    // been starting: it is read again rather than kept without them.
    if (known.createTime != createTime || known.imagePath.empty() || known.commandLine.empty()) return nullptr;
    return &known;
}

bool EnumerateAllProcessIds(EnumProcessIdsFn enumerate, std::vector<DWORD>& pids) {
    // The call cannot say how many ids there are: a full buffer may mean a
    // cut list, so grow it until some room is left over.
    std::vector<DWORD> ids(1024);
    DWORD bytes = 0;
    for (;;) {
        DWORD size = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!enumerate(ids.data(), size, &bytes)) return false;
        if (bytes < size || ids.size() >= (1u << 20)) break;
        ids.resize(ids.size() * 2);
    }
    if (bytes > ids.size() * sizeof(DWORD)) bytes = static_cast<DWORD>(ids.size() * sizeof(DWORD));
    ids.resize(bytes / sizeof(DWORD));
    pids.swap(ids);
    return true;
}

bool ListProcessesByStatus(ProcessImageList& list) {
    list.Clear();
    const SystemEntryPoints& e = SystemEntries();
    auto enumProcesses = e.enumProcesses ? e.enumProcesses : &::EnumProcesses;
    auto enumModules = e.enumProcessModules ? e.enumProcessModules : &::EnumProcessModules;
    auto baseName = e.loaded ? e.getModuleBaseNameA : &::GetModuleBaseNameA;
    auto fileName = e.loaded ? e.getModuleFileNameExA : &::GetModuleFileNameExA;

    std::vector<DWORD> pids;
    if (!EnumerateAllProcessIds(enumProcesses, pids)) return false;

    ThreadCounts threads;
    threads.Take();
    list.items.reserve(pids.size());
    for (DWORD pid : pids) {
        ProcessImageInfo info;
        info.pid = pid;
        // The row shows the thread count whether or not the modules can be
        // read; the total counts the processes whose modules could be.
        info.threadCount = threads.Count(pid);
        UniqueHandle process(::OpenProcess(kProcessQueryRead, FALSE, pid));
        if (process) {
            ReadProcessCreateTime(process.get(), info.createTime);
            HMODULE module = nullptr;
            DWORD needed = 0;
            if (enumModules(process.get(), &module, sizeof(module), &needed) && baseName && fileName) {
                char name[MAX_PATH] = {};
                if (baseName(process.get(), module, name, MAX_PATH)) info.moduleName = name;
                char path[MAX_PATH] = {};
                if (fileName(process.get(), module, path, MAX_PATH)) info.imagePath = path;
                list.threadTotal += info.threadCount;
                info.imagePath = CleanImagePath(info.imagePath);
            }
            process.reset();
        }
        ReadProcessCommandLine(pid, info.commandLine);
        list.items.push_back(std::move(info));
    }
    return !list.items.empty();
}

namespace {

// The image path, creation time (unless known) and command line of one
// process (the main module's name is known already), read from the process
// itself through one handle where the rights allow. True when the image path
// was read (the process's threads then count towards the list's total).
bool ReadProcessImage(ProcessImageInfo& info) {
    std::string path;
    {
        // Reading the command line needs the memory-read right as well; the
        // image name and times need only the limited query right.
        UniqueHandle process(::OpenProcess(kProcessQueryRead, FALSE, info.pid));
        const bool canRead = static_cast<bool>(process);
        if (!process) process.reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, info.pid));
        if (!process) process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, info.pid));
        if (process && info.createTime == 0) ReadProcessCreateTime(process.get(), info.createTime);
        // The system's image-name query answers without reading the
        // process's memory; a module snapshot reads it many times over and
        // cost several milliseconds a process.
        if (process) QueryProcessImageName(process.get(), path);
        if (canRead) ReadProcessCommandLine(process.get(), info.commandLine);
        // The owner, while the handle is open: the first process sample after
        // the load takes it from here instead of opening every process again.
        if (process) ProcessUserFromHandle(process.get(), info.userName);
    }
    // Without that query (older systems): the main module is the first of
    // the process's module snapshot; a process of the other bitness (or one
    // we may not read) falls back to the image path helper.
    if (path.empty()) {
        UniqueHandle modules(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, info.pid));
        MODULEENTRY32 me{};
        me.dwSize = sizeof(me);
        if (modules && ::Module32First(modules.get(), &me)) {
            info.moduleName = me.szModule;
            path = me.szExePath;
        } else {
            GetProcessImagePath(info.pid, path);
        }
    }
    if (path.empty()) return false;
    info.imagePath = CleanImagePath(path);
    return true;
}

// From this many processes to read (a first load) other threads share the
// reads; a refresh's few new processes are not worth starting them.
constexpr size_t kSharedReadsFrom = 64;
// Past four threads asking at once the first load got no faster here.
constexpr size_t kOtherReaders = 3;
// The other readers do as much as this thread: the bound is only for one
// that never comes back, which fails the step.
constexpr DWORD kSharedReadsBoundMs = 30000;

// Reads the processes of list.items at the positions in unread, several at a
// time (core/SharedWork.h). False when a reader failed or did not end within
// its bound.
bool ReadProcessImages(ProcessImageList& list, const std::vector<size_t>& unread) {
    struct Read {
        ProcessImageInfo info;
        bool pathRead = false;
    };
    std::vector<Read> reads(unread.size());
    for (size_t k = 0; k < unread.size(); ++k) reads[k].info = std::move(list.items[unread[k]]);
    if (!ShareWork<Read>(reads, kOtherReaders, kSharedReadsFrom, kSharedReadsBoundMs,
                         [](Read& read) { read.pathRead = ReadProcessImage(read.info); }))
        return false;
    for (size_t k = 0; k < unread.size(); ++k) {
        if (reads[k].pathRead) list.threadTotal += reads[k].info.threadCount;
        list.items[unread[k]] = std::move(reads[k].info);
    }
    return true;
}

// Takes what the last load read of a process that still runs; false when the
// process must be read.
bool TakeKnown(const KnownProcesses& known, ProcessImageInfo& info, int64_t createTime, ProcessImageList& list) {
    const ProcessImageInfo* same = known.Find(info.pid, createTime);
    if (!same) return false;
    info.moduleName = same->moduleName;
    info.imagePath = same->imagePath;
    info.commandLine = same->commandLine;
    info.createTime = same->createTime;
    info.userName = same->userName;
    list.threadTotal += info.threadCount;
    return true;
}

}  // namespace

bool ListProcessesByQuery(ProcessImageList& list) {
    const KnownProcesses known(std::move(list.items));
    list.Clear();
    // One query lists every process with its name, thread count and creation
    // time. The tool-help snapshots are made from this same query, so taking
    // a process snapshot and a thread snapshot queried the system twice over.
    std::vector<BYTE> buffer;
    if (QuerySystemProcesses(buffer) != 1) return false;
    std::vector<ProcessEntry> entries;
    ParseProcessEntries(buffer.data(), buffer.size(), entries);
    list.items.reserve(entries.size());
    std::vector<size_t> unread;
    for (const ProcessEntry& e : entries) {
        ProcessImageInfo info;
        info.pid = e.pid;
        info.threadCount = static_cast<int>(e.threadCount);
        if (!TakeKnown(known, info, e.createTime, list)) {
            info.createTime = e.createTime;
            // The system's own processes have no name in the query, and the
            // tool-help list shows them by the name it gives them.
            if (e.name && e.nameChars > 0) WideToAnsi(e.name, e.nameChars, info.moduleName);
            if (info.moduleName.empty() && e.pid == 0) info.moduleName = "[System Process]";
            unread.push_back(list.items.size());
        }
        list.items.push_back(std::move(info));
    }
    if (!ReadProcessImages(list, unread)) return false;
    return !list.items.empty();
}

bool ListProcessesByToolHelp(ProcessImageList& list) {
    const KnownProcesses known(std::move(list.items));
    list.Clear();
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof(pe);
    if (!::Process32First(snapshot.get(), &pe)) return false;
    ThreadCounts threads;
    threads.Take();
    do {
        ProcessImageInfo info;
        info.pid = pe.th32ProcessID;
        info.threadCount = threads.Count(pe.th32ProcessID);
        int64_t createTime = 0;
        {
            UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, info.pid));
            if (process) ReadProcessCreateTime(process.get(), createTime);
        }
        if (!TakeKnown(known, info, createTime, list)) {
            info.createTime = createTime;
            info.moduleName = pe.szExeFile;
            if (ReadProcessImage(info)) list.threadTotal += info.threadCount;
        }
        list.items.push_back(std::move(info));
        pe.dwSize = sizeof(pe);
    } while (::Process32Next(snapshot.get(), &pe));
    return !list.items.empty();
}

std::vector<ProcessSampler::KnownUser> KnownUsersOf(const ProcessImageList& list) {
    std::vector<ProcessSampler::KnownUser> users;
    users.reserve(list.items.size());
    for (const ProcessImageInfo& p : list.items)
        if (p.createTime != 0 && !p.userName.empty()) users.push_back({p.pid, p.createTime, p.userName});
    return users;
}

bool LoadProcessImageList(ProcessImageList& list) {
    if (UsesProcessStatusPath(CurrentOsFamily())) return ListProcessesByStatus(list);
    // The tool-help list is the way on a system without the process query.
    ProcessImageList previous = list;
    if (ListProcessesByQuery(list)) return true;
    list = std::move(previous);
    return ListProcessesByToolHelp(list);
}

namespace {
BOOL CALLBACK CollectTopWindow(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}
}  // namespace

bool SnapshotSteps::LoadWindows(std::vector<HWND>& windows) {
    windows.clear();
    return ::EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&windows)) != FALSE;
}

bool SnapshotSteps::LoadProcesses(ProcessImageList& processes) { return LoadProcessImageList(processes); }

bool SnapshotSteps::LoadServices(ServiceList& services) { return services.Load(0); }

bool SnapshotSteps::LoadDrivers(ServiceList& drivers) { return drivers.Load(1); }

struct SystemSnapshot::Finished {
    CriticalSection lock;
    std::unique_ptr<SnapshotLists> lists;  // null while nothing waits
    int failedStep = -1;
};

std::string SnapshotStepText(int step, bool finished) {
    static const char* const kSteps[] = {"Loading application windows...", "Loading processes...",
                                         "Loading services...", "Loading drivers..."};
    if (step < 0 || step > 3) return std::string();
    std::string text = kSteps[step];
    if (finished) text += "complete";
    return text;
}

namespace {
// The live system's steps hold no state: one for every snapshot, so a load
// that outlives its snapshot (let go at exit) never calls into a dead object.
SnapshotSteps& LiveSteps() {
    static SnapshotSteps steps;
    return steps;
}
}  // namespace

SystemSnapshot::SystemSnapshot(SnapshotSteps* steps)
    : finished_(std::make_shared<Finished>()), steps_(steps ? steps : &LiveSteps()) {}

SystemSnapshot::~SystemSnapshot() { Stop(); }

bool SystemSnapshot::Stop(DWORD boundMs) { return worker_.Stop(boundMs); }

namespace {
constexpr int kLoadStopped = -2;

// The loader's four steps in order, into lists. progress(step, finished) is
// told before each step and after each one that succeeded; a false answer
// before a step stops the load (kLoadStopped). -1 when every step succeeded,
// else the failing step: its list and the later ones are then empty.
int RunSnapshotSteps(SnapshotSteps& steps, SnapshotLists& lists,
                     const std::function<bool(int step, bool finished)>& progress) {
    for (int n = 0; n < 4; ++n) {
        if (!progress(n, false)) return kLoadStopped;
        bool ok = false;
        try {
            switch (n) {
            case 0: ok = steps.LoadWindows(lists.windows); break;
            case 1: ok = steps.LoadProcesses(lists.processes); break;
            case 2: ok = steps.LoadServices(lists.services); break;
            case 3: ok = steps.LoadDrivers(lists.drivers); break;
            }
        } catch (...) {
            ok = false;  // e.g. out of memory: treated as a failed step
        }
        if (!ok) {
            // Neither the failing step's end message nor anything after it
            // is posted; what it and the later steps would have loaded is
            // not there.
            if (n <= 0) lists.windows.clear();
            if (n <= 1) lists.processes.Clear();
            if (n <= 2) lists.services.Clear();
            lists.drivers.Clear();
            return n;
        }
        progress(n, true);
    }
    return -1;
}
}  // namespace

bool SystemSnapshot::StartLoading(HWND owner) {
    if (worker_.IsRunning()) return false;
    std::shared_ptr<Finished> finished = finished_;
    SnapshotSteps* steps = steps_;
    // The worker reads a copy of the current processes, never the list the
    // window reads.
    auto previous = std::make_shared<ProcessImageList>(current_.processes);
    return worker_.Start(owner, [finished, steps, previous](WorkerThread::Context& context) {
        auto lists = std::make_unique<SnapshotLists>();
        lists->processes = std::move(*previous);
        const int failed = RunSnapshotSteps(*steps, *lists, [&context](int step, bool done) {
            if (!done && context.StopRequested()) return false;
            context.Post(WM_SNAPSHOT_STEP, static_cast<WPARAM>(step), done ? 1 : 0);
            return true;
        });
        if (failed == kLoadStopped) return;
        {
            CriticalSectionLock hold(finished->lock);
            finished->lists = std::move(lists);
            finished->failedStep = failed;
        }
        if (failed < 0)
            context.Complete(WM_SNAPSHOT_DONE, 1, 0);
        else
            context.Complete(WM_SNAPSHOT_DONE, 0, static_cast<LPARAM>(failed));
    });
}

bool SystemSnapshot::LoadNow() {
    if (worker_.IsRunning()) return false;
    SnapshotLists lists;
    lists.processes = current_.processes;
    const int failed = RunSnapshotSteps(*steps_, lists, [](int, bool) { return true; });
    current_.windows.swap(lists.windows);
    std::swap(current_.processes, lists.processes);
    std::swap(current_.services, lists.services);
    std::swap(current_.drivers, lists.drivers);
    failedStep_ = failed;
    return failed < 0;
}

bool SystemSnapshot::AdoptLoaded() {
    std::unique_ptr<SnapshotLists> lists;
    int failed = -1;
    {
        CriticalSectionLock hold(finished_->lock);
        lists = std::move(finished_->lists);
        failed = finished_->failedStep;
    }
    if (!lists) return false;
    current_.windows.swap(lists->windows);
    std::swap(current_.processes, lists->processes);
    std::swap(current_.services, lists->services);
    std::swap(current_.drivers, lists->drivers);
    failedStep_ = failed;
    return true;
}

void SystemSnapshot::ClearServiceLists() {
    current_.services.Clear();
    current_.drivers.Clear();
}

bool SystemSnapshot::ProcessAt(size_t i, ProcessImageInfo& out) const {
    if (i >= current_.processes.items.size()) return false;
    out = current_.processes.items[i];
    return true;
}

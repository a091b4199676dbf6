#include "actions/ProgramCommands.h"

#include <memory>

#include "base/Handles.h"
#include "base/Resources.h"
#include "resource.h"
#include "sysinfo/AppWindows.h"
#include "sysinfo/ProcessHelpers.h"

std::string KillProcessPrompt(DWORD pid, const std::string& programPath) {
    return FormatString("Process ID: %d\nProgram: %s\n\nDo you want to kill this running process?",
                        static_cast<int>(pid), programPath.c_str());
}

std::string ApplicationsKilledText(int count) {
    return FormatString("%d applications were killed", count);
}

std::string UnidentifiedKillPrompt(DWORD pid) {
    return FormatString("The program of process ID %d cannot be identified, so its protection cannot be checked."
                        "\n\nDo you want to kill this process anyway?",
                        static_cast<int>(pid));
}

bool CanCloseProgram(const ProtectionList& protection, const std::string& programPath) {
    // A program without a name has no entry, which would read as
    // unprotected: it may be a protected one that could not be read.
    const std::string name = FileNameOf(programPath);
    return !name.empty() && protection.CanClose(name);
}

bool CanKillProgram(const ProtectionList& protection, const std::string& programPath) {
    const std::string name = FileNameOf(programPath);
    return !name.empty() && protection.CanKill(name);
}

namespace {
DWORD WindowProcessId(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Whether pid is still the process created at createTime and has not ended.
bool IsSameRunningProcess(DWORD pid, int64_t createTime) {
    UniqueHandle process(OpenSameProcess(pid, createTime, 0));
    DWORD exitCode = 0;
    return process && ::GetExitCodeProcess(process.get(), &exitCode) && exitCode == STILL_ACTIVE;
}
}  // namespace

std::string WindowProgramPath(HWND window) {
    std::string path;
    if (!::IsWindow(window) || !GetProcessImagePath(WindowProcessId(window), path)) return std::string();
    return path;
}

bool WindowProgram(HWND window, CloseTarget& target, std::string& path) {
    CloseTarget found;
    if (!WindowTarget(window, found)) return false;
    std::string read;
    GetProcessImagePathIfSame(found.pid, found.createTime, read);
    target = found;
    path = read;
    return true;
}

KillAllowedFn KillAllowedBy(const ProtectionList& protection) {
    auto copy = std::make_shared<const ProtectionList>(protection);
    return [copy](const std::string& name) { return copy->CanKill(name); };
}

bool CloseApplication(CloseKillJob& job, const ProtectionList& protection, HWND window, const ConfirmFn& confirm,
                      HWND notifyWindow) {
    CloseTarget target;
    std::string path;
    if (!WindowProgram(window, target, path) || !CanCloseProgram(protection, path)) return false;
    if (!confirm(kCloseApplicationPrompt)) return false;
    return job.Clear() && job.AddWindow(target) && job.Start(notifyWindow, KillAllowedBy(protection));
}

bool CloseAllApplications(CloseKillJob& job, const ProtectionList& protection, const std::vector<HWND>& windows,
                          const ConfirmFn& confirm, HWND notifyWindow) {
    if (windows.empty() || !confirm(kCloseAllApplicationsPrompt)) return false;
    if (!job.Clear()) return false;
    for (HWND window : windows) {
        CloseTarget target;
        std::string path;
        if (WindowProgram(window, target, path) && CanCloseProgram(protection, path)) job.AddWindow(target);
    }
    return job.Start(notifyWindow, KillAllowedBy(protection));
}

bool KillProgram(const ProtectionList& protection, DWORD pid, int64_t createTime, const std::string& programPath,
                 const ConfirmFn& confirm) {
    if (!CanKillProgram(protection, programPath)) return false;
    if (!confirm(KillProcessPrompt(pid, programPath))) return false;
    return KillProcessIfSame(pid, createTime, KillAllowedBy(protection));
}

KillQuestion KillProgramQuestion(const ProtectionList& protection, DWORD pid, bool alive,
                                 const std::string& programPath) {
    KillQuestion question;
    if (!alive) return question;
    if (FileNameOf(programPath).empty()) {
        question.kind = KillQuestion::Unidentified;
        question.text = UnidentifiedKillPrompt(pid);
    } else if (CanKillProgram(protection, programPath)) {
        question.kind = KillQuestion::Kill;
        question.text = KillProcessPrompt(pid, programPath);
    }
    return question;
}

bool KillProgram(const ProtectionList& protection, DWORD pid, int64_t createTime, const ConfirmFn& confirm,
                 const ConfirmFn& confirmUnidentified) {
    std::string path;
    const bool alive = GetProcessImagePathIfSame(pid, createTime, path) || IsSameRunningProcess(pid, createTime);
    const KillQuestion question = KillProgramQuestion(protection, pid, alive, path);
    switch (question.kind) {
    case KillQuestion::Kill:
        if (!confirm(question.text)) return false;
        return KillProcessIfSame(pid, createTime, KillAllowedBy(protection));
    case KillQuestion::Unidentified:
        if (!confirmUnidentified || !confirmUnidentified(question.text)) return false;
        return KillProcessIfSame(pid, createTime, KillAllowedBy(protection), UnidentifiedKill::Allow);
    default:
        return false;
    }
}

int KillAllApplications(const ProtectionList& protection, const std::vector<HWND>& windows,
                        const ConfirmFn& confirm) {
    if (windows.empty()) return -1;
    // Every program is read and checked before the question: the user
    // answers for the programs the list showed, and one that cannot be
    // identified is left alone.
    std::vector<CloseTarget> targets;
    for (HWND window : windows) {
        CloseTarget target;
        std::string path;
        if (WindowProgram(window, target, path) && CanKillProgram(protection, path)) targets.push_back(target);
    }
    if (!confirm(kKillAllApplicationsPrompt)) return -1;
    const KillAllowedFn allowed = KillAllowedBy(protection);
    int killed = 0;
    for (const CloseTarget& t : targets) {
        // A second window of a process killed a moment ago finds the process
        // gone here and is skipped.
        if (KillProcessIfSame(t.pid, t.createTime, allowed)) ++killed;
    }
    return killed;
}

bool KillAllTasks(CloseKillJob& job, const ProtectionList& protection, const std::vector<TaskRow>& rows,
                  const ConfirmFn& confirm, HWND notifyWindow) {
    if (rows.empty() || !confirm(kKillAllTasksPrompt)) return false;
    if (!job.Clear()) return false;
    for (const TaskRow& row : rows) {
        // The row's name is the list's key; the program the process really
        // runs must pass too, and must be readable at all.
        std::string path;
        if (protection.CanKill(row.name) && GetProcessImagePathIfSame(row.pid, row.createTime, path) &&
            CanKillProgram(protection, path))
            job.AddProcess(KillTarget{row.pid, row.createTime});
    }
    return job.Start(notifyWindow, KillAllowedBy(protection));
}

void ProtectProgram(ProtectionList& protection, const std::string& name) {
    int allowClose = 0, allowKill = 0, system = 0;
    protection.Get(name, allowClose, allowKill, system);
    protection.Set(name, 0, 0, system);
}

bool UnprotectProgram(ProtectionList& protection, const std::string& name) {
    if (protection.Find(name) < 0 || protection.IsSystemProtected(name)) return false;
    protection.Set(name, 1, 1, 0);
    return true;
}

void ToggleAllowClose(ProtectionList& protection, const std::string& name) {
    protection.SetAllowClose(name, !protection.CanClose(name));
}

void ToggleAllowKill(ProtectionList& protection, const std::string& name, bool tasksList) {
    // Flipping the answer of CanKill (rather than the stored bit) also works
    // for a program without an entry, which a bit toggle would leave as it
    // was, so that the first click on it did nothing.
    protection.SetAllowKill(name, !protection.CanKill(name));
    if (tasksList) protection.SetAllowClose(name, protection.CanKill(name));
}

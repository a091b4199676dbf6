#include "actions/ProgramCommands.h"

#include "framework/Resources.h"
#include "sysinfo/AppWindows.h"
#include "sysinfo/ProcessHelpers.h"

std::string KillProcessPrompt(DWORD pid, const std::string& programPath) {
    return FormatString("Process ID: %d\nProgram: %s\n\nDo you want to kill this running process?",
                        static_cast<int>(pid), programPath.c_str());
}

std::string ApplicationsKilledText(int count) {
    return FormatString("%d applications were killed", count);
}

bool CanCloseProgram(const ProtectionList& protection, const std::string& programPath) {
    return protection.CanClose(FileNameOf(programPath));
}

bool CanKillProgram(const ProtectionList& protection, const std::string& programPath) {
    return protection.CanKill(FileNameOf(programPath));
}

namespace {
DWORD WindowProcessId(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}
}  // namespace

std::string WindowProgramPath(HWND window) {
    std::string path;
    if (!::IsWindow(window) || !GetProcessImagePath(WindowProcessId(window), path)) return std::string();
    return path;
}

bool CloseApplication(CloseKillJob& job, const ProtectionList& protection, HWND window, const ConfirmFn& confirm,
                      HWND notifyWindow) {
    if (!::IsWindow(window) || !CanCloseProgram(protection, WindowProgramPath(window))) return false;
    if (!confirm(kCloseApplicationPrompt)) return false;
    return job.Clear() && job.AddWindow(window) && job.Start(notifyWindow);
}

bool CloseAllApplications(CloseKillJob& job, const ProtectionList& protection, const std::vector<HWND>& windows,
                          const ConfirmFn& confirm, HWND notifyWindow) {
    if (windows.empty() || !confirm(kCloseAllApplicationsPrompt)) return false;
    if (!job.Clear()) return false;
    for (HWND window : windows) {
        if (::IsWindow(window) && CanCloseProgram(protection, WindowProgramPath(window))) job.AddWindow(window);
    }
    return job.Start(notifyWindow);
}

bool KillProgram(const ProtectionList& protection, DWORD pid, const std::string& programPath,
                 const ConfirmFn& confirm) {
    if (!CanKillProgram(protection, programPath)) return false;
    if (!confirm(KillProcessPrompt(pid, programPath))) return false;
    return KillProcess(pid);
}

int KillAllApplications(const ProtectionList& protection, const std::vector<HWND>& windows,
                        const ConfirmFn& confirm) {
    if (windows.empty() || !confirm(kKillAllApplicationsPrompt)) return -1;
    int killed = 0;
    for (HWND window : windows) {
        if (!::IsWindow(window)) continue;
        DWORD pid = WindowProcessId(window);
        std::string path;
        GetProcessImagePath(pid, path);
        // A second window of a process killed a moment ago finds the process
        // gone here and is skipped.
        if (CanKillProgram(protection, path) && CanQueryProcess(pid) && KillProcess(pid)) ++killed;
    }
    return killed;
}

bool KillAllTasks(CloseKillJob& job, const ProtectionList& protection, const std::vector<TaskRow>& rows,
                  const ConfirmFn& confirm, HWND notifyWindow) {
    if (rows.empty() || !confirm(kKillAllTasksPrompt)) return false;
    if (!job.Clear()) return false;
    for (const TaskRow& row : rows) {
        if (protection.CanKill(row.name) && CanQueryProcess(row.pid)) job.AddProcess(row.pid);
    }
    return job.Start(notifyWindow);
}

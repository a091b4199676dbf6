// The close and kill commands of the Applications and Tasks lists: their
// protection checks, prompts and result texts, and the work each one does.
// Each command takes the main window's confirmation step as confirm; a
// protected program is refused before any prompt.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "actions/CloseKill.h"
#include "actions/ProtectionList.h"

using ConfirmFn = std::function<bool(const std::string& text)>;

constexpr const char* kCloseApplicationPrompt = "Close this application?";
constexpr const char* kCloseAllApplicationsPrompt = "Do you want to close all unprotected applications?";
constexpr const char* kKillAllApplicationsPrompt = "Do you want to kill all unprotected applications?";
constexpr const char* kKillAllTasksPrompt = "Do you want to kill all unprotected tasks?";

// "Process ID: %d\nProgram: %s\n\nDo you want to kill this running process?"
std::string KillProcessPrompt(DWORD pid, const std::string& programPath);
// "%d applications were killed"
std::string ApplicationsKilledText(int count);
// The question for a process whose program cannot be identified: "The
// program of process ID %d cannot be identified, so its protection cannot be
// checked.\n\nDo you want to kill this process anyway?"
std::string UnidentifiedKillPrompt(DWORD pid);

// The protection checks, keyed by the file name of the program's path. An
// empty path (a program that cannot be identified) is never allowed.
bool CanCloseProgram(const ProtectionList& protection, const std::string& programPath);
bool CanKillProgram(const ProtectionList& protection, const std::string& programPath);

// The image path of the process that owns window; empty when it cannot be
// read or the window is gone.
std::string WindowProgramPath(HWND window);
// The process that owns window now (its identity) and that process's image
// path, read by that identity (empty when it cannot be read). False when the
// window is gone or its process cannot be opened.
bool WindowProgram(HWND window, CloseTarget& target, std::string& path);

// The kill rule of the protection list as the close/kill job asks it, from a
// copy of the list taken now: the job's worker reads it while the user may
// change the window's list.
KillAllowedFn KillAllowedBy(const ProtectionList& protection);

// Close program: when the window still exists and its program can be
// identified and may be closed, asks kCloseApplicationPrompt; on yes empties
// the job, adds the window with the identity of its process as it was before
// the question, and starts the job. True when the job was started.
bool CloseApplication(CloseKillJob& job, const ProtectionList& protection, HWND window, const ConfirmFn& confirm,
                      HWND notifyWindow);

// Close all programs: for a non-empty list asks kCloseAllApplicationsPrompt;
// on yes empties the job, adds every window that still exists and whose
// program can be identified and may be closed, and starts the job. True when
// the job was started.
bool CloseAllApplications(CloseKillJob& job, const ProtectionList& protection, const std::vector<HWND>& windows,
                          const ConfirmFn& confirm, HWND notifyWindow);

// Kill program, with the path the caller read: when the program may be
// killed, asks KillProcessPrompt and on yes kills the process at once, only
// when pid is still the process created at createTime and its real image name
// may be killed. An empty path does nothing. True when it was killed.
bool KillProgram(const ProtectionList& protection, DWORD pid, int64_t createTime, const std::string& programPath,
                 const ConfirmFn& confirm);

// What Kill program asks before it acts on a process, from what could be
// read of it.
struct KillQuestion {
    enum Kind {
        None,          // nothing to ask: the process is gone or protected
        Kill,          // the confirmation step (honours "PromptUser")
        Unidentified,  // always asked: the program cannot be identified
    } kind = None;
    std::string text;
};
// alive: pid is still the process of the row; programPath: its image path,
// empty when it could not be read.
KillQuestion KillProgramQuestion(const ProtectionList& protection, DWORD pid, bool alive,
                                 const std::string& programPath);

// Kill program for the process pid created at createTime, as a list row shows
// it: reads its path by that identity and asks KillProgramQuestion's question,
// the Kill question through confirm and the Unidentified one through
// confirmUnidentified (which must always ask, whatever "PromptUser" says;
// null: such a process is left alone). On yes kills the process at once when
// it is still the same one and, when it can be named now, its name may be
// killed. True when it was killed.
bool KillProgram(const ProtectionList& protection, DWORD pid, int64_t createTime, const ConfirmFn& confirm,
                 const ConfirmFn& confirmUnidentified);

// Kill all programs on the Applications list: for a non-empty list reads the
// process and program of every window, asks kKillAllApplicationsPrompt, and
// on yes kills, at once, each process whose program could be identified and
// may be killed and that is still the same process; the others are left
// alone. Returns the number killed, or -1 when nothing was done (empty list
// or no).
int KillAllApplications(const ProtectionList& protection, const std::vector<HWND>& windows,
                        const ConfirmFn& confirm);

// One row of the Tasks list as the kill command sees it: the name in the
// first column is the protection key.
struct TaskRow {
    DWORD pid = 0;
    std::string name;
    int64_t createTime = 0;  // of the process the row shows
};

// Kill all programs on the Tasks list: for a non-empty list asks
// kKillAllTasksPrompt; on yes empties the job, adds every process whose row
// name and real program may be killed and that is still the row's process
// (one whose program cannot be identified is left alone), and starts the job;
// the job checks identity and protection again before each kill. True when
// the job was started.
bool KillAllTasks(CloseKillJob& job, const ProtectionList& protection, const std::vector<TaskRow>& rows,
                  const ConfirmFn& confirm, HWND notifyWindow);

// ---- Protection commands of the Applications and Tasks lists --------------

// Protect program: both permissions off, the system flag kept.
void ProtectProgram(ProtectionList& protection, const std::string& name);
// Unprotect program: only an existing entry that is not system protected gets
// both permissions back. False when nothing was changed.
bool UnprotectProgram(ProtectionList& protection, const std::string& name);
// Allow close (Applications): flips the current close permission.
void ToggleAllowClose(ProtectionList& protection, const std::string& name);
// Allow kill: flips the kill permission; on the Tasks list the close
// permission then follows the new kill permission.
void ToggleAllowKill(ProtectionList& protection, const std::string& name, bool tasksList);


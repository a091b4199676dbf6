// Starting and ending child processes in tests. Only processes a test started
// are ever ended, by their handle.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/Handles.h"

namespace testutil {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(ChildProcess&&) = default;
    ChildProcess& operator=(ChildProcess&&) = default;

    // Starts "exe args"; workingDir may be empty.
    bool Start(const std::string& exe, const std::string& args = std::string(),
               const std::string& workingDir = std::string());
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return process_.get(); }
    bool Running() const;
    // Waits for the end; false when it still runs after the bound.
    bool WaitExit(DWORD boundMs, DWORD* exitCode = nullptr);
    void Kill();

private:
    UniqueHandle process_;
    DWORD pid_ = 0;
};

// The top-level windows of a process (or of all processes for pid 0) with a
// class name and, unless null, a title.
std::vector<HWND> FindTopWindows(DWORD pid, const char* className, const char* title);

}  // namespace testutil

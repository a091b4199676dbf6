// Per-process helpers that other parts call directly. Each opens and closes
// its own handles. LoadSystemEntryPoints/FreeSystemEntryPoints and OsFamily
// live in platform/Processes.h, included here.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>

#include "platform/Processes.h"

// Access used to read a process's modules: query information + read memory.
constexpr DWORD kProcessQueryRead = 0x0410;

// The full path of the process's image in long form. Opens the process with
// query and read access; false when it cannot be opened, has ended, or the
// name cannot be read (the system's image-name query first, the main module
// of the module list where the system has no such query).
bool GetProcessImagePath(DWORD pid, std::string& path);

// The image path of the process with this id only while it is still the one
// created at createTime (100 ns since 1601, UTC, as ProcessInfo::createTime
// carries it): false when it cannot be opened, has ended, is another process
// that has the id now, or its path cannot be read. What a command on a list
// row must use, since a row's pid may have passed to another program.
bool GetProcessImagePathIfSame(DWORD pid, int64_t createTime, std::string& path);

// The image path of an open process (the image-name query, else the main
// module where the handle may read memory), in long form; false when the
// process has ended or the path cannot be read. The handle needs query
// rights (the limited ones are enough for the image-name query).
bool ReadProcessImagePath(HANDLE process, std::string& path);

// Whether the process can be opened with query and read access.
bool CanQueryProcess(DWORD pid);

// The number of the process's threads whose CPU times can be read; 0 on any
// failure. Takes one system-wide thread snapshot per call: to count many
// processes, use ThreadCounts instead.
int CountProcessThreads(DWORD pid);

// Thread counts of every process from one thread snapshot, so that a load of
// all processes costs one snapshot rather than one per process.
class ThreadCounts {
public:
    // Takes the snapshot; false when it cannot be taken or walked.
    bool Take();
    // The count for pid from the last Take; 0 when none.
    int Count(DWORD pid) const;

private:
    std::unordered_map<DWORD, int> counts_;
};

// The command line of another process, at most 245 bytes (a longer one
// is cut). Read from the process's own environment block, never by running
// code inside the process; a target whose layout cannot be read safely from
// here (a 64-bit process seen from this 32-bit program, where the system has
// no command-line query) gives false.
bool ReadProcessCommandLine(DWORD pid, std::string& commandLine);
// The same through a handle opened with kProcessQueryRead.
bool ReadProcessCommandLine(HANDLE process, std::string& commandLine);

// Pure part of the command-line read: UTF-16 text as read from the target
// (chars characters) to ANSI, cut at the first NUL and at 245 bytes (by whole characters).
bool CommandLineFromWide(const wchar_t* text, size_t chars, std::string& out);
constexpr size_t kCommandLineMax = 245;

// Cleans an image path as the service manager or the process list stores it
// ("\SystemRoot\...", "system32\...", quoted paths, "\??\" prefixes, service
// host " -k group" suffixes, arguments after "/" or "-", a missing ".exe").
std::string NormaliseImagePath(const std::string& raw);
// True for a path the system's image-name query gives for a running program:
// drive-absolute ("X:\..."), ending in ".exe", without quotes, arguments
// ("/", " -k ") or short (8.3) components. Such a path is already what
// NormaliseImagePath would make of it, and asking the file system to confirm
// it costs milliseconds a process under Wine.
bool IsPlainImagePath(const std::string& path);

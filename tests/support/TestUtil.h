// Helpers shared by the test programs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testutil {

// The folder of the running test program, with a trailing backslash.
std::string ExeFolder();

// A fresh, empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    // The folder, with a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The lines of a text whose lines end in CR LF (the last may lack it).
std::vector<std::string> SplitLines(const std::string& text);
// Empty when the file cannot be read.
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
void DeleteTreeOnDisk(const std::string& path);

// Polls a condition, pumping this thread's messages, until it holds or the
// bound passes. The bound keeps a broken test from hanging; it is not a
// measurement.
bool WaitUntil(const std::function<bool()>& condition, DWORD boundMs = 10000);

// Dispatches this thread's waiting messages for about the given time.
void PumpFor(DWORD ms);
// Dispatches every message already waiting for this thread, and returns.
void DispatchWaiting();

// A build path from CMake (a Unix path) as Wine's Z: drive sees it; Windows
// paths pass through unchanged.
std::string HostPath(const std::string& path);

// Removes the program's settings key, so a test starts from an empty registry.
void ResetQuillmarkSettings();
// Before Quillmark.exe is started by a test: its update service address is a
// loopback one (a closed port unless given) and the connection question is off.
void PrepareQuillmarkStart(const std::string& serviceUrl = "http://127.0.0.1:9");

}  // namespace testutil

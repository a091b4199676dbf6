// Quillmark without a window: "Quillmark.exe /export LIST FILE" writes one of
// the four function lists to a file, as Export Data writes it from a freshly
// loaded list, and ends. It shows no window and no notification-area icon,
// leaves a running Quillmark alone (the single-instance rule is the
// interactive program's), checks for no update, neither deletes nor writes
// the activity log and changes no setting. Errors and the usage go to the
// calling program's console or standard handles when it has them; with
// none, nothing is shown and nothing waits.
#pragma once

#include <string>
#include <vector>

#include "ui/FunctionTabs.h"

// The exit codes.
enum CommandLineExit : int {
    kExitWritten = 0,
    kExitUsage = 1,     // the arguments are wrong
    kExitNotWritten = 2 // the list could not be loaded or the file not written
};

struct CommandLineRequest {
    bool usage = false;  // "/?": print the usage, nothing else
    FunctionTab list = FunctionTab::Applications;
    std::string path;
    int kind = 0;  // ExportKind
};

// Reads the arguments (without the program's own name). Switches start with
// "/" or "-" and, like the list and format names, are read ignoring case:
// "/export LIST FILE" with LIST one of applications, tasks, services or
// drivers; "/format csv|tab|html|xml" anywhere, overriding the format the
// file's extension selects; "/?" alone. False with the reason in error for
// anything else, nothing included.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLineRequest& request, std::string& error);
// The export kind a file name selects: ".csv" CSV, ".htm" or ".html" HTML,
// ".xml" XML, anything else (or nothing) tab-separated.
int CommandLineExportKind(const std::string& path);
// The usage text, lines ending in CR LF.
std::string CommandLineUsage();
// Whether arguments ask for the command line at all: one of its switches
// ("/export", "/format", "/?", also with "-"). Any other arguments are left
// to the interactive program, which takes none and ignores them.
bool WantsCommandLine(const std::vector<std::string>& args);

// The arguments of this process, in the system's code page.
std::vector<std::string> ProcessArguments();
// Runs the command line and returns the process's exit code.
int RunCommandLine(const std::vector<std::string>& args);

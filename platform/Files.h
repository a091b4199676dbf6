// Whole-file reads and writes for the program's own small files.
#pragma once

#include <windows.h>

#include <string>

// Whether path names an existing file (not a folder).
bool FileExists(const std::string& path);

// Reads at most maxBytes from the start of a file into out. False (out
// untouched) when the file cannot be opened or read.
bool ReadFileBounded(const std::string& path, size_t maxBytes, std::string& out);

// The name of the file the new content is written to before it replaces path,
// for the program's own files in its own folders: nothing of the user's is
// ever beside them under that name.
std::string ReplacementFileName(const std::string& path);

// Where the new content goes before it is moved over the target.
enum class AsideName {
    // ReplacementFileName(path): for the program's own files.
    Fixed,
    // A name beside the target that no file has yet (created exclusively), for
    // a target the user chose: the folder may hold anything of the user's,
    // "report.csv.new" included.
    Unique,
};

// Creates an empty file beside path under a name no file had (path followed by
// ".~" and eight hexadecimal digits and ".tmp") and returns that name; empty
// when none could be created.
std::string CreateUniqueFileBeside(const std::string& path);

// Writes content so that a crash or a full disk cannot destroy the previous
// good copy: the content goes to a file beside path, is flushed, and only then
// moved over path. On any failure the temporary file is removed, path is left
// as it was and the result is false, with the system's error code of the step
// that failed in *error (when given).
bool WriteFileReplacing(const std::string& path, const std::string& content, AsideName aside = AsideName::Fixed,
                        DWORD* error = nullptr);

// The system's text for an error code, on one line ("Access is denied."); the
// code in hexadecimal when the system has no text for it.
std::string SystemErrorText(DWORD error);

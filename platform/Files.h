// Whole-file reads and writes for the program's own small files.
#pragma once

#include <string>

// Whether path names an existing file (not a folder).
bool FileExists(const std::string& path);

// Reads at most maxBytes from the start of a file into out. False (out
// untouched) when the file cannot be opened or read.
bool ReadFileBounded(const std::string& path, size_t maxBytes, std::string& out);

// The name of the file the new content is written to before it replaces path.
std::string ReplacementFileName(const std::string& path);

// Writes content so that a crash or a full disk cannot destroy the previous
// good copy: the content goes to ReplacementFileName(path), is flushed, and
// only then moved over path. On any failure the temporary file is removed,
// path is left as it was and the result is false.
bool WriteFileReplacing(const std::string& path, const std::string& content);

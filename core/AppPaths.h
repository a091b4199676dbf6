// The program's folders, each ending in a backslash.
#pragma once

#include <string>

// The long-path form of the executable's folder.
std::string ProgramFolder();
// The long-path form of the executable's full path.
std::string ProgramPath();
// ProgramFolder() + "HTML\".
std::string HtmlWorkFolder();
// The program files folder + "Ornava Utilities\Common\"; empty when the
// system cannot name the program files folder.
std::string CommonDataFolder();

// Pure parts, for tests.
// Cuts a full file path back to its folder, keeping the final backslash.
std::string FolderOfPath(const std::string& fullPath);
// Appends a backslash unless the text already ends in one.
std::string WithTrailingBackslash(const std::string& path);
// The common data folder under a given program files folder ("" stays "").
std::string CommonDataFolderUnder(const std::string& programFiles);
// The file name without its extension.
std::string FileTitleOfPath(const std::string& path);

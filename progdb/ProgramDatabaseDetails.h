// The merged description of one program file: its version data, overridden
// field by field by the publisher's database and then by the local one.
#pragma once

#include <string>

#include "progdb/ProgramDatabase.h"

struct FileDetails;

struct ProgramDetails {
    std::string version;      // "ProductVersion" of the file
    std::string description;
    std::string path;         // the full path asked for
    std::string fileName;     // the part of path after the last backslash
    std::string title;        // "FileDescription" of the file
    std::string company;
    std::string webSite;      // empty, or starting with "http://" or "https://" (any case)
    int ratingValue = -1;
    std::string ratingText;
};

// Builds the details of the file at path. The publisher database is skipped
// while it is loading. Always returns true.
bool GetProgramDetails(const std::string& path, ProgramDetails& details,
                       const ProgramDatabase& publisher, const ProgramDatabase& local);

// The merge itself, for given inputs: fileDetails is null when the file does
// not exist; publisherEntry / localEntry are null when not found (or, for the
// publisher, while it loads).
void MergeProgramDetails(const std::string& path, const FileDetails* fileDetails,
                         const ProgramEntry* publisherEntry, const ProgramEntry* localEntry,
                         ProgramDetails& details);

// "http://" in front of a non-empty address that starts with neither
// "http://" nor "https://" (compared ignoring case).
std::string WithHttpScheme(const std::string& url);

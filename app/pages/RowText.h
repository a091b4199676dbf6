// The texts of the function views' cells and of the status bar's counts. Pure
// functions over plain values, so the exact formats are tested without
// windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace rowtext {

// "%d application%s" and the like: the suffix is empty for exactly one.
std::string CountText(int count, const char* noun);
// The count of a filtered list: "12 of 210 tasks". The noun follows the
// total by the same rule ("1 of 1 task", "0 of 2 tasks").
std::string CountOfText(int shown, int total, const char* noun);
// "%0.1f%%" of a CPU percentage.
std::string CpuText(double percent);
// "%d K" of a byte count (bytes / 1024).
std::string MemoryKText(uint64_t bytes);
// "%0.8X" of a window handle.
std::string HandleText(HWND window);
// "%lu MB" of a byte count (bytes / 1048576).
std::string MegabyteText(uint64_t bytes);

// The Tasks name: "System Idle Process" for pid 0, "System" for pid 4, else
// the last component of the image path.
std::string TaskName(uint32_t pid, const std::string& imagePath);
// The Tasks "Company": the version company, or "N/A" when empty.
std::string TaskCompany(const std::string& versionCompany);
// The Tasks "Description": the publisher's description (when that database
// is not loading and has one), else the version description, else "N/A".
std::string TaskDescription(const std::string& publisherDescription, bool publisherLoading,
                            const std::string& versionDescription);
// Services' and drivers' "Description": the record's own description first,
// then the publisher's (when not loading), then the version description.
std::string ServiceDescriptionText(const std::string& ownDescription, const std::string& publisherDescription,
                                   bool publisherLoading, const std::string& versionDescription);

// The network graph's next point: the summed utilisation x100, truncated.
int NetworkGraphPoint(double utilizationSum);

}  // namespace rowtext

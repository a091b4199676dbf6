// A process table made up in memory, laid out exactly as the system's process
// query returns it, for the sampler's tests and the benchmark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sysinfo/ProcessSampler.h"

struct SyntheticProcess {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    uint32_t threads = 1;
    int64_t createTime = 0;
    int64_t userTime = 0;
    int64_t kernelTime = 0;
    uint64_t workingSet = 0;
    int32_t basePriority = 8;
    int64_t readBytes = 0;
    int64_t writeBytes = 0;
    std::wstring name;
};

// Serves `processes` as query results; user names are "user<pid>", counted.
class SyntheticProcessSource : public ProcessSource {
public:
    std::vector<SyntheticProcess> processes;
    bool available = true;
    SampleResult queryResult = SampleResult::Ok;  // returned instead of a table when not Ok
    // What Now() and Processors() answer. A clock left at 0 never moves, so
    // the CPU shares are of the sum of the deltas.
    int64_t clock = 0;
    int processorCount = 1;
    int userLookups = 0;
    // Called inside each user lookup (e.g. to try a re-entrant call).
    void (*onUserLookup)(void* context) = nullptr;
    void* context = nullptr;

    bool Available() const override { return available; }
    SampleResult Query(std::vector<BYTE>& buffer) override;
    bool UserName(uint32_t pid, int64_t createTime, std::string& user) override;
    int64_t Now() override { return clock; }
    int Processors() override { return processorCount; }
};

// Writes the entries into buffer (resized to fit), names inside it.
void BuildProcessQueryBuffer(const std::vector<SyntheticProcess>& processes, std::vector<BYTE>& buffer);

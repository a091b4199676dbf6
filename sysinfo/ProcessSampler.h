// The per-tick model of the running processes: one record per process from a
// single system-wide query, matched to the previous sample by pid and creation
// time, with CPU percentages and change bits for the views.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Processes.h"

enum ProcessChange : uint8_t {
    ProcessChangeCpuPercent = 0x04,
    ProcessChangeWorkingSet = 0x08,
    ProcessChangePriority = 0x10,
    ProcessChangeWriteBytes = 0x20,
    ProcessChangeReadBytes = 0x40,
    ProcessChangeNew = 0xFF,  // created or re-created in this sample
};

// One sampled process; a fixed-size plain record, copied out whole. The
// figures a tick updates come first, together in a cache line or two; the
// names, written once, last.
struct ProcessInfo {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    int64_t createTime = 0;  // 100 ns since 1601, UTC; 0 when none
    int64_t cpuTime = 0;     // user + kernel, 100 ns
    int64_t cpuDelta = 0;
    double cpuPercent = 0.0;
    uint32_t workingSet = 0;
    int32_t basePriority = 0;
    int64_t readBytes = 0;
    int64_t writeBytes = 0;
    uint8_t changes = 0;
    char imageName[260] = {};
    char userName[260] = {};
};

// One entry of the query, decoded. name points into the query buffer.
struct ProcessEntry {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    uint32_t threadCount = 0;
    int64_t createTime = 0;
    int64_t cpuTime = 0;
    uint64_t workingSet = 0;
    int32_t basePriority = 0;
    int64_t readBytes = 0;
    int64_t writeBytes = 0;
    const wchar_t* name = nullptr;
    size_t nameChars = 0;
    bool nameValid = true;  // false when the name lay outside the buffer
};

// Decodes a query buffer into entries, in order. Survives any bytes: an entry
// or a name that would lie outside the buffer ends the walk (names outside
// are dropped), as does an offset that does not move forward.
void ParseProcessEntries(const BYTE* buffer, size_t size, std::vector<ProcessEntry>& out);

// What a sample or a lookup came to; the values are the program's usual
// result codes.
enum class SampleResult : int {
    Ok = 1,
    Failed = -1,        // the query failed or memory ran out
    NotAvailable = -2,  // no query on this system, or no such process
    Busy = -4,          // a sample or a lookup is under way: nothing changed
};

// Where the sampler's data comes from: the system, or a synthetic table.
class ProcessSource {
public:
    virtual ~ProcessSource() = default;
    // Whether the entry points are loaded and the query exists.
    virtual bool Available() const = 0;
    // Fills buffer with query entries (names inside it).
    virtual SampleResult Query(std::vector<BYTE>& buffer) = 0;
    // The owner account of a new process; false when it cannot be found.
    virtual bool UserName(uint32_t pid, int64_t createTime, std::string& user) = 0;
    // A clock in 100 ns units (any origin) read at each query, and the number
    // of processors: the machine's time a sample's CPU shares are measured
    // against when the query lists no idle process to carry the idle time.
    virtual int64_t Now();
    virtual int Processors();
};

// The system itself (platform/Processes.h).
class LiveProcessSource : public ProcessSource {
public:
    bool Available() const override;
    SampleResult Query(std::vector<BYTE>& buffer) override;
    bool UserName(uint32_t pid, int64_t createTime, std::string& user) override;
};

class ProcessSampler {
public:
    // source: null for the live system; otherwise not owned, must outlive.
    explicit ProcessSampler(ProcessSource* source = nullptr);
    ProcessSampler(const ProcessSampler&) = delete;
    ProcessSampler& operator=(const ProcessSampler&) = delete;

    // Refreshes every record from one query; while a sample or a lookup is
    // under way nothing changes (Busy).
    SampleResult Sample();
    // Copies the record of pid; NotAvailable when there is none.
    SampleResult FindByPid(uint32_t pid, ProcessInfo& out) const;
    // The first record (in query order) whose image name matches, ignoring case.
    SampleResult FindByName(const std::string& name, ProcessInfo& out) const;
    // Calls visit with every record in query order, holding the lookup marker
    // (so a re-entrant Sample is Busy).
    template <typename F>
    SampleResult ForEach(F&& visit) const {
        SampleResult rc = BeginLookup();
        if (rc != SampleResult::Ok) return rc;
        // Ended on every way out, a throwing visitor's too: otherwise every
        // later Sample would be refused as busy.
        struct EndOnExit {
            const ProcessSampler& sampler;
            ~EndOnExit() { sampler.EndLookup(); }
        } end{*this};
        for (const auto& r : records_) visit(r->info);
        return SampleResult::Ok;
    }

    // Owners another reader has just read (a load opens every process
    // anyway), by pid and creation time: the next sample's new records take
    // their names from here instead of opening each process again. Only the
    // sample right after is served; it drops them all, and names of processes
    // already recorded are not kept at all.
    struct KnownUser {
        uint32_t pid = 0;
        int64_t createTime = 0;  // 0: not used
        std::string name;
    };
    void SetKnownUsers(const std::vector<KnownUser>& users);

    size_t Count() const { return records_.size(); }
    // How many records the last sample created (their changes are
    // ProcessChangeNew): a watch of started processes looks no further while
    // this is 0. Every record of the first sample is new.
    size_t NewCount() const { return newCount_; }
    // Sum of all deltas at the last sample (100 ns units).
    int64_t DeltaSum() const { return deltaSum_; }
    // What the last sample's CPU shares were divided by (100 ns units): the
    // sum of the deltas when an idle process carries the idle time, else the
    // time since the sample before times the processors.
    int64_t CpuTimeBase() const { return cpuBase_; }

private:
    struct Key {
        uint32_t pid;
        int64_t createTime;
        bool operator==(const Key& o) const { return pid == o.pid && createTime == o.createTime; }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            uint64_t h = static_cast<uint64_t>(k.createTime) * 0x9E3779B97F4A7C15ull ^ k.pid;
            return static_cast<size_t>(h ^ (h >> 29));
        }
    };

    SampleResult BeginLookup() const;
    void EndLookup() const { --lookup_; }
    void FillNewRecord(ProcessInfo& r, const ProcessEntry& e);

    ProcessSource* source_;
    LiveProcessSource live_;
    bool busy_ = false;
    mutable int lookup_ = 0;  // depth of the lookups under way
    std::vector<BYTE> buffer_;
    // A record with the sample it was last seen in.
    // The mark comes first, beside the record's figures: the tick reads
    // both for every process, and the names (written once) come last.
    struct Record {
        uint64_t seen = 0;
        ProcessInfo info;
    };
    // The records are owned by the key map and stay where they are while
    // their process lives, so a process that ends costs the removal of its
    // own entries, not a rebuild of every map.
    std::unordered_map<Key, std::unique_ptr<Record>, KeyHash> byKey_;
    std::unordered_map<uint32_t, Record*> byPid_;  // the record of each pid
    std::vector<Record*> records_;                 // in query order
    std::vector<Record*> spare_;                   // reused per sample
    std::vector<ProcessEntry> entries_;            // reused per sample
    std::vector<uint32_t> orphans_;                // reused per sample
    std::unordered_map<Key, std::string, KeyHash> knownUsers_;  // for the next sample only
    uint64_t generation_ = 0;
    size_t newCount_ = 0;
    int64_t deltaSum_ = 0;
    int64_t cpuBase_ = 0;
    int64_t lastQueryTime_ = 0;  // 0: no sample before
};

// The CPU percentage of one record: perMille = delta / divisor, in steps of
// 0.1, capped at 99.5. divisor = base / 1000, at least 1.
double CpuPercentOf(int64_t cpuDelta, int64_t divisor);
int64_t CpuDivisorOf(int64_t base);
// What one sample's CPU deltas are shares of. Each process's time over the
// sum of all processes' times is a share of the machine only when an idle
// process carries the idle time; a system that lists none (Wine) would show
// shares of the busy time (one busy program near 100 %). Then the machine's
// time is the elapsed time times the processors. Without an elapsed time (the
// first sample, a clock that did not move) the sum is used.
int64_t CpuTimeBaseOf(int64_t deltaSum, bool idleCarriesTime, int64_t elapsed, int processors);

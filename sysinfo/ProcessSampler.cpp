#include "sysinfo/ProcessSampler.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/Text.h"

void ParseProcessEntries(const BYTE* buffer, size_t size, std::vector<ProcessEntry>& out) {
    out.clear();
    if (!buffer) return;
    size_t offset = 0;
    while (offset <= size && size - offset >= sizeof(SystemProcessEntry)) {
        SystemProcessEntry raw;
        std::memcpy(&raw, buffer + offset, sizeof(raw));
        ProcessEntry e;
        e.pid = static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(raw.uniqueProcessId));
        e.parentPid = static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(raw.inheritedFromUniqueProcessId));
        e.threadCount = raw.numberOfThreads;
        e.createTime = raw.createTime.QuadPart;
        e.cpuTime = raw.userTime.QuadPart + raw.kernelTime.QuadPart;
        e.workingSet = raw.workingSetSize;
        e.basePriority = raw.basePriority;
        e.readBytes = raw.readTransferCount.QuadPart;
        e.writeBytes = raw.writeTransferCount.QuadPart;
        const BYTE* name = reinterpret_cast<const BYTE*>(raw.imageNameBuffer);
        size_t nameBytes = raw.imageNameLength;
        if (nameBytes == 0 || !name) {
            e.name = nullptr;
            e.nameChars = 0;
        } else if (name >= buffer && name <= buffer + size && nameBytes <= static_cast<size_t>(buffer + size - name)) {
            e.name = reinterpret_cast<const wchar_t*>(name);
            e.nameChars = nameBytes / sizeof(wchar_t);
        } else {
            e.nameValid = false;
        }
        out.push_back(e);
        if (raw.nextEntryOffset == 0) break;
        // Checked against what is left before adding: with a 32-bit size_t a
        // huge offset would wrap the sum and walk backwards.
        if (raw.nextEntryOffset > size - offset) break;
        offset += raw.nextEntryOffset;  // moves forward: the offset is never 0 here
    }
}

int64_t CpuDivisorOf(int64_t base) {
    int64_t divisor = base / 1000;
    return divisor == 0 ? 1 : divisor;
}

int64_t CpuTimeBaseOf(int64_t deltaSum, bool idleCarriesTime, int64_t elapsed, int processors) {
    if (idleCarriesTime || elapsed <= 0 || processors <= 0) return deltaSum;
    return elapsed * processors;
}

int64_t ProcessSource::Now() {
    LARGE_INTEGER count{}, frequency{};
    if (!::QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 || !::QueryPerformanceCounter(&count))
        return 0;
    // Whole seconds and the rest apart, so the product never overflows.
    const int64_t seconds = count.QuadPart / frequency.QuadPart;
    const int64_t rest = count.QuadPart % frequency.QuadPart;
    return seconds * 10000000 + rest * 10000000 / frequency.QuadPart;
}

int ProcessSource::Processors() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

double CpuPercentOf(int64_t cpuDelta, int64_t divisor) {
    if (divisor == 0) divisor = 1;
    // Most processes use less than a tenth of a percent in a tick: their
    // share is 0 without the 64-bit division, which a 32-bit build makes
    // a library call.
    if (cpuDelta < divisor) return 0.0;
    int64_t perMille = cpuDelta / divisor;
    double pct = static_cast<double>(perMille) * 0.1;
    return pct > 99.5 ? 99.5 : pct;
}

bool LiveProcessSource::Available() const {
    return SystemEntries().loaded && SystemEntries().ntQuerySystemInformation != nullptr;
}

SampleResult LiveProcessSource::Query(std::vector<BYTE>& buffer) {
    return static_cast<SampleResult>(QuerySystemProcesses(buffer));
}

bool LiveProcessSource::UserName(uint32_t pid, int64_t createTime, std::string& user) {
    return LookupProcessUser(pid, createTime, user);
}

ProcessSampler::ProcessSampler(ProcessSource* source) : source_(source ? source : &live_) {}

namespace {
// A name too long for the record is cut between characters: half a
// double-byte character would show as a stray one and break comparisons.
void CopyText(char (&dest)[260], const std::string& text) {
    const std::string cut = CutAtCharBoundary(text, sizeof(dest) - 1);
    std::memcpy(dest, cut.data(), cut.size());
    dest[cut.size()] = '\0';
}

uint32_t Saturate32(uint64_t v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(v); }
}  // namespace

void ProcessSampler::FillNewRecord(ProcessInfo& r, const ProcessEntry& e) {
    r.pid = e.pid;
    r.parentPid = e.parentPid;
    r.createTime = e.createTime;
    r.workingSet = Saturate32(e.workingSet);
    r.basePriority = e.basePriority;
    r.readBytes = e.readBytes;
    r.writeBytes = e.writeBytes;
    if (e.pid == 0) {
        CopyText(r.imageName, "System Idle Process");
        CopyText(r.userName, "SYSTEM");
    } else {
        std::string name;
        CopyText(r.imageName, e.nameValid && WideToAnsi(e.name, e.nameChars, name) ? name : "Unknown");
        std::string user;
        auto known = e.createTime != 0 ? knownUsers_.find(Key{e.pid, e.createTime}) : knownUsers_.end();
        if (known != knownUsers_.end())
            CopyText(r.userName, known->second);
        else
            CopyText(r.userName, source_->UserName(e.pid, e.createTime, user) ? user : "Unknown");
    }
    r.cpuDelta = 0;
    r.cpuPercent = 0.0;
    r.changes = ProcessChangeNew;
}

SampleResult ProcessSampler::Sample() {
    if (!source_->Available()) return SampleResult::NotAvailable;
    if (busy_ || lookup_ > 0) return SampleResult::Busy;
    busy_ = true;
    struct ClearBusy {
        bool& flag;
        ~ClearBusy() { flag = false; }
    } clearBusy{busy_};

    const SampleResult rc = source_->Query(buffer_);
    if (rc != SampleResult::Ok) return rc;
    const int64_t queryTime = source_->Now();
    try {
        ParseProcessEntries(buffer_.data(), buffer_.size(), entries_);
        std::vector<Record*>& next = spare_;
        next.clear();
        next.reserve(entries_.size());
        const uint64_t generation = ++generation_;
        newCount_ = 0;
        int64_t sum = 0;
        bool idleCarriesTime = false;
        size_t kept = 0;
        size_t cursor = 0;  // into records_, the last tick's order
        for (const ProcessEntry& e : entries_) {
            if (e.pid == 0 && e.threadCount == 0) continue;
            if (e.pid == 0 && e.cpuTime > 0) idleCarriesTime = true;
            // The same process is the one with the same pid and creation
            // time, wherever the query lists it now. The query lists them in
            // the same order tick after tick, so the record after the last
            // one found (or the one after that, when a process ended) nearly
            // always is it, without the lookup.
            const Key key{e.pid, e.createTime};
            Record* rec = nullptr;
            for (size_t ahead = 0; ahead < 2 && cursor + ahead < records_.size(); ++ahead) {
                Record* candidate = records_[cursor + ahead];
                if (candidate->info.pid == e.pid && candidate->info.createTime == e.createTime) {
                    rec = candidate;
                    cursor += ahead + 1;
                    break;
                }
            }
            if (!rec) {
                auto it = byKey_.find(key);
                if (it != byKey_.end()) rec = it->second.get();
            }
            if (rec) {
                if (rec->seen == generation) continue;  // listed twice: the first counts
                ++kept;
                rec->info.changes = 0;
                rec->info.cpuDelta = e.cpuTime - rec->info.cpuTime;
                uint32_t ws = Saturate32(e.workingSet);
                if (ws != rec->info.workingSet) {
                    rec->info.workingSet = ws;
                    rec->info.changes |= ProcessChangeWorkingSet;
                }
                if (e.basePriority != rec->info.basePriority) {
                    rec->info.basePriority = e.basePriority;
                    rec->info.changes |= ProcessChangePriority;
                }
                if (e.readBytes != rec->info.readBytes) {
                    rec->info.readBytes = e.readBytes;
                    rec->info.changes |= ProcessChangeReadBytes;
                }
                if (e.writeBytes != rec->info.writeBytes) {
                    rec->info.writeBytes = e.writeBytes;
                    rec->info.changes |= ProcessChangeWriteBytes;
                }
            } else {
                auto owned = std::make_unique<Record>();
                rec = owned.get();
                FillNewRecord(rec->info, e);
                ++newCount_;
                byKey_.emplace(key, std::move(owned));
                byPid_.emplace(rec->info.pid, rec);
            }
            rec->seen = generation;
            rec->info.cpuTime = e.cpuTime;
            sum += rec->info.cpuDelta;
            next.push_back(rec);
        }
        // Records of processes that ended: only their own entries go.
        if (kept != records_.size()) {
            orphans_.clear();
            // Every record lives in the last tick's list: those this tick did
            // not see ended (a walk of the list, not of the map).
            for (Record* gone : records_) {
                if (gone->seen == generation) continue;
                const uint32_t pid = gone->info.pid;
                auto pidIt = byPid_.find(pid);
                if (pidIt != byPid_.end() && pidIt->second == gone) {
                    byPid_.erase(pidIt);
                    orphans_.push_back(pid);
                }
                byKey_.erase(Key{pid, gone->info.createTime});  // the record goes with its entry
            }
            // A pid whose entry named the ended record may still belong to a
            // listed one (a reused id): it points there now.
            if (!orphans_.empty())
                for (Record* r : next)
                    if (std::find(orphans_.begin(), orphans_.end(), r->info.pid) != orphans_.end())
                        byPid_.emplace(r->info.pid, r);
        }
        records_.swap(next);
        next.clear();
        // The names were for this sample's new records; a process that starts
        // later is read as it appears. The table itself goes too.
        if (!knownUsers_.empty()) std::unordered_map<Key, std::string, KeyHash>().swap(knownUsers_);
        deltaSum_ = sum;
        const int64_t elapsed = lastQueryTime_ > 0 && queryTime > lastQueryTime_ ? queryTime - lastQueryTime_ : 0;
        lastQueryTime_ = queryTime;
        cpuBase_ = CpuTimeBaseOf(sum, idleCarriesTime, elapsed, source_->Processors());
        if (!records_.empty()) {
            int64_t divisor = CpuDivisorOf(cpuBase_);
            for (auto& r : records_) {
                double pct = CpuPercentOf(r->info.cpuDelta, divisor);
                if (pct != r->info.cpuPercent) {
                    r->info.cpuPercent = pct;
                    r->info.changes |= ProcessChangeCpuPercent;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        // Half-updated records cannot be trusted: start afresh next time.
        records_.clear();
        spare_.clear();
        byPid_.clear();
        byKey_.clear();
        newCount_ = 0;
        return SampleResult::Failed;
    }
    return SampleResult::Ok;
}

void ProcessSampler::SetKnownUsers(const std::vector<KnownUser>& users) {
    std::unordered_map<Key, std::string, KeyHash> fresh;
    for (const KnownUser& u : users) {
        if (u.createTime == 0 || u.name.empty()) continue;
        const Key key{u.pid, u.createTime};
        if (byKey_.count(key) == 0) fresh.emplace(key, u.name);
    }
    knownUsers_.swap(fresh);
}

SampleResult ProcessSampler::BeginLookup() const {
    if (!source_->Available()) return SampleResult::NotAvailable;
    if (busy_) return SampleResult::Busy;
    ++lookup_;
    return SampleResult::Ok;
}

SampleResult ProcessSampler::FindByPid(uint32_t pid, ProcessInfo& out) const {
    const SampleResult rc = BeginLookup();
    if (rc != SampleResult::Ok) return rc;
    auto it = byPid_.find(pid);
    if (it != byPid_.end()) out = it->second->info;
    EndLookup();
    return it != byPid_.end() ? SampleResult::Ok : SampleResult::NotAvailable;
}

SampleResult ProcessSampler::FindByName(const std::string& name, ProcessInfo& out) const {
    SampleResult rc = BeginLookup();
    if (rc != SampleResult::Ok) return rc;
    rc = SampleResult::NotAvailable;
    for (const auto& r : records_) {
        if (_stricmp(r->info.imageName, name.c_str()) == 0) {
            out = r->info;
            rc = SampleResult::Ok;
            break;
        }
    }
    EndLookup();
    return rc;
}

#include "sysinfo/SyntheticProcesses.h"

#include <cstring>

void BuildProcessQueryBuffer(const std::vector<SyntheticProcess>& processes, std::vector<BYTE>& buffer) {
    auto align8 = [](size_t n) { return (n + 7) & ~static_cast<size_t>(7); };
    size_t total = 0;
    for (const auto& p : processes) total += align8(sizeof(SystemProcessEntry) + (p.name.size() + 1) * sizeof(wchar_t));
    buffer.assign(total ? total : sizeof(SystemProcessEntry), 0);
    size_t offset = 0;
    for (size_t i = 0; i < processes.size(); ++i) {
        const SyntheticProcess& p = processes[i];
        size_t nameBytes = p.name.size() * sizeof(wchar_t);
        size_t entrySize = align8(sizeof(SystemProcessEntry) + nameBytes + sizeof(wchar_t));
        SystemProcessEntry e;
        std::memset(&e, 0, sizeof(e));
        e.nextEntryOffset = i + 1 < processes.size() ? static_cast<ULONG>(entrySize) : 0;
        e.numberOfThreads = p.threads;
        e.createTime.QuadPart = p.createTime;
        e.userTime.QuadPart = p.userTime;
        e.kernelTime.QuadPart = p.kernelTime;
        BYTE* name = buffer.data() + offset + sizeof(SystemProcessEntry);
        std::memcpy(name, p.name.data(), nameBytes);
        e.imageNameLength = static_cast<USHORT>(nameBytes);
        e.imageNameMaximumLength = static_cast<USHORT>(nameBytes + sizeof(wchar_t));
        e.imageNameBuffer = p.name.empty() ? nullptr : reinterpret_cast<PWSTR>(name);
        e.basePriority = p.basePriority;
        e.uniqueProcessId = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(p.pid));
        e.inheritedFromUniqueProcessId = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(p.parentPid));
        e.workingSetSize = static_cast<SIZE_T>(p.workingSet);
        e.readTransferCount.QuadPart = p.readBytes;
        e.writeTransferCount.QuadPart = p.writeBytes;
        std::memcpy(buffer.data() + offset, &e, sizeof(e));
        offset += entrySize;
    }
}

SampleResult SyntheticProcessSource::Query(std::vector<BYTE>& buffer) {
    if (queryResult != SampleResult::Ok) return queryResult;
    BuildProcessQueryBuffer(processes, buffer);
    return SampleResult::Ok;
}

bool SyntheticProcessSource::UserName(uint32_t pid, int64_t, std::string& user) {
    ++userLookups;
    if (onUserLookup) onUserLookup(context);
    user = "user" + std::to_string(pid);
    return true;
}

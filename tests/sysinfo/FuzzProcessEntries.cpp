// The process query's parser and the sampler above it on mutated query
// buffers. Names are pointers into the buffer, so the seeds keep them as
// offsets and each iteration turns them back into addresses of the buffer it
// hands over.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "Fuzz.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SyntheticProcesses.h"

namespace {

constexpr size_t kEntry = sizeof(SystemProcessEntry);
constexpr size_t kNameField = offsetof(SystemProcessEntry, imageNameBuffer);

ULONG_PTR NameField(const BYTE* entry) {
    ULONG_PTR value;
    std::memcpy(&value, entry + kNameField, sizeof value);
    return value;
}

void SetNameField(BYTE* entry, ULONG_PTR value) {
    std::memcpy(entry + kNameField, &value, sizeof value);
}

// Follows the entries as the system lays them out and adds `delta` to every
// name field that holds an offset inside the buffer (subtracts, with
// toOffsets). Whatever else a field holds stays, as a wild pointer.
void Relocate(BYTE* buffer, size_t size, bool toOffsets) {
    const ULONG_PTR base = reinterpret_cast<ULONG_PTR>(buffer);
    size_t offset = 0;
    while (size - offset >= kEntry && offset <= size) {
        BYTE* entry = buffer + offset;
        const ULONG_PTR name = NameField(entry);
        if (toOffsets && name >= base && name - base < size)
            SetNameField(entry, name - base);
        else if (!toOffsets && name != 0 && name < size)
            SetNameField(entry, base + name);
        ULONG next;
        std::memcpy(&next, entry, sizeof next);
        if (next == 0 || next > size - offset) break;
        offset += next;
    }
}

std::string SeedBuffer(const std::vector<SyntheticProcess>& processes) {
    std::vector<BYTE> buffer;
    BuildProcessQueryBuffer(processes, buffer);
    Relocate(buffer.data(), buffer.size(), true);
    return std::string(buffer.begin(), buffer.end());
}

SyntheticProcess Proc(uint32_t pid, const wchar_t* name, uint32_t threads = 1, int64_t created = 0) {
    SyntheticProcess p;
    p.pid = pid;
    p.name = name;
    p.threads = threads;
    p.createTime = created ? created : 1000 + pid;
    p.userTime = 10 * pid;
    return p;
}

std::string Le32(uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

// What the sampler's calls answer; 1 is success.
using SamplerResult = decltype(std::declval<ProcessSource&>().Query(std::declval<std::vector<BYTE>&>()));
constexpr int kSampled = 1;

// Serves one mutated buffer, relocated into the sampler's own vector.
class MutatedSource : public ProcessSource {
public:
    explicit MutatedSource(const std::string& bytes) : bytes_(bytes) {}
    bool Available() const override { return true; }
    SamplerResult Query(std::vector<BYTE>& buffer) override {
        buffer.assign(bytes_.begin(), bytes_.end());
        Relocate(buffer.data(), buffer.size(), false);
        return static_cast<SamplerResult>(kSampled);
    }
    bool UserName(uint32_t, int64_t, std::string& user) override {
        user = "user";
        return true;
    }

private:
    std::string bytes_;
};

TEST(FuzzProcessQuery, EntriesStayInsideTheBufferAndTheSamplerKeepsOneRecordPerProcess) {
    fuzz::Target target;
    target.name = "process-entries";
    target.seeds = {
        SeedBuffer({Proc(1, L"one.exe"), Proc(2, L"two.exe")}),
        SeedBuffer({Proc(0, L"", 2), Proc(4, L"System"), Proc(100, L"a-longer-image-name.exe"), Proc(7, L"x")}),
        SeedBuffer({Proc(0, L"", 0), Proc(0, L"", 4), Proc(8, L"same.exe"), Proc(8, L"same.exe", 1, 77)}),
        SeedBuffer({Proc(12, L"")}),
    };
    target.dictionary = {Le32(0),          Le32(1),          Le32(2),         Le32(0xFFFFFFFFu),
                         Le32(0x80000000u), Le32(0x7FFFFFFFu), Le32(kEntry),    Le32(kEntry - 1),
                         Le32(kEntry + 8),  Le32(kNameField),  std::string(2, '\xFF'),
                         std::string(8, '\0')};
    target.maxSize = 6 * kEntry;

    fuzz::Run(target, [](const std::string& input, fuzz::Rng&) {
        fuzz::GuardedBytes bytes(input);
        ASSERT_TRUE(bytes.data());
        Relocate(bytes.data(), bytes.size(), false);
        std::vector<ProcessEntry> entries;
        ParseProcessEntries(bytes.data(), bytes.size(), entries);
        // Each entry needs a whole record at an offset that moved forward.
        EXPECT_LE(entries.size(), bytes.size() >= kEntry ? bytes.size() - kEntry + 1 : 0);
        for (const ProcessEntry& e : entries) {
            if (!e.name) continue;
            EXPECT_TRUE(e.nameValid);
            const BYTE* first = reinterpret_cast<const BYTE*>(e.name);
            EXPECT_GE(first, bytes.data());
            EXPECT_LE(first + e.nameChars * sizeof(wchar_t), bytes.end());
            unsigned sum = 0;  // reads every character: past the end it faults
            for (size_t i = 0; i < e.nameChars; ++i) sum += static_cast<unsigned>(e.name[i]);
            (void)sum;
        }

        // The same table sampled twice: one record per process (pid and
        // creation time), each found by its pid, none new the second time.
        MutatedSource source(input);
        ProcessSampler sampler(&source);
        ASSERT_EQ(kSampled, static_cast<int>(sampler.Sample()));
        ASSERT_EQ(kSampled, static_cast<int>(sampler.Sample()));
        std::set<std::pair<uint32_t, int64_t>> processes;
        for (const ProcessEntry& e : entries)
            if (e.pid != 0 || e.threadCount != 0) processes.insert({e.pid, e.createTime});
        EXPECT_EQ(processes.size(), sampler.Count());
        std::vector<uint32_t> pids;
        sampler.ForEach([&](const ProcessInfo& record) {
            EXPECT_NE(ProcessChangeNew, record.changes) << "pid " << record.pid;
            pids.push_back(record.pid);
        });
        for (uint32_t pid : pids) {
            ProcessInfo found;
            EXPECT_EQ(kSampled, static_cast<int>(sampler.FindByPid(pid, found)));
            EXPECT_EQ(pid, found.pid);
        }
    });
}

}  // namespace

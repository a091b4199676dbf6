// The warnings about suspect programs, without a window: which rating a
// program has, the balloon's words, and which started processes the watch
// names (once per program, never what ran at the first sample).
#include <gtest/gtest.h>

#include <map>

#include "app/TrustWarnings.h"
#include "dialogs/DescribeAppDlg.h"
#include "progdb/ProgramDatabase.h"
#include "sysinfo/SyntheticProcesses.h"

namespace {

ProgramEntry Entry(const std::string& fileName, const std::string& rating) {
    ProgramEntry e;
    e.fileName = fileName;
    e.rating = rating;
    return e;
}

SyntheticProcess Process(uint32_t pid, const wchar_t* name) {
    SyntheticProcess p;
    p.pid = pid;
    p.createTime = 1000 + pid;
    p.name = name;
    return p;
}

}  // namespace

TEST(TrustWarningsTest, TheLocalRatingWinsAndTheBalloonNamesTheRating) {
    ProgramDatabase publisher;
    LocalProgramDatabase local;
    publisher.SetReadOnly(false);
    local.SetReadOnly(false);
    publisher.AddOrReplace(Entry("evil.exe", "8"));
    publisher.AddOrReplace(Entry("mine.exe", "9"));
    local.AddOrReplace(Entry("MINE.EXE", "3"));
    local.AddOrReplace(Entry("odd.exe", "7"));
    EXPECT_EQ(8, DatabaseRating("Evil.exe", publisher, local));
    EXPECT_EQ(3, DatabaseRating("mine.exe", publisher, local));
    EXPECT_EQ(7, DatabaseRating("odd.exe", publisher, local));
    EXPECT_EQ(-1, DatabaseRating("other.exe", publisher, local));


    EXPECT_EQ("Suspect", RatingNameOf(RatingText(kRatingSuspect)));
    EXPECT_EQ("Spyware", RatingNameOf(RatingText(kRatingSpyware)));
    EXPECT_EQ("Malicious", RatingNameOf(RatingText(kRatingMalicious)));
    EXPECT_EQ("evil.exe is rated Spyware", SuspectWarningText("evil.exe", "Spyware"));
}

TEST(TrustWarningsTest, EachSuspectProgramIsNamedOnceWhenItStarts) {
    SyntheticProcessSource source;
    ProcessSampler sampler(&source);
    SuspectWatch watch;
    std::map<std::string, int> ratings{{"evil.exe", 8}, {"bad.exe", 7}, {"nice.exe", 2}};
    int lookups = 0;
    auto rating = [&](const std::string& name) {
        ++lookups;
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        auto it = ratings.find(lower);
        return it == ratings.end() ? -1 : it->second;
    };
    auto sample = [&](bool enabled) {
        EXPECT_EQ(SampleResult::Ok, sampler.Sample());
        return watch.AfterSample(sampler, enabled, rating);
    };

    // What runs at the first sample did not start now.
    source.processes = {Process(4, L"System"), Process(10, L"evil.exe")};
    EXPECT_TRUE(sample(true).empty());
    // No process started: nothing is looked up.
    EXPECT_TRUE(sample(true).empty());
    EXPECT_EQ(0, lookups);

    source.processes.push_back(Process(20, L"EVIL.exe"));
    source.processes.push_back(Process(21, L"nice.exe"));
    const std::vector<SuspectProcess> first = sample(true);
    ASSERT_EQ(1u, first.size());
    EXPECT_EQ("EVIL.exe", first[0].fileName);
    EXPECT_EQ(8, first[0].rating);
    EXPECT_EQ(20u, first[0].pid);
    EXPECT_EQ(1020, first[0].createTime);

    // The same program again, under any case: no second warning.
    source.processes.push_back(Process(30, L"evil.EXE"));
    EXPECT_TRUE(sample(true).empty());

    // Off: a suspect start is not named, nor later once it runs on.
    source.processes.push_back(Process(40, L"bad.exe"));
    EXPECT_TRUE(sample(false).empty());
    EXPECT_TRUE(sample(true).empty());
    // A new process of it after the warnings came back on is named.
    source.processes.push_back(Process(41, L"bad.exe"));
    const std::vector<SuspectProcess> later = sample(true);
    ASSERT_EQ(1u, later.size());
    EXPECT_EQ(41u, later[0].pid);
}

#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <vector>

#include "core/ActivityLog.h"
#include "base/Handles.h"
#include "TestUtil.h"

namespace {

TEST(ActivityLog, EntriesAreTimestampedLinesEndingInCrLf) {
    std::tm t{};
    t.tm_year = 2006 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 6;
    t.tm_hour = 4;
    t.tm_min = 3;
    t.tm_sec = 9;
    EXPECT_EQ("02/06/2006 04:03:09 hello\r\n", FormatLogEntry(t, "hello"));
}

TEST(ActivityLog, OpenStartsAfreshAndEntriesAppend) {
    testutil::ScratchDir dir;
    std::string path = dir.File("quillmark.log");
    ASSERT_TRUE(testutil::WriteFileBytes(path, "old run\r\n"));

    ActivityLog log;
    log.Open(path);
    EXPECT_FALSE(testutil::FileExists(path));
    log.Log("Quillmark is initializing...");
    log.Log("Version: %s", "2.09");
    log.Write("100% literal %s %d");  // Write takes text, not a format

    std::string text = testutil::ReadFileBytes(path);
    std::regex line(R"((\d\d/\d\d/\d{4} \d\d:\d\d:\d\d) ([^\r\n]*)\r\n)");
    std::vector<std::string> messages;
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it)
        messages.push_back((*it)[2]);
    ASSERT_EQ(3u, messages.size()) << text;
    EXPECT_EQ("Quillmark is initializing...", messages[0]);
    EXPECT_EQ("Version: 2.09", messages[1]);
    EXPECT_EQ("100% literal %s %d", messages[2]);
    EXPECT_EQ(std::string::npos, text.find("old run"));
}

TEST(ActivityLog, LongMessagesAreCutTo4095Characters) {
    testutil::ScratchDir dir;
    ActivityLog log;
    log.Open(dir.File("quillmark.log"));
    std::string big(5000, 'x');
    log.Log("%s", big.c_str());
    std::string text = testutil::ReadFileBytes(dir.File("quillmark.log"));
    size_t space = text.find(' ', 11);  // after the date and the time
    ASSERT_NE(std::string::npos, space);
    std::string message = text.substr(space + 1, text.size() - space - 3);
    EXPECT_EQ(4095u, message.size());
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
}

TEST(ActivityLog, AWriteLockedFileDropsEntriesWithoutHarm) {
    testutil::ScratchDir dir;
    std::string path = dir.File("quillmark.log");
    ActivityLog log;
    log.Open(path);
    log.Log("before");
    {
        // Another writer that denies shared writing, as an editor might.
        UniqueHandle holder(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        log.Log("while locked");
    }
    log.Log("after");
    std::string text = testutil::ReadFileBytes(path);
    EXPECT_NE(std::string::npos, text.find(" before\r\n"));
    EXPECT_EQ(std::string::npos, text.find("while locked"));
    EXPECT_NE(std::string::npos, text.find(" after\r\n"));
}

// The messages of a log file, in order.
std::vector<std::string> Messages(const std::string& path) {
    const std::string text = testutil::ReadFileBytes(path);
    std::regex line(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d ([^\r\n]*)\r\n)");
    std::vector<std::string> messages;
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it)
        messages.push_back((*it)[1]);
    return messages;
}

TEST(ActivityLog, ABatchWritesItsThreadsEntriesInOrderWhenTheOutermostCloses) {
    testutil::ScratchDir dir;
    const std::string path = dir.File("quillmark.log");
    ActivityLog log;
    log.Open(path);
    log.Log("before");
    {
        ActivityLog::Batch batch(log);
        log.Log("row %d", 1);
        {
            ActivityLog::Batch inner(log);
            log.Log("row %d", 2);
        }
        EXPECT_EQ(std::vector<std::string>{"before"}, Messages(path));  // the inner one wrote nothing
        // Another thread's entry is not held back by this thread's batch.
        std::thread other([&log] {
            ActivityLog::Batch theirs(log);
            log.Log("other thread");
        });
        other.join();
        EXPECT_EQ((std::vector<std::string>{"before", "other thread"}), Messages(path));
        log.Log("row %d", 3);
    }
    log.Log("after");
    EXPECT_EQ((std::vector<std::string>{"before", "other thread", "row 1", "row 2", "row 3", "after"}),
              Messages(path));

    // A batch that grows large is written as it goes, whole entries at a time.
    log.Open(path);
    const std::string line(1000, 'x');
    size_t written = 0;
    {
        ActivityLog::Batch batch(log);
        while (Messages(path).empty() && written < 2 * ActivityLog::kBatchBytes / line.size()) {
            log.Write(line);
            ++written;
        }
        EXPECT_LT(written, 2 * ActivityLog::kBatchBytes / line.size());
        log.Write("last");
    }
    const std::vector<std::string> all = Messages(path);
    ASSERT_EQ(written + 1, all.size());
    EXPECT_EQ(line, all.front());
    EXPECT_EQ("last", all.back());
}

TEST(ActivityLog, NoPathMeansNoFile) {
    ActivityLog log;
    log.Log("nowhere");  // must simply do nothing
    EXPECT_TRUE(log.Path().empty());
}

}  // namespace

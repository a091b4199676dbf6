// The process wrappers' text queries: an answer of any length up to the
// longest path the system handles is read whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/Processes.h"

namespace {

// A query that answers text, the way the system's image-name query does when
// cut is false (too small a buffer fails with "insufficient buffer") or the
// way the module-name query does when cut is true (it fills the buffer with
// as much as fits and says nothing).
struct FakeQuery {
    std::string answer;
    bool cut = false;
    int calls = 0;

    DWORD operator()(char* buffer, DWORD capacity) {
        ++calls;
        if (answer.size() + 1 > capacity) {
            if (!cut) {
                ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            std::memcpy(buffer, answer.data(), capacity - 1);
            buffer[capacity - 1] = '\0';
            return capacity - 1;
        }
        std::memcpy(buffer, answer.c_str(), answer.size() + 1);
        return static_cast<DWORD>(answer.size());
    }
};

std::string Read(FakeQuery& query, bool* ok = nullptr) {
    std::string out = "untouched";
    const bool read = QueryGrowingText([&](char* b, DWORD c) { return query(b, c); }, out);
    if (ok) *ok = read;
    return out;
}

TEST(QueryGrowingText, ReadsAnswersLongerThanMaxPathWhole) {
    for (bool cut : {false, true}) {
        for (size_t length : {size_t{1}, size_t{MAX_PATH - 2}, size_t{MAX_PATH - 1}, size_t{MAX_PATH},
                              size_t{300}, size_t{kLongestPathChars - 2}}) {
            FakeQuery query{std::string(length, 'p'), cut};
            bool ok = false;
            EXPECT_EQ(query.answer, Read(query, &ok)) << length << (cut ? " cut" : " refused");
            EXPECT_TRUE(ok);
        }
    }
    // One call when the answer fits the first buffer with room to spare.
    FakeQuery shortAnswer{"C:\\windows\\notepad.exe"};
    Read(shortAnswer);
    EXPECT_EQ(1, shortAnswer.calls);
}

TEST(QueryGrowingText, FailuresAndAnswersBeyondTheLongestPathLeaveTheOutputAlone) {
    bool ok = true;
    FakeQuery tooLong{std::string(kLongestPathChars, 'p')};
    EXPECT_EQ("untouched", Read(tooLong, &ok));
    EXPECT_FALSE(ok);
    FakeQuery tooLongCut{std::string(kLongestPathChars + 10, 'p'), true};
    EXPECT_EQ("untouched", Read(tooLongCut, &ok));
    EXPECT_FALSE(ok);

    // Another failure is not retried.
    int calls = 0;
    std::string out = "untouched";
    EXPECT_FALSE(QueryGrowingText(
        [&](char*, DWORD) {
            ++calls;
            ::SetLastError(ERROR_ACCESS_DENIED);
            return DWORD{0};
        },
        out));
    EXPECT_EQ(1, calls);
    EXPECT_EQ("untouched", out);
}

TEST(QueryGrowingText, OwnImageNameAndLongPath) {
    char module[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetModuleFileNameA(nullptr, module, MAX_PATH));
    std::string path;
    ASSERT_TRUE(QueryProcessImageName(::GetCurrentProcess(), path));
    EXPECT_EQ(0, _stricmp(module, path.c_str())) << path;
    std::string longForm;
    ASSERT_TRUE(LongPathOf(path, longForm));
    EXPECT_EQ(0, _stricmp(path.c_str(), longForm.c_str())) << longForm;
    EXPECT_FALSE(LongPathOf("Z:\\qm-no-such-folder\\nothing.exe", longForm));
}

}  // namespace

// The protection file's reader and writer on mutated files and random
// program names: what one writes, the other reads back the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fuzz.h"
#include "actions/ProtectionList.h"

namespace {

const char kBuiltIn[] = "; built-in\r\ncsrss.exe\r\n  winlogon.exe  \r\n";

std::vector<ProtectionEntry> UserEntries(const ProtectionList& list) {
    std::vector<ProtectionEntry> out;
    for (const ProtectionEntry& e : list.Entries())
        if (!e.system) out.push_back(e);
    return out;
}

void ExpectSameEntries(const std::vector<ProtectionEntry>& expected, const std::vector<ProtectionEntry>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].name, actual[i].name) << "entry " << i;
        EXPECT_EQ(expected[i].allowClose, actual[i].allowClose) << expected[i].name;
        EXPECT_EQ(expected[i].allowKill, actual[i].allowKill) << expected[i].name;
    }
}

TEST(FuzzProtectionList, WhatTheReaderMakesOfAnyFileIsWrittenAndReadBackUnchanged) {
    fuzz::Target target;
    target.name = "protection-file";
    target.seeds = {"notepad.exe;3\r\ncalc.exe;0\r\nwinword.exe;1\r\n", "a;b.exe;2\r\nSystem;3\r\nx.exe;1\n",
                    "old.exe;2\rnext.exe;1\r\n\r\n;3\r\nnoflags.exe\r\nbad.exe;x\r\n", "csrss.exe;3\r\n"};
    target.dictionary = {";", "\r\n", "\n", "\r", "3", "0", "-1", "99999999999", " ", ".exe",
                         std::string(1, '\0'), "\xC4", "\x81", std::string(1100, 'n')};
    fuzz::Run(target, [](const std::string& input, fuzz::Rng&) {
        ProtectionList list("unused");
        list.LoadFromText(input, kBuiltIn);
        const std::vector<ProtectionEntry> read = UserEntries(list);
        for (const ProtectionEntry& e : read) {
            EXPECT_FALSE(e.name.empty());
            EXPECT_EQ(std::string::npos, e.name.find_first_of(std::string("\n\0", 2))) << e.name;
        }
        const std::string written = list.FileText();
        ProtectionList again("unused");
        again.LoadFromText(written, kBuiltIn);
        ExpectSameEntries(read, UserEntries(again));
        EXPECT_EQ(written, again.FileText());
    });
}

// What a file name can hold: no control characters, none of <>:"/\|?*.
std::string AsFileName(const std::string& text) {
    std::string name;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 && std::string("<>:\"/\\|?*").find(c) == std::string::npos)
            name += c;
    return name.substr(0, 255);
}

TEST(FuzzProtectionList, RandomProgramNamesSurviveTheFile) {
    fuzz::Target target;
    target.name = "protection-names";
    target.seeds = {fuzz::JoinFields({"notepad.exe", "My Program (x86).exe", "caf\xE9.exe"}),
                    fuzz::JoinFields({"a;b.exe", "setup 2.0.exe", "\x93\xFA\x96\x7B.exe", "UPPER.EXE"}),
                    fuzz::JoinFields({"x"})};
    target.dictionary = {";", ";;", " ", ".exe", "\xE9", "\xC9", "\x81\x40", "  ", "1", std::string(1, '\0')};
    fuzz::Run(target, [](const std::string& input, fuzz::Rng& rng) {
        ProtectionList list("unused");
        list.LoadFromText(std::string(), std::string());
        for (const std::string& field : fuzz::Fields(input)) {
            const std::string name = AsFileName(field);
            // A name of semicolons alone names no program: the reader skips it.
            if (name.find_first_not_of(';') == std::string::npos) continue;
            list.Add(name, static_cast<int>(rng.Below(2)), static_cast<int>(rng.Below(2)), 0);
        }
        ProtectionList again("unused");
        again.LoadFromText(list.FileText(), std::string());
        ExpectSameEntries(UserEntries(list), UserEntries(again));
    });
}

}  // namespace

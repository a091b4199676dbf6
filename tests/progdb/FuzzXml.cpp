// The XML layer and the program databases on mutated input: the UTF-8 check
// (over a guard page), the decoding of file bytes, the document parser, both
// database layouts, and Save then Load of what they read and of random
// entries.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "DatabaseTestUtil.h"
#include "Fuzz.h"
#include "TestUtil.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/XmlDocument.h"
#include "progdb/XmlWriter.h"

using testutil::ScratchDir;

// How a failed comparison shows an entry.
static void PrintTo(const ProgramEntry& e, std::ostream* os) {
    *os << "{company \"" << e.company << "\", url \"" << e.url << "\", rating \"" << e.rating << "\", file \""
        << e.fileName << "\", description \"" << e.description << "\", submitted " << e.submitted << "}";
}

namespace {

const char kPublisherSeed[] =
    "<?xml version=\"1.0\"?>\r\n<duzer><database>"
    "<company><name>Ornava Utilities</name><url>www.ornava.example</url>"
    "<executable><rating>3</rating><filename>quillmark.exe</filename><description>Task manager</description>"
    "</executable><executable><rating>-1</rating><filename>helper.exe</filename><description /></executable>"
    "</company><company><name>A &amp; B</name><url /><executable><rating>2</rating>"
    "<filename>ab.exe</filename><description>x &lt; y<![CDATA[<raw>]]></description></executable></company>"
    "</database></duzer>\r\n";

const char kLocalSeed[] =
    "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<database>\r\n    <company>\r\n"
    "        <name>Soci\xE9t\xE9 G\xE9n\xE9rale</name>\r\n        <url />\r\n        <executable>\r\n"
    "            <rating>2</rating>\r\n            <submitted>TRUE</submitted>\r\n"
    "            <filename>\xE9t\xE9.exe</filename>\r\n"
    "            <description>line&#13;\nnext\ttab</description>\r\n        </executable>\r\n"
    "    </company>\r\n</database>\r\n";

const std::vector<std::string> kXmlTokens = {
    "<", ">", "</", "/>", "&amp;", "&lt;", "&#13;", "&#x41;", "&#0;", "&undefined;", "<![CDATA[", "]]>",
    "<!-- c -->", "<?pi x?>", "<!DOCTYPE a>", "<company>", "</company>", "<executable>", "</executable>",
    "<name>", "</name>", "<database>", "<duzer>", " a=\"1\"", "'", "\"", "\r\n", "\xEF\xBB\xBF", "\xFF\xFE",
    std::string(1, '\0'), "\xC3\xA9", "\xE9", "\x80", " encoding=\"utf-8\"", " encoding=\"windows-1251\"",
    " encoding=\"shift_jis\"", " encoding='cp-99999'", "<?xml version=\"1.0\"?>"};

// Each byte that is a character of the system's code page: it converts to
// UTF-16 and back to itself.
std::vector<std::string> CodePageCharacters() {
    std::vector<std::string> out;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char c = static_cast<char>(b);
        wchar_t w[2];
        if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &c, 1, w, 2) != 1) continue;
        char back[4];
        BOOL defaulted = FALSE;
        if (::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, 1, back, sizeof back, nullptr, &defaulted) == 1 &&
            !defaulted && back[0] == c)
            out.push_back(std::string(1, c));
    }
    return out;
}

TEST(FuzzXml, TheUtf8CheckAgreesWithTheSystemAndReadsNoFurther) {
    fuzz::Target target;
    target.name = "utf8-check";
    target.seeds = {"caf\xC3\xA9", "\xF4\x8F\xBF\xBF", "\xED\x9F\xBF\xEE\x80\x80", "\xE2\x82\xAC x \xF0\x9F\x98\x80",
                    "plain", ""};
    target.dictionary = {"\xC2", "\xDF", "\xE0", "\xED", "\xEF", "\xF0", "\xF4", "\xF5", "\xC0", "\xC1",
                         "\x80", "\xBF", "\xA0", "\x9F", "\x8F", "\x90", "\xFF"};
    target.maxSize = 32;
    fuzz::Run(target, [](const std::string& input, fuzz::Rng&) {
        fuzz::GuardedBytes bytes(input);
        ASSERT_TRUE(bytes.data() || input.empty());
        const bool valid = IsValidUtf8(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        // Valid exactly when the system converts the bytes without error and
        // back to the same bytes.
        bool system = input.empty();
        if (!input.empty()) {
            wchar_t wide[64];
            const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, input.data(),
                                                static_cast<int>(input.size()), wide, 64);
            char back[256];
            const int m = n > 0 ? ::WideCharToMultiByte(CP_UTF8, 0, wide, n, back, sizeof back, nullptr, nullptr) : 0;
            system = m > 0 && std::string(back, static_cast<size_t>(m)) == input;
        }
        EXPECT_EQ(system, valid);
    });
}

TEST(FuzzXml, FileBytesDecodeToTextThatEndsAtTheFirstZero) {
    fuzz::Target target;
    target.name = "xml-bytes";
    target.seeds = {kPublisherSeed,
                    kLocalSeed,
                    "<?xml version='1.0' encoding = 'ISO-8859-2' ?><a>\xB1</a>",
                    "<?xml version=\"1.0\" encoding=\"Windows-1251\"?><a>\xE0</a>",
                    "\xEF\xBB\xBF<a>\xC3\xA9</a>",
                    std::string("\xFF\xFE<\0a\0/\0>\0", 10),
                    std::string("\xFE\xFF\0<\0a\0/\0>", 10),
                    "<a>caf\xE9</a>"};
    target.dictionary = kXmlTokens;
    target.maxSize = 1024;
    fuzz::Run(target, [](const std::string& input, fuzz::Rng& rng) {
        const std::wstring text = DecodeXmlBytes(input);
        EXPECT_EQ(std::wstring::npos, text.find(L'\0'));
        EXPECT_LE(text.size(), input.size());
        // Outside UTF-16, whatever follows a zero byte is not read.
        const bool utf16 = input.size() >= 2 && ((input[0] == '\xFF' && input[1] == '\xFE') ||
                                                 (input[0] == '\xFE' && input[1] == '\xFF'));
        if (!utf16) {
            std::string junk(1, '\0');
            for (size_t n = rng.Below(8); n > 0; --n) junk += static_cast<char>(rng.Byte());
            EXPECT_EQ(text, DecodeXmlBytes(input.substr(0, input.find('\0')) + junk));
        }
    });
}

// Half the time a blind mutation; otherwise one text between tags is
// mutated with text-level tokens, so that most documents stay well-formed
// and reach the databases' Save and Load.
std::string MutateXml(const std::string& document, const fuzz::Target& blind, fuzz::Rng& rng) {
    if (rng.OneIn(2)) return fuzz::Mutate(document, blind, rng);
    std::vector<std::pair<size_t, size_t>> texts;  // [begin, end) between '>' and '<'
    for (size_t gt = document.find('>'); gt != std::string::npos; gt = document.find('>', gt + 1)) {
        const size_t lt = document.find('<', gt + 1);
        if (lt == std::string::npos) break;
        texts.push_back({gt + 1, lt});
    }
    if (texts.empty()) return fuzz::Mutate(document, blind, rng);
    static const fuzz::Target kText = [] {
        fuzz::Target t;
        t.name = "xml-text";
        t.seeds = {"text"};
        t.dictionary = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#13;", "&#xD;", "&#10;", "&#9;", "&#32;",
                        "&#x20AC;", "&#233;", "&#x10000;", "<![CDATA[x]]>", "<![CDATA[ <&> ]]>", "<!-- c -->",
                        "<?pi x?>", " ", "  ", "\r\n", "\r", "\n", "\t", "\xE9", "\xC3\xA9", "\x80", "]]>", ">",
                        "TRUE", "true", "-1", "007"};
        return t;
    }();
    const auto& text = texts[rng.Below(texts.size())];
    return document.substr(0, text.first) +
           fuzz::Mutate(document.substr(text.first, text.second - text.first), kText, rng) +
           document.substr(text.second);
}

void CheckTree(const XmlNode& node, int depth) {
    EXPECT_FALSE(node.name.empty());
    EXPECT_LE(depth, 257);
    for (const XmlNode& child : node.children) CheckTree(child, depth + 1);
}

// What both layouts read from any document is saved in the local layout and
// read back unchanged.
TEST(FuzzXml, WhatTheDatabasesReadIsSavedAndReadBackUnchanged) {
    ScratchDir dir;
    const std::string path = dir.File("local-db.xml");
    fuzz::Target target;
    target.name = "database-files";
    target.seeds = {kPublisherSeed, kLocalSeed, "<database><company><name>n</name><executable /></company></database>",
                    "<a><b>text</b><c x='1'/></a>"};
    target.dictionary = kXmlTokens;
    target.maxSize = 2048;
    target.defaultIterations = 200;
    target.mutator = [&target](const std::string& seed, fuzz::Rng& rng) { return MutateXml(seed, target, rng); };
    fuzz::Run(target, [&](const std::string& input, fuzz::Rng&) {
        XmlDocument doc;
        const bool parsed = doc.Parse(input);
        EXPECT_EQ(parsed, !doc.Root().children.empty());
        EXPECT_EQ("root", doc.Root().name);
        for (const XmlNode& child : doc.Root().children) CheckTree(child, 1);

        ProgramDatabase publisher;
        LocalProgramDatabase local;
        for (ProgramDatabase* db : {static_cast<ProgramDatabase*>(&publisher), static_cast<ProgramDatabase*>(&local)}) {
            const bool read = db->Parse(input);
            EXPECT_EQ(read, db->Count() > 0);
            if (!read) continue;
            ASSERT_TRUE(db->Save(path));
            LocalProgramDatabase back;
            back.Load(path);
            EXPECT_EQ(db->Entries(), back.Entries());
        }
    });
}

TEST(FuzzXml, RandomEntriesSurviveSaveAndLoad) {
    ScratchDir dir;
    const std::string path = dir.File("local-db.xml");
    fuzz::Target target;
    target.name = "database-entries";
    target.seeds = {fuzz::JoinFields({"Ornava Utilities", "www.ornava.example", "3", "quillmark.exe", "Task manager"}),
                    fuzz::JoinFields({"Caf\xE9 M\xFCller", "", "2", "caf\xE9.exe", "Na\xEFve r\xE9sum\xE9",
                                      "Smith & Sons <Ltd>", "http://x.example/?a=1&b=2", "-1", "a&b.exe",
                                      "line\r\nbreak\ttab ]]> &amp;"})};
    target.dictionary = CodePageCharacters();
    for (const char* token : {"&", "<", ">", "]]>", "&amp;", "\r\n", "\r", "\n", "\t", " ", "\xC3\xA9", "\xE2\x82\xAC",
                              "\xEF\xBB\xBF", "<?xml", "\"", "'", "\x01"})
        target.dictionary.push_back(token);
    target.defaultIterations = 200;
    fuzz::Run(target, [&](const std::string& input, fuzz::Rng& rng) {
        const std::vector<std::string> fields = fuzz::Fields(input);
        LocalProgramDatabase db;
        db.SetReadOnly(false);
        for (size_t i = 0; i < fields.size(); i += 5) {
            auto field = [&](size_t k) { return i + k < fields.size() ? fuzz::XmlStorable(fields[i + k]) : std::string(); };
            ASSERT_TRUE(db.AddOrReplace(MakeEntry(field(0), field(1), field(2), field(3), field(4), rng.OneIn(2))));
        }
        ASSERT_TRUE(db.Save(path));
        LocalProgramDatabase back;
        EXPECT_TRUE(back.Load(path));
        EXPECT_EQ(db.Entries(), back.Entries());
    });
}

// Found by the target above: ANSI text that happens to be valid UTF-8 came
// back changed (the file declared no encoding), and white space at either
// end of a value was trimmed.
TEST(FuzzXml, EveryCodePageCharacterAndEdgeSpaceSurviveSaveAndLoad) {
    ScratchDir dir;
    std::string every;
    for (const std::string& c : CodePageCharacters()) every += c;
    ASSERT_GE(every.size(), 96u);
    const std::vector<ProgramEntry> cases = {
        MakeEntry(every, "", "3", "every.exe", every),
        MakeEntry("Caf\xC3\xA9", "", "2", "\xC3\xA9t\xC3\xA9.exe", "\xE2\x82\xAC 5"),
        MakeEntry(" padded ", "\tx.example", "1", "name.exe ", "line\r\n", true),
        MakeEntry("   ", "", "", "blank.exe", "\r"),
    };
    for (const ProgramEntry& entry : cases) {
        LocalProgramDatabase db;
        db.SetReadOnly(false);
        ASSERT_TRUE(db.AddOrReplace(entry));
        ASSERT_TRUE(db.Save(dir.File("local-db.xml")));
        LocalProgramDatabase back;
        ASSERT_TRUE(back.Load(dir.File("local-db.xml")));
        EXPECT_EQ(db.Entries(), back.Entries());
    }
}

}  // namespace

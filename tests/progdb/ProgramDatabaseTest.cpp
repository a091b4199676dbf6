// The program database: reading both layouts, lookups, editing, saving the
// local layout byte for byte, hostile files, and the background load.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DatabaseTestUtil.h"
#include "TestUtil.h"
#include "core/ActivityLog.h"
#include "platform/Files.h"
#include "platform/Sockets.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/ProgramDatabaseFiles.h"
#include "progdb/XmlWriter.h"

using testutil::ReadFileBytes;
using testutil::ScratchDir;
using testutil::WaitUntil;
using testutil::WriteFileBytes;

namespace {

std::string Publisher(const std::string& companies) {
    return "<?xml version=\"1.0\"?>\r\n<duzer><database>" + companies + "</database></duzer>\r\n";
}

std::string Company(const std::string& name, const std::string& url, const std::string& executables) {
    return "<company><name>" + name + "</name><url>" + url + "</url>" + executables + "</company>";
}

std::string Executable(const std::string& rating, const std::string& fileName, const std::string& description) {
    return "<executable><rating>" + rating + "</rating><filename>" + fileName + "</filename><description>" +
           description + "</description></executable>";
}

// Receives WM_DATABASE_LOADED on a message-only window of this thread.
class LoadedListener {
public:
    LoadedListener() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &LoadedListener::Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "QmDatabaseLoadedListener";
        ::RegisterClassA(&wc);
        hwnd_ = ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        count_ = 0;
    }
    ~LoadedListener() { ::DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }
    static int Count() { return count_; }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_DATABASE_LOADED) ++count_;
        return ::DefWindowProcA(h, msg, wp, lp);
    }
    HWND hwnd_;
    static int count_;
};
int LoadedListener::count_ = 0;

}  // namespace

TEST(ProgramDatabaseReading, PublisherLayoutFollowsTheReadingRule) {
    const std::string xml = Publisher(
        // Two executables: two entries with the same company and url.
        Company("Alpha Soft", "www.alpha.example",
                Executable("3", "alpha.exe", "Alpha main") + Executable("4", "alphahelp.exe", "Alpha helper")) +
        // No executables: no entry.
        Company("Empty Corp", "www.empty.example", "") +
        // Unknown elements, attributes, comments and wrong-case names are ignored;
        // the first of repeated children counts; a missing child leaves the field empty.
        "<company id=\"7\"><!-- note --><name>Beta</name><name>Second name</name><Url>ignored</Url>"
        "<extra><executable><filename>hidden.exe</filename></executable></extra>"
        "<executable><rating>9</rating><FileName>wrongcase.exe</FileName><description>no file name</description>"
        "<unknown>x</unknown></executable>"
        "<executable><filename>beta.exe</filename></executable></company>"
        "<Company><name>Gamma</name><executable><filename>gamma.exe</filename></executable></Company>");

    ProgramDatabase db;
    ASSERT_TRUE(db.Parse(xml));
    std::vector<ProgramEntry> expected = {
        MakeEntry("Alpha Soft", "www.alpha.example", "3", "alpha.exe", "Alpha main"),
        MakeEntry("Alpha Soft", "www.alpha.example", "4", "alphahelp.exe", "Alpha helper"),
        MakeEntry("Beta", "", "9", "", "no file name"),
        MakeEntry("Beta", "", "", "beta.exe", ""),
    };
    EXPECT_EQ(db.Entries(), expected);
    EXPECT_EQ(db.FindIndex("gamma.exe"), -1);
    EXPECT_EQ(db.FindIndex("hidden.exe"), -1);

    // Each class reads only its own layout.
    LocalProgramDatabase local;
    EXPECT_FALSE(local.Parse(xml));
    EXPECT_EQ(local.Count(), 0u);
    EXPECT_FALSE(db.Parse("<database>" + Company("A", "u", Executable("1", "a.exe", "d")) + "</database>"));
    EXPECT_FALSE(db.Parse(Publisher(Company("Nobody", "", ""))));
}

TEST(ProgramDatabaseReading, LocalLayoutReadsSubmittedIgnoringCase) {
    auto exe = [](const std::string& file, const std::string& submitted) {
        return "<executable><rating>2</rating>" + submitted + "<filename>" + file +
               "</filename><description /></executable>";
    };
    const std::string xml = "<?xml version=\"1.0\"?>\r\n<database>" +
                            Company("Local", "",
                                    exe("upper.exe", "<submitted>TRUE</submitted>") +
                                        exe("lower.exe", "<submitted>true</submitted>") +
                                        exe("false.exe", "<submitted>FALSE</submitted>") +
                                        exe("other.exe", "<submitted>yes</submitted>") + exe("none.exe", "")) +
                            "</database>";
    LocalProgramDatabase db;
    ASSERT_TRUE(db.Parse(xml));
    ASSERT_EQ(db.Count(), 5u);
    std::vector<bool> submitted;
    for (const ProgramEntry& e : db.Entries()) submitted.push_back(e.submitted);
    EXPECT_EQ(submitted, (std::vector<bool>{true, true, false, false, false}));
    ProgramEntry e;
    ASSERT_TRUE(db.FindEntry("UPPER.EXE", e));
    EXPECT_EQ(e.company, "Local");
    EXPECT_EQ(e.description, "");
}

TEST(ProgramDatabaseLookup, FirstMatchIgnoringCase) {
    ProgramDatabase db;
    ASSERT_TRUE(db.Parse(Publisher(Company("First", "one", Executable("1", "notepad.exe", "first copy")) +
                                   Company("Second", "two", Executable("2", "NotePad.EXE", "second copy")) +
                                   Company("Other", "", Executable("3", "calc.exe", "calculator")))));
    EXPECT_EQ(db.FindIndex("NOTEPAD.EXE"), 0);
    EXPECT_EQ(db.FindIndex("notepad.exe"), 0);
    EXPECT_EQ(db.FindIndex("Calc.Exe"), 2);
    EXPECT_EQ(db.FindIndex("notepad"), -1);
    EXPECT_EQ(db.FindIndex(""), -1);

    ProgramEntry e;
    ASSERT_TRUE(db.FindEntry("NOTEPAD.EXE", e));
    EXPECT_EQ(e.company, "First");
    std::string text = "untouched";
    EXPECT_FALSE(db.FindDescription("missing.exe", text));
    EXPECT_EQ(text, "untouched");
    ASSERT_TRUE(db.FindDescription("CALC.EXE", text));
    EXPECT_EQ(text, "calculator");

    // Accented capitals in the system's code page.
    if (::GetACP() == 1252) {
        ASSERT_TRUE(db.Parse(Publisher(Company("Acc", "", Executable("1", "\xC3\xA9" "diteur.exe", "e acute")))));
        EXPECT_EQ(db.FindIndex("\xC9" "DITEUR.EXE"), 3);
        EXPECT_TRUE(SameFileName("\xE9" "diteur.exe", "\xC9" "DITEUR.EXE"));
    }
}

TEST(ProgramDatabaseEditing, AddOrReplaceHonoursReadOnlyAndReplacesTheFirstMatch) {
    ProgramDatabase db;
    ASSERT_TRUE(db.Parse(Publisher(Company("Old", "old.example", Executable("5", "tool.exe", "old text")))));
    EXPECT_TRUE(db.IsReadOnly());
    const ProgramEntry edited = MakeEntry("New", "new.example", "2", "TOOL.EXE", "new text", true);
    EXPECT_FALSE(db.AddOrReplace(edited));
    EXPECT_EQ(db.Entries(), std::vector<ProgramEntry>{MakeEntry("Old", "old.example", "5", "tool.exe", "old text")});

    db.SetReadOnly(false);
    EXPECT_FALSE(db.IsModified());
    EXPECT_TRUE(db.AddOrReplace(edited));
    EXPECT_EQ(db.Entries(), std::vector<ProgramEntry>{edited});
    // A replaced entry is as unsaved as an appended one.
    EXPECT_TRUE(db.IsModified());
    db.SetModified(false);
    EXPECT_TRUE(db.AddOrReplace(edited));  // the same again changes nothing
    EXPECT_FALSE(db.IsModified());

    const ProgramEntry added = MakeEntry("Third", "", "1", "added.exe", "appended");
    EXPECT_TRUE(db.AddOrReplace(added));
    EXPECT_TRUE(db.IsModified());
    EXPECT_EQ(db.FindIndex("ADDED.exe"), 1);
    EXPECT_EQ(db.Entries(), (std::vector<ProgramEntry>{edited, added}));
}

TEST(ProgramDatabaseSave, WritesTheLocalLayoutByteForByte) {
    ScratchDir dir;
    LocalProgramDatabase db;
    db.SetReadOnly(false);
    ASSERT_TRUE(db.AddOrReplace(MakeEntry("Ornava Utilities", "www.ornava.example", "3", "quillmark.exe",
                                          "Task manager", true)));
    ASSERT_TRUE(db.AddOrReplace(MakeEntry("Ornava Utilities", "", "", "helper.exe", "")));
    ASSERT_TRUE(db.Save(dir.File("local-db.xml")));
    const std::string expected =
        XmlDeclaration() + "\r\n"
        "<database>\r\n"
        "    <company>\r\n"
        "        <name>Ornava Utilities</name>\r\n"
        "        <url>www.ornava.example</url>\r\n"
        "        <executable>\r\n"
        "            <rating>3</rating>\r\n"
        "            <submitted>TRUE</submitted>\r\n"
        "            <filename>quillmark.exe</filename>\r\n"
        "            <description>Task manager</description>\r\n"
        "        </executable>\r\n"
        "    </company>\r\n"
        "    <company>\r\n"
        "        <name>Ornava Utilities</name>\r\n"
        "        <url />\r\n"
        "        <executable>\r\n"
        "            <rating />\r\n"
        "            <submitted>FALSE</submitted>\r\n"
        "            <filename>helper.exe</filename>\r\n"
        "            <description />\r\n"
        "        </executable>\r\n"
        "    </company>\r\n"
        "</database>\r\n";
    EXPECT_EQ(ReadFileBytes(dir.File("local-db.xml")), expected);

    // And it reads back as it was.
    LocalProgramDatabase again;
    EXPECT_TRUE(again.Load(dir.File("local-db.xml")));
    EXPECT_EQ(again.Entries(), db.Entries());
}

TEST(ProgramDatabaseSave, MarkupQuotesAndAccentsSurviveARoundTrip) {
    ScratchDir dir;
    LocalProgramDatabase db;
    db.SetReadOnly(false);
    const std::vector<ProgramEntry> entries = {
        MakeEntry("Smith & Sons <Ltd>", "http://x.example/?a=1&b=2", "4", "a&b.exe",
                  "Uses <b>bold</b> & \"quotes\" and 'apostrophes' > all; a line\r\nbreak\tand a tab", true),
        MakeEntry("Caf\xE9 M\xFCller", "", "2", "caf\xE9.exe", "Na\xEFve r\xE9sum\xE9 \xE0 la carte"),
        MakeEntry("Entities", "", "1", "ent.exe", "&amp; stays as typed, &#13; too"),
    };
    for (const ProgramEntry& e : entries) ASSERT_TRUE(db.AddOrReplace(e));
    const std::string path = dir.File("local-db.xml");
    ASSERT_TRUE(db.Save(path));

    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.compare(0, XmlDeclaration().size() + 2, XmlDeclaration() + "\r\n"), 0);
    EXPECT_NE(bytes.find("<name>Smith &amp; Sons &lt;Ltd&gt;</name>"), std::string::npos);

    LocalProgramDatabase back;
    ASSERT_TRUE(back.Load(path));
    if (::GetACP() == 1252) {
        EXPECT_EQ(back.Entries(), entries);
    } else {
        // Accented letters depend on the code page; markup must survive anywhere.
        ASSERT_EQ(back.Count(), 3u);
        EXPECT_EQ(back.Entries()[0], entries[0]);
        EXPECT_EQ(back.Entries()[2], entries[2]);
    }
}

TEST(ProgramDatabaseSave, ReadsALocalFileInTheSystemCodePageAndInUtf8) {
    if (::GetACP() != 1252) GTEST_SKIP() << "needs the Western code page";
    ScratchDir dir;
    // As an earlier version wrote it: no declaration, Western bytes.
    const std::string ansi = "<?xml version=\"1.0\"?>\r\n<database>\r\n    <company>\r\n"
                             "        <name>Soci\xE9t\xE9 G\xE9n\xE9rale</name>\r\n        <url />\r\n"
                             "        <executable>\r\n            <rating>2</rating>\r\n"
                             "            <submitted>FALSE</submitted>\r\n"
                             "            <filename>\xE9t\xE9.exe</filename>\r\n"
                             "            <description>Pr\xEAt \xE0 l'emploi</description>\r\n"
                             "        </executable>\r\n    </company>\r\n</database>\r\n";
    ASSERT_TRUE(WriteFileBytes(dir.File("ansi.xml"), ansi));
    LocalProgramDatabase db;
    ASSERT_TRUE(db.Load(dir.File("ansi.xml")));
    EXPECT_EQ(db.Entries(), std::vector<ProgramEntry>{MakeEntry("Soci\xE9t\xE9 G\xE9n\xE9rale", "", "2",
                                                                "\xE9t\xE9.exe", "Pr\xEAt \xE0 l'emploi")});

    // A publisher file in UTF-8, with and without a byte order mark.
    const std::string utf8 = Publisher(Company("Soci\xC3\xA9t\xC3\xA9", "", Executable("3", "x.exe", "\xC3\xA0 la")));
    for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8}) {
        ASSERT_TRUE(WriteFileBytes(dir.File("utf8.xml"), bytes));
        ProgramDatabase pub;
        ASSERT_TRUE(pub.Load(dir.File("utf8.xml")));
        EXPECT_EQ(pub.Entries(), std::vector<ProgramEntry>{MakeEntry("Soci\xE9t\xE9", "", "3", "x.exe", "\xE0 la")});
    }
}

TEST(ProgramDatabaseSave, AFailedSaveLeavesThePreviousFile) {
    ScratchDir dir;
    const std::string path = dir.File("local-db.xml");
    const std::string previous = "previous good copy";
    ASSERT_TRUE(WriteFileBytes(path, previous));
    // The file written aside cannot be created: the save must fail whole.
    ASSERT_TRUE(::CreateDirectoryA(ReplacementFileName(path).c_str(), nullptr));

    LocalProgramDatabase db;
    db.SetReadOnly(false);
    ASSERT_TRUE(db.AddOrReplace(MakeEntry("C", "", "1", "c.exe", "d")));
    EXPECT_FALSE(db.Save(path));
    EXPECT_EQ(ReadFileBytes(path), previous);
    EXPECT_FALSE(db.Save(dir.File("no such folder\\local-db.xml")));
}

namespace {

// A listening loopback socket: shows whether anything tried to connect.
class LoopbackListener {
public:
    LoopbackListener() {
        WSADATA data;
        started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(socket_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        ::listen(socket_, 4);
        int len = sizeof(addr);
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~LoopbackListener() {
        ::closesocket(socket_);
        if (started_) ::WSACleanup();
    }
    int Port() const { return port_; }
    bool SomebodyConnected() const {
        return WaitSocket(socket_, false, 200);
    }

private:
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

}  // namespace

TEST(ProgramDatabaseHostile, BrokenFilesLoadEmpty) {
    ScratchDir dir;
    const std::string good = Publisher(Company("A", "a", Executable("1", "a.exe", "first")) +
                                       Company("B", "b", Executable("2", "b.exe", "second")));
    std::string binary;
    unsigned seed = 12345;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1103515245u + 12345u;
        binary += static_cast<char>((seed >> 16) & 0xFF);
    }
    // Nesting far deeper than any layout: neither the parser nor the copy of
    // its tree may run out of stack.
    std::string deep = "<duzer><database>";
    for (int i = 0; i < 200000; ++i) deep += "<company>";
    for (int i = 0; i < 200000; ++i) deep += "</company>";
    deep += "</database></duzer>";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"malformed", "<duzer><database><company><name>A</nam></company></database></duzer>"},
        {"truncated", good.substr(0, good.size() / 2)},
        {"binary", binary},
        {"binary after a valid start", "<duzer>\x01\x02\xFF\xFE<database>"},
        {"empty", ""},
        {"zero byte inside", good.substr(0, 60) + std::string(1, '\0') + good.substr(60)},
        {"not the layout", "<html><body>Not found</body></html>"},
        {"no wrapper", "<database>" + Company("A", "a", Executable("1", "a.exe", "x")) + "</database>"},
        {"deeply nested", deep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ASSERT_TRUE(WriteFileBytes(dir.File("bad.xml"), c.second));
        ProgramDatabase db;
        EXPECT_FALSE(db.Load(dir.File("bad.xml")));
        EXPECT_EQ(db.Count(), 0u);
    }
    // A broken file replaces what a good one had loaded.
    ASSERT_TRUE(WriteFileBytes(dir.File("good.xml"), good));
    ProgramDatabase db;
    ASSERT_TRUE(db.Load(dir.File("good.xml")));
    ASSERT_TRUE(WriteFileBytes(dir.File("bad.xml"), good.substr(0, good.size() - 20)));
    EXPECT_FALSE(db.Load(dir.File("bad.xml")));
    EXPECT_EQ(db.Count(), 0u);
}

TEST(ProgramDatabaseHostile, EntitiesNeitherExpandNorFetch) {
    ScratchDir dir;
    LoopbackListener listener;
    const std::string secret = dir.File("secret.txt");
    ASSERT_TRUE(WriteFileBytes(secret, "SECRET-CONTENT"));
    std::string secretUrl = "file:///" + secret;
    for (char& ch : secretUrl)
        if (ch == '\\') ch = '/';
    const std::string loopback = "http://127.0.0.1:" + std::to_string(listener.Port()) + "/x";
    const std::string body =
        Company("A", "a", Executable("1", "a.exe", "&e;"));

    std::string laughs = "<!DOCTYPE duzer [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    laughs += "<!ENTITY e \"&l9;\">]>";

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"entity expansion", laughs + Publisher(body).substr(23)},
        {"internal entity", "<!DOCTYPE duzer [<!ENTITY e \"expanded\">]>" + Publisher(body).substr(23)},
        {"external file entity", "<!DOCTYPE duzer [<!ENTITY e SYSTEM \"" + secretUrl + "\">]>" +
                                     Publisher(body).substr(23)},
        {"external url entity", "<!DOCTYPE duzer [<!ENTITY e SYSTEM \"" + loopback + "\">]>" +
                                    Publisher(body).substr(23)},
        {"external document type", "<?xml version=\"1.0\"?><!DOCTYPE duzer SYSTEM \"" + loopback + "\">" +
                                       Publisher(Company("A", "a", Executable("1", "a.exe", "plain"))).substr(23)},
        {"parameter entity", "<!DOCTYPE duzer [<!ENTITY % p SYSTEM \"" + loopback + "\"> %p;]>" +
                                 Publisher(Company("A", "a", Executable("1", "a.exe", "plain"))).substr(23)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ASSERT_TRUE(WriteFileBytes(dir.File("entity.xml"), c.second));
        ProgramDatabase db;
        EXPECT_FALSE(db.Load(dir.File("entity.xml")));
        EXPECT_EQ(db.Count(), 0u);
        EXPECT_FALSE(listener.SomebodyConnected());
    }
}

TEST(ProgramDatabaseHostile, AFiftyMegabyteLocalFileLoadsWhatItHolds) {
    ScratchDir dir;
    std::string companies;
    companies.reserve(53u * 1000u * 1000u);
    int count = 0;
    while (companies.size() < 50u * 1000u * 1000u) {
        const std::string n = std::to_string(count++);
        companies += Company("Company " + n, "www.company" + n + ".example",
                             Executable("2", "prog" + n + ".exe",
                                        "Description of program number " + n + ", which does many useful things."));
    }
    std::string xml = "<?xml version=\"1.0\"?>\r\n<database>" + companies + "</database>";
    ASSERT_TRUE(WriteFileBytes(dir.File("big.xml"), xml));
    LocalProgramDatabase db;
    EXPECT_TRUE(db.Load(dir.File("big.xml")));
    EXPECT_EQ(db.Count(), static_cast<size_t>(count));
    ProgramEntry e;
    const std::string last = std::to_string(count - 1);
    ASSERT_TRUE(db.FindEntry("PROG" + last + ".EXE", e));
    EXPECT_EQ(e.company, "Company " + last);

    // The publisher's file comes from the network: that size is refused as
    // unreadable, and the entries it had stay.
    ASSERT_TRUE(WriteFileBytes(dir.File("pub.xml"), Publisher(companies)));
    companies.clear();
    companies.shrink_to_fit();
    ProgramDatabase publisher;
    ASSERT_TRUE(WriteFileBytes(dir.File("small.xml"), Publisher(Company("S", "", Executable("1", "s.exe", "")))));
    ASSERT_TRUE(publisher.Load(dir.File("small.xml")));
    EXPECT_FALSE(publisher.Load(dir.File("pub.xml")));
    EXPECT_EQ(publisher.FindIndex("s.exe"), 0);

    // The same file cut short holds nothing valid.
    xml.resize(xml.size() / 2);
    ASSERT_TRUE(WriteFileBytes(dir.File("big.xml"), xml));
    EXPECT_FALSE(db.Load(dir.File("big.xml")));
    EXPECT_EQ(db.Count(), 0u);

    // Millions of tiny elements: a tree of them would not fit in a 32-bit
    // process, and the load must fail rather than run out of memory.
    xml = "<database>";
    while (xml.size() < 60u * 1000u * 1000u) xml += "<company/>";
    xml += "</database>";
    ASSERT_TRUE(WriteFileBytes(dir.File("big.xml"), xml));
    xml.clear();
    xml.shrink_to_fit();
    EXPECT_FALSE(db.Load(dir.File("big.xml")));
    EXPECT_EQ(db.Count(), 0u);
}

TEST(ProgramDatabaseHostile, APublisherFileOfMoreElementsThanItsBoundIsRefused) {
    ScratchDir dir;
    ProgramDatabase db;
    ASSERT_TRUE(WriteFileBytes(dir.File("small.xml"), Publisher(Company("S", "", Executable("1", "s.exe", "")))));
    ASSERT_TRUE(db.Load(dir.File("small.xml")));
    // One program and filler, 2 MB in all: far below the size bound. The
    // program's company holds nine elements with the two around it.
    const auto withFiller = [](size_t filler) {
        std::string extra;
        for (size_t i = 0; i < filler; ++i) extra += "<x/>";
        return Publisher(Company("Big", "", Executable("1", "big.exe", "")) + extra);
    };
    ASSERT_EQ(CountXmlStartTags(withFiller(0), 100), 9u);
    ASSERT_TRUE(WriteFileBytes(dir.File("many.xml"), withFiller(kMaxPublisherElements - 9 + 1)));
    EXPECT_FALSE(db.Load(dir.File("many.xml")));
    EXPECT_EQ(db.FindIndex("s.exe"), 0);  // as unreadable: the entries stay
    ASSERT_TRUE(WriteFileBytes(dir.File("many.xml"), withFiller(kMaxPublisherElements - 9)));
    EXPECT_TRUE(db.Load(dir.File("many.xml")));
    EXPECT_EQ(db.FindIndex("big.exe"), 0);

    // End tags, declarations, comments and processing instructions are no
    // elements; a UTF-16 file is counted by its characters.
    const std::string text = "<?xml version=\"1.0\"?><!-- c --><a><b/><![CDATA[x]]></a>";
    EXPECT_EQ(CountXmlStartTags(text, 100), 2u);
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char c : text) {
        le += c;
        le += '\0';
        be += '\0';
        be += c;
    }
    EXPECT_EQ(CountXmlStartTags(le, 100), 2u);
    EXPECT_EQ(CountXmlStartTags(be, 100), 2u);
    // Counting stops past the limit.
    EXPECT_EQ(CountXmlStartTags("<a><a><a><a>", 2), 3u);
}

TEST(ProgramDatabaseLoad, ASecondLoadReplacesTheEntriesAndAMissingFileKeepsThem) {
    ScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("one.xml"), Publisher(Company("A", "", Executable("1", "a.exe", "")) +
                                                              Company("B", "", Executable("1", "b.exe", "")))));
    ASSERT_TRUE(WriteFileBytes(dir.File("two.xml"), Publisher(Company("C", "", Executable("1", "c.exe", "")))));
    ProgramDatabase db;
    ASSERT_TRUE(db.Load(dir.File("one.xml")));
    ASSERT_TRUE(db.Load(dir.File("two.xml")));
    EXPECT_EQ(db.Entries(), std::vector<ProgramEntry>{MakeEntry("C", "", "1", "c.exe", "")});
    EXPECT_EQ(db.FindIndex("a.exe"), -1);
    EXPECT_EQ(db.Path(), dir.File("two.xml"));

    EXPECT_FALSE(db.Load(dir.File("missing.xml")));
    EXPECT_EQ(db.Count(), 1u);
}

TEST(ProgramDatabaseLoad, BackgroundLoadNotifiesAlsoForAMissingFile) {
    ScratchDir dir;
    LoadedListener listener;
    ProgramDatabase db;
    ASSERT_TRUE(db.Load(dir.File("missing.xml"), true, listener.hwnd()));
    ASSERT_TRUE(WaitUntil([] { return LoadedListener::Count() == 1; }));
    EXPECT_FALSE(db.IsLoading());
    EXPECT_EQ(db.Count(), 0u);

    ASSERT_TRUE(WriteFileBytes(dir.File("pub.xml"), Publisher(Company("A", "", Executable("1", "a.exe", "x")))));
    ASSERT_TRUE(db.Load(dir.File("pub.xml"), true, listener.hwnd()));
    ASSERT_TRUE(WaitUntil([] { return LoadedListener::Count() == 2; }));
    EXPECT_FALSE(db.IsLoading());
    EXPECT_EQ(db.FindIndex("A.EXE"), 0);
}

TEST(ProgramDatabaseLoad, OneBackgroundLoadAtATime) {
    ScratchDir dir;
    LoadedListener listener;
    ASSERT_TRUE(WriteFileBytes(dir.File("pub.xml"), Publisher(Company("A", "", Executable("1", "a.exe", "x")))));
    HeldDatabase db;
    ASSERT_TRUE(db.Load(dir.File("pub.xml"), true, listener.hwnd()));
    ASSERT_TRUE(db.WaitParsed());
    EXPECT_TRUE(db.IsLoading());
    EXPECT_FALSE(db.Load(dir.File("pub.xml"), true, listener.hwnd()));
    db.Release();
    ASSERT_TRUE(WaitUntil([] { return LoadedListener::Count() == 1; }));
    EXPECT_FALSE(db.IsLoading());
    db.WaitForLoad();
    testutil::DispatchWaiting();
    EXPECT_EQ(LoadedListener::Count(), 1);
}

TEST(ProgramDatabaseLoad, ALookupDuringALoadSeesTheOldEntriesOrTheNewOnesNeverHalf) {
    ScratchDir dir;
    LoadedListener listener;
    ASSERT_TRUE(WriteFileBytes(dir.File("old.xml"), Publisher(Company("Old", "", Executable("1", "old.exe", "")))));
    ASSERT_TRUE(WriteFileBytes(dir.File("new.xml"), Publisher(Company("A", "", Executable("1", "a.exe", "")) +
                                                              Company("B", "", Executable("1", "b.exe", "")))));
    HeldDatabase held;
    held.Release();
    ASSERT_TRUE(held.Load(dir.File("old.xml")));
    held.Hold();
    // A load that has parsed the whole new file but not yet ended still
    // shows the old entries, whole.
    ASSERT_TRUE(held.Load(dir.File("new.xml"), true, listener.hwnd()));
    ASSERT_TRUE(held.WaitParsed());
    EXPECT_TRUE(held.IsLoading());
    EXPECT_EQ(held.Count(), 1u);
    EXPECT_EQ(held.FindIndex("old.exe"), 0);
    EXPECT_EQ(held.FindIndex("a.exe"), -1);
    held.Release();
    held.WaitForLoad();
    EXPECT_EQ(held.Count(), 2u);
    EXPECT_EQ(held.FindIndex("old.exe"), -1);
    EXPECT_EQ(held.FindIndex("B.EXE"), 1);
}

TEST(ProgramDatabaseFiles, LoadDatabasesAndSaveLocalDatabaseLogWhatTheyDo) {
    ScratchDir dir;
    const std::string common = dir.Path() + "Common\\";
    const std::string program = dir.Path() + "Program\\";
    ASSERT_TRUE(::CreateDirectoryA(common.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(program.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(common + "ornava-db.xml", Publisher(Company("Pub", "", Executable("3", "p.exe", "")))));
    ActivityLog log;
    log.Open(dir.File("quillmark.log"));
    LoadedListener listener;

    // No local file yet: the local database still becomes writable.
    ProgramDatabase publisher;
    LocalProgramDatabase local;
    LoadDatabases(log, publisher, local, listener.hwnd(), common, program);
    ASSERT_TRUE(WaitUntil([] { return LoadedListener::Count() == 1; }));
    EXPECT_EQ(publisher.FindIndex("p.exe"), 0);
    EXPECT_TRUE(publisher.IsReadOnly());
    EXPECT_FALSE(local.IsReadOnly());
    EXPECT_EQ(local.Count(), 0u);
    EXPECT_NE(ReadFileBytes(dir.File("quillmark.log")).find(" Loading the Ornava database.\r\n"), std::string::npos);

    ASSERT_TRUE(local.AddOrReplace(MakeEntry("Me", "", "2", "mine.exe", "my words")));
    EXPECT_TRUE(SaveLocalDatabase(log, local, program));
    EXPECT_NE(ReadFileBytes(dir.File("quillmark.log"))
                  .find(" The local program database has been successfully updated.\r\n"),
              std::string::npos);

    // At the next start the local file is read synchronously.
    ProgramDatabase publisher2;
    LocalProgramDatabase local2;
    LoadDatabases(log, publisher2, local2, nullptr, common, program);
    EXPECT_EQ(local2.FindIndex("MINE.EXE"), 0);
    EXPECT_FALSE(local2.IsReadOnly());
    publisher2.WaitForLoad();
    EXPECT_EQ(publisher2.Count(), 1u);

    EXPECT_FALSE(SaveLocalDatabase(log, local, dir.Path() + "Gone\\"));
    EXPECT_NE(ReadFileBytes(dir.File("quillmark.log")).find(" The local program database has failed to update.\r\n"),
              std::string::npos);
}

TEST(ProgramDatabaseFiles, UnsavedEntriesOutliveAReloadAndAreSavedAtExit) {
    ScratchDir dir;
    const std::string program = dir.Path();
    const std::string localPath = dir.File("local-db.xml");
    ActivityLog log;
    log.Open(dir.File("quillmark.log"));
    ProgramDatabase publisher;
    LocalProgramDatabase local;
    LoadDatabases(log, publisher, local, nullptr, "", program);
    ASSERT_TRUE(local.AddOrReplace(MakeEntry("Me", "", "2", "first.exe", "saved")));
    ASSERT_TRUE(SaveLocalDatabase(log, local, program));
    EXPECT_FALSE(local.IsModified());
    const std::string saved = ReadFileBytes(localPath);

    // The next save cannot write (the folder's aside name is taken).
    const std::string blocker = ReplacementFileName(localPath);
    ASSERT_TRUE(::CreateDirectoryA(blocker.c_str(), nullptr));
    ASSERT_TRUE(local.AddOrReplace(MakeEntry("Me", "", "2", "second.exe", "not saved yet")));
    EXPECT_FALSE(SaveLocalDatabase(log, local, program));
    EXPECT_TRUE(local.IsModified());
    // A reload after an update tries the save first, and when it fails keeps
    // the entries rather than reading the older file over them.
    LoadDatabases(log, publisher, local, nullptr, "", program);
    EXPECT_EQ(local.FindIndex("second.exe"), 1);
    EXPECT_EQ(ReadFileBytes(localPath), saved);
    EXPECT_FALSE(SaveLocalDatabaseIfModified(log, local, program));

    // At exit the save is tried again, and writes everything.
    ::RemoveDirectoryA(blocker.c_str());
    EXPECT_TRUE(SaveLocalDatabaseIfModified(log, local, program));
    EXPECT_FALSE(local.IsModified());
    LocalProgramDatabase reread;
    ASSERT_TRUE(reread.Load(localPath));
    EXPECT_EQ(reread.Entries(), local.Entries());

    // A replaced description is unsaved too: the exit call writes it, and
    // with nothing unsaved it writes nothing (and logs nothing).
    ASSERT_TRUE(local.AddOrReplace(MakeEntry("Me", "", "3", "FIRST.EXE", "changed")));
    EXPECT_TRUE(SaveLocalDatabaseIfModified(log, local, program));
    ASSERT_TRUE(reread.Load(localPath));
    EXPECT_EQ(reread.Entries()[0].description, "changed");
    const std::string logged = ReadFileBytes(dir.File("quillmark.log"));
    EXPECT_TRUE(SaveLocalDatabaseIfModified(log, local, program));
    EXPECT_EQ(ReadFileBytes(dir.File("quillmark.log")), logged);

    // A reload with everything saved reads the file as before.
    ASSERT_TRUE(WriteFileBytes(localPath, "<?xml version=\"1.0\"?>\r\n<database>\r\n</database>\r\n"));
    LoadDatabases(log, publisher, local, nullptr, "", program);
    EXPECT_EQ(local.Count(), 0u);
}

TEST(ProgramDatabaseFiles, AnUnreadableLocalFileIsKeptAsideNotSavedOver) {
    ScratchDir dir;
    const std::string program = dir.Path();
    const std::string localPath = dir.File("local-db.xml");
    ActivityLog log;
    log.Open(dir.File("quillmark.log"));
    // Damaged in the middle of the user's descriptions.
    const std::string damaged = "<?xml version=\"1.0\"?>\r\n<database>\r\n    <company>\r\n"
                                "        <name>Mine</name>\r\n        <executable>\r\n"
                                "            <filename>mine.exe</filename>\r\n            <descr";
    ASSERT_TRUE(WriteFileBytes(localPath, damaged));

    ProgramDatabase publisher;
    LocalProgramDatabase local;
    LoadDatabases(log, publisher, local, nullptr, "", program);
    EXPECT_FALSE(local.IsReadOnly());
    EXPECT_EQ(local.Count(), 0u);
    EXPECT_EQ(ReadFileBytes(SetAsideFileName(localPath, 1)), damaged);
    EXPECT_FALSE(testutil::FileExists(localPath));
    EXPECT_NE(ReadFileBytes(dir.File("quillmark.log"))
                  .find(" The local program database could not be read; it has been kept as " +
                        SetAsideFileName(localPath, 1) + ".\r\n"),
              std::string::npos);
    ASSERT_TRUE(local.AddOrReplace(MakeEntry("Me", "", "2", "new.exe", "written after")));
    ASSERT_TRUE(SaveLocalDatabase(log, local, program));

    // A second damaged file does not replace the first copy.
    ASSERT_TRUE(WriteFileBytes(localPath, "\x01\x02 binary"));
    LocalProgramDatabase again;
    LoadDatabases(log, publisher, again, nullptr, "", program);
    EXPECT_EQ(ReadFileBytes(SetAsideFileName(localPath, 1)), damaged);
    EXPECT_EQ(ReadFileBytes(SetAsideFileName(localPath, 2)), "\x01\x02 binary");

    // A readable file without entries is the user's too, and stays.
    const std::string empty = "<?xml version=\"1.0\"?>\r\n<database>\r\n</database>\r\n";
    ASSERT_TRUE(WriteFileBytes(localPath, empty));
    LocalProgramDatabase emptyDb;
    LoadDatabases(log, publisher, emptyDb, nullptr, "", program);
    EXPECT_FALSE(emptyDb.IsReadOnly());
    EXPECT_EQ(ReadFileBytes(localPath), empty);
    EXPECT_FALSE(testutil::FileExists(SetAsideFileName(localPath, 3)));

    // When it cannot be moved (held open by another program), the database
    // stays read-only and nothing is written over the file.
    ASSERT_TRUE(WriteFileBytes(localPath, damaged));
    {
        UniqueHandle held(::CreateFileA(localPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        LocalProgramDatabase stuck;
        LoadDatabases(log, publisher, stuck, nullptr, "", program);
        EXPECT_TRUE(stuck.IsReadOnly());
        EXPECT_FALSE(stuck.AddOrReplace(MakeEntry("Me", "", "2", "new.exe", "lost?")));
        EXPECT_FALSE(SaveLocalDatabase(log, stuck, program));
    }
    EXPECT_EQ(ReadFileBytes(localPath), damaged);
    EXPECT_FALSE(testutil::FileExists(SetAsideFileName(localPath, 3)));
}

TEST(ProgramDatabaseFiles, AFileThatCannotBeReadForAMomentIsNotSetAside) {
    ScratchDir dir;
    const std::string localPath = dir.File("local-db.xml");
    ActivityLog log;
    log.Open(dir.File("quillmark.log"));
    const std::string good = "<?xml version=\"1.0\"?>\r\n<database>\r\n    <company>\r\n        <name>Mine</name>\r\n"
                             "        <executable>\r\n            <filename>mine.exe</filename>\r\n"
                             "        </executable>\r\n    </company>\r\n</database>\r\n";
    ASSERT_TRUE(WriteFileBytes(localPath, good));
    {
        // Another program holds it without letting anyone read it, but would
        // let it be moved: a sharing violation, not a damaged file.
        UniqueHandle held(::CreateFileA(localPath.c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        ProgramDatabase publisher;
        LocalProgramDatabase local;
        LoadDatabases(log, publisher, local, nullptr, "", dir.Path());
        EXPECT_TRUE(local.IsReadOnly());
        EXPECT_FALSE(SaveLocalDatabase(log, local, dir.Path()));
    }
    EXPECT_FALSE(testutil::FileExists(SetAsideFileName(localPath, 1)));
    EXPECT_EQ(ReadFileBytes(localPath), good);
    // Readable again at the next start: it loads as it is.
    ProgramDatabase publisher;
    LocalProgramDatabase local;
    LoadDatabases(log, publisher, local, nullptr, "", dir.Path());
    EXPECT_FALSE(local.IsReadOnly());
    EXPECT_EQ(local.FindIndex("mine.exe"), 0);
}

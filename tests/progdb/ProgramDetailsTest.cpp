// The merged program details: version data, then the publisher's entry, then
// the local one; the rating texts; the web-site rule.
#include <windows.h>

#include <gtest/gtest.h>

#include "DatabaseTestUtil.h"
#include "TestUtil.h"
#include "progdb/ProgramDatabaseDetails.h"
#include "sysinfo/FileVersion.h"

using testutil::ScratchDir;
using testutil::WriteFileBytes;

namespace {

FileDetails VersionData(const std::string& company, const std::string& description, const std::string& version) {
    FileDetails d;
    d.company = company;
    d.description = d.title = description;
    d.productVersion = version;
    return d;
}

std::string ExePath() {
    char buf[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return buf;
}

std::string FileNameOf(const std::string& path) {
    return path.substr(path.find_last_of('\\') + 1);
}

}  // namespace

TEST(ProgramRatingTexts, AreStrings500To509) {
    const char* texts[] = {
        "System. This rating indicates the program is part of your computer's operating system.",
        "Background. A task of this nature generally operates behind the scenes without user intervention and is "
        "part of your system.",
        "Normal. A typical healthy computer would be running this task.",
        "Major vendor. The program is part of a package from a well-known software publisher (such as Microsoft or "
        "Adobe).",
        "Small vendor. The task belongs to a program created by a less-influential software maker.",
        "Unverified. A rating hasn't been finalized for this program.",
        "Unknown. Quillmark doesn't recognize this program.",
        "Suspect. This rating warns that a task may be spyware or malicious.",
        "Spyware. The program may be transmitting information about you and your behavior to a third party.",
        "Malicious. The program may be harming your computer.",
    };
    for (int r = 0; r <= 9; ++r) EXPECT_EQ(RatingText(r), texts[r]) << r;
    EXPECT_EQ(RatingText(-1), "");
    EXPECT_EQ(RatingText(10), "");

    EXPECT_EQ(RatingValue("3"), 3);
    EXPECT_EQ(RatingValue("7 (suspect)"), 7);
    EXPECT_EQ(RatingValue(""), 0);
    EXPECT_EQ(RatingValue("high"), 0);
    EXPECT_EQ(RatingValue("-2"), 0);
    EXPECT_GT(RatingValue("99999999999999999999"), 9);  // no overflow into the scale
}

TEST(ProgramDetailsMerge, LocalEntryWinsOverPublisherOverVersionData) {
    const FileDetails file = VersionData("File Co", "File description", "1.2.3");
    const ProgramEntry publisher =
        MakeEntry("Publisher Co", "www.publisher.example", "3", "tool.exe", "Publisher says");
    const ProgramEntry local = MakeEntry("Local Co", "www.local.example", "8", "tool.exe", "I say");
    ProgramDetails d;

    MergeProgramDetails("C:\\Apps\\tool.exe", &file, &publisher, &local, d);
    EXPECT_EQ(d.path, "C:\\Apps\\tool.exe");
    EXPECT_EQ(d.fileName, "tool.exe");
    EXPECT_EQ(d.company, "Local Co");
    EXPECT_EQ(d.webSite, "http://www.local.example");
    EXPECT_EQ(d.ratingValue, 8);
    EXPECT_EQ(d.ratingText, RatingText(8));
    EXPECT_EQ(d.description, "I say");
    EXPECT_EQ(d.title, "File description");  // title and version always come from the file
    EXPECT_EQ(d.version, "1.2.3");

    MergeProgramDetails("C:\\Apps\\tool.exe", &file, &publisher, nullptr, d);
    EXPECT_EQ(d.company, "Publisher Co");
    EXPECT_EQ(d.description, "Publisher says");
    EXPECT_EQ(d.ratingValue, 3);

    // In neither: version data, rating 6, no web site.
    MergeProgramDetails("C:\\Apps\\tool.exe", &file, nullptr, nullptr, d);
    EXPECT_EQ(d.company, "File Co");
    EXPECT_EQ(d.description, "File description");
    EXPECT_EQ(d.ratingValue, 6);
    EXPECT_EQ(d.ratingText, RatingText(6));
    EXPECT_EQ(d.webSite, "");

    // A found entry replaces with empty text too; the company then reads "unknown".
    const ProgramEntry blank = MakeEntry("", "", "", "tool.exe", "");
    MergeProgramDetails("C:\\Apps\\tool.exe", &file, &publisher, &blank, d);
    EXPECT_EQ(d.description, "");
    EXPECT_EQ(d.company, "unknown");
    EXPECT_EQ(d.webSite, "");
    EXPECT_EQ(d.ratingValue, 0);  // missing rating reads as 0, "System"
    EXPECT_EQ(d.ratingText, RatingText(0));
}

TEST(ProgramDetailsMerge, MissingFilesAndMissingVersionData) {
    ProgramDetails d;
    const ProgramEntry entry = MakeEntry("Co", "www.co.example", "2", "gone.exe", "text");
    MergeProgramDetails("C:\\Gone\\gone.exe", nullptr, &entry, &entry, d);
    EXPECT_EQ(d.version, "unknown");
    EXPECT_EQ(d.title, "unknown");
    EXPECT_EQ(d.company, "unknown");
    EXPECT_EQ(d.fileName, "unknown");
    EXPECT_EQ(d.path, "C:\\Gone\\gone.exe");
    EXPECT_EQ(d.description, "");
    EXPECT_EQ(d.webSite, "");
    EXPECT_EQ(d.ratingValue, 6);
    EXPECT_EQ(d.ratingText, RatingText(6));

    const FileDetails none;
    MergeProgramDetails("C:\\plain.dat", &none, nullptr, nullptr, d);
    EXPECT_EQ(d.title, "unknown");
    EXPECT_EQ(d.company, "unknown");
    EXPECT_EQ(d.version, "unknown");
    EXPECT_EQ(d.description, "");
    EXPECT_EQ(d.fileName, "plain.dat");
}

TEST(ProgramDetailsMerge, WebSiteGetsAScheme) {
    EXPECT_EQ(WithHttpScheme("www.example.com"), "http://www.example.com");
    EXPECT_EQ(WithHttpScheme("HTTP://WWW.EXAMPLE.COM"), "HTTP://WWW.EXAMPLE.COM");
    EXPECT_EQ(WithHttpScheme("http://x"), "http://x");
    EXPECT_EQ(WithHttpScheme("https://secure.example"), "https://secure.example");
    EXPECT_EQ(WithHttpScheme("HTTPS://secure.example"), "HTTPS://secure.example");
    EXPECT_EQ(WithHttpScheme("http:/x"), "http://http:/x");
    EXPECT_EQ(WithHttpScheme("http"), "http://http");
    EXPECT_EQ(WithHttpScheme(""), "");
}

TEST(ProgramDetails, GetProgramDetailsReadsTheFileAndBothDatabases) {
    // The test program itself carries the product's version data.
    const std::string exe = ExePath();
    const std::string name = FileNameOf(exe);
    FileDetails own;
    ASSERT_TRUE(ReadFileDetails(exe, own));
    ASSERT_FALSE(own.company.empty());

    ProgramDatabase publisher;
    LocalProgramDatabase local;
    ProgramDetails d;
    ASSERT_TRUE(GetProgramDetails(exe, d, publisher, local));
    EXPECT_EQ(d.company, own.company);
    EXPECT_EQ(d.title, own.title);
    EXPECT_EQ(d.version, own.productVersion);
    EXPECT_EQ(d.ratingValue, 6);

    std::string upper = name;
    ::CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    ASSERT_TRUE(publisher.Parse("<duzer><database><company><name>Pub</name><url>pub.example</url><executable>"
                                "<rating>3</rating><filename>" + upper +
                                "</filename><description>From the publisher</description></executable>"
                                "</company></database></duzer>"));
    ASSERT_TRUE(GetProgramDetails(exe, d, publisher, local));
    EXPECT_EQ(d.company, "Pub");
    EXPECT_EQ(d.webSite, "http://pub.example");
    EXPECT_EQ(d.description, "From the publisher");
    EXPECT_EQ(d.ratingValue, 3);
    EXPECT_EQ(d.title, own.title);

    local.SetReadOnly(false);
    ASSERT_TRUE(local.AddOrReplace(MakeEntry("Mine", "HTTP://MINE.EXAMPLE", "", name, "My words")));
    ASSERT_TRUE(GetProgramDetails(exe, d, publisher, local));
    EXPECT_EQ(d.company, "Mine");
    EXPECT_EQ(d.webSite, "HTTP://MINE.EXAMPLE");
    EXPECT_EQ(d.ratingValue, 0);
    EXPECT_EQ(d.ratingText, RatingText(0));

    // A missing file is not looked up at all.
    ASSERT_TRUE(GetProgramDetails(exe + ".missing", d, publisher, local));
    EXPECT_EQ(d.company, "unknown");
    EXPECT_EQ(d.ratingValue, 6);

    // A file without version data.
    ScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("plain.exe"), "not a program"));
    ASSERT_TRUE(GetProgramDetails(dir.File("plain.exe"), d, publisher, local));
    EXPECT_EQ(d.fileName, "plain.exe");
    EXPECT_EQ(d.title, "unknown");
    EXPECT_EQ(d.company, "unknown");
    EXPECT_EQ(d.version, "unknown");
    EXPECT_EQ(d.description, "");
}

TEST(ProgramDetails, ThePublisherDatabaseIsSkippedWhileItLoads) {
    const std::string exe = ExePath();
    FileDetails own;
    ASSERT_TRUE(ReadFileDetails(exe, own));
    ScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("ornava-db.xml"),
                               "<duzer><database><company><name>Pub</name><url /><executable><rating>1</rating>"
                               "<filename>" + FileNameOf(exe) +
                               "</filename><description>d</description></executable></company></database></duzer>"));
    HeldDatabase publisher;
    LocalProgramDatabase local;
    ASSERT_TRUE(publisher.Load(dir.File("ornava-db.xml"), true, nullptr));
    // The file is parsed, but the load has not ended.
    ASSERT_TRUE(publisher.WaitParsed());
    ASSERT_TRUE(publisher.IsLoading());
    ProgramDetails d;
    ASSERT_TRUE(GetProgramDetails(exe, d, publisher, local));
    EXPECT_EQ(d.company, own.company);
    EXPECT_EQ(d.ratingValue, 6);

    publisher.Release();
    publisher.WaitForLoad();
    ASSERT_TRUE(GetProgramDetails(exe, d, publisher, local));
    EXPECT_EQ(d.company, "Pub");
    EXPECT_EQ(d.ratingValue, 1);
}

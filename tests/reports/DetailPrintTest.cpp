// Print Details: the wrapping of long values, and the page of a running test
// child printed for real on the PDF printer and read back.
#include "reports/DetailPrint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PrintedPdf.h"
#include "ProcessUtil.h"
#include "TestUtil.h"
#include "reports/DetailView.h"
#include "resource.h"
#include "sysinfo/FileVersion.h"

namespace {

using printtest::Pages;

// A column that holds `width` characters.
std::vector<std::string> Wrap(const std::string& text, size_t width) {
    return WrapToWidth(text, [width](const std::string&) { return width; });
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l;
    return out;
}

TEST(WrapToWidth, BreaksAfterSpacesAndSeparatorsAndKeepsEveryCharacter) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ((Lines{"short"}), Wrap("short", 10));
    EXPECT_EQ((Lines{"the quick ", "brown fox"}), Wrap("the quick brown fox", 12));
    // A path breaks after its backslashes, an address after its slashes.
    EXPECT_EQ((Lines{"C:\\Program ", "Files\\Tool\\", "tool.exe"}), Wrap("C:\\Program Files\\Tool\\tool.exe", 12));
    EXPECT_EQ((Lines{"http://a.b/", "c/d"}), Wrap("http://a.b/c/d", 12));
    // A word longer than the column is cut where the room ends.
    EXPECT_EQ((Lines{"abcde", "fghij", "k"}), Wrap("abcdefghijk", 5));
    // No room at all still makes progress, a character a line.
    EXPECT_EQ((Lines{"a", "b"}), Wrap("ab", 0));
    // Line breaks of the text start lines; empty lines stay.
    EXPECT_EQ((Lines{"one", "", "two"}), Wrap("one\r\n\r\ntwo", 20));
    EXPECT_TRUE(Wrap("", 5).empty());

    const std::string text = "Keeps the computer running smoothly in the background, C:\\Windows\\System32\\svc.exe -k x";
    for (size_t width : {1u, 7u, 13u, 40u}) {
        const auto lines = Wrap(text, width);
        EXPECT_EQ(text, Joined(lines)) << width;
        for (const std::string& l : lines) EXPECT_LE(l.size(), std::max<size_t>(width, 1)) << width;
    }
}

using DetailPrintTest = printtest::PdfPrinterTest;

TEST_F(DetailPrintTest, TaskPagePrintsItsLabelsValuesAndModules) {
    const std::string ending = "until the very last word of this sentence";
    LocalProgramDatabase local;
    local.SetReadOnly(false);
    ProgramEntry entry;
    entry.fileName = "qm_testchild.exe";
    entry.company = "Printed Makers";
    entry.description = "A description long enough to run over the width of the page, so that it has to wrap onto "
                        "further lines of its row and is printed " + ending;
    entry.url = "www.example.com/printed";
    ASSERT_TRUE(local.AddOrReplace(entry));

    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_TESTCHILD_EXE), "printed=yes"));
    ProcessImageList processes;
    ASSERT_TRUE(testutil::WaitUntil([&] {
        std::vector<std::string> modules;
        processes.Clear();
        LoadProcessImageList(processes);
        const ProcessImageInfo* p = FindProcessImage(&processes, child.Pid());
        return p && !p->commandLine.empty() && ListModules(child.Pid(), modules) && modules.size() >= 3;
    }));
    DetailView view(DetailViewHooks{});
    ProgramDatabase publisher;
    DetailRequest request;
    request.subject = DetailSubject::Task;
    request.pid = child.Pid();
    request.processes = &processes;
    request.publisher = &publisher;
    request.local = &local;
    ASSERT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_TASKS), view.Build(request));
    const DetailModel& model = view.LastModel();

    // Cancel in the print dialog: no job.
    const std::string cancelled = NewDocument("detailcancel");
    EXPECT_FALSE(PrintDetailPage(model, nullptr, printtest::CancelledDialog(), cancelled));

    const std::string doc = NewDocument("details");
    ASSERT_TRUE(PrintDetailPage(model, nullptr, printtest::DirectPrinter(printer_), doc));
    const std::string text = printtest::WaitForPdfText(doc);
    const auto pages = Pages(text);
    ASSERT_FALSE(pages.empty()) << "no PDF came";
    // The list printing's header and footer lines.
    for (const char* s : {"Quillmark Data", "Page 1", "Ornava", "www.ornava.com"})
        EXPECT_NE(pages[0].find(s), std::string::npos) << s;
    // The label rows, then the module table.
    for (const char* s : {"Task Information", "Sleeping test child by Printed Makers", "Version:", "3.14 beta",
                          "Rating:", "Description:", "File Path:", "Command Line:", "printed=yes", "Website:",
                          "http://www.example.com/printed", "Search:", "search?q=qm_testchild.exe", "Loaded Modules",
                          "Module Name", "Size"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
    EXPECT_LT(text.find("File Path:"), text.find("Loaded Modules"));
    EXPECT_LT(text.find("Loaded Modules"), text.find("kernel32.dll"));
    EXPECT_NE(text.find("qm_testchild.exe"), std::string::npos);
    // The long description wraps rather than losing its end.
    EXPECT_NE(text.find(ending), std::string::npos) << text;
    EXPECT_FALSE(printtest::PdfExists(cancelled));
}

}  // namespace

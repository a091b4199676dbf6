// Printing for real: through the GDI print path to the PDF printer CUPS
// provides, then reading the job's PDF back as text. The print dialog is
// replaced by a source that hands out the printer's device context.
#include <windows.h>

#include <gtest/gtest.h>

#include <dlgs.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "OwnDialog.h"
#include "PrintedPdf.h"
#include "TestListView.h"
#include "reports/ListPrinter.h"

using printtest::Pages;

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// A list shaped like the Tasks list, with its columns and on-screen widths.
MemoryTable TasksTable(int rows) {
    MemoryTable t({{"Filename", "", 120},
                   {"Protection", "", 120},
                   {"User Account", "", 100},
                   {"Process ID", "right", 80},
                   {"CPU Usage", "right", 80},
                   {"Memory Usage", "right", 80},
                   {"Threads", "right", 120},
                   {"Company", "", 120},
                   {"Description", "", 120}},
                  {});
    struct Sample {
        const char* file;
        const char* protection;
        const char* company;
        const char* description;
    };
    const Sample samples[] = {
        {"services.exe", "System Protected", "Wine", "Services and Controller app"},
        {"winedevice.exe", "System Protected", "Wine", "Wine Device Process"},
        {"explorer.exe", "System Protected", "Wine", "Windows Explorer"},
        {"plugplay.exe", "Protected", "Wine", "Plug and Play service"},
        {"svchost.exe", "System Protected", "Wine", "Host Process for Windows Services"},
        {"rpcss.exe", "System Protected", "Wine", "RPC subsystem"},
        {"Quillmark.exe", "Protected", "Ornava Utilities", "Quillmark task manager"},
        {"notepad.exe", "Unprotected", "Wine", "Text editor"},
        {"cmd.exe", "Can Close", "Wine", "Command prompt"},
        {"conhost.exe", "Can Kill", "Wine", "Console window host"},
    };
    for (int i = 0; i < rows; ++i) {
        const Sample& s = samples[i % (sizeof(samples) / sizeof(samples[0]))];
        char pid[16], cpu[16], mem[24], threads[16];
        std::snprintf(pid, sizeof(pid), "%d", 32 + i * 4);
        std::snprintf(cpu, sizeof(cpu), "%d.%d%%", (i * 7) % 13, (i * 3) % 10);
        std::snprintf(mem, sizeof(mem), "%d K", 1800 + (i * 977) % 30000);
        std::snprintf(threads, sizeof(threads), "%d", 2 + (i * 5) % 17);
        t.Rows().push_back({s.file, s.protection, "root", pid, cpu, mem, threads, s.company, s.description});
    }
    return t;
}

// What the print dialog showed, read by a helper thread while the dialog
// waits for its answer, which the helper then gives.
struct DialogSeen {
    std::atomic<bool> found{false};
    bool allPages = false;
    bool rangesEnabled = true;
    bool selectionEnabled = true;
};

// Waits (bounded) for the dialog, records its choices and presses `button`.
std::thread AnswerPrintDialog(DialogSeen& seen, int button) {
    return std::thread([&seen, button] {
        HWND dlg = owndialog::WaitForOwnDialog();
        if (!dlg) return;
        seen.allPages = ::IsDlgButtonChecked(dlg, rad1) == BST_CHECKED;
        seen.rangesEnabled = ::IsWindowEnabled(::GetDlgItem(dlg, rad3)) != FALSE;
        seen.selectionEnabled = ::IsWindowEnabled(::GetDlgItem(dlg, rad2)) != FALSE;
        seen.found = true;
        ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
}

class ListPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        printer_ = printtest::FindPdfPrinter(why);
        if (printer_.empty()) {
            if (printtest::PrinterRequired()) FAIL() << "no PDF printer: " << why;
            GTEST_SKIP() << "printing tests skipped: " << why;
        }
    }
    void TearDown() override {
        for (const std::string& d : documents_) printtest::RemovePdf(d);
    }

    // Prints the table as a job of its own and returns the PDF's text.
    std::string PrintAndRead(const MemoryTable& table, const std::string& tag, ListPrinter** keep = nullptr) {
        const std::string doc = printtest::UniqueDocumentName(tag);
        documents_.push_back(doc);
        printer_obj_.reset(new ListPrinter(table, doc, nullptr, printtest::DirectPrinter(printer_)));
        if (keep) *keep = printer_obj_.get();
        if (!printer_obj_->Print()) return "<print failed>";
        return printtest::WaitForPdfText(doc);
    }

    std::string printer_;
    std::vector<std::string> documents_;
    std::unique_ptr<ListPrinter> printer_obj_;
};

}  // namespace

TEST_F(ListPrintTest, LongListRunsOverPagesWithHeaderAndFooterOnEach) {
    // Two columns that fit in one pass; enough rows for more than one page.
    MemoryTable table({{"Filename", "", 150}, {"Process ID", "right", 80}}, {});
    for (int i = 0; i < 120; ++i) table.Rows().push_back({"process" + std::to_string(i) + ".exe", std::to_string(100 + i)});
    ListPrinter* printer = nullptr;
    const std::string text = PrintAndRead(table, "long", &printer);
    EXPECT_EQ(printer->PassCount(), 1);
    const auto pages = Pages(text);
    ASSERT_GE(pages.size(), 2u) << text;
    EXPECT_EQ(static_cast<int>(pages.size()), printer->PageCount());

    const std::string today = LocalDateTimeText().substr(0, 6);
    for (size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        EXPECT_NE(pages[p].find("Quillmark Data"), std::string::npos);
        EXPECT_NE(pages[p].find("Page " + std::to_string(p + 1)), std::string::npos);
        EXPECT_NE(pages[p].find(today), std::string::npos) << "the date and time stand in the header";
        EXPECT_NE(pages[p].find("Ornava"), std::string::npos) << "the footer names the publisher";
        EXPECT_NE(pages[p].find("www.ornava.com"), std::string::npos);
        // The heading row starts every page.
        EXPECT_NE(pages[p].find("Filename"), std::string::npos);
        EXPECT_NE(pages[p].find("Process ID"), std::string::npos);
    }
    // Every row is printed once, in order, across the pages.
    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(Count(text, "process" + std::to_string(i) + ".exe "), 1u) << i;
    EXPECT_LT(text.find("process0.exe"), text.find("process119.exe"));
    EXPECT_NE(pages.back().find("process119.exe"), std::string::npos);
}

TEST_F(ListPrintTest, WideListPrintsInPassesWithTheFirstColumnInEach) {
    // Seven columns of 200 screen pixels: two thirds of an A4 or Letter page
    // hold column 0 and two more, so the list needs three passes.
    MemoryTable table({{"Image", "", 200}, {"ColA", "", 200}, {"ColB", "", 200}, {"ColC", "", 200},
                       {"ColD", "", 200}, {"ColE", "", 200}, {"ColF", "", 200}},
                      {{"first.exe", "a1", "b1", "c1", "d1", "e1", "f1"},
                       {"second.exe", "a2", "b2", "c2", "d2", "e2", "f2"}});
    ListPrinter* printer = nullptr;
    const std::string text = PrintAndRead(table, "passes", &printer);
    EXPECT_EQ(printer->PassCount(), 3);
    const auto pages = Pages(text);
    ASSERT_EQ(pages.size(), 3u) << text;
    const char* const expected[3][2] = {{"ColA", "ColB"}, {"ColC", "ColD"}, {"ColE", "ColF"}};
    for (size_t p = 0; p < 3; ++p) {
        SCOPED_TRACE("pass " + std::to_string(p + 1));
        EXPECT_NE(pages[p].find("Image"), std::string::npos);
        EXPECT_NE(pages[p].find("first.exe"), std::string::npos);
        EXPECT_NE(pages[p].find("second.exe"), std::string::npos);
        EXPECT_NE(pages[p].find(expected[p][0]), std::string::npos);
        EXPECT_NE(pages[p].find(expected[p][1]), std::string::npos);
        for (size_t other = 0; other < 3; ++other)
            if (other != p) {
                EXPECT_EQ(pages[p].find(expected[other][0]), std::string::npos);
            }
        EXPECT_NE(pages[p].find("Page " + std::to_string(p + 1)), std::string::npos);
    }
}

TEST_F(ListPrintTest, ListThatFitsPrintsInOnePass) {
    // Printed from a list view through its window, as the command does.
    TestListView list(MemoryTable({{"Filename", "", 120}, {"Process ID", "right", 80}, {"CPU Usage", "right", 80}},
                                  {{"alpha.exe", "4", "1.5%"}, {"beta.exe", "8", "0.0%"}}));
    const std::string doc = printtest::UniqueDocumentName("onepass");
    documents_.push_back(doc);
    ASSERT_TRUE(PrintListCommand(nullptr, list.hwnd(), doc, printtest::DirectPrinter(printer_)));
    const auto pages = Pages(printtest::WaitForPdfText(doc));
    ASSERT_EQ(pages.size(), 1u);
    for (const char* s : {"Filename", "Process ID", "CPU Usage", "alpha.exe", "beta.exe", "1.5%"})
        EXPECT_NE(pages[0].find(s), std::string::npos) << s;
    EXPECT_LT(pages[0].find("Filename"), pages[0].find("Process ID"));
    EXPECT_LT(pages[0].find("Process ID"), pages[0].find("CPU Usage"));
}

TEST_F(ListPrintTest, LongCellIsPrintedFromItsFirst199Characters) {
    // Narrow letters, so that 199 of them fit on the line and only the limit
    // can cut the text: 198 "i", a "j" as the 199th, then 101 "l".
    const std::string cell = std::string(198, 'i') + "j" + std::string(101, 'l');
    MemoryTable table({{"N", "", 10}, {"Command Line", "", 2000}}, {{"x.exe", cell}});
    const std::string text = PrintAndRead(table, "longcell");
    EXPECT_NE(text.find(std::string(198, 'i') + "j"), std::string::npos) << text;
    EXPECT_EQ(text.find("jl"), std::string::npos);
    EXPECT_EQ(text.find("lll"), std::string::npos);
}

TEST_F(ListPrintTest, CancelPrintsNothingAndAnEmptyListPrintsItsFrame) {
    MemoryTable empty({{"Filename", "", 120}, {"Process ID", "right", 80}}, {});
    const std::string cancelled = printtest::UniqueDocumentName("cancel");
    documents_.push_back(cancelled);
    ListPrinter cancelledPrinter(empty, cancelled, nullptr, printtest::CancelledDialog());
    EXPECT_FALSE(cancelledPrinter.Print());
    EXPECT_EQ(cancelledPrinter.PageCount(), 0);

    // The printer works through its jobs in order: once the next job's PDF is
    // there, a job from the cancelled print would be there too.
    const std::string text = PrintAndRead(empty, "empty");
    const auto pages = Pages(text);
    ASSERT_EQ(pages.size(), 1u) << text;
    for (const char* s : {"Quillmark Data", "Page 1", "Filename", "Process ID", "Ornava"})
        EXPECT_NE(pages[0].find(s), std::string::npos) << s;
    EXPECT_FALSE(printtest::PdfExists(cancelled));

    // A list of only its first column has no pass to print: no job at all.
    MemoryTable single({{"Filename", "", 120}}, {{"a.exe"}});
    EXPECT_FALSE(ListPrinter(single, "never", nullptr, printtest::DirectPrinter(printer_)).Print());
}

TEST_F(ListPrintTest, TasksListSample) {
    // The Tasks list's columns need two passes on A4 or Letter; the first
    // page is the picture in the README.
    ListPrinter* printer = nullptr;
    const std::string text = PrintAndRead(TasksTable(40), "tasks", &printer);
    EXPECT_EQ(printer->PassCount(), 2);
    const auto pages = Pages(text);
    ASSERT_EQ(pages.size(), 2u) << text;
    EXPECT_NE(pages[0].find("Memory Usage"), std::string::npos);
    EXPECT_EQ(pages[0].find("Description"), std::string::npos);
    EXPECT_NE(pages[1].find("Description"), std::string::npos);
    EXPECT_NE(pages[1].find("Quillmark task manager"), std::string::npos);
    EXPECT_NE(pages[1].find("Quillmark.exe"), std::string::npos);
    const char* sample = std::getenv("QM_PRINT_SAMPLE_COPY");
    if (sample && *sample) {
        const std::string pdf = printtest::PdfUnixPath(documents_.back());
        ::CopyFileA(printtest::WindowsPathOf(pdf).c_str(), sample, FALSE);
    }
}

TEST_F(ListPrintTest, PrintDialogOffersAllPagesOnly) {
    MemoryTable table({{"Filename", "", 120}, {"Process ID", "right", 80}}, {{"dialog.exe", "12"}});
    // Cancel in the real dialog: nothing printed.
    DialogSeen cancelled;
    std::thread answer = AnswerPrintDialog(cancelled, IDCANCEL);
    EXPECT_FALSE(ListPrinter(table, printtest::UniqueDocumentName("dialogcancel")).Print());
    answer.join();
    ASSERT_TRUE(cancelled.found) << "the print dialog did not show";
    EXPECT_TRUE(cancelled.allPages);
    EXPECT_FALSE(cancelled.rangesEnabled);
    EXPECT_FALSE(cancelled.selectionEnabled);

    // OK prints on the printer the dialog chose (the default one).
    const std::string doc = printtest::UniqueDocumentName("dialogok");
    documents_.push_back(doc);
    DialogSeen accepted;
    answer = AnswerPrintDialog(accepted, IDOK);
    EXPECT_TRUE(ListPrinter(table, doc).Print());
    answer.join();
    EXPECT_TRUE(accepted.found);
    EXPECT_NE(printtest::WaitForPdfText(doc).find("dialog.exe"), std::string::npos);
}

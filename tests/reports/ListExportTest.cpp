// The four export writers byte for byte, the escaping they add, the kind
// chosen by the file name, the list-view adapter they read through, the
// Export Data command path with the save dialog replaced, and the CSV read
// back by a real CSV reader (Python's).
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "OwnDialog.h"
#include "PrintedPdf.h"
#include "TestListView.h"
#include "TestUtil.h"
#include "base/Handles.h"
#include "platform/Files.h"
#include "reports/HtmlWriter.h"
#include "progdb/XmlWriter.h"
#include "reports/ListExport.h"

using testutil::ReadFileBytes;
using testutil::ScratchDir;
using testutil::WriteFileBytes;

namespace {

// A comma, quotes, markup and a right-aligned column.
MemoryTable SampleTable() {
    return MemoryTable({{"Filename", "", 120}, {"CPU Usage", "right", 80}, {"Window/Title", "center", 120}},
                       {{"a,b.exe", "1.5%", "Say \"hi\", then go"}, {"<b>&amp;", "10", "x < y"}});
}

const char kCsv[] =
    "\"Filename\",\"CPU Usage\",\"Window/Title\"\r\n"
    "\"a,b.exe\",\"1.5%\",\"Say \"\"hi\"\", then go\"\r\n"
    "\"<b>&amp;\",\"10\",\"x < y\"\r\n";

// The page declares the character set of the system's ANSI code page.
const std::string kHtmlCharset = HtmlWriter::CharsetMetaText(::GetACP());
const std::string kHtmlHead =
    "<html>\r\n\r\n<head>\r\n<meta name=\"GENERATOR\" content=\"Quillmark\">\r\n"
    "<title>Quillmark Exported Data</title>\r\n" + kHtmlCharset +
    "<STYLE type=\"text/css\">\r\n"
    ".tableheader {color: #000000; font-family : Arial, Verdana, Geneva, Helvetica, sans-serif; "
    "font-size : 10pt; font-weight : bold; }\r\n"
    "</STYLE>\r\n"
    "</head>\r\n\r\n<body>\r\n"
    "<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\" width=\"100%\">\r\n"
    "<font name=\"Verdana\" size=\"+2\">\r\n"
    "<tr class=tableheader bgcolor=\"#FCFCDA\">\r\n"
    "    <td align=\"\"><b>Filename</b></td>\r\n"
    "    <td align=\"right\"><b>CPU Usage</b></td>\r\n"
    "    <td align=\"center\"><b>Window/Title</b></td>\r\n"
    "  </tr>\r\n";
const char kHtmlTail[] = "</font>\r\n</table>\r\n</body>\r\n\r\n</html>\r\n";

// The declaration names the system's code page (windows-1252 here).
const std::string kXmlHead = XmlDeclaration() + "\r\n"
    "<scpd xmlns=\"urn:schemas-upnp-org:service-1-0\">\r\n"
    "  <specVersion>\r\n"
    "    <major>1</major>\r\n"
    "    <minor>0</minor>\r\n"
    "  </specVersion>\r\n";

std::string ExportedBytes(const ListTable& table, int kind, const std::string& name = "out") {
    ScratchDir dir;
    const std::string path = dir.File(name);
    if (!Export(table, path, kind, kExportPageTitle)) return "<failed>";
    return ReadFileBytes(path);
}

// The names of the files in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// Appends a window's text and a line break to the string at all.
BOOL CALLBACK AppendWindowText(HWND window, LPARAM all) {
    char part[512] = {};
    ::GetWindowTextA(window, part, sizeof(part));
    *reinterpret_cast<std::string*>(all) += std::string(part) + "\n";
    return TRUE;
}

// Each cell in hex, cells separated by spaces, one row a line: a form both
// Python and the test can write without quoting troubles.
std::string HexRows(const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    for (const auto& row : rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c) out += ' ';
            for (unsigned char ch : row[c]) {
                char hex[3];
                std::snprintf(hex, sizeof(hex), "%02x", ch);
                out += hex;
            }
            if (row[c].empty()) out += "-";
        }
        out += '\n';
    }
    return out;
}

}  // namespace

TEST(ListExport, FourWritersByteForByte) {
    const MemoryTable table = SampleTable();
    EXPECT_EQ(ExportedBytes(table, kExportCsv), kCsv);
    EXPECT_EQ(ExportedBytes(table, kExportTabSeparated),
              "Filename\tCPU Usage\tWindow/Title\r\n"
              "a,b.exe\t1.5%\tSay \"hi\", then go\r\n"
              "<b>&amp;\t10\tx < y\r\n");
    EXPECT_EQ(ExportedBytes(table, kExportHtml),
              std::string(kHtmlHead) +
                  "  <tr>\r\n"
                  "    <td align=\"\">a,b.exe</td>\r\n"
                  "    <td align=\"right\">1.5%</td>\r\n"
                  "    <td align=\"center\">Say &quot;hi&quot;, then go</td>\r\n"
                  "  </tr>\r\n"
                  "  <tr>\r\n"
                  "    <td align=\"\">&lt;b&gt;&amp;amp;</td>\r\n"
                  "    <td align=\"right\">10</td>\r\n"
                  "    <td align=\"center\">x &lt; y</td>\r\n"
                  "  </tr>\r\n" +
                  kHtmlTail);
    EXPECT_EQ(ExportedBytes(table, kExportXml),
              std::string(kXmlHead) +
                  "    <entry>\r\n"
                  "      <Filename>a,b.exe</Filename>\r\n"
                  "      <CPU_Usage>1.5%</CPU_Usage>\r\n"
                  "      <Window_Title>Say \"hi\", then go</Window_Title>\r\n"
                  "    </entry>\r\n"
                  "    <entry>\r\n"
                  "      <Filename>&lt;b&gt;&amp;amp;</Filename>\r\n"
                  "      <CPU_Usage>10</CPU_Usage>\r\n"
                  "      <Window_Title>x &lt; y</Window_Title>\r\n"
                  "    </entry>\r\n"
                  "</scpd>\r\n");
    EXPECT_EQ(ExportedBytes(table, 4), "<failed>") << "an unknown kind writes nothing";
}

TEST(ListExport, HtmlDeclaresItsCharacterSet) {
    EXPECT_EQ(HtmlWriter::CharsetName(1252), "windows-1252");
    EXPECT_EQ(HtmlWriter::CharsetName(932), "shift_jis");
    EXPECT_EQ(HtmlWriter::CharsetName(28605), "iso-8859-15");
    EXPECT_EQ(HtmlWriter::CharsetName(12345), "");
    EXPECT_EQ(HtmlWriter::CharsetMetaText(12345), "");
    // This machine's code page is one a browser knows.
    ASSERT_FALSE(kHtmlCharset.empty()) << ::GetACP();
    EXPECT_EQ(kHtmlCharset, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
                                HtmlWriter::CharsetName(::GetACP()) + "\">\r\n");
    EXPECT_EQ(ExportedBytes(SampleTable(), kExportHtml).find(kHtmlCharset), std::string(kHtmlHead).find(kHtmlCharset));
}

TEST(ListExport, CsvCellsASpreadsheetWouldEvaluateAreMadeText) {
    MemoryTable table({{"=Title", "", 50}, {"B", "", 50}},
                      {{"=HYPERLINK(\"http://x.example\",\"go\")", "=cmd|' /C calc'!A0"},
                       {"+1+cmd", "-2+3"},
                       {"@SUM(A1)", "\tTab"},
                       {"\rCR", "a=b"},
                       {"-12", "+1.5"},
                       {"-3,5%", "-"},
                       {"", "100"}});
    EXPECT_EQ(ExportedBytes(table, kExportCsv),
              "\"'=Title\",\"B\"\r\n"
              "\"'=HYPERLINK(\"\"http://x.example\"\",\"\"go\"\")\",\"'=cmd|' /C calc'!A0\"\r\n"
              "\"'+1+cmd\",\"'-2+3\"\r\n"
              "\"'@SUM(A1)\",\"'\tTab\"\r\n"
              "\"'\rCR\",\"a=b\"\r\n"
              "\"-12\",\"+1.5\"\r\n"
              "\"-3,5%\",\"'-\"\r\n"
              "\"\",\"100\"\r\n");
    // The other formats are not evaluated and stay as they were.
    EXPECT_EQ(ExportedBytes(table, kExportTabSeparated).substr(0, 10), "=Title\tB\r\n");
    EXPECT_EQ(SpreadsheetSafeCell("=1"), "'=1");
    EXPECT_EQ(SpreadsheetSafeCell("-"), "'-");
}

TEST(ListExport, EmptyListWritesHeaderRowOrNoEntries) {
    MemoryTable table = SampleTable();
    table.Rows().clear();
    EXPECT_EQ(ExportedBytes(table, kExportCsv), "\"Filename\",\"CPU Usage\",\"Window/Title\"\r\n");
    EXPECT_EQ(ExportedBytes(table, kExportHtml), std::string(kHtmlHead) + kHtmlTail);
    EXPECT_EQ(ExportedBytes(table, kExportXml), std::string(kXmlHead) + "</scpd>\r\n");
}

TEST(ListExport, CellsThatWouldBreakTheirFormat) {
    // Tab-separated text keeps each row on one line with its columns.
    MemoryTable table({{"A", "", 50}, {"B", "", 50}}, {{"one\ttwo", "line\r\nbreak"}});
    EXPECT_EQ(ExportedBytes(table, kExportTabSeparated), "A\tB\r\none two\tline  break\r\n");
    // Header texts become valid element names.
    EXPECT_EQ(XmlElementName("CPU Usage"), "CPU_Usage");
    EXPECT_EQ(XmlElementName("Path/File"), "Path_File");
    EXPECT_EQ(XmlElementName("1st Column"), "_1st_Column");
    EXPECT_EQ(XmlElementName("a:b<c>&\"d\""), "a_b_c___d_");
    EXPECT_EQ(XmlElementName("-x.y"), "_-x.y");
    EXPECT_EQ(XmlElementName(""), "_");
    EXPECT_EQ(XmlElementName("Gr\xf6\xdf" "e"), "Gr__e");
    // The page title is text, not markup.
    EXPECT_NE(HtmlText(table, "A & <B>").find("<title>A &amp; &lt;B&gt;</title>"), std::string::npos);
}

TEST(ListExport, KindFollowsTheExtension) {
    EXPECT_EQ(ExportKindFromExtension(FileExtension("C:\\out\\LIST.CSV")), kExportCsv);
    EXPECT_EQ(ExportKindFromExtension(FileExtension("list.txt")), kExportHtml);
    EXPECT_EQ(ExportKindFromExtension(FileExtension("list.Xml")), kExportXml);
    EXPECT_EQ(ExportKindFromExtension(FileExtension("list.htm")), kExportHtml);
    EXPECT_EQ(ExportKindFromExtension(FileExtension("list.html")), kExportHtml);
    EXPECT_EQ(ExportKindFromExtension(FileExtension("C:\\dir.csv\\list")), kExportHtml);
    EXPECT_EQ(ExportKindFromExtension(".csv"), kExportCsv);
    EXPECT_EQ(ExportKindFromExtension(""), kExportHtml);
}

TEST(ListExport, FileThatCannotBeCreatedLeavesTheOldOneIntact) {
    ScratchDir dir;
    const MemoryTable table = SampleTable();
    EXPECT_FALSE(Export(table, dir.File("missing\\out.csv"), kExportCsv, kExportPageTitle));
    EXPECT_FALSE(FileExists(dir.File("missing\\out.csv")));

    // The new content cannot replace the old file (a spreadsheet holds it
    // open): the old file stays as it was, for every kind, and the reason
    // comes back.
    const std::string path = dir.File("keep.csv");
    ASSERT_TRUE(WriteFileBytes(path, "old contents\r\n"));
    {
        UniqueHandle held(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        for (int kind = 0; kind <= 3; ++kind) {
            DWORD error = ERROR_SUCCESS;
            EXPECT_FALSE(Export(table, path, kind, kExportPageTitle, &error)) << kind;
            EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS)) << kind;
            EXPECT_EQ(ReadFileBytes(path), "old contents\r\n") << kind;
        }
    }
    // Nothing is left behind beside it.
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"keep.csv"});
}

TEST(ListExport, TheUsersOtherFilesBesideTheTargetStayUntouched) {
    ScratchDir dir;
    const MemoryTable table = SampleTable();
    // Names a fixed aside name could have taken.
    const std::string mine = "the user's own file\r\n";
    for (const char* name : {"report.csv.new", "report.csv.tmp", "report.csv~"})
        ASSERT_TRUE(WriteFileBytes(dir.File(name), mine));
    ASSERT_TRUE(Export(table, dir.File("report.csv"), kExportCsv, kExportPageTitle));
    ASSERT_TRUE(Export(table, dir.File("report.csv"), kExportCsv, kExportPageTitle));  // over its own
    EXPECT_EQ(ReadFileBytes(dir.File("report.csv")), kCsv);
    for (const char* name : {"report.csv.new", "report.csv.tmp", "report.csv~"})
        EXPECT_EQ(ReadFileBytes(dir.File(name)), mine) << name;
    EXPECT_EQ(FilesIn(dir.Path()),
              (std::vector<std::string>{"report.csv", "report.csv.new", "report.csv.tmp", "report.csv~"}));
}

TEST(ListExport, ReadsAnyListViewThroughItsWindow) {
    TestListView list(SampleTable());
    ASSERT_TRUE(list.hwnd());
    ListViewTable table(list.hwnd());
    EXPECT_EQ(table.ColumnCount(), 3);
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.CellText(-1, 1), "CPU Usage");
    EXPECT_EQ(table.ColumnAlignment(0), "");
    EXPECT_EQ(table.ColumnAlignment(1), "right");
    EXPECT_EQ(table.ColumnAlignment(2), "center");
    EXPECT_EQ(table.ColumnWidth(1), 80);
    EXPECT_EQ(table.CellText(2, 0), "");
    EXPECT_EQ(table.CellText(0, 3), "");
    // A cell longer than the first buffer is read whole.
    const std::string longText(300, 'q');
    list.SetCell(1, 2, longText);
    EXPECT_EQ(table.CellText(1, 2), longText);
    list.SetCell(1, 2, "x < y");
    // The same bytes as from the table it was filled from.
    EXPECT_EQ(ExportedBytes(table, kExportCsv), kCsv);
    EXPECT_EQ(ExportedBytes(table, kExportXml), ExportedBytes(SampleTable(), kExportXml));
}

TEST(ListExport, ExportCommandAsksForTheFileAndWritesByItsExtension) {
    TestListView list(SampleTable());
    ScratchDir dir;
    const std::string target = dir.File("REPORT.CSV");
    OPENFILENAMEA seen{};
    std::string filter, initial;
    const auto dialog = [&](OPENFILENAMEA& ofn) {
        seen = ofn;
        // The filter ends at the first pair of zero bytes.
        size_t n = 0;
        while (ofn.lpstrFilter[n] || ofn.lpstrFilter[n + 1]) ++n;
        filter.assign(ofn.lpstrFilter, n + 2);
        initial = ofn.lpstrFile;
        lstrcpynA(ofn.lpstrFile, target.c_str(), ofn.nMaxFile);
        return true;
    };
    EXPECT_EQ(ExportListCommand(nullptr, list.hwnd(), dialog), "List data exported successfully");
    EXPECT_STREQ(seen.lpstrTitle, "Export List Data");
    const char expectedFilter[] = "Excel CSV Files (*.csv)\0*.csv\0HTML Files (*.htm;*.html)\0*.htm;*.html;\0";
    EXPECT_EQ(filter, std::string(expectedFilter, sizeof(expectedFilter)));
    EXPECT_EQ(initial, "*.csv;*.htm;*.html");
    EXPECT_STREQ(seen.lpstrDefExt, "*.csv;*.htm;*.html");
    EXPECT_TRUE(seen.Flags & OFN_OVERWRITEPROMPT);
    EXPECT_TRUE(seen.Flags & OFN_HIDEREADONLY);
    EXPECT_TRUE(seen.Flags & OFN_EXPLORER);
    EXPECT_EQ(ReadFileBytes(target), kCsv);

    // Cancel: nothing written, nothing to show.
    std::vector<std::string> boxes;
    const auto box = [&](HWND, const std::string& text) { boxes.push_back(text); };
    const auto cancel = [](OPENFILENAMEA&) { return false; };
    EXPECT_EQ(ExportListCommand(nullptr, list.hwnd(), cancel, box), "");
    EXPECT_TRUE(boxes.empty());
    // A failed export says so: the file and the reason.
    const std::string badPath = dir.File("no\\such\\folder.xml");
    const auto bad = [&](OPENFILENAMEA& ofn) {
        lstrcpynA(ofn.lpstrFile, badPath.c_str(), ofn.nMaxFile);
        return true;
    };
    EXPECT_EQ(ExportListCommand(nullptr, list.hwnd(), bad, box), "");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], ExportFailedText(badPath, ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(boxes[0].find("The list data could not be exported to " + badPath + ":\n\n"), 0u) << boxes[0];
    EXPECT_GT(boxes[0].size(), badPath.size() + 45) << "a reason follows";
}

TEST(ListExport, AFailedExportShowsItsMessageBox) {
    TestListView list(SampleTable());
    ScratchDir dir;
    const std::string badPath = dir.File("missing\\out.csv");
    std::string caption, text;
    // The helper reads the box the command shows and closes it.
    std::thread answer([&] {
        HWND box = owndialog::WaitForOwnDialog();
        if (!box) return;
        char buffer[512] = {};
        ::GetWindowTextA(box, buffer, sizeof(buffer));
        caption = buffer;
        // Every label's text: the message is one of them.
        ::EnumChildWindows(box, AppendWindowText, reinterpret_cast<LPARAM>(&text));
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    const auto dialog = [&](OPENFILENAMEA& ofn) {
        lstrcpynA(ofn.lpstrFile, badPath.c_str(), ofn.nMaxFile);
        return true;
    };
    EXPECT_EQ(ExportListCommand(nullptr, list.hwnd(), dialog), "");
    answer.join();
    EXPECT_EQ(caption, "Quillmark");
    EXPECT_NE(text.find(badPath), std::string::npos) << text;
}

TEST(ListExport, RealSaveDialogAsksAndWrites) {
    TestListView list(SampleTable());
    ScratchDir dir;
    const std::string target = dir.File("dialog.csv");
    std::string caption;
    // The helper types the file name into the dialog and presses Save.
    std::thread answer([&] {
        HWND dlg = owndialog::WaitForOwnDialog();
        if (!dlg) return;
        char text[128] = {};
        ::GetWindowTextA(dlg, text, sizeof(text));
        caption = text;
        HWND name = ::GetDlgItem(dlg, edt1);
        if (!name) name = ::GetDlgItem(dlg, cmb13);
        ::SetWindowTextA(name, target.c_str());
        ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    const std::string status = ExportListCommand(nullptr, list.hwnd());
    answer.join();
    EXPECT_EQ(caption, "Export List Data");
    EXPECT_EQ(status, "List data exported successfully");
    EXPECT_EQ(ReadFileBytes(target), kCsv);
}

TEST(ListExport, CsvReadsBackAsTheSameCells) {
    const char* python = std::getenv("QM_PYTHON");
    ScratchDir dir;
    const std::string csvUnix = printtest::UnixPathOf(dir.File("cells.csv"));
    if (!python || !*python || csvUnix.empty()) GTEST_SKIP() << "no host Python (QM_PYTHON) or not under Wine";
    MemoryTable table = SampleTable();
    table.Rows().push_back({"", "  padded  ", "two\r\nlines, \"quoted\""});
    const std::string outUnix = csvUnix + ".cells";
    ASSERT_TRUE(Export(table, dir.File("cells.csv"), kExportCsv, kExportPageTitle));
    const char script[] =
        "import csv, sys\n"
        "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='latin-1')))\n"
        "for r in rows: print(' '.join(c.encode('latin-1').hex() or '-' for c in r))\n";
    const bool ran = printtest::RunHostTool({python, "-c", script, csvUnix}, outUnix);
    const std::string cells = ReadFileBytes(dir.File("cells.csv.cells"));
    ASSERT_TRUE(ran);
    std::vector<std::vector<std::string>> expected;
    for (int r = -1; r < table.RowCount(); ++r) {
        expected.emplace_back();
        for (int c = 0; c < table.ColumnCount(); ++c) expected.back().push_back(table.CellText(r, c));
    }
    EXPECT_EQ(cells, HexRows(expected));
}

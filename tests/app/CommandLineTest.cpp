// The windowless export's arguments: what each asks for, the format a file
// name or /format selects, and every way to get them wrong.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "reports/ListExport.h"

namespace {

CommandLineRequest Parse(const std::vector<std::string>& args) {
    CommandLineRequest request;
    std::string error;
    EXPECT_TRUE(ParseCommandLine(args, request, error)) << error;
    return request;
}

std::string Error(const std::vector<std::string>& args) {
    CommandLineRequest request;
    request.path = "untouched";
    std::string error;
    EXPECT_FALSE(ParseCommandLine(args, request, error));
    EXPECT_EQ("untouched", request.path);  // a failure leaves the request alone
    return error;
}

}  // namespace

TEST(CommandLineTest, ExportNamesAListAndAFileIgnoringCase) {
    CommandLineRequest r = Parse({"/export", "tasks", "C:\\out\\tasks.csv"});
    EXPECT_FALSE(r.usage);
    EXPECT_EQ(FunctionTab::Tasks, r.list);
    EXPECT_EQ("C:\\out\\tasks.csv", r.path);
    EXPECT_EQ(kExportCsv, r.kind);
    EXPECT_EQ(FunctionTab::Services, Parse({"-EXPORT", "Services", "s.xml"}).list);
    EXPECT_EQ(FunctionTab::Drivers, Parse({"/Export", "DRIVERS", "d"}).list);
    EXPECT_EQ(FunctionTab::Applications, Parse({"/export", "applications", "a.htm"}).list);
    // The file is taken as it comes, a leading slash included.
    EXPECT_EQ("/tmp/x.csv", Parse({"/export", "tasks", "/tmp/x.csv"}).path);
    EXPECT_TRUE(Parse({"/?"}).usage);
}

TEST(CommandLineTest, TheExtensionSelectsTheFormatUnlessFormatSaysOtherwise) {
    EXPECT_EQ(kExportCsv, CommandLineExportKind("a.CSV"));
    EXPECT_EQ(kExportHtml, CommandLineExportKind("a.Html"));
    // Anything else is tab-separated, where Export Data would write HTML.
    EXPECT_EQ(kExportTabSeparated, CommandLineExportKind("a.txt"));
    EXPECT_EQ(kExportTabSeparated, CommandLineExportKind("C:\\dir.csv\\list"));
    EXPECT_EQ(kExportXml, Parse({"/export", "tasks", "t.csv", "/format", "XML"}).kind);
    EXPECT_EQ(kExportTabSeparated, Parse({"/format", "tab", "/export", "tasks", "t.html"}).kind);
    EXPECT_EQ(kExportHtml, Parse({"/export", "tasks", "t.txt", "-format", "html"}).kind);
    EXPECT_EQ(kExportCsv, Parse({"/export", "tasks", "t", "/format", "csv"}).kind);
}

TEST(CommandLineTest, WrongArgumentsSayWhy) {
    EXPECT_EQ("/export needs a list and a file.", Error({"/export", "tasks"}));
    EXPECT_EQ("Unknown list: processes", Error({"/export", "processes", "p.csv"}));
    EXPECT_EQ("/export needs a file.", Error({"/export", "tasks", ""}));
    EXPECT_EQ("/export is given twice.", Error({"/export", "tasks", "a", "/export", "drivers", "b"}));
    EXPECT_EQ("/format needs one of csv, tab, html or xml.", Error({"/export", "tasks", "a", "/format"}));
    EXPECT_EQ("/export is missing.", Error({"/format", "csv"}));
    EXPECT_EQ("Unexpected argument: extra", Error({"/export", "tasks", "a", "extra"}));
    EXPECT_EQ("/? stands alone.", Error({"/?", "/export", "tasks", "a"}));
    EXPECT_NE(std::string::npos, CommandLineUsage().find("Quillmark.exe /export LIST FILE [/format FORMAT]\r\n"));
}

// Only the command line's own switches leave the interactive program, which
// takes no arguments and ignores any it is given (a file dropped on it).
TEST(CommandLineTest, OnlyItsSwitchesAskForTheCommandLine) {
    EXPECT_TRUE(WantsCommandLine({"/export", "tasks", "t.csv"}));
    EXPECT_TRUE(WantsCommandLine({"-EXPORT"}));
    EXPECT_TRUE(WantsCommandLine({"/?"}));
    EXPECT_TRUE(WantsCommandLine({"C:\\some.csv", "/format", "csv"}));
    EXPECT_FALSE(WantsCommandLine({}));
    EXPECT_FALSE(WantsCommandLine({"C:\\dropped file.txt"}));
    EXPECT_FALSE(WantsCommandLine({"/minimized", "-x", "/"}));
}

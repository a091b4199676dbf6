// Helpers for the printing tests: the PDF printer that CUPS provides under
// Wine, the folder its jobs land in, and reading a job's PDF back as text.
//
// The tests run under Wine, while pdftotext is a Linux program. Wine starts a
// Linux executable handed to CreateProcess natively, but the handle it gives
// back cannot be waited on, so the helper runs pdftotext through /bin/sh,
// which moves the text into place only once it is complete; the test waits,
// with a bound, for that file to appear.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/ListPrinter.h"

namespace printtest {

// The printer the tests print on: the default printer when it is a PDF
// printer whose jobs land in QM_PRINT_PDF_DIR. Empty, with the reason in
// why, when there is none.
std::string FindPdfPrinter(std::string& why);
// True when the environment asks for the printing tests to run (the test
// script sets QM_REQUIRE_PRINTER=1): then a missing printer is a failure.
bool PrinterRequired();

// A printer source that hands out the named printer's device context
// without a dialog.
PrinterSource DirectPrinter(const std::string& printer);
// A printer source that answers as Cancel does.
PrinterSource CancelledDialog();

// A document name no other job has: "qmtest-<tag>-<pid>-<n>".
std::string UniqueDocumentName(const std::string& tag);

// Waits (bounded) for the PDF of the job named documentName and returns its
// text as pdftotext -layout gives it, pages ending in form feeds. Empty when
// it did not come.
std::string WaitForPdfText(const std::string& documentName, DWORD boundMs = 60000);
// Whether a PDF of that name exists now.
bool PdfExists(const std::string& documentName);
// Removes the job's PDF and text (unless QM_KEEP_PRINTED_PDF is set).
void RemovePdf(const std::string& documentName);
// The Unix path of the job's PDF, or empty.
std::string PdfUnixPath(const std::string& documentName);

// A test that prints on the PDF printer: skipped where there is none (a
// failure when one is required); every document it named is removed after.
class PdfPrinterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A unique document name with the tag, removed after the test.
    std::string NewDocument(const std::string& tag);
    std::string printer_;
    std::vector<std::string> documents_;
};

// Splits pdftotext's output at the form feeds that end each page.
std::vector<std::string> Pages(const std::string& text);

// Runs a Linux program with arguments (Unix paths) through /bin/sh and waits
// (bounded) until its standard output has been written to outputUnixPath.
// False when it failed or the bound passed.
bool RunHostTool(const std::vector<std::string>& argv, const std::string& outputUnixPath, DWORD boundMs = 30000);
// A Unix path as Wine's Z: drive shows it.
std::string WindowsPathOf(const std::string& unixPath);
// The Unix path of a Windows path, from Wine; empty when not under Wine.
std::string UnixPathOf(const std::string& windowsPath);

}  // namespace printtest

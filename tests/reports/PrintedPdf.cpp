#include "PrintedPdf.h"

#include <cstdlib>

#include "TestUtil.h"

namespace printtest {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string PdfFolder() {
    std::string dir = Env("QM_PRINT_PDF_DIR");
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// One argument of a Windows command line, quoted so it arrives unchanged.
std::string QuoteArgument(const std::string& arg) {
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

// The Windows name of the first file matching a pattern in the PDF folder.
std::string FindInPdfFolder(const std::string& pattern) {
    const std::string dir = PdfFolder();
    if (dir.empty()) return std::string();
    WIN32_FIND_DATAA fd{};
    FindHandle find(::FindFirstFileA((WindowsPathOf(dir) + "\\" + pattern).c_str(), &fd));
    if (!find) return std::string();
    return fd.cFileName;
}

}  // namespace

std::string WindowsPathOf(const std::string& unixPath) {
    std::string out = "Z:" + unixPath;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

std::string UnixPathOf(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    wchar_t wide[MAX_PATH * 2] = {};
    if (!::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2)) return std::string();
    char* unixPath = toUnix(wide);
    if (!unixPath) return std::string();
    std::string out = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return out;
}

bool PrinterRequired() {
    return Env("QM_REQUIRE_PRINTER") == "1";
}

std::string FindPdfPrinter(std::string& why) {
    char name[512] = {};
    DWORD size = sizeof(name);
    if (!::GetDefaultPrinterA(name, &size)) {
        why = "no default printer is visible to Wine (is the CUPS daemon running with a PDF printer?)";
        return std::string();
    }
    // The printer must be one Wine lists, not only a remembered default.
    DWORD needed = 0, count = 0;
    ::EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 1);
    bool listed = false;
    if (needed && ::EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, buf.data(), needed,
                                  &needed, &count)) {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buf.data());
        for (DWORD i = 0; i < count; ++i)
            if (info[i].pPrinterName && lstrcmpiA(info[i].pPrinterName, name) == 0) listed = true;
    }
    if (!listed) {
        why = std::string("the default printer \"") + name + "\" is not listed by EnumPrinters";
        return std::string();
    }
    const std::string dir = PdfFolder();
    if (dir.empty()) {
        why = "QM_PRINT_PDF_DIR does not name the folder the PDF printer writes to";
        return std::string();
    }
    return name;
}

PrinterSource DirectPrinter(const std::string& printer) {
    return [printer](HWND) { return PrinterDC(::CreateDCA("WINSPOOL", printer.c_str(), nullptr, nullptr)); };
}

PrinterSource CancelledDialog() {
    return [](HWND) { return PrinterDC(); };
}

std::string UniqueDocumentName(const std::string& tag) {
    static int counter = 0;
    // The trailing letter keeps "...-1x" from matching the files of "...-10x".
    return "qmtest-" + tag + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter) + "x";
}

bool PdfExists(const std::string& documentName) {
    return !FindInPdfFolder(documentName + "*.pdf").empty();
}

std::string PdfUnixPath(const std::string& documentName) {
    const std::string file = FindInPdfFolder(documentName + "*.pdf");
    return file.empty() ? std::string() : PdfFolder() + "/" + file;
}

bool RunHostTool(const std::vector<std::string>& argv, const std::string& outputUnixPath, DWORD boundMs) {
    const std::string out = WindowsPathOf(outputUnixPath);
    const std::string failed = out + ".failed";
    ::DeleteFileA(out.c_str());
    ::DeleteFileA(failed.c_str());
    // The output appears under its name only when the program succeeded.
    std::string cmd = "Z:\\bin\\sh -c " +
                      QuoteArgument("o=$1; shift; \"$@\" > \"$o.part\" 2>/dev/null && /bin/mv \"$o.part\" \"$o\" || : > \"$o.failed\"") +
                      " sh " + QuoteArgument(outputUnixPath);
    for (const std::string& a : argv) cmd += " " + QuoteArgument(a);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::string line = cmd;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    bool done = testutil::WaitUntil([&] { return testutil::FileExists(out) || testutil::FileExists(failed); },
                                    boundMs);
    const bool ok = done && testutil::FileExists(out);
    ::DeleteFileA(failed.c_str());
    return ok;
}

std::string WaitForPdfText(const std::string& documentName, DWORD boundMs) {
    const std::string pdftotext = Env("QM_PDFTOTEXT").empty() ? "/usr/bin/pdftotext" : Env("QM_PDFTOTEXT");
    const DWORD start = ::GetTickCount();
    std::string text;
    // The PDF may be seen while it is still being written; pdftotext fails
    // on it then, and is asked again.
    testutil::WaitUntil(
        [&] {
            const std::string pdf = PdfUnixPath(documentName);
            if (pdf.empty()) return false;
            const std::string txt = pdf + ".txt";
            const DWORD left = boundMs - (::GetTickCount() - start);
            if (!RunHostTool({pdftotext, "-layout", pdf, "-"}, txt, left < 30000 ? left : 30000)) return false;
            text = testutil::ReadFileBytes(WindowsPathOf(txt));
            return !text.empty();
        },
        boundMs);
    return text;
}

void RemovePdf(const std::string& documentName) {
    if (!Env("QM_KEEP_PRINTED_PDF").empty()) return;
    const std::string pdf = PdfUnixPath(documentName);
    if (pdf.empty()) return;
    ::DeleteFileA((WindowsPathOf(pdf) + ".txt").c_str());
    ::DeleteFileA(WindowsPathOf(pdf).c_str());
}

void PdfPrinterTest::SetUp() {
    std::string why;
    printer_ = FindPdfPrinter(why);
    if (printer_.empty()) {
        if (PrinterRequired()) FAIL() << "no PDF printer: " << why;
        GTEST_SKIP() << "printing tests skipped: " << why;
    }
}

void PdfPrinterTest::TearDown() {
    for (const std::string& d : documents_) RemovePdf(d);
}

std::string PdfPrinterTest::NewDocument(const std::string& tag) {
    documents_.push_back(UniqueDocumentName(tag));
    return documents_.back();
}

std::vector<std::string> Pages(const std::string& text) {
    std::vector<std::string> pages;
    size_t start = 0;
    for (size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
        pages.push_back(text.substr(start, ff - start));
    if (start < text.size() && text.find_first_not_of(" \r\n", start) != std::string::npos)
        pages.push_back(text.substr(start));
    return pages;
}

}  // namespace printtest

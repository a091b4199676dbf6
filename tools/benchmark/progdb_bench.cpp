// Program database: loading a large publisher file and looking programs up.
#include <windows.h>

#include <string>
#include <vector>

#include "Benchmark.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/ProgramDatabaseDetails.h"

namespace {

constexpr int kEntries = 20000;
constexpr int kLookups = 10000;

std::string TempFolder() {
    char buf[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, buf);
    return buf;
}

// A publisher file shaped like the real one: one company per program, a
// short url, a rating and a sentence of description.
std::string PublisherFile(int entries, const std::string& lastFileName) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<duzer>\r\n<database>\r\n";
    for (int i = 0; i < entries; ++i) {
        const std::string n = std::to_string(i);
        xml += "<company><name>Software Maker " + n + "</name><url>www.maker" + n +
               ".example</url>\r\n<executable><rating>" + std::to_string(i % 10) + "</rating><filename>program" +
               n + ".exe</filename><description>Program number " + n +
               " keeps the computer running smoothly in the background.</description></executable></company>\r\n";
    }
    // The program the details are asked for comes last: the worst case for
    // a search from the front.
    xml += "<company><name>Ornava Utilities</name><url>www.ornava.example</url><executable><rating>3</rating>"
           "<filename>" + lastFileName + "</filename><description>Benchmark</description></executable></company>\r\n";
    return xml + "</database>\r\n</duzer>\r\n";
}

bool WriteAll(const std::string& path, const std::string& bytes) {
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ::CloseHandle(f);
    return ok;
}

}  // namespace

QM_BENCHMARK("progdb: publisher file of 20,000 entries") {
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string exeName = std::string(exe).substr(std::string(exe).find_last_of('\\') + 1);
    const std::string path = TempFolder() + "qm-bench-ornava-db.xml";
    const std::string xml = PublisherFile(kEntries, exeName);
    if (!WriteAll(path, xml)) return;
    bench::Report("progdb: file size", static_cast<double>(xml.size()) / (1024.0 * 1024.0), "MB");

    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ProgramDatabase publisher;
    bench::Report("progdb: load 20,000 entries (synchronous)", bench::BestMs([&] { publisher.Load(path); }), "ms");
    bench::Report("progdb: entries loaded", static_cast<double>(publisher.Count()), "");

    // Lookups spread over the whole file, in mixed case, with a tenth of
    // them for programs the database does not know.
    LocalProgramDatabase local;
    std::string names[kLookups];
    for (int i = 0; i < kLookups; ++i)
        names[i] = i % 10 == 9 ? "unknown" + std::to_string(i) + ".exe"
                               : "PROGRAM" + std::to_string((i * 7919) % kEntries) + ".EXE";
    int found = 0;
    double findMs = bench::BestMs([&] {
        found = 0;
        ProgramEntry entry;
        for (int i = 0; i < kLookups; ++i) found += publisher.FindEntry(names[i], entry) ? 1 : 0;
    });
    bench::Report("progdb: 10,000 FindEntry lookups", findMs, "ms");
    bench::Report("progdb: lookups found", found, "");

    // For comparison: the same lookups as a front-to-back scan with the
    // system's case-insensitive comparison (100 of them, scaled to 10,000).
    const std::vector<ProgramEntry> all = publisher.Entries();
    double scanMs = bench::BestMs([&] {
        for (int i = 0; i < 100; ++i)
            for (const ProgramEntry& e : all)
                if (::lstrcmpiA(e.fileName.c_str(), names[i].c_str()) == 0) break;
    }, 1);
    bench::Report("progdb: 10,000 lookups as a linear scan (estimated from 100)", scanMs * 100.0, "ms");

    // GetProgramDetails as the detail view calls it: the file's version data
    // (the benchmark program itself, last in the file) plus both databases.
    double detailsMs = bench::BestMs([&] {
        ProgramDetails details;
        for (int i = 0; i < kLookups; ++i) GetProgramDetails(exe, details, publisher, local);
    });
    bench::Report("progdb: 10,000 GetProgramDetails (file + both databases)", detailsMs, "ms");
    ::CoUninitialize();
    ::DeleteFileA(path.c_str());
}

// Shared by the program database tests.
#pragma once

#include <windows.h>

#include <string>

#include "base/Handles.h"
#include "progdb/ProgramDatabase.h"

inline ProgramEntry MakeEntry(const std::string& company, const std::string& url, const std::string& rating,
                              const std::string& fileName, const std::string& description, bool submitted = false) {
    ProgramEntry e;
    e.company = company;
    e.url = url;
    e.rating = rating;
    e.fileName = fileName;
    e.description = description;
    e.submitted = submitted;
    return e;
}

// A publisher database whose parse, once it has filled the entries, waits
// until the test releases it: its background load is observably in progress.
class HeldDatabase : public ProgramDatabase {
public:
    HeldDatabase()
        : release_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), parsed_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~HeldDatabase() override {
        Release();
        WaitForLoad();
    }
    bool Parse(const std::string& xmlText) override {
        bool ok = ProgramDatabase::Parse(xmlText);
        ::SetEvent(parsed_.get());
        ::WaitForSingleObject(release_.get(), 30000);
        return ok;
    }
    void Release() { ::SetEvent(release_.get()); }
    // Holds the next load again after its parse.
    void Hold() {
        ::ResetEvent(release_.get());
        ::ResetEvent(parsed_.get());
    }
    // Waits until the load has parsed the whole file (and is held).
    bool WaitParsed() const { return ::WaitForSingleObject(parsed_.get(), 10000) == WAIT_OBJECT_0; }

private:
    UniqueHandle release_;
    UniqueHandle parsed_;
};

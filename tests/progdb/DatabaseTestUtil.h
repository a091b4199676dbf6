// Shared by the program database tests.
#pragma once

#include <windows.h>

#include <memory>
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
    struct Events {
        UniqueHandle release{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        UniqueHandle parsed{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    };
    static LayoutReader HoldingReader(const std::shared_ptr<Events>& events) {
        return [events](const std::string& xmlText, EntryTable& into) {
            const bool ok = ReadPublisherLayout(xmlText, into);
            ::SetEvent(events->parsed.get());
            ::WaitForSingleObject(events->release.get(), 30000);
            return ok;
        };
    }

public:
    HeldDatabase() : HeldDatabase(std::make_shared<Events>()) {}
    ~HeldDatabase() override {
        Release();
        WaitForLoad();
    }
    void Release() { ::SetEvent(events_->release.get()); }
    // Holds the next load again after its parse.
    void Hold() {
        ::ResetEvent(events_->release.get());
        ::ResetEvent(events_->parsed.get());
    }
    // Waits until the load has parsed the whole file (and is held).
    bool WaitParsed() const { return ::WaitForSingleObject(events_->parsed.get(), 10000) == WAIT_OBJECT_0; }

private:
    explicit HeldDatabase(std::shared_ptr<Events> events) : ProgramDatabase(HoldingReader(events)), events_(events) {}
    std::shared_ptr<Events> events_;
};

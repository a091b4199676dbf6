// Puts a function of the test's own in place of a system function that the
// test program imports, to watch how the code under test calls it.
#pragma once

#include <windows.h>

namespace testutil {

// Replaces, in this test program's import table, the entry through which it
// calls function of dll (e.g. "advapi32.dll", "OpenServiceA"), for as long as
// the object lives. Only calls made from the test program itself (with the
// libraries linked into it) go to the replacement; the system's own libraries
// keep calling the original.
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // False when the program does not import the function by name.
    bool Active() const { return slot_ != nullptr; }
    // The function that was there before, for the replacement to call.
    void* Original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace testutil

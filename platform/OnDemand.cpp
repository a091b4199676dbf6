#include "platform/OnDemand.h"

namespace ondemand {

FARPROC Find(const char* library, const char* function) {
    // Only libraries of the system folder: a file of the same name beside the
    // program or in the current folder is never the one loaded.
    HMODULE module = ::GetModuleHandleA(library);
    if (!module) module = ::LoadLibraryExA(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search flags refuse it; the system folder's path
    // says the same there.
    if (!module) {
        char path[MAX_PATH] = {};
        const UINT n = ::GetSystemDirectoryA(path, MAX_PATH);
        if (n == 0 || n + 1 + lstrlenA(library) >= MAX_PATH) return nullptr;
        lstrcatA(path, "\\");
        lstrcatA(path, library);
        module = ::LoadLibraryA(path);
    }
    return module ? ::GetProcAddress(module, function) : nullptr;
}

}  // namespace ondemand

#include "platform/OnDemand.h"

#include <string>

namespace ondemand {

HMODULE LoadSystemLibrary(const char* library) {
    char folder[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::string path(folder, n);
    if (path.back() != '\\') path += '\\';
    path += library;
    // Without the altered search path the library's own imports would be
    // looked for in the program's folder first.
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC Find(const char* library, const char* function) {
    // Loaded again by path even when a module of that name is in the process
    // already: only the reference count grows, and the module found is the
    // system folder's, not whatever else carries the name.
    HMODULE module = LoadSystemLibrary(library);
    return module ? ::GetProcAddress(module, function) : nullptr;
}

}  // namespace ondemand

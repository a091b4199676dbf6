#include "progdb/InternetApi.h"

#include "platform/OnDemand.h"

namespace inet {

namespace {
template <typename Fn>
Fn Wininet(const char* name) {
    return ondemand::Function<Fn>("wininet.dll", name);
}

// What a call answers when its function cannot be found.
template <typename R>
R Missing(R value) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return value;
}
}  // namespace

HINTERNET OpenSession(const char* agent, DWORD accessType, const char* proxy, const char* bypass, DWORD flags) {
    static const auto fn = Wininet<decltype(&::InternetOpenA)>("InternetOpenA");
    return fn ? fn(agent, accessType, proxy, bypass, flags) : Missing<HINTERNET>(nullptr);
}

BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length) {
    static const auto fn = Wininet<decltype(&::InternetSetOptionA)>("InternetSetOptionA");
    return fn ? fn(handle, option, buffer, length) : Missing<BOOL>(FALSE);
}

BOOL QueryOption(HINTERNET handle, DWORD option, void* buffer, DWORD* length) {
    static const auto fn = Wininet<decltype(&::InternetQueryOptionA)>("InternetQueryOptionA");
    return fn ? fn(handle, option, buffer, length) : Missing<BOOL>(FALSE);
}

HINTERNET OpenUrl(HINTERNET session, const char* url, const char* headers, DWORD headersLength, DWORD flags,
                  DWORD_PTR context) {
    static const auto fn = Wininet<decltype(&::InternetOpenUrlA)>("InternetOpenUrlA");
    return fn ? fn(session, url, headers, headersLength, flags, context) : Missing<HINTERNET>(nullptr);
}

BOOL QueryInfo(HINTERNET request, DWORD level, void* buffer, DWORD* length, DWORD* index) {
    static const auto fn = Wininet<decltype(&::HttpQueryInfoA)>("HttpQueryInfoA");
    return fn ? fn(request, level, buffer, length, index) : Missing<BOOL>(FALSE);
}

BOOL ReadFile(HINTERNET request, void* buffer, DWORD toRead, DWORD* read) {
    static const auto fn = Wininet<decltype(&::InternetReadFile)>("InternetReadFile");
    return fn ? fn(request, buffer, toRead, read) : Missing<BOOL>(FALSE);
}

BOOL CloseHandle(HINTERNET handle) {
    static const auto fn = Wininet<decltype(&::InternetCloseHandle)>("InternetCloseHandle");
    return fn ? fn(handle) : Missing<BOOL>(FALSE);
}

BOOL DeleteCacheEntry(const char* url) {
    static const auto fn = Wininet<decltype(&::DeleteUrlCacheEntryA)>("DeleteUrlCacheEntryA");
    return fn ? fn(url) : Missing<BOOL>(FALSE);
}

BOOL ConnectedState(DWORD* flags) {
    static const auto fn = Wininet<decltype(&::InternetGetConnectedState)>("InternetGetConnectedState");
    return fn ? fn(flags, 0) : Missing<BOOL>(FALSE);
}

HRESULT DownloadToFile(const char* url, const char* path, IBindStatusCallback* callback) {
    static const auto fn = ondemand::Function<decltype(&::URLDownloadToFileA)>("urlmon.dll", "URLDownloadToFileA");
    return fn ? fn(nullptr, url, path, 0, callback) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

}  // namespace inet

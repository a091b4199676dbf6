// The WinINet and URL-moniker functions of the database update. Both
// libraries (with the ones they import) are loaded at the first request
// instead of at start-up: a user who never updates never pays for them.
// Each function answers as the system's would fail (FALSE or null with
// ERROR_PROC_NOT_FOUND, or that HRESULT) when its library is missing.
#pragma once

#include <windows.h>
#include <wininet.h>
#include <urlmon.h>

namespace inet {

HINTERNET OpenSession(const char* agent, DWORD accessType, const char* proxy, const char* bypass, DWORD flags);
BOOL SetOption(HINTERNET handle, DWORD option, void* buffer, DWORD length);
BOOL QueryOption(HINTERNET handle, DWORD option, void* buffer, DWORD* length);
HINTERNET OpenUrl(HINTERNET session, const char* url, const char* headers, DWORD headersLength, DWORD flags,
                  DWORD_PTR context);
BOOL QueryInfo(HINTERNET request, DWORD level, void* buffer, DWORD* length, DWORD* index);
BOOL ReadFile(HINTERNET request, void* buffer, DWORD toRead, DWORD* read);
BOOL CloseHandle(HINTERNET handle);
BOOL DeleteCacheEntry(const char* url);
BOOL ConnectedState(DWORD* flags);
HRESULT DownloadToFile(const char* url, const char* path, IBindStatusCallback* callback);

}  // namespace inet

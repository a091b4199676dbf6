#include "progdb/UrlFetcher.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "core/Text.h"
#include "base/ComPtr.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "progdb/InternetApi.h"

void InternetHandleTraits::Close(void* h) { inet::CloseHandle(h); }

namespace {

const char kInternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "host[:port]" into its parts; a missing port, or one that is no number in
// 1..65535, gives 0.
void SplitHostPort(const std::string& entry, std::string& host, int& port) {
    size_t colon = entry.find(':');
    host = entry.substr(0, colon);
    port = 0;
    if (colon != std::string::npos && !ParsePortNumber(entry.substr(colon + 1), port)) port = 0;
}

// Creates the folder that holds path, with its missing parents: the common
// data folder does not exist until something puts the first file there.
void CreateParentFolders(const std::string& path) {
    const size_t last = path.find_last_of("\\/");
    if (last == std::string::npos) return;
    for (size_t i = 1; i <= last; ++i) {
        if (i != last && path[i] != '\\' && path[i] != '/') continue;
        const std::string folder = path.substr(0, i);
        if (folder.back() == ':' || folder.back() == '\\' || folder.back() == '/') continue;
        ::CreateDirectoryA(folder.c_str(), nullptr);  // an existing folder is fine
    }
}

// Stops a URL-to-file download that grows beyond its size or time bound, and
// asks for a fresh copy rather than a cached one.
class BoundedDownload : public IBindStatusCallback {
public:
    BoundedDownload(size_t maxBytes, DWORD maxMs, HANDLE stopEvent)
        : maxBytes_(maxBytes), deadline_(::GetTickCount64() + maxMs), stopEvent_(stopEvent) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IBindStatusCallback) {
            *out = static_cast<IBindStatusCallback*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the caller's stack for the whole synchronous download.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG, ULONG, LPCWSTR) override {
        if (progress > maxBytes_ || ::GetTickCount64() > deadline_ ||
            (stopEvent_ && ::WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0)) {
            aborted_ = true;
            return E_ABORT;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO*) override {
        if (flags) *flags |= BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    bool Aborted() const { return aborted_; }

private:
    size_t maxBytes_;
    ULONGLONG deadline_;
    HANDLE stopEvent_;
    bool aborted_ = false;
};

}  // namespace

unsigned long ParseVersionNumber(const std::string& text) {
    std::string digits = text;
    if (digits.compare(0, 2, "0x") == 0) digits.erase(0, 2);
    // Nine digits and more would wrap around 32 bits into a number that may
    // look newer (or older) than it is: such a version is no version.
    if (digits.empty() || digits.size() > 8) return 0;
    unsigned long value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return 0;
        int d = std::isdigit(static_cast<unsigned char>(c))
                    ? c - '0'
                    : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = value * 16 + static_cast<unsigned long>(d);
    }
    return value;
}

bool FindVersionLine(const std::string& text, unsigned long& version) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        if (line.size() >= 9 && Lower(line.substr(0, 9)) == "<version>") {
            size_t close = line.find("</version>", 9);
            if (close != std::string::npos) {
                version = ParseVersionNumber(line.substr(9, close - 9));
                return true;
            }
        }
        if (end == text.size()) break;
        start = end + 1;
    }
    return false;
}

bool ParseProxyServerValue(const std::string& value, const std::string& schemePrefix,
                           std::string& host, int& port) {
    std::string entry = value;
    if (value.find(';') != std::string::npos || value.find('=') != std::string::npos) {
        std::string scheme = Lower(schemePrefix.empty() ? "http:" : schemePrefix);
        if (!scheme.empty() && scheme.back() == ':') scheme.pop_back();
        entry.clear();
        bool found = false;
        size_t start = 0;
        while (start <= value.size() && !found) {
            size_t end = value.find(';', start);
            if (end == std::string::npos) end = value.size();
            std::string item = Trim(value.substr(start, end - start));
            std::string lower = Lower(item);
            if (lower.compare(0, scheme.size() + 1, scheme + "=") == 0) {
                entry = item.substr(scheme.size() + 1);
                found = true;
            }
            start = end + 1;
        }
        if (!found) return false;
    }
    entry = Trim(entry);
    // An entry may carry its own scheme ("http://proxy:3128").
    size_t sep = entry.find("://");
    if (sep != std::string::npos) entry.erase(0, sep + 3);
    if (!entry.empty() && entry.back() == '/') entry.pop_back();
    SplitHostPort(entry, host, port);
    return true;
}

bool SystemProxyEnabled() {
    DWORD enabled = 0;
    return reg::ReadDword(HKEY_CURRENT_USER, kInternetSettingsKey, "ProxyEnable", enabled) &&
           enabled != 0;
}

bool SystemProxyFor(const std::string& schemePrefix, std::string& host, int& port) {
    RegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettingsKey, 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS)
        return false;
    char buffer[256] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (::RegQueryValueExA(key.get(), "ProxyServer", nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || buffer[size - 1] != '\0')
        return false;
    return ParseProxyServerValue(buffer, schemePrefix, host, port);
}

UserProxySettings ReadUserProxySettings(const AppSettings& settings) {
    UserProxySettings u;
    u.enableProxy = settings::kEnableProxy.Read(settings);
    u.proxySettings = settings::kProxySettings.Read(settings);
    u.server = settings::kProxyServer.Read(settings);
    u.port = settings::kProxyPort.Read(settings);
    return u;
}

ProxyChoice ChooseProxy(const UserProxySettings& user, bool systemEnabled, bool systemFound,
                        const std::string& systemHost, int systemPort) {
    ProxyChoice c;
    if (user.enableProxy != 0 && user.proxySettings == 1) {
        if (!Trim(user.server).empty()) {
            c.use = true;
            c.host = Trim(user.server);
            c.port = user.port;
        }
        return c;
    }
    if (systemEnabled && systemFound && !systemHost.empty()) {
        c.use = true;
        c.host = systemHost;
        c.port = systemPort;
    }
    return c;
}

ProxyChoice CurrentUpdateProxy(const AppSettings& settings) {
    std::string host;
    int port = 0;
    bool enabled = SystemProxyEnabled();
    bool found = enabled && SystemProxyFor("http:", host, port);
    return ChooseProxy(ReadUserProxySettings(settings), enabled, found, host, port);
}

void UrlFetcher::SetProxy(bool enabled, const std::string& host, int port) {
    useProxy_ = enabled;
    proxyHost_ = host;
    proxyPort_ = port;
}

UrlFetcher::~UrlFetcher() {
    // Waits for a running OnStop before the handle and the lock go.
    if (stopWait_) ::UnregisterWaitEx(stopWait_, INVALID_HANDLE_VALUE);
}

void CALLBACK UrlFetcher::OnStop(void* self, BOOLEAN) {
    auto* fetcher = static_cast<UrlFetcher*>(self);
    CriticalSectionLock hold(fetcher->closeLock_);
    fetcher->internet_.reset();
}

bool UrlFetcher::OpenInternet() {
    CriticalSectionLock hold(closeLock_);
    if (stopEvent_ && ::WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0) {
        lastError_ = ERROR_INTERNET_OPERATION_CANCELLED;
        return false;
    }
    internet_.reset();
    if (useProxy_) {
        char proxy[300];
        std::snprintf(proxy, sizeof proxy, "%s:%d", proxyHost_.c_str(), proxyPort_);
        // The named proxy also serves loopback addresses: "<-loopback>"
        // removes the service's implicit bypass of local names.
        internet_.reset(inet::OpenSession(nullptr, INTERNET_OPEN_TYPE_PROXY, proxy, "<-loopback>", 0));
    } else {
        internet_.reset(inet::OpenSession(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    }
    if (!internet_) {
        lastError_ = ::GetLastError();
        return false;
    }
    DWORD connect = limits_.connectTimeoutMs;
    DWORD receive = limits_.receiveTimeoutMs;
    inet::SetOption(internet_.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    inet::SetOption(internet_.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    inet::SetOption(internet_.get(), INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
    if (stopEvent_ && !stopWait_)
        ::RegisterWaitForSingleObject(&stopWait_, stopEvent_, &UrlFetcher::OnStop, this, INFINITE,
                                      WT_EXECUTEONLYONCE);
    return true;
}

bool UrlFetcher::FetchVersion(const std::string& url, unsigned long& version) {
    // Read under the lock: OnStop may close the handle from another thread at
    // any moment, which ends the request below with an error.
    bool opened = false;
    {
        CriticalSectionLock hold(closeLock_);
        opened = static_cast<bool>(internet_);
    }
    if (!opened && !OpenInternet()) return false;
    HINTERNET internet = nullptr;
    {
        CriticalSectionLock hold(closeLock_);
        internet = internet_.get();
    }
    if (!internet) {
        lastError_ = ERROR_INTERNET_OPERATION_CANCELLED;
        return false;
    }
    DWORD flags = INTERNET_FLAG_TRANSFER_BINARY;
    if (reload_) flags |= INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
    InternetHandle resource(inet::OpenUrl(internet, url.c_str(), nullptr, 0, flags, 0));
    if (!resource) {
        lastError_ = ::GetLastError();
        return false;
    }
    // Only the service's own answer counts: an error page, a redirect to a
    // sign-in page or a server that drops the connection without any answer
    // is a failed service, whatever text it sends. Other schemes than HTTP
    // (a mirror on a file share, say) have no status.
    DWORD code = 0;
    DWORD size = sizeof code;
    if (inet::QueryOption(resource.get(), INTERNET_OPTION_HANDLE_TYPE, &code, &size) &&
        code == INTERNET_HANDLE_TYPE_HTTP_REQUEST) {
        code = 0;
        size = sizeof code;
        if (!inet::QueryInfo(resource.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                              &code, &size, nullptr) ||
            code != HTTP_STATUS_OK) {
            lastError_ = ERROR_HTTP_INVALID_SERVER_RESPONSE;
            return false;
        }
    }
    // The answer is a short text; read at most a bounded amount of it.
    std::string text;
    char buffer[1024];
    const ULONGLONG deadline = ::GetTickCount64() + limits_.versionTimeoutMs;
    for (;;) {
        if (::GetTickCount64() > deadline ||
            (stopEvent_ && ::WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0)) {
            lastError_ = ERROR_INTERNET_TIMEOUT;
            return false;
        }
        DWORD got = 0;
        if (!inet::ReadFile(resource.get(), buffer, sizeof buffer, &got)) {
            lastError_ = ::GetLastError();
            return false;
        }
        if (got == 0) break;
        text.append(buffer, got);
        if (text.size() >= limits_.maxVersionText) break;
    }
    return FindVersionLine(text, version);
}

bool UrlFetcher::Download(const std::string& url, const std::string& targetPath) {
    // A download cannot be interrupted once the service has it, so a stop
    // asked for before it starts keeps it from starting.
    if (stopEvent_ && ::WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0) return false;
    CreateParentFolders(targetPath);
    // A name of its own beside the target: the common data folder is shared
    // by every user's copy, and two downloads must not write into one file.
    const std::string temp = CreateUniqueFileBeside(targetPath);
    if (temp.empty()) return false;
    // A cached copy would hide a newer file on the server.
    inet::DeleteCacheEntry(url.c_str());
    bool downloaded;
    {
        ComRuntime com;
        BoundedDownload callback(limits_.maxDownloadBytes, limits_.downloadTimeoutMs, stopEvent_);
        HRESULT hr = inet::DownloadToFile(url.c_str(), temp.c_str(), &callback);
        downloaded = SUCCEEDED(hr) && !callback.Aborted();
    }
    // Only a file that reads as a database may replace the old one, and it
    // replaces it in one step: the old file stays until the new one is in
    // place.
    if (!downloaded || (validator_ && !validator_(temp)) ||
        !::MoveFileExA(temp.c_str(), targetPath.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

void UrlFetcher::GetRemoteInfo(unsigned long& size, std::string& date) const {
    size = remoteSize_;
    date = remoteDate_;
}

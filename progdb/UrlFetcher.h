// The update path's Internet access: a thin wrapper over the system's
// Internet service (version lookup) and URL-to-file download, with the proxy
// taken from the system's or the user's settings. Used from worker threads.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/Handles.h"

class AppSettings;

// A handle of the Internet access service (HINTERNET).
struct InternetHandleTraits {
    using value_type = void*;
    static void* Invalid() { return nullptr; }
    static bool IsValid(void* h) { return h != nullptr; }
    static void Close(void* h);
};
using InternetHandle = UniqueResource<InternetHandleTraits>;

// Reads the version number from the text of the version service: the first
// line that, trimmed, begins with "<version>" (any case) and contains
// "</version>". False when there is no such line.
bool FindVersionLine(const std::string& text, unsigned long& version);
// The number between the tags: hexadecimal with or without a leading "0x";
// anything that is not one to eight hexadecimal digits gives 0.
unsigned long ParseVersionNumber(const std::string& text);

// The entry of a system "ProxyServer" value for a scheme prefix ("http:" when
// empty): a plain "host[:port]" value serves every scheme; in a list
// ("http=host:port;https=host:port") the entry for the scheme is used. False
// when the list holds no entry for the scheme.
bool ParseProxyServerValue(const std::string& value, const std::string& schemePrefix,
                           std::string& host, int& port);

// The system's proxy, from the current user's Internet settings.
bool SystemProxyEnabled();
bool SystemProxyFor(const std::string& schemePrefix, std::string& host, int& port);

// The proxy the update path uses.
struct ProxyChoice {
    bool use = false;
    std::string host;
    int port = 0;
};
// The user's "Proxy" settings, as stored.
struct UserProxySettings {
    int enableProxy = 0;    // "EnableProxy"
    int proxySettings = 0;  // "ProxySettings": 0 auto-detect (the system's), 1 specified
    std::string server;     // "ProxyServer"
    int port = 0;           // "ProxyPort"
};
UserProxySettings ReadUserProxySettings(const AppSettings& settings);
// A proxy the user specified (enabled, "Specify proxy settings", a server
// named) wins; otherwise the system's proxy applies when it is enabled.
ProxyChoice ChooseProxy(const UserProxySettings& user, bool systemEnabled, bool systemFound,
                        const std::string& systemHost, int systemPort);
// The same from the live settings and registry.
ProxyChoice CurrentUpdateProxy(const AppSettings& settings);

// Bounds on the Internet service's requests and on the size of a download.
struct FetchLimits {
    DWORD connectTimeoutMs = 15000;
    DWORD receiveTimeoutMs = 30000;
    size_t maxVersionText = 64 * 1024;
    DWORD versionTimeoutMs = 120000;  // the whole version answer, however slowly it comes
    size_t maxDownloadBytes = 16 * 1024 * 1024;  // the publisher file's bound
    DWORD downloadTimeoutMs = 300000;
};

class UrlFetcher {
public:
    // Decides whether a downloaded file may replace the target.
    using Validator = std::function<bool(const std::string& path)>;

    UrlFetcher() = default;
    explicit UrlFetcher(const FetchLimits& limits) : limits_(limits) {}
    ~UrlFetcher();
    UrlFetcher(const UrlFetcher&) = delete;
    UrlFetcher& operator=(const UrlFetcher&) = delete;

    // Applies to the next opening of the Internet handle.
    void SetProxy(bool enabled, const std::string& host, int port);
    // Reads the version number from url. False with LastError() 0 when the
    // resource has no version line; false with the service's error code when
    // the service failed (an HTTP answer with a status other than 200 too).
    bool FetchVersion(const std::string& url, unsigned long& version);
    // Downloads url to a new file beside targetPath and, when the validator
    // accepts it, replaces targetPath with it in one step. A failed or
    // refused download leaves targetPath untouched and removes the new file.
    bool Download(const std::string& url, const std::string& targetPath);
    void SetValidator(Validator validator) { validator_ = std::move(validator); }
    // An event (not owned; may be null, set before the first request) that
    // ends a version read or a download early, as a failure: when it is
    // signalled the Internet handle is closed, which ends a request the
    // service is blocked in.
    void SetStopEvent(HANDLE stopEvent) { stopEvent_ = stopEvent; }
    void GetRemoteInfo(unsigned long& size, std::string& date) const;
    DWORD LastError() const { return lastError_; }

private:
    bool OpenInternet();
    static void CALLBACK OnStop(void* self, BOOLEAN timedOut);

    FetchLimits limits_;
    InternetHandle internet_;
    bool reload_ = true;
    unsigned long remoteSize_ = 0;
    std::string remoteDate_;
    bool useProxy_ = false;
    std::string proxyHost_;
    int proxyPort_ = 0;
    DWORD lastError_ = 0;
    Validator validator_;
    HANDLE stopEvent_ = nullptr;
    HANDLE stopWait_ = nullptr;  // the registered wait on stopEvent_
    CriticalSection closeLock_;  // internet_ between this thread and OnStop
};

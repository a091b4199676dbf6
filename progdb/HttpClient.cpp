#include "progdb/HttpClient.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/Text.h"
#include "base/Handles.h"
#include "platform/Sockets.h"

namespace {

constexpr size_t kMaxScheme = 79;
constexpr size_t kMaxHost = 255;
constexpr size_t kMaxPath = kHttpMaxPathLength;

struct SocketTraits {
    using value_type = SOCKET;
    static SOCKET Invalid() { return INVALID_SOCKET; }
    static bool IsValid(SOCKET s) { return s != INVALID_SOCKET; }
    static void Close(SOCKET s) { ::closesocket(s); }
};
using UniqueSocket = UniqueResource<SocketTraits>;

// One start of the socket library, ended on the same path.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        ok_ = ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    ~WinsockSession() {
        if (ok_) ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool IsHostChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '-' || c == '.' || c == ':';
}

std::string Cut(const std::string& s, size_t max) { return s.size() > max ? s.substr(0, max) : s; }

// The path as the request line carries it, at most max characters. A line
// feed or carriage return in a URL would end the request line early and
// whatever follows would be read as header lines of the caller's choosing:
// control characters are sent percent-encoded, and the cut never ends in
// half an escape.
std::string RequestPath(const std::string& path, size_t max) {
    std::string out;
    for (char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", u);
            out += escape;
        } else {
            out += c;
        }
    }
    if (out.size() <= max) return out;
    out.resize(max);
    const size_t percent = out.find('%', max > 2 ? max - 2 : 0);
    if (percent != std::string::npos) out.resize(percent);
    return out;
}

// Milliseconds left before a deadline, never more than cap.
DWORD Remaining(ULONGLONG deadline, unsigned cap) {
    ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return 0;
    return static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, cap));
}

bool ConnectWithTimeout(SOCKET s, const sockaddr_in& addr, DWORD ms, HANDLE stop) {
    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return false;
    int rc = ::connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    if (rc != 0) {
        if (::WSAGetLastError() != WSAEWOULDBLOCK) return false;
        if (!WaitSocket(s, true, ms, stop)) return false;
        int error = 0;
        int len = sizeof error;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0 ||
            error != 0)
            return false;
    }
    u_long blocking = 0;
    return ::ioctlsocket(s, FIONBIO, &blocking) == 0;
}

bool SendAll(SOCKET s, const std::string& data, DWORD timeoutMs, ULONGLONG deadline, HANDLE stop) {
    size_t sent = 0;
    while (sent < data.size()) {
        DWORD wait = Remaining(deadline, timeoutMs);
        if (wait == 0 || !WaitSocket(s, true, wait, stop)) return false;
        int chunk = static_cast<int>(std::min<size_t>(data.size() - sent, 64 * 1024));
        int n = ::send(s, data.data() + sent, chunk, 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

enum class ReadResult { Data, Closed, Failed, TimedOut };

ReadResult ReadSome(SOCKET s, char* buffer, int size, const HttpLimits& limits,
                    ULONGLONG deadline, HANDLE stop, int& got) {
    DWORD wait = Remaining(deadline, limits.receiveTimeoutMs);
    // A reset connection shows as readable and fails in recv below, so a
    // false wait is silence beyond the bound.
    if (wait == 0 || !WaitSocket(s, false, wait, stop)) return ReadResult::TimedOut;
    got = ::recv(s, buffer, size, 0);
    if (got == 0) return ReadResult::Closed;
    if (got < 0) return ReadResult::Failed;
    return ReadResult::Data;
}

}  // namespace

HttpUrlParts SplitHttpUrl(const std::string& url) {
    HttpUrlParts parts;
    const std::string upper = Upper(url);
    size_t rest = 0;
    size_t colon = upper.find(':');
    if (colon != std::string::npos) {
        parts.scheme = Cut(upper.substr(0, colon), kMaxScheme);
        rest = colon + 1;
    } else {
        parts.scheme = "HTTP";
    }
    if (upper.compare(rest, 2, "//") == 0) rest += 2;
    size_t hostEnd = rest;
    while (hostEnd < upper.size() && IsHostChar(upper[hostEnd])) ++hostEnd;
    std::string host = upper.substr(rest, hostEnd - rest);
    parts.path = RequestPath(url.substr(hostEnd), kMaxPath);
    size_t portColon = host.find(':');
    if (portColon != std::string::npos) {
        // A port that is no number in 1..65535 leaves 0, which Request
        // refuses, instead of whatever atoi made of it.
        if (!ParsePortNumber(host.substr(portColon + 1), parts.port)) parts.port = 0;
        host.erase(portColon);
    }
    parts.host = Cut(host, kMaxHost);
    return parts;
}

std::string BuildHttpRequest(const HttpUrlParts& parts, const std::string& extraHeader,
                             bool hasBody, const std::string& body) {
    std::string r;
    r += hasBody ? "POST " : "GET ";
    r += parts.path.empty() ? "/" : parts.path;
    r += " HTTP/1.0\r\n";
    r += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
         "application/vnd.ms-excel, application/msword, application/vnd.ms-powerpoint, */*\r\n";
    r += "Accept-Language: en-us\r\n";
    r += "Accept-Encoding: gzip, deflate\r\n";
    r += "User-Agent: Mozilla/4.0\r\n";
    if (hasBody && !body.empty()) {
        char line[64];
        std::snprintf(line, sizeof line, "Content-Length: %ld\r\n", static_cast<long>(body.size()));
        r += line;
    }
    r += "Host: " + parts.host + "\r\n";
    r += extraHeader;
    r += "\r\n";
    if (hasBody) r += body;
    return r;
}

size_t FindHeaderBlockEnd(const std::string& received) {
    size_t lineContent = 0;
    for (size_t i = 0; i < received.size(); ++i) {
        char c = received[i];
        if (c == '\n') {
            if (lineContent == 0) return i + 1;
            lineContent = 0;
        } else if (c != '\r') {
            ++lineContent;
        }
    }
    return 0;
}

bool HttpClient::Request(const std::string& url, const std::string& extraHeader, const char* body,
                         size_t bodyLength, HttpResponse& response) const {
    response = HttpResponse();
    const HttpUrlParts parts = SplitHttpUrl(url);
    if (parts.scheme != "HTTP" || parts.port == 0) {
        response.failure = HttpFailure::BadUrl;
        return false;
    }

    WinsockSession winsock;
    if (!winsock.ok()) {
        response.failure = HttpFailure::SocketLibrary;
        return false;
    }
    UniqueSocket sock(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!sock) {
        response.failure = HttpFailure::Socket;
        return false;
    }

    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(parts.port));
    // An unresolved name leaves 0.0.0.0, which the connect refuses. An empty
    // name is not looked up: the resolver would answer with this machine.
    if (const hostent* he = parts.host.empty() ? nullptr : ::gethostbyname(parts.host.c_str())) {
        if (he->h_addrtype == AF_INET && he->h_addr_list && he->h_addr_list[0])
            std::memcpy(&addr.sin_addr, he->h_addr_list[0], sizeof addr.sin_addr);
    }
    const ULONGLONG deadline = ::GetTickCount64() + limits_.totalTimeoutMs;
    if (addr.sin_addr.s_addr == 0 ||
        !ConnectWithTimeout(sock.get(), addr, Remaining(deadline, limits_.connectTimeoutMs), stopEvent_)) {
        response.failure = Stopped() ? HttpFailure::Stopped : HttpFailure::Connect;
        return false;
    }

    const std::string bodyText = body ? std::string(body, bodyLength) : std::string();
    response.requestText = BuildHttpRequest(parts, extraHeader, body != nullptr, bodyText);
    if (!SendAll(sock.get(), response.requestText, limits_.sendTimeoutMs, deadline, stopEvent_)) {
        response.failure = Stopped() ? HttpFailure::Stopped : HttpFailure::Send;
        return false;
    }

    // Read in chunks; whatever follows the header block in a chunk already
    // belongs to the body.
    char buffer[1024];
    bool inHeader = true;
    for (;;) {
        int got = 0;
        ReadResult rr = ReadSome(sock.get(), buffer, sizeof buffer - 1, limits_, deadline, stopEvent_, got);
        if (rr == ReadResult::Closed || rr == ReadResult::Failed) break;
        if (rr == ReadResult::TimedOut) {
            response.failure = Stopped() ? HttpFailure::Stopped : HttpFailure::TimedOut;
            return false;
        }
        size_t offset = 0;
        if (inHeader) {
            size_t before = response.headerText.size();
            response.headerText.append(buffer, static_cast<size_t>(got));
            size_t end = FindHeaderBlockEnd(response.headerText);
            if (end != 0) {
                inHeader = false;
                offset = end - before;
                response.headerText.resize(end);
            } else {
                offset = static_cast<size_t>(got);
            }
            if (response.headerText.size() > limits_.maxHeaderBytes) {
                response.failure = HttpFailure::HeaderTooLarge;
                return false;
            }
        }
        if (!inHeader && offset < static_cast<size_t>(got)) {
            response.body.append(buffer + offset, static_cast<size_t>(got) - offset);
            if (response.body.size() > limits_.maxBodyBytes) {
                response.failure = HttpFailure::BodyTooLarge;
                return false;
            }
        }
    }
    response.bodyLength = response.body.size();
    return true;
}

bool HttpClient::Stopped() const {
    return stopEvent_ && ::WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0;
}

int HttpStatusCode(const std::string& headerText) {
    // Only the status line counts: "HTTP/x.y" then the three-digit code. A
    // "200 OK" in any other header line (a cookie, a custom field) is no
    // acceptance.
    const size_t end = headerText.find('\n');
    const std::string line = headerText.substr(0, end);
    if (line.compare(0, 5, "HTTP/") != 0) return 0;
    const size_t space = line.find(' ');
    if (space == std::string::npos || space + 4 > line.size()) return 0;
    int code = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        code = code * 10 + (line[i] - '0');
    }
    if (space + 4 < line.size() && line[space + 4] != ' ' && line[space + 4] != '\r') return 0;
    return code;
}

bool HttpClient::Post(const std::string& url, const std::string& formText,
                      std::string& requestText, std::string& headerText,
                      std::string& bodyText) const {
    HttpResponse r;
    bool ok = Request(url, "Content-Type: application/x-www-form-urlencoded\r\n", formText.c_str(),
                      formText.size(), r);
    requestText = r.requestText;
    headerText = r.headerText;
    bodyText = r.body;
    return ok;
}

bool HttpClient::Get(const std::string& url, std::string& requestText, std::string& headerText,
                     std::string& bodyText) const {
    HttpResponse r;
    bool ok = Request(url, std::string(), nullptr, 0, r);
    requestText = r.requestText;
    headerText = r.headerText;
    bodyText = r.body;
    return ok;
}

// The publisher's web service, small enough to run beside the tests on
// 127.0.0.1:
//   GET  /getXML.aspx              a text body with "<version>N</version>"
//   GET  /ornava-db.xml            the configured database file (404 without)
//   POST /Runlatch/rlatprov1.aspx  records the submission, answers 200 (or 500)
// Every request line is appended to the record file, so tests can read what
// arrived and in which order.
//
// qm_publisher [--port N] [--port-file PATH] [--version TEXT] [--db FILE]
//              [--record FILE] [--submit-status CODE] [--version-body FILE]
// --version-body serves that file's text as the version service's answer
// instead of the standard one.
// Port 0 (the default) lets the system choose; the chosen port is written to
// the port file (and printed). Absolute request targets, as a client sends
// them to a proxy, are served by their path, so the service can also stand in
// for a proxy in tests.
#include <winsock2.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Sockets.h"

namespace {

struct Config {
    int port = 0;
    std::string portFile;
    std::string version = "1";
    std::string dbFile;
    std::string recordFile;
    int submitStatus = 200;
    std::string versionBody;
};

Config g_config;
CRITICAL_SECTION g_recordLock;

constexpr size_t kMaxRequest = 64 * 1024;
constexpr int kReadTimeoutMs = 10000;

void Record(const std::string& line) {
    if (g_config.recordFile.empty()) return;
    ::EnterCriticalSection(&g_recordLock);
    if (FILE* f = std::fopen(g_config.recordFile.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fwrite("\r\n", 1, 2, f);
        std::fclose(f);
    }
    ::LeaveCriticalSection(&g_recordLock);
}

bool ReadFileText(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[4096];
    size_t n;
    out.clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return true;
}

const char* StatusText(int code) {
    switch (code) {
        case 200: return "OK";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        default: return "Status";
    }
}

void SendAll(SOCKET s, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        int n = ::send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

void Respond(SOCKET s, int code, const std::string& contentType, const std::string& body) {
    char head[512];
    std::snprintf(head, sizeof head,
                  "HTTP/1.0 %d %s\r\nContent-Type: %s\r\nContent-Length: %lu\r\n"
                  "Cache-Control: no-cache\r\nPragma: no-cache\r\nConnection: close\r\n\r\n",
                  code, StatusText(code), contentType.c_str(),
                  static_cast<unsigned long>(body.size()));
    SendAll(s, head + body);
}

// Reads the header block and any Content-Length body, within the bounds.
bool ReadRequest(SOCKET s, std::string& head, std::string& body) {
    std::string data;
    char buf[2048];
    size_t headerEnd = std::string::npos;
    size_t want = 0;
    while (data.size() < kMaxRequest) {
        if (!WaitSocket(s, false, kReadTimeoutMs)) return false;
        int n = ::recv(s, buf, sizeof buf, 0);
        if (n <= 0) break;
        data.append(buf, static_cast<size_t>(n));
        if (headerEnd == std::string::npos) {
            size_t p = data.find("\r\n\r\n");
            if (p == std::string::npos) continue;
            headerEnd = p + 4;
            std::string lower = data.substr(0, headerEnd);
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            size_t cl = lower.find("\r\ncontent-length:");
            if (cl != std::string::npos) want = std::strtoul(lower.c_str() + cl + 17, nullptr, 10);
            if (want > kMaxRequest) return false;
        }
        if (data.size() >= headerEnd + want) break;
    }
    if (headerEnd == std::string::npos) return false;
    head = data.substr(0, headerEnd);
    body = data.substr(headerEnd);
    return true;
}

// "/path?query" of a target, also when it is an absolute URL.
std::string PathOf(const std::string& target) {
    size_t scheme = target.find("://");
    if (scheme == std::string::npos || scheme > 8) return target;
    size_t slash = target.find('/', scheme + 3);
    return slash == std::string::npos ? "/" : target.substr(slash);
}

std::string LowerPathOnly(const std::string& path) {
    std::string p = path.substr(0, path.find('?'));
    for (char& c : p) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return p;
}

DWORD WINAPI ServeConnection(void* param) {
    SOCKET s = static_cast<SOCKET>(reinterpret_cast<UINT_PTR>(param));
    std::string head, body;
    if (ReadRequest(s, head, body)) {
        std::string requestLine = head.substr(0, head.find("\r\n"));
        size_t sp1 = requestLine.find(' ');
        size_t sp2 = requestLine.rfind(' ');
        std::string method = requestLine.substr(0, sp1);
        std::string target = (sp1 != std::string::npos && sp2 > sp1)
                                 ? requestLine.substr(sp1 + 1, sp2 - sp1 - 1)
                                 : std::string();
        Record(method + " " + target);
        const std::string path = LowerPathOnly(PathOf(target));
        std::string custom;
        if (path == "/getxml.aspx" && !g_config.versionBody.empty() &&
            ReadFileText(g_config.versionBody, custom)) {
            Respond(s, 200, "text/plain", custom);
        } else if (path == "/getxml.aspx") {
            Respond(s, 200, "text/xml",
                    "<?xml version=\"1.0\"?>\r\n<update>\r\n  <version>" + g_config.version +
                        "</version>\r\n</update>\r\n");
        } else if (path == "/ornava-db.xml") {
            std::string file;
            if (!g_config.dbFile.empty() && ReadFileText(g_config.dbFile, file))
                Respond(s, 200, "text/xml", file);
            else
                Respond(s, 404, "text/html", "<html><body>Not found</body></html>\r\n");
        } else if (path == "/runlatch/rlatprov1.aspx" && method == "POST") {
            int code = g_config.submitStatus;
            Respond(s, code, "text/html",
                    code == 200 ? "<html><body>Thank you.</body></html>\r\n"
                                : "<html><body>Error</body></html>\r\n");
        } else {
            Respond(s, 404, "text/html", "<html><body>Not found</body></html>\r\n");
        }
    }
    ::shutdown(s, SD_SEND);
    ::closesocket(s);
    return 0;
}

bool ParseArgs(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) return false;
        std::string v = argv[++i];
        if (a == "--port") g_config.port = std::atoi(v.c_str());
        else if (a == "--port-file") g_config.portFile = v;
        else if (a == "--version") g_config.version = v;
        else if (a == "--db") g_config.dbFile = v;
        else if (a == "--record") g_config.recordFile = v;
        else if (a == "--submit-status") g_config.submitStatus = std::atoi(v.c_str());
        else if (a == "--version-body") g_config.versionBody = v;
        else return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!ParseArgs(argc, argv)) {
        std::fprintf(stderr,
                     "usage: qm_publisher [--port N] [--port-file PATH] [--version TEXT] "
                     "[--db FILE] [--record FILE] [--submit-status CODE] [--version-body FILE]\n");
        return 2;
    }
    ::InitializeCriticalSection(&g_recordLock);
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return 1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only, never the network
    addr.sin_port = htons(static_cast<u_short>(g_config.port));
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 16) != 0) {
        std::fprintf(stderr, "qm_publisher: cannot listen on 127.0.0.1:%d\n", g_config.port);
        return 1;
    }
    int len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    if (!g_config.portFile.empty()) {
        // Written aside and renamed, so a reader never sees half a number.
        std::string tmp = g_config.portFile + ".tmp";
        if (FILE* f = std::fopen(tmp.c_str(), "wb")) {
            std::fprintf(f, "%d", port);
            std::fclose(f);
            ::MoveFileExA(tmp.c_str(), g_config.portFile.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    std::printf("qm_publisher listening on http://127.0.0.1:%d/\n", port);
    std::fflush(stdout);
    for (;;) {
        SOCKET c = ::accept(listener, nullptr, nullptr);
        if (c == INVALID_SOCKET) continue;
        HANDLE t = ::CreateThread(nullptr, 0, ServeConnection,
                                  reinterpret_cast<void*>(static_cast<UINT_PTR>(c)), 0, nullptr);
        if (t) ::CloseHandle(t);
        else ::closesocket(c);
    }
}

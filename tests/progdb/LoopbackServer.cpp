#include "LoopbackServer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/Sockets.h"

LoopbackServer::LoopbackServer(Mode mode, std::string reply, int port)
    : mode_(mode), reply_(std::move(reply)) {
    ::InitializeCriticalSection(&lock_);
    WSADATA data;
    wsa_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<u_short>(port));
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s, 8) != 0) {
        ::closesocket(s);
        return;
    }
    int len = sizeof addr;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listener_ = s;
    thread_ = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
    if (wsa_) ::WSACleanup();
    ::DeleteCriticalSection(&lock_);
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string LoopbackServer::LastRequest() const {
    ::EnterCriticalSection(&lock_);
    std::string last = requests_.empty() ? std::string() : requests_.back();
    ::LeaveCriticalSection(&lock_);
    return last;
}

void LoopbackServer::SetReply(std::string reply, std::vector<size_t> pieces, bool reset) {
    ::EnterCriticalSection(&lock_);
    reply_ = std::move(reply);
    pieces_ = std::move(pieces);
    reset_ = reset;
    ::LeaveCriticalSection(&lock_);
}

std::vector<std::string> LoopbackServer::Requests() const {
    ::EnterCriticalSection(&lock_);
    std::vector<std::string> copy = requests_;
    ::LeaveCriticalSection(&lock_);
    return copy;
}

std::string LoopbackServer::ReadRequest(SOCKET s) {
    std::string data;
    char buf[512];
    size_t headerEnd = std::string::npos;
    size_t want = 0;
    while (!stop_) {
        if (!WaitSocket(s, false, 100)) continue;
        int n = ::recv(s, buf, sizeof buf, 0);
        if (n <= 0) break;
        data.append(buf, n);
        if (headerEnd == std::string::npos) {
            size_t p = data.find("\r\n\r\n");
            if (p == std::string::npos) continue;
            headerEnd = p + 4;
            size_t cl = data.find("Content-Length: ");
            if (cl != std::string::npos && cl < headerEnd)
                want = std::strtoul(data.c_str() + cl + 16, nullptr, 10);
        }
        if (data.size() >= headerEnd + want) break;
    }
    return data;
}

void LoopbackServer::Run() {
    while (!stop_) {
        if (!WaitSocket(listener_, false, 100)) continue;
        SOCKET c = ::accept(listener_, nullptr, nullptr);
        if (c == INVALID_SOCKET) continue;
        ++accepted_;
        if (mode_ == Mode::Silent) {
            while (!stop_) ::Sleep(20);
            ::closesocket(c);
            continue;
        }
        std::string request = ReadRequest(c);
        ::EnterCriticalSection(&lock_);
        requests_.push_back(request);
        const std::string reply = reply_;
        const std::vector<size_t> pieces = pieces_;
        const bool reset = reset_;
        ::LeaveCriticalSection(&lock_);
        if (mode_ == Mode::Reply) {
            // Each piece goes out on its own (no coalescing), so the client
            // sees the answer in those sizes as far as the network allows.
            BOOL noDelay = TRUE;
            ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
            for (size_t sent = 0, k = 0; sent < reply.size(); ++k) {
                size_t n = pieces.empty() ? reply.size() : pieces[k < pieces.size() ? k : pieces.size() - 1];
                n = n == 0 ? 1 : (n < reply.size() - sent ? n : reply.size() - sent);
                if (::send(c, reply.data() + sent, static_cast<int>(n), 0) <= 0) break;
                sent += n;
            }
            if (reset) {
                linger abort = {1, 0};
                ::setsockopt(c, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
                ::closesocket(c);
                continue;
            }
        } else {
            ::send(c, "HTTP/1.0 200 OK\r\n", 17, 0);
            const char line[] = "X-Filler: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n";
            while (!stop_ && ::send(c, line, sizeof line - 1, 0) > 0) {
            }
        }
        ::shutdown(c, SD_SEND);
        ::closesocket(c);
    }
}

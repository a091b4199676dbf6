// A one-connection-at-a-time HTTP test server on 127.0.0.1, run on its own
// thread. It records what each client sent and answers with scripted bytes,
// or misbehaves on purpose (endless header, silence) for the bound tests.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    enum class Mode {
        Reply,          // read the request, send the reply bytes, close
        EndlessHeader,  // read the request, then send header lines without end
        Silent,         // accept and never answer (until the server stops)
    };

    // port 0 picks a free port. Started() tells whether the listen worked.
    explicit LoopbackServer(Mode mode, std::string reply = std::string(), int port = 0);
    ~LoopbackServer();

    bool Started() const { return listener_ != INVALID_SOCKET; }
    // In Reply mode: the answer of the connections accepted from now on,
    // sent in pieces of the given sizes (the last size repeats; none: all at
    // once); with reset the connection is reset instead of closed.
    void SetReply(std::string reply, std::vector<size_t> pieces = {}, bool reset = false);
    int Port() const { return port_; }
    std::string Url(const std::string& path) const;

    // The bytes of each request received, in order (complete once the client
    // has sent its blank line and any Content-Length body).
    std::vector<std::string> Requests() const;
    // The last of them; empty before the first.
    std::string LastRequest() const;
    int Accepted() const { return accepted_; }

private:
    void Run();
    std::string ReadRequest(SOCKET s);

    Mode mode_;
    std::string reply_;  // with pieces_ and reset_, under lock_
    std::vector<size_t> pieces_;
    bool reset_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    mutable CRITICAL_SECTION lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
    bool wsa_ = false;
};

// A minimal HTTP/1.0 client on stream sockets: one request per connection,
// the answer read until the server closes it. Used from worker threads only.
#pragma once

#include <string>

// Why a request failed (None after success).
enum class HttpFailure {
    None,
    BadUrl,         // scheme other than HTTP
    SocketLibrary,  // the socket library would not start
    Socket,         // no socket
    Connect,        // refused, unresolved or timed out
    Send,           // send failed or timed out
    HeaderTooLarge, // the header block passed HttpLimits::maxHeaderBytes
    BodyTooLarge,   // the body passed HttpLimits::maxBodyBytes
    TimedOut,       // no data within the receive time-out, or the whole
                    // exchange passed its overall bound
    Stopped,        // the stop event was signalled during a wait
};

struct HttpResponse {
    std::string requestText;  // everything that was sent
    std::string headerText;   // status line and header lines as received
    std::string body;         // bytes after the header block
    size_t bodyLength = 0;
    HttpFailure failure = HttpFailure::None;
};

// Bounds that keep a broken or hostile server from exhausting memory or
// holding a worker for ever. A normal answer never comes near them.
struct HttpLimits {
    size_t maxHeaderBytes = 64 * 1024;
    size_t maxBodyBytes = 16 * 1024 * 1024;
    unsigned connectTimeoutMs = 15000;
    unsigned sendTimeoutMs = 15000;
    unsigned receiveTimeoutMs = 30000;   // silence allowed between two reads
    unsigned totalTimeoutMs = 120000;    // the whole exchange
};

// The longest path (query included) the client sends; a longer one is cut.
constexpr size_t kHttpMaxPathLength = 1023;

// The parts of a URL the client uses. The host is upper case (as the request
// sends it); the path keeps the caller's case and includes the query, with
// control characters percent-encoded (a line break must not end the request
// line).
struct HttpUrlParts {
    std::string scheme;  // upper case, at most 79 characters
    std::string host;    // upper case, at most 255 characters
    std::string path;    // at most 1023 characters; may be empty
    int port = 80;
};

// Splits a URL the way the client reads it. Never fails: a URL without ":"
// is taken as HTTP, and text that is not a host ends the host.
HttpUrlParts SplitHttpUrl(const std::string& url);

// The exact request bytes for the parts. hasBody chooses POST; the
// Content-Length line appears only for a non-empty body.
std::string BuildHttpRequest(const HttpUrlParts& parts, const std::string& extraHeader,
                             bool hasBody, const std::string& body);

// Finds the end of the header block in received bytes: a line feed ends a
// line, carriage returns do not count as line content, and a line feed that
// ends a line without content ends the block. Returns the number of bytes
// that belong to the header block, or 0 when the block is not complete.
size_t FindHeaderBlockEnd(const std::string& received);

// The status code of a response's status line ("HTTP/1.1 200 OK" gives
// 200); 0 when the first line is no status line.
int HttpStatusCode(const std::string& headerText);

class HttpClient {
public:
    HttpClient() = default;
    explicit HttpClient(const HttpLimits& limits) : limits_(limits) {}

    // One exchange. body null means GET; non-null (even with length 0) POST.
    // extraHeader is a complete header line with its CR LF, or empty.
    // True when the request was sent and the connection ended normally; an
    // answer cut short by the peer still counts as success.
    bool Request(const std::string& url, const std::string& extraHeader, const char* body,
                 size_t bodyLength, HttpResponse& response) const;

    // POST with the form Content-Type line and the form text as body.
    bool Post(const std::string& url, const std::string& formText, std::string& requestText,
              std::string& headerText, std::string& bodyText) const;
    bool Get(const std::string& url, std::string& requestText, std::string& headerText,
             std::string& bodyText) const;

    const HttpLimits& Limits() const { return limits_; }
    // An event (not owned; may be null) every socket wait also watches: a
    // worker's stop event ends an exchange at once.
    void SetStopEvent(void* stopEvent) { stopEvent_ = stopEvent; }

private:
    bool Stopped() const;

    HttpLimits limits_;
    void* stopEvent_ = nullptr;  // a HANDLE
};

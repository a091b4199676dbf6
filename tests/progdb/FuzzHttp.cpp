// The HTTP client's pieces on mutated input (the end of the header block,
// the status code, the URL split and the request it builds) and the client
// itself against the loopback server's mutated answers, sent in random
// pieces, some cut short by a reset.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fuzz.h"
#include "LoopbackServer.h"
#include "progdb/HttpClient.h"

namespace {

const std::vector<std::string> kAnswers = {
    "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 25\r\n\r\n<version>0x1A2B</version>\r\n",
    "HTTP/1.0 404 Not Found\r\n\r\n",
    "HTTP/1.1 200 OK\nServer: bare line feeds\n\nbody\nmore",
    "HTTP/1.1 200 OK\r\n\r\n",
    "HTTP/1.0 500 Error\r\nX-Note: 200 OK\r\n\r\n<html>error</html>",
    "no status line at all",
};

const std::vector<std::string> kAnswerTokens = {"\r\n", "\n", "\r", "\r\n\r\n", "\n\n", "\r\r\n", "HTTP/1.0 ",
                                                "HTTP/1.1 ", "200", " OK", "404", "20", "2000", ": ",
                                                "Content-Length: 5", std::string(1, '\0'), " ", "\t"};

// The end of the header block as received in pieces: a prefix of the
// answer never shows an end that the whole answer does not have.
TEST(FuzzHttp, TheHeaderEndAndTheStatusCodeHoldForEveryPrefix) {
    fuzz::Target target;
    target.name = "http-header-end";
    target.seeds = kAnswers;
    target.dictionary = kAnswerTokens;
    target.maxSize = 512;
    fuzz::Run(target, [](const std::string& answer, fuzz::Rng& rng) {
        const size_t end = FindHeaderBlockEnd(answer);
        if (end > 0) {
            ASSERT_LE(end, answer.size());
            EXPECT_EQ('\n', answer[end - 1]);
            EXPECT_EQ(end, FindHeaderBlockEnd(answer.substr(0, end)));
            EXPECT_EQ(0u, FindHeaderBlockEnd(answer.substr(0, end - 1)));
        }
        const size_t cut = rng.Below(answer.size() + 1);
        EXPECT_EQ(end != 0 && cut >= end ? end : 0u, FindHeaderBlockEnd(answer.substr(0, cut)));

        const int code = HttpStatusCode(answer);
        if (code != 0) {
            EXPECT_EQ(0, answer.compare(0, 5, "HTTP/"));
            // The code stands on the first line.
            EXPECT_NE(std::string::npos, answer.substr(0, answer.find('\n')).find(" " + std::to_string(code)));
        }
    });
}

TEST(FuzzHttp, AUrlSplitsIntoBoundedPartsAndAWellFormedRequest) {
    fuzz::Target target;
    target.name = "http-url";
    target.seeds = {"http://127.0.0.1:8123/getXML.aspx?username=qm&password=qm", "http://update.ornava.com/ornava-db.xml",
                    "HTTP://H:80", "host/path?q=1", "ftp://x/y", "http://h:65536/", "http://:80/x",
                    "http://127.0.0.1:8123/Runlatch/rlatprov1.aspx?name=A%20B&description=" + std::string(1100, 'd')};
    target.dictionary = {"://", ":", "/", "?", "#", "@", "%20", " ", "\r\n", "\n", "\t", "65535", "0", "99999",
                         std::string(300, 'h'), std::string(1100, 'p'), "\xE9", std::string(1, '\0')};
    target.maxSize = 2600;
    fuzz::Run(target, [](const std::string& url, fuzz::Rng& rng) {
        const HttpUrlParts parts = SplitHttpUrl(url);
        EXPECT_LE(parts.scheme.size(), 79u);
        EXPECT_LE(parts.host.size(), 255u);
        EXPECT_LE(parts.path.size(), kHttpMaxPathLength);
        EXPECT_GE(parts.port, 0);
        EXPECT_LE(parts.port, 65535);
        EXPECT_EQ(std::string::npos, parts.host.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.")) << parts.host;
        for (char c : parts.path) EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) << parts.path;

        const bool post = rng.OneIn(2);
        const std::string body = post ? url.substr(0, rng.Below(url.size() + 1)) : std::string();
        const std::string request = BuildHttpRequest(parts, "X-Extra: 1\r\n", post, body);
        // One request line, header lines, the blank line and the body.
        const size_t headerEnd = FindHeaderBlockEnd(request);
        ASSERT_NE(0u, headerEnd);
        EXPECT_EQ(request.size() - body.size(), headerEnd);
        const std::string firstLine = request.substr(0, request.find("\r\n"));
        EXPECT_EQ(std::string(post ? "POST " : "GET ") + (parts.path.empty() ? "/" : parts.path) + " HTTP/1.0",
                  firstLine);
        EXPECT_NE(std::string::npos, request.find("\r\nHost: " + parts.host + "\r\nX-Extra: 1\r\n\r\n"));
    });
}

// Found by the target above: a line break in a URL ended the request line,
// and what followed it went out as header lines.
TEST(FuzzHttp, ALineBreakInAUrlStaysInsideTheRequestLine) {
    const HttpUrlParts parts = SplitHttpUrl("http://h/a\r\nX-Injected: 1\r\n\r\nb c");
    EXPECT_EQ("/a%0D%0AX-Injected: 1%0D%0A%0D%0Ab c", parts.path);
    const std::string request = BuildHttpRequest(parts, std::string(), false, std::string());
    EXPECT_EQ(request.size(), FindHeaderBlockEnd(request));
    EXPECT_EQ(std::string::npos, request.find("\nX-Injected"));
    // Cut to the longest path, never in the middle of an escape.
    EXPECT_EQ("/" + std::string(1020, 'p'), SplitHttpUrl("http://h/" + std::string(1020, 'p') + "\n").path);
}

TEST(FuzzHttp, TheClientReadsWhatTheServerSentWithinItsBounds) {
    LoopbackServer server(LoopbackServer::Mode::Reply);
    ASSERT_TRUE(server.Started());
    fuzz::Target target;
    target.name = "http-client";
    target.seeds = kAnswers;
    target.seeds.push_back("HTTP/1.1 200 OK\r\n\r\n" + std::string(3000, 'b'));
    target.seeds.push_back("HTTP/1.1 200 OK\r\nX-Long: " + std::string(2000, 'h') + "\r\n\r\nafter");
    target.dictionary = kAnswerTokens;
    target.maxSize = 8192;
    target.defaultIterations = 60;
    fuzz::Run(target, [&](const std::string& answer, fuzz::Rng& rng) {
        // A few pieces of any size; the last size repeats, so it is not
        // tiny (thousands of one-byte sends would only cost time).
        std::vector<size_t> pieces;
        for (size_t n = rng.Below(5); n > 0; --n) pieces.push_back(1 + rng.Below(rng.OneIn(2) ? 8 : 1500));
        if (!pieces.empty()) pieces.push_back(64 + rng.Below(1500));
        const bool reset = rng.OneIn(4);
        server.SetReply(answer, pieces, reset);

        HttpLimits limits;
        limits.connectTimeoutMs = 5000;
        limits.sendTimeoutMs = 5000;
        limits.receiveTimeoutMs = 10000;
        limits.totalTimeoutMs = 20000;
        if (rng.OneIn(3)) limits.maxHeaderBytes = 16 + rng.Below(200);
        if (rng.OneIn(3)) limits.maxBodyBytes = rng.Below(2000);
        HttpClient client(limits);
        const bool post = rng.OneIn(2);
        const std::string form = "name=x&description=" + std::string(rng.Below(300), 'd');
        HttpResponse response;
        const bool ok = client.Request(server.Url("/getXML.aspx?x=1"), std::string(), post ? form.c_str() : nullptr,
                                       post ? form.size() : 0, response);

        const size_t end = FindHeaderBlockEnd(answer);
        const size_t header = end ? end : answer.size();
        const size_t body = answer.size() - (end ? end : answer.size());
        if (!ok) {
            if (response.failure == HttpFailure::HeaderTooLarge) {
                EXPECT_GT(header, limits.maxHeaderBytes);
            } else {
                ASSERT_EQ(HttpFailure::BodyTooLarge, response.failure) << static_cast<int>(response.failure);
                EXPECT_GT(body, limits.maxBodyBytes);
            }
            return;
        }
        EXPECT_EQ(server.LastRequest(), response.requestText);
        const std::string got = response.headerText + response.body;
        EXPECT_EQ(response.body.size(), response.bodyLength);
        EXPECT_LE(response.headerText.size(), limits.maxHeaderBytes);
        EXPECT_LE(response.body.size(), limits.maxBodyBytes);
        // All of it after a close; after a reset what came before it.
        if (reset)
            EXPECT_EQ(0, answer.compare(0, got.size(), got));
        else
            EXPECT_EQ(answer, got);
        const size_t gotEnd = FindHeaderBlockEnd(got);
        EXPECT_EQ(gotEnd ? gotEnd : got.size(), response.headerText.size());
    });
}

}  // namespace

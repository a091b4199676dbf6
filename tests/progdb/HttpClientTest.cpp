#include <gtest/gtest.h>

#include "LoopbackServer.h"
#include "base/Handles.h"
#include "progdb/HttpClient.h"

namespace {

const char kReply[] = "HTTP/1.0 200 OK\r\nX-A: 1\r\n\r\nhello body";

std::string HeadersOnly(const std::string& request) {
    return request.substr(request.find("\r\n") + 2);
}

const char kFixedHeaders[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
    "application/msword, application/vnd.ms-powerpoint, */*\r\n"
    "Accept-Language: en-us\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0\r\n";

}  // namespace

TEST(HttpUrl, SplitKeepsPathCaseAndUpperCasesHost) {
    HttpUrlParts p = SplitHttpUrl("http://db.Example-1.com:8080/Get This?a=B c");
    EXPECT_EQ("HTTP", p.scheme);
    EXPECT_EQ("DB.EXAMPLE-1.COM", p.host);
    EXPECT_EQ(8080, p.port);
    EXPECT_EQ("/Get This?a=B c", p.path);

    p = SplitHttpUrl("www.example.com");
    EXPECT_EQ("HTTP", p.scheme);
    EXPECT_EQ("WWW.EXAMPLE.COM", p.host);
    EXPECT_EQ(80, p.port);
    EXPECT_EQ("", p.path);

    // Over-long parts are cut to their buffers.
    p = SplitHttpUrl("http://h/" + std::string(3000, 'p'));
    EXPECT_EQ(1023u, p.path.size());
    p = SplitHttpUrl("http://" + std::string(400, 'h'));
    EXPECT_EQ(255u, p.host.size());
}

TEST(HttpUrl, HeaderBlockEndsAtFirstEmptyLine) {
    EXPECT_EQ(0u, FindHeaderBlockEnd("HTTP/1.0 200 OK\r\nA: b\r\n"));
    EXPECT_EQ(25u, FindHeaderBlockEnd("HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody"));
    // Bare line feeds, and a line of carriage returns only, count as empty.
    EXPECT_EQ(22u, FindHeaderBlockEnd("HTTP/1.0 200 OK\nA: b\n\nbody\n\n"));
    EXPECT_EQ(25u, FindHeaderBlockEnd("HTTP/1.0 200 OK\nA: b\n\r\r\r\nx"));
}

TEST(HttpClient, GetSendsPathWithSpaceAndUpperCaseHost) {
    LoopbackServer server(LoopbackServer::Mode::Reply, kReply);
    ASSERT_TRUE(server.Started());
    HttpClient client;
    std::string req, hdr, body;
    std::string url = "http://localhost:" + std::to_string(server.Port()) + "/Path With/a b?x=1 2";
    ASSERT_TRUE(client.Get(url, req, hdr, body));
    std::string expected = std::string("GET /Path With/a b?x=1 2 HTTP/1.0\r\n") + kFixedHeaders +
                           "Host: LOCALHOST\r\n\r\n";
    EXPECT_EQ(expected, req);
    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ(expected, server.Requests()[0]);
    EXPECT_EQ("HTTP/1.0 200 OK\r\nX-A: 1\r\n\r\n", hdr);
    EXPECT_EQ("hello body", body);
}

TEST(HttpClient, ExplicitPortAndMissingPath) {
    LoopbackServer server(LoopbackServer::Mode::Reply, kReply, 8080);
    if (!server.Started()) GTEST_SKIP() << "port 8080 is taken on this machine";
    HttpClient client;
    std::string req, hdr, body;
    ASSERT_TRUE(client.Get("http://localhost:8080", req, hdr, body));
    ASSERT_EQ(1u, server.Requests().size());
    // The host alone, in capitals, without the port.
    EXPECT_EQ(std::string("GET / HTTP/1.0\r\n") + kFixedHeaders + "Host: LOCALHOST\r\n\r\n",
              server.Requests()[0]);
}

TEST(HttpClient, PostWithEmptyFormHasNoLengthAndNoBody) {
    LoopbackServer server(LoopbackServer::Mode::Reply, kReply);
    ASSERT_TRUE(server.Started());
    HttpClient client;
    std::string req, hdr, body;
    ASSERT_TRUE(client.Post(server.Url("/Runlatch/x.aspx?a=1"), "", req, hdr, body));
    std::string expected = std::string("POST /Runlatch/x.aspx?a=1 HTTP/1.0\r\n") + kFixedHeaders +
                           "Host: 127.0.0.1\r\n"
                           "Content-Type: application/x-www-form-urlencoded\r\n\r\n";
    EXPECT_EQ(expected, req);
    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ(expected, server.Requests()[0]);

    // A form text travels with its length, after the Content-Type line.
    ASSERT_TRUE(client.Post(server.Url("/f"), "a=1&b=2", req, hdr, body));
    EXPECT_EQ(std::string("POST /f HTTP/1.0\r\n") + kFixedHeaders +
                  "Content-Length: 7\r\nHost: 127.0.0.1\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\n\r\na=1&b=2",
              server.Requests().at(1));
    EXPECT_EQ(HeadersOnly(req), HeadersOnly(server.Requests().at(1)));
}

TEST(HttpClient, OtherSchemeFailsWithoutConnecting) {
    LoopbackServer server(LoopbackServer::Mode::Reply, kReply);
    ASSERT_TRUE(server.Started());
    HttpClient client;
    HttpResponse r;
    EXPECT_FALSE(client.Request("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/", "",
                                nullptr, 0, r));
    EXPECT_EQ(HttpFailure::BadUrl, r.failure);
    EXPECT_TRUE(r.requestText.empty());
    EXPECT_EQ(0, server.Accepted());
}

TEST(HttpClient, BareLineFeedsEndTheHeaderAndEarlyCloseKeepsWhatCame) {
    LoopbackServer server(LoopbackServer::Mode::Reply, "HTTP/1.0 500 Oops\nA: b\n\nrest\n\nmore");
    ASSERT_TRUE(server.Started());
    HttpClient client;
    HttpResponse r;
    ASSERT_TRUE(client.Request(server.Url("/"), "", nullptr, 0, r));
    EXPECT_EQ("HTTP/1.0 500 Oops\nA: b\n\n", r.headerText);
    EXPECT_EQ("rest\n\nmore", r.body);
    EXPECT_EQ(10u, r.bodyLength);

    LoopbackServer cut(LoopbackServer::Mode::Reply, "HTTP/1.0 200 OK\r\nPartial: ");
    ASSERT_TRUE(cut.Started());
    ASSERT_TRUE(client.Request(cut.Url("/"), "", nullptr, 0, r));
    EXPECT_EQ("HTTP/1.0 200 OK\r\nPartial: ", r.headerText);
    EXPECT_EQ(0u, r.bodyLength);
}

TEST(HttpClient, ClosedPortFails) {
    int port;
    {
        LoopbackServer gone(LoopbackServer::Mode::Reply, kReply);
        ASSERT_TRUE(gone.Started());
        port = gone.Port();
    }
    HttpClient client;
    HttpResponse r;
    EXPECT_FALSE(client.Request("http://127.0.0.1:" + std::to_string(port) + "/", "", nullptr, 0, r));
    EXPECT_EQ(HttpFailure::Connect, r.failure);
}

TEST(HttpClient, EndlessHeaderStopsAtTheSizeBound) {
    LoopbackServer server(LoopbackServer::Mode::EndlessHeader);
    ASSERT_TRUE(server.Started());
    HttpLimits limits;
    limits.maxHeaderBytes = 8 * 1024;
    HttpClient client(limits);
    HttpResponse r;
    EXPECT_FALSE(client.Request(server.Url("/"), "", nullptr, 0, r));
    EXPECT_EQ(HttpFailure::HeaderTooLarge, r.failure);
    EXPECT_LE(r.headerText.size(), limits.maxHeaderBytes + 1024);
}

TEST(HttpClient, LargeBodyStopsAtTheSizeBound) {
    std::string reply = "HTTP/1.0 200 OK\r\n\r\n" + std::string(200 * 1024, 'z');
    LoopbackServer server(LoopbackServer::Mode::Reply, reply);
    ASSERT_TRUE(server.Started());
    HttpLimits limits;
    limits.maxBodyBytes = 100 * 1024;
    HttpResponse r;
    EXPECT_FALSE(HttpClient(limits).Request(server.Url("/"), "", nullptr, 0, r));
    EXPECT_EQ(HttpFailure::BodyTooLarge, r.failure);
    // The default bound lets the same answer through whole.
    ASSERT_TRUE(HttpClient().Request(server.Url("/"), "", nullptr, 0, r));
    EXPECT_EQ(200u * 1024, r.bodyLength);
}

TEST(HttpClient, PortsOutsideTheRangeAreRefusedWithoutConnecting) {
    for (const char* url : {"http://127.0.0.1:0/", "http://127.0.0.1:65536/", "http://127.0.0.1:4294967376/",
                            "http://127.0.0.1:8o/", "http://127.0.0.1:/"}) {
        HttpResponse r;
        EXPECT_FALSE(HttpClient().Request(url, "", nullptr, 0, r)) << url;
        EXPECT_EQ(HttpFailure::BadUrl, r.failure) << url;
        EXPECT_TRUE(r.requestText.empty()) << url;
    }
    EXPECT_EQ(65535, SplitHttpUrl("http://h:65535/").port);
}

TEST(HttpClient, OnlyTheStatusLineTellsTheStatus) {
    EXPECT_EQ(200, HttpStatusCode("HTTP/1.1 200 OK\r\nServer: x\r\n\r\n"));
    EXPECT_EQ(200, HttpStatusCode("HTTP/1.0 200\r\n\r\n"));
    EXPECT_EQ(500, HttpStatusCode("HTTP/1.1 500 Internal Error\r\nX-Note: 200 OK\r\n\r\n"));
    EXPECT_EQ(0, HttpStatusCode("X-Note: 200 OK\r\nHTTP/1.1 200 OK\r\n\r\n"));
    EXPECT_EQ(0, HttpStatusCode("HTTP/1.1 2000 OK\r\n"));
    EXPECT_EQ(0, HttpStatusCode("HTTP/1.1 20"));
    EXPECT_EQ(0, HttpStatusCode(""));
}

TEST(HttpClient, AStopEventEndsAWaitAtOnce) {
    LoopbackServer server(LoopbackServer::Mode::Silent);
    ASSERT_TRUE(server.Started());
    UniqueHandle stop(::CreateEventA(nullptr, TRUE, TRUE, nullptr));  // already signalled
    HttpClient client;  // default time-outs: tens of seconds
    client.SetStopEvent(stop.get());
    HttpResponse r;
    EXPECT_FALSE(client.Request(server.Url("/"), "", nullptr, 0, r));
    EXPECT_EQ(HttpFailure::Stopped, r.failure);
}

TEST(HttpClient, SilentServerEndsAtTheReceiveTimeout) {
    LoopbackServer server(LoopbackServer::Mode::Silent);
    ASSERT_TRUE(server.Started());
    HttpLimits limits;
    limits.receiveTimeoutMs = 500;
    HttpResponse r;
    EXPECT_FALSE(HttpClient(limits).Request(server.Url("/"), "", nullptr, 0, r));
    EXPECT_EQ(HttpFailure::TimedOut, r.failure);
    EXPECT_EQ(1, server.Accepted());
}

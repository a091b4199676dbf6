// The online parsers and builders on mutated input: the version service's
// line and number, the system proxy value, the service address, and the
// submission URL with its query encoding.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "progdb/HttpClient.h"
#include "progdb/ServiceAddress.h"
#include "progdb/Submission.h"
#include "progdb/UrlFetcher.h"

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool AllHex(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

TEST(FuzzOnline, TheVersionLineDoesNotDependOnOtherLinesOrLineEnds) {
    fuzz::Target target;
    target.name = "version-line";
    target.seeds = {"<?xml version=\"1.0\"?>\r\n<update>\r\n  <version>0x1A2B</version>\r\n</update>\r\n",
                    "  \t<VERSION>ff</version>  ", "<version>12G</version>\n<version>5</version>",
                    "<version>5</VERSION>\nx <version>5</version>\n<version>5"};
    target.dictionary = {"<version>", "</version>", "<VERSION>", "\n", "\r\n", "\r", " ", "\t", "0x", "ff", "7",
                         std::string(1, '\0'), "\xA0"};
    target.maxSize = 512;
    fuzz::Run(target, [](const std::string& text, fuzz::Rng&) {
        unsigned long version = 12345;
        const bool found = FindVersionLine(text, version);
        if (!found) {
            EXPECT_EQ(12345u, version);
        }
        // Lines before it without the tag, and CR LF for LF, change nothing.
        for (const std::string& variant : {"unrelated\n" + text, "\n\n" + text, Replaced(text, "\n", "\r\n")}) {
            unsigned long again = 12345;
            EXPECT_EQ(found, FindVersionLine(variant, again)) << fuzz::Hex(variant);
            EXPECT_EQ(version, again) << fuzz::Hex(variant);
        }
    });
}

TEST(FuzzOnline, VersionNumbersReadBackAndGarbageReadsAsZero) {
    fuzz::Target target;
    target.name = "version-number";
    target.seeds = {"0x1A2B", "ff", "FFFFFFFF", "0", "12G", "0X1A", "", "0x"};
    target.dictionary = {"0x", "0", "f", "F", "9", "g", " ", "-", "+"};
    target.maxSize = 24;
    fuzz::Run(target, [](const std::string& text, fuzz::Rng& rng) {
        const unsigned long value = ParseVersionNumber(text);
        const std::string digits = text.compare(0, 2, "0x") == 0 ? text.substr(2) : text;
        if (!AllHex(digits)) {
            EXPECT_EQ(0u, value);
        }
        // Nine digits or more never read as a number: they would wrap.
        if (AllHex(digits) && digits.size() > 8) {
            EXPECT_EQ(0u, value) << text;
        }
        // Any number written in hexadecimal, in either case, with or without
        // "0x" and leading zeros, reads back as itself.
        const unsigned long number = static_cast<unsigned long>(rng.Next());
        char written[32];
        std::snprintf(written, sizeof written, rng.OneIn(2) ? "%s%0*lx" : "%s%0*lX", rng.OneIn(2) ? "0x" : "",
                      static_cast<int>(rng.Below(9)), number);
        EXPECT_EQ(number, ParseVersionNumber(written)) << written;
    });
}

std::string HostText(const std::string& text) {
    std::string host;
    for (char c : text)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') host += c;
    return host.empty() ? "h" : host.substr(0, 200);
}

TEST(FuzzOnline, TheProxyOfEachSchemeIsFoundInAnyValue) {
    fuzz::Target target;
    target.name = "proxy-value";
    target.seeds = {"proxy.example:3128", "http=h.example:80;https=s.example:443", " http://p.example:8080/ ",
                    "ftp=f:21", "HTTP=Upper:1;http=lower:2", ";;=;:", ""};
    target.dictionary = {";", "=", ":", "://", "/", " ", "http=", "https=", "65536", "0", "99999999999"};
    target.maxSize = 256;
    fuzz::Run(target, [](const std::string& value, fuzz::Rng& rng) {
        for (const char* scheme : {"http:", "https:", "", "ftp"}) {
            std::string host = "untouched";
            int port = -1;
            if (!ParseProxyServerValue(value, scheme, host, port)) {
                EXPECT_TRUE(value.find_first_of(";=") != std::string::npos) << value;
                continue;
            }
            EXPECT_GE(port, 0);
            EXPECT_LE(port, 65535);
            EXPECT_EQ(std::string::npos, host.find_first_of(":;")) << host;
        }
        // A list built from the value's text: each scheme gets its own entry,
        // whatever the spaces and the order.
        const std::string httpHost = HostText(value), httpsHost = HostText(value + "s");
        const int httpPort = 1 + static_cast<int>(rng.Below(65535)), httpsPort = 1 + static_cast<int>(rng.Below(65535));
        const std::string http = " http=" + httpHost + ":" + std::to_string(httpPort);
        const std::string https = "https=" + httpsHost + ":" + std::to_string(httpsPort) + " ";
        const std::string list = rng.OneIn(2) ? http + ";" + https : https + ";" + http;
        std::string host;
        int port = 0;
        ASSERT_TRUE(ParseProxyServerValue(list, "http:", host, port)) << list;
        EXPECT_EQ(httpHost, host) << list;
        EXPECT_EQ(httpPort, port) << list;
        ASSERT_TRUE(ParseProxyServerValue(list, "https:", host, port)) << list;
        EXPECT_EQ(httpsHost, host) << list;
        EXPECT_EQ(httpsPort, port) << list;
    });
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST(FuzzOnline, AServiceAddressReadsBackAndTheClientReachesItsHost) {
    fuzz::Target target;
    target.name = "service-address";
    target.seeds = {"http://127.0.0.1:8123", "http://update.ornava.com", "HTTPS://Mirror.Example:443/",
                    "http://h:0", "http://user@h", "ftp://h", "http://h/path", "http://:80"};
    target.dictionary = {"://", ":", "/", "@", "65535", "65536", "0", "http", "https", " ", "\t", "-", "."};
    target.maxSize = 300;
    fuzz::Run(target, [](const std::string& text, fuzz::Rng&) {
        ServiceAddress address;
        address.host = "untouched";
        if (!ParseServiceAddress(text, address)) {
            EXPECT_EQ("untouched", address.host);
            return;
        }
        EXPECT_TRUE(address.scheme == "http" || address.scheme == "https") << address.scheme;
        EXPECT_GE(address.port, 0);
        EXPECT_LE(address.port, 65535);
        ServiceAddress again;
        ASSERT_TRUE(ParseServiceAddress(ServiceBaseUrl(address), again)) << ServiceBaseUrl(address);
        EXPECT_EQ(address.scheme, again.scheme);
        EXPECT_EQ(address.host, again.host);
        EXPECT_EQ(address.port, again.port);
        if (address.scheme != "http") return;
        const HttpUrlParts parts = SplitHttpUrl(SubmissionServiceUrl(address));
        EXPECT_EQ(Upper(address.host), parts.host);
        EXPECT_EQ(address.port ? address.port : 80, parts.port);
        EXPECT_EQ(kSubmissionServicePath, parts.path);
    });
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The text of an encoded query value; false when it holds anything but the
// characters the encoding keeps and well-formed escapes.
bool DecodeQueryValue(const std::string& encoded, std::string& text) {
    static const std::string kKept = "-_.~/:@!$'()*,;";
    text.clear();
    for (size_t i = 0; i < encoded.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(encoded[i]);
        if (c == '%') {
            if (i + 2 >= encoded.size()) return false;
            const int high = HexValue(encoded[i + 1]), low = HexValue(encoded[i + 2]);
            if (high < 0 || low < 0) return false;
            text += static_cast<char>(high * 16 + low);
            i += 2;
        } else if ((c < 0x80 && std::isalnum(c)) || kKept.find(static_cast<char>(c)) != std::string::npos) {
            text += static_cast<char>(c);
        } else {
            return false;
        }
    }
    return true;
}

TEST(FuzzOnline, ASubmissionUrlCarriesEveryFieldWholeWithinTheClientsBound) {
    fuzz::Target target;
    target.name = "submission-url";
    // The first field is the service address the URL is made for, as the
    // settings give it.
    target.seeds = {fuzz::JoinFields({"http://127.0.0.1:8123", "Ornava Utilities",
                                      "http://www.ornava.example/?a=1&b=2", "3", "quillmark.exe",
                                      "Task manager & more: 100% \"quoted\"", "me@example.com", "p w"}),
                    fuzz::JoinFields({"http://h", "Caf\xE9", "", "-1", "caf\xE9.exe",
                                      std::string(1200, 'd'), "user", "qmpw"})};
    target.dictionary = {"&", "=", "?", "%", "#", "+", " ", "\r\n", "\xE9", "\x81\x40", std::string(400, 'x'),
                         std::string(1, '\0')};
    target.maxSize = 3000;
    fuzz::Run(target, [](const std::string& input, fuzz::Rng&) {
        std::vector<std::string> f = fuzz::Fields(input);
        f.resize(8);
        ServiceAddress address;
        if (!ParseServiceAddress(f[0], address)) ParseServiceAddress("http://127.0.0.1:8123", address);
        f[0] = SubmissionServiceUrl(address);
        ProgramEntry entry;
        entry.company = f[1];
        entry.url = f[2];
        entry.rating = f[3];
        entry.fileName = f[4];
        entry.description = f[5];
        const std::string url = BuildSubmissionUrl(f[0], entry, f[6], f[7]);
        const size_t servicePath = SplitHttpUrl(f[0]).path.size();
        size_t fixed = servicePath;
        for (size_t i : {1u, 2u, 3u, 4u, 6u, 7u}) fixed += EncodeQueryValue(f[i]).size();
        const size_t labels = std::string("?name=&url=&rating=&filename=&description=&username=&password=").size();
        if (url.empty()) {
            EXPECT_GT(fixed + labels, kHttpMaxPathLength);
            return;
        }
        // What the client sends is all of it.
        const std::string path = SplitHttpUrl(url).path;
        EXPECT_LE(path.size(), kHttpMaxPathLength);
        EXPECT_EQ(path.size(), servicePath + url.size() - f[0].size());
        ASSERT_EQ(0, url.compare(0, f[0].size(), f[0]));

        // Every value decodes to its field; the description to whole leading
        // characters of its own, as many as fit.
        const char* keys[] = {"?name=", "&url=", "&rating=", "&filename=", "&description=", "&username=", "&password="};
        const size_t fields[] = {1, 2, 3, 4, 5, 6, 7};
        size_t at = f[0].size();
        for (size_t k = 0; k < 7; ++k) {
            ASSERT_EQ(0, url.compare(at, std::strlen(keys[k]), keys[k])) << url;
            at += std::strlen(keys[k]);
            const size_t end = k + 1 < 7 ? url.find(keys[k + 1][0] == '&' ? "&" : "?", at) : url.size();
            std::string value;
            ASSERT_TRUE(DecodeQueryValue(url.substr(at, end - at), value)) << url.substr(at, end - at);
            if (fields[k] == 5) {
                EXPECT_EQ(0, f[5].compare(0, value.size(), value));
                if (value.size() < f[5].size()) {
                    EXPECT_GT(path.size() + 6, kHttpMaxPathLength);
                }
            } else {
                EXPECT_EQ(f[fields[k]], value) << keys[k];
            }
            at = end;
        }
    });
}

}  // namespace

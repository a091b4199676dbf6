#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PublisherProcess.h"
#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "platform/Registry.h"
#include "progdb/UrlFetcher.h"

using testutil::ReadFileBytes;
using testutil::ScratchDir;
using testutil::WriteFileBytes;

namespace {

const char kDatabase[] =
    "<?xml version=\"1.0\"?>\r\n<duzer><database><company><name>Acme</name><url>acme.example</url>"
    "<executable><rating>2</rating><filename>acme.exe</filename><description>Acme tool"
    "</description></executable></company></database></duzer>\r\n";

bool LooksLikeDatabase(const std::string& path) {
    return ReadFileBytes(path).find("<duzer>") != std::string::npos;
}

}  // namespace

TEST(VersionLine, FindsTrimmedTagInAnyCaseAndReadsHex) {
    unsigned long v = 99;
    EXPECT_TRUE(FindVersionLine("<?xml?>\r\n  \t<VERSION>0x1A</version>  \r\n", v));
    EXPECT_EQ(26u, v);
    EXPECT_TRUE(FindVersionLine("<version>ff</version>", v));
    EXPECT_EQ(255u, v);
    // Found, but not a number.
    v = 99;
    EXPECT_TRUE(FindVersionLine("<version>12G</version>\n<version>5</version>", v));
    EXPECT_EQ(0u, v);
    EXPECT_TRUE(FindVersionLine("<version></version>", v));
    EXPECT_EQ(0u, v);
    // The closing tag must be in lower case, and the opening tag must start the line.
    EXPECT_FALSE(FindVersionLine("<version>5</VERSION>\nx <version>5</version>\n<version>5", v));
    EXPECT_FALSE(FindVersionLine("", v));
    EXPECT_EQ(0u, ParseVersionNumber("0X1A"));  // only a lower-case x is a prefix
    // Eight digits at most: a ninth would wrap around 32 bits.
    EXPECT_EQ(0xFFFFFFFFul, ParseVersionNumber("FFFFFFFF"));
    EXPECT_EQ(0x12345678ul, ParseVersionNumber("0x12345678"));
    EXPECT_EQ(0u, ParseVersionNumber("100000001"));
    EXPECT_EQ(0u, ParseVersionNumber("0x000000001"));
}

TEST(ProxyValue, PlainEntryAndPerSchemeList) {
    std::string host;
    int port = -1;
    ASSERT_TRUE(ParseProxyServerValue("proxy.example:8080", "", host, port));
    EXPECT_EQ("proxy.example", host);
    EXPECT_EQ(8080, port);
    ASSERT_TRUE(ParseProxyServerValue("proxy.example", "http:", host, port));
    EXPECT_EQ("proxy.example", host);
    EXPECT_EQ(0, port);

    const std::string list = "ftp=f.example:21; HTTP=h.example:3128;https=s.example:443";
    ASSERT_TRUE(ParseProxyServerValue(list, "http:", host, port));
    EXPECT_EQ("h.example", host);
    EXPECT_EQ(3128, port);
    ASSERT_TRUE(ParseProxyServerValue(list, "https:", host, port));
    EXPECT_EQ("s.example", host);
    EXPECT_EQ(443, port);
    EXPECT_FALSE(ParseProxyServerValue("https=s.example:443", "http:", host, port));
    ASSERT_TRUE(ParseProxyServerValue("http=http://h.example:81/", "http:", host, port));
    EXPECT_EQ("h.example", host);
    EXPECT_EQ(81, port);
}

TEST(ProxyValue, UserChoiceWinsOnlyWhenSpecified) {
    UserProxySettings user;
    ProxyChoice c = ChooseProxy(user, true, true, "sys.example", 80);
    EXPECT_TRUE(c.use);
    EXPECT_EQ("sys.example", c.host);
    EXPECT_FALSE(ChooseProxy(user, false, true, "sys.example", 80).use);

    user.enableProxy = 1;
    user.proxySettings = 1;
    user.server = "mine.example";
    user.port = 3128;
    c = ChooseProxy(user, true, true, "sys.example", 80);
    EXPECT_TRUE(c.use);
    EXPECT_EQ("mine.example", c.host);
    EXPECT_EQ(3128, c.port);
    // "Specify" without a server means no proxy rather than a broken one.
    user.server = " ";
    EXPECT_FALSE(ChooseProxy(user, true, true, "sys.example", 80).use);
    // Auto-detect follows the system.
    user.proxySettings = 0;
    EXPECT_EQ("sys.example", ChooseProxy(user, true, true, "sys.example", 80).host);
}

namespace {
const std::string kInternetSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Puts the system's proxy values back as they were, also after a failure, so
// that later tests are not sent through a proxy.
class SystemProxyRestorer {
public:
    SystemProxyRestorer() {
        hadEnable_ = reg::ReadDword(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", enable_);
        hadServer_ = reg::ReadString(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer", server_);
    }
    ~SystemProxyRestorer() {
        if (hadEnable_) reg::WriteDword(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", enable_);
        else reg::DeleteValue(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable");
        if (hadServer_) reg::WriteString(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer", server_);
        else reg::DeleteValue(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer");
        testutil::ResetQuillmarkSettings();
    }

private:
    DWORD enable_ = 0;
    std::string server_;
    bool hadEnable_ = false, hadServer_ = false;
};
}  // namespace

TEST(ProxyValue, SystemAndUserSettingsAreRead) {
    const std::string& key = kInternetSettings;
    SystemProxyRestorer restore;

    ASSERT_TRUE(reg::WriteDword(HKEY_CURRENT_USER, key, "ProxyEnable", 1));
    ASSERT_TRUE(reg::WriteString(HKEY_CURRENT_USER, key, "ProxyServer", "http=sys.example:8080;ftp=x:1"));
    std::string host;
    int port = 0;
    EXPECT_TRUE(SystemProxyEnabled());
    EXPECT_TRUE(SystemProxyFor("", host, port));
    EXPECT_EQ("sys.example", host);
    EXPECT_EQ(8080, port);

    testutil::ResetQuillmarkSettings();
    AppSettings settings;
    EXPECT_EQ("sys.example", CurrentUpdateProxy(settings).host);
    settings::kEnableProxy.Write(settings, 1);
    settings::kProxySettings.Write(settings, 1);
    settings::kProxyServer.Write(settings, "user.example");
    settings::kProxyPort.Write(settings, 3128);
    ProxyChoice c = CurrentUpdateProxy(settings);
    EXPECT_EQ("user.example", c.host);
    EXPECT_EQ(3128, c.port);

    ASSERT_TRUE(reg::WriteDword(HKEY_CURRENT_USER, key, "ProxyEnable", 0));
    EXPECT_FALSE(SystemProxyEnabled());
}

TEST(UrlFetcher, FetchVersionFromThePublisher) {
    ScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("v.txt"), "<?xml version=\"1.0\"?>\r\n<info>\r\n"
                                                  "   <VERSION>0x1A</version>   \r\n</info>\r\n"));
    PublisherProcess service("--version-body \"" + dir.File("v.txt") + "\"");
    ASSERT_TRUE(service.Running());
    UrlFetcher fetcher;
    unsigned long v = 0;
    ASSERT_TRUE(fetcher.FetchVersion(service.Base() + "/getXML.aspx?username=qm&password=qm", v));
    EXPECT_EQ(26u, v);
    EXPECT_EQ(0u, fetcher.LastError());

    ASSERT_TRUE(WriteFileBytes(dir.File("v.txt"), "<version>12G</version>\r\n"));
    v = 7;
    EXPECT_TRUE(fetcher.FetchVersion(service.Base() + "/getXML.aspx", v));
    EXPECT_EQ(0u, v);

    // An answer without a version line is no service error.
    ASSERT_TRUE(WriteFileBytes(dir.File("v.txt"), "<html>maintenance</html>\r\n"));
    EXPECT_FALSE(fetcher.FetchVersion(service.Base() + "/getXML.aspx", v));
    EXPECT_EQ(0u, fetcher.LastError());
    ASSERT_EQ(3u, service.Requests().size());
    EXPECT_EQ("GET /getXML.aspx?username=qm&password=qm", service.Requests()[0]);
}

TEST(UrlFetcher, ClosedPortReportsTheServiceError) {
    int port;
    {
        PublisherProcess gone;
        ASSERT_TRUE(gone.Running());
        port = gone.Port();
    }
    UrlFetcher fetcher;
    unsigned long v = 0;
    EXPECT_FALSE(fetcher.FetchVersion("http://127.0.0.1:" + std::to_string(port) + "/getXML.aspx", v));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT), fetcher.LastError());
}

TEST(UrlFetcher, ProxyCarriesTheRequest) {
    PublisherProcess proxy("--version 2B");
    ASSERT_TRUE(proxy.Running());
    UrlFetcher fetcher;
    fetcher.SetProxy(true, "127.0.0.1", proxy.Port());
    unsigned long v = 0;
    ASSERT_TRUE(fetcher.FetchVersion("http://update.invalid/getXML.aspx?username=qm&password=qm", v));
    EXPECT_EQ(0x2Bu, v);
    ASSERT_EQ(1u, proxy.Requests().size());
    // The absolute form a proxy receives (the service may add the default port).
    const std::string line = proxy.Requests()[0];
    EXPECT_EQ(0u, line.find("GET http://update.invalid")) << line;
    EXPECT_NE(std::string::npos, line.find("/getXML.aspx?username=qm&password=qm")) << line;
}

TEST(UrlFetcher, DownloadReplacesOnlyWithAnAcceptedFile) {
    ScratchDir dir;
    const std::string served = dir.File("served.xml");
    const std::string target = dir.File("ornava-db.xml");
    ASSERT_TRUE(WriteFileBytes(target, "old good file"));
    PublisherProcess service("--db \"" + served + "\"");
    ASSERT_TRUE(service.Running());
    const std::string url = service.Base() + "/ornava-db.xml";

    UrlFetcher fetcher;
    fetcher.SetValidator(LooksLikeDatabase);
    // The server has no file: an error page must not replace the old file.
    EXPECT_FALSE(fetcher.Download(url, target));
    EXPECT_EQ("old good file", ReadFileBytes(target));
    EXPECT_FALSE(testutil::FileExists(target + ".new"));

    ASSERT_TRUE(WriteFileBytes(served, "<html>garbage</html>"));
    EXPECT_FALSE(fetcher.Download(url, target));
    EXPECT_EQ("old good file", ReadFileBytes(target));
    // Refused downloads leave nothing beside the target; a file of someone
    // else's under the name a fixed scheme would use is not touched.
    ASSERT_TRUE(WriteFileBytes(target + ".new", "not the fetcher's"));
    EXPECT_FALSE(fetcher.Download(url, target));
    EXPECT_EQ("not the fetcher's", ReadFileBytes(target + ".new"));
    ::DeleteFileA((target + ".new").c_str());
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA(dir.File("*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(found.cFileName);
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<std::string>{"ornava-db.xml", "served.xml"}), files);

    ASSERT_TRUE(WriteFileBytes(served, kDatabase));
    EXPECT_TRUE(fetcher.Download(url, target));
    EXPECT_EQ(kDatabase, ReadFileBytes(target));
    EXPECT_FALSE(testutil::FileExists(target + ".new"));

    // The first download into a data folder that does not exist yet.
    const std::string fresh = dir.File("Ornava Utilities\\Common\\ornava-db.xml");
    EXPECT_TRUE(fetcher.Download(url, fresh));
    EXPECT_EQ(kDatabase, ReadFileBytes(fresh));

    // A download over the size bound is refused.
    FetchLimits small;
    small.maxDownloadBytes = 16;
    UrlFetcher bounded(small);
    ASSERT_TRUE(WriteFileBytes(target, "old good file"));
    EXPECT_FALSE(bounded.Download(url, target));
    EXPECT_EQ("old good file", ReadFileBytes(target));
}

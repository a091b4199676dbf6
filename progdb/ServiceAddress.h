// Where the publisher's web service lives: a built-in address, which the
// settings can override ("OrnavaDB"/"ServiceUrl") so that a mirror or a local
// publisher service can be used.
#pragma once

#include <string>

#include "core/SettingsKeys.h"

constexpr const char kDefaultServiceUrl[] = "http://update.ornava.com";
// The fixed account of the version service (user name and password alike).
constexpr const char kVersionServiceAccount[] = "qm";
// Sent as the submission password when the settings hold none.
constexpr const char kDefaultSubmitUser[] = "user";
constexpr const char kDefaultSubmitPassword[] = "qmpw";

constexpr const char kVersionServicePath[] = "/getXML.aspx";
constexpr const char kDatabaseFilePath[] = "/ornava-db.xml";
constexpr const char kSubmissionServicePath[] = "/Runlatch/rlatprov1.aspx";

struct ServiceAddress {
    std::string scheme = "http";  // "http" or "https", lower case
    std::string host;
    int port = 0;                 // 0: the scheme's default
};

// Reads "scheme://host[:port][/]". False for anything else (other schemes,
// paths, user names, empty hosts, ports outside 1..65535).
bool ParseServiceAddress(const std::string& text, ServiceAddress& address);
// "scheme://host" with ":port" when one is given.
std::string ServiceBaseUrl(const ServiceAddress& address);

// The override from the settings when it parses, else the built-in address.
ServiceAddress CurrentServiceAddress(const AppSettings& settings);

std::string VersionServiceUrl(const ServiceAddress& address);
std::string DatabaseFileUrl(const ServiceAddress& address);
std::string SubmissionServiceUrl(const ServiceAddress& address);

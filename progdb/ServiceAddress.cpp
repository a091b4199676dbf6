#include "progdb/ServiceAddress.h"

#include <cctype>
#include <cstdlib>

#include "core/Text.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsHostText(const std::string& host) {
    if (host.empty() || host.size() > 253) return false;
    for (char c : host) {
        unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '-' && c != '.') return false;
    }
    return true;
}

}  // namespace

bool ParseServiceAddress(const std::string& text, ServiceAddress& address) {
    size_t sep = text.find("://");
    if (sep == std::string::npos) return false;
    ServiceAddress a;
    a.scheme = Lower(text.substr(0, sep));
    if (a.scheme != "http" && a.scheme != "https") return false;
    std::string rest = text.substr(sep + 3);
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    size_t colon = rest.find(':');
    a.host = rest.substr(0, colon);
    if (!IsHostText(a.host)) return false;
    if (colon != std::string::npos) {
        if (!ParsePortNumber(rest.substr(colon + 1), a.port)) return false;
    }
    address = a;
    return true;
}

std::string ServiceBaseUrl(const ServiceAddress& address) {
    std::string url = address.scheme + "://" + address.host;
    if (address.port) url += ":" + std::to_string(address.port);
    return url;
}

ServiceAddress CurrentServiceAddress(const AppSettings& settings) {
    ServiceAddress a;
    if (ParseServiceAddress(settings::kServiceUrl.Read(settings), a)) return a;
    ParseServiceAddress(kDefaultServiceUrl, a);
    return a;
}

std::string VersionServiceUrl(const ServiceAddress& address) {
    return ServiceBaseUrl(address) + kVersionServicePath + "?username=" + kVersionServiceAccount +
           "&password=" + kVersionServiceAccount;
}

std::string DatabaseFileUrl(const ServiceAddress& address) {
    return ServiceBaseUrl(address) + kDatabaseFilePath;
}

std::string SubmissionServiceUrl(const ServiceAddress& address) {
    return ServiceBaseUrl(address) + kSubmissionServicePath;
}

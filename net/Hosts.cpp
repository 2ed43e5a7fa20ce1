#include "net/Hosts.h"

#include <cstdlib>

namespace {

std::string HostOf(const char* variable, const char* builtIn) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0')
        return value;
    return builtIn;
}

} // namespace

std::string SiteHost() {
    return HostOf("ZENTRILO_SITE", ZENTRILO_SITE_DEFAULT);
}
std::string SiteHostRo() {
    return HostOf("ZENTRILO_SITE_RO", ZENTRILO_SITE_RO_DEFAULT);
}
std::string DetectHost() {
    return HostOf("ZENTRILO_DETECT_HOST", ZENTRILO_DETECT_HOST_DEFAULT);
}
std::string IndicatorHost() {
    return HostOf("ZENTRILO_INDICATOR_HOST", ZENTRILO_INDICATOR_HOST_DEFAULT);
}

std::string HttpUrl(const std::string& host, const std::string& pathAndQuery) {
    return "http://" + host + pathAndQuery;
}

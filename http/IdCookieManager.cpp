#include "http/IdCookieManager.h"

#include "http/IdAsciiCase.h"
#include "http/IdHTTPDate.h"
#include "http/IdHeaderList.h"

#include <algorithm>

namespace {

// "name=value" split and trimmed; a missing "=" gives an empty value.
void SplitPair(const std::string& pair, std::string& name, std::string& value) {
    const auto equals = pair.find('=');
    name = TrimText(pair.substr(0, equals));
    value = equals == std::string::npos ? std::string() : TrimText(pair.substr(equals + 1));
}

std::vector<std::string> SplitAttributes(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto semicolon = text.find(';', start);
        parts.push_back(text.substr(start, semicolon - start));
        if (semicolon == std::string::npos)
            return parts;
        start = semicolon + 1;
    }
}

} // namespace

void TIdCookieManager::AddServerCookie(const std::string& value, const std::string& host) {
    const std::vector<std::string> parts = SplitAttributes(value);
    Cookie cookie;
    SplitPair(parts[0], cookie.name, cookie.value);
    if (cookie.name.empty() || cookie.name.size() + cookie.value.size() > kMaxCookieBytes)
        return;
    cookie.domain = AsciiLower(host);
    bool expired = false;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::string name, attribute;
        SplitPair(parts[i], name, attribute);
        name = AsciiLower(name);
        if (name == "domain" && !attribute.empty()) {
            std::string domain = AsciiLower(attribute);
            if (domain.front() == '.')
                domain.erase(0, 1);
            cookie.domain = domain;
            cookie.hostOnly = false;
        } else if (name == "path" && !attribute.empty() && attribute.front() == '/') {
            cookie.path = attribute;
        } else if (name == "secure") {
            cookie.secure = true;
        } else if (name == "max-age") {
            expired = attribute.empty() || attribute.front() == '-' || attribute == "0";
        } else if (name == "expires") {
            const double when = ParseHttpDate(attribute);
            expired = when != 0 && when <= NowUtc();
        }
    }
    // A server may only set cookies for itself or a domain it belongs to.
    if (!DomainMatches(cookie, AsciiLower(host)))
        return;
    Replace(cookie, expired);
}

void TIdCookieManager::Replace(const Cookie& cookie, bool expired) {
    std::erase_if(cookies_, [&](const Cookie& c) {
        return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
    });
    if (expired)
        return;
    if (cookies_.size() == kMaxCookies)
        cookies_.erase(cookies_.begin());
    cookies_.push_back(cookie);
}

bool TIdCookieManager::DomainMatches(const Cookie& cookie, const std::string& host) {
    if (host == cookie.domain)
        return true;
    return !cookie.hostOnly && host.size() > cookie.domain.size() &&
           host.compare(host.size() - cookie.domain.size(), cookie.domain.size(), cookie.domain) ==
               0 &&
           host[host.size() - cookie.domain.size() - 1] == '.';
}

std::string TIdCookieManager::CookieHeader(const TIdURI& url) const {
    const std::string host = AsciiLower(url.Host);
    const std::string path = url.Path + url.Document;
    const bool secure = SameText(url.Protocol, "https");
    std::string header;
    for (const Cookie& cookie : cookies_) {
        const bool pathMatches = path.compare(0, cookie.path.size(), cookie.path) == 0 &&
                                 (path.size() == cookie.path.size() || cookie.path.back() == '/' ||
                                  path[cookie.path.size()] == '/');
        if (!DomainMatches(cookie, host) || !pathMatches || (cookie.secure && !secure))
            continue;
        header += (header.empty() ? "" : "; ") + cookie.name + "=" + cookie.value;
    }
    return header;
}

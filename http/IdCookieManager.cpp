#include "http/IdCookieManager.h"

#include "http/IdAsciiCase.h"
#include "http/IdHTTPDate.h"
#include "http/IdHeaderList.h"

#include <algorithm>

namespace {

// "name=value" split and trimmed; a missing "=" gives an empty value.
void SplitPair(std::string_view pair, std::string_view& name, std::string_view& value) {
    const auto equals = pair.find('=');
    name = TrimView(pair.substr(0, equals));
    value =
        equals == std::string_view::npos ? std::string_view() : TrimView(pair.substr(equals + 1));
}

} // namespace

void TIdCookieManager::AddServerCookie(const std::string& value, const std::string& host) {
    const std::string_view text = value;
    auto end = text.find(';');
    std::string_view name, content;
    SplitPair(text.substr(0, end), name, content);
    if (name.empty() || name.size() + content.size() > kMaxCookieBytes)
        return;
    const std::string lowerHost = AsciiLower(host);
    Cookie cookie;
    cookie.name = name;
    cookie.value = content;
    cookie.domain = lowerHost;
    bool expired = false;
    // The attributes, each after a ';'.
    while (end != std::string_view::npos) {
        const auto start = end + 1;
        end = text.find(';', start);
        std::string_view attribute;
        SplitPair(text.substr(start, end - start), name, attribute);
        if (SameText(name, "domain") && !attribute.empty()) {
            std::string domain = AsciiLower(std::string(attribute));
            if (domain.front() == '.')
                domain.erase(0, 1);
            cookie.domain = std::move(domain);
            cookie.hostOnly = false;
        } else if (SameText(name, "path") && !attribute.empty() && attribute.front() == '/') {
            cookie.path = attribute;
        } else if (SameText(name, "secure")) {
            cookie.secure = true;
        } else if (SameText(name, "max-age")) {
            expired = attribute.empty() || attribute.front() == '-' || attribute == "0";
        } else if (SameText(name, "expires")) {
            const double when = ParseHttpDate(std::string(attribute));
            expired = when != 0 && when <= NowUtc();
        }
    }
    // A server may only set cookies for itself or a domain it belongs to.
    if (!DomainMatches(cookie, lowerHost))
        return;
    Replace(std::move(cookie), expired);
}

void TIdCookieManager::Replace(Cookie cookie, bool expired) {
    std::erase_if(cookies_, [&](const Cookie& c) {
        return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
    });
    if (expired)
        return;
    if (cookies_.size() == kMaxCookies)
        cookies_.erase(cookies_.begin());
    cookies_.push_back(std::move(cookie));
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

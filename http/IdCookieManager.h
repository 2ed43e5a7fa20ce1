#pragma once
// A small cookie store owned by one HTTP client: it keeps what servers set and builds the
// "Cookie" line for later requests of the same client.

#include "http/IdURI.h"

#include <string>
#include <vector>

class TIdCookieManager {
public:
    // One "Set-cookie" or "Set-cookie2" value received from `host`.
    void AddServerCookie(const std::string& value, const std::string& host);
    // "name=value; ..." of every cookie that matches the URL; empty when none does.
    std::string CookieHeader(const TIdURI& url) const;
    std::size_t Count() const { return cookies_.size(); }

private:
    struct Cookie {
        std::string name;
        std::string value;
        std::string domain;
        std::string path = "/";
        bool hostOnly = true;
        bool secure = false;
    };

    static bool DomainMatches(const Cookie& cookie, const std::string& host);
    void Replace(const Cookie& cookie, bool expired);

    std::vector<Cookie> cookies_;
};

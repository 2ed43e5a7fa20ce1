#pragma once
// A small cookie store owned by one HTTP client: it keeps what servers set and builds the
// "Cookie" line for later requests of the same client.

#include "http/IdURI.h"

#include <string>
#include <vector>

class TIdCookieManager {
public:
    // What one client keeps at most, so that a server (or a stream of interim replies) cannot
    // grow the store without end: the oldest cookie makes room for a new one, and a cookie
    // whose name and value are larger together is refused.
    static constexpr std::size_t kMaxCookies = 50;
    static constexpr std::size_t kMaxCookieBytes = 4096;

    // One "Set-cookie" or "Set-cookie2" value received from `host`.
    void AddServerCookie(const std::string& value, const std::string& host);
    // "name=value; ..." of every cookie that matches the URL; empty when none does.
    std::string CookieHeader(const TIdURI& url) const;
    std::size_t Count() const { return cookies_.size(); }
    void Clear() { cookies_.clear(); }

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
    void Replace(Cookie cookie, bool expired);

    std::vector<Cookie> cookies_;
};

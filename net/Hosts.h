#pragma once
// The hosts the program talks to, each "host" or "host:port". The build sets the defaults; an
// environment variable of the same name, when set and not empty, overrides one at run time.
// An empty result means "not configured": requests to it fail at once.

#include <string>

std::string SiteHost();      // ZENTRILO_SITE: vendor's international site
std::string SiteHostRo();    // ZENTRILO_SITE_RO: vendor's Romanian site
std::string DetectHost();    // ZENTRILO_DETECT_HOST: vendor's detection service
std::string IndicatorHost(); // ZENTRILO_INDICATOR_HOST: presence indicator service

// "http://" + host + pathAndQuery; with an empty host the result is a URL that fails at once.
std::string HttpUrl(const std::string& host, const std::string& pathAndQuery);

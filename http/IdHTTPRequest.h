#pragma once
// The request record: the header values of the next request and the head built from them.

#include "http/IdHeaderList.h"
#include "http/IdStack.h"
#include "http/IdStream.h"

#include <cstdint>
#include <string>

class TIdHTTPRequest {
public:
    std::string RequestMethod;
    std::string RequestURL;
    TStream* SourceStream = nullptr;
    std::string Host;
    std::string Accept = "text/html, */*";
    std::string AcceptEncoding;
    std::string UserAgent = "Mozilla/3.0 (compatible; Zentrilo HTTP client)";
    std::string Connection;
    std::string ProxyConnection;
    std::int64_t ContentLength = -1;
    std::string Username;
    std::string Password;
    bool BasicAuthentication = false;
    std::string AcceptCharSet;
    std::string AcceptLanguage;
    std::string From;
    std::string Referer;
    std::string Range;
    std::string CacheControl;
    std::string ContentType;
    std::string ContentVersion;
    std::string ContentDisposition;
    std::string ContentEncoding;
    std::string ContentLanguage;
    std::string ETag;
    std::string Pragma;
    double Date = 0;
    double Expires = 0;
    double LastModified = 0;
    TIdIPVersion IPVersion = Id_IPv4;
    TIdHeaderList CustomHeaders{1024};
    TIdHeaderList HeaderLines{1024};

    // Rebuilds HeaderLines from the fields in the order they go out; empty ones are left out.
    void BuildHeaders();
};

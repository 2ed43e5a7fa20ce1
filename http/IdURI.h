#pragma once
// A URL split into its parts by separator characters alone: nothing is encoded, decoded,
// lower-cased or validated.

#include "http/IdStack.h"

#include <string>

class TIdURI {
public:
    TIdURI() = default;
    explicit TIdURI(const std::string& url);

    void ParseUrl(const std::string& url);
    // Path + document, then "?" + params when there are any: the request target.
    std::string PathAndQuery() const;
    std::string BuildUrl(bool withCredentials, bool withFragment) const;
    // Stores the full form as URL text and returns the form without credentials and fragment.
    std::string URI();

    std::string URL;
    std::string Protocol;
    std::string Username;
    std::string Password;
    std::string Host;
    std::string Port;
    std::string Path;
    std::string Document;
    std::string Params;
    std::string Bookmark; // the fragment
    TIdIPVersion IPVersion = Id_IPv4;

private:
    void SplitParams(std::string& rest);
    void SplitAuthority(std::string authority);
};

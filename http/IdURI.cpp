#include "http/IdURI.h"

#include "http/IdAsciiCase.h"
#include "http/IdExceptions.h"

#include <algorithm>

namespace {

// Text before the first `separator` goes to `before`; `text` keeps what follows it. Without
// the separator all of `text` goes to `before`.
void CutAt(std::string& text, char separator, std::string& before) {
    const auto at = text.find(separator);
    before = text.substr(0, at);
    text = at == std::string::npos ? std::string() : text.substr(at + 1);
}

} // namespace

TIdURI::TIdURI(const std::string& url) {
    if (!url.empty())
        ParseUrl(url);
}

void TIdURI::SplitParams(std::string& rest) {
    auto at = rest.find('?');
    if (at == std::string::npos)
        at = rest.find('=');
    if (at == std::string::npos)
        return;
    Params = rest.substr(at + 1);
    rest.resize(at);
}

void TIdURI::SplitAuthority(std::string authority) {
    const auto at = authority.find('@');
    if (at != std::string::npos) {
        std::string user = authority.substr(0, at);
        authority.erase(0, at + 1);
        CutAt(user, ':', Username);
        Password = Username.empty() ? std::string() : user;
    }
    const auto open = authority.find('[');
    const auto close = authority.find(']');
    if (open != std::string::npos && (close == std::string::npos || open < close)) {
        Host = authority.substr(open + 1, close == std::string::npos ? close : close - open - 1);
        std::string after =
            close == std::string::npos ? std::string() : authority.substr(close + 1);
        const auto colon = after.find(':');
        Port = colon == std::string::npos ? std::string() : after.substr(colon + 1);
        IPVersion = Id_IPv6;
        return;
    }
    CutAt(authority, ':', Host);
    Port = authority;
}

void TIdURI::ParseUrl(const std::string& url) {
    URL = url;
    std::replace(URL.begin(), URL.end(), '\\', '/');
    std::string rest = URL;
    Protocol.clear();
    Host.clear();
    Port.clear();
    Path.clear();
    Document.clear();
    Params.clear();
    Bookmark.clear();
    Username.clear();
    Password.clear();
    IPVersion = Id_IPv4;
    const auto scheme = rest.find("://");
    if (scheme != std::string::npos) {
        Protocol = rest.substr(0, scheme);
        rest.erase(0, scheme + 3);
        SplitParams(rest);
        std::string authority;
        CutAt(rest, '/', authority);
        SplitAuthority(authority);
        const auto slash = rest.rfind('/');
        Path = slash == std::string::npos ? std::string() : rest.substr(0, slash + 1);
        Path.insert(Path.begin(), '/');
        if (slash != std::string::npos)
            rest.erase(0, slash + 1);
    } else {
        SplitParams(rest);
        const auto slash = rest.rfind('/');
        if (slash != std::string::npos) {
            Path = rest.substr(0, slash + 1);
            rest.erase(0, slash + 1);
        }
    }
    const auto hash = rest.find('#');
    Document = rest.substr(0, hash);
    if (hash != std::string::npos)
        Bookmark = rest.substr(hash + 1);
}

std::string TIdURI::PathAndQuery() const {
    return Path + Document + (Params.empty() ? std::string() : "?" + Params);
}

std::string TIdURI::BuildUrl(bool withCredentials, bool withFragment) const {
    if (Protocol.empty())
        throw EIdURIException("Protocol field is empty");
    if (Host.empty())
        throw EIdURIException("Host field is empty");
    std::string url = Protocol + "://";
    if (withCredentials && !Username.empty())
        url += Username + (Password.empty() ? "" : ":" + Password) + "@";
    url += Host;
    const bool defaultPort = (SameText(Protocol, "HTTP") && Port == "80") ||
                             (SameText(Protocol, "HTTPS") && Port == "443") ||
                             (SameText(Protocol, "FTP") && Port == "21");
    if (!Port.empty() && !defaultPort)
        url += ":" + Port;
    url += PathAndQuery();
    if (withFragment && !Bookmark.empty())
        url += "#" + Bookmark;
    return url;
}

std::string TIdURI::URI() {
    URL = BuildUrl(true, true);
    return BuildUrl(false, false);
}

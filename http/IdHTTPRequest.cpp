#include "http/IdHTTPRequest.h"

#include "http/IdHTTPDate.h"

#include <string_view>

namespace {

std::string Base64(const std::string& text) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        std::uint32_t group = static_cast<std::uint8_t>(text[i]) << 16;
        if (i + 1 < text.size())
            group |= static_cast<std::uint8_t>(text[i + 1]) << 8;
        if (i + 2 < text.size())
            group |= static_cast<std::uint8_t>(text[i + 2]);
        for (std::size_t k = 0; k < 4; ++k)
            out += i + k <= text.size() ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

std::string DateText(double value) {
    return value == 0 ? std::string() : FormatHttpDate(value);
}

} // namespace

void TIdHTTPRequest::BuildHeaders() {
    HeaderLines.Clear();
    // Until the custom lines join, every name is new to the list: setting is appending.
    bool onlyOwnLines = true;
    auto set = [&](std::string_view name, const std::string& value) {
        if (onlyOwnLines)
            HeaderLines.AddValue(name, value);
        else
            HeaderLines.SetValue(name, value);
    };
    set("Connection", Connection);
    set("Content-Version", ContentVersion);
    set("Content-Disposition", ContentDisposition);
    set("Content-Encoding", ContentEncoding);
    set("Content-Language", ContentLanguage);
    set("Content-Type", ContentType);
    set("Content-Length", ContentLength >= 0 ? std::to_string(ContentLength) : std::string());
    set("Cache-control", CacheControl);
    set("Date", DateText(Date));
    set("ETag", ETag);
    set("Expires", DateText(Expires));
    set("Pragma", Pragma);
    for (const std::string& line : CustomHeaders.Lines()) {
        HeaderLines.Add(line);
        onlyOwnLines = false;
    }
    set("Proxy-Connection", ProxyConnection);
    set("Host", Host);
    set("Accept", Accept);
    set("Accept-Charset", AcceptCharSet);
    set("Accept-Encoding", AcceptEncoding);
    set("Accept-Language", AcceptLanguage);
    set("From", From);
    set("Referer", Referer);
    set("User-Agent", UserAgent);
    set("Range", Range.empty() ? std::string() : "bytes=" + Range);
    set("If-Modified-Since", DateText(LastModified));
    if (BasicAuthentication && !Username.empty())
        set("Authorization", "Basic " + Base64(Username + ":" + Password));
}

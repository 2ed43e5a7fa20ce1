#include "net/uNetUtils.h"

#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "net/FetchLimits.h"

#include <functional>

namespace {

constexpr const char* kUserAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.7) Gecko/20070914 Firefox/2.0.0.7";
constexpr int kConnectTimeoutMs = 1000;

enum class TAttempt { Returned, Raised, Abandoned };

TAttempt Attempt(const std::function<void()>& request) {
    try {
        request();
        return TAttempt::Returned;
    } catch (const EIdReadTimeout&) {
        return TAttempt::Abandoned;
    } catch (const EIdBodyTooLarge&) {
        return TAttempt::Abandoned;
    } catch (...) {
        return TAttempt::Raised;
    }
}

// One GET and, after a 301 or 302, one GET of its Location; true for a final status 200.
bool Fetch(const std::string& url,
           const std::function<void(TIdHTTP& http, const std::string& url)>& get) {
    TIdHTTP http;
    http.Request().UserAgent = kUserAgent;
    http.ConnectTimeout = kConnectTimeoutMs;
    http.ReadTimeout = FetchLimits().readTimeoutMs;
    http.MaxBodySize = FetchLimits().maxBodySize;
    http.MaxRequestMs = FetchLimits().requestTimeoutMs;
    TAttempt outcome = Attempt([&] { get(http, url); });
    if (outcome == TAttempt::Raised && (http.StatusCode() == 301 || http.StatusCode() == 302)) {
        const std::string location = http.Reply().Location;
        outcome = Attempt([&] { get(http, location); });
    }
    return outcome != TAttempt::Abandoned && http.StatusCode() == 200;
}

} // namespace

TFetchLimits& FetchLimits() {
    static TFetchLimits limits;
    return limits;
}

bool HttpGetText(const std::string& url, std::u16string& text) {
    text.clear();
    const bool ok = Fetch(
        url, [&](TIdHTTP& http, const std::string& target) { text = http.GetAsText(target); });
    if (!ok)
        text.clear();
    return ok;
}

bool HttpGetStream(const std::string& url, TMemoryStream& stream) {
    const bool ok = Fetch(url, [&](TIdHTTP& http, const std::string& target) {
        stream.Clear();
        http.GetIntoStream(target, &stream);
    });
    if (!ok)
        stream.Clear();
    return ok;
}

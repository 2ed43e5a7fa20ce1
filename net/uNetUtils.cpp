#include "net/uNetUtils.h"

#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "net/FetchLimits.h"

#ifdef ZENTRILO_TLS
#include "http/IdIOHandlerTLS.h"
#endif

#include <algorithm>
#include <functional>
#include <memory>

namespace {

constexpr const char* kUserAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.7) Gecko/20070914 Firefox/2.0.0.7";
constexpr int kConnectTimeoutMs = 1000;

constexpr const char* kBodyShort = "The connection closed before the whole body came.";

// Returned: the request ended normally. Refused: the client raised for the reply's status.
// Failed: the exchange broke (which may be after a 200 status line). Abandoned: see EIdCutShort.
enum class TAttempt { Returned, Refused, Failed, Abandoned };

// Runs one request; `failure` gets the message of what it raised (empty when it returned) and
// `errorBody` the body of a status that failed it.
TAttempt Attempt(const std::function<void()>& request, std::string& failure,
                 std::u16string& errorBody) {
    failure.clear();
    errorBody.clear();
    try {
        request();
        return TAttempt::Returned;
    } catch (const EIdCutShort& e) {
        // Whatever body came is not the reply, even after a 200 status line.
        failure = e.what();
        return TAttempt::Abandoned;
    } catch (const EIdHTTPProtocolException& e) {
        failure = e.what();
        errorBody = e.ReplyBody();
        return TAttempt::Refused;
    } catch (const std::exception& e) {
        failure = e.what();
        return TAttempt::Failed;
    }
}

// A server's status line or a socket message made safe to print on one line: runs of control
// characters become one space (the socket messages hold a line break), bytes outside ASCII
// become '?' as in the client's 7-bit text.
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
        } else {
            line += byte < 0x80 ? c : '?';
        }
    }
    if (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// One GET and, after a 301 or 302, one GET of its Location; true for a final status 200.
bool Fetch(const std::string& url, const TFetchControl& control,
           const std::function<void(TIdHTTP& http, const std::string& url)>& get) {
    const TIdDeadline bound(FetchLimits().callTimeoutMs, control.cancel);
    TIdHTTP http;
    http.Request().UserAgent = kUserAgent;
    http.ConnectTimeout = kConnectTimeoutMs;
    http.ReadTimeout = FetchLimits().readTimeoutMs;
    http.MaxBodySize = FetchLimits().maxBodySize;
    http.SetDeadline(&bound);
#ifdef ZENTRILO_TLS
    http.SetIOHandler(std::make_unique<TIdIOHandlerTLS>());
#endif
    std::string failure;
    std::u16string errorBody;
    TAttempt outcome = Attempt([&] { get(http, url); }, failure, errorBody);
    if ((outcome == TAttempt::Refused || outcome == TAttempt::Failed) &&
        (http.StatusCode() == 301 || http.StatusCode() == 302)) {
        const std::string location = http.Reply().Location;
        outcome = Attempt([&] { get(http, location); }, failure, errorBody);
    }
    const bool ok = outcome != TAttempt::Abandoned && http.StatusCode() == 200;
    if (control.failure) {
        // A 200 reply whose body broke stays true, as callers of the plain helpers expect; the
        // reason tells the callers that need the whole body.
        if (!ok)
            *control.failure = OneLine(failure.empty() ? http.StatusLine() : failure);
        else if (outcome == TAttempt::Failed)
            *control.failure = OneLine(failure);
        else
            *control.failure = http.Reply().BodyShort ? kBodyShort : std::string();
    }
    if (control.status)
        *control.status = std::max(http.StatusCode(), 0);
    if (control.errorBody)
        *control.errorBody = ok ? std::u16string() : errorBody;
    return ok;
}

} // namespace

TFetchLimits& FetchLimits() {
    static TFetchLimits limits;
    return limits;
}

bool HttpGetText(const std::string& url, std::u16string& text) {
    return HttpGetTextEx(url, text, {});
}

bool HttpGetTextEx(const std::string& url, std::u16string& text, const TFetchControl& control) {
    text.clear();
    const bool ok = Fetch(url, control, [&](TIdHTTP& http, const std::string& target) {
        text = http.GetAsText(target);
    });
    if (!ok)
        text.clear();
    return ok;
}

bool HttpGetStream(const std::string& url, TMemoryStream& stream) {
    return HttpGetStreamEx(url, stream, {});
}

bool HttpGetStreamEx(const std::string& url, TMemoryStream& stream, const TFetchControl& control) {
    const bool ok = Fetch(url, control, [&](TIdHTTP& http, const std::string& target) {
        stream.Clear();
        http.GetIntoStream(target, &stream);
    });
    if (!ok)
        stream.Clear();
    return ok;
}

void ReleaseFetchThreadState() {
#ifdef ZENTRILO_TLS
    TIdIOHandlerTLS::ReleaseThreadState();
#endif
}

#include "http/IdHTTP.h"

#include "http/IdAsciiCase.h"
#include "http/IdExceptions.h"

#include <algorithm>
#include <charconv>

namespace {

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 32; });
}

bool IsHttps(const std::string& protocol) {
    return SameText(protocol, "HTTPS");
}

// The port of a URL that names none: 443 for https, 80 for anything else. A port text that
// equals it is left out of the Host line.
const char* DefaultPort(const std::string& protocol) {
    return IsHttps(protocol) ? "443" : "80";
}

// A port text as a number: not a number counts as the scheme's default; outside 0..65535 is a
// range error.
std::uint16_t PortNumber(const std::string& text, const std::string& protocol) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range)
        throw ERangeError();
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return IsHttps(protocol) ? 443 : 80;
    if (value < 0 || value > 65535)
        throw ERangeError();
    return static_cast<std::uint16_t>(value);
}

bool FirstWordIsScheme(const std::string& value) {
    const std::string word = value.substr(0, value.find(' '));
    return SameText(word, "Basic") || SameText(word, "Digest") || SameText(word, "NTLM");
}

bool Ignored(int code, const std::vector<std::int16_t>& ignore) {
    return std::find(ignore.begin(), ignore.end(), code) != ignore.end();
}

} // namespace

TIdCustomHTTP::TIdCustomHTTP() : reply_(*this) {}

TIdCustomHTTP::~TIdCustomHTTP() {
    CloseConnection();
}

void TIdCustomHTTP::DoStatus(TIdStatus status, const std::string& text) {
    if (OnStatus)
        OnStatus(status, StatusText(status, text));
}

std::u16string TIdCustomHTTP::GetAsText(const std::string& url,
                                        const std::vector<std::int16_t>& ignore) {
    TMemoryStream stream;
    GetIntoStream(url, &stream, ignore);
    return DecodeText(stream.Memory(), stream.Bytes().size(), CharsetEncoding(reply_.ContentType));
}

void TIdCustomHTTP::GetIntoStream(const std::string& url, TStream* stream,
                                  const std::vector<std::int16_t>& ignore) {
    if (stream == nullptr)
        throw EIdException("Destination stream is required.");
    ExecuteRequest("GET", url, stream, ignore);
}

void TIdCustomHTTP::ExecuteRequest(const std::string& method, const std::string& url, TStream* body,
                                   const std::vector<std::int16_t>& ignore) {
    redirectCount_ = 0;
    authRetries_ = 0;
    proxyAuthRetries_ = 0;
    const std::int64_t start = body ? body->Position() : 0;
    request_.RequestURL = url;
    request_.RequestMethod = method;
    request_.SourceStream = nullptr;
    reply_.BodyStream = body;
    failure_.reset();
    try {
        for (;;) {
            ExchangeOnce();
            const TNextStep step = DecideNextStep(ignore);
            if (step == nsDone)
                break;
            if (step == nsFollowLocation) {
                body->SetPosition(start);
                body->SetSize(start);
                authRetries_ = 0;
                proxyAuthRetries_ = 0;
            } else {
                request_.RequestURL = url;
            }
        }
    } catch (const EIdCutShort&) {
        // The next request on this connection would read the rest of this reply.
        CloseConnection();
        throw;
    } catch (...) {
        EndRequest();
        throw;
    }
    EndRequest();
    // A status that fails the request is raised here, after the connection was settled, not
    // caught and raised again on the way: it is a common end of a request.
    if (failure_) {
        EIdHTTPProtocolException failure = std::move(*failure_);
        failure_.reset();
        throw failure;
    }
}

void TIdCustomHTTP::ExchangeOnce() {
    PrepareTarget();
    if (!StartRequest()) { // a new connection: nothing to try again on
        ReadStatusAndHeaders();
        return;
    }
    try {
        ReadStatusAndHeaders();
    } catch (const EIdException& e) {
        // A kept connection the server closed just before our request is no failure of the
        // request: it goes once more on a new connection, as long as nothing came back yet.
        const bool closedUnderUs = dynamic_cast<const EIdConnClosedGracefully*>(&e) != nullptr ||
                                   dynamic_cast<const EIdSocketError*>(&e) != nullptr;
        if (!closedUnderUs || !IOHandler() || !IOHandler()->InputBufferEmpty())
            throw;
        CloseConnection();
        StartRequest();
        ReadStatusAndHeaders();
    }
}

void TIdCustomHTTP::ReadStatusAndHeaders() {
    do {
        reply_.StatusLine = reply_.ReadLine();
        reply_.ReadResponseHeaders();
        StoreCookies();
    } while (reply_.StatusCode() == 100);
}

void TIdCustomHTTP::EndRequest() {
    if (!reply_.EvaluateKeepConnection())
        CloseConnection();
}

void TIdCustomHTTP::PrepareTarget() {
    const TIdURI split(request_.RequestURL);
    if (!split.Username.empty()) {
        request_.Username = split.Username;
        request_.Password = split.Password;
    }
    url_.Username = request_.Username;
    url_.Password = request_.Password;
    url_.Path = !split.Path.empty() && split.Path[0] == '/' ? split.Path : url_.Path + split.Path;
    url_.Document = split.Document;
    url_.Params = split.Params;
    if (!split.Host.empty())
        url_.Host = split.Host;
    if (!split.Protocol.empty())
        url_.Protocol = split.Protocol;
    else
        url_.Protocol = SameText(url_.Protocol, "https") ? "https" : "http";
    if (!split.Port.empty())
        url_.Port = split.Port;
    else if (SameText(split.Protocol, "http"))
        url_.Port = "80";
    else if (SameText(split.Protocol, "https"))
        url_.Port = "443";
    else if (url_.Port.empty())
        throw EIdUnknownProtocol();
    request_.RequestURL = url_.PathAndQuery();
    request_.IPVersion = split.IPVersion;
    url_.IPVersion = split.IPVersion;
    request_.ContentLength = request_.SourceStream ? request_.SourceStream->Size() : -1;
    const std::string host = url_.IPVersion == Id_IPv6 ? "[" + url_.Host + "]" : url_.Host;
    request_.Host = url_.Port == DefaultPort(url_.Protocol) ? host : host + ":" + url_.Port;
    // Control characters in the target or the host would smuggle header lines.
    if (HasControlCharacter(request_.RequestURL) || HasControlCharacter(request_.Host))
        throw EIdInvalidRequestTarget();
}

void TIdCustomHTTP::SelectEndpoint() {
    TIdSocketHandle* binding = IOHandler() ? IOHandler()->Binding() : nullptr;
    if (binding && binding->HandleAllocated() && binding->IPVersion != url_.IPVersion)
        CloseConnection();
    const bool tls = IsHttps(url_.Protocol);
    const std::uint16_t port = PortNumber(url_.Port, url_.Protocol);
    // A plain connection cannot carry a TLS request, nor the other way round.
    if (IOHandler() && IOHandler()->Opened() &&
        (!SameText(Host, url_.Host) || Port != port || IOHandler()->PassThrough == tls))
        CloseConnection();
    if (tls && !(IOHandler() && IOHandler()->TLSCapable()))
        throw EIdIOHandlerPropInvalid();
    if (IOHandler())
        IOHandler()->PassThrough = !tls;
    Host = url_.Host;
    Port = port;
}

bool TIdCustomHTTP::StartRequest() {
    SelectEndpoint();
    if (ProtocolVersion == pv1_0 && request_.Connection.empty())
        request_.Connection = "keep-alive";
    if (request_.AcceptEncoding.empty())
        request_.AcceptEncoding = "identity";
    else if (request_.AcceptEncoding.find("identity") == std::string::npos)
        request_.AcceptEncoding += ", identity";
    const bool reused = EnsureConnected();
    SendRequestHead();
    return reused;
}

bool TIdCustomHTTP::EnsureConnected() {
    if (!reply_.EvaluateKeepConnection())
        CloseConnection();
    if (IOHandler())
        IOHandler()->CheckDisconnect(false, false);
    if (IsConnected())
        return true;
    IPVersion = url_.IPVersion;
    OpenConnection();
    return false;
}

void TIdCustomHTTP::SendRequestHead() {
    request_.BuildHeaders();
    if (cookies_) {
        const std::string cookie = cookies_->CookieHeader(url_);
        if (!cookie.empty())
            request_.HeaderLines.SetValue("Cookie", cookie);
    }
    TIdIOHandler& io = *IOHandler();
    io.BeginWriteBuffering();
    try {
        io.WriteLine(request_.RequestMethod + " " + request_.RequestURL + " HTTP/" +
                     (ProtocolVersion == pv1_0 ? "1.0" : "1.1"));
        for (const std::string& line : request_.HeaderLines.Lines())
            if (!line.empty())
                io.WriteLine(line);
        io.WriteLine("");
        io.FlushWriteBuffer();
    } catch (...) {
        io.CancelWriteBuffer();
        throw;
    }
}

TNextStep TIdCustomHTTP::DecideNextStep(const std::vector<std::int16_t>& ignore) {
    const int code = reply_.StatusCode();
    const int codeClass = code / 100;
    if ((codeClass == 3 && code != 304) || !reply_.Location.empty())
        return DecideRedirect(code, ignore);
    authNeeded_ = false;
    if (codeClass != 2) {
        if (code != 401 && code != 407) {
            FailUnlessIgnored(code, codeClass == 1 || code == 304 ? 100 : 0, ignore);
            return nsDone;
        }
        if (!DecideAuthorization(code, ignore))
            return nsDone;
    }
    if (authNeeded_) {
        reply_.DiscardBody(0);
        return nsRetryWithAuth;
    }
    if (request_.RequestMethod == "HEAD" || code == 204) {
        reply_.DiscardBody(100);
        return nsDone;
    }
    reply_.ReadBody(0);
    return nsDone;
}

TNextStep TIdCustomHTTP::DecideRedirect(int code, const std::vector<std::int16_t>& ignore) {
    ++redirectCount_;
    std::string target = reply_.Location;
    std::string method = request_.RequestMethod;
    bool handled = HandleRedirects;
    if (OnRedirect)
        OnRedirect(target, method, redirectCount_, handled);
    if (!handled) {
        FailUnlessIgnored(code, 0, ignore);
        return nsDone;
    }
    TNextStep step = nsDone;
    if (HandleRedirects && redirectCount_ < RedirectMaximum) {
        request_.RequestURL = target;
        request_.RequestMethod = method;
        step = nsFollowLocation;
    } else {
        reply_.Location = target;
    }
    if (IsConnected())
        reply_.DiscardBody(5000);
    return step;
}

bool TIdCustomHTTP::DecideAuthorization(int code, const std::vector<std::int16_t>& ignore) {
    const bool proxy = code == 407;
    int& retries = proxy ? proxyAuthRetries_ : authRetries_;
    const auto& offers = proxy ? reply_.ProxyAuthenticate : reply_.WWWAuthenticate;
    const std::string password = proxy ? ProxyParams.ProxyPassword : request_.Password;
    bool accepted = false;
    if (retries < MaxAuthRetries) {
        ++retries;
        // Only Basic is computed here; the other registered schemes decline.
        const auto offer = std::find_if(offers.begin(), offers.end(), FirstWordIsScheme);
        accepted = offer != offers.end() && SameText(offer->substr(0, 5), "Basic") &&
                   !TrimText(password).empty() && !proxy;
    }
    if (!accepted) {
        request_.BasicAuthentication = false;
        FailUnlessIgnored(code, 0, ignore);
        return false;
    }
    request_.BasicAuthentication = true;
    authNeeded_ = (HTTPOptions & hoInProcessAuth) != 0;
    return true;
}

void TIdCustomHTTP::FailUnlessIgnored(int code, int waitMs,
                                      const std::vector<std::int16_t>& ignore) {
    TMemoryStream body;
    TStream* saved = reply_.BodyStream;
    reply_.BodyStream = &body;
    try {
        reply_.ReadBody(waitMs);
    } catch (...) {
        reply_.BodyStream = saved;
        throw;
    }
    reply_.BodyStream = saved;
    if (Ignored(code, ignore))
        return;
    failure_.emplace(
        reply_.StatusLine, code,
        DecodeText(body.Memory(), body.Bytes().size(), CharsetEncoding(reply_.ContentType)));
}

void TIdCustomHTTP::ClearCookies() {
    if (cookies_)
        cookies_->Clear();
}

void TIdCustomHTTP::StoreCookies() {
    if (!cookies_ && AllowCookies)
        cookies_ = std::make_unique<TIdCookieManager>();
    if (!cookies_)
        return;
    for (const char* name : {"Set-cookie", "Set-cookie2"})
        reply_.HeaderLines.ForEachValue(name, [this](const std::string& value) {
            cookies_->AddServerCookie(value, url_.Host);
        });
}

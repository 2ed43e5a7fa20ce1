#pragma once
// The blocking HTTP/1.1 client: one GET at a time over a connection it opens and owns.

#include "http/IdCookieManager.h"
#include "http/IdExceptions.h"
#include "http/IdHTTPRequest.h"
#include "http/IdHTTPResponse.h"
#include "http/IdTCPClient.h"
#include "http/IdURI.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum TIdHTTPProtocolVersion { pv1_0, pv1_1 };
enum TIdHTTPOption { hoInProcessAuth = 1, hoKeepOrigProtocol = 2, hoForceEncodeParams = 4 };
enum TNextStep { nsFollowLocation, nsDone, nsRetryWithAuth };

struct TIdProxyConnectionInfo {
    std::string ProxyServer;
    std::uint16_t ProxyPort = 0;
    std::string ProxyUsername;
    std::string ProxyPassword;
    bool BasicAuthentication = false;
};

// Receives the target, the method and the redirect count; may change them and the answer.
using TIdRedirectEvent =
    std::function<void(std::string& target, std::string& method, int count, bool& handled)>;

class TIdCustomHTTP : public TIdTCPClientCustom {
public:
    TIdCustomHTTP();
    ~TIdCustomHTTP() override;

    TIdHTTPProtocolVersion ProtocolVersion = pv1_1;
    bool HandleRedirects = false;
    int RedirectMaximum = 15;
    int MaxAuthRetries = 3;
    bool AllowCookies = true;
    int HTTPOptions = hoForceEncodeParams; // set of TIdHTTPOption
    int HeaderLineLimit = 255;
    TIdProxyConnectionInfo ProxyParams;
    // Most body bytes taken from one response; 0 takes any amount.
    std::int64_t MaxBodySize = 0;
    TIdRedirectEvent OnRedirect;

    std::u16string GetAsText(const std::string& url, const std::vector<std::int16_t>& ignore = {});
    void GetIntoStream(const std::string& url, TStream* stream,
                       const std::vector<std::int16_t>& ignore = {});

    int StatusCode() const { return reply_.StatusCode(); }
    const std::string& StatusLine() const { return reply_.StatusLine; }
    TIdHTTPResponse& Reply() { return reply_; }
    TIdHTTPRequest& Request() { return request_; }
    const TIdURI& URL() const { return url_; }
    const TIdCookieManager* CookieManager() const { return cookies_.get(); }
    // Forgets every cookie servers have set on this client.
    void ClearCookies();

    void DoStatus(TIdStatus status, const std::string& text);

private:
    void ExecuteRequest(const std::string& method, const std::string& url, TStream* body,
                        const std::vector<std::int16_t>& ignore);
    void ExchangeOnce();
    void ReadStatusAndHeaders();
    void EndRequest();
    void PrepareTarget();
    // Both true when the request went out on a connection kept from an earlier one.
    bool StartRequest();
    void SelectEndpoint();
    bool EnsureConnected();
    void SendRequestHead();
    TNextStep DecideNextStep(const std::vector<std::int16_t>& ignore);
    TNextStep DecideRedirect(int code, const std::vector<std::int16_t>& ignore);
    // 401 and 407: true when the request is to be repeated with credentials.
    bool DecideAuthorization(int code, const std::vector<std::int16_t>& ignore);
    // Reads the failed reply's body; unless the code is ignored, the request ends with
    // EIdHTTPProtocolException once the connection is settled.
    void FailUnlessIgnored(int code, int waitMs, const std::vector<std::int16_t>& ignore);
    void StoreCookies();

    TIdHTTPRequest request_;
    TIdHTTPResponse reply_;
    TIdURI url_;
    std::unique_ptr<TIdCookieManager> cookies_;
    int redirectCount_ = 0;
    int authRetries_ = 0;
    int proxyAuthRetries_ = 0;
    bool authNeeded_ = false;
    // The failure this request ends with, raised after its last step.
    std::optional<EIdHTTPProtocolException> failure_;
};

class TIdHTTP : public TIdCustomHTTP {};

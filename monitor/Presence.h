#pragma once
// Presence queries: one Yahoo! ID to a status code. Every failure is bsError; nothing raises.
// A query is made on the window's thread, where the service is chosen and the URL built, and
// may run on any thread, under a cancel token.

#include "monitor/BuddyStatus.h"
#include "net/uNetUtils.h"

#include <functional>
#include <string>
#include <vector>

// How every query fetches a URL; HttpGetTextEx unless a test or a fuzz target installs another.
using TextFetcher =
    std::function<bool(const std::string& url, std::u16string& text, const TFetchControl& control)>;
void SetPresenceFetcher(TextFetcher fetcher); // an empty fetcher restores HttpGetTextEx

// A request that gave no status: the URL asked and why, on one line.
struct TQueryFailure {
    std::string url;
    std::string reason;
};

struct TPresenceAnswer {
    TBuddyStatus code = bsError;
    std::vector<TQueryFailure> failures; // in the order the requests were made
};

class TPresenceQuery {
public:
    // Asks the requests in order until one finds the ID online; the last answer is the status.
    TPresenceAnswer Run(const TIdDeadline* cancel = nullptr) const;

private:
    enum class TService { Indicator, Detection };
    struct TRequest {
        TService service;
        std::string url;
    };

    TPresenceQuery() = default;
    static TPresenceQuery Of(TService service, const std::string& url);
    TBuddyStatus Ask(const TRequest& request, const TIdDeadline* cancel,
                     std::vector<TQueryFailure>& failures) const;

    std::vector<TRequest> requests_;
    TextFetcher fetcher_; // the one installed when the query was made

    friend TPresenceQuery QueryIndicator(const QString& id);
    friend TPresenceQuery QueryStatusService(const QString& id, bool invisibleScan);
    friend TPresenceQuery OneOffCheck(const QString& id);
};

// By SiteScan as it is now: the detection service with invisible detection off, or the
// indicator service.
TPresenceQuery QueryStatus(const QString& id);
TPresenceQuery QueryIndicator(const QString& id);
TPresenceQuery QueryStatusService(const QString& id, bool invisibleScan);

// The one-off check of any typed ID: QueryStatus, then, unless that found the ID online, the
// detection service with invisible detection on, whose answer (an error included) is final.
TPresenceQuery OneOffCheck(const QString& id);

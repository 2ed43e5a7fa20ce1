#pragma once
// One ID asked of one presence source: the periodic check, the one-off check, a test of a source
// and zentrilo-check all ask through a TSourceQuery. It is made where it is asked for (on the
// window's thread), where the source, the address and the fetchers are chosen, and may run on any
// thread under a cancel token. Nothing raises: every failure is ERROR with its reason, which is
// put into words where it is shown.

#include "monitor/Presence.h"
#include "monitor/SourceCatalogue.h"
#include "net/uNetUtils.h"

#include <QByteArray>

#include <functional>
#include <string>
#include <vector>

struct TSourceOutcome {
    TBuddyStatus Status = bsError;
    TPresenceFailure Failure = TPresenceFailure::None;
    QString Detail;     // one printable line; see TPresenceFailure
    QString Host;       // the host asked last, as the address names it
    int HttpStatus = 0; // of a source's reply; 0 when none came
    QByteArray Reply;   // the body of a source's reply, whatever its status
    // The program's own service: each of its requests that gave no status, in the order made.
    std::vector<TQueryFailure> FailedRequests;

    // The start of the reply as plain text, for a test of a source.
    QString ReplyStart() const;

    // The service asked the program to slow down: the entry asks again no sooner than
    // kTooManyRequestsPauseMs later.
    bool TooManyRequests() const { return HttpStatus == 429; }
};

constexpr int kTooManyRequestsPauseMs = 60000;

// How a source's query fetches its reply: true with the body for a final 200, as
// HttpGetStreamEx; the body of another final status goes to the control's errorBody. Tests install
// another; an empty fetcher restores the real one. A query uses the one installed when it was made.
using TSourceFetcher =
    std::function<bool(const std::string& url, QByteArray& body, const TFetchControl& control)>;
void SetSourceFetcher(TSourceFetcher fetcher);

class TSourceQuery {
public:
    // The source of that name in the catalogue (an empty name is the program's own service,
    // asked by SiteScan); a name the catalogue does not know is ERROR without a fetch.
    static TSourceQuery Of(const TSourceCatalogue& catalogue, const QString& sourceName,
                           const QString& id);
    // The one-off check: as Of, but the program's own service adds its invisible scan.
    static TSourceQuery OneOff(const TSourceCatalogue& catalogue, const QString& sourceName,
                               const QString& id);
    // That definition as it is, stored or not.
    static TSourceQuery Of(const TPresenceSource& source, const QString& id);
    // One of the program's own service's queries.
    static TSourceQuery Own(TPresenceQuery query);

    TSourceOutcome Run(const TIdDeadline* cancel = nullptr) const;

private:
    using TRun = std::function<TSourceOutcome(const TIdDeadline* cancel)>;
    explicit TSourceQuery(TRun run) : run_(std::move(run)) {}
    static TSourceQuery Failing(TPresenceFailure failure, const QString& detail);

    TRun run_;
};

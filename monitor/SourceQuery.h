#pragma once
// One ID asked of one presence source. Nothing raises: every failure is ERROR with its reason.
// The queries may run on any thread; the reason is put into words where it is shown.

#include "monitor/SourceCatalogue.h"
#include "net/uNetUtils.h"

#include <QByteArray>

#include <functional>
#include <string>

struct TSourceOutcome {
    TBuddyStatus Status = bsError;
    TPresenceFailure Failure = TPresenceFailure::None;
    QString Detail;     // one printable line; see TPresenceFailure
    int HttpStatus = 0; // of the reply; 0 when none came
    QByteArray Reply;   // the body of a 200 reply

    // The start of the reply as plain text, for a test of a source.
    QString ReplyStart() const;

    // The service asked the program to slow down: the entry asks again no sooner than
    // kTooManyRequestsPauseMs later.
    bool TooManyRequests() const { return HttpStatus == 429; }
};

constexpr int kTooManyRequestsPauseMs = 60000;

// How a source's query fetches its reply: true with the body for a final 200, as
// HttpGetStreamEx. Tests install another; an empty fetcher restores the real one.
using TSourceFetcher =
    std::function<bool(const std::string& url, QByteArray& body, const TFetchControl& control)>;
void SetSourceFetcher(TSourceFetcher fetcher);

// Asks a preset's or a user's source. `control` may carry a cancel token; its failure and status,
// when given, receive the fetch's as well.
TSourceOutcome QuerySource(const TPresenceSource& source, const QString& id,
                           const TFetchControl& control = {});

// Asks the source of that name in the catalogue: the program's own service through QueryStatus,
// any other through QuerySource; a name the catalogue does not know is ERROR.
TSourceOutcome QueryThroughSource(const TSourceCatalogue& catalogue, const QString& sourceName,
                                  const QString& id, const TFetchControl& control = {});

// Why the outcome is ERROR, as one line in the current language; empty when it is not.
QString FailureText(const TSourceOutcome& outcome);

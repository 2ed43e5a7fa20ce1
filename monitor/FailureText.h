#pragma once
// Why a check failed, in words a user reads in the current language. A failed fetch is said in
// plain words first, with the client's own message kept after it in parentheses ("The server did
// not answer in time (Read timed out.)"), so that nothing of the detail is lost; a reply the
// rule cannot read says what the rule expected. One table holds every wording.

#include "monitor/PresenceRule.h"

#include <QString>

struct TSourceOutcome;

// A client's failure message (as the fetch helpers give it: an exception's message or a final
// status line) in plain words, the message in parentheses after them. `host`, when known, is
// named where it is the likely fault.
QString PlainFailure(const QString& clientMessage, const QString& host = {});

// Why a status is ERROR, as one line; empty when there is no reason. `host`: the host asked.
QString FailureText(TPresenceFailure failure, const QString& detail, const QString& host = {});
QString FailureText(const TSourceOutcome& outcome);

// The same for a terminal: a failed fetch keeps the client's message exactly, which scripts may
// read; the other reasons are worded as above.
QString ClientFailureText(const TSourceOutcome& outcome);

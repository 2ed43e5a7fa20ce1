#pragma once
// Changes as CSV, the one format both the history window and the command-line tool export:
// header "time,id,source,from,to", times in ISO 8601 UTC to the second, fields quoted as RFC 4180
// asks, UTF-8 without a byte-order mark, LF line ends.

#include "history/HistoryTypes.h"

#include <QByteArray>

#include <vector>

// The changes in the order given (callers pass them oldest first), statuses as `words` says.
QByteArray HistoryCsv(const std::vector<THistoryChange>& changes, const TStatusWords& words);

#pragma once
// The latest changes of this run, newest first, for the tray's "Recent changes": kept in memory
// only (the presence history keeps every change for good). Each is worded when it is shown,
// so that it follows the language.

#include "monitor/BuddyStatus.h"

#include <QDateTime>
#include <QString>

#include <deque>
#include <functional>

struct TRecentChange {
    QDateTime at; // when the check that found it started, local time
    QString id;
    QString source; // empty: the program's own service
    TBuddyStatus code = bsNotScanned;
    std::function<void()> action; // what a click on its balloon does; empty: nothing
};

class TRecentChanges {
public:
    static constexpr std::size_t kLimit = 10;

    void Add(TRecentChange change);
    const std::deque<TRecentChange>& Items() const { return items_; } // newest first

    // "HH:MM  bob is now ONLINE on Lichess", in the language in force now.
    static QString Text(const TRecentChange& change);

private:
    std::deque<TRecentChange> items_;
};

#pragma once
// Whether a source that stopped answering about an entry is news: said once when an entry that
// had a status has ended in ERROR for a few checks in a row, and once when it has one again.

#include "monitor/BuddyStatus.h"

class TOutageWatch {
public:
    static constexpr int kErrorsInARow = 3;

    enum TNews { owNone, owDown, owBack };

    // The next result of the entry's checks; what, if anything, is to be said about it.
    TNews Note(TBuddyStatus code);
    // The entry asks someone else now: what its old source did says nothing.
    void Reset() { *this = TOutageWatch(); }

private:
    bool answered_ = false; // a status other than ERROR came before
    int errors_ = 0;        // ERRORs in a row since then
    bool said_ = false;     // the outage was announced and has not ended
};

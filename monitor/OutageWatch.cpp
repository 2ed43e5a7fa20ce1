#include "monitor/OutageWatch.h"

TOutageWatch::TNews TOutageWatch::Note(TBuddyStatus code) {
    if (code == bsNotScanned)
        return owNone;
    if (code != bsError) {
        answered_ = true;
        errors_ = 0;
        const bool wasSaid = said_;
        said_ = false;
        return wasSaid ? owBack : owNone;
    }
    // An entry that never had a status has no outage: its row already says why.
    if (!answered_ || ++errors_ != kErrorsInARow)
        return owNone;
    said_ = true;
    return owDown;
}

#include "monitor/BuddyStatus.h"

#include "shell/Language.h"

void StatusText(TBuddyStatus code, QString& dest) {
    switch (code) {
    case bsOnline:
        dest = Lang("ONLINE", "ONLINE");
        break;
    case bsOffline:
        dest = Lang("OFFLINE", "OFFLINE");
        break;
    case bsInvisible:
        dest = Lang("ONLINE (INVISIBLE)", "ONLINE (INVIZIBIL)");
        break;
    case bsNotScanned:
        dest = Lang("NOT SCANNED", "NESCANAT");
        break;
    case bsError:
        dest = Lang("ERROR", "EROARE");
        break;
    default:
        break; // no word: the destination keeps its text
    }
}

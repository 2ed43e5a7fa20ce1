#include "monitor/BuddyStatus.h"

#include "app/Language.h"

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

QString EnglishStatusWord(int code) {
    QString word;
    if (code >= 0 && code <= 255) {
        const bool language = UseEnglish;
        UseEnglish = true;
        StatusText(static_cast<TBuddyStatus>(code), word);
        UseEnglish = language;
    }
    return word.isEmpty() ? QStringLiteral("code %1").arg(code) : word;
}

#include "monitor/BuddyStatus.h"

#include "shell/Language.h"

namespace {

// The word of the code in the language given; empty for a code without a word.
QString StatusWord(TBuddyStatus code, bool inEnglish) {
    switch (code) {
    case bsOnline:
        return Lang("ONLINE", "ONLINE", inEnglish);
    case bsOffline:
        return Lang("OFFLINE", "OFFLINE", inEnglish);
    case bsInvisible:
        return Lang("ONLINE (INVISIBLE)", "ONLINE (INVIZIBIL)", inEnglish);
    case bsNotScanned:
        return Lang("NOT SCANNED", "NESCANAT", inEnglish);
    case bsError:
        return Lang("ERROR", "EROARE", inEnglish);
    default:
        return {};
    }
}

} // namespace

void StatusText(TBuddyStatus code, QString& dest) {
    const QString word = StatusWord(code, UseEnglish);
    if (!word.isEmpty()) // no word: the destination keeps its text
        dest = word;
}

QString EnglishStatusWord(int code) {
    const QString word =
        code >= 0 && code <= 255 ? StatusWord(static_cast<TBuddyStatus>(code), true) : QString();
    return word.isEmpty() ? QStringLiteral("code %1").arg(code) : word;
}

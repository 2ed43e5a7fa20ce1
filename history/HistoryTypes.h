#pragma once
// What the presence history holds: status changes of watched entries and the spans of time
// during which each entry was being watched. Statuses are the program's status bytes as plain
// integers; their words belong to the layers above.

#include <QString>
#include <QtGlobal>

#include <functional>

// An entry is one ID as seen by one presence source.
struct THistoryKey {
    QString ID;
    QString Source;

    friend bool operator==(const THistoryKey&, const THistoryKey&) = default;
    friend bool operator<(const THistoryKey& a, const THistoryKey& b) {
        const int byId = a.ID.compare(b.ID);
        return byId != 0 ? byId < 0 : a.Source < b.Source;
    }
};

// The source name of the program's own presence service.
inline QString OwnSourceName() {
    return QStringLiteral("Zentrilo");
}

// Status codes the history itself interprets.
constexpr int kHistoryOnline = 0;
constexpr int kHistoryInvisible = 2;
// "No status": the old status of an entry's first result in a run, and any time nobody checked.
constexpr int kHistoryNotChecked = 254;

inline bool IsOnlineCode(int code) {
    return code == kHistoryOnline || code == kHistoryInvisible;
}

// Times are milliseconds since 1970-01-01T00:00:00Z.
struct THistoryChange {
    qint64 TimeMs = 0;
    THistoryKey Key;
    int From = kHistoryNotChecked;
    int To = kHistoryNotChecked;
};

// From an entry's first check in a run to its last one (or to the run's orderly end). A live span
// belongs to the running program and goes on until now.
struct THistorySpan {
    THistoryKey Key;
    qint64 FirstMs = 0;
    qint64 LastMs = 0;
    bool Live = false;
    qint64 Row = 0; // of the span in the file, which a later read of it repeats; 0: none
};

// Problems the store reports once each; the window or the program puts them into words.
enum class THistoryWarningKind {
    Unwritable, // nothing new can be written (full disk, read-only folder); Detail: the cause
    Replaced,   // a damaged database was moved aside; Detail: the path it was moved to
};

struct THistoryWarning {
    THistoryWarningKind Kind;
    QString Detail;
};

// A status code's word, supplied by the caller.
using TStatusWords = std::function<QString(int code)>;

#pragma once
// What the tray icon says about the watched list: the dot of its picture and the lines of its
// tooltip under the hint.

#include "monitor/Record.h"

#include <QStringList>

class TSourceCatalogue;

enum TTrayState {
    tsNoneOnline, // grey: nobody watched is online
    tsSomeOnline, // green: at least one is ONLINE or ONLINE (INVISIBLE)
    tsAllFailing, // warning: every entry's latest check ended in ERROR
};

struct TTraySummary {
    TTrayState State = tsNoneOnline;
    QStringList Lines; // "2 of 5 online: alice, bob (Lichess)", "1 cannot be checked: carol"
};

// The name of an entry's source as a label shows it beside the ID: empty for the program's own
// service, the catalogue's spelling when it knows the source, else as stored.
QString SourceLabelOf(const TRecord& entry, const TSourceCatalogue& catalogue);
// "bob (Lichess)", or the ID alone on the program's own service.
QString EntryLabel(const TRecord& entry, const TSourceCatalogue& catalogue);

// In the language in force now.
TTraySummary SummarizeList(const VRecord& list, const TSourceCatalogue& catalogue);

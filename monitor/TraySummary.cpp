#include "monitor/TraySummary.h"

#include "monitor/SourceCatalogue.h"
#include "shell/Language.h"

namespace {

bool IsOnline(const TRecord* entry) {
    return entry->LastStatus == bsOnline || entry->LastStatus == bsInvisible;
}

// Entries that have no result yet neither fail nor count against a failing round.
bool AllFailing(const VRecord& list) {
    bool anyResult = false;
    for (const TRecord* entry : list) {
        if (entry->LastStatus == bsNotScanned)
            continue;
        if (entry->LastStatus != bsError)
            return false;
        anyResult = true;
    }
    return anyResult;
}

QStringList Labels(const VRecord& list, const TSourceCatalogue& catalogue,
                   bool (*which)(const TRecord*)) {
    QStringList labels;
    for (const TRecord* entry : list) {
        if (which(entry))
            labels << EntryLabel(*entry, catalogue);
    }
    return labels;
}

QString OnlineLine(const QStringList& online, qsizetype watched) {
    QString line = Lang("%1 of %2 online", "%1 din %2 online").arg(online.size()).arg(watched);
    if (!online.isEmpty())
        line += QStringLiteral(": ") + online.join(QStringLiteral(", "));
    return line;
}

QString FailingLine(const QStringList& failing) {
    const QString count = failing.size() == 1
                              ? Lang("%1 cannot be checked", "%1 nu poate fi verificat")
                              : Lang("%1 cannot be checked", "%1 nu pot fi verificate");
    return count.arg(failing.size()) + QStringLiteral(": ") + failing.join(QStringLiteral(", "));
}

} // namespace

QString SourceLabelOf(const TRecord& entry, const TSourceCatalogue& catalogue) {
    const TPresenceSource* source = catalogue.Find(entry.Source);
    if (source == nullptr)
        return entry.Source;
    return source->IsOwnService() ? QString() : source->Name;
}

QString EntryLabel(const TRecord& entry, const TSourceCatalogue& catalogue) {
    const QString source = SourceLabelOf(entry, catalogue);
    return source.isEmpty() ? entry.ID : QStringLiteral("%1 (%2)").arg(entry.ID, source);
}

TTraySummary SummarizeList(const VRecord& list, const TSourceCatalogue& catalogue) {
    TTraySummary summary;
    if (list.empty())
        return summary;
    const QStringList online = Labels(list, catalogue, IsOnline);
    const QStringList failing =
        Labels(list, catalogue, [](const TRecord* entry) { return entry->LastStatus == bsError; });
    summary.Lines << OnlineLine(online, static_cast<qsizetype>(list.size()));
    if (!failing.isEmpty())
        summary.Lines << FailingLine(failing);
    if (AllFailing(list))
        summary.State = tsAllFailing;
    else if (!online.isEmpty())
        summary.State = tsSomeOnline;
    return summary;
}

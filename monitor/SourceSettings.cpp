#include "monitor/SourceSettings.h"

#include "shell/uOptions.h"

namespace {

const QString kGroup = QStringLiteral("Sources");
const QString kName = QStringLiteral("Name");
const QString kUrl = QStringLiteral("Url");
const QString kRule = QStringLiteral("Rule");
const QString kOpen = QStringLiteral("Open");

TPresenceSource FromRow(TStoredRow row) {
    TPresenceSource source;
    source.Name = row.take(kName);
    source.Url = row.take(kUrl);
    source.Rule = TPresenceRule::Parse(row.take(kRule));
    source.Open = row.take(kOpen);
    source.Extra = row;
    return source;
}

TStoredRow ToRow(const TPresenceSource& source) {
    TStoredRow row = source.Extra;
    row.insert(kName, source.Name);
    row.insert(kUrl, source.Url);
    row.insert(kRule, source.Rule.Text());
    row.insert(kOpen, source.Open);
    return row;
}

} // namespace

std::vector<TPresenceSource> LoadSources(const QString& key) {
    std::vector<TPresenceSource> sources;
    for (const TStoredRow& row : ReadArrayGroup(key, kGroup)) {
        if (!row.isEmpty()) // an element that holds nothing is no source
            sources.push_back(FromRow(row));
    }
    return sources;
}

bool SaveSources(const QString& key, const std::vector<TPresenceSource>& sources) {
    QList<TStoredRow> rows;
    for (const TPresenceSource& source : sources)
        rows << ToRow(source);
    return WriteArrayGroup(key, kGroup, rows);
}

QString SourceOptionName(int slot) {
    return QStringLiteral("Source%1").arg(slot);
}

void DefineSourceOption(TOptions& options, int slot) {
    options.AddOption(QStringLiteral("Items"), SourceOptionName(slot), QString(), varString);
}

QString SlotSourceName(const TOptions& options, int slot) {
    return options.GetValue(SourceOptionName(slot)).toString();
}

void SetSlotSourceName(TOptions& options, int slot, const QString& sourceName) {
    const bool own = SameSourceName(sourceName, OwnServiceSource().Name);
    options.SetValue(SourceOptionName(slot), own ? QString() : sourceName);
}

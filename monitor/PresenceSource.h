#pragma once
// A presence source: where to ask about an ID and how to read the answer. Besides the sources
// the user defines there are two presets and the program's own service, which keeps its own
// queries (monitor/Presence.h) and has no template.

#include "monitor/PresenceRule.h"

#include <QMap>
#include <QString>

#include <vector>

enum class TSourceKind { Own, Preset, User };

struct TPresenceSource {
    TSourceKind Kind = TSourceKind::User;
    QString Name;
    QString Url; // the query's address; "%s" stands for the ID
    TPresenceRule Rule;
    QString Open; // what a click on an "online" balloon opens ("%s" as above); empty: nothing
    // Stored values of the source that this version does not know, kept for the next save.
    QMap<QString, QString> Extra;

    bool IsOwnService() const { return Kind == TSourceKind::Own; }
    QString QueryUrl(const QString& id) const;
    QString OpenUrl(const QString& id) const; // empty when the source opens nothing
};

// A source the user defines, its texts without surrounding blanks; the rule is parsed here, once.
TPresenceSource UserSource(const QString& name, const QString& url, const QString& rule,
                           const QString& open);

// `pattern` with every "%s" replaced by the ID percent-encoded as UTF-8: only the letters A to Z
// and a to z, the digits and "-._~" stay as they are.
QString ExpandTemplate(const QString& pattern, const QString& id);

// Source names are told apart without regard to letter case, wherever they are compared.
bool SameSourceName(const QString& a, const QString& b);

// The program's own service, named "Zentrilo".
const TPresenceSource& OwnServiceSource();
// "Lichess" and "Steam", in that order.
const std::vector<TPresenceSource>& PresetSources();

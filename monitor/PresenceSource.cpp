#include "monitor/PresenceSource.h"

#include "history/HistoryTypes.h"

#include <QUrl>

namespace {

TPresenceSource Preset(const char* name, const char* url, const char* rule, const char* open) {
    TPresenceSource source = UserSource(QLatin1String(name), QLatin1String(url),
                                        QLatin1String(rule), QLatin1String(open));
    source.Kind = TSourceKind::Preset;
    return source;
}

} // namespace

QString TPresenceSource::QueryUrl(const QString& id) const {
    return ExpandTemplate(Url, id);
}

QString TPresenceSource::OpenUrl(const QString& id) const {
    return ExpandTemplate(Open, id);
}

TPresenceSource UserSource(const QString& name, const QString& url, const QString& rule,
                           const QString& open) {
    TPresenceSource source;
    source.Name = name.trimmed();
    source.Url = url.trimmed();
    source.Rule = TPresenceRule::Parse(rule);
    source.Open = open.trimmed();
    return source;
}

QString ExpandTemplate(const QString& pattern, const QString& id) {
    QString text = pattern;
    return text.replace(QStringLiteral("%s"), QString::fromLatin1(QUrl::toPercentEncoding(id)));
}

bool SameSourceName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const TPresenceSource& OwnServiceSource() {
    static const TPresenceSource own = [] {
        TPresenceSource source;
        source.Kind = TSourceKind::Own;
        source.Name = OwnSourceName();
        return source;
    }();
    return own;
}

const std::vector<TPresenceSource>& PresetSources() {
    static const std::vector<TPresenceSource> presets = {
        Preset("Lichess", "https://lichess.org/api/users/status?ids=%s", "json:/0/online",
               "https://lichess.org/@/%s"),
        Preset("Steam", "https://steamcommunity.com/id/%s/?xml=1", "xml:onlineState=online|in-game",
               "https://steamcommunity.com/id/%s"),
    };
    return presets;
}

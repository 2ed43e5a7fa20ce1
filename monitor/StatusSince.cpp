#include "monitor/StatusSince.h"

#include "shell/Language.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace {

constexpr qint64 kMinuteMs = 60 * 1000;

// The latest status the history knows, while it still holds now.
const TTimelineInterval* Current(const TTimelineRow& row, qint64 nowMs) {
    const auto known = std::find_if(row.Intervals.rbegin(), row.Intervals.rend(),
                                    [](const auto& i) { return i.Code != kHistoryNotChecked; });
    if (known == row.Intervals.rend() || known->EndMs < nowMs)
        return nullptr;
    return &*known;
}

} // namespace

QString StatusSinceText(TBuddyStatus status, const std::optional<TTimelineRow>& row, qint64 nowMs) {
    if (!row)
        return {};
    QStringList lines;
    const TTimelineInterval* current = Current(*row, nowMs);
    if (current != nullptr && current->Code == status) {
        QString word;
        StatusText(status, word);
        lines << Lang("%1 since %2 (%3)", "%1 din %2 (%3)")
                     .arg(word, ShortMoment(current->StartMs, nowMs),
                          StretchText(nowMs - current->StartMs));
    }
    if (!IsOnlineCode(status) && row->LastSeenOnlineMs)
        lines << Lang("Last seen online %1 (%2 ago)", "Văzut ultima dată online %1 (acum %2)")
                     .arg(ShortMoment(*row->LastSeenOnlineMs, nowMs),
                          StretchText(nowMs - *row->LastSeenOnlineMs));
    return lines.join(u'\n');
}

QString ShortMoment(qint64 ms, qint64 nowMs) {
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(ms);
    const QDate today = QDateTime::fromMSecsSinceEpoch(nowMs).date();
    const QLocale locale(UseEnglish ? QLocale::English : QLocale::Romanian);
    if (when.date() == today)
        return locale.toString(when, QStringLiteral("HH:mm"));
    return locale.toString(when, when.date().year() == today.year()
                                     ? QStringLiteral("d MMM HH:mm")
                                     : QStringLiteral("d MMM yyyy HH:mm"));
}

QString StretchText(qint64 ms) {
    const qint64 minutes = std::max<qint64>(ms, 0) / kMinuteMs;
    const qint64 days = minutes / (24 * 60);
    const qint64 hours = minutes / 60 % 24;
    if (days > 0)
        return Lang("%1 d %2 h", "%1 z %2 h").arg(days).arg(hours);
    if (hours > 0)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(minutes % 60);
    return QStringLiteral("%1 min").arg(minutes);
}

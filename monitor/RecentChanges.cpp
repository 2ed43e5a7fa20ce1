#include "monitor/RecentChanges.h"

#include "monitor/Check.h"

void TRecentChanges::Add(TRecentChange change) {
    items_.push_front(std::move(change));
    if (items_.size() > kLimit)
        items_.pop_back();
}

QString TRecentChanges::Text(const TRecentChange& change) {
    return change.at.toString(QStringLiteral("HH:mm")) + QStringLiteral("  ") +
           ChangeText(change.id, change.source, change.code);
}

#include "history/HistoryStore.h"

#include <QDir>

namespace {

QString DataHome() {
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

} // namespace

QString DefaultHistoryPath() {
    return DataHome() + QStringLiteral("/ZentriloSoft/history.sqlite");
}

#include "history/HistoryStore.h"

#include <QDir>
#include <QStandardPaths>

namespace {

// The user's local (not roaming) application data: the history belongs to this machine.
QString LocalAppData() {
    const QString configured = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace

QString DefaultHistoryPath() {
    return LocalAppData() + QStringLiteral("/ZentriloSoft/history.sqlite");
}

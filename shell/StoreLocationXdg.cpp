#include "shell/StoreLocation.h"

#include "shell/uOptions.h"

#include <QDir>
#include <QFileInfo>

QString ConfigHome() {
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString ProgramKey() {
    return ConfigHome() + QStringLiteral("/ZentriloSoft/Zentrilo.conf");
}

bool StoreReadable(const QString& key) {
    const QFileInfo info(key);
    return info.isFile() && info.isReadable();
}

bool StoreExists(const QString& key) {
    return QFileInfo::exists(key);
}

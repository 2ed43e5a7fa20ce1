#include "app/platform/ExecutableFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

namespace {

QDate BuildDate() {
    return QDate::fromString(QString::fromLatin1(__DATE__).simplified(),
                             QStringLiteral("MMM d yyyy"));
}

} // namespace

QString ExecutablePath() {
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QDate ModificationDate(const QString& path) {
    const QDateTime modified = QFileInfo(path).lastModified();
    if (!modified.isValid())
        return BuildDate();
    return modified.toLocalTime().date();
}

QDate ExecutableDate() {
    return ModificationDate(ExecutablePath());
}

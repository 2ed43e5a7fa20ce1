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

QDate ExecutableDate() {
    const QDateTime modified = QFileInfo(ExecutablePath()).lastModified();
    if (!modified.isValid())
        return BuildDate();
    return modified.toLocalTime().date();
}

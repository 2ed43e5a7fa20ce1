#include "app/platform/XdgAutostart.h"

#include "app/platform/ExecutableFile.h"
#include "shell/uOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// A path inside a double-quoted Exec argument: the quoting level escapes ", `, $ and \, the
// desktop-entry string level escapes \ again, and % is the field-code marker.
QString QuotedExecArgument(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$')
            quoted += QStringLiteral("\\\\");
        else if (c == u'\\')
            quoted += QStringLiteral("\\\\\\");
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    return u'"' + quoted + u'"';
}

QByteArray ExpectedAutostartEntry() {
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Zentrilo\n"
                                         "Exec=%1\n"
                                         "X-GNOME-Autostart-enabled=true\n"
                                         "X-GNOME-Autostart-Delay=5\n"
                                         "X-KDE-autostart-after=panel\n"
                                         "X-LXQt-Need-Tray=true\n")
                              .arg(AutostartExec(ExecutablePath()));
    return entry.toUtf8();
}

bool DesktopTrue(const QString& value) {
    return value == QLatin1String("true") || value == QLatin1String("1");
}

bool DesktopFalse(const QString& value) {
    return value == QLatin1String("false") || value == QLatin1String("0");
}

// Whether the main group of a desktop entry switches it off.
bool EntrySwitchedOff(const QByteArray& content) {
    bool inMainGroup = false;
    for (const QByteArray& rawLine : content.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if ((key == QLatin1String("Hidden") && DesktopTrue(value)) ||
            (key == QLatin1String("X-GNOME-Autostart-enabled") && DesktopFalse(value)))
            return true;
    }
    return false;
}

} // namespace

QString AutostartExec(const QString& executablePath) {
    return QuotedExecArgument(executablePath) + QStringLiteral(" -minimized");
}

QString AutostartFile() {
    return ConfigHome() + QStringLiteral("/autostart/zentrilo.desktop");
}

bool StartsWithWindows() {
    QFile entry(AutostartFile());
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    return !EntrySwitchedOff(entry.readAll());
}

void SetStartWithWindows(bool enable) {
    const QString path = AutostartFile();
    if (!enable) {
        QFile::remove(path);
        return;
    }
    const QByteArray expected = ExpectedAutostartEntry();
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == expected)
        return;
    current.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    QSaveFile replacement(path);
    if (!replacement.open(QIODevice::WriteOnly))
        return;
    replacement.write(expected);
    replacement.commit();
}

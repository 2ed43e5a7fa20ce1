#include "app/platform/RunEntry.h"

#include "app/platform/ExecutableFile.h"

#include <QDir>
#include <QSettings>

namespace {

const QString kValueName = QStringLiteral("Zentrilo");

} // namespace

QString RunKey() {
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
}

QString RunEntryData(const QString& executablePath) {
    return QStringLiteral("\"%1\" -minimized").arg(QDir::toNativeSeparators(executablePath));
}

bool StartsWithWindows() {
    return QSettings(RunKey(), QSettings::NativeFormat).contains(kValueName);
}

void SetStartWithWindows(bool enable) {
    QSettings run(RunKey(), QSettings::NativeFormat);
    if (!enable) {
        run.remove(kValueName);
        return;
    }
    const QString expected = RunEntryData(ExecutablePath());
    if (run.value(kValueName).toString() != expected)
        run.setValue(kValueName, expected);
}

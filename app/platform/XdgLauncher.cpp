#include "app/platform/XdgLauncher.h"

#include <QProcess>
#include <QUrl>

namespace {

bool IsWebScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

TXdgLauncher::TXdgLauncher(QString opener, QString mimeTool)
    : opener_(std::move(opener)), mimeTool_(std::move(mimeTool)) {}

std::optional<QString> TXdgLauncher::SchemeHandler(const QString& scheme) const {
    QProcess query;
    query.start(mimeTool_, {QStringLiteral("query"), QStringLiteral("default"),
                            QStringLiteral("x-scheme-handler/") + scheme});
    if (!query.waitForFinished(QueryTimeoutMs)) {
        query.kill();
        query.waitForFinished(200);
        return std::nullopt;
    }
    if (query.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

bool TXdgLauncher::Open(const QString& target, QString& reason) {
    const QString scheme = QUrl(target).scheme().toLower();
    if (!scheme.isEmpty()) {
        const std::optional<QString> handler = SchemeHandler(scheme);
        // $BROWSER is what xdg-open falls back to for web pages outside a desktop session.
        const bool browserSet = IsWebScheme(scheme) && !qEnvironmentVariableIsEmpty("BROWSER");
        if (handler && handler->isEmpty() && !browserSet) {
            reason = QStringLiteral("No application is registered for %1: links.").arg(scheme);
            return false;
        }
    }
    QProcess opener;
    opener.setProgram(opener_);
    opener.setArguments({target});
    opener.setStandardInputFile(QProcess::nullDevice());
    if (!opener.startDetached()) {
        reason = QStringLiteral("%1 could not be started: %2").arg(opener_, opener.errorString());
        return false;
    }
    return true;
}

#include "app/platform/XdgLauncher.h"

#include <QProcess>
#include <QTimer>
#include <QUrl>

namespace {

bool IsWebScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// The meanings of xdg-open's exit codes.
QString ExitReason(int code) {
    switch (code) {
    case 1:
        return QStringLiteral("The request was not understood.");
    case 2:
        return QStringLiteral("It does not exist.");
    case 3:
        return QStringLiteral("No program that can open it was found.");
    case 4:
        return QStringLiteral("The program that should open it failed.");
    default:
        return QStringLiteral("Opening it failed.");
    }
}

// Why an opener that ended this way failed; empty when it succeeded.
QString OpenerFailure(const QString& opener, const QProcess& process) {
    if (process.error() == QProcess::FailedToStart)
        return QStringLiteral("%1 could not be started: %2").arg(opener, process.errorString());
    if (process.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("%1 was stopped before it had opened it.").arg(opener);
    if (process.exitCode() == 0)
        return QString();
    return QStringLiteral("%1 (%2: exit code %3)")
        .arg(ExitReason(process.exitCode()), opener)
        .arg(process.exitCode());
}

} // namespace

TXdgLauncher::TXdgLauncher(QString opener, QString mimeTool)
    : opener_(std::move(opener)), mimeTool_(std::move(mimeTool)) {}

// A tool still running at exit is stopped without a report: nobody is left to read one.
TXdgLauncher::~TXdgLauncher() {
    for (QProcess* tool : tools_.findChildren<QProcess*>()) {
        tool->disconnect();
        tool->kill();
        tool->waitForFinished(1000);
    }
}

void TXdgLauncher::Open(const QString& target, TOpenFailure onFailure) {
    const QString scheme = QUrl(target).scheme().toLower();
    if (scheme.isEmpty()) {
        StartOpener(target, std::move(onFailure));
        return;
    }
    AskHandler(scheme, [this, target, scheme,
                        onFailure = std::move(onFailure)](const std::optional<QString>& handler) {
        // $BROWSER is what xdg-open falls back to for web pages outside a desktop session.
        const bool browserSet = IsWebScheme(scheme) && !qEnvironmentVariableIsEmpty("BROWSER");
        if (handler && handler->isEmpty() && !browserSet) {
            onFailure(QStringLiteral("No application is registered for %1: links.").arg(scheme));
            return;
        }
        StartOpener(target, onFailure);
    });
}

void TXdgLauncher::AskHandler(const QString& scheme,
                              std::function<void(const std::optional<QString>&)> onAnswer) {
    QProcess* query =
        Run(mimeTool_,
            {QStringLiteral("query"), QStringLiteral("default"),
             QStringLiteral("x-scheme-handler/") + scheme},
            QProcess::ForwardedErrorChannel, [onAnswer = std::move(onAnswer)](QProcess& ended) {
                if (ended.error() == QProcess::FailedToStart ||
                    ended.exitStatus() != QProcess::NormalExit)
                    onAnswer(std::nullopt);
                else
                    onAnswer(QString::fromLocal8Bit(ended.readAllStandardOutput()).trimmed());
            });
    QTimer::singleShot(QueryTimeoutMs, query, [query] { query->kill(); });
}

void TXdgLauncher::StartOpener(const QString& target, TOpenFailure onFailure) {
    // The opener and the programs it starts write where this program writes: no pipe of ours
    // that would break their output once the opener has ended.
    Run(opener_, {target}, QProcess::ForwardedChannels, [this, onFailure](QProcess& ended) {
        const QString failure = OpenerFailure(opener_, ended);
        if (!failure.isEmpty())
            onFailure(failure);
    });
}

QProcess* TXdgLauncher::Run(const QString& program, const QStringList& arguments,
                            QProcess::ProcessChannelMode channelMode,
                            std::function<void(QProcess&)> onEnd) {
    auto* tool = new QProcess(&tools_);
    tool->setProgram(program);
    tool->setArguments(arguments);
    tool->setProcessChannelMode(channelMode);
    tool->setStandardInputFile(QProcess::nullDevice());
    const auto ended = [tool, onEnd = std::move(onEnd)] {
        tool->disconnect();
        tool->deleteLater();
        onEnd(*tool); // may open a box; the tool lives until its loop is back
    };
    QObject::connect(tool, &QProcess::finished, tool, ended);
    QObject::connect(tool, &QProcess::errorOccurred, tool, [ended](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended();
    });
    tool->start();
    return tool;
}

#pragma once
// Opens URLs with the desktop's handler: `xdg-open` with the target as its one argument, no
// shell. Nothing here waits: the handler database is asked and the opener runs beside the
// window, and what they report comes back through the event loop. A scheme without a
// registered handler is reported before anything is started; an opener that ends with an
// error is reported with its reason.

#include "shell/uDialogs.h"

#include <QObject>
#include <QProcess>

#include <functional>
#include <optional>

class TXdgLauncher : public IShellLauncher {
public:
    explicit TXdgLauncher(QString opener = QStringLiteral("xdg-open"),
                          QString mimeTool = QStringLiteral("xdg-mime"));
    ~TXdgLauncher() override;
    TXdgLauncher(const TXdgLauncher&) = delete;
    TXdgLauncher& operator=(const TXdgLauncher&) = delete;

    void Open(const QString& target, TOpenFailure onFailure) override;

    // Upper bound for asking the handler database.
    int QueryTimeoutMs = 3000;

private:
    // Asks for the desktop file that handles the scheme (empty: none); nothing when the
    // handler database cannot be asked.
    void AskHandler(const QString& scheme,
                    std::function<void(const std::optional<QString>&)> onAnswer);
    void StartOpener(const QString& target, TOpenFailure onFailure);
    // Starts a tool beside the window; `onEnd` gets it, later, once it has ended or failed to
    // start.
    QProcess* Run(const QString& program, const QStringList& arguments,
                  QProcess::ProcessChannelMode channelMode, std::function<void(QProcess&)> onEnd);

    QString opener_;
    QString mimeTool_;
    QObject tools_; // parent of the tools still running
};

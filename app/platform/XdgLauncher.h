#pragma once
// Opens URLs with the desktop's handler: `xdg-open` with the target as its one argument, no
// shell, never waiting for the browser. A scheme without a registered handler is reported
// before anything is started.

#include "shell/uDialogs.h"

#include <optional>

class TXdgLauncher : public IShellLauncher {
public:
    explicit TXdgLauncher(QString opener = QStringLiteral("xdg-open"),
                          QString mimeTool = QStringLiteral("xdg-mime"));

    bool Open(const QString& target, QString& reason) override;

    // The desktop file that handles the scheme (empty: none); nothing when the handler
    // database cannot be asked.
    std::optional<QString> SchemeHandler(const QString& scheme) const;

    // Upper bound for asking the handler database.
    int QueryTimeoutMs = 3000;

private:
    QString opener_;
    QString mimeTool_;
};

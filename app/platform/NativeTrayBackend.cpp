#include "app/platform/NativeTrayBackend.h"

namespace {

QSystemTrayIcon::MessageIcon BalloonIcon(TBalloonFlags flags) {
    switch (flags) {
    case bfInfo:
        return QSystemTrayIcon::Information;
    case bfWarning:
        return QSystemTrayIcon::Warning;
    case bfError:
        return QSystemTrayIcon::Critical;
    case bfNone:
        break;
    }
    return QSystemTrayIcon::NoIcon;
}

} // namespace

TNativeTrayBackend::TNativeTrayBackend(QObject* parent) : QObject(parent) {
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && clicked)
                    clicked();
            });
    connect(&icon_, &QSystemTrayIcon::messageClicked, this, [this] {
        if (balloonClicked)
            balloonClicked();
    });
}

void TNativeTrayBackend::SetVisible(bool visible) {
    icon_.setVisible(visible);
}

void TNativeTrayBackend::SetHint(const QString& hint) {
    icon_.setToolTip(hint);
}

void TNativeTrayBackend::SetIcon(const QIcon& icon) {
    icon_.setIcon(icon);
}

void TNativeTrayBackend::SetMenu(QMenu* menu) {
    icon_.setContextMenu(menu);
}

void TNativeTrayBackend::ShowBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                                     int timeoutMs) {
    icon_.showMessage(title, text, BalloonIcon(flags), timeoutMs);
}

bool TNativeTrayBackend::WaitForTrayHost(int /*maxMs*/) {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

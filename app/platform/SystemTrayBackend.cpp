#include "app/platform/SystemTrayBackend.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QThread>

namespace {

QSystemTrayIcon::MessageIcon MessageIconOf(TBalloonFlags flags) {
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

bool TrayHostPresent() {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()
               ->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"))
               .value();
}

} // namespace

TSystemTrayBackend::TSystemTrayBackend(std::unique_ptr<TDesktopNotifications> notifications,
                                       QObject* parent)
    : QObject(parent), notifications_(std::move(notifications)) {
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && clicked)
                    clicked();
            });
    connect(&icon_, &QSystemTrayIcon::messageClicked, this, [this] {
        if (balloonClicked)
            balloonClicked();
    });
    notifications_->OnClick = [this] {
        if (balloonClicked)
            balloonClicked();
    };
}

void TSystemTrayBackend::SetVisible(bool visible) {
    icon_.setVisible(visible);
}

void TSystemTrayBackend::SetHint(const QString& hint) {
    icon_.setToolTip(hint);
}

void TSystemTrayBackend::SetIcon(const QIcon& icon) {
    icon_.setIcon(icon);
}

// Some tray hosts never deliver a left click: the menu is the way back to the window there.
void TSystemTrayBackend::SetMenu(QMenu* menu) {
    icon_.setContextMenu(menu);
}

void TSystemTrayBackend::ShowBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                                     int timeoutMs) {
    const QString category = std::exchange(category_, QString());
    if (!notifications_->Available()) {
        ShowQtBalloon(title, text, flags, timeoutMs);
        return;
    }
    notifications_->Notify(title, text, category, timeoutMs, [this, title, text, flags, timeoutMs] {
        ShowQtBalloon(title, text, flags, timeoutMs);
    });
}

void TSystemTrayBackend::ShowQtBalloon(const QString& title, const QString& text,
                                       TBalloonFlags flags, int timeoutMs) {
    icon_.showMessage(title, text, MessageIconOf(flags), timeoutMs);
}

bool TSystemTrayBackend::WaitForTrayHost(int maxMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!TrayHostPresent()) {
        if (elapsed.elapsed() >= maxMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    }
    return true;
}

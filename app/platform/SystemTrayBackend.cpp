#include "app/platform/SystemTrayBackend.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QStyle>
#include <QThread>

namespace {

QIcon PictureOf(TBalloonFlags flags) {
    switch (flags) {
    case bfInfo:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
    case bfWarning:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    case bfError:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    case bfNone:
        break;
    }
    return QIcon();
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
    balloon_.OnClick = [this] {
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
    notifications_->Notify(title, text, std::exchange(category_, QString()), timeoutMs,
                           std::exchange(action_, nullptr), [this, title, text, flags, timeoutMs] {
                               ShowOwnBalloon(title, text, flags, timeoutMs);
                           });
}

void TSystemTrayBackend::ShowOwnBalloon(const QString& title, const QString& text,
                                        TBalloonFlags flags, int timeoutMs) {
    balloon_.ShowBalloon(title, text, PictureOf(flags), timeoutMs,
                         [this] { return icon_.geometry(); });
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

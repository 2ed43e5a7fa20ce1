#include "app/platform/SystemTrayBackend.h"

#include "shell/uStrUtils.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QStyle>
#include <QTextDocument>
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
    balloons_.OnMore = [this] {
        if (moreClicked)
            moreClicked();
    };
}

void TSystemTrayBackend::SetVisible(bool visible) {
    icon_.setVisible(visible);
}

// A tooltip that looks like markup would be read as markup: such a one is escaped, every other
// one goes as it is, for tray hosts that show tooltips as text.
void TSystemTrayBackend::SetHint(const QString& hint) {
    icon_.setToolTip(Qt::mightBeRichText(hint) ? PlainToolTip(hint) : hint);
}

void TSystemTrayBackend::SetIcon(const QIcon& icon) {
    icon_.setIcon(icon);
}

// Some tray hosts never deliver a left click: the menu is the way back to the window there.
void TSystemTrayBackend::SetMenu(QMenu* menu) {
    icon_.setContextMenu(menu);
}

void TSystemTrayBackend::SetSound(bool on) {
    notifications_->SetSoundName(on ? QStringLiteral("message-new-instant") : QString());
}

void TSystemTrayBackend::ShowBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                                     int timeoutMs) {
    std::function<void()> action = std::exchange(action_, nullptr);
    notifications_->Notify(title, text, std::exchange(category_, QString()), timeoutMs, action,
                           [this, title, text, flags, timeoutMs, action] {
                               ShowOwnBalloon(title, text, flags, timeoutMs, action);
                           });
}

void TSystemTrayBackend::ShowOwnBalloon(const QString& title, const QString& text,
                                        TBalloonFlags flags, int timeoutMs,
                                        std::function<void()> action) {
    if (!action)
        action = [this] {
            if (balloonClicked)
                balloonClicked();
        };
    balloons_.Show(
        title, text, PictureOf(flags), timeoutMs >= kStatusBalloonMs ? kOwnBalloonMs : timeoutMs,
        [this] { return icon_.geometry(); }, std::move(action));
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

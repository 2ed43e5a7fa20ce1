#pragma once
// A small client of the desktop notification service (org.freedesktop.Notifications) on the
// session bus. Each notification carries a "default" action, which stands for a click on it;
// only the notifications sent by this client report clicks.

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class TDesktopNotifications : public QObject {
    Q_OBJECT
public:
    static constexpr const char* Service = "org.freedesktop.Notifications";
    static constexpr const char* Path = "/org/freedesktop/Notifications";
    static constexpr const char* Interface = "org.freedesktop.Notifications";

    explicit TDesktopNotifications(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                   QObject* parent = nullptr);

    // False when there is no bus or nobody serves notifications on it now.
    bool Available() const;

    // Sends one notification without waiting for the service. When the service turns it down
    // (or is not there), `onFailure` is called instead, later, on the main thread. An empty
    // category sends no category hint.
    void Notify(const QString& title, const QString& text, const QString& category, int timeoutMs,
                std::function<void()> onFailure);

    // A notification of ours was clicked.
    std::function<void()> OnClick;

    // The ids the service gave to our notifications that may still be clicked.
    const QSet<uint>& PendingIds() const { return ids_; }

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    QSet<uint> ids_;
};

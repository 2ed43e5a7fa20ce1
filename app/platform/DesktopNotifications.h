#pragma once
// A small client of the desktop notification service (org.freedesktop.Notifications) on the
// session bus. Each notification is its own: one with a click action carries a "default"
// action, which stands for a click on it, and a click runs that notification's own action
// however many were sent after it. Only the notifications sent by this client report clicks.

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class TDesktopNotifications : public QObject {
    Q_OBJECT
public:
    static constexpr const char* Service = "org.freedesktop.Notifications";
    static constexpr const char* Path = "/org/freedesktop/Notifications";
    static constexpr const char* Interface = "org.freedesktop.Notifications";
    // The most notifications whose clicks are remembered; the oldest go first.
    static constexpr std::size_t MaxClickable = 200;

    explicit TDesktopNotifications(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                   QObject* parent = nullptr);

    // Sends one notification without waiting for the service, which the bus starts if needed.
    // The text is escaped where the service renders markup in it. An empty category sends no
    // category hint; an empty action makes a notification without a click action. When the
    // service turns it down (or there is none), `onFailure` is called instead, later, on the
    // main thread.
    void Notify(const QString& title, const QString& text, const QString& category, int timeoutMs,
                std::function<void()> action, std::function<void()> onFailure);

    // The sound the service is asked to play with each notification (the freedesktop
    // "sound-name" hint); empty: none is asked for.
    void SetSoundName(const QString& name) { soundName_ = name; }

    // How many notifications of ours may still be clicked.
    std::size_t Clickable() const { return actions_.size(); }

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    // What one notification says, as it was when it was asked for.
    struct TTexts {
        QString title;
        QString text;
        QString category;
        QString sound;
    };
    void Send(const TTexts& texts, int timeoutMs, std::function<void()> action,
              std::function<void()> onFailure);
    void Remember(uint id, std::function<void()> action);

    QDBusConnection bus_;
    QString soundName_;
    std::vector<std::pair<uint, std::function<void()>>> actions_; // oldest first
};

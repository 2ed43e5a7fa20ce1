#include "app/platform/DesktopNotifications.h"

#include "shell/Language.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

TDesktopNotifications::TDesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {
    if (!bus_.isConnected())
        return;
    const QString service = QLatin1String(Service);
    const QString path = QLatin1String(Path);
    const QString interface = QLatin1String(Interface);
    bus_.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                 SLOT(ActionInvoked(uint, QString)));
    bus_.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                 SLOT(NotificationClosed(uint, uint)));
}

bool TDesktopNotifications::Available() const {
    if (!bus_.isConnected() || bus_.interface() == nullptr)
        return false;
    return bus_.interface()->isServiceRegistered(QLatin1String(Service)).value();
}

void TDesktopNotifications::Notify(const QString& title, const QString& text,
                                   const QString& category, int timeoutMs,
                                   std::function<void()> onFailure) {
    if (!bus_.isConnected()) {
        if (onFailure)
            onFailure();
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                       QLatin1String(Interface), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("zentrilo"));
    if (!category.isEmpty())
        hints.insert(QStringLiteral("category"), category);
    const QStringList actions{QStringLiteral("default"), Lang("Open", "Deschide")};
    call << AppTitle() << uint(0) << QStringLiteral("zentrilo") << title << text << actions << hints
         << qint32(timeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, onFailure = std::move(onFailure)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                finished->deleteLater();
                if (reply.isError()) {
                    if (onFailure)
                        onFailure();
                    return;
                }
                ids_.insert(reply.value());
            });
}

void TDesktopNotifications::ActionInvoked(uint id, const QString& action) {
    // Other programs' notifications and other actions are none of our business.
    if (action != QLatin1String("default") || !ids_.contains(id))
        return;
    if (OnClick)
        OnClick();
}

void TDesktopNotifications::NotificationClosed(uint id, uint) {
    ids_.remove(id);
}

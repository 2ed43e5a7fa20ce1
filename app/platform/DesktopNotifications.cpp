#include "app/platform/DesktopNotifications.h"

#include "shell/Language.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QVariantMap>

#include <algorithm>

namespace {

QDBusMessage Call(const char* method) {
    return QDBusMessage::createMethodCall(
        QLatin1String(TDesktopNotifications::Service), QLatin1String(TDesktopNotifications::Path),
        QLatin1String(TDesktopNotifications::Interface), QLatin1String(method));
}

} // namespace

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
    // A new service numbers its notifications afresh: our old numbers may be another's now.
    auto* watcher =
        new QDBusServiceWatcher(service, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { actions_.clear(); });
}

void TDesktopNotifications::Notify(const QString& title, const QString& text,
                                   const QString& category, int timeoutMs,
                                   std::function<void()> action, std::function<void()> onFailure) {
    if (!bus_.isConnected()) {
        if (onFailure)
            onFailure();
        return;
    }
    // The service says whether it reads the text as markup; a service that does not answer
    // this will not take the notification either, and reports that below.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(Call("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, title, text, category, timeoutMs, sound = soundName_, action = std::move(action),
             onFailure = std::move(onFailure)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QStringList> capabilities = *finished;
                finished->deleteLater();
                const bool markup = !capabilities.isError() &&
                                    capabilities.value().contains(QStringLiteral("body-markup"));
                Send({title, markup ? text.toHtmlEscaped() : text, category, sound}, timeoutMs,
                     action, onFailure);
            });
}

void TDesktopNotifications::Send(const TTexts& texts, int timeoutMs, std::function<void()> action,
                                 std::function<void()> onFailure) {
    QDBusMessage call = Call("Notify");
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("zentrilo"));
    if (!texts.category.isEmpty())
        hints.insert(QStringLiteral("category"), texts.category);
    if (!texts.sound.isEmpty())
        hints.insert(QStringLiteral("sound-name"), texts.sound);
    QStringList actions;
    if (action)
        actions = {QStringLiteral("default"), Lang("Open", "Deschide")};
    call << AppTitle() << uint(0) << QStringLiteral("zentrilo") << texts.title << texts.text
         << actions << hints << qint32(timeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, action = std::move(action),
             onFailure = std::move(onFailure)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                finished->deleteLater();
                if (reply.isError()) {
                    if (onFailure)
                        onFailure();
                } else if (action) {
                    Remember(reply.value(), action);
                }
            });
}

void TDesktopNotifications::Remember(uint id, std::function<void()> action) {
    actions_.emplace_back(id, std::move(action));
    if (actions_.size() > MaxClickable)
        actions_.erase(actions_.begin());
}

void TDesktopNotifications::ActionInvoked(uint id, const QString& action) {
    // Other programs' notifications and other actions are none of our business.
    if (action != QLatin1String("default"))
        return;
    const auto found = std::find_if(actions_.begin(), actions_.end(),
                                    [id](const auto& entry) { return entry.first == id; });
    if (found == actions_.end())
        return;
    const std::function<void()> run = found->second; // it may show a box that outlives the entry
    run();
}

void TDesktopNotifications::NotificationClosed(uint id, uint) {
    std::erase_if(actions_, [id](const auto& entry) { return entry.first == id; });
}

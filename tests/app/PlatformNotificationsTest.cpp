#include "app/platform/DesktopNotifications.h"
#include "app/platform/SystemTrayBackend.h"
#include "tests/app/EventPump.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

void Settle() {
    PumpUntil([] { return false; }, 150);
}

struct SentNotification {
    QString app, icon, title, text;
    QStringList actions;
    QVariantMap hints;
    int timeout = 0;
};

} // namespace

// A notification service of our own on a private bus: records what it is sent.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<SentNotification> sent;
    uint nextId = 41;

public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString& title,
                const QString& text, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        sent.append({app, icon, title, text, actions, hints, timeout});
        return ++nextId;
    }
};

namespace {

class NotificationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted(3000));
        ASSERT_TRUE(PumpUntil([&] { return daemon.canReadLine(); }));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        server = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("service")));
        client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("client")));
        ASSERT_TRUE(server->isConnected());
        ASSERT_TRUE(client->isConnected());
    }
    void TearDown() override {
        server.reset();
        client.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        daemon.kill();
        daemon.waitForFinished(2000);
    }

    void StartService() {
        ASSERT_TRUE(server->registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                           &service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server->registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    void EmitSignal(const char* name, uint id, const QVariant& second) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QLatin1String(name));
        signal << id << second;
        server->send(signal);
        Settle();
    }
    void Click(uint id, const QString& action = QStringLiteral("default")) {
        EmitSignal("ActionInvoked", id, action);
    }

    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> server, client;
    FakeNotificationService service;
};

TEST_F(NotificationsTest, SendsTitleTextTimeoutCategoryAndTheDefaultAction) {
    StartService();
    TDesktopNotifications notifications(*client);
    EXPECT_TRUE(notifications.Available());
    bool failed = false;
    notifications.Notify(QStringLiteral("Click to send bob a message"),
                         QStringLiteral("bob is now ONLINE"), QStringLiteral("presence.online"),
                         5000, [&] { failed = true; });
    notifications.Notify(QStringLiteral("Zentrilo is still running"), QStringLiteral("..."),
                         QString(), 1000, [&] { failed = true; });
    ASSERT_TRUE(PumpUntil([&] { return notifications.PendingIds().size() == 2; }));
    EXPECT_FALSE(failed);
    ASSERT_EQ(service.sent.size(), 2);
    const SentNotification& status = service.sent[0];
    EXPECT_EQ(status.app, QStringLiteral("Zentrilo"));
    EXPECT_EQ(status.title, QStringLiteral("Click to send bob a message"));
    EXPECT_EQ(status.text, QStringLiteral("bob is now ONLINE"));
    EXPECT_EQ(status.timeout, 5000);
    ASSERT_GE(status.actions.size(), 2);
    EXPECT_EQ(status.actions[0], QStringLiteral("default"));
    EXPECT_EQ(status.hints.value(QStringLiteral("category")).toString(),
              QStringLiteral("presence.online"));
    EXPECT_EQ(service.sent[1].timeout, 1000);
    EXPECT_FALSE(service.sent[1].hints.contains(QStringLiteral("category")));
}

TEST_F(NotificationsTest, OnlyTheDefaultActionOfOurOwnNotificationsIsAClick) {
    StartService();
    TDesktopNotifications notifications(*client);
    int clicks = 0;
    notifications.OnClick = [&] { ++clicks; };
    notifications.Notify(QStringLiteral("t"), QStringLiteral("x"), QString(), 5000, {});
    ASSERT_TRUE(PumpUntil([&] { return !notifications.PendingIds().isEmpty(); }));
    const uint ours = *notifications.PendingIds().begin();

    Click(ours + 100); // another program's notification
    Click(ours, QStringLiteral("reply"));
    EXPECT_EQ(clicks, 0);
    Click(ours);
    EXPECT_EQ(clicks, 1);
    EmitSignal("NotificationClosed", ours, QVariant::fromValue(uint(2)));
    Click(ours);
    EXPECT_EQ(clicks, 1);
}

TEST_F(NotificationsTest, NoServiceOnTheBusIsAFailure) {
    TDesktopNotifications notifications(*client);
    EXPECT_FALSE(notifications.Available());
    bool failed = false;
    notifications.Notify(QStringLiteral("t"), QStringLiteral("x"), QString(), 5000,
                         [&] { failed = true; });
    EXPECT_TRUE(PumpUntil([&] { return failed; }));
}

TEST_F(NotificationsTest, TrayBalloonCarriesItsCategoryOnceAndReportsItsClick) {
    StartService();
    TSystemTrayBackend backend(std::make_unique<TDesktopNotifications>(*client));
    int clicks = 0;
    backend.balloonClicked = [&] { ++clicks; };
    backend.SetBalloonCategory(QStringLiteral("presence.offline"));
    backend.ShowBalloon(QString(), QStringLiteral("bob is now OFFLINE"), bfInfo, 5000);
    backend.ShowBalloon(QStringLiteral("Zentrilo is still running"), QStringLiteral("..."), bfInfo,
                        1000);
    ASSERT_TRUE(PumpUntil([&] { return service.sent.size() == 2; }));
    EXPECT_EQ(service.sent[0].hints.value(QStringLiteral("category")).toString(),
              QStringLiteral("presence.offline"));
    EXPECT_FALSE(service.sent[1].hints.contains(QStringLiteral("category")));
    Settle();
    Click(service.nextId);
    EXPECT_EQ(clicks, 1);
}

TEST(NotificationsWithoutBusTest, NoBusFailsAtOnce) {
    TDesktopNotifications notifications(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere")));
    EXPECT_FALSE(notifications.Available());
    bool failed = false;
    notifications.Notify(QStringLiteral("t"), QStringLiteral("x"), QString(), 5000,
                         [&] { failed = true; });
    EXPECT_TRUE(failed);
}

} // namespace

#include "PlatformNotificationsTest.moc"

#include "app/platform/DesktopNotifications.h"
#include "app/platform/SystemTrayBackend.h"
#include "tests/shell/EventPump.h"

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
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};

public slots:
    QStringList GetCapabilities() { return capabilities; }
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

TEST_F(NotificationsTest, SendsTitleTextTimeoutCategoryAndTheDefaultActionOnlyWithAnAction) {
    StartService();
    TDesktopNotifications notifications(*client);
    bool failed = false;
    notifications.Notify(
        QStringLiteral("Click to send bob a message"), QStringLiteral("bob is now ONLINE"),
        QStringLiteral("presence.online"), 5000, [] {}, [&] { failed = true; });
    notifications.Notify(QString(), QStringLiteral("bob is now OFFLINE"),
                         QStringLiteral("presence.offline"), 5000, nullptr, [&] { failed = true; });
    ASSERT_TRUE(PumpUntil([&] { return service.sent.size() == 2; }));
    Settle();
    EXPECT_FALSE(failed);
    const SentNotification& online = service.sent[0];
    EXPECT_EQ(online.app, QStringLiteral("Zentrilo"));
    EXPECT_EQ(online.title, QStringLiteral("Click to send bob a message"));
    EXPECT_EQ(online.text, QStringLiteral("bob is now ONLINE"));
    EXPECT_EQ(online.timeout, 5000);
    ASSERT_GE(online.actions.size(), 2);
    EXPECT_EQ(online.actions[0], QStringLiteral("default"));
    EXPECT_EQ(online.hints.value(QStringLiteral("category")).toString(),
              QStringLiteral("presence.online"));
    EXPECT_TRUE(service.sent[1].actions.isEmpty()); // nothing to click on an offline one
    EXPECT_EQ(notifications.Clickable(), 1u);
}

TEST_F(NotificationsTest, EachClickRunsTheActionOfItsOwnNotificationEveryTime) {
    StartService();
    TDesktopNotifications notifications(*client);
    QStringList opened;
    for (const char* id : {"ann", "bob"})
        notifications.Notify(QStringLiteral("t"), QLatin1String(id), QString(), 5000,
                             [&opened, id] { opened.push_back(QLatin1String(id)); }, {});
    notifications.Notify(QString(), QStringLiteral("ann is now OFFLINE"), QString(), 5000, nullptr,
                         {});
    ASSERT_TRUE(PumpUntil([&] { return service.sent.size() == 3; }));
    Settle();
    const uint ann = service.nextId - 2, bob = service.nextId - 1, offline = service.nextId;
    for (const uint id : {ann, bob, offline, ann, ann + 100, bob})
        Click(id);
    Click(bob, QStringLiteral("reply"));
    EXPECT_EQ(opened, (QStringList{"ann", "bob", "ann", "bob"}));
    EmitSignal("NotificationClosed", ann, QVariant::fromValue(uint(2)));
    Click(ann);
    EXPECT_EQ(opened.size(), 4);
}

TEST_F(NotificationsTest, TheTextIsEscapedWhereTheServiceReadsMarkup) {
    StartService();
    TDesktopNotifications notifications(*client);
    const QString text = QStringLiteral("<b>a&b</b> is now ONLINE");
    for (const bool markup : {false, true}) {
        service.capabilities = {QStringLiteral("body")};
        if (markup)
            service.capabilities.push_back(QStringLiteral("body-markup"));
        notifications.Notify(QStringLiteral("<i>t</i>"), text, QString(), 5000, nullptr, {});
        ASSERT_TRUE(PumpUntil([&] { return service.sent.size() == (markup ? 2 : 1); }));
    }
    EXPECT_EQ(service.sent[0].text, text);
    EXPECT_EQ(service.sent[1].text, QStringLiteral("&lt;b&gt;a&amp;b&lt;/b&gt; is now ONLINE"));
    EXPECT_EQ(service.sent[1].title, QStringLiteral("<i>t</i>")); // never markup
}

TEST_F(NotificationsTest, OnlyTheLatestClickableNotificationsAreKept) {
    StartService();
    TDesktopNotifications notifications(*client);
    int clicks = 0;
    const int count = int(TDesktopNotifications::MaxClickable) + 1;
    for (int i = 0; i < count; ++i)
        notifications.Notify(QStringLiteral("t"), QStringLiteral("x"), QString(), 5000,
                             [&] { ++clicks; }, {});
    ASSERT_TRUE(PumpUntil([&] { return service.sent.size() == count; }));
    Settle();
    EXPECT_EQ(notifications.Clickable(), TDesktopNotifications::MaxClickable);
    Click(service.nextId - count + 1); // the oldest is forgotten
    EXPECT_EQ(clicks, 0);
    Click(service.nextId);
    EXPECT_EQ(clicks, 1);
}

TEST_F(NotificationsTest, ANewServiceForgetsTheOldNumbers) {
    StartService();
    TDesktopNotifications notifications(*client);
    notifications.Notify(QStringLiteral("t"), QStringLiteral("x"), QString(), 5000, [] {}, {});
    ASSERT_TRUE(PumpUntil([&] { return notifications.Clickable() == 1; }));
    ASSERT_TRUE(server->unregisterService(QStringLiteral("org.freedesktop.Notifications")));
    EXPECT_TRUE(PumpUntil([&] { return notifications.Clickable() == 0; }));
}

TEST_F(NotificationsTest, NoServiceOnTheBusIsAFailure) {
    TDesktopNotifications notifications(*client);
    bool failed = false;
    notifications.Notify(
        QStringLiteral("t"), QStringLiteral("x"), QString(), 5000, [] {}, [&] { failed = true; });
    EXPECT_TRUE(PumpUntil([&] { return failed; }));
    EXPECT_EQ(notifications.Clickable(), 0u);
}

TEST_F(NotificationsTest, TrayBalloonCarriesItsCategoryAndActionOnce) {
    StartService();
    TSystemTrayBackend backend(std::make_unique<TDesktopNotifications>(*client));
    int iconBalloonClicks = 0, ownClicks = 0;
    backend.balloonClicked = [&] { ++iconBalloonClicks; };
    backend.SetBalloonCategory(QStringLiteral("presence.online"));
    backend.SetBalloonAction([&] { ++ownClicks; });
    backend.ShowBalloon(QStringLiteral("t"), QStringLiteral("bob is now ONLINE"), bfInfo, 5000);
    backend.ShowBalloon(QStringLiteral("Zentrilo is still running"), QStringLiteral("..."), bfInfo,
                        1000);
    ASSERT_TRUE(PumpUntil([&] { return service.sent.size() == 2; }));
    EXPECT_EQ(service.sent[0].hints.value(QStringLiteral("category")).toString(),
              QStringLiteral("presence.online"));
    EXPECT_FALSE(service.sent[1].hints.contains(QStringLiteral("category")));
    EXPECT_TRUE(service.sent[1].actions.isEmpty());
    Settle();
    Click(service.nextId - 1);
    Click(service.nextId);
    EXPECT_EQ(ownClicks, 1);
    EXPECT_EQ(iconBalloonClicks, 0);
    EXPECT_TRUE(backend.Balloons().Shown().empty());
}

// With the sound switched on, each notification asks the service for the message sound.
TEST_F(NotificationsTest, TheSoundSwitchAddsTheSoundHint) {
    StartService();
    TSystemTrayBackend backend(std::make_unique<TDesktopNotifications>(*client));
    for (const bool on : {true, false}) {
        backend.SetSound(on);
        backend.ShowBalloon(QStringLiteral("t"), QStringLiteral("x"), bfInfo, 5000);
    }
    ASSERT_TRUE(PumpUntil([&] { return service.sent.size() == 2; }));
    EXPECT_EQ(service.sent[0].hints.value(QStringLiteral("sound-name")).toString(),
              QStringLiteral("message-new-instant"));
    EXPECT_FALSE(service.sent[1].hints.contains(QStringLiteral("sound-name")));
}

TEST(NotificationsWithoutBusTest, NoBusFailsAtOnce) {
    TDesktopNotifications notifications(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere")));
    bool failed = false;
    notifications.Notify(
        QStringLiteral("t"), QStringLiteral("x"), QString(), 5000, [] {}, [&] { failed = true; });
    EXPECT_TRUE(failed);
}

} // namespace

#include "PlatformNotificationsTest.moc"

#include "app/platform/SystemTrayBackend.h"

#include <QDBusConnection>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TSystemTrayBackend> OfflineBackend() {
    return std::make_unique<TSystemTrayBackend>(
        std::make_unique<TDesktopNotifications>(QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no-bus"))));
}

TEST(TrayBackendTest, OnlyAPlainClickOnTheIconIsAClick) {
    const auto backend = OfflineBackend();
    int clicks = 0;
    backend->clicked = [&] { ++clicks; };
    const struct {
        QSystemTrayIcon::ActivationReason reason;
        int clicks;
    } cases[] = {{QSystemTrayIcon::Trigger, 1},
                 {QSystemTrayIcon::Context, 0},
                 {QSystemTrayIcon::DoubleClick, 0},
                 {QSystemTrayIcon::MiddleClick, 0}};
    for (const auto& c : cases) {
        clicks = 0;
        emit backend->Icon().activated(c.reason);
        EXPECT_EQ(clicks, c.clicks) << c.reason;
    }
}

TEST(TrayBackendTest, QtBalloonClickIsTheBalloonClick) {
    const auto backend = OfflineBackend();
    int clicks = 0;
    backend->balloonClicked = [&] { ++clicks; };
    // No notification service: the balloon falls back to the tray's own.
    backend->ShowBalloon(QStringLiteral("t"), QStringLiteral("x"), bfInfo, 5000);
    emit backend->Icon().messageClicked();
    EXPECT_EQ(clicks, 1);
}

TEST(TrayBackendTest, HintAndMenuReachTheIcon) {
    const auto backend = OfflineBackend();
    QMenu menu;
    backend->SetHint(QStringLiteral("Zentrilo"));
    backend->SetMenu(&menu);
    EXPECT_EQ(backend->Icon().toolTip(), QStringLiteral("Zentrilo"));
    EXPECT_EQ(backend->Icon().contextMenu(), &menu);
}

} // namespace

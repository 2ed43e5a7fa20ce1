#include "app/platform/SystemTrayBackend.h"

#include "tests/shell/EventPump.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTextDocument>

#include <vector>

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

// Each of the program's own balloons keeps its own click; one without runs the icon's balloon
// click.
TEST(TrayBackendTest, WithoutANotificationServiceEachOwnBalloonShowsAndKeepsItsClick) {
    const auto backend = OfflineBackend();
    std::vector<QString> clicks;
    backend->balloonClicked = [&] { clicks.push_back(QStringLiteral("icon")); };
    backend->SetBalloonAction([&] { clicks.push_back(QStringLiteral("own")); });
    backend->ShowBalloon(QStringLiteral("t"), QStringLiteral("x"), bfInfo, 5000);
    backend->ShowBalloon(QStringLiteral("u"), QStringLiteral("y"), bfInfo, 5000);
    ASSERT_TRUE(PumpUntil([&] { return backend->Balloons().Shown().size() == 2; }));
    const std::vector<TBalloonPopup*> shown(backend->Balloons().Shown().begin(),
                                            backend->Balloons().Shown().end());
    for (TBalloonPopup* balloon : shown) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
                          balloon->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(balloon, &press);
        EXPECT_FALSE(balloon->isVisible());
    }
    EXPECT_EQ(clicks, (std::vector<QString>{"own", "icon"}));
    EXPECT_TRUE(backend->Balloons().Shown().empty());
}

TEST(TrayBackendTest, TheOwnBalloonShowsItsTextsAsTypedAndGoesAfterItsTime) {
    TBalloonPopup balloon;
    QRect icon(1001, 1, 22, 30);
    balloon.ShowBalloon(QStringLiteral("<b>t</b>"), QStringLiteral("a&b <i>"), QIcon(), 400,
                        [&] { return icon; });
    ASSERT_TRUE(balloon.isVisible());
    QStringList texts;
    for (const QLabel* label : balloon.findChildren<QLabel*>())
        if (label->textFormat() == Qt::PlainText && label->isVisibleTo(&balloon))
            texts.push_back(label->text());
    EXPECT_EQ(texts, (QStringList{"<b>t</b>", "a&b <i>"}));
    const auto placeFor = [&] {
        return TBalloonPopup::Place(icon, balloon.size(), balloon.screen()->availableGeometry());
    };
    EXPECT_EQ(balloon.pos(), placeFor());
    // The icon finds its place in the panel later: the balloon follows it.
    icon.moveTo(0, 700);
    EXPECT_TRUE(PumpUntil([&] { return balloon.pos() == placeFor(); }));
    EXPECT_TRUE(PumpUntil([&] { return !balloon.isVisible(); }));
    balloon.ShowBalloon(QString(), QString(), QIcon(), 5000, {});
    EXPECT_FALSE(balloon.isVisible());
}

TEST(TrayBackendTest, TheOwnBalloonNeverCoversTheIcon) {
    const QRect screen(0, 0, 1024, 768);
    const QSize size(256, 72);
    const struct {
        const char* tray;
        QRect icon;
        QPoint place;
    } cases[] = {
        {"top right", QRect(1001, 1, 22, 30), QPoint(764, 35)},
        {"bottom right", QRect(990, 740, 24, 24), QPoint(758, 664)},
        {"top left", QRect(2, 0, 24, 24), QPoint(4, 28)},
        {"right edge, low", QRect(1000, 600, 24, 24), QPoint(764, 524)},
        {"unknown", QRect(), QPoint(764, 692)},
    };
    for (const auto& c : cases) {
        const QPoint place = TBalloonPopup::Place(c.icon, size, screen);
        EXPECT_EQ(place, c.place) << c.tray;
        const QRect balloon(place, size);
        EXPECT_FALSE(balloon.intersects(c.icon)) << c.tray;
        EXPECT_TRUE(screen.contains(balloon)) << c.tray;
    }
}

TEST(TrayBackendTest, HintAndMenuReachTheIcon) {
    const auto backend = OfflineBackend();
    QMenu menu;
    backend->SetHint(QStringLiteral("Zentrilo"));
    backend->SetMenu(&menu);
    EXPECT_EQ(backend->Icon().toolTip(), QStringLiteral("Zentrilo"));
    EXPECT_EQ(backend->Icon().contextMenu(), &menu);
}

// The tooltip shows IDs as typed: one that looks like markup is never read as markup.
TEST(TrayBackendTest, TheTooltipIsText) {
    const auto backend = OfflineBackend();
    for (const QString& hint : {QStringLiteral("Zentrilo\n1 of 2 online: ann"),
                                QStringLiteral("<b>Zentrilo</b>\n1 of 2 online: <i>ann & bob")}) {
        backend->SetHint(hint);
        QTextDocument shown;
        shown.setHtml(backend->Icon().toolTip());
        const QString tip = backend->Icon().toolTip();
        EXPECT_EQ(Qt::mightBeRichText(tip) ? shown.toPlainText() : tip, hint);
    }
}

} // namespace

#include "app/platform/BalloonStack.h"

#include "shell/Language.h"
#include "tests/shell/EventPump.h"
#include "tests/shell/ShellFakes.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <gtest/gtest.h>

#include <vector>

namespace {

QString TextOf(const TBalloonPopup* balloon) {
    QStringList texts;
    for (const QLabel* label : balloon->findChildren<QLabel*>())
        if (label->isVisibleTo(balloon) && !label->text().isEmpty())
            texts << label->text();
    return texts.join(QLatin1Char('|'));
}

void Click(TBalloonPopup* balloon) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), balloon->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(balloon, &press);
}

class BalloonStackTest : public ::testing::Test {
protected:
    // Balloons "1" to "count", each recording its own click.
    void ShowMany(int count, const QRect& icon, int timeoutMs = 10000) {
        for (int i = 1; i <= count; ++i)
            stack.Show(
                QString(), QString::number(i), QIcon(), timeoutMs, [icon] { return icon; },
                [this, i] { clicks.push_back(i); });
    }

    TLanguageScope english{true};
    TBalloonStack stack;
    std::vector<int> clicks;
};

// Five stand at once; each further one folds the oldest into the counting line, whose click
// asks for the recent changes; each balloon's click acts for its own change alone.
TEST_F(BalloonStackTest, FiveShowTheSixthFoldsAndEachClickIsItsOwn) {
    int more = 0;
    stack.OnMore = [&] { ++more; };
    ShowMany(8, QRect(990, 740, 24, 24));
    ASSERT_EQ(stack.Shown().size(), 5u);
    QStringList texts;
    for (const TBalloonPopup* balloon : stack.Shown()) {
        EXPECT_TRUE(balloon->isVisible());
        texts << TextOf(balloon);
    }
    EXPECT_EQ(texts, (QStringList{"4", "5", "6", "7", "8"}));
    EXPECT_TRUE(stack.FoldedLine().isVisible());
    EXPECT_EQ(TextOf(&stack.FoldedLine()), QStringLiteral("and 3 more changes…"));
    Click(stack.Shown()[3]); // "7"
    Click(stack.Shown()[0]); // "4"
    EXPECT_EQ(clicks, (std::vector<int>{7, 4}));
    EXPECT_EQ(stack.Shown().size(), 3u);
    Click(&stack.FoldedLine());
    EXPECT_EQ(more, 1);
    EXPECT_EQ(stack.Folded(), 0);
}

// Newer balloons stand above older ones, none over another, on either side of the icon.
TEST_F(BalloonStackTest, NewerStandAboveOlderWhereverTheIconIs) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* tray;
        QRect icon;
    } cases[] = {{"bottom", QRect(screen.right() - 30, screen.bottom() - 24, 24, 24)},
                 {"top", QRect(screen.right() - 30, screen.top(), 24, 24)}};
    for (const auto& c : cases) {
        TBalloonStack own;
        for (int i = 1; i <= 3; ++i)
            own.Show(QStringLiteral("t"), QString::number(i), QIcon(), 10000,
                     [icon = c.icon] { return icon; }, {});
        ASSERT_EQ(own.Shown().size(), 3u) << c.tray;
        for (std::size_t i = 1; i < own.Shown().size(); ++i) {
            const QRect older = own.Shown()[i - 1]->geometry();
            const QRect newer = own.Shown()[i]->geometry();
            EXPECT_LT(newer.top(), older.top()) << c.tray;
            EXPECT_FALSE(newer.intersects(older)) << c.tray;
            EXPECT_FALSE(newer.intersects(c.icon)) << c.tray;
        }
    }
}

// While the pointer rests on any balloon, every one stays; once it leaves, they go.
TEST_F(BalloonStackTest, APointerRestingOnOneKeepsThemAll) {
    ShowMany(3, QRect(990, 740, 24, 24), 150);
    TBalloonPopup* rested = stack.Shown()[1];
    rested->setAttribute(Qt::WA_UnderMouse, true);
    EXPECT_FALSE(PumpUntil([&] { return stack.Shown().size() < 3; }, 700));
    rested->setAttribute(Qt::WA_UnderMouse, false);
    EXPECT_TRUE(PumpUntil([&] { return stack.Shown().empty(); }));
}

} // namespace

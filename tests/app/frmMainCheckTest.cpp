// The one-off check of any typed ID and the clearing of its result.
#include "frmMainFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

QColor StatusColour(const TzentriloMF& w) {
    return w.lbStatus->palette().color(QPalette::WindowText);
}

TEST_F(MainWindowTest, OneOffCheckAsksTheSecondQueryOnlyWhenNotOnline) {
    struct Case {
        int first;
        int second;
        std::size_t requests;
        const char* english;
        const char* romanian;
        QColor colour; // invalid: the window-text colour
    };
    const QColor green(0, 128, 0);
    const QColor red(255, 0, 0);
    const Case cases[] = {
        {bsOnline, bsOffline, 1, "Bob is ONLINE", "Bob este ONLINE", green},
        {bsOffline, bsInvisible, 2, "Bob is ONLINE (INVISIBLE)", "Bob este ONLINE (INVIZIBIL)",
         green},
        {bsOffline, bsOffline, 2, "Bob is OFFLINE", "Bob este OFFLINE", red},
        {-1, -1, 2, "Bob is ERROR", "Bob este EROARE", red},
        {bsOffline, -1, 2, "Bob is ERROR", "Bob este EROARE", red},
        {-1, bsOnline, 2, "Bob is ONLINE", "Bob este ONLINE", green},
        {bsOffline, 10, 2, "Bob is ", "Bob este ", QColor()},
    };
    Start();
    const QColor windowText = window->palette().color(QPalette::WindowText);
    for (const bool english : {true, false}) {
        UseEnglish = english;
        for (const Case& c : cases) {
            firstAnswer = c.first;
            secondAnswer = c.second;
            urls.clear();
            window->edBuddyID->setText(QStringLiteral("  Bob "));
            window->btnCheckBuddyClick();
            EXPECT_EQ(window->lbStatus->text(),
                      QString::fromUtf8(english ? c.english : c.romanian));
            EXPECT_EQ(StatusColour(*window), c.colour.isValid() ? c.colour : windowText)
                << c.english;
            ASSERT_EQ(urls.size(), c.requests) << c.english;
            // Both queries get the ID exactly as typed.
            EXPECT_NE(urls[0].find("yid=  Bob &invisiblescan=0"), std::string::npos);
            if (c.requests == 2) {
                EXPECT_NE(urls[1].find("yid=  Bob &invisiblescan=1"), std::string::npos);
            }
            EXPECT_TRUE(window->ClearStatusTimer->isActive());
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainWindowTest, BlankIdWarnsWithoutAnyRequest) {
    Start();
    window->lbStatus->setText(QStringLiteral("earlier"));
    window->ClearStatusTimer->start();
    for (const bool english : {true, false}) {
        UseEnglish = english;
        boxes.shown.clear();
        window->edBuddyID->setText(QStringLiteral(" \t "));
        window->btnCheckBuddyClick();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, TMessageKind::Warning);
        EXPECT_EQ(boxes.shown[0].text, english
                                           ? QStringLiteral("Please enter a valid Yahoo! ID!")
                                           : QStringLiteral("Te rog introdu un ID Yahoo! valid!"));
    }
    EXPECT_TRUE(urls.empty());
    EXPECT_FALSE(window->ClearStatusTimer->isActive());
    EXPECT_EQ(window->lbStatus->text(), QStringLiteral("earlier"));
}

TEST_F(MainWindowTest, EnterChecksAndTheReleaseRestartsTheCountdown) {
    Start();
    window->edBuddyID->setText(QStringLiteral("bob"));
    window->edBuddyIDKeyDown(Qt::Key_Return);
    EXPECT_EQ(urls.size(), 2u);
    EXPECT_EQ(window->lbStatus->text(), QStringLiteral("bob is OFFLINE"));
    EXPECT_FALSE(window->ClearStatusTimer->isActive()); // the key is still down
    window->edBuddyIDKeyUp();
    EXPECT_TRUE(window->ClearStatusTimer->isActive());

    // Through the edit's own key events too.
    urls.clear();
    Key(window->edBuddyID, Qt::Key_Enter);
    EXPECT_EQ(urls.size(), 2u);
    EXPECT_TRUE(window->ClearStatusTimer->isActive());
}

TEST_F(MainWindowTest, TypingStartsTheClearingCountdown) {
    Start();
    window->edBuddyIDKeyDown(Qt::Key_A);
    EXPECT_FALSE(window->ClearStatusTimer->isActive());
    window->edBuddyIDKeyUp();
    EXPECT_TRUE(window->ClearStatusTimer->isActive());
    EXPECT_EQ(window->ClearStatusTimer->interval(), 15000);
    window->edBuddyID->setText(QStringLiteral("typed"));
    window->lbStatus->setText(QStringLiteral("x is OFFLINE"));
    window->ClearStatusTimerTimer(); // as the 15 s tick does
    EXPECT_TRUE(window->edBuddyID->text().isEmpty());
    EXPECT_TRUE(window->lbStatus->text().isEmpty());
    EXPECT_FALSE(window->ClearStatusTimer->isActive());
    EXPECT_TRUE(urls.empty());
}

TEST_F(MainWindowTest, OneOffCheckTouchesNoEntryRowOrBalloon) {
    Start();
    window->AddBuddy(QStringLiteral("bob"), 1);
    const QString status = Cell(0, 3);
    tray->balloons.clear();
    firstAnswer = bsOnline;
    window->edBuddyID->setText(QStringLiteral("bob"));
    window->btnCheckBuddyClick();
    EXPECT_EQ(Cell(0, 3), status);
    EXPECT_EQ(window->Buddies().List.at(0)->LastStatus, bsOffline);
    EXPECT_TRUE(tray->balloons.empty());
}

} // namespace

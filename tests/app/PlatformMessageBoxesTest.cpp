#include "app/platform/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct BoxCase {
    TMessageKind kind;
    bool defaultYes;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
};

class MessageBoxLookTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxLookTest, IconButtonsAndDefaultByKind) {
    const BoxCase& c = GetParam();
    const auto box = TQtMessageBoxes::Build(c.kind, QStringLiteral("Zentrilo"),
                                            QStringLiteral("text"), c.defaultYes);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Zentrilo"));
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->standardButtons(), c.buttons);
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
}

constexpr auto YesNo = QMessageBox::Yes | QMessageBox::No;

INSTANTIATE_TEST_SUITE_P(
    Kinds, MessageBoxLookTest,
    ::testing::Values(
        BoxCase{TMessageKind::Info, true, QMessageBox::Information, QMessageBox::Ok,
                QMessageBox::Ok},
        BoxCase{TMessageKind::Warning, false, QMessageBox::Warning, QMessageBox::Ok,
                QMessageBox::Ok},
        BoxCase{TMessageKind::Question, true, QMessageBox::Question, YesNo, QMessageBox::Yes},
        BoxCase{TMessageKind::Question, false, QMessageBox::Question, YesNo, QMessageBox::No},
        BoxCase{TMessageKind::QuestionWarning, true, QMessageBox::Warning, YesNo, QMessageBox::Yes},
        BoxCase{TMessageKind::QuestionWarning, false, QMessageBox::Warning, YesNo,
                QMessageBox::No}));

TEST(MessageBoxTextTest, TextFromTheNetworkIsNeverReadAsMarkup) {
    const QString text = QStringLiteral("<b>bob</b> & <a href='x'>release</a>");
    const auto box =
        TQtMessageBoxes::Build(TMessageKind::Info, QStringLiteral("Zentrilo"), text, true);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->text(), text);
}

// Runs a real box and presses a button in it as soon as it is open.
int ShowAndPress(TMessageKind kind, bool defaultYes, QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr)
            box->button(press)->click();
    });
    TQtMessageBoxes boxes;
    return boxes.Show(kind, QStringLiteral("Zentrilo"), QStringLiteral("?"), defaultYes);
}

TEST(MessageBoxResultTest, AnswersAreTheButtonsPressed) {
    EXPECT_EQ(ShowAndPress(TMessageKind::Question, false, QMessageBox::Yes), IDYES);
    EXPECT_EQ(ShowAndPress(TMessageKind::QuestionWarning, true, QMessageBox::No), IDNO);
}

} // namespace

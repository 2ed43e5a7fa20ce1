#include "app/frmEdit.h"

#include "monitor/Check.h"
#include "monitor/Record.h"
#include "shell/IntegerText.h"
#include "tests/shell/ShellFakes.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Runs the dialog with a scripted user: types the texts, presses OK (and Cancel when OK does
// not close it), and records what the boxes said.
class EditFormTest : public ::testing::Test {
protected:
    int Run(TRecord* entry, const QString& id, const QString& interval) {
        form_.RunModal = [&](TEditForm& form) {
            titles_ << form.windowTitle();
            prefilled_ << form.edNume->text() + QLatin1Char('|') + form.cbInterval->currentText();
            form.edNume->setText(id);
            form.cbInterval->setEditText(interval);
            form.Button1->click();
            if (form.result() == 0)
                form.Button2->click();
            return form.result();
        };
        return form_.ShowEditDialog(entry);
    }
    TFakeMessageBoxes boxes_;
    TEditForm form_;
    QStringList titles_;
    QStringList prefilled_;
};

TEST_F(EditFormTest, ValidationTable) {
    const QString idWarning = QStringLiteral("Please enter a valid Yahoo! ID!");
    const QString intervalWarning = QStringLiteral("Please select a valid interval!");
    const struct {
        const char* id;
        const char* interval;
        int result;
        QString warning;
    } cases[] = {
        {" Bob ", "15", 1, {}},           {"bob", "007", 1, {}},
        {"bob", "0", 2, intervalWarning}, {"bob", "-3", 2, intervalWarning},
        {"bob", "x", 2, intervalWarning}, {" \t ", "5", 2, idWarning},
        {"", "x", 2, idWarning},          {"bob", "60", 1, {}},
    };
    for (const auto& c : cases) {
        boxes_.shown.clear();
        EXPECT_EQ(Run(nullptr, QString::fromUtf8(c.id), QString::fromUtf8(c.interval)), c.result)
            << c.id << "/" << c.interval;
        if (c.warning.isEmpty()) {
            EXPECT_TRUE(boxes_.shown.empty());
            continue;
        }
        ASSERT_EQ(boxes_.shown.size(), 1u);
        EXPECT_EQ(boxes_.shown[0].kind, TMessageKind::Warning);
        EXPECT_EQ(boxes_.shown[0].text, c.warning);
    }
}

TEST_F(EditFormTest, AcceptedTextsBecomeANormalisedEntry) {
    ASSERT_EQ(Run(nullptr, QStringLiteral(" Bob "), QStringLiteral("15")), 1);
    TCheckContext context;
    Tobjs list(context);
    TRecord* entry =
        list.Add(form_.edNume->text(), ParseInterval(form_.cbInterval->currentText(), 1));
    EXPECT_EQ(entry->ID, QStringLiteral("bob"));
    EXPECT_EQ(entry->Interval, 15);
}

TEST_F(EditFormTest, RomanianWarningsAndTitles) {
    TLanguageScope romanian(false);
    Run(nullptr, QString(), QStringLiteral("1"));
    Run(nullptr, QStringLiteral("x"), QStringLiteral("0"));
    ASSERT_EQ(boxes_.shown.size(), 2u);
    EXPECT_EQ(boxes_.shown[0].text, QString::fromUtf16(u"Te rog introdu un ID Yahoo! valid!"));
    EXPECT_EQ(boxes_.shown[1].text, QString::fromUtf16(u"Te rog selectează un interval valid!"));
    TCheckContext context;
    TRecord entry(context);
    Run(&entry, QStringLiteral("x"), QStringLiteral("1"));
    EXPECT_EQ(titles_, (QStringList{QString::fromUtf16(u"Adaugă"), QString::fromUtf16(u"Adaugă"),
                                    QString::fromUtf16(u"Editează")}));
}

TEST_F(EditFormTest, EachShowRefillsTheFields) {
    TCheckContext context;
    TRecord entry(context);
    entry.SetID(QStringLiteral("ann"));
    entry.SetInterval(25);
    Run(&entry, QStringLiteral("typed"), QStringLiteral("9"));
    Run(nullptr, QStringLiteral("typed"), QStringLiteral("9"));
    EXPECT_EQ(titles_, (QStringList{"Edit", "Add"}));
    EXPECT_EQ(prefilled_, (QStringList{"ann|25", "|1"}));
}

TEST_F(EditFormTest, FixedSizeNoCloseBoxListAndTabOrder) {
    EXPECT_EQ(form_.size(), QSize(270, 148));
    EXPECT_EQ(form_.minimumSize(), form_.maximumSize());
    EXPECT_FALSE(form_.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form_.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_TRUE(form_.Button1->isDefault());
    EXPECT_TRUE(form_.cbInterval->isEditable());
    QStringList items;
    for (int i = 0; i < form_.cbInterval->count(); ++i)
        items << form_.cbInterval->itemText(i);
    EXPECT_EQ(items, (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "20", "30",
                                  "40", "50", "60"}));
    EXPECT_EQ(form_.edNume->nextInFocusChain(), form_.cbInterval);
    EXPECT_EQ(form_.cbInterval->nextInFocusChain(), form_.Button1);
    EXPECT_EQ(form_.Button1->nextInFocusChain(), form_.Button2);
}

TEST_F(EditFormTest, EscapeCancelsWithTwo) {
    form_.RunModal = [](TEditForm& form) {
        form.reject();
        return form.result();
    };
    EXPECT_EQ(form_.ShowEditDialog(nullptr), 2);
}

} // namespace

#include "app/frmEdit.h"

#include "monitor/Check.h"
#include "monitor/Record.h"
#include "monitor/SourceCatalogue.h"
#include "shell/IntegerText.h"
#include "tests/shell/ShellFakes.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLayout>
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
    Run(nullptr, QStringLiteral("x"), QStringLiteral("1"));
    EXPECT_GE(form_.width(), 270);
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
    // What Tab reaches: labels in between take no focus.
    const auto next = [](QWidget* widget) {
        do
            widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
        return widget;
    };
    EXPECT_EQ(next(form_.edNume), form_.cbInterval);
    EXPECT_EQ(next(form_.cbInterval), form_.cbSource);
    EXPECT_EQ(next(form_.cbSource), form_.cbNotify);
    EXPECT_EQ(next(form_.cbNotify), form_.Button1);
    EXPECT_EQ(next(form_.Button1), form_.Button2);
}

// The dialog takes the size its texts need in either language, the note about the chosen
// source included, and nothing it shows is cut.
TEST_F(EditFormTest, TheDialogGrowsWithWhatItShows) {
    TSourceCatalogue catalogue(
        {UserSource(QStringLiteral("A source with a rather long name for a dialog"),
                    QStringLiteral("https://x.example/%s"), QStringLiteral("text:on"), {})});
    form_.SetCatalogue(&catalogue);
    TCheckContext context;
    TRecord entry(context);
    entry.SetID(QStringLiteral("ann"));
    for (const bool english : {true, false}) {
        TLanguageScope language(english);
        for (const char* source :
             {"Lichess", "Gone", "A source with a rather long name for a dialog"}) {
            entry.SetSource(QLatin1String(source));
            std::vector<QWidget*> cut;
            form_.RunModal = [&](TEditForm& form) {
                for (QWidget* child : form.findChildren<QWidget*>()) {
                    if (child->isVisibleTo(&form) && !form.rect().contains(child->geometry()))
                        cut.push_back(child);
                }
                if (form.lbSourceNote->isVisibleTo(&form) &&
                    form.lbSourceNote->height() <
                        form.lbSourceNote->heightForWidth(form.lbSourceNote->width()))
                    cut.push_back(form.lbSourceNote);
                return 2;
            };
            form_.ShowEditDialog(&entry);
            EXPECT_TRUE(cut.empty()) << source << (english ? " en" : " ro");
            EXPECT_GE(form_.cbSource->width(), form_.cbSource->sizeHint().width()) << source;
        }
    }
}

// Every source is offered; an entry's source is chosen in any letter case, and one that is gone
// stays as stored, with the reason, so that editing the interval keeps it.
TEST_F(EditFormTest, TheSourceChoiceOffersEverySourceAndKeepsAGoneOne) {
    TSourceCatalogue catalogue(
        {UserSource(QStringLiteral("Chess"), QStringLiteral("https://x.example/%s"),
                    QStringLiteral("text:on"), {})});
    form_.SetCatalogue(&catalogue);
    TCheckContext context;
    TRecord entry(context);
    entry.SetID(QStringLiteral("ann"));
    const struct {
        const char* stored;
        const char* shown;
        const char* kept;
        const char* note;
    } cases[] = {
        {"", "Zentrilo", "", nullptr},
        {"zentrilo", "Zentrilo", "", nullptr},
        {"lichess", "Lichess", "Lichess", nullptr},
        {"chess", "Chess", "Chess", nullptr},
        {"Gone", "Gone", "Gone", "There is no source named \"Gone\"."},
    };
    const bool ownHost = OwnServiceConfigured();
    for (const auto& c : cases) {
        entry.SetSource(QLatin1String(c.stored));
        QString shown, note;
        QStringList offered;
        form_.RunModal = [&](TEditForm& form) {
            shown = form.cbSource->currentText();
            note = form.lbSourceNote->isVisibleTo(&form) ? form.lbSourceNote->text() : QString();
            for (int i = 0; i < form.cbSource->count(); ++i)
                offered << form.cbSource->itemText(i);
            form.cbInterval->setEditText(QStringLiteral("7"));
            form.Button1->click();
            return form.result();
        };
        ASSERT_EQ(form_.ShowEditDialog(&entry), 1) << c.stored;
        EXPECT_EQ(shown, QLatin1String(c.shown));
        EXPECT_EQ(form_.SourceName(), QLatin1String(c.kept));
        QStringList expected{"Zentrilo", "Lichess", "Steam", "Chess"};
        if (QLatin1String(c.stored) == QLatin1String("Gone"))
            expected << "Gone";
        EXPECT_EQ(offered, expected);
        if (c.note != nullptr) {
            EXPECT_EQ(note, QString::fromUtf8(c.note));
        } else if (ownHost || QLatin1String(c.kept) != QLatin1String("")) {
            EXPECT_TRUE(note.isEmpty()) << note.toStdString();
        }
    }
}

// Without a host for the program's own service, choosing it says so in the dialog, in both
// languages; OK still takes it.
TEST_F(EditFormTest, TheOwnServiceWithoutAHostSaysSo) {
    if (OwnServiceConfigured())
        GTEST_SKIP() << "this build configures the program's own service";
    const struct {
        bool english;
        const char16_t* note;
    } cases[] = {
        {true, u"The program's own service is not configured in this installation."},
        {false, u"Serviciul propriu al programului nu este configurat \u00een aceast\u0103 "
                u"instalare."},
    };
    for (const auto& c : cases) {
        TLanguageScope language(c.english);
        QString note;
        int heightWithout = 0;
        form_.RunModal = [&](TEditForm& form) {
            heightWithout = form.height();
            form.cbSource->setCurrentIndex(0); // the program's own service
            form.layout()->activate();
            note = form.lbSourceNote->isVisibleTo(&form) ? form.lbSourceNote->text() : QString();
            EXPECT_GT(form.height(), heightWithout);
            form.edNume->setText(QStringLiteral("ann"));
            form.Button1->click();
            return form.result();
        };
        EXPECT_EQ(form_.ShowEditDialog(nullptr, QStringLiteral("Steam")), 1);
        EXPECT_EQ(note, QString::fromUtf16(c.note));
        EXPECT_EQ(form_.SourceName(), QString());
    }
}

TEST_F(EditFormTest, EscapeCancelsWithTwo) {
    form_.RunModal = [](TEditForm& form) {
        form.reject();
        return form.result();
    };
    EXPECT_EQ(form_.ShowEditDialog(nullptr), 2);
}

} // namespace

namespace {

// The ID's label and the blank-ID warning name the chosen source, as it is chosen and after a
// switch of language; the program's own service keeps its Yahoo! wording.
TEST_F(EditFormTest, TheIdsLabelAndWarningFollowTheChosenSource) {
    TSourceCatalogue catalogue(
        {UserSource(QStringLiteral("my Chess"), QStringLiteral("https://x.example/%s"),
                    QStringLiteral("text:on"), {})});
    form_.SetCatalogue(&catalogue);
    const struct {
        int index; // in the choice: own service, Lichess, Steam, then the user's
        const char* label[2];
        const char* warning[2];
    } cases[] = {
        {0,
         {"Yahoo! ID", "ID Yahoo!"},
         {"Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!"}},
        {1,
         {"Lichess ID", "ID Lichess"},
         {"Please enter a valid Lichess ID!", "Te rog introdu un ID Lichess valid!"}},
        {3,
         {"my Chess ID", "ID my Chess"},
         {"Please enter a valid my Chess ID!", "Te rog introdu un ID my Chess valid!"}},
    };
    for (const auto& c : cases) {
        for (const int language : {0, 1}) {
            TLanguageScope scope(language == 0);
            boxes_.shown.clear();
            QString label;
            form_.RunModal = [&](TEditForm& form) {
                form.cbSource->setCurrentIndex(c.index); // as the user picks it
                label = form.Label1->text();
                form.edNume->setText(QStringLiteral(" "));
                form.Button1->click();
                form.Button2->click();
                return form.result();
            };
            form_.ShowEditDialog(nullptr);
            EXPECT_EQ(label, QString::fromUtf8(c.label[language])) << c.index;
            ASSERT_EQ(boxes_.shown.size(), 1u);
            EXPECT_EQ(boxes_.shown[0].text, QString::fromUtf8(c.warning[language]));
            form_.ShowIdCaption(language != 0); // a switch while it is shown
            EXPECT_EQ(form_.Label1->text(), QString::fromUtf8(c.label[1 - language]));
        }
    }
}

} // namespace

#include "app/frmSources.h"

#include "app/frmSourceEdit.h"
#include "monitor/SourceQuery.h"
#include "tests/monitor/MonitorFakes.h"
#include "tests/support/InlineWorker.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTextDocument>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// The Sources window over a catalogue with one user source, a worker that answers at once and
// a scripted definition dialog.
class SourcesFormTest : public ::testing::Test {
protected:
    SourcesFormTest()
        : catalogue_({UserSource(u"Games"_s, u"http://127.0.0.1:5/id/%s/?xml=1"_s,
                                 u"xml:onlineState=online|in-game"_s, {})}),
          form_(catalogue_, worker_) {
        form_.OnChanged = [this](const QString& from, const QString& to) {
            changes_.push_back(from + u'>' + to);
        };
    }

    // Types the four fields into the definition dialog and presses OK, then Cancel when OK did
    // not close it.
    void Script(const QString& name, const QString& url, const QString& rule, const QString& open) {
        form_.EditForm->RunModal = [=, this](TSourceEditForm& dialog) {
            titles_ << dialog.windowTitle();
            dialog.edName->setText(name);
            dialog.edUrl->setText(url);
            dialog.edRule->setText(rule);
            dialog.edOpen->setText(open);
            dialog.Button1->click();
            focused_ = dialog.focusWidget();
            if (dialog.result() == 0)
                dialog.Button2->click();
            return dialog.result();
        };
    }

    void Select(const QString& name) {
        const auto rows = form_.lvSources->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1) << name.toStdString();
        form_.lvSources->setCurrentItem(rows[0]);
    }

    QStringList Names() const {
        QStringList names;
        for (int i = 0; i < form_.lvSources->topLevelItemCount(); ++i)
            names << form_.lvSources->topLevelItem(i)->text(0);
        return names;
    }

    TFakeMessageBoxes boxes_;
    TSourceCatalogue catalogue_;
    TInlineWorker worker_;
    TSourcesForm form_;
    std::vector<QString> changes_;
    QStringList titles_;
    QWidget* focused_ = nullptr;
};

// A definition the catalogue would refuse is refused where it is typed, with its reason in the
// language in force, and the field at fault gets the focus.
TEST_F(SourcesFormTest, BadDefinitionsAreRefusedWhereTyped) {
    const QString url = u"https://x.example/%s"_s;
    const QString rule = u"text:on"_s;
    const struct {
        QString name, url, rule, open;
        int field; // 0 name, 1 address, 2 rule, 3 what a click opens
        const char* english;
        const char* romanian;
    } cases[] = {
        {u"New"_s,
         u"https://x.example/user"_s,
         rule,
         {},
         1,
         "The query address must hold %s where the ID goes!",
         "Adresa de interogare trebuie să conțină %s în locul ID-ului!"},
        {u"New"_s,
         u"ftp://x.example/%s"_s,
         rule,
         {},
         1,
         "The query address must begin with http:// or https://, not ftp://!",
         "Adresa de interogare trebuie să înceapă cu http:// sau https://, nu cu ftp://!"},
        {u"New"_s,
         url,
         u"yaml:online"_s,
         {},
         2,
         "The rule \"yaml:online\" cannot be used: \"yaml:\" is not a kind of rule. A rule "
         "begins with json:, xml: or text:.",
         "Regula \"yaml:online\" nu poate fi folosită: \"yaml:\" nu este un fel de regulă. O "
         "regulă începe cu json:, xml: sau text:."},
        {u"  "_s,
         url,
         rule,
         {},
         0,
         "Please give the source a name!",
         "Te rog dă-i un nume sursei!"},
        {u"steam"_s,
         url,
         rule,
         {},
         0,
         "A source named \"Steam\" already exists!",
         "Există deja o sursă numită \"Steam\"!"},
        {u"GAMES"_s,
         url,
         rule,
         {},
         0,
         "A source named \"Games\" already exists!",
         "Există deja o sursă numită \"Games\"!"},
        {u"New"_s, url, rule, u"mailto:%s"_s, 3,
         "The address to open must begin with http:// or https://!",
         "Adresa de deschis trebuie să înceapă cu http:// sau https://!"},
    };
    for (const bool english : {true, false}) {
        TLanguageScope language(english);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.english);
            boxes_.shown.clear();
            Script(c.name, c.url, c.rule, c.open);
            form_.btnAddClick();
            ASSERT_EQ(boxes_.shown.size(), 1u);
            EXPECT_EQ(boxes_.shown[0].text, QString::fromUtf8(english ? c.english : c.romanian));
            const QLineEdit* fields[] = {form_.EditForm->edName, form_.EditForm->edUrl,
                                         form_.EditForm->edRule, form_.EditForm->edOpen};
            EXPECT_EQ(focused_, fields[c.field]);
        }
    }
    EXPECT_EQ(catalogue_.UserSources().size(), 1u);
    EXPECT_TRUE(changes_.empty());
}

// Only the user's sources are edited and deleted; an edit keeps the stored values the window
// does not show, and the owner hears of every change.
TEST_F(SourcesFormTest, AddEditAndDeleteTheUsersSources) {
    EXPECT_EQ(Names(), (QStringList{"Zentrilo", "Lichess", "Steam", "Games"}));
    for (const QString& fixed : {u"Zentrilo"_s, u"Lichess"_s, u"Steam"_s}) {
        Select(fixed);
        EXPECT_FALSE(form_.btnEdit->isEnabled()) << fixed.toStdString();
        EXPECT_FALSE(form_.btnDelete->isEnabled()) << fixed.toStdString();
    }

    Script(u" Chess "_s, u"https://chess.example/api?ids=%s"_s, u"json:/0/online"_s,
           u"https://chess.example/@/%s"_s);
    form_.btnAddClick();
    EXPECT_EQ(Names(), (QStringList{"Zentrilo", "Lichess", "Steam", "Games", "Chess"}));
    EXPECT_EQ(form_.lvSources->currentItem()->text(0), u"Chess"_s);

    std::vector<TPresenceSource> stored = catalogue_.UserSources();
    stored[0].Extra.insert(u"Colour"_s, u"green"_s);
    catalogue_.SetUserSources(stored);
    form_.Reload();
    Select(u"Games"_s);
    Script(u"Games 2"_s, u"http://127.0.0.1:5/id/%s/?xml=1"_s, u"text:online"_s, {});
    form_.btnEditClick();
    ASSERT_EQ(catalogue_.UserSources().size(), 2u);
    EXPECT_EQ(catalogue_.UserSources()[0].Name, u"Games 2"_s);
    EXPECT_EQ(catalogue_.UserSources()[0].Rule.Text(), u"text:online"_s);
    EXPECT_EQ(catalogue_.UserSources()[0].Extra.value(u"Colour"_s), u"green"_s);

    form_.UsersOf = [](const QString& name) { return name == u"Games 2" ? 2 : 0; };
    boxes_.answers = {IDNO, IDYES};
    form_.btnDeleteClick();
    EXPECT_EQ(catalogue_.UserSources().size(), 2u) << "No keeps it";
    form_.btnDeleteClick();
    ASSERT_EQ(boxes_.shown.size(), 2u);
    EXPECT_TRUE(boxes_.shown[1].text.startsWith(u"Delete the source \"Games 2\"?"_s));
    EXPECT_TRUE(boxes_.shown[1].text.contains(u"(2)"_s)) << boxes_.shown[1].text.toStdString();
    EXPECT_EQ(Names(), (QStringList{"Zentrilo", "Lichess", "Steam", "Chess"}));
    EXPECT_EQ(changes_, (std::vector<QString>{u">Chess"_s, u"Games>Games 2"_s, u"Games 2>"_s}));
    EXPECT_EQ(titles_, (QStringList{"Add source", "Edit source"}));
}

// A test asks the selected source about one ID and shows the outcome and the start of the reply
// as plain text: markup in a reply is never rendered.
TEST_F(SourcesFormTest, ATestShowsTheOutcomeAndTheReplyAsPlainText) {
    TFakeSourceFetcher fetcher;
    const struct {
        bool english;
        const char* source;
        QByteArray reply;
        bool ok;
        int status;
        const char* outcome;
        QString shownReply;
    } cases[] = {
        {true,
         "Games",
         "<profile><onlineState>offline</onlineState><b>bold</b></profile>",
         true,
         200,
         "<i>ann</i> is OFFLINE",
         {}},
        {true,
         "Games",
         "<profile><onlineState>In-Game</onlineState></profile>",
         true,
         200,
         "<i>ann</i> is ONLINE",
         {}},
        {false,
         "Lichess",
         "<html>not json</html>",
         true,
         200,
         "<i>ann</i> este EROARE\nRăspunsul nu este JSON",
         {}},
        {true,
         "Steam",
         "<b>slow down</b>",
         false,
         429,
         "<i>ann</i> is ERROR\nThe server answered 429 Too Many Requests",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outcome);
        TLanguageScope language(c.english);
        fetcher.reply = c.reply;
        fetcher.ok = c.ok;
        fetcher.status = c.status;
        fetcher.failure = "HTTP/1.1 429 Too Many Requests";
        Select(QString::fromUtf8(c.source));
        form_.edTestID->setText(u" <i>ann</i> "_s);
        form_.btnTestClick();
        EXPECT_EQ(form_.lbOutcome->textFormat(), Qt::PlainText);
        EXPECT_TRUE(form_.lbOutcome->text().startsWith(QString::fromUtf8(c.outcome)))
            << form_.lbOutcome->text().toStdString();
        EXPECT_EQ(form_.mmReply->toPlainText(), QString::fromUtf8(c.reply)); // whatever the status
        EXPECT_FALSE(form_.TestUnderWay());
    }
    EXPECT_EQ(fetcher.urls.front(), "http://127.0.0.1:5/id/%3Ci%3Eann%3C%2Fi%3E/?xml=1");

    // No ID: nothing is asked.
    boxes_.shown.clear();
    form_.edTestID->setText(u" "_s);
    form_.btnTestClick();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, u"Please choose a source and enter an ID to test!"_s);
    EXPECT_EQ(fetcher.urls.size(), std::size(cases));
}

// The window's captions follow the language; long replies are cut to their start.
TEST_F(SourcesFormTest, CaptionsInBothLanguagesAndTheStartOfALongReply) {
    const struct {
        bool english;
        const char* title;
        const char* test;
        const char* add;
    } cases[] = {{true, "Presence sources", "Test", "Add..."},
                 {false, "Surse de prezență", "Testează", "Adaugă..."}};
    for (const auto& c : cases) {
        TLanguageScope language(c.english);
        form_.ApplyLanguage();
        EXPECT_EQ(form_.windowTitle(), QString::fromUtf8(c.title));
        EXPECT_EQ(form_.btnTest->text(), QString::fromUtf8(c.test));
        EXPECT_EQ(form_.btnAdd->text(), QString::fromUtf8(c.add));
    }
    TFakeSourceFetcher fetcher;
    fetcher.reply = QByteArray(100000, 'x');
    Select(u"Games"_s);
    form_.edTestID->setText(u"ann"_s);
    form_.btnTestClick();
    const qsizetype shown = form_.mmReply->toPlainText().size();
    EXPECT_GT(shown, 0);
    EXPECT_LT(shown, 10000);
}

// The window stays put: the outcome's box has one height whatever it holds, so nothing below it
// moves; the outcome follows a switch of language; a reopened window starts without one.
TEST_F(SourcesFormTest, TheWindowStaysPutAndItsOutcomeFollowsTheLanguage) {
    TFakeSourceFetcher fetcher;
    form_.resize(520, 480);
    form_.show();
    const auto geometry = [this] {
        form_.layout()->activate();
        return std::vector<QRect>{form_.lvSources->geometry(), form_.btnAdd->geometry(),
                                  form_.edTestID->geometry(),  form_.sbOutcome->geometry(),
                                  form_.mmReply->geometry(),   form_.btnClose->geometry()};
    };
    const std::vector<QRect> empty = geometry();
    Select(u"Games"_s);
    form_.edTestID->setText(u"ann"_s);
    fetcher.reply = "<onlineState>online</onlineState>";
    form_.btnTestClick();
    EXPECT_EQ(form_.lbOutcome->text(), u"ann is ONLINE"_s);
    EXPECT_EQ(geometry(), empty);
    fetcher.ok = false;
    std::string words;
    for (int i = 0; i < 30; ++i)
        words += "not trusted ";
    fetcher.failure = "TLS: certificate verify failed (" + words + ")";
    form_.btnTestClick();
    const int lines = form_.lbOutcome->heightForWidth(form_.lbOutcome->width()) /
                      form_.lbOutcome->fontMetrics().lineSpacing();
    EXPECT_GE(lines, 5);
    EXPECT_EQ(geometry(), empty);

    TLanguageScope romanian(false);
    form_.ApplyLanguage();
    EXPECT_TRUE(form_.lbOutcome->text().startsWith(
        u"ann este EROARE\nCertificatul serverului nu este de încredere (TLS:"_s))
        << form_.lbOutcome->text().toStdString();
    form_.hide();
    form_.show();
    EXPECT_TRUE(form_.lbOutcome->text().isEmpty());
    EXPECT_TRUE(form_.mmReply->toPlainText().isEmpty());
    EXPECT_EQ(form_.mmReply->placeholderText(), u"Începutul răspunsului apare aici."_s);
}

// Columns are as wide as their values up to a limit; a longer value is cut in the middle and
// reads whole in its tooltip.
TEST_F(SourcesFormTest, ColumnsFitTheirValuesAndLongOnesReadWholeInTheirTooltip) {
    const QString longUrl = u"https://x.example/"_s + QString(400, u'a') + u"/%s"_s;
    catalogue_.SetUserSources({UserSource(u"Long"_s, longUrl, u"text:on"_s, {})});
    form_.Reload();
    const QTreeWidget& list = *form_.lvSources;
    const QString steamRule = u"xml:onlineState=online|in-game"_s;
    EXPECT_GT(list.columnWidth(3), list.fontMetrics().horizontalAdvance(steamRule));
    EXPECT_LT(list.columnWidth(2), list.fontMetrics().horizontalAdvance(longUrl) / 4);
    EXPECT_EQ(list.textElideMode(), Qt::ElideMiddle);
    const QTreeWidgetItem* row = list.findItems(u"Long"_s, Qt::MatchExactly).value(0);
    ASSERT_NE(row, nullptr);
    QTextDocument tip;
    tip.setHtml(row->toolTip(2));
    EXPECT_EQ(tip.toPlainText(), longUrl);
    EXPECT_TRUE(row->toolTip(3).isEmpty()); // short enough to read in place
}

} // namespace

// The presence sources in the main window: the stored slots, the source of a row, the Add
// dialog's first choice and the Sources window.
#include "frmMainFixture.h"

#include "app/frmSourceEdit.h"
#include "app/frmSources.h"
#include "history/HistoryStore.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTextDocument>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A dialog step that types the ID and chooses the source by its name.
std::function<int(TEditForm&)> TypeWithSource(const QString& id, const QString& source) {
    return [id, source](TEditForm& form) {
        form.edNume->setText(id);
        form.cbSource->setCurrentIndex(form.cbSource->findText(source));
        return 1;
    };
}

// The Sources window's next add or edit defines `name` on loopback.
void DefineNext(TSourcesForm& form, const QString& name) {
    form.EditForm->RunModal = [name](TSourceEditForm& dialog) {
        dialog.edName->setText(name);
        dialog.edUrl->setText(u"http://127.0.0.1:9/%s"_s);
        dialog.edRule->setText(u"text:on"_s);
        dialog.Button1->click();
        return dialog.result();
    };
}

// A file written before sources existed loads unchanged; entries of any source are saved in
// their slots and come back; a source that is gone keeps its name and shows why on its row;
// stored values the program does not know survive.
TEST_F(MainWindowTest, SlotsKeepTheirSourceAcrossARestart) {
    {
        auto store = Store();
        store->setValue(u"Items/User0"_s, u"ann"_s);
        store->setValue(u"Items/Interval0"_s, u"3"_s);
        store->setValue(u"Items/User1"_s, u"bob"_s);
        store->setValue(u"Items/Source1"_s, u"Gone"_s);
        store->setValue(u"Items/Future0"_s, u"kept"_s);
        store->setValue(u"Sources/size"_s, 1);
        store->setValue(u"Sources/1/Name"_s, u"Games"_s);
        store->setValue(u"Sources/1/Url"_s, u"http://127.0.0.1:9/id/%s/?xml=1"_s);
        store->setValue(u"Sources/1/Rule"_s, u"xml:onlineState=online"_s);
        store->setValue(u"Sources/1/Colour"_s, u"green"_s);
    }
    TFakeSourceFetcher sources;
    sources.reply = "<onlineState>online</onlineState>";
    Start();
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), u"ann"_s);
    EXPECT_EQ(Cell(1, 0), u"bob (Gone)"_s);
    EXPECT_EQ(Cell(1, 3), u"ERROR: There is no source named \"Gone\"."_s);
    EXPECT_TRUE(sources.urls.empty());

    dialogScript.push_back(TypeWithSource(u"Carol"_s, u"Games"_s));
    window->btnAddClick();
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 0), u"carol (Games)"_s);
    EXPECT_EQ(Cell(2, 3), u"ONLINE"_s);
    TLanguageScope romanian(false);
    window->ApplyLanguage(false);
    window->Buddies().List.at(1)->CheckStatus();
    EXPECT_EQ(Cell(1, 3), u"EROARE: Nu există nicio sursă numită \"Gone\"."_s);
    window.reset();

    const auto store = Store();
    const std::pair<const char*, const char*> expected[] = {
        {"Items/User0", "ann"},    {"Items/Source0", ""},         {"Items/User1", "bob"},
        {"Items/Source1", "Gone"}, {"Items/User2", "carol"},      {"Items/Source2", "Games"},
        {"Items/Future0", "kept"}, {"Sources/1/Colour", "green"}, {"Sources/1/Name", "Games"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(store->value(QLatin1String(key)).toString(), QString::fromUtf8(value)) << key;
}

// Without a host for the program's own service, Add offers the first preset at first and then
// the source used last; with one, the own service.
TEST_F(MainWindowTest, AddOffersTheLastSourceUsedWhenTheOwnServiceHasNoHost) {
    for (const char* host : {"ZENTRILO_DETECT_HOST", "ZENTRILO_INDICATOR_HOST"})
        qunsetenv(host);
    TFakeSourceFetcher sources;
    firstAnswer = -1; // without a host no request succeeds
    Start();
    QStringList offered;
    const auto offer = [&](const QString& id, const QString& choose) {
        dialogScript.push_back([&offered, id, choose](TEditForm& form) {
            offered << form.cbSource->currentText();
            return choose.isEmpty() ? 2 : TypeWithSource(id, choose)(form);
        });
        window->btnAddClick();
    };
    offer(u"ann"_s, u"Steam"_s);
    offer(u"bob"_s, u"Zentrilo"_s);
    offer({}, {});
    EXPECT_EQ(offered, (QStringList{"Lichess", "Steam", "Zentrilo"}));
    EXPECT_EQ(Cell(0, 0), u"ann (Steam)"_s);
    EXPECT_EQ(Cell(1, 0), u"bob"_s);
    EXPECT_EQ(Cell(1, 3),
              u"ERROR: The program's own service is not configured in this installation."_s);

    for (const char* host : {"ZENTRILO_DETECT_HOST", "ZENTRILO_INDICATOR_HOST"})
        qputenv(host, "127.0.0.1:9");
    offer({}, {});
    EXPECT_EQ(offered.back(), u"Zentrilo"_s);
}

// The Sources window opens from its button, placed after Delete, and from the tray menu; a
// source renamed there takes its entries along, and both are on disk at once.
TEST_F(MainWindowTest, TheSourcesWindowFromTheButtonAndTheTrayMenu) {
    TFakeSourceFetcher sources;
    Start();
    EXPECT_EQ(window->btnSources->text(), u"Sources..."_s);
    EXPECT_EQ(window->btnSources->geometry().top(), window->btnDelete->geometry().top());
    EXPECT_GT(window->btnSources->geometry().left(), window->btnDelete->geometry().right());
    const QList<QAction*> menu = window->PopupMenu1->actions();
    ASSERT_GE(menu.indexOf(window->History1), 0);
    EXPECT_EQ(menu.indexOf(window->Sources1), menu.indexOf(window->History1) + 1);
    EXPECT_EQ(window->Sources1->text(), u"Sources..."_s);

    EXPECT_EQ(window->SourcesForm(), nullptr);
    window->Sources1->trigger();
    TSourcesForm* form = window->SourcesForm();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    form->close();
    window->btnSources->click();
    EXPECT_EQ(window->SourcesForm(), form);
    EXPECT_TRUE(form->isVisible());

    DefineNext(*form, u"Mine"_s);
    form->btnAddClick();
    dialogScript.push_back(TypeWithSource(u"ann"_s, u"Mine"_s));
    window->btnAddClick();
    EXPECT_EQ(Cell(0, 0), u"ann (Mine)"_s);
    EXPECT_NE(window->cbCheckSource->findText(u"Mine"_s), -1);

    DefineNext(*form, u"Ours"_s);
    form->btnEditClick(); // the new source is still selected
    EXPECT_EQ(Cell(0, 0), u"ann (Ours)"_s);
    EXPECT_EQ(window->Buddies().List.at(0)->Source, u"Ours"_s);
    EXPECT_EQ(window->cbCheckSource->findText(u"Mine"_s), -1);
    const auto store = Store();
    EXPECT_EQ(store->value(u"Items/Source0"_s).toString(), u"Ours"_s);
    EXPECT_EQ(store->value(u"Sources/1/Name"_s).toString(), u"Ours"_s);

    TLanguageScope romanian(false);
    window->ApplyLanguage(false);
    EXPECT_EQ(window->Sources1->text(), u"Surse..."_s);
    EXPECT_EQ(form->windowTitle(), u"Surse de prezență"_s);
    form->close();
}

// A renamed source stays chosen where it was: in the one-off check and, without a host for the
// own service, as the Add dialog's first choice.
TEST_F(MainWindowTest, ARenamedSourceStaysChosen) {
    for (const char* host : {"ZENTRILO_DETECT_HOST", "ZENTRILO_INDICATOR_HOST"})
        qunsetenv(host);
    TFakeSourceFetcher sources;
    firstAnswer = -1;
    Start();
    window->btnSources->click();
    TSourcesForm* form = window->SourcesForm();
    ASSERT_NE(form, nullptr);
    DefineNext(*form, u"Mine"_s);
    form->btnAddClick();
    dialogScript.push_back(TypeWithSource(u"ann"_s, u"Mine"_s));
    window->btnAddClick();
    window->cbCheckSource->setCurrentIndex(window->cbCheckSource->findText(u"Mine"_s));

    DefineNext(*form, u"Ours"_s);
    form->btnEditClick(); // the new source is still selected
    EXPECT_EQ(window->cbCheckSource->currentText(), u"Ours"_s);
    QString offered;
    dialogScript.push_back([&offered](TEditForm& dialog) {
        offered = dialog.cbSource->currentText();
        return 2;
    });
    window->btnAddClick();
    EXPECT_EQ(offered, u"Ours"_s);
    form->close();
}

// Entries that follow a renamed source leave the history under its old name, as an edit of their
// source does: nobody watches that name any more.
TEST_F(MainWindowTest, EntriesOfARenamedSourceLeaveItsHistory) {
    TFakeSourceFetcher sources;
    sources.reply = "on";
    Start();
    ASSERT_NE(window->History(), nullptr);
    window->btnSources->click();
    TSourcesForm* form = window->SourcesForm();
    DefineNext(*form, u"Mine"_s);
    form->btnAddClick();
    for (const QString& id : {u"ann"_s, u"bob"_s}) {
        dialogScript.push_back(TypeWithSource(id, u"Mine"_s));
        window->btnAddClick();
    }
    const auto watched = [this](const QString& source) {
        const auto spans = window->History()->Spans();
        return std::count_if(spans.begin(), spans.end(), [&](const THistorySpan& span) {
            return span.Live && span.Key.Source == source;
        });
    };
    EXPECT_EQ(watched(u"Mine"_s), 2);
    DefineNext(*form, u"Ours"_s);
    form->btnEditClick(); // the new source is still selected
    EXPECT_EQ(watched(u"Mine"_s), 0);
    form->close();
}

// The one-off check asks the source chosen beside it; the own service alone adds its invisible
// scan.
TEST_F(MainWindowTest, TheOneOffCheckUsesTheChosenSource) {
    TFakeSourceFetcher sources;
    sources.reply = R"([{"online":true}])";
    Start();
    window->cbCheckSource->setCurrentIndex(window->cbCheckSource->findText(u"Lichess"_s));
    window->edBuddyID->setText(u" Ann B "_s);
    window->btnCheckBuddyClick();
    EXPECT_EQ(window->lbStatus->text(), u"Ann B is ONLINE on Lichess"_s);
    EXPECT_EQ(sources.urls,
              std::vector<std::string>{"https://lichess.org/api/users/status?ids=Ann%20B"});
    EXPECT_TRUE(urls.empty());
}

// A server's words reach the tooltips of the row and of the one-off check as text, never as
// markup.
TEST_F(MainWindowTest, ReasonsInTooltipsAreNeverMarkup) {
    TFakeSourceFetcher sources;
    sources.ok = false;
    sources.status = 503;
    sources.failure = "HTTP/1.1 503 <b>Busy</b> & <i>away";
    Start();
    dialogScript.push_back(TypeWithSource(u"ann"_s, u"Lichess"_s));
    window->btnAddClick();
    window->cbCheckSource->setCurrentIndex(window->cbCheckSource->findText(u"Lichess"_s));
    window->edBuddyID->setText(u"ann"_s);
    window->btnCheckBuddyClick();
    const auto shown = [](const QString& toolTip) {
        QTextDocument document;
        document.setHtml(toolTip);
        return document.toPlainText();
    };
    const QString reason = u"The server answered 503 <b>Busy</b> & <i>away"_s;
    EXPECT_EQ(shown(window->lista->topLevelItem(0)->toolTip(0)), reason);
    EXPECT_TRUE(shown(window->lista->topLevelItem(0)->toolTip(3)).endsWith(u'\n' + reason));
    EXPECT_EQ(shown(window->lbStatus->toolTip()), reason);
}

} // namespace

namespace {

QString StatusTipOf(TzentriloMF& window, int row) {
    QTextDocument tip;
    tip.setHtml(window.lista->topLevelItem(row)->toolTip(3));
    return tip.toPlainText();
}

// The list's first column reads "ID" while any row is on another source, and the one-off
// check's label and warning name the source chosen beside it; only the own service reads Yahoo!.
TEST_F(MainWindowTest, CaptionsNameTheSourcesInUse) {
    TFakeSourceFetcher sources;
    sources.ok = false;
    sources.failure = "Socket Error # 11001 Host not found.";
    Start();
    const auto header = [this] { return window->lista->headerItem()->text(0); };
    EXPECT_EQ(header(), u"Yahoo! ID"_s);
    dialogScript.push_back(TypeWithSource(u"ann"_s, u"Zentrilo"_s));
    window->btnAddClick();
    EXPECT_EQ(header(), u"Yahoo! ID"_s);
    dialogScript.push_back(TypeWithSource(u"bob"_s, u"Lichess"_s));
    window->btnAddClick();
    EXPECT_EQ(header(), u"ID"_s);
    EXPECT_EQ(window->lbInfo->text(),
              u"You can add up to 5 IDs to be checked periodically (CANNOT detect INVISIBLE)"_s);
    EXPECT_EQ(Cell(1, 3), u"ERROR: No network, or no such host: lichess.org (Socket Error # "
                          u"11001 Host not found.)"_s);
    window->ApplyLanguage(false);
    EXPECT_EQ(header(), u"ID"_s);
    window->ApplyLanguage(true);
    Select(1);
    dialogScript.push_back(TypeWithSource(u"bob"_s, u"Zentrilo"_s));
    window->btnEditClick();
    EXPECT_EQ(header(), u"Yahoo! ID"_s);
    dialogScript.push_back(TypeWithSource(u"carol"_s, u"Steam"_s));
    window->btnAddClick();
    EXPECT_EQ(header(), u"ID"_s);
    window->lista->clearSelection();
    Select(2);
    boxes.answers.push_back(IDYES);
    window->btnDeleteClick();
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(header(), u"Yahoo! ID"_s);
    EXPECT_EQ(window->lbInfo->text(), u"You can add up to 5 Yahoo! IDs to be checked periodically "
                                      u"(CANNOT detect INVISIBLE)"_s);

    const struct {
        const char* source;
        bool english;
        const char* label;
        const char* warning;
    } checks[] = {
        {"Zentrilo", true, "Yahoo! ID", "Please enter a valid Yahoo! ID!"},
        {"Steam", true, "Steam ID", "Please enter a valid Steam ID!"},
        {"Steam", false, "ID Steam", "Te rog introdu un ID Steam valid!"},
        {"Zentrilo", false, "ID Yahoo!", "Te rog introdu un ID Yahoo! valid!"},
    };
    for (const auto& c : checks) {
        TLanguageScope language(c.english);
        window->ApplyLanguage(c.english);
        window->cbCheckSource->setCurrentIndex(
            window->cbCheckSource->findText(QString::fromUtf8(c.source)));
        EXPECT_EQ(window->lbYahooID->text(), QString::fromUtf8(c.label));
        boxes.shown.clear();
        window->edBuddyID->setText(u"  "_s);
        window->btnCheckBuddyClick();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8(c.warning));
    }
}

// A row's status tooltip says since when, from the history the window records into.
TEST_F(MainWindowTest, RowsTellSinceWhenTheirStatusHolds) {
    firstAnswer = bsOnline;
    Start();
    window->AddBuddy(u"ann"_s, 5);
    EXPECT_TRUE(StatusTipOf(*window, 0).startsWith(u"ONLINE since "_s))
        << StatusTipOf(*window, 0).toStdString();
    EXPECT_TRUE(StatusTipOf(*window, 0).endsWith(u"(0 min)"_s));
    firstAnswer = bsOffline;
    secondAnswer = bsOffline;
    window->Buddies().List.at(0)->CheckStatus();
    const QStringList lines = StatusTipOf(*window, 0).split(u'\n');
    ASSERT_EQ(lines.size(), 2) << lines.join(u'|').toStdString();
    EXPECT_TRUE(lines[0].startsWith(u"OFFLINE since "_s));
    EXPECT_TRUE(lines[1].startsWith(u"Last seen online "_s));
}

} // namespace

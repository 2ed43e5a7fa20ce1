// The history window offscreen: its rows and ranges, the bars as drawn, the hover text, the CSV
// export through a scripted file choice, the retention setting and both languages. Renderings
// are kept beside the test executable (history-window-en.png, history-window-ro.png).
#include "app/frmHistory.h"
#include "app/frmHistoryTimeline.h"
#include "history/HistoryCsv.h"
#include "monitor/BuddyStatus.h"
#include "shell/Language.h"
#include "tests/shell/ShellFakes.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <memory>

namespace {

QDateTime At(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

THistoryKey Key(const char* id) {
    return {QString::fromUtf8(id), OwnSourceName()};
}

class HistoryFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Local times on screen are UTC here, so the expected texts hold anywhere.
        savedTz_ = qgetenv("TZ");
        qputenv("TZ", "UTC");
        ::tzset();
        ASSERT_TRUE(folder.isValid());
        store = std::make_unique<THistoryStore>(folder.filePath(QStringLiteral("history.sqlite")),
                                                THistoryStore::TWarningHandler(),
                                                [this] { return now; });
        RecordSample();
        form = std::make_unique<THistoryForm>(*store);
        form->Now = [this] { return now; };
        form->resize(1000, 320);
    }

    void TearDown() override {
        form.reset();
        store.reset();
        UseEnglish = true;
        if (savedTz_.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", savedTz_);
        ::tzset();
    }

    // ana: online 10:00-11:00, then offline until a crash after 11:30; online again from 12:00.
    // "bob, jr": invisible whenever checked. cleo: one error, long ago, and gone from the list.
    void RecordSample() {
        store->RecordCheck(Key("ana"), bsOnline, At("2026-12-09T10:00:00Z"));
        store->RecordCheck(Key("bob, jr"), bsInvisible, At("2026-12-09T10:00:00Z"));
        store->RecordCheck(Key("ana"), bsOffline, At("2026-12-09T11:00:00Z"));
        store->RecordCheck(Key("ana"), bsOffline, At("2026-12-09T11:30:00Z"));
        store->RecordCheck(Key("bob, jr"), bsInvisible, At("2026-12-09T11:30:00Z"));
        store.reset(); // killed: no end of run
        store = std::make_unique<THistoryStore>(folder.filePath(QStringLiteral("history.sqlite")),
                                                THistoryStore::TWarningHandler(),
                                                [this] { return now; });
        store->RecordCheck(Key("cleo"), bsError, At("2026-11-01T08:00:00Z"));
        store->LeaveList(Key("cleo"));
        store->RecordCheck(Key("ana"), bsOnline, At("2026-12-09T12:00:00Z"));
        store->RecordCheck(Key("bob, jr"), bsInvisible, At("2026-12-09T12:00:00Z"));
    }

    // The centre of a row's bar at a time.
    QPoint BarPoint(int row, const char* iso) const {
        return {form->Timeline->XOf(At(iso).toMSecsSinceEpoch()),
                form->Timeline->BarRect(row).center().y()};
    }

    QTemporaryDir folder;
    QDateTime now = At("2026-12-09T13:00:00Z");
    std::unique_ptr<THistoryStore> store;
    std::unique_ptr<THistoryForm> form;

private:
    QByteArray savedTz_;
};

TEST_F(HistoryFormTest, ShowsOneRowPerIdWithHistoryOverTheChosenRange) {
    form->show();
    const auto& rows = form->Timeline->Rows();
    ASSERT_EQ(rows.size(), 3u); // cleo too, though nothing of hers is in the range
    EXPECT_EQ(rows[0].Key, Key("ana"));
    EXPECT_EQ(rows[1].Key, Key("bob, jr"));
    EXPECT_EQ(rows[2].Key, Key("cleo"));

    const qint64 end = now.toMSecsSinceEpoch();
    const qint64 day = 24LL * 3600 * 1000;
    const struct {
        int choice;
        qint64 from;
        qint64 to;
    } ranges[] = {
        {THistoryForm::rcLast24Hours, end - day, end},
        {THistoryForm::rcLast7Days, end - 7 * day, end},
        {THistoryForm::rcLast30Days, end - 30 * day, end},
        {THistoryForm::rcDates, At("2026-12-03T00:00:00Z").toMSecsSinceEpoch(),
         At("2026-12-10T00:00:00Z").toMSecsSinceEpoch()},
    };
    for (const auto& r : ranges) {
        form->cbRange->setCurrentIndex(r.choice);
        EXPECT_EQ(form->Timeline->Range().FromMs, r.from) << r.choice;
        EXPECT_EQ(form->Timeline->Range().ToMs, r.to) << r.choice;
        EXPECT_EQ(form->edFrom->isEnabled(), r.choice == THistoryForm::rcDates);
    }
    form->edFrom->setDate(QDate(2026, 11, 1));
    form->edTo->setDate(QDate(2026, 11, 1));
    EXPECT_EQ(form->Timeline->Range().FromMs, At("2026-11-01T00:00:00Z").toMSecsSinceEpoch());
    EXPECT_EQ(form->Timeline->Range().ToMs, At("2026-11-02T00:00:00Z").toMSecsSinceEpoch());
    // The end cannot be set before the start.
    form->edTo->setDate(QDate(2026, 10, 1));
    EXPECT_EQ(form->edTo->date(), QDate(2026, 11, 1));
}

TEST_F(HistoryFormTest, DrawsEachStatusInItsColourWithGapsWhereNobodyChecked) {
    form->show();
    QCoreApplication::processEvents(); // lets the layout settle
    const QString artefacts = QCoreApplication::applicationDirPath();
    ASSERT_TRUE(form->grab().save(artefacts + QStringLiteral("/history-window-en.png")));
    const QImage bars = form->Timeline->grab().toImage();
    const struct {
        int row;
        const char* time;
        int code;
    } samples[] = {
        {0, "2026-12-09T10:30:00Z", bsOnline},
        {0, "2026-12-09T11:15:00Z", bsOffline},
        {0, "2026-12-09T11:45:00Z", kHistoryNotChecked}, // after the crash
        {0, "2026-12-09T12:30:00Z", bsOnline},           // live until now
        {0, "2026-12-09T09:30:00Z", kHistoryNotChecked}, // before the first check
        {1, "2026-12-09T10:30:00Z", bsInvisible},
        {2, "2026-12-09T10:30:00Z", kHistoryNotChecked},
    };
    for (const auto& s : samples) {
        EXPECT_EQ(bars.pixelColor(BarPoint(s.row, s.time)),
                  THistoryTimelineView::StatusColour(s.code))
            << s.row << " " << s.time;
    }

    UseEnglish = false;
    form->ApplyLanguage();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form->grab().save(artefacts + QStringLiteral("/history-window-ro.png")));
}

TEST_F(HistoryFormTest, HoveringABarShowsItsStatusStartEndAndDuration) {
    form->show();
    EXPECT_EQ(form->Timeline->ToolTipAt(BarPoint(0, "2026-12-09T10:30:00Z")),
              QStringLiteral("ana: ONLINE\nFrom: 2026-12-09 10:00:00\nTo: 2026-12-09 11:00:00\n"
                             "Duration: 1 h 0 min"));
    EXPECT_EQ(form->Timeline->ToolTipAt(BarPoint(0, "2026-12-09T11:45:00Z")),
              QStringLiteral("ana: not checked\nFrom: 2026-12-09 11:30:00\n"
                             "To: 2026-12-09 12:00:00\nDuration: 30 min 0 s"));
    UseEnglish = false;
    EXPECT_EQ(form->Timeline->ToolTipAt(BarPoint(1, "2026-12-09T10:30:00Z")),
              QString::fromUtf8("bob, jr: ONLINE (INVIZIBIL)\nDe la: 2026-12-09 10:00:00\n"
                                "Până la: 2026-12-09 11:30:00\nDurată: 1 h 30 min"));
    // Off the bars: nothing.
    EXPECT_TRUE(form->Timeline->ToolTipAt({2, BarPoint(0, "2026-12-09T10:30:00Z").y()}).isEmpty());
    EXPECT_TRUE(form->Timeline->ToolTipAt(BarPoint(5, "2026-12-09T10:30:00Z")).isEmpty());
}

TEST_F(HistoryFormTest, ExportsTheRangesChangesInEnglishWhateverTheLanguage) {
    TFakeMessageBoxes boxes;
    const QString path = folder.filePath(QStringLiteral("export.csv"));
    QString suggested;
    form->AskExportPath = [&](const QString& offered) {
        suggested = offered;
        return path;
    };
    UseEnglish = false;
    form->cbRange->setCurrentIndex(THistoryForm::rcDates);
    form->edFrom->setDate(QDate(2026, 12, 9));
    form->edTo->setDate(QDate(2026, 12, 9));
    form->btnExportClick();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray expected = "time,id,source,from,to\n"
                                "2026-12-09T10:00:00Z,ana,Zentrilo,NOT SCANNED,ONLINE\n"
                                "2026-12-09T10:00:00Z,\"bob, jr\",Zentrilo,NOT SCANNED,"
                                "ONLINE (INVISIBLE)\n"
                                "2026-12-09T11:00:00Z,ana,Zentrilo,ONLINE,OFFLINE\n"
                                "2026-12-09T12:00:00Z,ana,Zentrilo,NOT SCANNED,ONLINE\n"
                                "2026-12-09T12:00:00Z,\"bob, jr\",Zentrilo,NOT SCANNED,"
                                "ONLINE (INVISIBLE)\n";
    EXPECT_EQ(file.readAll(), expected);
    EXPECT_TRUE(suggested.endsWith(QStringLiteral("/zentrilo-history.csv")));
    EXPECT_TRUE(boxes.shown.empty());

    // The whole history, as zentrilo-check --history prints it.
    form->edFrom->setDate(QDate(2026, 1, 1));
    form->btnExportClick();
    file.close(); // the export replaced the file
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              HistoryCsv(store->Changes(0, std::numeric_limits<qint64>::max()), EnglishStatusWord));
}

TEST_F(HistoryFormTest, ACancelledOrFailedExportLeavesNoFile) {
    TFakeMessageBoxes boxes;
    const QString path = folder.filePath(QStringLiteral("missing-folder/export.csv"));
    form->AskExportPath = [](const QString&) { return QString(); };
    form->btnExportClick();
    EXPECT_TRUE(boxes.shown.empty());

    form->AskExportPath = [&](const QString&) { return path; };
    form->btnExportClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, TMessageKind::Warning);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Could not write ") + path));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(HistoryFormTest, TheRetentionIsKeptWithTheHistory) {
    EXPECT_EQ(form->edRetention->value(), kDefaultRetentionDays);
    form->edRetention->setValue(30);
    EXPECT_EQ(store->RetentionDays(), 30);
    form.reset();
    store = std::make_unique<THistoryStore>(folder.filePath(QStringLiteral("history.sqlite")));
    EXPECT_EQ(THistoryForm(*store).edRetention->value(), 30);
}

TEST_F(HistoryFormTest, TheRetentionUnitAgreesWithItsCount) {
    struct Case {
        int days;
        const char* english;
        const char* romanian;
    };
    const Case cases[] = {
        {1, " day", " zi"},         {7, " days", " zile"},      {19, " days", " zile"},
        {20, " days", " de zile"},  {101, " days", " zile"},    {119, " days", " zile"},
        {120, " days", " de zile"}, {365, " days", " de zile"}, {36500, " days", " de zile"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        UseEnglish = true;
        form->edRetention->setValue(c.days);
        EXPECT_EQ(form->edRetention->suffix(), QString::fromUtf8(c.english));
        UseEnglish = false;
        form->ApplyLanguage();
        EXPECT_EQ(form->edRetention->suffix(), QString::fromUtf8(c.romanian));
    }
}

TEST_F(HistoryFormTest, CaptionsAndWarningsInBothLanguages) {
    const THistoryWarning replaced{THistoryWarningKind::Replaced, QStringLiteral("/d/h.sqlite")};
    const THistoryWarning unwritable{THistoryWarningKind::Unwritable, QStringLiteral("disk full")};
    EXPECT_EQ(form->btnExport->text(), QStringLiteral("Export CSV"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Presence history"));
    EXPECT_TRUE(HistoryWarningText(replaced).contains(QStringLiteral("moved to /d/h.sqlite")));
    EXPECT_TRUE(HistoryWarningText(unwritable).contains(QStringLiteral("(disk full)")));

    UseEnglish = false;
    form->ApplyLanguage();
    EXPECT_EQ(form->btnExport->text(), QStringLiteral("Exportă CSV"));
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Istoricul prezenței"));
    EXPECT_EQ(form->cbRange->itemText(THistoryForm::rcLast24Hours),
              QString::fromUtf8("Ultimele 24 de ore"));
    EXPECT_TRUE(HistoryWarningText(replaced).contains(QStringLiteral("mutat în /d/h.sqlite")));
    EXPECT_TRUE(HistoryWarningText(unwritable).contains(QStringLiteral("(disk full)")));
    // Romanian s and t take the comma below, never the cedilla.
    const QString texts = form->windowTitle() + form->lbRetentionNote->text() +
                          form->btnClose->text() + HistoryWarningText(replaced) +
                          HistoryWarningText(unwritable) +
                          THistoryTimelineView::StatusWord(kHistoryNotChecked);
    EXPECT_FALSE(texts.contains(QChar(0x015F)) || texts.contains(QChar(0x0163)) ||
                 texts.contains(QChar(0x015E)) || texts.contains(QChar(0x0162)));
}

} // namespace

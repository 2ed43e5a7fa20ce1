// The history window offscreen: its rows and ranges, the bars as drawn, the hover text, the CSV
// export through a scripted file choice, the retention setting and both languages. Renderings
// are kept beside the test executable (history-window-en.png, history-window-ro.png).
#include "app/frmHistory.h"
#include "app/frmHistoryTimeline.h"
#include "history/HistoryCsv.h"
#include "monitor/BuddyStatus.h"
#include "shell/Language.h"
#include "tests/shell/ShellFakes.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTextDocument>
#include <QToolTip>
#include <QWheelEvent>

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
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

    void Wheel(QPoint at, int notches) {
        QWheelEvent event(at, form->Timeline->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(form->Timeline, &event);
    }

    void Mouse(QEvent::Type type, QPoint at) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, at, form->Timeline->mapToGlobal(at), Qt::LeftButton, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(form->Timeline, &event);
    }

    // Shows the window over a range and lets the layout settle.
    void ShowRange(int choice) {
        form->cbRange->setCurrentIndex(choice);
        form->show();
        QCoreApplication::processEvents();
    }

    QImage Drawn() const { return form->Timeline->grab().toImage(); }

    QStringList AxisTexts() const {
        QStringList texts;
        for (const auto& label : form->Timeline->AxisLabels())
            texts << label.Text;
        return texts;
    }

    // The time in the middle of the pixel column at x.
    qint64 TimeUnder(int x) const {
        const QRect bar = form->Timeline->BarRect(0);
        return form->Timeline->Range().FromMs +
               (2 * (x - bar.left()) + 1) * Span() / (2 * bar.width());
    }

    qint64 Span() const { return form->Timeline->Range().ToMs - form->Timeline->Range().FromMs; }

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
    EXPECT_EQ(form->cbRange->currentIndex(), THistoryForm::rcLast24Hours);
    const qint64 hour = 3600LL * 1000;
    const struct {
        int choice;
        qint64 from;
        qint64 to;
    } ranges[] = {
        {THistoryForm::rcLastHour, end - hour, end},
        {THistoryForm::rcLast6Hours, end - 6 * hour, end},
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
    file.close(); // Windows replaces no file that is open
    form->edFrom->setDate(QDate(2026, 1, 1));
    form->btnExportClick();
    EXPECT_TRUE(boxes.shown.empty());
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
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Could not write ") +
                                               QDir::toNativeSeparators(path)));
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
    const QString shownPath = QDir::toNativeSeparators(QStringLiteral("/d/h.sqlite"));
    const THistoryWarning unwritable{THistoryWarningKind::Unwritable, QStringLiteral("disk full")};
    EXPECT_EQ(form->btnExport->text(), QStringLiteral("Export CSV"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Presence history"));
    EXPECT_TRUE(HistoryWarningText(replaced).contains(QStringLiteral("moved to ") + shownPath));
    EXPECT_TRUE(HistoryWarningText(unwritable).contains(QStringLiteral("(disk full)")));

    UseEnglish = false;
    form->ApplyLanguage();
    EXPECT_EQ(form->btnExport->text(), QStringLiteral("Exportă CSV"));
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Istoricul prezenței"));
    EXPECT_EQ(form->cbRange->itemText(THistoryForm::rcLast24Hours),
              QString::fromUtf8("Ultimele 24 de ore"));
    EXPECT_TRUE(HistoryWarningText(replaced).contains(QString::fromUtf8("mutat în ") + shownPath));
    EXPECT_TRUE(HistoryWarningText(unwritable).contains(QStringLiteral("(disk full)")));
    // Romanian s and t take the comma below, never the cedilla.
    const QString texts = form->windowTitle() + form->lbRetentionNote->text() +
                          form->btnClose->text() + HistoryWarningText(replaced) +
                          HistoryWarningText(unwritable) +
                          THistoryTimelineView::StatusWord(kHistoryNotChecked);
    EXPECT_FALSE(texts.contains(QChar(0x015F)) || texts.contains(QChar(0x0163)) ||
                 texts.contains(QChar(0x015E)) || texts.contains(QChar(0x0162)));
}

TEST_F(HistoryFormTest, OffersRangesFromAnHourToChosenDatesInBothLanguages) {
    const struct {
        int choice;
        const char* english;
        const char* romanian;
    } choices[] = {
        {THistoryForm::rcLastHour, "Last hour", "Ultima oră"},
        {THistoryForm::rcLast6Hours, "Last 6 hours", "Ultimele 6 ore"},
        {THistoryForm::rcLast24Hours, "Last 24 hours", "Ultimele 24 de ore"},
        {THistoryForm::rcLast7Days, "Last 7 days", "Ultimele 7 zile"},
        {THistoryForm::rcLast30Days, "Last 30 days", "Ultimele 30 de zile"},
        {THistoryForm::rcDates, "Dates…", "Între date…"},
    };
    ASSERT_EQ(form->cbRange->count(), static_cast<int>(std::size(choices)));
    for (const bool english : {true, false}) {
        UseEnglish = english;
        form->ApplyLanguage();
        for (const auto& c : choices) {
            EXPECT_EQ(form->cbRange->itemText(c.choice),
                      QString::fromUtf8(english ? c.english : c.romanian));
        }
    }
}

// The wheel over the bars: the time under the pointer stays there, the bars widen by the step,
// and zooming stops at five minutes across and at the whole history; a double-click draws the
// chosen range again, pixel for pixel.
TEST_F(HistoryFormTest, TheWheelZoomsAroundThePointerFromFiveMinutesToTheWholeHistory) {
    ShowRange(THistoryForm::rcLast6Hours);
    const QImage chosen = Drawn();
    const QPoint at = BarPoint(0, "2026-12-09T11:15:00Z");
    const qint64 anchor = TimeUnder(at.x());
    const qint64 pixel = Span() / form->Timeline->BarRect(0).width();
    // ana's offline quarter of an hour before the anchor, in pixels.
    const auto offlineRun = [&](const QImage& image) {
        int x = at.x() - 1;
        while (image.pixelColor(x, at.y()) == THistoryTimelineView::StatusColour(bsOffline))
            --x;
        return at.x() - 1 - x;
    };
    const int before = offlineRun(chosen);
    EXPECT_GT(before, 10);

    Wheel(at, 1);
    EXPECT_EQ(Span(), 4 * 3600 * 1000); // six hours over 1.5
    EXPECT_NEAR(TimeUnder(at.x()), anchor, 2);
    EXPECT_NEAR(offlineRun(Drawn()), before * 1.5, 2);

    Wheel(at, 30);
    EXPECT_EQ(Span(), THistoryTimelineView::kMinViewMs);
    EXPECT_NEAR(TimeUnder(at.x()), anchor, 31);
    EXPECT_LT(std::abs(At("2026-12-09T11:15:00Z").toMSecsSinceEpoch() - anchor), pixel);

    // Out to the whole history, here within the chosen six hours, and no further.
    Wheel(at, -60);
    EXPECT_EQ(form->Timeline->Range().FromMs, At("2026-12-09T07:00:00Z").toMSecsSinceEpoch());
    EXPECT_EQ(form->Timeline->Range().ToMs, now.toMSecsSinceEpoch());

    // Off the bars the wheel is the scroll area's.
    const TTimelineRange whole = form->Timeline->Range();
    Wheel({2, at.y()}, 3);
    EXPECT_EQ(form->Timeline->Range().FromMs, whole.FromMs);

    Mouse(QEvent::MouseButtonDblClick, at);
    EXPECT_EQ(form->Timeline->Range().FromMs, form->Timeline->ChosenRange().FromMs);
    EXPECT_EQ(Drawn(), chosen);
}

// Dragging moves the bars with the pointer, as far as the history and now allow; a new result
// keeps the view, choosing a range again shows that range.
TEST_F(HistoryFormTest, DraggingPansWithinTheHistory) {
    ShowRange(THistoryForm::rcLastHour);
    const QImage chosen = Drawn();
    const QRect bar = form->Timeline->BarRect(0);
    const int y = bar.center().y();
    const int shift = bar.width() / 4;
    Mouse(QEvent::MouseButtonPress, {bar.left() + 10, y});
    Mouse(QEvent::MouseMove, {bar.left() + 10 + shift, y});
    const QImage panned = Drawn();
    Mouse(QEvent::MouseButtonRelease, {bar.left() + 10 + shift, y});
    EXPECT_EQ(Span(), 3600 * 1000);
    EXPECT_NEAR(double(form->Timeline->ChosenRange().FromMs - form->Timeline->Range().FromMs),
                3600.0 * 1000 * shift / bar.width(), 3600.0 * 1000 / bar.width());
    // Every row's pixels moved right by the drag.
    int moved = 0;
    int unlike = 0;
    for (int row = 0; row < 3; ++row) {
        const int rowY = form->Timeline->BarRect(row).center().y();
        for (int x = bar.left(); x + shift <= bar.right(); ++x, ++moved)
            unlike += chosen.pixelColor(x, rowY) != panned.pixelColor(x + shift, rowY);
    }
    EXPECT_LE(unlike, 6) << "of " << moved;
    EXPECT_NE(panned, chosen);

    // No further than now...
    Mouse(QEvent::MouseButtonPress, {bar.right() - 10, y});
    Mouse(QEvent::MouseMove, {bar.left(), y});
    Mouse(QEvent::MouseButtonRelease, {bar.left(), y});
    EXPECT_EQ(form->Timeline->Range().ToMs, now.toMSecsSinceEpoch());
    // ...nor before the history began (ana's first check).
    for (int drag = 0; drag < 40; ++drag) {
        Mouse(QEvent::MouseButtonPress, {bar.left(), y});
        Mouse(QEvent::MouseMove, {bar.right(), y});
        Mouse(QEvent::MouseButtonRelease, {bar.right(), y});
        Wheel(bar.center(), -1);
    }
    EXPECT_EQ(form->Timeline->Range().FromMs, At("2026-12-09T10:00:00Z").toMSecsSinceEpoch());

    const TTimelineRange view = form->Timeline->Range();
    form->Refresh();
    EXPECT_EQ(form->Timeline->Range().FromMs, view.FromMs);
    form->cbRange->setCurrentIndex(THistoryForm::rcLast6Hours);
    EXPECT_EQ(form->Timeline->Range().FromMs, now.addSecs(-6 * 3600).toMSecsSinceEpoch());
}

// The axis never writes a date that could be read two ways: times "14:05", dates "9 Dec" /
// "9 dec.", the year beside a date of another year, and a stretch under a day says its date.
TEST_F(HistoryFormTest, AxisLabelsAreUnambiguousAtEveryZoom) {
    const struct {
        const char* name;
        int choice;
        QDate from, to; // for the dates
        int zoomNotches;
        bool english;
        const char* first;
        const char* pattern; // every label
        const char* some;    // a label among them
    } cases[] = {
        {"an hour",
         THistoryForm::rcLastHour,
         {},
         {},
         0,
         true,
         "9 Dec 12:00",
         R"(^(9 Dec 12:00|12:[0-5][05]|13:00)$)",
         "12:30"},
        {"five minutes",
         THistoryForm::rcLastHour,
         {},
         {},
         20,
         false,
         nullptr,
         R"(^(9 dec\. )?12:[0-5]\d$)",
         nullptr},
        {"six hours across midnight",
         THistoryForm::rcDates,
         {2026, 12, 8},
         {2026, 12, 9},
         4,
         true,
         nullptr,
         R"(^(\d{1,2} Dec( \d\d:\d\d)?|\d\d:\d\d)$)",
         "9 Dec"},
        {"a week", THistoryForm::rcLast7Days, {}, {}, 0, true, "3 Dec", R"(^[3-9] Dec$)", "9 Dec"},
        {"a week in Romanian",
         THistoryForm::rcLast7Days,
         {},
         {},
         0,
         false,
         "3 dec.",
         R"(^[3-9] dec\.$)",
         "9 dec."},
        {"into the new year",
         THistoryForm::rcDates,
         {2025, 12, 20},
         {2026, 1, 10},
         0,
         true,
         nullptr,
         R"(^(\d{1,2} Dec 2025|\d{1,2} Jan)$)",
         nullptr},
        {"a year",
         THistoryForm::rcDates,
         {2025, 6, 1},
         {2026, 12, 31},
         0,
         false,
         nullptr,
         R"(^\d{1,2} (ian|feb|mar|apr|mai|iun|iul|aug|sept|oct|nov|dec)\.?( 2025)?$)",
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseEnglish = c.english;
        form->ApplyLanguage();
        if (c.from.isValid()) {
            form->edFrom->setDate(c.from);
            form->edTo->setDate(c.to);
        }
        ShowRange(c.choice);
        form->Timeline->update();
        const QPoint middle = form->Timeline->BarRect(0).center();
        if (c.zoomNotches > 0) {
            // Around the middle of the range: on 9 Dec at midnight for the dates.
            const qint64 at = c.from.isValid() ? At("2026-12-09T00:00:00Z").toMSecsSinceEpoch()
                                               : now.addSecs(-1800).toMSecsSinceEpoch();
            Wheel({form->Timeline->XOf(at), middle.y()}, c.zoomNotches);
        }
        const QStringList labels = AxisTexts();
        ASSERT_GE(labels.size(), 3) << labels.join(u'|').toStdString();
        if (c.first) {
            EXPECT_EQ(labels.first(), QString::fromUtf8(c.first));
        }
        const QRegularExpression pattern(QString::fromUtf8(c.pattern));
        for (const QString& label : labels)
            EXPECT_TRUE(pattern.match(label).hasMatch()) << label.toStdString();
        if (c.some) {
            EXPECT_TRUE(labels.contains(QString::fromUtf8(c.some)))
                << labels.join(u'|').toStdString();
        }
        // Left to right, apart.
        const auto drawn = form->Timeline->AxisLabels();
        for (std::size_t i = 1; i < drawn.size(); ++i)
            EXPECT_LT(drawn[i - 1].X, drawn[i].X);
        Mouse(QEvent::MouseButtonDblClick, middle);
        form->hide();
    }
    UseEnglish = true;
    form->ApplyLanguage();
    form->edFrom->setDate(QDate(2025, 12, 20));
    form->edTo->setDate(QDate(2026, 1, 10));
    ShowRange(THistoryForm::rcDates);
    const QStringList labels = AxisTexts();
    EXPECT_TRUE(labels.first().endsWith(QStringLiteral(" 2025"))) << labels.first().toStdString();
    EXPECT_TRUE(labels.last().endsWith(QStringLiteral(" Jan"))) << labels.last().toStdString();
}

// A name longer than a third of the window is cut and the whole of it shows on hovering; one that
// fits has no tooltip. Names, like the hover texts, reach the tooltip as text, never markup.
TEST_F(HistoryFormTest, NamesCutShortCanBeReadWholeAndTooltipsAreText) {
    const THistoryKey marked{QStringLiteral("<b>eve</b> & <i>co"), QStringLiteral("Games demo")};
    const THistoryKey longName{
        QStringLiteral("zed"),
        QStringLiteral("A source with a name much too long for any column of names at all")};
    store->RecordCheck(marked, bsOnline, At("2026-12-09T10:00:00Z"));
    store->RecordCheck(longName, bsOffline, At("2026-12-09T10:00:00Z"));
    ShowRange(THistoryForm::rcLast24Hours);
    const auto& rows = form->Timeline->Rows();
    ASSERT_EQ(rows.size(), 5u);
    ASSERT_EQ(rows[0].Key, marked);
    ASSERT_EQ(rows[4].Key, longName);
    EXPECT_LE(form->Timeline->BarRect(0).left(), form->Timeline->width() / 3);

    const auto nameAt = [&](int row) {
        return QPoint(12, form->Timeline->BarRect(row).center().y());
    };
    EXPECT_EQ(form->Timeline->ToolTipAt(nameAt(4)),
              QStringLiteral("zed (A source with a name much too long for any column of names at "
                             "all)"));
    EXPECT_TRUE(form->Timeline->ToolTipAt(nameAt(1)).isEmpty()); // ana fits

    // What the tooltip shows, read as Qt reads it.
    const auto shown = [&](QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, form->Timeline->mapToGlobal(at));
        QCoreApplication::sendEvent(form->Timeline, &help);
        const QString text = QToolTip::text();
        QTextDocument document;
        if (Qt::mightBeRichText(text))
            document.setHtml(text);
        else
            document.setPlainText(text);
        return document.toPlainText().replace(QChar::LineSeparator, u'\n');
    };
    const QPoint bar = BarPoint(0, "2026-12-09T11:00:00Z");
    ASSERT_FALSE(form->Timeline->ToolTipAt(bar).isEmpty());
    EXPECT_EQ(shown(bar).toStdString(), form->Timeline->ToolTipAt(bar).toStdString());
    EXPECT_TRUE(shown(bar).startsWith(QStringLiteral("<b>eve</b> & <i>co (Games demo): ONLINE\n")));
    form->resize(400, 320);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(nameAt(0)).toStdString(), "<b>eve</b> & <i>co (Games demo)");
    QToolTip::hideText();
}

// The status line after an export: how many changes went to which file, grouped by thousands,
// in the language in force (and again after a switch); a failure says why.
TEST_F(HistoryFormTest, TheStatusLineSaysWhatTheExportDid) {
    TFakeMessageBoxes boxes;
    for (int i = 0; i < 1234; ++i)
        store->RecordCheck(Key("dan"), i % 2 == 0 ? bsOnline : bsOffline,
                           At("2026-10-01T00:00:00Z").addSecs(60 * i));
    const QString path = folder.filePath(QStringLiteral("history.csv"));
    form->AskExportPath = [&](const QString&) { return path; };
    const struct {
        QDate from;
        QDate to;
        const char* english;
        const char* romanian;
    } cases[] = {
        {{2026, 12, 9},
         {2026, 12, 9},
         "Saved 5 changes to history.csv",
         "S-au salvat 5 schimbări în history.csv"},
        {{2026, 11, 1},
         {2026, 11, 1},
         "Saved 1 change to history.csv",
         "S-a salvat o schimbare în history.csv"},
        {{2026, 11, 2},
         {2026, 11, 2},
         "Saved 0 changes to history.csv",
         "S-au salvat 0 schimbări în history.csv"},
        {{2026, 10, 1},
         {2026, 10, 1},
         "Saved 1 234 changes to history.csv",
         "S-au salvat 1 234 de schimbări în history.csv"},
    };
    form->cbRange->setCurrentIndex(THistoryForm::rcDates);
    for (const auto& c : cases) {
        form->edFrom->setDate(QDate(2026, 1, 1)); // the end may not come before the start
        form->edTo->setDate(c.to);
        form->edFrom->setDate(c.from);
        UseEnglish = true;
        form->ApplyLanguage();
        form->btnExportClick();
        EXPECT_EQ(form->lbStatus->text(), QString::fromUtf8(c.english));
        UseEnglish = false;
        form->ApplyLanguage();
        EXPECT_EQ(form->lbStatus->text(), QString::fromUtf8(c.romanian));
        form->btnExportClick();
        EXPECT_EQ(form->lbStatus->text(), QString::fromUtf8(c.romanian));
    }
    EXPECT_TRUE(boxes.shown.empty());

    UseEnglish = true;
    form->AskExportPath = [&](const QString&) {
        return folder.filePath(QStringLiteral("none/history.csv"));
    };
    form->btnExportClick();
    EXPECT_TRUE(form->lbStatus->text().startsWith(QStringLiteral("Could not save history.csv: ")))
        << form->lbStatus->text().toStdString();
    EXPECT_GT(form->lbStatus->text().size(), 30);
    // A cancelled export leaves the line as it was.
    const QString said = form->lbStatus->text();
    form->AskExportPath = [](const QString&) { return QString(); };
    form->btnExportClick();
    EXPECT_EQ(form->lbStatus->text(), said);
}

} // namespace

// The presence history at a year's size: 100000 changes of 20 IDs, one run a day. What one
// recorded check costs, alone and with the history window open over the year, opening the window
// up to its first full paint, drawing the whole year, one step of the wheel's zoom and of a drag
// each with the repaint it causes, and the file's size per 1000 changes.
#include "app/frmHistory.h"
#include "app/frmHistoryTimeline.h"
#include "history/HistoryStore.h"
#include "history/Timeline.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kIds = 20;
constexpr int kDays = 365;
constexpr int kChanges = 100000;
constexpr qint64 kDayMs = 24LL * 3600 * 1000;
const qint64 kStartMs = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
const qint64 kEndMs = kStartMs + kDays * kDayMs;

THistoryKey IdKey(int id) {
    return {QStringLiteral("buddy%1").arg(id), OwnSourceName()};
}

struct TEvent {
    qint64 TimeMs;
    int Id;
};

// A day's checks that change something, in time order: each ID's first result and then flips
// at random moments, at least kChanges over the whole year.
std::vector<TEvent> DayEvents(int day, std::mt19937& random) {
    const int flipsPerId = (kChanges + kDays * kIds - 1) / (kDays * kIds) - 1;
    std::uniform_int_distribution<qint64> moment(1, kDayMs - 1);
    std::vector<TEvent> events;
    const qint64 dayStart = kStartMs + day * kDayMs;
    for (int id = 0; id < kIds; ++id) {
        events.push_back({dayStart, id});
        for (int flip = 0; flip < flipsPerId; ++flip)
            events.push_back({dayStart + moment(random), id});
    }
    std::sort(events.begin(), events.end(),
              [](const TEvent& a, const TEvent& b) { return a.TimeMs < b.TimeMs; });
    return events;
}

// Writes the year through the store as the program would: one run a day. The number of changes.
int WriteYear(const QString& path) {
    qint64 now = kStartMs;
    THistoryStore store(path, {}, [&now] { return QDateTime::fromMSecsSinceEpoch(now); });
    std::mt19937 random(19);
    int changes = 0;
    for (int day = 0; day < kDays; ++day) {
        now = kStartMs + day * kDayMs;
        store.BeginRun();
        std::vector<int> status(kIds, 0);
        for (const TEvent& event : DayEvents(day, random)) {
            status[event.Id] = 1 - status[event.Id];
            store.RecordCheck(IdKey(event.Id), status[event.Id],
                              QDateTime::fromMSecsSinceEpoch(event.TimeMs));
            ++changes;
        }
        now += kDayMs - 1;
        store.EndRun();
    }
    return changes; // closing the store folds its log into the file
}

// The year's history, written once for all the benchmarks.
class TYearOfHistory {
public:
    static TYearOfHistory& Get() {
        static TYearOfHistory history;
        return history;
    }

    QString Path() const { return folder_.filePath(QStringLiteral("history.sqlite")); }
    double KiBPer1000Changes() const { return kibPer1000_; }
    // A store on the file at the end of the year, as the running program has it.
    std::unique_ptr<THistoryStore> Open() const {
        return std::make_unique<THistoryStore>(Path(), THistoryStore::TWarningHandler(), [] {
            return QDateTime::fromMSecsSinceEpoch(kEndMs);
        });
    }

private:
    TYearOfHistory() {
        const int changes = WriteYear(Path());
        kibPer1000_ = QFileInfo(Path()).size() / 1024.0 * 1000.0 / changes;
    }

    QTemporaryDir folder_;
    double kibPer1000_ = 0;
};

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// One check's result through the store: arg 1 a change every time, arg 0 never a change.
void BM_RecordCheck(benchmark::State& state) {
    auto store = TYearOfHistory::Get().Open();
    const bool changing = state.range(0) == 1;
    qint64 time = kEndMs;
    int code = 0;
    std::vector<double> micros;
    QElapsedTimer timer;
    for (auto _ : state) {
        code = changing ? 1 - code : code;
        time += 1000;
        timer.start();
        store->RecordCheck(IdKey(0), code, QDateTime::fromMSecsSinceEpoch(time));
        micros.push_back(timer.nsecsElapsed() / 1000.0);
    }
    state.counters["median_us"] = Median(micros);
    state.counters["changes_stored"] = double(store->Changes(0, kEndMs + 1).size());
}

// One check's result, a change, recorded and taken in by the open window showing the whole year,
// with every ID watched in the running program (what the window's thread does per result).
void BM_RecordCheckWindowOpen(benchmark::State& state) {
    auto store = TYearOfHistory::Get().Open();
    qint64 time = kEndMs;
    for (int id = 0; id < kIds; ++id)
        store->RecordCheck(IdKey(id), 0, QDateTime::fromMSecsSinceEpoch(time));
    THistoryForm form(*store);
    form.Now = [&time] { return QDateTime::fromMSecsSinceEpoch(time); };
    form.resize(1000, 700);
    form.edFrom->setDate(QDate(2026, 1, 1));
    form.edTo->setDate(QDate(2026, 12, 31));
    form.cbRange->setCurrentIndex(THistoryForm::rcDates);
    form.show();
    int code = 0;
    std::vector<double> micros;
    QElapsedTimer timer;
    for (auto _ : state) {
        code = 1 - code;
        time += 1000;
        timer.start();
        store->RecordCheck(IdKey(0), code, QDateTime::fromMSecsSinceEpoch(time));
        form.Refresh();
        micros.push_back(timer.nsecsElapsed() / 1000.0);
    }
    state.counters["median_us"] = Median(micros);
}

// Opening the window: reading the history, building the timeline and the first full paint, over
// the last 24 hours (arg 0) or the whole year (arg 3).
void BM_OpenWindow(benchmark::State& state) {
    auto store = TYearOfHistory::Get().Open();
    for (auto _ : state) {
        THistoryForm form(*store);
        form.Now = [] { return QDateTime::fromMSecsSinceEpoch(kEndMs); };
        form.resize(1000, 700);
        form.edFrom->setDate(QDate(2026, 1, 1));
        form.edTo->setDate(QDate(2026, 12, 31));
        {
            const QSignalBlocker quiet(form.cbRange);
            form.cbRange->setCurrentIndex(static_cast<int>(state.range(0)));
        }
        form.show(); // reads the store
        QImage image(form.size(), QImage::Format_ARGB32_Premultiplied);
        form.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

// The whole year of 20 IDs as the window holds it, and its timeline drawn over the year.
struct TYearView {
    TYearView()
        : store(TYearOfHistory::Get().Open()),
          timeline(store->Changes(std::numeric_limits<qint64>::min(),
                                  std::numeric_limits<qint64>::max()),
                   store->Spans(), kEndMs) {
        view.resize(1000, 600);
        view.SetTimeline(timeline, {kStartMs, kEndMs}, false);
        image = QImage(view.size(), QImage::Format_ARGB32_Premultiplied);
    }

    void Paint() {
        view.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }

    // Times each step with the repaint it causes; the median and the slowest in milliseconds.
    template <typename TStep> void TimeSteps(benchmark::State& state, TStep step) {
        std::vector<double> millis;
        QElapsedTimer timer;
        for (auto _ : state) {
            timer.start();
            step();
            Paint();
            millis.push_back(timer.nsecsElapsed() / 1e6);
        }
        state.counters["median_ms"] = Median(millis);
        state.counters["max_ms"] = *std::max_element(millis.begin(), millis.end());
    }

    std::unique_ptr<THistoryStore> store;
    THistoryTimeline timeline;
    THistoryTimelineView view;
    QImage image;
};

// The timeline alone drawing the whole year of 20 IDs.
void BM_DrawYear(benchmark::State& state) {
    TYearView year;
    for (auto _ : state)
        year.Paint();
}

// One step of the wheel and the repaint it causes, ten steps in from the whole year around the
// middle of the bars and ten back out, over and over.
void BM_WheelZoomStep(benchmark::State& state) {
    TYearView year;
    const QPointF at = year.view.BarRect(0).center();
    int step = 0;
    year.TimeSteps(state, [&] {
        const int notch = step++ % 20 < 10 ? 120 : -120;
        QWheelEvent wheel(at, at, QPoint(), QPoint(0, notch), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&year.view, &wheel);
    });
}

// One step of a drag and its repaint: a month in view, dragged 20 pixels at a time across the
// bars and back.
void BM_PanStep(benchmark::State& state) {
    TYearView year;
    const QRect bar = year.view.BarRect(0);
    const QPointF at = bar.center();
    QWheelEvent wheel(at, at, QPoint(), QPoint(0, 120 * 6), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false); // about a month across
    QCoreApplication::sendEvent(&year.view, &wheel);
    QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&year.view, &press);
    int step = 0;
    const int steps = bar.width() / 2 / 20;
    year.TimeSteps(state, [&] {
        const int phase = step++ % (4 * steps);
        const int offset = 20 * (phase < 2 * steps ? phase - steps : 3 * steps - phase);
        const QPointF to(at.x() + offset, at.y());
        QMouseEvent move(QEvent::MouseMove, to, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&year.view, &move);
    });
}

void BM_DatabaseSize(benchmark::State& state) {
    const double size = TYearOfHistory::Get().KiBPer1000Changes();
    for (auto _ : state)
        benchmark::DoNotOptimize(size);
    state.counters["KiB_per_1000_changes"] = size;
}

} // namespace

BENCHMARK(BM_RecordCheck)->Arg(1)->Arg(0)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordCheckWindowOpen)->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenWindow)
    ->Arg(THistoryForm::rcLast24Hours)
    ->Arg(THistoryForm::rcDates)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WheelZoomStep)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PanStep)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseSize)->Iterations(1);

// The tray's cost: from an applied result to the tray's tooltip and picture (a check answered at
// once, and the tray's update alone, each flipping who is online so that the picture is drawn
// anew), and the memory of the program's own balloons: ten shown and closed, a thousand times.
#include "app/frmMain.h"
#include "app/platform/BalloonStack.h"
#include "monitor/Presence.h"
#include "tests/app/DesktopTrayFake.h"
#include "tests/monitor/MonitorFakes.h"
#include "tests/support/InlineWorker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kWatched = 5;

// The window with five IDs on the own service, whose answers come at once from `answer`.
std::unique_ptr<TzentriloMF> WindowWithFive(const int& answer) {
    for (const char* host : {"ZENTRILO_DETECT_HOST", "ZENTRILO_INDICATOR_HOST"})
        qputenv(host, "127.0.0.1:9");
    qunsetenv("ZENTRILO_SITE");
    SetPresenceFetcher([&answer](const std::string&, std::u16string& text, const TFetchControl&) {
        text = ServiceReply(static_cast<TBuddyStatus>(answer));
        return true;
    });
    auto window = std::make_unique<TzentriloMF>(std::make_unique<TRecordingDesktopTray>(),
                                                std::make_unique<TInlineWorker>());
    window->FormCreate();
    window->ApplyLanguage(true);
    for (int i = 0; i < kWatched; ++i)
        window->AddBuddy(QStringLiteral("id%1").arg(i), 1);
    return window;
}

void BM_CheckAnsweredToTray(benchmark::State& state) {
    int answer = bsOffline;
    auto window = WindowWithFive(answer);
    TRecord& entry = *window->Buddies().List.front();
    for (auto _ : state) {
        answer = answer == bsOnline ? bsOffline : bsOnline;
        QElapsedTimer clock;
        clock.start();
        entry.CheckStatus(); // applied at once: status, history, row and tray
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    window.reset();
    SetPresenceFetcher({});
}

void BM_TrayUpdateAlone(benchmark::State& state) {
    int answer = bsOffline;
    auto window = WindowWithFive(answer);
    TRecord& entry = *window->Buddies().List.front();
    for (auto _ : state) {
        entry.LastStatus = entry.LastStatus == bsOnline ? bsOffline : bsOnline;
        QElapsedTimer clock;
        clock.start();
        window->UpdateTray();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    window.reset();
    SetPresenceFetcher({});
}

long ResidentKb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0; // pages of 4 KiB
}

// Ten balloons: five stand, five fold into the line; then every one is clicked away.
void ShowAndCloseTen(TBalloonStack& stack) {
    for (int i = 0; i < 10; ++i)
        stack.Show(
            QStringLiteral("Click to send id%1 a message").arg(i),
            QStringLiteral("id%1 is now ONLINE").arg(i), QIcon(), 10000,
            [] { return QRect(990, 740, 24, 24); }, [] {});
    while (!stack.Shown().empty())
        stack.Shown().front()->hide();
    stack.FoldedLine().hide();
    QCoreApplication::processEvents(); // as the program's loop would between notifications
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_TenBalloonsShownAndClosed(benchmark::State& state) {
    TBalloonStack stack;
    for (int i = 0; i < 50; ++i) // the first rounds fill Qt's caches
        ShowAndCloseTen(stack);
    const long before = ResidentKb();
    for (auto _ : state) {
        for (int round = 0; round < 1000; ++round)
            ShowAndCloseTen(stack);
    }
    state.counters["rss_growth_kb"] = static_cast<double>(ResidentKb() - before);
    state.counters["windows_left"] = static_cast<double>(QApplication::topLevelWidgets().size());
}

} // namespace

BENCHMARK(BM_CheckAnsweredToTray)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TrayUpdateAlone)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TenBalloonsShownAndClosed)->Iterations(1)->Unit(benchmark::kMillisecond);

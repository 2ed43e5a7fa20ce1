// The window against services that are slow or silent: from construction to a shown, painted
// window with three IDs whose services never answer; the longest the window's thread goes
// without handling its events while ten checks wait 3 s each (a 5 ms timer notes how late each
// tick comes); and from Exit to the window's end with a fetch under way.
#include "app/frmMain.h"
#include "remote/RemoteSettings.h"
#include "shell/uOptions.h"
#include "tests/app/DesktopTrayFake.h"
#include "tests/support/LoopbackServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int kProbeMs = 5;

void PointServicesAt(const std::string& hostPort) {
    for (const char* name : {"ZENTRILO_SITE", "ZENTRILO_DETECT_HOST", "ZENTRILO_INDICATOR_HOST"})
        qputenv(name, hostPort.c_str());
}

bool PumpUntil(const std::function<bool()>& done, int maxMs) {
    QDeadlineTimer deadline(maxMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, kProbeMs);
    return done();
}

std::unique_ptr<TzentriloMF> StartWindow() {
    auto window = std::make_unique<TzentriloMF>(std::make_unique<TRecordingDesktopTray>());
    window->FormCreate();
    window->ApplyLanguage(true);
    window->show();
    return window;
}

void StoreIds(int count) {
    QSettings store(ProgramKey(), QSettings::IniFormat);
    store.clear();
    for (int slot = 0; slot < count; ++slot)
        store.setValue(QStringLiteral("Items/User%1").arg(slot), QStringLiteral("id%1").arg(slot));
}

bool ChecksUnderWay(TzentriloMF& window) {
    const VRecord& list = window.Buddies().List;
    return std::any_of(list.begin(), list.end(),
                       [](const TRecord* entry) { return entry->CheckUnderWay(); });
}

void BM_StartToShownWindow(benchmark::State& state) {
    TLoopbackServer silent({{step::ReadRequest(), step::HoldOpen()}});
    PointServicesAt(silent.HostPort());
    StoreIds(3);
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto window = StartWindow();
        QCoreApplication::processEvents(); // the first paint
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        window.reset(); // abandons the settings fetch; not counted
    }
}

void BM_LongestStallDuringTenChecks(benchmark::State& state) {
    TLoopbackServer late({{step::ReadRequest(), step::Delay(3000),
                           step::Send(HttpReply("200 OK", "0004")), step::Close()}});
    PointServicesAt(late.HostPort());
    qunsetenv("ZENTRILO_SITE"); // the settings fail at once; the checks are measured
    StoreIds(0);
    for (auto _ : state) {
        auto window = StartWindow();
        PumpUntil([&] { return window->SettingsLoaded(); }, 5000);
        BuddyLimit = 10;
        for (int i = 0; i < 10; ++i)
            window->AddBuddy(QStringLiteral("id%1").arg(i), 1);
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        // The window's own kind of loop, which sleeps while nothing is due.
        QEventLoop loop;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last - kProbeMs);
            last = now;
            if (!ChecksUnderWay(*window))
                loop.quit();
        });
        probe.start(kProbeMs);
        loop.exec();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        state.counters["longest_stall_ms"] = static_cast<double>(longest);
        window.reset();
        BuddyLimit = 5;
    }
}

void BM_ExitWithAFetchUnderWay(benchmark::State& state) {
    TLoopbackServer silent({{step::ReadRequest(), step::HoldOpen()}});
    PointServicesAt(silent.HostPort());
    qunsetenv("ZENTRILO_SITE");
    StoreIds(1);
    for (auto _ : state) {
        auto window = StartWindow();
        const int asked = silent.ConnectionCount();
        PumpUntil([&] { return silent.ConnectionCount() > asked; }, 5000);
        QElapsedTimer clock;
        clock.start();
        window->btnExitClick();
        window.reset(); // the fetch abandoned, the worker joined, the settings saved
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
}

} // namespace

BENCHMARK(BM_StartToShownWindow)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongestStallDuringTenChecks)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExitWithAFetchUnderWay)->UseManualTime()->Unit(benchmark::kMillisecond);

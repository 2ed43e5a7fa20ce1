#include "app/platform/SessionSignals.h"
#include "tests/shell/EventPump.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

int CountCalls(const int& calls, int maxMs) {
    PumpUntil([&] { return calls > 0; }, maxMs);
    return calls;
}

void (*HandlerOf(int signal))(int) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    return action.sa_handler;
}

class SessionSignalsTest : public ::testing::TestWithParam<int> {};

TEST_P(SessionSignalsTest, SignalReachesTheHandlerOnTheMainLoop) {
    int calls = 0;
    TSessionSignals session([&] { ++calls; });
    ASSERT_EQ(raise(GetParam()), 0);
    // Nothing runs inside the signal handler itself.
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(CountCalls(calls, 2000), 1);
}

INSTANTIATE_TEST_SUITE_P(EndOfSession, SessionSignalsTest,
                         ::testing::Values(SIGTERM, SIGHUP, SIGINT));

TEST(SessionSignalsBurstTest, ABurstOfSignalsIsOneEndOfSession) {
    int calls = 0;
    TSessionSignals session([&] { ++calls; });
    raise(SIGTERM);
    raise(SIGHUP);
    raise(SIGTERM);
    EXPECT_EQ(CountCalls(calls, 2000), 1);
}

TEST(SessionSignalsArmTest, AnEndBeforeArmWaitsForIt) {
    int calls = 0;
    TSessionSignals session([&] { ++calls; }, false);
    raise(SIGTERM);
    EXPECT_EQ(CountCalls(calls, 200), 0);
    session.Arm();
    EXPECT_EQ(calls, 0); // from the loop, not from inside Arm
    EXPECT_EQ(CountCalls(calls, 2000), 1);
}

TEST(SessionSignalsLifetimeTest, DefaultsComeBackWhenTheHandlerGoes) {
    {
        TSessionSignals session([] {});
        for (int signal : TSessionSignals::HandledSignals)
            EXPECT_NE(HandlerOf(signal), SIG_DFL) << signal;
    }
    for (int signal : TSessionSignals::HandledSignals)
        EXPECT_EQ(HandlerOf(signal), SIG_DFL) << signal;
}

} // namespace

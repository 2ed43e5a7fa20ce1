// The end of the Windows session as its messages bring it: the query saves and lets the session
// end, a real end exits once, a cancelled one keeps the program running, and an end before the
// program is up waits for it.
#include "app/platform/SessionMessages.h"

#include <gtest/gtest.h>

namespace {

HWND SessionWindow() {
    return ::FindWindowW(L"ZentriloSession", nullptr);
}

struct TCounts {
    int saves = 0;
    int ends = 0;
};

TEST(SessionMessages, QuerySavesAndAgreesThenTheEndExitsOnce) {
    TCounts counts;
    TSessionMessages session([&] { ++counts.ends; });
    session.OnSaveRequest = [&] { ++counts.saves; };
    ASSERT_NE(SessionWindow(), nullptr);

    EXPECT_EQ(::SendMessageW(SessionWindow(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(counts.saves, 1);
    EXPECT_EQ(counts.ends, 0); // the answer alone ends nothing

    ::SendMessageW(SessionWindow(), WM_ENDSESSION, TRUE, 0);
    ::SendMessageW(SessionWindow(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(counts.ends, 1);
}

TEST(SessionMessages, ACancelledEndKeepsTheProgramRunning) {
    TCounts counts;
    TSessionMessages session([&] { ++counts.ends; });
    session.OnSaveRequest = [&] { ++counts.saves; };
    ::SendMessageW(SessionWindow(), WM_QUERYENDSESSION, 0, 0);
    ::SendMessageW(SessionWindow(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(counts.saves, 1);
    EXPECT_EQ(counts.ends, 0);
}

TEST(SessionMessages, AnEndBeforeArmWaitsForIt) {
    TCounts counts;
    TSessionMessages session([&] { ++counts.ends; }, false);
    session.OnSaveRequest = [&] { ++counts.saves; };
    ::SendMessageW(SessionWindow(), WM_QUERYENDSESSION, 0, 0);
    ::SendMessageW(SessionWindow(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(counts.saves, 1); // saving never waits
    EXPECT_EQ(counts.ends, 0);
    session.Arm();
    EXPECT_EQ(counts.ends, 1);
}

} // namespace

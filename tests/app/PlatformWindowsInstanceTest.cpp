// The single-instance rule on Windows: the running program's window of class "TzentriloMF" is
// what a second start finds, and WM_USER + 3 sent or posted to it asks for the exit.
#include "app/platform/SingleInstanceWindows.h"
#include "tests/shell/EventPump.h"

#include <gtest/gtest.h>

namespace {

HWND ProgramWindow() {
    return ::FindWindowW(L"TzentriloMF", nullptr);
}

TEST(WindowsInstance, TheFirstListensAndASecondFindsIt) {
    TSingleInstance first;
    EXPECT_FALSE(first.AlreadyRunning());
    ASSERT_EQ(first.Listen(), TSingleInstance::clListening);
    EXPECT_NE(ProgramWindow(), nullptr);
    EXPECT_FALSE(::IsWindowVisible(ProgramWindow()));

    TSingleInstance second;
    EXPECT_TRUE(second.AlreadyRunning());
    EXPECT_EQ(second.Listen(), TSingleInstance::clOtherInstance);
}

TEST(WindowsInstance, TheWindowGoesWithTheInstance) {
    {
        TSingleInstance instance;
        ASSERT_EQ(instance.Listen(), TSingleInstance::clListening);
    }
    EXPECT_EQ(ProgramWindow(), nullptr);
    TSingleInstance again;
    EXPECT_EQ(again.Listen(), TSingleInstance::clListening);
}

TEST(WindowsInstance, ExitMessageSentOrPostedReachesTheHandler) {
    TSingleInstance instance;
    int exits = 0;
    instance.OnExitRequest = [&] { ++exits; };
    ASSERT_EQ(instance.Listen(), TSingleInstance::clListening);

    ASSERT_TRUE(::PostMessageW(ProgramWindow(), WM_USER + 3, 0, 0));
    EXPECT_TRUE(PumpUntil([&] { return exits == 1; }, 2000));
    ::SendMessageW(ProgramWindow(), WM_USER + 3, 0, 0);
    EXPECT_EQ(exits, 2);
    // Other messages are not an exit.
    ::SendMessageW(ProgramWindow(), WM_USER + 2, 0, 0);
    ::SendMessageW(ProgramWindow(), WM_USER + 4, 0, 0);
    EXPECT_EQ(exits, 2);
}

} // namespace

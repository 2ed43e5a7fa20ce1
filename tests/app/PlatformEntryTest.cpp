#include "app/platform/CloseWatcher.h"
#include "app/platform/CommandLine.h"

#include <QCloseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct SwitchCase {
    std::vector<const char*> args; // after the program name
    bool minimized;
};

class MinimizedSwitchTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(MinimizedSwitchTest, OnlyTheFirstArgumentInAnyAsciiCase) {
    std::vector<const char*> argv{"zentrilo"};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    EXPECT_EQ(StartsMinimized(static_cast<int>(argv.size()), argv.data()), GetParam().minimized);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, MinimizedSwitchTest,
    ::testing::Values(SwitchCase{{}, false}, SwitchCase{{"-minimized"}, true},
                      SwitchCase{{"-MiNiMiZeD"}, true}, SwitchCase{{"-MINIMIZED", "x"}, true},
                      SwitchCase{{"x", "-minimized"}, false}, SwitchCase{{"-minimize"}, false},
                      SwitchCase{{"-minimizedx"}, false}, SwitchCase{{"--minimized"}, false},
                      SwitchCase{{"minimized"}, false}, SwitchCase{{""}, false},
                      // Only A-Z fold: the dotted capital I is not an "i".
                      SwitchCase{{"-m\xc4\xb0nimized"}, false}));

// A window that hides instead of closing while `refuse` is set, as close-to-tray does.
class TrayWindow : public QWidget {
public:
    bool refuse = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        if (refuse)
            event->ignore();
        else
            event->accept();
    }
};

TEST(CloseWatcherTest, ReportsOnlyTheClosesTheWindowAccepts) {
    TrayWindow window;
    int closed = 0;
    new TCloseWatcher(&window, [&] { ++closed; });
    window.show();
    window.refuse = true;
    EXPECT_FALSE(window.close());
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(window.isVisible());
    window.refuse = false;
    EXPECT_TRUE(window.close());
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(window.isVisible());
}

} // namespace

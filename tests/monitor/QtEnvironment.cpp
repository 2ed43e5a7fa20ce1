// The monitor tests' application object; the app tests bring their own.
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

// Timers need an application object for the whole test run; the monitor links no widgets.
class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "zentrilo_tests_monitor";
        static char* argv[] = {name, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QCoreApplication* app_ = nullptr;
};

[[maybe_unused]] auto* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace

// The platform tests need a Qt application object (local sockets, notifiers, message boxes).
#include <QApplication>

#include <gtest/gtest.h>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance() != nullptr)
            return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "zentrilo_tests_app";
        static char* argv[] = {name, nullptr};
        // Lives until the process ends, like the program's own.
        new QApplication(argc, argv);
    }
};

const auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace

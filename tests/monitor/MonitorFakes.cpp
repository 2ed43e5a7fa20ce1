#include "tests/monitor/MonitorFakes.h"

#include "app/Language.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

// Timers and widgets need an application object for the whole test run.
class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "zentrilo_tests_monitor";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] auto* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace

TFakeFetcher::TFakeFetcher() {
    SetPresenceFetcher([this](const std::string& url, std::u16string& text) {
        urls.push_back(url);
        text = ok ? reply : std::u16string();
        return ok;
    });
}

TFakeFetcher::~TFakeFetcher() {
    SetPresenceFetcher(nullptr);
}

TLanguageScope::TLanguageScope(bool english) : saved_(UseEnglish) {
    UseEnglish = english;
}

TLanguageScope::~TLanguageScope() {
    UseEnglish = saved_;
}

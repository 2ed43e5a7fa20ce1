#include "tests/monitor/MonitorFakes.h"

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

TFakeFetcher::TFakeFetcher() {
    SetPresenceFetcher([this](const std::string& url, std::u16string& text, const TFetchControl&) {
        urls.push_back(url);
        if (!replies.empty()) {
            text = replies.front();
            replies.pop_front();
            return true;
        }
        text = ok ? reply : std::u16string();
        return ok;
    });
}

TFakeFetcher::~TFakeFetcher() {
    SetPresenceFetcher(nullptr);
}

TFakeSourceFetcher::TFakeSourceFetcher() {
    SetSourceFetcher(
        [this](const std::string& url, QByteArray& body, const TFetchControl& control) {
            urls.push_back(url);
            cancel = control.cancel;
            if (control.failure)
                *control.failure = ok ? std::string() : failure;
            if (control.status)
                *control.status = status;
            body = ok ? reply : QByteArray();
            return ok;
        });
}

TFakeSourceFetcher::~TFakeSourceFetcher() {
    SetSourceFetcher(nullptr);
}

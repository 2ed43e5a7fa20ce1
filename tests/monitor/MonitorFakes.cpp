#include "tests/monitor/MonitorFakes.h"

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
    SetSourceFetcher([this](const std::string& url, QByteArray& body,
                            const TFetchControl& control) {
        urls.push_back(url);
        cancel = control.cancel;
        if (control.failure)
            *control.failure = ok ? std::string() : failure;
        if (control.status)
            *control.status = status;
        body = ok ? reply : QByteArray();
        if (control.errorBody)
            *control.errorBody = ok ? std::u16string() : QString::fromUtf8(reply).toStdU16String();
        return ok;
    });
}

TFakeSourceFetcher::~TFakeSourceFetcher() {
    SetSourceFetcher(nullptr);
}

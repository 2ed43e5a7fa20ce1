#pragma once
// A recording presence fetcher for the monitor tests (and a reply encoder the window tests share),
// beside the shell's fakes.

#include "monitor/Presence.h"
#include "monitor/SourceQuery.h"
#include "tests/shell/ShellFakes.h"
#include "tests/support/InlineWorker.h"

#include <deque>
#include <string>
#include <vector>

// A detection-service reply (four hexadecimal digits) that decodes to `code`; every code from
// 0 to 20 and from 246 to 255 has one.
inline std::u16string ServiceReply(TBuddyStatus code) {
    // The code is (high digit + 5 - low digit) & 0xFF of the reply's last two digits.
    const int digits = code <= 5 ? 5 - code : code <= 20 ? (code - 5) * 16 : 261 - code;
    const char16_t hex[] = u"0123456789ABCDEF";
    return {u'0', u'0', hex[digits / 16], hex[digits % 16]};
}

// Installs itself as the presence fetcher and records every URL. It answers from `replies` in
// order while any are left, then with `reply` (or fails when `ok` is false).
class TFakeFetcher {
public:
    TFakeFetcher();
    ~TFakeFetcher();
    TFakeFetcher(const TFakeFetcher&) = delete;
    TFakeFetcher& operator=(const TFakeFetcher&) = delete;

    std::vector<std::string> urls;
    std::deque<std::u16string> replies;
    bool ok = true;
    std::u16string reply;
};

// Installs itself as the sources' fetcher: records every URL and the cancel token it was given,
// and answers as scripted: with `status`, and with `reply` (the body of a failed status when not
// `ok`).
class TFakeSourceFetcher {
public:
    TFakeSourceFetcher();
    ~TFakeSourceFetcher();
    TFakeSourceFetcher(const TFakeSourceFetcher&) = delete;
    TFakeSourceFetcher& operator=(const TFakeSourceFetcher&) = delete;

    std::vector<std::string> urls;
    const TIdDeadline* cancel = nullptr;
    bool ok = true;
    int status = 200;
    std::string failure;
    QByteArray reply;
};

// Test failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

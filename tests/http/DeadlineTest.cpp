// How long an exchange may hold its caller: one read time-out for a silent peer, the bound on
// the whole exchange, and a cancel from another thread, each ending every kind of wait.
#include "http/IdDeadline.h"
#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "tests/support/Canceller.h"
#include "tests/support/FaultProbe.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// A peer that sends `bytes` after the request and then falls silent, keeping the socket open.
TServerScript SilentAfter(const std::string& bytes) {
    return {step::ReadRequest(), step::Send(bytes), step::HoldOpen()};
}

// A peer that sends `bytes` one at a time, `gapMs` apart.
TServerScript Drip(const std::string& bytes, int gapMs) {
    TServerScript script = {step::ReadRequest()};
    for (char c : bytes) {
        script.push_back(step::Send(std::string(1, c)));
        script.push_back(step::Delay(gapMs));
    }
    return script;
}

// The error `run` raised (checked against E) and when, in ms from the start.
template <typename E> long long RaisedAfter(const std::function<void()>& run) {
    const auto start = Clock::now();
    try {
        run();
        ADD_FAILURE() << "nothing was raised";
    } catch (const E&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << "raised " << e.what();
    }
    return MsSince(start);
}

struct TPeerCase {
    const char* name;
    TServerScript script; // empty: a port whose connects are never answered
};

// Runs `exchange` against each peer, each on a server of its own that is stopped afterwards, and
// checks that no thread or socket of the client outlived it.
void ForEachPeer(const std::vector<TPeerCase>& cases,
                 const std::function<void(const std::string& url)>& exchange) {
    TUnansweredPort unanswered;
    for (const TPeerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TResourceCounts baseline = CountResources();
        std::unique_ptr<TLoopbackServer> server;
        std::string url = "http://127.0.0.1:" + std::to_string(unanswered.Port()) + "/";
        if (!c.script.empty()) {
            server = std::make_unique<TLoopbackServer>(std::vector<TServerScript>{c.script});
            url = server->Url();
        }
        exchange(url);
        server.reset();
        EXPECT_EQ(SettledResources(baseline), baseline) << "a thread or socket outlived the call";
    }
}

} // namespace

// Wherever the peer falls silent, the exchange ends after one read time-out, not one per
// line or body read still to come.
TEST(ReadTimeout, OneSilenceEndsTheExchange) {
    constexpr int kTimeoutMs = 200;
    const struct {
        const char* name;
        std::string sent;
    } cases[] = {
        {"before the status line", ""},
        {"inside the header lines", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n"},
        {"before a chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"},
        {"after a chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab"},
        {"inside a sized body", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nab"},
        {"inside an error reply read to the close", "HTTP/1.1 404 Not Found\r\n\r\nno"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLoopbackServer server({SilentAfter(c.sent)});
        TIdHTTP http;
        http.ReadTimeout = kTimeoutMs;
        const long long ms = RaisedAfter<EIdReadTimeout>([&] { http.GetAsText(server.Url()); });
        EXPECT_GE(ms, kTimeoutMs - 5);
        EXPECT_LT(ms, 2 * kTimeoutMs);
    }
}

// A peer that never falls silent for a whole read time-out, or a connect without a time-out
// of its own, is still stopped by the bound.
TEST(Deadline, BoundsTheWholeExchange) {
    constexpr int kBoundMs = 400;
    ForEachPeer({{"a byte every 20 ms", Drip(HttpReply("200 OK", std::string(100, 'd')), 20)},
                 {"a connect never answered", {}}},
                [](const std::string& url) {
                    const TIdDeadline bound(kBoundMs);
                    TIdHTTP http;
                    http.ReadTimeout = 1000;
                    http.SetDeadline(&bound);
                    const long long ms =
                        RaisedAfter<EIdDeadlineExceeded>([&] { http.GetAsText(url); });
                    EXPECT_GE(ms, kBoundMs - 5);
                    EXPECT_LT(ms, kBoundMs + 100);
                });
}

// Another thread abandons an exchange that would wait without any limit: the call ends
// promptly with EIdCancelled.
TEST(Deadline, CancelFromAnotherThreadEndsEveryWait) {
    ForEachPeer({{"during the connect", {}},
                 {"during a silent read", SilentAfter("")},
                 {"during a silent body", SilentAfter("HTTP/1.1 200 OK\r\n\r\npart")}},
                [](const std::string& url) {
                    TIdDeadline token;
                    const TCanceller canceller(token, 150);
                    TIdHTTP http; // no connect or read time-out: only the cancel ends the waits
                    http.SetDeadline(&token);
                    RaisedAfter<EIdCancelled>([&] { http.GetAsText(url); });
                    EXPECT_LT(canceller.MsSinceCancel(), 50);
                    EXPECT_FALSE(http.IsConnected()) << "a cancelled exchange keeps no connection";
                });
}

// A look at the connection (the keep-alive check at the end of a request) waits for nothing,
// so a bound that has just passed must not turn a reply that has arrived into a failure.
TEST(Deadline, ALookAtTheConnectionNeverRaises) {
    TLoopbackServer server({{step::Send("abc\n"), step::HoldOpen()}});
    TIdTCPClientCustom client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.OpenConnection();
    ASSERT_TRUE(client.IOHandler()->Binding()->Readable(2000));
    const TIdDeadline passed(1);
    std::this_thread::sleep_for(milliseconds(2));
    client.SetDeadline(&passed);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.IOHandler()->ReadLine(), "abc") << "what arrived is still readable";
    EXPECT_THROW(client.IOHandler()->ReadLine(), EIdDeadlineExceeded);
}

// Name lookups against a resolver the test controls. Started by NameLookupTest through
// `unshare --mount --net`, it covers /etc/resolv.conf and /etc/nsswitch.conf inside its own mount
// namespace so that every lookup goes to a fake DNS server on its own loopback interface; the
// machine's files and network are never touched. Exit status 77: the sandbox cannot be set up.
#include "http/IdDeadline.h"
#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "tests/http/sandbox/FakeResolver.h"
#include "tests/support/Canceller.h"
#include "tests/support/FaultProbe.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
namespace fs = std::filesystem;

constexpr int kCannotSetUp = 77;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// True only in mount and network namespaces other than those of the test that started this
// program (it names its own in ZENTRILO_OUTER_NAMESPACES), so that covering files and binding
// port 53 can never reach the machine itself.
bool InPrivateNamespaces() {
    const char* outer = std::getenv("ZENTRILO_OUTER_NAMESPACES");
    for (const char* kind : {"mnt", "net"}) {
        std::error_code error;
        const std::string own = fs::read_symlink(fs::path("/proc/self/ns") / kind, error).string();
        if (!outer || error || std::string(outer).find(own) != std::string::npos)
            return false;
    }
    return true;
}

bool LoopbackUp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return up;
}

// Lays a file with `content` over `target` (which must exist) for this namespace only.
bool Cover(const fs::path& target, const std::string& content, const fs::path& scratch) {
    const fs::path source = scratch / target.filename();
    std::ofstream(source) << content;
    return fs::exists(target) &&
           ::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) == 0;
}

// Lookups ask the fake server only, and a silent one keeps them waiting far past any bound.
const char* SetUp(const fs::path& scratch) {
    if (!InPrivateNamespaces())
        return "not in private mount and network namespaces";
    if (!LoopbackUp())
        return "cannot bring up the loopback interface";
    if (!Cover("/etc/resolv.conf", "nameserver 127.0.0.1\noptions timeout:30 attempts:1\n",
               scratch) ||
        !Cover("/etc/nsswitch.conf", "hosts: dns\n", scratch))
        return "cannot cover the resolver's configuration";
    return nullptr;
}

void Connect(TIdTCPClientCustom& client, const std::string& host) {
    client.Host = host;
    client.Port = 80;
    client.OpenConnection();
}

} // namespace

// Every kind of resolver answer gives its Windows socket error number and text.
TEST(LookupErrors, ResolverAnswersGiveTheirSocketErrors) {
    const struct {
        const char* host;
        int code;
        const char* message;
    } cases[] = {
        {"nxdomain.zentrilo.test", 11001, "Socket Error # 11001\r\nHost not found."},
        {"servfail.zentrilo.test", 11002, "Socket Error # 11002\r\nHost not found, try again."},
        {"refused.zentrilo.test", 11002, "Socket Error # 11002\r\nHost not found, try again."},
        {"nodata.zentrilo.test", 11004,
         "Socket Error # 11004\r\nValid name, no data record of requested type."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        for (const bool bounded : {false, true}) {
            const TIdDeadline bound(5000);
            TIdTCPClientCustom client;
            client.SetDeadline(bounded ? &bound : nullptr);
            try {
                Connect(client, c.host);
                ADD_FAILURE() << "connected";
            } catch (const EIdSocketError& e) {
                EXPECT_EQ(e.LastError(), c.code);
                EXPECT_STREQ(e.what(), c.message);
            }
        }
    }
}

// A resolver that never answers holds the call no longer than its bound, and a cancel from
// another thread ends the wait at once. The lookup thread is left to end on its own.
TEST(LookupBound, AStalledLookupEndsAtTheBoundOrTheCancel) {
    constexpr int kBoundMs = 300;
    {
        const TIdDeadline bound(kBoundMs);
        TIdTCPClientCustom client;
        client.SetDeadline(&bound);
        const auto start = Clock::now();
        EXPECT_THROW(Connect(client, "silent.zentrilo.test"), EIdDeadlineExceeded);
        EXPECT_GE(MsSince(start), kBoundMs - 5);
        EXPECT_LT(MsSince(start), kBoundMs + 100);
    }
    TIdDeadline token;
    const TCanceller canceller(token, 150);
    TIdTCPClientCustom client;
    client.SetDeadline(&token);
    EXPECT_THROW(Connect(client, "silent.zentrilo.test"), EIdCancelled);
    EXPECT_LT(canceller.MsSinceCancel(), 50);
}

// Answered lookups on a helper thread, many in a row: no thread or descriptor outlives a call.
TEST(LookupBound, AnsweredLookupsLeaveNothingBehind) {
    const TResourceCounts baseline = CountResources();
    {
        TLoopbackServer server(
            {{step::ReadRequest(), step::Send(HttpReply("200 OK", "hi")), step::Close()}});
        const std::string url =
            "http://loopback.zentrilo.test:" + std::to_string(server.Port()) + "/";
        for (int i = 0; i < 300; ++i) {
            const TIdDeadline bound(5000);
            TIdHTTP http;
            http.SetDeadline(&bound);
            ASSERT_EQ(http.GetAsText(url), u"hi") << i;
        }
    }
    EXPECT_EQ(SettledResources(baseline), baseline);
}

// A fetch cancelled before it begins starts no lookup thread; lookups abandoned at their bound
// stay bounded in number, and one that would need a thread beyond that fails at once. Last in
// this file: its abandoned lookups wait out the resolver's time-out.
TEST(LookupBound, CancelledAndAbandonedLookupsCannotPileUp) {
    const int threadsBefore = CountResources().threads;
    TIdDeadline cancelled;
    cancelled.Cancel();
    for (int i = 0; i < 200; ++i) {
        TIdTCPClientCustom client;
        client.SetDeadline(&cancelled);
        EXPECT_THROW(Connect(client, "silent.zentrilo.test"), EIdCancelled);
    }
    EXPECT_EQ(CountResources().threads, threadsBefore);
    int abandoned = 0;
    for (;;) {
        const TIdDeadline bound(50);
        TIdTCPClientCustom client;
        client.SetDeadline(&bound);
        const auto start = Clock::now();
        try {
            Connect(client, "silent.zentrilo.test");
            FAIL() << "connected";
        } catch (const EIdDeadlineExceeded&) {
            ASSERT_LT(++abandoned, 5) << "a fifth lookup thread was started";
        } catch (const EIdLookupBusy& e) {
            EXPECT_STREQ(e.what(), "Host lookup busy");
            EXPECT_LT(MsSince(start), 40); // not after a bound of its own
            break;
        }
    }
    EXPECT_LE(CountResources().threads, threadsBefore + 4);
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    char pattern[] = "/tmp/zentrilo-lookup-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::fprintf(stderr, "cannot make a scratch folder\n");
        return kCannotSetUp;
    }
    const fs::path scratch = pattern;
    int status = kCannotSetUp;
    if (const char* problem = SetUp(scratch)) {
        std::fprintf(stderr, "lookup sandbox: %s\n", problem);
    } else {
        try {
            TFakeResolver resolver;
            status = RUN_ALL_TESTS();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "lookup sandbox: %s\n", e.what());
        }
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return status;
}

// The socket layer against loopback peers: line and block reads, closes, connect outcomes.
#include "http/IdExceptions.h"
#include "http/IdSocketHandle.h"
#include "http/IdTCPClient.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// A client connected to a server that sends `bytes` and then closes (or holds open).
struct Peer {
    explicit Peer(const std::string& bytes, bool close = true)
        : server({{step::Send(bytes), close ? step::Close() : step::HoldOpen()}}) {
        client.Host = "127.0.0.1";
        client.Port = server.Port();
        client.OpenConnection();
    }
    TIdIOHandler& io() { return *client.IOHandler(); }
    TLoopbackServer server;
    TIdTCPClientCustom client;
};

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

} // namespace

TEST(Connection, ReadLineEndings) {
    struct Case {
        std::string bytes;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"abc\r\n", "abc"}, {"abc\n", "abc"}, {"abc\r\r\n", "abc\r"}, {"\r\n", ""}};
    for (const Case& c : cases) {
        Peer peer(c.bytes + "rest");
        EXPECT_EQ(peer.io().ReadLine(), c.line);
        std::string rest;
        peer.io().TakeBytes(rest, 4, false);
        EXPECT_EQ(rest, "rest");
    }
}

TEST(Connection, PartialLineRaisesAtCloseButBytesStayReadable) {
    Peer peer("abc");
    EXPECT_THROW(peer.io().ReadLine(), EIdConnClosedGracefully);
    EXPECT_TRUE(peer.client.IsConnected()) << "unread bytes count as connected";
    std::string bytes;
    peer.io().TakeBytes(bytes, 3, false);
    EXPECT_EQ(bytes, "abc");
    EXPECT_FALSE(peer.client.IsConnected());
}

// For a reader that expects the stream may end: the end before a whole line is an answer, not
// an error, and leaves the unfinished line readable.
TEST(Connection, ReadLineUnlessEndedReportsTheEnd) {
    struct Case {
        std::string bytes;
        bool whole;
        std::string line;
        std::string left;
    };
    const std::vector<Case> cases = {{"abc\r\nrest", true, "abc", "rest"},
                                     {"\r\n", true, "", ""},
                                     {"abc", false, "", "abc"},
                                     {"abc\r", false, "", "abc\r"},
                                     {"", false, "", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        Peer peer(c.bytes);
        std::string line;
        EXPECT_EQ(peer.io().ReadLineUnlessEnded(line), c.whole);
        EXPECT_EQ(line, c.line);
        std::string left;
        if (!c.left.empty())
            peer.io().TakeBytes(left, static_cast<std::int64_t>(c.left.size()), false);
        EXPECT_EQ(left, c.left);
    }
}

TEST(Connection, LineLengthLimitAndSplit) {
    Peer exact(std::string(16384, 'x') + "\n");
    EXPECT_EQ(exact.io().ReadLine().size(), 16384u);
    Peer over(std::string(16385, 'x') + "\n");
    EXPECT_THROW(over.io().ReadLine(), EIdReadLnMaxLineLengthExceeded);
    Peer unterminated(std::string(20000, 'x'), false);
    EXPECT_THROW(unterminated.io().ReadLine(), EIdReadLnMaxLineLengthExceeded);
    Peer split("abcdefgh\n");
    split.io().MaxLineAction = maSplit;
    EXPECT_EQ(split.io().ReadLine("\n", -1, 3), "abc");
    EXPECT_TRUE(split.io().ReadLnSplit());
}

TEST(Connection, ReadLineTimesOutWithAnEmptyLine) {
    Peer peer("ab", false);
    EXPECT_EQ(peer.io().ReadLine("\n", 50), "");
    EXPECT_TRUE(peer.io().ReadLnTimedOut());
    peer.io().ReadTimeout = 50;
    std::string bytes;
    EXPECT_THROW(peer.io().TakeBytes(bytes, 5, false), EIdReadTimeout);
}

TEST(Connection, ReadToStreamUntilCloseAndShort) {
    Peer all(std::string(100000, 'q'));
    TMemoryStream stream;
    all.io().ReadToStream(stream, -1, true);
    EXPECT_EQ(stream.Size(), 100000);

    Peer shortPeer("abcd");
    TMemoryStream partial;
    EXPECT_THROW(shortPeer.io().ReadToStream(partial, 10, false), EIdConnClosedGracefully);
    EXPECT_EQ(std::string(partial.Bytes().begin(), partial.Bytes().end()), "abcd");

    // Until close with a count: the count still bounds the read, and an early end is no error.
    Peer shortKept("abcd");
    TMemoryStream kept;
    EXPECT_NO_THROW(shortKept.io().ReadToStream(kept, 10, true));
    EXPECT_EQ(std::string(kept.Bytes().begin(), kept.Bytes().end()), "abcd");
    Peer longer("abcdef", false);
    TMemoryStream bounded;
    longer.io().ReadToStream(bounded, 4, true);
    EXPECT_EQ(std::string(bounded.Bytes().begin(), bounded.Bytes().end()), "abcd");
    std::string rest;
    longer.io().TakeBytes(rest, 2, false);
    EXPECT_EQ(rest, "ef");
}

TEST(Connection, ResetRaisesSocketError) {
    TLoopbackServer server({{step::Delay(20), step::Reset()}});
    TIdTCPClientCustom client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.OpenConnection();
    client.IOHandler()->WriteLine("x");
    try {
        client.IOHandler()->ReadLine();
        FAIL() << "nothing was raised";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.LastError(), 10054);
        EXPECT_STREQ(e.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
}

TEST(Connection, ConnectFailures) {
    struct Case {
        const char* name;
        std::string host;
        std::uint16_t port;
        int timeout;
        int code;
    };
    TRefusingPort refusing;
    const std::vector<Case> cases = {
        {"refused on the calling thread", "127.0.0.1", refusing.Port(), 0, 10061},
        {"refused on the helper thread", "localhost", refusing.Port(), 1000, 10061},
        {"unknown name", "no-such-host.invalid", 80, 1000, 11001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TIdTCPClientCustom client;
        client.Host = c.host;
        client.Port = c.port;
        client.ConnectTimeout = c.timeout;
        const auto start = Clock::now();
        try {
            client.OpenConnection();
            ADD_FAILURE() << "connected";
        } catch (const EIdSocketError& e) {
            EXPECT_EQ(e.LastError(), c.code);
        }
        EXPECT_LT(MsSince(start), 100) << "the caller learns at once";
        EXPECT_FALSE(client.IsConnected());
        EXPECT_EQ(client.IOHandler(), nullptr) << "a failed connect releases the handler";
    }
}

TEST(Connection, ConnectTimesOutAfterTheBudget) {
    TUnansweredPort port;
    TIdTCPClientCustom client;
    client.Host = "127.0.0.1";
    client.Port = port.Port();
    client.ConnectTimeout = 300;
    const auto start = Clock::now();
    EXPECT_THROW(client.OpenConnection(), EIdConnectTimeout);
    EXPECT_GE(MsSince(start), 290);
    EXPECT_LT(MsSince(start), 1500);
}

#ifndef _WIN32
// A close that comes after the connect took its descriptor but before the connect itself (an
// abandon on the caller's thread) frees no number under the connect: a socket opened meanwhile
// is never the one connected.
TEST(Connection, ACloseRacingTheConnectNeverTouchesAnotherSocket) {
    TLoopbackServer server({{step::HoldOpen()}});
    TIdSocketHandle socket;
    socket.AllocateSocket(Id_IPv4);
    socket.PeerIP = "127.0.0.1";
    socket.PeerPort = server.Port();
    int other = -1;
    socket.OnConnecting = [&] {
        socket.CloseSocket();
        other = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    };
    try {
        socket.Connect();
        ADD_FAILURE() << "a closed socket connected";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.LastError(), 10038);
    }
    ASSERT_GE(other, 0);
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    EXPECT_NE(::getpeername(other, reinterpret_cast<sockaddr*>(&peer), &length), 0)
        << "another socket was connected";
    ::close(other);
    EXPECT_FALSE(socket.HandleAllocated());
}
#endif

TEST(Connection, OpenRules) {
    TIdTCPClientCustom client;
    EXPECT_THROW(client.OpenConnection(), EIdHostRequired);
    client.Host = "127.0.0.1";
    EXPECT_THROW(client.OpenConnection(), EIdPortRequired);
    // A peer that sends nothing: bytes that arrived before the close would still count as
    // connected, and whether they did is a race.
    Peer peer("", false);
    EXPECT_THROW(peer.client.OpenConnection(), EIdAlreadyConnected);
    peer.client.CloseConnection();
    peer.client.CloseConnection();
    EXPECT_FALSE(peer.client.IsConnected());
}

TEST(Connection, WriteBufferingSendsOnlyOnFlush) {
    TLoopbackServer server({{step::ReadRequest(), step::Send("k\n"), step::HoldOpen()}});
    TIdTCPClientCustom client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.OpenConnection();
    TIdIOHandler& io = *client.IOHandler();
    io.BeginWriteBuffering();
    io.WriteLine("dropped");
    io.CancelWriteBuffer();
    io.BeginWriteBuffering();
    io.WriteLine("A");
    io.WriteLine("");
    EXPECT_FALSE(io.WaitForData(50)) << "nothing left before the flush";
    io.FlushWriteBuffer();
    EXPECT_EQ(io.ReadLine(), "k");
    EXPECT_EQ(server.Requests().at(0), "A\r\n\r\n");
}

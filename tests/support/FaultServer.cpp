#include "tests/support/FaultServer.h"

#include "tests/support/PortableSocket.h"
#include "tools/loopback/LoopbackListener.h"
#include "tools/loopback/LoopbackSend.h"

#include <stdexcept>

namespace {

constexpr int kPeerWaitMs = 5000;

// Readable data or EOF on fd (true), or the wake pipe / time-out (false).
bool Readable(int fd, int wake, int timeoutMs) {
    pollfd entries[2] = {PollEntry(fd, POLLIN), PollEntry(wake, POLLIN)};
    return PollSockets(entries, 2, timeoutMs) > 0 && entries[0].revents != 0 &&
           entries[1].revents == 0;
}

// Receives until the blank line ending a request head; false when the peer goes first.
bool ReadHead(int fd, int wake) {
    std::string tail;
    char data[4096];
    while (tail.find("\r\n\r\n") == std::string::npos) {
        if (!Readable(fd, wake, kPeerWaitMs))
            return false;
        const ssize_t n = ::recv(fd, data, sizeof data, 0);
        if (n <= 0)
            return false;
        tail = tail.substr(tail.size() < 3 ? 0 : tail.size() - 3) +
               std::string(data, static_cast<std::size_t>(n));
    }
    return true;
}

// Discards input until the peer closes.
void Drain(int fd, int wake) {
    char data[4096];
    while (Readable(fd, wake, kPeerWaitMs) && ::recv(fd, data, sizeof data, 0) > 0) {
    }
}

std::string Reply(const std::string& status, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

std::string ManyHeaderLines() {
    std::string reply = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 1000; ++i)
        reply += "X-Line-" + std::to_string(i) + ": value\r\n";
    return reply + "Content-Length: 2\r\n\r\nok";
}

} // namespace

std::string FaultReply(TFault fault, std::size_t overCapBytes) {
    switch (fault) {
    case TFault::Ok:
        return Reply("200 OK", "fine");
    case TFault::NotFound:
        return Reply("404 Not Found", "none");
    case TFault::NoContent:
        return "HTTP/1.1 204 No Content\r\n\r\n";
    case TFault::FinInHeaders:
        return "HTTP/1.1 200 OK\r\nContent-Ty";
    case TFault::ResetInHeaders:
        return "HTTP/1.1 200 OK\r\n";
    case TFault::ShortBody:
        return "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort";
    case TFault::BrokenChunked:
        return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc";
    case TFault::OverCap:
        return Reply("200 OK", std::string(overCapBytes, 'x'));
    case TFault::ManyHeaderLines:
        return ManyHeaderLines();
    case TFault::Silence:
        return {};
    }
    return {};
}

TFaultServer::TFaultServer(std::size_t overCapBytes)
    : overCap_(FaultReply(TFault::OverCap, overCapBytes)) {
    listener_ = OpenTcpSocket();
    port_ = ListenOnLoopback(listener_, 64);
    if (port_ == 0 || !OpenWakePair(wake_))
        throw std::runtime_error("cannot open the fault server");
    thread_ = std::thread(&TFaultServer::Run, this);
}

TFaultServer::~TFaultServer() {
    SendWake(wake_[1]);
    thread_.join();
    CloseSocket(listener_);
    CloseWakePair(wake_);
}

std::string TFaultServer::Url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/soak";
}

void TFaultServer::Run() {
    while (Readable(listener_, wake_[0], -1)) {
        const int fd = AcceptSocket(listener_);
        if (fd < 0)
            continue;
        Serve(fd);
        ++served_;
    }
}

void TFaultServer::Serve(int fd) {
    const TFault fault = fault_;
    if (ReadHead(fd, wake_[0])) {
        SendAll(fd, fault == TFault::OverCap ? overCap_ : FaultReply(fault, 0));
        if (fault == TFault::ResetInHeaders) {
            SetAbortiveClose(fd);
            CloseSocket(fd);
            return;
        }
        if (fault != TFault::Silence)
            ::shutdown(fd, SHUT_WR);
        Drain(fd, wake_[0]);
    }
    CloseSocket(fd);
}

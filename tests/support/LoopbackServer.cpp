#include "tests/support/LoopbackServer.h"

#include "tests/support/PortableSocket.h"
#include "tools/loopback/LoopbackListener.h"
#include "tools/loopback/LoopbackSend.h"

#include <chrono>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

// A fresh loopback socket, listening with `backlog` or (when negative) only bound.
int ListeningSocket(int backlog, std::uint16_t& port) {
    const int fd = OpenTcpSocket();
    port = backlog < 0 ? BindLoopback(fd) : ListenOnLoopback(fd, backlog);
    if (port == 0)
        throw std::runtime_error("cannot open a loopback socket");
    return fd;
}

int StartConnect(std::uint16_t port) {
    const int fd = OpenTcpSocket(true);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

// Waits for fd to become readable or the wake pipe to fire; false on time-out or wake.
bool WaitReadable(int fd, int wake, int timeoutMs) {
    pollfd entries[2] = {PollEntry(fd, POLLIN), PollEntry(wake, POLLIN)};
    return PollSockets(entries, 2, timeoutMs) > 0 && (entries[0].revents != 0) &&
           entries[1].revents == 0;
}

} // namespace

namespace step {
TServerStep ReadRequest() {
    return {TServerStep::ReadRequest, nullptr, 5000};
}
TServerStep Send(std::string bytes) {
    return {TServerStep::Send, std::make_shared<const std::string>(std::move(bytes)), 0};
}
TServerStep SendRaw(std::string bytes) {
    return {TServerStep::SendRaw, std::make_shared<const std::string>(std::move(bytes)), 0};
}
TServerStep Delay(int ms) {
    return {TServerStep::Delay, nullptr, ms};
}
TServerStep Close() {
    return {TServerStep::Close, nullptr, 2000};
}
TServerStep Reset() {
    return {TServerStep::Reset, nullptr, 0};
}
TServerStep HoldOpen() {
    return {TServerStep::HoldOpen, nullptr, -1};
}
} // namespace step

std::string HttpReply(const std::string& status, const std::string& body,
                      const std::string& headers) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           headers + "\r\n" + body;
}

TLoopbackServer::TLoopbackServer(std::vector<TServerScript> scripts)
    : scripts_(std::move(scripts)) {
    listener_ = ListeningSocket(128, port_);
    if (!OpenWakePair(wake_))
        throw std::runtime_error("cannot create a pipe");
    acceptor_ = std::thread(&TLoopbackServer::AcceptLoop, this);
}

TLoopbackServer::~TLoopbackServer() {
    Stop();
    CloseSocket(listener_);
    CloseWakePair(wake_);
}

std::string TLoopbackServer::HostPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string TLoopbackServer::Url(const std::string& pathAndQuery) const {
    return "http://" + HostPort() + pathAndQuery;
}

std::vector<std::string> TLoopbackServer::Requests() const {
    std::lock_guard guard(mutex_);
    return received_;
}

int TLoopbackServer::ConnectionCount() const {
    std::lock_guard guard(mutex_);
    return static_cast<int>(received_.size());
}

void TLoopbackServer::Stop() {
    if (stopping_.exchange(true))
        return;
    SendWake(wake_[1]);
    acceptor_.join();
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return active_ == 0; });
}

void TLoopbackServer::AcceptLoop() {
    while (WaitReadable(listener_, wake_[0], -1)) {
        const int fd = AcceptSocket(listener_);
        if (fd < 0)
            continue;
        std::size_t index;
        {
            std::lock_guard guard(mutex_);
            index = received_.size();
            received_.emplace_back();
            ++active_;
        }
        std::thread(&TLoopbackServer::Serve, this, fd, index).detach();
    }
}

void TLoopbackServer::Serve(int fd, std::size_t index) {
    const TServerScript& script = scripts_[std::min(index, scripts_.size() - 1)];
    std::size_t consumed = 0;
    bool open = true;
    for (const TServerStep& s : script)
        if (open)
            open = RunStep(fd, index, s, consumed);
    if (open)
        RunStep(fd, index, step::Close(), consumed);
    std::lock_guard guard(mutex_);
    --active_;
    idle_.notify_all();
}

bool TLoopbackServer::ReceiveSome(int fd, std::size_t index, int timeoutMs) {
    if (!WaitReadable(fd, wake_[0], timeoutMs))
        return false;
    char data[65536];
    const ssize_t n = ::recv(fd, data, sizeof data, 0);
    if (n <= 0)
        return false;
    std::lock_guard guard(mutex_);
    received_[index].append(data, static_cast<std::size_t>(n));
    return true;
}

bool TLoopbackServer::RequestComplete(std::size_t index, std::size_t& consumed) const {
    std::lock_guard guard(mutex_);
    const auto end = received_[index].find("\r\n\r\n", consumed);
    if (end == std::string::npos)
        return false;
    consumed = end + 4;
    return true;
}

bool TLoopbackServer::RunStep(int fd, std::size_t index, const TServerStep& s,
                              std::size_t& consumed) {
    switch (s.kind) {
    case TServerStep::ReadRequest: {
        const auto deadline = Clock::now() + std::chrono::milliseconds(s.ms);
        while (!RequestComplete(index, consumed))
            if (Clock::now() >= deadline || !ReceiveSome(fd, index, s.ms))
                return RunStep(fd, index, step::Close(), consumed);
        return true;
    }
    case TServerStep::Send:
    case TServerStep::SendRaw:
        SendAll(fd, *s.bytes);
        return true;
    case TServerStep::Delay: {
        pollfd entry = PollEntry(wake_[0], POLLIN);
        PollSockets(&entry, 1, s.ms);
        return true;
    }
    case TServerStep::Close: {
        ::shutdown(fd, SHUT_WR);
        const auto deadline = Clock::now() + std::chrono::milliseconds(s.ms);
        while (Clock::now() < deadline && ReceiveSome(fd, index, s.ms)) {
        }
        CloseSocket(fd);
        return false;
    }
    case TServerStep::Reset: {
        SetAbortiveClose(fd);
        CloseSocket(fd);
        return false;
    }
    case TServerStep::HoldOpen:
        while (ReceiveSome(fd, index, -1)) {
        }
        CloseSocket(fd);
        return false;
    }
    return false;
}

TRefusingPort::TRefusingPort() {
    fd_ = ListeningSocket(-1, port_);
}

TRefusingPort::~TRefusingPort() {
    CloseSocket(fd_);
}

TUnansweredPort::TUnansweredPort() {
    listener_ = ListeningSocket(0, port_);
    // With a backlog of 0 one completed connection fills the queue; later SYNs are dropped.
    for (int i = 0; i < 3; ++i) {
        fillers_.push_back(StartConnect(port_));
        pollfd entry = PollEntry(fillers_.back(), POLLOUT);
        PollSockets(&entry, 1, 100);
    }
}

TUnansweredPort::~TUnansweredPort() {
    for (int fd : fillers_)
        CloseSocket(fd);
    CloseSocket(listener_);
}

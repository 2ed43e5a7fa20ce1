#pragma once
// A scriptable HTTP-ish server on 127.0.0.1 for tests and benchmarks: each accepted connection
// runs a script of raw steps (read a request head, send bytes, pause, FIN, reset, hold open)
// on its own thread, and every byte it receives is recorded.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TServerStep {
    enum Kind { ReadRequest, Send, SendRaw, Delay, Close, Reset, HoldOpen };
    Kind kind;
    std::shared_ptr<const std::string> bytes;
    int ms = 0;
};
using TServerScript = std::vector<TServerStep>;

namespace step {
TServerStep ReadRequest();           // until the next blank line, at most 5 s
TServerStep Send(std::string bytes); // raw bytes out
// Bytes out beneath any TLS layer (a forged record); the same as Send on a plain connection.
TServerStep SendRaw(std::string bytes);
TServerStep Delay(int ms);
TServerStep Close();    // FIN, then wait (at most 2 s) for the peer's close
TServerStep Reset();    // RST
TServerStep HoldOpen(); // until the peer closes or the server stops
} // namespace step

// A complete reply with Content-Length and the given extra header lines ("Name: value\r\n").
std::string HttpReply(const std::string& status, const std::string& body,
                      const std::string& headers = {});

class TLoopbackServer {
public:
    // Connection n runs scripts[n], the last script once they run out.
    explicit TLoopbackServer(std::vector<TServerScript> scripts);
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    std::uint16_t Port() const { return port_; }
    std::string HostPort() const;
    std::string Url(const std::string& pathAndQuery = "/") const;
    // Bytes received on each connection so far, in order of acceptance.
    std::vector<std::string> Requests() const;
    int ConnectionCount() const;
    void Stop();

private:
    void AcceptLoop();
    void Serve(int fd, std::size_t index);
    bool RunStep(int fd, std::size_t index, const TServerStep& s, std::size_t& consumed);
    bool ReceiveSome(int fd, std::size_t index, int timeoutMs);
    bool RequestComplete(std::size_t index, std::size_t& consumed) const;

    std::vector<TServerScript> scripts_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> received_;
    // Connection threads run detached, so that long runs do not pile up finished threads;
    // Stop waits until none is left.
    int active_ = 0;
    std::condition_variable idle_;
    std::thread acceptor_;
};

// A loopback port where a connect is refused at once: bound, never listening.
class TRefusingPort {
public:
    TRefusingPort();
    ~TRefusingPort();
    std::uint16_t Port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// A loopback port whose accept queue is kept full, so that a new connect is never answered.
class TUnansweredPort {
public:
    TUnansweredPort();
    ~TUnansweredPort();
    std::uint16_t Port() const { return port_; }

private:
    int listener_ = -1;
    std::vector<int> fillers_;
    std::uint16_t port_ = 0;
};

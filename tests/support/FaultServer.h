#pragma once
// A loopback HTTP peer for long runs: one thread serves one connection at a time, keeps
// nothing of what it receives, and answers each connection with the fault the test chose
// last. Memory and thread use stay flat however many connections it serves.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

enum class TFault {
    Ok,              // 200 with a short body
    NotFound,        // 404
    NoContent,       // 204
    FinInHeaders,    // FIN after the status line and half a header
    ResetInHeaders,  // RST after the status line
    ShortBody,       // Content-Length larger than the body, then FIN
    BrokenChunked,   // FIN in the middle of a chunk
    OverCap,         // a body larger than the fetch helpers' cap
    ManyHeaderLines, // more header lines than the client reads as headers
    Silence,         // reads the request, never answers
};

class TFaultServer {
public:
    // `overCapBytes`: the size of the OverCap body.
    explicit TFaultServer(std::size_t overCapBytes);
    ~TFaultServer();
    TFaultServer(const TFaultServer&) = delete;
    TFaultServer& operator=(const TFaultServer&) = delete;

    void SetFault(TFault fault) { fault_ = fault; }
    std::string Url() const;
    long Served() const { return served_; }

private:
    void Run();
    void Serve(int fd);

    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::string overCap_;
    std::atomic<TFault> fault_{TFault::Ok};
    std::atomic<long> served_{0};
    std::thread thread_;
};

// The reply bytes of `fault` (empty for Silence).
std::string FaultReply(TFault fault, std::size_t overCapBytes);

#pragma once
// Cancels an exchange from another thread, as a window would on Exit, and tells how promptly
// the cancelled call ended.

#include "http/IdDeadline.h"

#include <atomic>
#include <chrono>
#include <thread>

class TCanceller {
public:
    // Cancels `token` `afterMs` from now, on a thread of its own.
    TCanceller(TIdDeadline& token, int afterMs);
    ~TCanceller();
    TCanceller(const TCanceller&) = delete;
    TCanceller& operator=(const TCanceller&) = delete;

    // Milliseconds since the cancel; -1 while it has not come yet. Called when the cancelled
    // call returned, this is how long the call went on after it.
    long long MsSinceCancel() const;

private:
    using Clock = std::chrono::steady_clock;
    std::atomic<Clock::rep> cancelledAt_{0};
    std::atomic<bool> cancelled_{false};
    std::thread thread_;
};

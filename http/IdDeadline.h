#pragma once
// The bound on a whole exchange, and the way another thread abandons it: one object that the
// caller creates, hands down the client, and may cancel from any thread. Every blocking wait of
// the client (name lookup, connect, socket polls) goes through IdWait, which ends within a
// slice once the bound has passed or the exchange was cancelled.

#include <atomic>
#include <chrono>
#include <functional>

class TIdDeadline {
public:
    using Clock = std::chrono::steady_clock;
    // The longest single wait between two looks at the bound and the cancel flag.
    static constexpr int kSliceMs = 20;

    // No time bound: only a cancel ends it.
    TIdDeadline() = default;
    // Ends `boundMs` from now (0 or less: no time bound of its own). A parent's bound and
    // cancel apply as well, so a caller's token can be combined with a callee's own bound.
    explicit TIdDeadline(int boundMs, const TIdDeadline* parent = nullptr);
    TIdDeadline(const TIdDeadline&) = delete;
    TIdDeadline& operator=(const TIdDeadline&) = delete;

    // From any thread; waits under way end within a slice.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const;
    bool Bounded() const { return end_ != Clock::time_point::max(); }
    // Raises EIdCancelled, or EIdDeadlineExceeded once the bound has passed.
    void Check() const;
    // The next slice to wait: at most kSliceMs and never past the bound.
    int SliceMs() const;

private:
    Clock::time_point end_ = Clock::time_point::max();
    std::atomic<bool> cancelled_{false};
    const TIdDeadline* parent_ = nullptr;
};

// The one wait of the client. `poll(ms)` waits at most ms for something and says whether it
// came. Returns true when it came, false when `timeoutMs` (-1: no limit) passed first; raises
// through TIdDeadline::Check when the bound passes or a cancel comes first. A time-out of 0 is a
// look that never waits and so never raises. Without a deadline: one poll with the time-out.
bool IdWait(const TIdDeadline* deadline, int timeoutMs, const std::function<bool(int ms)>& poll);

#pragma once
// One piece of blocking work on a short-lived thread of its own, so that the caller can wait
// for it under a time-out and a deadline. The work's failure is kept for the caller. The state
// the thread touches is shared with it, so a caller may also walk away from work that cannot be
// interrupted (a name lookup): the thread then ends on its own and frees what it held.

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class TIdHelperThread {
public:
    explicit TIdHelperThread(std::function<void()> work);
    TIdHelperThread(const TIdHelperThread&) = delete;
    TIdHelperThread& operator=(const TIdHelperThread&) = delete;
    // Joins, unless the thread was abandoned.
    ~TIdHelperThread();

    // Waits until the work ended or timeoutMs passed (-1: no limit); true when it ended.
    bool WaitFor(int timeoutMs);
    void Join();
    // Lets the thread finish on its own; the work must own everything it still uses.
    void Abandon();
    // What the work raised, once it ended; null when it returned.
    std::exception_ptr Failure() const;

private:
    struct TState {
        std::mutex mutex;
        std::condition_variable ended;
        bool finished = false;
        std::exception_ptr failure;
    };

    std::shared_ptr<TState> state_;
    std::thread thread_;
};

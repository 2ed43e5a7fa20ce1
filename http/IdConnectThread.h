#pragma once
// Runs one blocking connect on a short-lived thread so the caller can give up after a
// time-out. The caller is woken the moment the connect ends.

#include "http/IdSocketHandle.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class TIdConnectThread {
public:
    explicit TIdConnectThread(TIdSocketHandle& socket);
    TIdConnectThread(const TIdConnectThread&) = delete;
    TIdConnectThread& operator=(const TIdConnectThread&) = delete;
    ~TIdConnectThread();

    // Waits until the connect ended or timeoutMs passed (-1: no limit); true when it ended.
    bool WaitFor(int timeoutMs);
    void Join();

    // Valid after the thread ended: the failure, if any, with its socket error code (0: none).
    bool Failed() const { return failed_; }
    const std::string& FailureMessage() const { return message_; }
    int FailureCode() const { return code_; }

private:
    void Run();
    void Finish();

    TIdSocketHandle& socket_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    bool failed_ = false;
    std::string message_;
    int code_ = 0;
    std::thread thread_;
};

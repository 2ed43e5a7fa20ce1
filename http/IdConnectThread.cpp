#include "http/IdConnectThread.h"

#include "http/IdExceptions.h"

#include <chrono>

TIdConnectThread::TIdConnectThread(TIdSocketHandle& socket)
    : socket_(socket), thread_(&TIdConnectThread::Run, this) {}

TIdConnectThread::~TIdConnectThread() {
    Join();
}

void TIdConnectThread::Run() {
    try {
        socket_.Connect();
    } catch (const EIdSocketError& e) {
        // 10038 and 10009 mean the socket was closed under the connect: an abandoned attempt.
        if (e.LastError() != 10038 && e.LastError() != 10009) {
            failed_ = true;
            message_ = e.what();
            code_ = e.LastError();
        }
    } catch (const std::exception& e) {
        failed_ = true;
        message_ = e.what();
    }
    Finish();
}

void TIdConnectThread::Finish() {
    {
        std::lock_guard guard(mutex_);
        finished_ = true;
    }
    ended_.notify_all();
}

bool TIdConnectThread::WaitFor(int timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        ended_.wait(lock, [this] { return finished_; });
        return true;
    }
    return ended_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return finished_; });
}

void TIdConnectThread::Join() {
    if (thread_.joinable())
        thread_.join();
}

#include "http/IdHelperThread.h"

#include <chrono>

TIdHelperThread::TIdHelperThread(std::function<void()> work) : state_(std::make_shared<TState>()) {
    thread_ = std::thread([state = state_, work = std::move(work)] {
        std::exception_ptr failure;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard guard(state->mutex);
            state->failure = failure;
            state->finished = true;
        }
        state->ended.notify_all();
    });
}

TIdHelperThread::~TIdHelperThread() {
    Join();
}

bool TIdHelperThread::WaitFor(int timeoutMs) {
    std::unique_lock lock(state_->mutex);
    const auto finished = [this] { return state_->finished; };
    if (timeoutMs < 0) {
        state_->ended.wait(lock, finished);
        return true;
    }
    return state_->ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), finished);
}

void TIdHelperThread::Join() {
    if (thread_.joinable())
        thread_.join();
}

void TIdHelperThread::Abandon() {
    if (thread_.joinable())
        thread_.detach();
}

std::exception_ptr TIdHelperThread::Failure() const {
    std::lock_guard guard(state_->mutex);
    return state_->failure;
}

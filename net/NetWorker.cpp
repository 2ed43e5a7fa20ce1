#include "net/NetWorker.h"

#include "net/uNetUtils.h"

#include <algorithm>

void TNetJob::Abandon() {
    settled_ = true;
    token_.Cancel();
}

void TNetJob::Deliver(const std::function<void()>& apply) {
    if (settled_)
        return;
    settled_ = true; // settled before it is applied: the result is in when its apply looks
    if (apply)
        apply();
}

TNetJobPtr INetWorker::Then(TApply apply) {
    return Submit([apply = std::move(apply)](const TIdDeadline&) { return apply; });
}

TNetWorker::TNetWorker(TPost post)
    : post_(std::move(post)), thread_([this] {
          Loop();
          ReleaseFetchThreadState();
      }) {}

TNetWorker::~TNetWorker() {
    Stop();
}

TNetJobPtr TNetWorker::Submit(TRun run, TAskedBy askedBy) {
    auto job = std::make_shared<TNetJob>();
    std::erase_if(outstanding_, [](const TNetJobPtr& old) { return !old->Pending(); });
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            job->Abandon();
            return job;
        }
        (askedBy == TAskedBy::User ? user_ : program_).push_back({job, std::move(run)});
    }
    outstanding_.push_back(job);
    wake_.notify_one();
    return job;
}

void TNetWorker::Stop() {
    // The tokens first: the fetch under way ends before the thread is waited for.
    for (const TNetJobPtr& job : outstanding_)
        job->Abandon();
    outstanding_.clear();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        user_.clear();
        program_.clear();
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void TNetWorker::Loop() {
    for (;;) {
        TQueued next;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !user_.empty() || !program_.empty(); });
            if (stopping_)
                return;
            std::deque<TQueued>& queue = user_.empty() ? program_ : user_;
            next = std::move(queue.front());
            queue.pop_front();
        }
        // A job abandoned while it waited in the queue does not reach the network.
        TApply apply = next.job->Token().Cancelled() ? TApply() : next.run(next.job->Token());
        post_([job = std::move(next.job), apply = std::move(apply)] { job->Deliver(apply); });
    }
}

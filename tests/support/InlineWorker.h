#pragma once
// A network worker without a thread: each job runs at once on the calling thread and its
// result is applied before Submit returns, as in a program that waits on the network. For tests
// that look at results rather than at the waiting.

#include "net/NetWorker.h"

#include <memory>

class TInlineWorker : public INetWorker {
public:
    using INetWorker::Submit;
    TNetJobPtr Submit(TRun run, TAskedBy) override {
        auto job = std::make_shared<TNetJob>();
        if (stopped_)
            job->Abandon();
        else
            job->Deliver(run(job->Token()));
        return job;
    }
    void Stop() override { stopped_ = true; }

private:
    bool stopped_ = false;
};

#pragma once
// The network worker: every fetch of the program runs on one thread of its own, one at a time,
// so that the window never waits on the network. A job the user asked for runs next, after the
// fetch under way; the program's own jobs (the periodic checks) follow in the order they were
// asked for. A job's result goes back to the thread that owns the worker (the window's), through
// a post function that keeps the order, and is applied there unless the job was abandoned
// meanwhile.

#include "http/IdDeadline.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// One job, as its owner sees it. Everything but the token is the owner's thread's alone.
class TNetJob {
public:
    // Neither applied nor abandoned yet.
    bool Pending() const { return !settled_; }
    // Nothing of the job will be applied; a fetch under way ends within a slice of the token.
    void Abandon();
    // Applies the job's result (an empty `apply` applies nothing) unless it was abandoned.
    void Deliver(const std::function<void()>& apply);
    // The cancel token the job's fetches wait under; the worker's thread reads it.
    const TIdDeadline& Token() const { return token_; }

private:
    TIdDeadline token_;
    bool settled_ = false;
};
using TNetJobPtr = std::shared_ptr<TNetJob>;

// Who asked for a job: the user waits for it, the program's own jobs can wait.
enum class TAskedBy { Program, User };

class INetWorker {
public:
    // Applies a result on the owner's thread.
    using TApply = std::function<void()>;
    // Runs on the worker's thread: the fetch, under the job's token. Returns what to do with the
    // result on the owner's thread; it must touch nothing there itself.
    using TRun = std::function<TApply(const TIdDeadline& cancel)>;

    virtual ~INetWorker() = default;
    // Queues the job behind every job of the same asker submitted before it; the user's jobs
    // go ahead of the program's.
    virtual TNetJobPtr Submit(TRun run, TAskedBy askedBy) = 0;
    TNetJobPtr Submit(TRun run) { return Submit(std::move(run), TAskedBy::Program); }
    TNetJobPtr SubmitForUser(TRun run) { return Submit(std::move(run), TAskedBy::User); }
    // Abandons every job, ends a fetch under way and ends the thread. Later jobs are abandoned
    // as they are submitted.
    virtual void Stop() = 0;

    // Applies `apply` once every job submitted before it has been applied or abandoned (a
    // program's job: the user's jobs submitted before it run first anyway).
    TNetJobPtr Then(TApply apply);
};

class TNetWorker : public INetWorker {
public:
    // Hands a function to the owner's thread, to run there after everything handed before it.
    // Called from the worker's thread.
    using TPost = std::function<void(std::function<void()>)>;

    explicit TNetWorker(TPost post);
    ~TNetWorker() override;
    TNetWorker(const TNetWorker&) = delete;
    TNetWorker& operator=(const TNetWorker&) = delete;

    using INetWorker::Submit;
    TNetJobPtr Submit(TRun run, TAskedBy askedBy) override;
    void Stop() override;

private:
    struct TQueued {
        TNetJobPtr job;
        TRun run;
    };

    void Loop();

    TPost post_;
    // Jobs not yet applied or abandoned, for Stop; the owner's thread's alone.
    std::vector<TNetJobPtr> outstanding_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<TQueued> user_;    // run first
    std::deque<TQueued> program_; // then these
    bool stopping_ = false;
    std::thread thread_;
};

#include "net/NetWorker.h"

#include "net/uNetUtils.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The owner's thread of these tests: what the worker posts waits here until the test runs it.
class TOwnerQueue {
public:
    void Post(std::function<void()> apply) {
        {
            std::lock_guard lock(mutex_);
            posted_.push_back(std::move(apply));
        }
        arrived_.notify_all();
    }
    // Runs what was posted, in order, until `count` functions ran or 5 s passed.
    int Run(int count) {
        int ran = 0;
        const auto end = Clock::now() + 5s;
        while (ran < count) {
            std::unique_lock lock(mutex_);
            if (!arrived_.wait_until(lock, end, [this] { return !posted_.empty(); }))
                break;
            auto apply = std::move(posted_.front());
            posted_.pop_front();
            lock.unlock();
            apply();
            ++ran;
        }
        return ran;
    }
    std::size_t Waiting() {
        std::lock_guard lock(mutex_);
        return posted_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> posted_;
};

// A fetch that waits until the test opens it, or its token is cancelled.
class TGate {
public:
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    // True when opened, false when cancelled first.
    bool Pass(const TIdDeadline& cancel) {
        entered_ = true;
        std::unique_lock lock(mutex_);
        while (!open_) {
            if (cancel.Cancelled())
                return false;
            changed_.wait_for(lock, std::chrono::milliseconds(TIdDeadline::kSliceMs));
        }
        return true;
    }
    std::atomic<bool> entered_{false};

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

class NetWorkerTest : public ::testing::Test {
protected:
    TOwnerQueue owner_;
    TNetWorker worker_{[this](std::function<void()> apply) { owner_.Post(std::move(apply)); }};
};

TEST_F(NetWorkerTest, RunsOneJobAtATimeInOrderAndAppliesInThatOrder) {
    std::mutex mutex;
    std::vector<int> ran;
    std::vector<std::thread::id> threads;
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    std::vector<int> applied;
    std::vector<TNetJobPtr> jobs;
    for (int i = 0; i < 5; ++i) {
        jobs.push_back(worker_.Submit([&, i](const TIdDeadline&) -> INetWorker::TApply {
            mostAtOnce = std::max(mostAtOnce.load(), ++running);
            // The first answers last of all: later jobs must still wait for it.
            std::this_thread::sleep_for(i == 0 ? 30ms : 1ms);
            {
                std::lock_guard lock(mutex);
                ran.push_back(i);
                threads.push_back(std::this_thread::get_id());
            }
            --running;
            return [&applied, i] { applied.push_back(i); };
        }));
    }
    for (const TNetJobPtr& job : jobs)
        EXPECT_TRUE(job->Pending());
    ASSERT_EQ(owner_.Run(5), 5);
    EXPECT_EQ(applied, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(ran, applied);
    EXPECT_EQ(mostAtOnce, 1);
    for (const std::thread::id& thread : threads) {
        EXPECT_EQ(thread, threads[0]);
        EXPECT_NE(thread, std::this_thread::get_id());
    }
    for (const TNetJobPtr& job : jobs)
        EXPECT_FALSE(job->Pending());
}

TEST_F(NetWorkerTest, ThenAppliesAfterEveryJobBeforeIt) {
    std::vector<int> applied;
    TGate gate;
    worker_.Submit([&](const TIdDeadline& cancel) -> INetWorker::TApply {
        gate.Pass(cancel);
        return [&applied] { applied.push_back(1); };
    });
    const TNetJobPtr after = worker_.Then([&applied] { applied.push_back(2); });
    gate.Open();
    ASSERT_EQ(owner_.Run(2), 2);
    EXPECT_EQ(applied, (std::vector<int>{1, 2}));
    EXPECT_FALSE(after->Pending());
}

// Behind a fetch under way and the program's queued jobs, the user's jobs run next, in the order
// asked; the program's keep their order; still one at a time, each result applied as it ran.
TEST_F(NetWorkerTest, TheUsersJobsRunNextAfterTheFetchUnderWay) {
    TGate gate;
    std::vector<std::string> ran; // the worker's thread's until the results are applied
    std::vector<std::string> applied;
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    const auto job = [&](std::string name) {
        return [&, name](const TIdDeadline& cancel) -> INetWorker::TApply {
            mostAtOnce = std::max(mostAtOnce.load(), ++running);
            if (name == "under way")
                gate.Pass(cancel);
            ran.push_back(name);
            --running;
            return [&applied, name] { applied.push_back(name); };
        };
    };
    worker_.Submit(job("under way"));
    while (!gate.entered_)
        std::this_thread::sleep_for(1ms);
    worker_.Submit(job("periodic 1"));
    worker_.Submit(job("periodic 2"));
    worker_.SubmitForUser(job("one-off"));
    worker_.Submit(job("periodic 3"));
    worker_.Submit(job("test"), TAskedBy::User);
    const TNetJobPtr then = worker_.Then([&applied] { applied.push_back("then"); });
    gate.Open();
    ASSERT_EQ(owner_.Run(7), 7);
    const std::vector<std::string> order = {"under way",  "one-off",    "test",
                                            "periodic 1", "periodic 2", "periodic 3"};
    EXPECT_EQ(ran, order);
    std::vector<std::string> withThen = order;
    withThen.push_back("then");
    EXPECT_EQ(applied, withThen);
    EXPECT_EQ(mostAtOnce, 1);
}

// Abandoned while it waits in the queue, while it runs, or once its result is on its way: the
// job applies nothing, and one abandoned in the queue never runs.
TEST_F(NetWorkerTest, AnAbandonedJobAppliesNothing) {
    TGate first;
    std::atomic<bool> secondRan{false};
    bool firstCancelled = false;
    std::vector<int> applied;
    const TNetJobPtr running = worker_.Submit([&](const TIdDeadline& cancel) -> INetWorker::TApply {
        firstCancelled = !first.Pass(cancel);
        return [&applied] { applied.push_back(1); };
    });
    const TNetJobPtr queued = worker_.Submit([&](const TIdDeadline&) -> INetWorker::TApply {
        secondRan = true;
        return [&applied] { applied.push_back(2); };
    });
    const TNetJobPtr posted = worker_.Submit([&](const TIdDeadline&) -> INetWorker::TApply {
        return [&applied] { applied.push_back(3); };
    });
    const TNetJobPtr kept = worker_.Submit([&](const TIdDeadline&) -> INetWorker::TApply {
        return [&applied] { applied.push_back(4); };
    });
    while (!first.entered_)
        std::this_thread::yield();
    running->Abandon();
    queued->Abandon();
    EXPECT_FALSE(running->Pending());
    ASSERT_EQ(owner_.Run(1), 1); // the abandoned first one's
    while (owner_.Waiting() < 3)
        std::this_thread::yield();
    posted->Abandon();
    EXPECT_EQ(owner_.Run(3), 3);
    EXPECT_TRUE(firstCancelled);
    EXPECT_FALSE(secondRan);
    EXPECT_EQ(applied, std::vector<int>{4});
}

// Stop ends the fetch under way through its token, joins the thread at once, and nothing of any
// job is applied afterwards; later jobs are abandoned as they come.
TEST_F(NetWorkerTest, StopEndsAFetchUnderWayAndAppliesNothing) {
    TLoopbackServer silent({{step::ReadRequest(), step::HoldOpen()}});
    std::atomic<bool> fetching{false};
    bool fetched = true;
    std::atomic<bool> laterRan{false};
    int applied = 0;
    const TNetJobPtr fetch = worker_.Submit([&](const TIdDeadline& cancel) -> INetWorker::TApply {
        fetching = true;
        std::u16string text;
        fetched = HttpGetTextEx(silent.Url("/"), text, {&cancel, nullptr});
        return [&applied] { ++applied; };
    });
    const TNetJobPtr queued = worker_.Submit([&](const TIdDeadline&) -> INetWorker::TApply {
        laterRan = true;
        return [&applied] { ++applied; };
    });
    while (!fetching || silent.Requests().empty() || silent.Requests()[0].empty())
        std::this_thread::sleep_for(1ms);
    const auto stopping = Clock::now();
    worker_.Stop();
    EXPECT_LT(Clock::now() - stopping, 1s);
    EXPECT_FALSE(fetched);
    EXPECT_FALSE(fetch->Pending());
    EXPECT_FALSE(queued->Pending());
    const TNetJobPtr late = worker_.Submit([&](const TIdDeadline&) -> INetWorker::TApply {
        laterRan = true;
        return [&applied] { ++applied; };
    });
    EXPECT_FALSE(late->Pending());
    owner_.Run(static_cast<int>(owner_.Waiting()));
    EXPECT_EQ(applied, 0);
    EXPECT_FALSE(laterRan);
}

} // namespace

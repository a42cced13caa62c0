#include "platform/Thread.h"
#include "platform/ThreadPool.h"
#include "support/MainThreadPump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include <poll.h>

namespace {

using namespace std::chrono_literals;

// A thread whose body is a lambda; it waits for its worker in its own
// destructor, as every derived thread whose Execute uses its members must.
class TLambdaThread : public TThread {
public:
    using TBody = std::function<int(TLambdaThread&)>;
    explicit TLambdaThread(TBody body, std::function<void()> onDestroy = nullptr)
        : body_(std::move(body)), onDestroy_(std::move(onDestroy)) {}
    ~TLambdaThread() override {
        TerminateAndWait();
        if (onDestroy_) onDestroy_();
    }

protected:
    void Execute() override { ReturnValue = body_(*this); }

private:
    TBody body_;
    std::function<void()> onDestroy_;
};

class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        TThread::SetMainThread();
        while (TThread::CheckSynchronize(0)) {
        }
    }
};

TEST_F(ThreadTest, CreatedSuspendedRunsAfterStartAndAnswersReturnValue) {
    std::atomic<bool> ran{false};
    TLambdaThread thread([&](TLambdaThread&) {
        ran = true;
        return 42;
    });
    EXPECT_TRUE(thread.Suspended());
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(ran.load());
    thread.Resume();
    EXPECT_EQ(thread.WaitFor(), 42);
    EXPECT_TRUE(ran.load());
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(thread.WaitFor(), 42); // a second wait answers at once
}

TEST_F(ThreadTest, ThreadIdsAreGivenAtCreationAndUnique) {
    TLambdaThread a([](TLambdaThread&) { return 0; });
    TLambdaThread b([](TLambdaThread&) { return 0; });
    EXPECT_NE(a.ThreadID(), 0u);
    EXPECT_NE(a.ThreadID(), b.ThreadID());
}

TEST_F(ThreadTest, SynchronizeRunsOnTheMainThreadAndBlocksTheWorker) {
    const auto mainId = std::this_thread::get_id();
    std::atomic<int> step{0};
    std::thread::id ranOn;
    TLambdaThread thread([&](TLambdaThread& self) {
        self.Synchronize([&] {
            ranOn = std::this_thread::get_id();
            step = 1;
        });
        EXPECT_EQ(step.load(), 1); // it has run by the time Synchronize returns
        step = 2;
        return 0;
    });
    thread.Start();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(step.load(), 0); // nothing runs until the main thread pumps
    ASSERT_TRUE(PumpUntil([&] { return step.load() == 2; }));
    EXPECT_EQ(ranOn, mainId);
    thread.WaitFor();
}

TEST_F(ThreadTest, SynchronizeRaisesTheCallsExceptionInTheWorker) {
    std::atomic<bool> caught{false};
    TLambdaThread thread([&](TLambdaThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
        return 0;
    });
    thread.Start();
    thread.WaitFor(); // pumps
    EXPECT_TRUE(caught.load());
}

TEST_F(ThreadTest, QueueDoesNotWaitAndRunsWhenPumped) {
    std::atomic<bool> ran{false};
    std::atomic<int> wakes{0};
    TThread::SetWakeMainThread([&] { ++wakes; });
    TLambdaThread thread([&](TLambdaThread& self) {
        self.Queue([&] { ran = true; });
        return 0;
    });
    thread.Start();
    // WaitFor would pump: wait for the end without it.
    while (!thread.Finished()) std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(ran.load());
    EXPECT_GE(wakes.load(), 1);
    EXPECT_TRUE(TThread::CheckSynchronize(0));
    EXPECT_TRUE(ran.load());
    TThread::SetWakeMainThread(nullptr);
    thread.WaitFor();
}

// Several workers queue while the main thread runs what is there: every call
// runs once, and the handle the main loop polls is readable while calls wait
// and no longer once they have all run (a wait would otherwise not wait).
TEST_F(ThreadTest, QueuedCallsAllRunAndTheHandleQuietensAfterThem) {
    constexpr int kThreads = 4, kCalls = 2000;
    std::atomic<int> ran{0};
    std::vector<std::unique_ptr<TLambdaThread>> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.push_back(std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
            for (int i = 0; i < kCalls; ++i) self.Queue([&] { ++ran; });
            return 0;
        }));
        threads.back()->Start();
    }
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (ran.load() < kThreads * kCalls && std::chrono::steady_clock::now() < deadline) {
        pollfd p{TThread::SyncEventHandle(), POLLIN, 0};
        ASSERT_GE(::poll(&p, 1, 100), 0);
        TThread::CheckSynchronize(0);
    }
    EXPECT_EQ(ran.load(), kThreads * kCalls);
    for (auto& thread : threads) thread->WaitFor();
    TThread::CheckSynchronize(0);
    pollfd p{TThread::SyncEventHandle(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0) << "readable with nothing queued";
}

TEST_F(ThreadTest, RemoveQueuedEventsDropsTheThreadsPendingCalls) {
    std::atomic<bool> ran{false};
    auto thread = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
        self.Queue([&] { ran = true; });
        return 0;
    });
    thread->Start();
    while (!thread->Finished()) std::this_thread::sleep_for(1ms);
    TThread::RemoveQueuedEvents(thread.get());
    EXPECT_FALSE(TThread::CheckSynchronize(0));
    EXPECT_FALSE(ran.load());
}

TEST_F(ThreadTest, OnTerminateRunsOnTheMainThreadWhileWaitForPumps) {
    std::thread::id ranOn;
    TThread* sender = nullptr;
    TLambdaThread thread([](TLambdaThread&) { return 0; });
    thread.OnTerminate = [&](TThread* s) {
        ranOn = std::this_thread::get_id();
        sender = s;
    };
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(sender, &thread);
}

// The worker of a self-freeing thread goes back to the pool without waiting
// for the main thread; the main thread then reports the end and frees the
// object. Without a report the worker frees it itself.
TEST_F(ThreadTest, FreeOnTerminateDeletesTheObjectAfterOnTerminate) {
    std::atomic<bool> destroyed{false};
    std::atomic<bool> destroyedOnMain{false};
    std::atomic<bool> notified{false};
    const size_t idleBefore = TThreadPool::IdleCount();
    auto* thread = new TLambdaThread([](TLambdaThread&) { return 0; }, [&] {
        destroyedOnMain = TThread::IsMainThread();
        destroyed = true;
    });
    thread->FreeOnTerminate = true;
    thread->OnTerminate = [&](TThread* sender) {
        EXPECT_FALSE(destroyed.load());
        EXPECT_TRUE(sender->Finished());
        notified = true;
    };
    thread->Start();
    // Nobody pumps meanwhile: the worker is parked again all the same. (Seen
    // from a pool with nothing parked, as in a process of this test alone:
    // a pool holding its most already lets the thread end instead.)
    if (idleBefore == 0) {
        for (int i = 0; i < 10000 && TThreadPool::IdleCount() == 0; ++i) std::this_thread::sleep_for(1ms);
        EXPECT_EQ(TThreadPool::IdleCount(), 1u);
    }
    EXPECT_FALSE(notified.load());
    ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }));
    EXPECT_TRUE(notified.load());
    EXPECT_TRUE(destroyedOnMain.load());

    destroyed = false;
    auto* silent = new TLambdaThread([](TLambdaThread&) { return 0; }, [&] {
        destroyedOnMain = TThread::IsMainThread();
        destroyed = true;
    });
    silent->FreeOnTerminate = true;
    silent->Start();
    for (int i = 0; i < 10000 && !destroyed; ++i) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(destroyed.load());
    EXPECT_FALSE(destroyedOnMain.load());
}

TEST_F(ThreadTest, TerminateIsAFlagTheWorkerPolls) {
    TLambdaThread thread([](TLambdaThread& self) {
        while (!self.Terminated()) std::this_thread::sleep_for(1ms);
        return 7;
    });
    thread.Start();
    std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(thread.Finished());
    thread.Terminate();
    EXPECT_EQ(thread.WaitFor(), 7);
}

TEST_F(ThreadTest, SuspendParksTheWorkerAtItsNextWaitUntilResume) {
    TEvent go(false, false);
    std::atomic<bool> passed{false};
    TLambdaThread thread([&](TLambdaThread&) {
        go.WaitFor(TEvent::kInfinite); // parks here when woken, if suspended
        passed = true;
        return 0;
    });
    thread.Start();
    thread.Suspend();
    EXPECT_TRUE(thread.Suspended());
    go.SetEvent();
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(passed.load());
    thread.Resume();
    thread.WaitFor();
    EXPECT_TRUE(passed.load());
}

TEST_F(ThreadTest, CheckPointParksAndDestroyingAParkedThreadEndsIt) {
    std::atomic<int> laps{0};
    auto thread = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
        while (!self.Terminated()) {
            ++laps;
            TThread::CheckPoint();
            std::this_thread::sleep_for(1ms);
        }
        return 0;
    });
    thread->Start();
    while (laps.load() == 0) std::this_thread::sleep_for(1ms);
    thread->Suspend();
    thread.reset(); // must not hang on the parked worker
    SUCCEED();
}

TEST_F(ThreadTest, DestroyingARunningThreadWaitsWhileTheWorkerSynchronizes) {
    std::atomic<bool> running{false};
    std::atomic<bool> synced{false};
    auto thread = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
        running = true;
        while (!self.Terminated()) std::this_thread::sleep_for(1ms);
        self.Synchronize([&] { synced = true; }); // answered by the waiting destructor
        return 0;
    });
    thread->Start();
    while (!running.load()) std::this_thread::sleep_for(1ms);
    thread.reset();
    EXPECT_TRUE(synced.load());
}

TEST_F(ThreadTest, AnExceptionEndingExecuteIsKept) {
    TLambdaThread thread([](TLambdaThread&) -> int { throw std::runtime_error("worker"); });
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_TRUE(thread.FatalException() != nullptr);
}

TEST_F(ThreadTest, SynchronizeOnTheMainThreadRunsAtOnce) {
    bool ran = false;
    TThread::Synchronize(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(TThread::CheckSynchronize(0));
}

TEST_F(ThreadTest, WaitPumpingRunsQueuedCallsWhileItWaits) {
    TEvent finished(true, false);
    std::atomic<bool> answered{false};
    TLambdaThread thread([&](TLambdaThread& self) {
        self.Synchronize([&] { answered = true; });
        finished.SetEvent();
        return 0;
    });
    thread.Start();
    EXPECT_EQ(TThread::WaitPumping(finished, 20000), wrSignaled);
    EXPECT_TRUE(answered.load());
    TEvent never(true, false);
    EXPECT_EQ(TThread::WaitPumping(never, 20), wrTimeout);
}

} // namespace

#include "platform/Thread.h"
#include "platform/ThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <latch>
#include <thread>
#include <vector>

namespace {

class TBodyThread : public TThread {
public:
    explicit TBodyThread(std::function<void()> body) : body_(std::move(body)) {}
    ~TBodyThread() override { TerminateAndWait(); }

protected:
    void Execute() override { body_(); }

private:
    std::function<void()> body_;
};

// Parking follows the end of a task by a moment; a task handed over before
// then gets a new thread. Waits for that moment without a clock.
void WaitUntilParked(std::size_t count) {
    while (TThreadPool::IdleCount() < count) std::this_thread::yield();
}

TEST(ThreadPoolTest, AThreadParkedAfterItsTaskRunsTheNextAndTThreadStateIsFresh) {
    TThread::SetMainThread();
    std::thread::id first;
    TThread* seenFirst = nullptr;
    TBodyThread a([&] {
        first = std::this_thread::get_id();
        seenFirst = TThread::CurrentThread();
    });
    a.Start();
    a.WaitFor();
    WaitUntilParked(1);

    std::thread::id second;
    TThread* seenSecond = nullptr;
    bool suspendedInside = true;
    TBodyThread b([&] {
        second = std::this_thread::get_id();
        seenSecond = TThread::CurrentThread();
        suspendedInside = b.Suspended();
    });
    b.Start();
    b.WaitFor();
    EXPECT_EQ(first, second);
    EXPECT_EQ(seenFirst, &a);
    EXPECT_EQ(seenSecond, &b);
    EXPECT_FALSE(suspendedInside);
    EXPECT_NE(a.ThreadID(), b.ThreadID());

    // Between tasks the thread is no TThread's: a plain pool task sees none.
    WaitUntilParked(1);
    std::atomic<TThread*> seenPlain{&a};
    std::latch ran(1);
    TThreadPool::Run([&] {
        seenPlain = TThread::CurrentThread();
        ran.count_down();
    });
    ran.wait();
    EXPECT_EQ(seenPlain.load(), nullptr);

    // A task that retires its thread: the thread ends instead of parking, and
    // the next task runs on another (one whose thread-local state is new).
    WaitUntilParked(1);
    static thread_local bool marked = false;
    std::latch done(1);
    TThreadPool::Run([&] {
        marked = true;
        TThreadPool::RetireThisThread();
        done.count_down();
    });
    done.wait();
    // Time for a thread that wrongly parked to be parked (the test cannot
    // fail by waiting too little, only miss such a fault).
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::atomic<bool> markSeen{true};
    std::latch again(1);
    TThreadPool::Run([&] {
        markSeen = marked;
        again.count_down();
    });
    again.wait();
    EXPECT_FALSE(markSeen.load());
}

TEST(ThreadPoolTest, TasksRunAtOnceSideBySideAndParkedThreadsAreCapped) {
    // Every task waits for all the others: it finishes only if they all run
    // at the same time, each on a thread of its own.
    constexpr int kTasks = 12;
    std::latch together(kTasks);
    std::latch finished(kTasks);
    for (int i = 0; i < kTasks; ++i) {
        TThreadPool::Run([&] {
            together.arrive_and_wait();
            finished.count_down();
        });
    }
    finished.wait();
    WaitUntilParked(1);
    EXPECT_LE(TThreadPool::IdleCount(), TThreadPool::kMaxIdle);
}

} // namespace

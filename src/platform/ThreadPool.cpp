#include "platform/ThreadPool.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A parked thread; lives on that thread's stack.
struct TParked {
    std::condition_variable wake;
    TThreadPool::TTask task; // set, under the pool's mutex, to hand one over
};

// Never destroyed, so that parked threads can outlive static destruction.
struct TPool {
    static TPool& Get() {
        static auto* pool = new TPool;
        return *pool;
    }

    std::mutex mutex;
    std::vector<TParked*> idle; // the last parked is woken first: its stack is warm
    std::size_t busy = 0;
    std::size_t peakBusy = 0;

    std::size_t IdleCap() const {
        return std::min(peakBusy + TThreadPool::kSpare, TThreadPool::kMaxIdle);
    }

    void Work(TThreadPool::TTask task) {
        TParked self;
        std::unique_lock lock(mutex, std::defer_lock);
        for (;;) {
            task();
            task = nullptr; // what it holds goes before the thread parks
            lock.lock();
            --busy;
            if (idle.size() >= IdleCap()) return;
            idle.push_back(&self);
            bool handed = self.wake.wait_for(lock, std::chrono::seconds(TThreadPool::kIdleSeconds),
                                             [&] { return static_cast<bool>(self.task); });
            if (!handed) {
                idle.erase(std::find(idle.begin(), idle.end(), &self));
                return;
            }
            task = std::move(self.task);
            self.task = nullptr;
            lock.unlock();
        }
    }
};

} // namespace

void TThreadPool::Run(TTask task) {
    TPool& pool = TPool::Get();
    {
        std::lock_guard lock(pool.mutex);
        ++pool.busy;
        pool.peakBusy = std::max(pool.peakBusy, pool.busy);
        if (!pool.idle.empty()) {
            TParked* parked = pool.idle.back();
            pool.idle.pop_back();
            parked->task = std::move(task);
            // Under the mutex: once it is released the thread may run the
            // task, park no more and take `parked` with it.
            parked->wake.notify_one();
            return;
        }
    }
    try {
        std::thread([task = std::move(task)]() mutable { TPool::Get().Work(std::move(task)); })
            .detach();
    } catch (...) {
        std::lock_guard lock(pool.mutex);
        --pool.busy;
        throw;
    }
}

std::size_t TThreadPool::IdleCount() {
    TPool& pool = TPool::Get();
    std::lock_guard lock(pool.mutex);
    return pool.idle.size();
}

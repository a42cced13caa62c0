#include "platform/ThreadPool.h"

#include "platform/FutexFlag.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A parked thread; lives on that thread's stack.
struct TParked {
    TFutexFlag handed;       // set when `task` is there
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
        for (;;) {
            task();
            task = nullptr; // what it holds goes before the thread parks
            {
                std::lock_guard lock(mutex);
                --busy;
                if (idle.size() >= IdleCap()) return;
                self.handed.Reset();
                idle.push_back(&self);
            }
            // The wait takes no mutex: a thread woken with a task runs it
            // without meeting the one that handed it over.
            if (!self.handed.Wait(TThreadPool::kIdleSeconds * 1000)) {
                std::lock_guard lock(mutex);
                if (!self.handed.IsSet()) { // else handed over just in time
                    idle.erase(std::find(idle.begin(), idle.end(), &self));
                    return;
                }
            }
            task = std::move(self.task);
            self.task = nullptr;
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
            // Under the mutex: a thread whose wait just timed out looks at
            // the flag under it before it leaves.
            parked->handed.Set();
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

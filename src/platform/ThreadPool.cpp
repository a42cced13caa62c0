#include "platform/ThreadPool.h"

#include "platform/FutexFlag.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace {

thread_local bool retiring = false;

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
                if (retiring || idle.size() >= IdleCap()) return;
                self.handed.Reset();
                idle.push_back(&self);
            }
            // The wait takes no mutex: a thread woken with a task runs it
            // without meeting the one that handed it over.
            if (!self.handed.Wait(TThreadPool::kIdleSeconds * 1000)) {
                std::unique_lock lock(mutex);
                auto parked = std::find(idle.begin(), idle.end(), &self);
                if (parked != idle.end()) {
                    idle.erase(parked);
                    return;
                }
                // Taken off the list just in time: the task is on its way.
                lock.unlock();
                self.handed.Wait();
            }
            task = std::move(self.task);
            self.task = nullptr;
        }
    }
};

} // namespace

void TThreadPool::Run(TTask task) {
    TPool& pool = TPool::Get();
    TParked* parked = nullptr;
    {
        std::lock_guard lock(pool.mutex);
        ++pool.busy;
        pool.peakBusy = std::max(pool.peakBusy, pool.busy);
        if (!pool.idle.empty()) {
            parked = pool.idle.back();
            pool.idle.pop_back();
        }
    }
    if (parked) {
        // Off the list, the thread is ours: a wait that times out now finds
        // it gone and waits on for the task. The wake-up is made outside the
        // mutex, which the threads ending their tasks meet.
        parked->task = std::move(task);
        parked->handed.Set();
        return;
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

void TThreadPool::RetireThisThread() { retiring = true; }

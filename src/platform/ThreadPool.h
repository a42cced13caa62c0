#pragma once
// The OS threads behind TThread, kept for the next worker: making a thread
// (clone, its stack, its signal mask) costs more than many a short worker's
// whole run, and a crawl starts one per fetch.
//
// Run hands a task to a parked thread, or makes one when none is parked.
// When its task is done the thread parks again, unless as many are parked as
// the busiest moment so far needs plus kSpare (at most kMaxIdle); a parked
// thread that gets nothing for kIdleSeconds ends. The pool is never
// destroyed: parked threads simply end with the process.
//
// A task runs on whichever thread is free: what it leaves in thread-local
// storage is seen by later tasks on the same thread. An exception leaving a
// task ends the process, as it would on a std::thread of its own.
#include <cstddef>
#include <functional>

class TThreadPool {
public:
    using TTask = std::function<void()>;

    static constexpr std::size_t kSpare = 2;
    static constexpr std::size_t kMaxIdle = 32;
    static constexpr int kIdleSeconds = 5;

    // Runs `task` on a pooled thread. Raises std::system_error when no thread
    // is parked and none can be made; the task has not run then.
    static void Run(TTask task);
    // Threads parked now, waiting for a task.
    static std::size_t IdleCount();
    // Called by a task: its thread ends when the task is done instead of
    // parking (for a task that changed what the thread carries on to later
    // tasks, such as its priority, which an ordinary user cannot raise back).
    static void RetireThisThread();
};

#pragma once
// Worker threads and the main-thread call queue.
//
// A TThread is created suspended; Start or Resume runs Execute on a thread
// of TThreadPool (a parked one when there is one, else a new one). Suspend is cooperative: the worker parks at its next check point
// (CheckPoint(), which the socket read loop calls between chunks and every
// TEvent wait calls when woken) until Resume. Terminate only raises the flag
// that Execute polls through Terminated().
//
// When Execute returns, OnTerminate runs on the main thread: through
// Synchronize, or, with FreeOnTerminate set, as a queued call after which the
// main thread deletes the object (the worker thread is free by then). A
// FreeOnTerminate object without OnTerminate deletes itself on the worker.
// Nobody may touch or wait for a FreeOnTerminate object after Start, except
// its OnTerminate.
//
// The main thread is the thread that first touches the queue (creating a
// TThread does) or the one named by SetMainThread. It runs queued calls when
// it pumps them: headless code calls CheckSynchronize, the window program
// sets a wake-up hook that makes its event loop call CheckSynchronize. Any
// wait of the main thread for a worker must keep pumping (WaitFor does), or a
// worker blocked in Synchronize would never get its answer.
//
// Destruction: destroying a thread object whose worker still runs sets the
// flag, lets a parked worker go on, and waits for its end (pumping when on
// the main thread). The base destructor runs after the derived parts are
// gone, so a derived class whose Execute uses its own members must call
// TerminateAndWait() first thing in its destructor.
#include "platform/Event.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class TThread {
public:
    using TNotifyEvent = std::function<void(TThread* sender)>;
    using TThreadMethod = std::function<void()>;

    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Runs Execute on a pooled thread; does nothing once started.
    void Start();
    // Starts a thread never started, or lets a suspended one go on.
    void Resume();
    // Asks the worker to park at its next check point; called on the worker
    // itself it parks at once. Does nothing after the worker ended.
    void Suspend();
    // True before Start and while a suspension is requested.
    bool Suspended() const;

    void Terminate();
    bool Terminated() const { return terminated_.load(); }
    // True once Execute has returned.
    bool Finished() const { return finished_.load(); }

    // Waits for the end of the worker and answers ReturnValue. On the main
    // thread it keeps running queued calls while it waits. Answers at once for
    // a thread never started and when called on the worker itself.
    int WaitFor();
    // Terminate, let a parked worker go on, WaitFor.
    void TerminateAndWait();

    // A number unique within the process, given at creation (before Start).
    std::uint32_t ThreadID() const { return threadId_; }
    // The exception that ended Execute, if one did.
    std::exception_ptr FatalException() const;

    // Set both before Start.
    std::atomic<bool> FreeOnTerminate{false};
    TNotifyEvent OnTerminate;

    // Runs `method` on the main thread and returns when it has run; on the
    // main thread it runs at once. An exception of `method` is raised again
    // here, in the caller.
    void Synchronize(TThreadMethod method) { Synchronize(this, std::move(method)); }
    static void Synchronize(TThread* thread, TThreadMethod method);
    // Queues `method` for the main thread and returns at once; on the main
    // thread it runs at once. Exceptions of queued calls are swallowed.
    // Calls still queued for a thread object when it is destroyed are dropped
    // (its destructor's wait for the worker may run some of them first).
    void Queue(TThreadMethod method) { Queue(this, std::move(method)); }
    static void Queue(TThread* thread, TThreadMethod method);
    // Drops the queued (not the synchronized) calls made for `thread`.
    static void RemoveQueuedEvents(TThread* thread);

    // Main thread only: waits up to `timeoutMs` for a queued call (0: no
    // wait) and runs the calls queued so far. True when one ran. Elsewhere
    // it does nothing and answers false.
    static bool CheckSynchronize(int timeoutMs = 0);
    // Called (from the queuing thread) whenever a call is queued for the main
    // thread. The window program sets it to wake its event loop.
    static void SetWakeMainThread(std::function<void()> hook);
    // The calling thread becomes the main thread.
    static void SetMainThread();
    static bool IsMainThread();
    // An fd readable while calls wait for the main thread (for poll() or a
    // socket notifier); never read or close it.
    static int SyncEventHandle();
    // Waits for `event`; on the main thread it keeps running queued calls
    // meanwhile, elsewhere it is event.WaitFor(milliseconds).
    static TWaitResult WaitPumping(TEvent& event, int milliseconds);

    // Cooperative suspension point: parks the calling worker while a Suspend
    // is pending. Does nothing on threads that are no TThread.
    static void CheckPoint();
    // The TThread whose Execute runs on the calling thread, or null.
    static TThread* CurrentThread();

protected:
    virtual void Execute() = 0;
    // Runs OnTerminate on the main thread, when it is set.
    virtual void DoTerminate();

    // The value WaitFor answers; set by Execute.
    int ReturnValue = 0;

private:
    void Run();
    void Park();

    mutable std::mutex mutex_;
    std::condition_variable resumed_;
    bool started_ = false;
    bool suspendRequested_ = false;
    std::exception_ptr fatal_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    // Worker only, in Run: the object frees itself, and DoTerminate left its
    // report to the queued end call.
    bool freeing_ = false;
    bool reportQueued_ = false;
    // Set before the main thread is handed the object: WaitFor (its
    // destructor's) answers at once.
    std::atomic<bool> ended_{false};
    // Set by the worker as its last touch of the object; shared, so that an
    // owner that sees it and destroys the object cannot pull the event away
    // from under the worker's SetEvent.
    std::shared_ptr<TEvent> done_ = std::make_shared<TEvent>(true, false);
    const std::uint32_t threadId_;
};

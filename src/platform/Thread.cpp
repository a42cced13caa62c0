#include "platform/Thread.h"

#include "platform/FutexFlag.h"
#include "platform/ThreadPool.h"
#include "platform/WaitClock.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <memory>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

thread_local TThread* tlsCurrent = nullptr;

std::atomic<std::uint32_t> nextThreadId{1};

struct TSyncCall {
    TSyncCall(TThread* t, TThread::TThreadMethod m, bool sync)
        : thread(t), method(std::move(m)), synchronous(sync) {}
    TThread* thread;
    TThread::TThreadMethod method;
    bool synchronous;
    std::exception_ptr error; // written before done is set
    // Its own, so that the end of one call wakes only the thread waiting
    // for it; a flag, so that neither side meets the other on the queue's
    // mutex on the way.
    TFutexFlag done;
};

// The calls waiting for the main thread. Its eventfd is readable while the
// list is not empty: the poster that finds the list empty makes it so, after
// leaving the mutex (the main thread it wakes then does not find the mutex
// held by the writer), and the main thread clears it when it finds the list
// empty. So at worst it is readable once too often, never too seldom. Never
// destroyed, so workers that outlive static destruction can still post.
class TMainQueue {
public:
    static TMainQueue& Get() {
        static auto* queue = new TMainQueue;
        return *queue;
    }

    int Handle() const { return fd_; }

    // Asked for every queued-call check, so it takes no lock once set.
    bool IsMain() {
        if (!mainSet_.load(std::memory_order_acquire)) {
            std::lock_guard lock(mutex_);
            if (!mainSet_.load(std::memory_order_relaxed)) {
                mainId_.store(std::this_thread::get_id(), std::memory_order_relaxed);
                mainSet_.store(true, std::memory_order_release);
            }
        }
        return mainId_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

    void SetMain() {
        std::lock_guard lock(mutex_);
        mainId_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        mainSet_.store(true, std::memory_order_release);
    }

    void SetWake(std::function<void()> hook) {
        std::lock_guard lock(mutex_);
        wake_ = std::move(hook);
    }

    void Post(const std::shared_ptr<TSyncCall>& call) {
        std::function<void()> wake;
        bool first;
        {
            std::lock_guard lock(mutex_);
            // Only the first call of a batch needs to make the fd readable.
            first = calls_.empty();
            calls_.push_back(call);
            if (!call->synchronous) asyncQueued_.fetch_add(1, std::memory_order_relaxed);
            wake = wake_;
        }
        if (first) {
            Signal();
            signals_.fetch_add(1, std::memory_order_release);
        }
        if (wake) wake();
    }

    void WaitDone(const std::shared_ptr<TSyncCall>& call) { call->done.Wait(); }

    // Runs the calls queued when it starts (not the ones those calls queue,
    // so a call that queues itself cannot keep the main thread here).
    bool RunQueued(int timeoutMs) {
        if (timeoutMs != 0 && Empty()) {
            TWaitClock clock(timeoutMs);
            pollfd p{fd_, POLLIN, 0};
            while (::poll(&p, 1, clock.Remaining()) < 0 && errno == EINTR) {
            }
        }
        size_t budget;
        {
            std::lock_guard lock(mutex_);
            budget = calls_.size();
            // Readable for calls that were run already (a poster signals
            // after leaving the mutex): cleared, or the next wait would not wait.
            if (budget == 0 && signals_.load(std::memory_order_acquire) != drained_) Drain();
        }
        bool ran = false;
        for (; budget > 0; --budget) {
            std::shared_ptr<TSyncCall> call;
            {
                std::lock_guard lock(mutex_);
                if (calls_.empty()) break;
                call = std::move(calls_.front());
                calls_.pop_front();
                if (!call->synchronous) asyncQueued_.fetch_sub(1, std::memory_order_relaxed);
                if (calls_.empty()) Drain();
            }
            ran = true;
            try {
                call->method();
            } catch (...) {
                if (call->synchronous) call->error = std::current_exception();
            }
            // `call` is ours too, so it outlives the waiter's return.
            if (call->synchronous) call->done.Set();
        }
        return ran;
    }

    void Remove(TThread* thread) {
        // Every thread object's end comes here, mostly with nothing queued:
        // then it need not meet the main thread on the mutex. A call queued
        // for `thread` while it is being destroyed is a fault of the caller
        // either way.
        if (asyncQueued_.load(std::memory_order_acquire) == 0) return;
        std::lock_guard lock(mutex_);
        auto end = std::remove_if(calls_.begin(), calls_.end(), [&](const auto& call) {
            return !call->synchronous && call->thread == thread;
        });
        if (end == calls_.end()) return;
        asyncQueued_.fetch_sub(calls_.end() - end, std::memory_order_relaxed);
        calls_.erase(end, calls_.end());
        if (calls_.empty()) Drain();
    }

private:
    TMainQueue() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

    bool Empty() {
        std::lock_guard lock(mutex_);
        return calls_.empty();
    }
    void Signal() {
        std::uint64_t one = 1;
        while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    // Under the mutex. The signals counted before the read are consumed by it.
    void Drain() {
        drained_ = signals_.load(std::memory_order_acquire);
        std::uint64_t value;
        while (::read(fd_, &value, sizeof value) < 0 && errno == EINTR) {
        }
    }

    std::mutex mutex_;
    std::deque<std::shared_ptr<TSyncCall>> calls_;
    // The Queue calls among them; changes under the mutex.
    std::atomic<std::ptrdiff_t> asyncQueued_{0};
    // Writes of the fd (counted after each) and how many a read had consumed.
    std::atomic<std::uint64_t> signals_{0};
    std::uint64_t drained_ = 0;
    std::function<void()> wake_;
    std::atomic<std::thread::id> mainId_;
    std::atomic<bool> mainSet_{false};
    const int fd_;
};

} // namespace

TThread::TThread() : threadId_(nextThreadId.fetch_add(1)) {
    TMainQueue::Get().IsMain(); // the creating thread is normally the main one
}

TThread::~TThread() {
    // FreeOnTerminate: the worker frees its own object and waits for nothing.
    if (tlsCurrent != this) TerminateAndWait();
    TMainQueue::Get().Remove(this);
}

void TThread::Start() {
    std::lock_guard lock(mutex_);
    if (started_) return;
    started_ = true;
    try {
        TThreadPool::Run([this] { Run(); });
    } catch (...) {
        fatal_ = std::current_exception();
        finished_ = true;
        done_->SetEvent();
    }
}

void TThread::Resume() {
    {
        std::lock_guard lock(mutex_);
        if (started_) {
            suspendRequested_ = false;
            resumed_.notify_all();
            return;
        }
    }
    Start();
}

void TThread::Suspend() {
    if (tlsCurrent == this) {
        {
            std::lock_guard lock(mutex_);
            suspendRequested_ = true;
        }
        Park();
        return;
    }
    std::lock_guard lock(mutex_);
    if (started_ && !finished_) suspendRequested_ = true;
}

bool TThread::Suspended() const {
    std::lock_guard lock(mutex_);
    return !started_ || suspendRequested_;
}

void TThread::Terminate() { terminated_ = true; }

int TThread::WaitFor() {
    if (tlsCurrent == this || ended_.load(std::memory_order_acquire)) return ReturnValue;
    {
        std::lock_guard lock(mutex_);
        if (!started_) return ReturnValue;
    }
    WaitPumping(*done_, TEvent::kInfinite);
    return ReturnValue;
}

void TThread::TerminateAndWait() {
    Terminate();
    {
        std::lock_guard lock(mutex_);
        suspendRequested_ = false;
        resumed_.notify_all();
    }
    WaitFor();
}

std::exception_ptr TThread::FatalException() const {
    std::lock_guard lock(mutex_);
    return fatal_;
}

void TThread::DoTerminate() {
    if (!OnTerminate) return;
    // A thread that frees itself hands its report over with the object
    // (see Run) instead of waiting for the main thread to take it.
    if (freeing_) {
        reportQueued_ = true;
        return;
    }
    Synchronize([this] { OnTerminate(this); });
}

void TThread::Run() {
    tlsCurrent = this;
    if (!Terminated()) {
        try {
            Execute();
        } catch (...) {
            std::lock_guard lock(mutex_);
            fatal_ = std::current_exception();
        }
    }
    finished_ = true;
    const bool freeSelf = FreeOnTerminate.load();
    freeing_ = freeSelf;
    try {
        DoTerminate();
    } catch (...) {
    }
    if (freeSelf && reportQueued_) {
        // The main thread reports the end and frees the object; the worker
        // goes back to the pool at once rather than sleeping until the main
        // thread has got round to it (a round trip per fetch of a crawl).
        // Queued for no thread, so that nothing drops it on the way.
        ended_.store(true, std::memory_order_release);
        Queue(nullptr, [this] {
            try {
                OnTerminate(this);
            } catch (...) {
            }
            delete this;
        });
    } else if (freeSelf) {
        delete this;
    } else {
        std::shared_ptr<TEvent> done = done_;
        done->SetEvent(); // the last touch of the object by this thread
    }
    tlsCurrent = nullptr;
}

void TThread::Park() {
    std::unique_lock lock(mutex_);
    resumed_.wait(lock, [this] { return !suspendRequested_; });
}

void TThread::Synchronize(TThread* thread, TThreadMethod method) {
    TMainQueue& queue = TMainQueue::Get();
    if (queue.IsMain()) {
        method();
        return;
    }
    auto call = std::make_shared<TSyncCall>(thread, std::move(method), true);
    queue.Post(call);
    queue.WaitDone(call);
    if (call->error) std::rethrow_exception(call->error);
}

void TThread::Queue(TThread* thread, TThreadMethod method) {
    TMainQueue& queue = TMainQueue::Get();
    if (queue.IsMain()) {
        method();
        return;
    }
    queue.Post(std::make_shared<TSyncCall>(thread, std::move(method), false));
}

void TThread::RemoveQueuedEvents(TThread* thread) { TMainQueue::Get().Remove(thread); }

bool TThread::CheckSynchronize(int timeoutMs) {
    TMainQueue& queue = TMainQueue::Get();
    if (!queue.IsMain()) return false;
    return queue.RunQueued(timeoutMs);
}

void TThread::SetWakeMainThread(std::function<void()> hook) {
    TMainQueue::Get().SetWake(std::move(hook));
}

void TThread::SetMainThread() { TMainQueue::Get().SetMain(); }

bool TThread::IsMainThread() { return TMainQueue::Get().IsMain(); }

int TThread::SyncEventHandle() { return TMainQueue::Get().Handle(); }

TWaitResult TThread::WaitPumping(TEvent& event, int milliseconds) {
    TMainQueue& queue = TMainQueue::Get();
    if (!queue.IsMain()) return event.WaitFor(milliseconds);
    TWaitClock clock(milliseconds);
    // Queued calls run only while the event is not yet signalled, as the
    // message-pumping wait this stands for does.
    for (;;) {
        pollfd fds[2] = {{event.Handle(), POLLIN, 0}, {queue.Handle(), POLLIN, 0}};
        int rc = ::poll(fds, 2, clock.Remaining());
        if (rc < 0) {
            if (errno == EINTR) continue;
            return wrError;
        }
        // Takes the signal of an auto-reset event; another waiter may have
        // been quicker, then we go on waiting.
        if ((fds[0].revents & POLLIN) && event.WaitFor(0) == wrSignaled) return wrSignaled;
        if (fds[0].revents & (POLLERR | POLLNVAL)) return wrError;
        if (fds[1].revents & POLLIN) queue.RunQueued(0);
        if (rc == 0 && clock.Expired()) return wrTimeout;
    }
}

void TThread::CheckPoint() {
    if (TThread* self = tlsCurrent) self->Park();
}

TThread* TThread::CurrentThread() { return tlsCurrent; }

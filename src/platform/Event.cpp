#include "platform/Event.h"

#include "platform/Thread.h"
#include "platform/WaitClock.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

// The state of an event is a flag under the core's mutex. The eventfd that
// mirrors it for poll() is made on the first Handle() only: most events are
// set and reset but never polled, and every descriptor costs an open and a
// close. While the fd exists its counter is 1 exactly while the flag is set;
// both change together under the mutex, so an auto-reset signal is taken by
// one waiter only, whether it polled the fd or not.
//
// The descriptor of a destroyed event goes back to a small process-wide
// store, emptied (counter 0), and the next event polled takes it from there:
// a worker's short-lived events (a connection's, a transfer's) then cost no
// eventfd and no close each. Nobody can poll an event's fd after the event
// is gone, so a recycled descriptor carries nothing over.
namespace {

class TSpareEventFds {
public:
    static TSpareEventFds& Get() {
        static auto* spare = new TSpareEventFds; // never destroyed, as the registry
        return *spare;
    }
    // An emptied eventfd, or -1 when none is kept.
    int Take() {
        std::lock_guard lock(mutex_);
        if (fds_.empty()) return -1;
        int f = fds_.back();
        fds_.pop_back();
        return f;
    }
    // Keeps `fd` (counter 0) or closes it when enough are kept.
    void Give(int fd) {
        {
            std::lock_guard lock(mutex_);
            if (fds_.size() < kKept) {
                fds_.push_back(fd);
                return;
            }
        }
        ::close(fd);
    }

private:
    static constexpr size_t kKept = 64;
    std::mutex mutex_;
    std::vector<int> fds_;
};

} // namespace

struct TEvent::TCore {
    TCore(bool manual, bool initial, std::string n)
        : manualReset(manual), name(std::move(n)), signalled_(initial) {}
    ~TCore();
    TCore(const TCore&) = delete;
    TCore& operator=(const TCore&) = delete;

    void Set() {
        std::lock_guard lock(mutex_);
        if (signalled_) return; // a second signal adds nothing, in either mode
        signalled_ = true;
        int f = fd_.load(std::memory_order_relaxed);
        if (f < 0) return;
        std::uint64_t one = 1;
        while (::write(f, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    // True when this call took a pending signal away.
    bool Drain() {
        std::lock_guard lock(mutex_);
        if (!signalled_) return false;
        signalled_ = false;
        int f = fd_.load(std::memory_order_relaxed);
        if (f >= 0) {
            std::uint64_t value;
            while (::read(f, &value, sizeof value) < 0 && errno == EINTR) {
            }
        }
        return true;
    }
    bool Signalled() const {
        std::lock_guard lock(mutex_);
        return signalled_;
    }
    // -1 while no descriptor can be had; a later call tries again.
    int Fd() const {
        int f = fd_.load(std::memory_order_acquire);
        if (f >= 0) return f;
        std::lock_guard lock(mutex_);
        f = fd_.load(std::memory_order_relaxed);
        if (f < 0) {
            f = TSpareEventFds::Get().Take();
            if (f >= 0 && signalled_) {
                std::uint64_t one = 1;
                while (::write(f, &one, sizeof one) < 0 && errno == EINTR) {
                }
            } else if (f < 0) {
                f = ::eventfd(signalled_ ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
            }
            if (f >= 0) fd_.store(f, std::memory_order_release);
        }
        return f;
    }

    const bool manualReset;
    const std::string name;

private:
    mutable std::mutex mutex_;
    bool signalled_;
    mutable std::atomic<int> fd_{-1};
};

namespace {

// Named events of this process. Entries are weak: the event dies with its
// last TEvent and the name becomes free again. Never destroyed, so events
// held in statics can still unregister at exit.
struct TEventRegistry {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<TEvent::TCore>> byName;
};

TEventRegistry& Registry() {
    static auto* registry = new TEventRegistry;
    return *registry;
}

} // namespace

TEvent::TCore::~TCore() {
    if (!name.empty()) {
        TEventRegistry& reg = Registry();
        std::lock_guard lock(reg.mutex);
        auto it = reg.byName.find(name);
        // A new event of the same name may already have taken the slot.
        if (it != reg.byName.end() && it->second.expired()) reg.byName.erase(it);
    }
    int f = fd_.load(std::memory_order_relaxed);
    if (f < 0) return;
    if (signalled_) {
        std::uint64_t value;
        while (::read(f, &value, sizeof value) < 0 && errno == EINTR) {
        }
    }
    TSpareEventFds::Get().Give(f);
}

TEvent::TEvent(bool manualReset, bool initialState, const std::string& name) {
    if (name.empty()) {
        core_ = std::make_shared<TCore>(manualReset, initialState, name);
        return;
    }
    TEventRegistry& reg = Registry();
    std::lock_guard lock(reg.mutex);
    std::weak_ptr<TCore>& slot = reg.byName[name];
    core_ = slot.lock();
    if (!core_) {
        core_ = std::make_shared<TCore>(manualReset, initialState, name);
        slot = core_;
    }
}

TEvent::~TEvent() = default;

void TEvent::SetEvent() { core_->Set(); }

void TEvent::ResetEvent() { core_->Drain(); }

TWaitResult TEvent::WaitFor(int milliseconds) {
    int index = 0;
    TEvent* self = this;
    return WaitForAny({self}, milliseconds, index);
}

namespace {

TWaitResult WaitForAnyRaw(const std::vector<TEvent*>& events, int milliseconds, int& index);

} // namespace

TWaitResult TEvent::WaitForAny(const std::vector<TEvent*>& events, int milliseconds,
                               int& index) {
    TWaitResult result = WaitForAnyRaw(events, milliseconds, index);
    // A worker that was asked to suspend parks here, once its wait is over.
    TThread::CheckPoint();
    return result;
}

namespace {

TWaitResult WaitForAnyRaw(const std::vector<TEvent*>& events, int milliseconds, int& index) {
    index = -1;
    if (events.empty()) return wrError;
    for (TEvent* event : events)
        if (!event) return wrError;
    // A signal that is there already needs no descriptor and no poll().
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i]->ManualReset() ? events[i]->Signalled() : events[i]->TakeSignal()) {
            index = static_cast<int>(i);
            return wrSignaled;
        }
    }
    if (milliseconds == 0) return wrTimeout;
    std::vector<pollfd> fds(events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i]->Handle() < 0) return wrError;
        fds[i] = pollfd{events[i]->Handle(), POLLIN, 0};
    }
    TWaitClock clock(milliseconds);
    for (;;) {
        int rc = ::poll(fds.data(), fds.size(), clock.Remaining());
        if (rc < 0) {
            if (errno == EINTR) continue;
            return wrError;
        }
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            // An auto-reset event another waiter took first is no longer
            // signalled: look at the next one, then wait again.
            if (events[i]->ManualReset() || events[i]->TakeSignal()) {
                index = static_cast<int>(i);
                return wrSignaled;
            }
        }
        if (rc == 0 || clock.Expired()) return wrTimeout;
    }
}

} // namespace

bool TEvent::TakeSignal() { return core_->Drain(); }

int TEvent::Handle() const { return core_->Fd(); }

bool TEvent::Signalled() const { return core_->Signalled(); }

bool TEvent::ManualReset() const { return core_->manualReset; }

const std::string& TEvent::Name() const { return core_->name; }

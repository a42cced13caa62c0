#include "platform/Event.h"

#include "platform/Thread.h"
#include "platform/WaitClock.h"

#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

// The whole state of an event is the eventfd counter: non-zero means
// signalled. Manual reset waits only look at it; an auto-reset wait takes the
// signal by reading the counter back to zero, which only one of several
// racing waiters can do, so the others go back to waiting.
struct TEvent::TCore {
    TCore(bool manual, bool initial, std::string n)
        : fd(::eventfd(initial ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC)), manualReset(manual),
          name(std::move(n)) {}
    ~TCore();
    TCore(const TCore&) = delete;
    TCore& operator=(const TCore&) = delete;

    void Set() const {
        if (fd < 0) return;
        std::uint64_t one = 1;
        while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    // True when this call took a pending signal away.
    bool Drain() const {
        if (fd < 0) return false;
        std::uint64_t value;
        for (;;) {
            if (::read(fd, &value, sizeof value) == sizeof value) return true;
            if (errno != EINTR) return false;
        }
    }

    const int fd;
    const bool manualReset;
    const std::string name;
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
    if (fd >= 0) ::close(fd);
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
    std::vector<pollfd> fds(events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        if (!events[i] || events[i]->Handle() < 0) return wrError;
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

int TEvent::Handle() const { return core_->fd; }

bool TEvent::ManualReset() const { return core_->manualReset; }

const std::string& TEvent::Name() const { return core_->name; }

#include "platform/FutexFlag.h"

#include "platform/WaitClock.h"

#include <cerrno>
#include <ctime>

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free,
              "the futex word is the atomic itself");

void TFutexFlag::Set() {
    if (word_.exchange(kSet, std::memory_order_acq_rel) != kSleeping) return;
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word_), FUTEX_WAKE_PRIVATE, 1, nullptr,
              nullptr, 0);
}

bool TFutexFlag::Wait(int timeoutMs) {
    TWaitClock clock(timeoutMs);
    for (;;) {
        std::uint32_t value = word_.load(std::memory_order_acquire);
        if (value == kSet) return true;
        if (value == kClear &&
            !word_.compare_exchange_weak(value, kSleeping, std::memory_order_acquire))
            continue;
        timespec left{};
        timespec* limit = nullptr;
        if (!clock.Infinite()) {
            int ms = clock.Remaining();
            if (ms == 0) return IsSet();
            left.tv_sec = ms / 1000;
            left.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
            limit = &left;
        }
        // Returns at once when the word is no longer kSleeping (Set came
        // first); spurious wake-ups and signals just go round again.
        ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word_), FUTEX_WAIT_PRIVATE, kSleeping,
                  limit, nullptr, 0);
    }
}

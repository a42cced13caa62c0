#pragma once
// A flag one thread waits for and another raises, at the cost of the
// system's futex alone: Set makes a system call only when the waiter sleeps,
// and the waiter sleeps only when the flag is not set yet. A condition
// variable with its mutex makes up to two more where the waker holds the
// mutex. For one waiter at a time; the waiter clears it before the next
// round.
#include <atomic>
#include <cstdint>

class TFutexFlag {
public:
    // Waiter only, while nobody can Set.
    void Reset() { word_.store(kClear, std::memory_order_relaxed); }
    // What the setter wrote before Set is visible after a true answer.
    bool IsSet() const { return word_.load(std::memory_order_acquire) == kSet; }
    void Set();
    // Until Set, or up to `timeoutMs` (-1: no limit). True when set.
    bool Wait(int timeoutMs = -1);

private:
    static constexpr std::uint32_t kClear = 0, kSet = 1, kSleeping = 2;
    std::atomic<std::uint32_t> word_{kClear};
};

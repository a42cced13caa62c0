#pragma once
// Waiting on the test's main thread for what workers hand to it: the calls
// they queue run while the test waits, as the window's event loop would run
// them.
#include "platform/Thread.h"

#include <chrono>
#include <functional>

#include <poll.h>

// Far beyond anything working code needs, even on a loaded machine.
constexpr int kPatienceMs = 30000;

// Runs the main thread's queued calls until `done` holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = kPatienceMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        TThread::CheckSynchronize(10);
    }
    return true;
}

// Whether a worker waits for the main thread (a call is queued), without
// running the call.
inline bool WaitForPendingCall(int timeoutMs = kPatienceMs) {
    pollfd p{TThread::SyncEventHandle(), POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

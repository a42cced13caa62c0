#pragma once
// The owner side of a folder monitor: at most one TDirMonitorThread runs for
// it, and a newer one is never disturbed by an older one. A stopped thread
// may still end later (its end notice arrives when the main thread pumps);
// each thread is known by its ThreadID, so that notice, like a late change
// notice, only affects the thread that is current. Destroying the owner
// stops its thread; notices arriving afterwards find nobody and do nothing.
//
// Main thread only.
#include "platform/Event.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TDirMonitorThread;

class TDirMonitor {
public:
    using TChangeEvent = std::function<void()>;

    TDirMonitor();
    ~TDirMonitor();
    TDirMonitor(const TDirMonitor&) = delete;
    TDirMonitor& operator=(const TDirMonitor&) = delete;

    // Stops the running monitor and watches `winPath`; `onChange` runs on
    // the main thread after each settled burst. May be called from within
    // `onChange`.
    void Start(const std::string& winPath, TChangeEvent onChange);
    // Stops the running monitor, if any; safe from within `onChange`.
    void Stop();
    // True while a monitor runs (until Stop, or until it ended by itself:
    // its folder went away or could not be watched).
    bool Active() const;
    // The folder being watched; empty when none.
    std::string WatchPath() const;
    // Waits (pumping the main thread's calls) until the current monitor's
    // watches are in place; false when it ended first, was stopped, or the
    // time ran out. Start does not wait: a folder page is shown at once.
    bool WaitWatching(int milliseconds);

    // For tests: the watch count and settle time of monitors started later.
    int MaxWatches = 512;
    int SettleMs = 500;

private:
    struct TState {
        TDirMonitorThread* thread = nullptr; // alive until its end notice
        std::uint32_t id = 0;
        std::string path;
        std::shared_ptr<TEvent> watching;
    };
    std::shared_ptr<TState> state_;
};

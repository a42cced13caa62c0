#pragma once
// Watches a local folder for name changes (files and folders created,
// deleted, moved in or out, renamed, and the folder itself deleted or
// moved) and tells the main thread. Changes to a file's contents are not
// watched.
//
// inotify watches the folder and its subfolders up to MaxWatches; a tree
// with more folders is watched at its top folder alone. A burst of changes
// gives one notice: after the first change the thread waits SettleMs for
// more (on this thread, never on the main one), then runs OnChange on the
// main thread through Synchronize. When the watched folder itself goes, a
// last notice is given and the thread ends.
//
// Created suspended; set WatchPath and OnChange, then Start. It frees itself
// when it ends (FreeOnTerminate), so after Start only Stop() may be called,
// and only until its end notice (OnTerminate) ran; TDirMonitor is the owner
// side that keeps to that. Stop() is safe from within OnChange: OnChange is
// never called once Stop() was, and the thread ends after it returns.
#include "platform/Event.h"
#include "platform/Thread.h"

#include <atomic>
#include <functional>
#include <string>

class TDirMonitorThread : public TThread {
public:
    TDirMonitorThread();
    ~TDirMonitorThread() override;

    std::string WatchPath; // Windows form; empty: the thread ends at once
    std::function<void(TDirMonitorThread* sender)> OnChange;
    int MaxWatches = 512;
    int SettleMs = 500;
    // Called on this thread once the watches are in place (not when the
    // folder cannot be watched); changes from then on are seen.
    std::function<void()> OnWatching;

    // Main thread: the thread leaves its wait (or its settle pause) and ends.
    void Stop();

    // How many name changes the thread has read so far (any thread).
    int NameChanges() const { return nameChanges_.load(); }
    // How many monitor threads exist in the process (started or not).
    static int Running();

protected:
    void Execute() override;

private:
    void DoChange();

    TEvent StopEvent;
    std::atomic<int> nameChanges_{0};
};

#pragma once
// Why a page load could not connect. The load manager reports only the
// HTTP client's code; the reason is with the page load thread's transport.
// The watch keeps the thread of the load under way (from OnHeading, on that
// thread) and asks its transport in OnLoaded, the end report, which runs
// while the thread still exists (it deletes itself right after).
#include "platform/Transport.h"

#include <atomic>
#include <string>

class TQorLoadManager;
class TQorLoadThread;

class TCliConnectWatch {
public:
    // Takes the manager's OnHeading.
    void Attach(TQorLoadManager& manager);
    // Inside OnLoaded: the reason of the load that ends (cfNone when it
    // came from no network load), and forgets its thread.
    TConnectFailure Take();
    // The words the transport gave with the failure last taken (TLS).
    const std::string& Detail() const { return detail_; }

private:
    std::string detail_;
    std::atomic<TQorLoadThread*> thread_{nullptr};
};

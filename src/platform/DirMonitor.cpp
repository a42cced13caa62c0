#include "platform/DirMonitor.h"

#include "platform/DirMonitorThread.h"

#include <chrono>

TDirMonitor::TDirMonitor() : state_(std::make_shared<TState>()) {}

TDirMonitor::~TDirMonitor() { Stop(); }

void TDirMonitor::Start(const std::string& winPath, TChangeEvent onChange) {
    Stop();
    auto* thread = new TDirMonitorThread;
    const std::uint32_t id = thread->ThreadID();
    std::weak_ptr<TState> weak = state_;
    thread->WatchPath = winPath;
    thread->MaxWatches = MaxWatches;
    thread->SettleMs = SettleMs;
    auto watching = std::make_shared<TEvent>(true, false);
    thread->OnWatching = [watching] { watching->SetEvent(); };
    thread->OnChange = [weak, id, onChange = std::move(onChange)](TDirMonitorThread*) {
        auto state = weak.lock();
        if (state && state->id == id && onChange) onChange();
    };
    thread->OnTerminate = [weak, id](TThread*) {
        auto state = weak.lock();
        if (!state || state->id != id) return; // an older monitor ending late
        state->thread = nullptr;
        state->id = 0;
        state->path.clear();
        state->watching.reset();
    };
    state_->thread = thread;
    state_->id = id;
    state_->path = winPath;
    state_->watching = watching;
    thread->Start();
}

void TDirMonitor::Stop() {
    if (!state_->thread) return;
    state_->thread->Stop();
    state_->thread = nullptr;
    state_->id = 0;
    state_->path.clear();
    state_->watching.reset();
}

bool TDirMonitor::Active() const { return state_->thread != nullptr; }

std::string TDirMonitor::WatchPath() const { return state_->path; }

bool TDirMonitor::WaitWatching(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    // The monitor may end (and its state be cleared) while we pump.
    while (std::shared_ptr<TEvent> watching = state_->watching) {
        if (watching->WaitFor(0) == wrSignaled) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        TThread::WaitPumping(*watching, 10);
    }
    return false;
}

#include "download/ui/DownloadWndManager.h"

#include "download/ui/DownloadDlg.h"

#include <algorithm>

int TDownloadWndManager::NextNumber() {
    lastNumber_ = lastNumber_ >= 9999 ? 1 : lastNumber_ + 1;
    return lastNumber_;
}

void TDownloadWndManager::Add(TDownloadDlg* window) { windows_.insert(windows_.begin(), window); }

void TDownloadWndManager::Remove(TDownloadDlg* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
    if (active_ == window) active_ = nullptr;
}

TDownloadDlg* TDownloadWndManager::Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return windows_[static_cast<size_t>(index)];
}

TDownloadDlg* TDownloadWndManager::CycleTarget(bool backward) const {
    if (windows_.empty()) return nullptr;
    const auto it = std::find(windows_.begin(), windows_.end(), active_);
    if (it == windows_.end()) return windows_.front();
    const int n = Count();
    const int i = static_cast<int>(it - windows_.begin());
    return windows_[static_cast<size_t>((i + (backward ? n - 1 : 1)) % n)];
}

void TDownloadWndManager::Cycle(bool backward) {
    TDownloadDlg* target = CycleTarget(backward);
    if (!target) return;
    active_ = target;
    target->raise();
    target->activateWindow();
}

#pragma once
// The open download windows (newest first), the active one and the window
// numbers (1 to 9999, then 1 again). Cycle activates the previous or next
// window, wrapping at either end.
#include <vector>

class TDownloadDlg;

class TDownloadWndManager {
public:
    int NextNumber();
    void Add(TDownloadDlg* window);
    void Remove(TDownloadDlg* window);
    int Count() const { return static_cast<int>(windows_.size()); }
    TDownloadDlg* Get(int index) const;
    TDownloadDlg* Active() const { return active_; }
    void SetActive(TDownloadDlg* window) { active_ = window; }
    // The window that Cycle goes to (null with no window open).
    TDownloadDlg* CycleTarget(bool backward) const;
    void Cycle(bool backward);

private:
    std::vector<TDownloadDlg*> windows_;
    TDownloadDlg* active_ = nullptr;
    int lastNumber_ = 0;
};

#include "engine/ui/FilePropDlgManager.h"

#include "engine/ui/FilePropDlg.h"

#include <algorithm>

TFilePropDlgManager::~TFilePropDlgManager() { CloseAll(); }

TFilePropDlg* TFilePropDlgManager::Create(QWidget* parent) {
    auto* window = new TFilePropDlg(parent);
    windows_.push_back(window);
    QObject::connect(window, &QObject::destroyed, &guard_, [this, window] {
        windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
    });
    return window;
}

void TFilePropDlgManager::RefreshAll() {
    for (TFilePropDlg* window : windows_) window->Refresh();
}

void TFilePropDlgManager::CloseAll() {
    // A closed window goes later (deleteLater): forget it now, so a closed
    // owner is never asked about it again.
    std::vector<TFilePropDlg*> windows;
    windows.swap(windows_);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        (*it)->disconnect(&guard_);
        (*it)->close();
    }
}

TFilePropDlg* TFilePropDlgManager::Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return windows_[static_cast<size_t>(index)];
}

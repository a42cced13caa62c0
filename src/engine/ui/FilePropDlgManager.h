#pragma once
// The open record-property windows of one owner (the main window or a
// download window). Any number may be open; each leaves the list when it is
// destroyed.
#include <QObject>

#include <vector>

class QWidget;
class TFilePropDlg;

class TFilePropDlgManager {
public:
    TFilePropDlgManager() = default;
    // Closes the windows still open.
    ~TFilePropDlgManager();
    TFilePropDlgManager(const TFilePropDlgManager&) = delete;
    TFilePropDlgManager& operator=(const TFilePropDlgManager&) = delete;

    TFilePropDlg* Create(QWidget* parent = nullptr);
    void RefreshAll();
    // From the last to the first.
    void CloseAll();
    int Count() const { return static_cast<int>(windows_.size()); }
    TFilePropDlg* Get(int index) const;

private:
    std::vector<TFilePropDlg*> windows_;
    QObject guard_; // the hooks' context: they die with the manager
};

#pragma once
// "一時ファイルを使わないページ": edits a copy of the never-cache list; on OK
// the list takes the rows and the dialog writes uncache.dat itself. A failed
// write is shown; the old file stays and the list keeps the new entries.
#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TQorUncachePage;

class TUncachePageDlg : public QDialog {
    Q_OBJECT
public:
    explicit TUncachePageDlg(QWidget* parent = nullptr);

    TQorUncachePage* Uncache = nullptr; // set before showing

    // Shows an error (CP932); an error box unless a test replaces it.
    std::function<void(const std::string& message)> OnError;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EnsureFilled();
    void AppendRow(const std::string& url, bool all);
    void AddClick();
    void ToggleAll(QTreeWidgetItem* item);
    void UpdateButtons();

    QLineEdit* memURL;
    QCheckBox* chkAll;
    QTreeWidget* lvPage;
    QPushButton* btnAdd;
    QPushButton* btnDelete;
    bool filled_ = false;
};

#pragma once
// "オプション": the options (TQorOption) and the connection settings
// (TQorConnGeneral) on four pages. The controls are filled when the dialog
// is first shown; OK checks the number fields (TOptionCheck: only the last
// failing message is shown, and the dialog stays open) and only then
// stores every control into the two objects. The caller saves option.dat
// and connect.dat after OK.
//
// DblClk 2 (open), which only a hand-written option.dat holds, has no item
// in the combo: the combo then shows nothing and the value stays unless
// the user chooses an item.
#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TQorConnGeneral;
class TQorOption;
class TQorUncachePage;

class TOptionDlg : public QDialog {
    Q_OBJECT
public:
    // Clears the history or the cache; sets `done` (false on entry) when it
    // did, and the button then turns itself off.
    using TClearEvent = std::function<void(TOptionDlg* sender, bool& done)>;

    explicit TOptionDlg(QWidget* parent = nullptr);

    TQorOption* Option = nullptr;
    TQorConnGeneral* Conn = nullptr;
    TQorUncachePage* Uncache = nullptr; // edited by "対象外ページ"
    TClearEvent OnClearHistory;
    TClearEvent OnClearCache;

    // Shows a refusal (CP932); an error box unless a test replaces it.
    std::function<void(const std::string& message)> OnError;
    // Runs the never-cache editor; a test may replace it.
    std::function<void(TQorUncachePage* list)> OnEditUncache;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EnsureFilled();
    void Store();
    void UpdateLoadFolder();

    QTabWidget* pgcOption;
    QComboBox* cmbDblClk;
    QLineEdit* edtHistoryDay;
    QCheckBox* chkUseCache;
    QLineEdit* edtCacheSize;
    QLineEdit* edtModifyLimit;
    QPushButton* btnClearHistory;
    QPushButton* btnClearCache;
    QPushButton* btnUncache;
    QLineEdit* edtLoadCount;
    QComboBox* cmbLoadStart;
    QLabel* lblLoadFolder;
    QLineEdit* edtLoadFolder;
    QCheckBox* chkAutoClose;
    QCheckBox* chkDirReapp;
    QLineEdit* edtUnreachSave;
    QLineEdit* edtRetryWait;
    QCheckBox* chkUseProxy;
    QLineEdit* edtTimeout;
    QCheckBox* chkRedirect;
    QCheckBox* chkAutoReferer;
    QCheckBox* chkKeepAlive;
    QLineEdit* edtUserAgent;
    QCheckBox* chkSearchAnchor;
    QCheckBox* chkSearchFile;
    QCheckBox* chkShowAnchor;
    QCheckBox* chkHideStart;
    QCheckBox* chkShowTray;
    bool filled_ = false;
};

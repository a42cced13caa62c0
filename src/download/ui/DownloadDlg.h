#pragma once
// A download window: one download queue with its options, its save folders
// and, optionally, a cascade download feeding it. Starts paused; the run
// button (Ctrl+R) checks the save folder (and the cascade's fields) and runs
// the queue with the set number of parallel transfers. Closing it puts its
// unfinished rows in the unfinished-file list and writes that list to the
// data folder at once, so they survive a later crash of the program.
//
// The rows are shown by a TDownloadListModel; transfer threads never reach a
// widget. Top-level, frees itself when closed.
#include "download/QorDownloadList.h"
#include "download/SaveDirList.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTableView;
class QToolBar;
class QToolButton;
class TCascadeLoader;
class TDownloadListModel;
class TFileFilter;
class TFilePropDlgManager;
class TQorConnGeneral;
class TQorFile;
class TQorUnreachList;
class TSeOleTarget;

class TDownloadDlg : public QWidget {
    Q_OBJECT
public:
    using TCloseEvent = std::function<void(TDownloadDlg* sender)>;
    using TKeyEvent = std::function<void(TDownloadDlg* sender, int key, Qt::KeyboardModifiers modifiers)>;

    TDownloadDlg(int windowNumber, int retryWait, bool dirReapp, bool autoClose, QWidget* parent = nullptr);
    ~TDownloadDlg() override;

    int LoadCount = 1;
    bool Paused = true;
    std::string DataPath;
    TCloseEvent OnCloseWindow;
    std::string StartFolder;
    std::string CachePath;
    std::unique_ptr<TFilePropDlgManager> PropDlgManager;
    TQorUnreachList* UnreachList = nullptr; // not owned
    TFileFilter* FileFilter = nullptr;      // not owned
    const int WindowNumber;
    TKeyEvent OnKeyForward;
    TCascadeLoader* Loader = nullptr;
    int SuccessCount = 0;
    int FailCount = 0;

    void SetDataPath(const std::string& path);
    void SetCachePath(const std::string& path);
    void SetLoadCount(int count);
    void SetRunState(bool paused);
    // Keeps the filter and fills the cascade's extension box with its names;
    // called again whenever the filters change.
    void SetFileFilter(TFileFilter* filter);
    void SetConn(const TQorConnGeneral* conn);

    void AddFile(const TQorFile* file);
    void AddURL(const std::string& text);
    void StartDownload();
    void StartWithFolder(const std::string& folder);
    void PrepareCascade(const std::string& url);
    void SelectExt(int index);
    void UpdateCaption();
    void UpdateActions();

    void LoadSaveDirList();
    bool CheckSaveDir(std::string& folder);
    void SaveSaveDirList();

    TQorDownloadList& Queue() { return *pdlListData; }
    TDownloadListModel* Model() const { return model_; }
    QString PanelText(int panel) const;
    // The queue rows selected in the view.
    std::vector<TQorDownloadRow*> SelectedRows() const;

    // Controls.
    QToolBar* tbMain;
    QAction* tbbSuspend;
    QAction* tbbURLInput;
    QAction* tbbPaste;
    QAction* tbbDelete;
    QAction* tbbSelectAll;
    QAction* tbbDownload;
    QAction* tbbFailToWait;
    QAction* tbbSelSaveDir;
    QAction* tbbSetRunCount;
    QAction* tbbProp;
    QAction* actDropDown;
    QAction* actClose;
    QTabWidget* pgcMain;
    QTableView* pdlList;
    QComboBox* cmbSaveDir;
    QToolButton* tbbBrowse;
    QPushButton* btnCancel;
    QCheckBox* chkAutoClose;
    QLineEdit* edtDlCount;
    QCheckBox* chkFileSize;
    QLineEdit* edtFileSize;
    QRadioButton* radFileSizeDown;
    QRadioButton* radFileSizeUp;
    QCheckBox* chkDirReapp;
    QCheckBox* chkDoCascade;
    QLabel* lblStartURL;
    QLineEdit* edtStartURL;
    QLineEdit* edtPageQuery;
    QLineEdit* edtFileQuery;
    QComboBox* cmbExt;
    QLineEdit* edtCascade;
    QRadioButton* radPathAll;
    QRadioButton* radPathStartBelow;
    QRadioButton* radPathStartOnly;
    QStatusBar* stbLoad;
    TSeOleTarget* sotTarget;
    std::unique_ptr<TQorConnGeneral> pcgConn;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QWidget* BuildFileTab();
    QWidget* BuildOptionTab();
    QWidget* BuildCascadeTab();
    QAction* Command(const char* name, const char* caption, const QKeySequence& key, void (TDownloadDlg::*slot)());
    void ShowError(const QString& message);
    void FillSaveDirBox();
    void CaptionLater();
    void SetPanelText(int panel, const QString& text);
    void ShowLater();
    void ShowPending();

    void tbbSuspendClick();
    void tbbURLInputClick();
    void tbbPasteClick();
    void tbbDeleteClick();
    void tbbSelectAllClick();
    void tbbDownloadClick();
    void tbbFailToWaitClick();
    void tbbSelSaveDirClick();
    void tbbSetRunCountClick();
    void tbbPropClick();
    void tbbBrowseClick();
    void actDropDownClick();
    void actCloseClick();
    void chkDoCascadeClick();
    void SetCascadeControls(bool enabled);
    void SetSizeControls(bool enabled);
    bool CheckCascade();
    void StartCascade();
    void LoaderTerminate(TCascadeLoader* sender);

    void pdlListLoaded(bool success, TQorFile* file);
    void pdlListProcessed();

    std::unique_ptr<TQorDownloadList> pdlListData;
    TDownloadListModel* model_ = nullptr;
    TSaveDirList saveDirs_;
    QLabel* panels_[2] = {nullptr, nullptr};
    QString panelTexts_[2];
    bool panelPending_[2] = {false, false};
    bool closing_ = false;
    bool captionPending_ = false;
    bool showPending_ = false;
};

#pragma once
// The main window: the load manager and the browsing views. Every request
// for a page (typed, dropped, clicked, back/forward, update, the command
// line) becomes one load, and when it ends OnLoaded shows the page in the
// page tree, the history, the file list and the source view at once.
//
// Re-entry: the download question and the credentials dialog are asked on
// the main thread while a load thread waits for the answer. While such a
// box (or any other modal box of the window) is open, new loads, Stop and
// folder-monitor reloads are refused and a close is put off until the box
// has closed (the box is cancelled), so no wait of the main thread can wait
// for a thread that waits for the box.
//
// The page shown is kept in ShownPage: update, the character-set reload
// and the other commands on "the current page" act on it, not on a load
// that was cancelled.
//
// Main thread only.
#include "download/QorUnreachList.h"
#include "download/ui/DownloadWndManager.h"
#include "engine/FavoriteManager.h"
#include "engine/FileFilter.h"
#include "engine/QorAuthStore.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorFile.h"
#include "engine/QorLoadManager.h"
#include "engine/QorOption.h"
#include "engine/QorURLReplace.h"
#include "engine/QorUncachePage.h"
#include "engine/Setting.h"
#include "engine/YarvCommandRules.h"
#include "engine/ui/FilePropDlgManager.h"
#include "platform/DirMonitor.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSplitter;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class QToolBar;
class QTreeView;
class TDownloadDlg;
class TFavoriteMenuFiller;
class TYarvCommands;
class TPreviewWnd;
class TQorAddressBar;
class TQorFileImage;
class TQorFileList;
class TQorHistoryTree;
class TQorPageNode;
class TQorWebTree;
class TSeOleTarget;
class TUnreachListModel;

class TYarvWnd : public QMainWindow {
    Q_OBJECT

public:
    // `startURL`: the address opened on first show (empty: none).
    explicit TYarvWnd(std::string startURL = {}, QWidget* parent = nullptr);
    ~TYarvWnd() override;

    // The data folder could not be made: the program shows string 55 and
    // ends (ShowInitError) instead of showing the window.
    bool InitFailed() const { return Setting->InitError; }
    void ShowInitError();
    // Whether the window is to be shown at start (HideStart needs a tray).
    bool ShowAtStart() const;

    void OpenAddress(const std::string& text);
    void OpenURL(const std::string& url, int origin, bool bypassCache = false);
    void ShowStatus(const std::string& text);
    void ShowLocation(const TQorFile* file);
    void ApplyOptions();
    TDownloadDlg* NewDownloadWindow();
    void DownloadResponse(const TQorFile& file);
    void CloseChildWindows();
    void SaveWindowState();

    // Commands.
    void UpdatePage();
    void BackPage();
    void ForwardPage();
    void StopLoad();
    void CharsetReload(int item);
    bool HideWindow(); // false: refused, there is no way back without a tray
    void ShowMainWindow();
    void OpenThisPage();
    void OpenByBrowserCmd();
    void PreviewCmd();
    void PropertyCmd();     // the selected record's, else the page's
    void PagePropertyCmd();
    void ExportURL(bool toFile);
    void MakeRoot();
    void CopyCmd();
    void CutCmd();
    void PasteCmd();        // into a folder listing only
    void DeleteCmd();
    void Reset();           // the views and back/forward; the history stays
    void ToggleShowAnchor();
    void CascadeCmd();
    void AddFavorite();     // saved at once; its item has no key until a rebuild
    void OptimizeFavorites();
    void RebuildFavoriteMenu();
    void OptionCmd();
    void FileFilterCmd();
    void ProxyEditCmd();
    void URLReplaceCmd();
    void HelpContents();
    void TrayExit();        // refused while a modal box is open
    // Ctrl+M, Ctrl+[ and Ctrl+] of the main, preview and download windows.
    bool GlobalKey(int key, Qt::KeyboardModifiers modifiers);
    // Builds the window-specific download submenu.
    void FillWindowMenu(QMenu* menu);
    void DownloadToWindow(TDownloadDlg* dlg);
    // The manual: <exe folder>manual\index.html.
    static std::string ManualPath();
    // The commands' view of the window now.
    TYarvCommandState CommandState() const;
    // The selected record of the focused view, or none.
    const TQorFile* SelectedRecord() const;
    // Applies the command rules (coalesced to one pass per event loop turn).
    void RequestUpdate();
    void UpdateActions();
    // A list file that could not be written (CP932 message); an error box
    // unless a test replaces it.
    std::function<void(const std::string& message)> OnSaveError;

    // View interaction.
    void OpenChildPage(const TQorFile& file, bool bypassCache);
    void ExecuteLocalFile(const TQorFile& file);
    void RefuseLocalAccess();
    void ShowListStatus();
    void ShowUnreachStatus();
    void OpenCommand();

    // State.
    int LoadOrigin = 0;
    int LastOrigin = 0;
    int PageIcon = -1;
    std::string LastPageURL;
    std::string StartURL;
    bool DownloadInstead = false;
    bool SkipTreeClick = false;
    bool MonitorReload = false;
    bool NoPage = true;
    // After a load's end has shown its page (file list, tree, status).
    std::function<void()> OnPageShown;
    int TrayState = 0;
    Qt::KeyboardModifiers ShiftState;
    std::unique_ptr<TDirMonitor> DirMonitor;
    TQorFile ShownPage;  // the page the views show
    int ModalDepth() const { return modal_; }

    // Components.
    std::unique_ptr<TSetting> Setting;
    TQorConnGeneral pcgConn;
    TQorURLReplace purReplace;
    TQorOption poOption;
    TQorUncachePage UncachePage;
    TFileFilter FileFilter;
    TQorUnreachList pulList;
    TDownloadWndManager DownloadWindows;
    TFilePropDlgManager PropDlgs;
    TQorAuthStore AuthStore;
    TFavoriteManager Favorites;
    TYarvCommands* Commands = nullptr;
    std::unique_ptr<TQorFileImage> pfiImage;
    std::unique_ptr<TPreviewWnd> PreviewWnd;

    // Controls (object names are these names).
    QToolBar* tbMenu;
    QMenuBar* mnuMain;
    QToolBar* tbAnimate;
    QLabel* aniLoad;
    QToolBar* tbMain;
    QToolBar* tbProxy;
    QComboBox* cmbProxy;
    QToolBar* tbAddress;
    TQorAddressBar* pabAddress;
    QSplitter* splMain;
    QTabWidget* pgcNavi;
    TQorWebTree* pwtTree;
    TQorHistoryTree* phtHistory;
    QTabWidget* pgcFile;
    QComboBox* cmbFilter;
    TQorFileList* pflFile;
    QPlainTextEdit* mmSource;
    QTreeView* plvUnreach;
    QLabel* pnlStatus;
    QLabel* pnlPageIcon;
    QLabel* pnlModified;
    QLabel* pnlEmpty;
    TSeOleTarget* sotTarget;
    QSystemTrayIcon* Tray = nullptr;

    QAction* actBackPage;
    QAction* actForwardPage;
    QAction* actStop;
    QAction* actUpdatePage;
    QAction* actShowNavi;
    QAction* actDownload;
    QAction* actCreateNullDlWnd;
    QAction* mnuFileOpen;
    QAction* mnuFileExit;
    QAction* mnuViewHideWindow;
    QMenu* mnuViewCharset;
    QMenu* mnuFavorite;
    QMenu* mnuRunWndSelDownload;
    QMenu* ppmPopup;
    QMenu* ppmTray;
    QActionGroup* grpCharset;
    QList<QAction*> mnuCharset;

    QString StatusText() const;
    TQorLoadManager& Loader() { return *plmLoader; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    QToolBar* Band(const char* name);
    void PlaceBands();
    void ReadFiles();
    void RestoreWindowState();
    void RebuildFilterBox();
    void RebuildProxyBox();
    void ActivePaneSwitch();
    void ShowRecordProperty(const std::vector<const TQorFile*>& files);
    bool SaveList(bool written, const char* name);
    QWidget* RightPaneView() const;
    void StartAnimation();
    void StopAnimation();
    void RepaintIcons();
    void SetCursorBusy(bool busy);
    void StartLoad(const TQorFile& file, int origin, bool bypassCache);
    int RunModal(QDialog& dialog);
    void AfterModal();
    bool Refusing() const;
    void DownloadSelection();

    // Load manager events.
    void plmLoaderHeading(TQorLoadThread* sender, TQorFile& file);
    void plmLoaderHead(TQorLoadThread* sender, TQorFile& file, bool textData, bool& getEntity);
    void plmLoaderLoad(TQorLoadManager* sender, const TQorFile& file);
    void plmLoaderLocalLoad(TQorLoadManager* sender, const TQorFile& file);
    void plmLoaderLoaded(TQorLoadManager* sender, int state, int reply);
    bool Authorize(const TQorFile& file, std::string& user, std::string& password);
    void MonitorChange(const std::string& path);

    // View events.
    void pwtTreeClick(const QModelIndex& index);
    void pwtTreeSelect();
    void phtHistoryClick(const QModelIndex& index);
    void phtHistorySelect();
    void pflFileDblClick();
    void pflFileDelete(bool shift);
    void pgcFileChange(int index);
    // Puts the shown page's source into its tab; a huge text takes long
    // there, so it waits until the tab is first shown.
    void ShowSource();
    void cmbFilterChange(int index);
    void cmbProxyChange(int index);
    bool TreeKey(QKeyEvent* event);
    bool HistoryKey(QKeyEvent* event);
    bool FileKey(QKeyEvent* event);
    void TreeMouseMove(const QPoint& point);
    void HistoryMouseMove(const QPoint& point);
    void FileStartDrag();

    std::string Path(const char* name) const { return Setting->DataFolder + name; }

    QList<QIcon> pageImages_;
    QTimer* animation_ = nullptr;
    int animationFrame_ = 0;
    bool updatePending_ = false;
    TFavoriteMenuFiller* favoriteFiller_ = nullptr;
    QAction* favoriteSeparator_ = nullptr;
    QMenu* popWndSelDownload_ = nullptr;
    QList<QMenu*> exportMenus_;
    TUnreachListModel* unreachModel_ = nullptr;
    QPoint treePress_, historyPress_;
    int modal_ = 0;
    bool closePending_ = false;
    bool closed_ = false;
    bool stateSaved_ = false;
    bool firstShow_ = true;
    bool busyCursor_ = false;
    // The source tab's text, converted on a worker while the tab is hidden.
    std::future<QString> pendingSource_;
    // Last: gone first, so no load reports to a window half taken apart.
    std::unique_ptr<TQorLoadManager> plmLoader;
};

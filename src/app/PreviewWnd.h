#pragma once
// The preview window: one image file of a page, fetched into memory with a
// load manager of its own and decoded with the image plug-ins, or as JPEG
// when none takes it. Fitted to the window or at full size; the fetched
// bytes can be saved unchanged, the picture copied, the file fetched again.
//
// One window for the life of the program: closing only hides it. All of it
// runs on the main thread; the load manager's header event comes on its
// load thread and hands the file name over through a synchronised call.
#include "engine/QorConnGeneral.h"
#include "engine/QorLoadManager.h"
#include "picture/PluginManager.h"

#include <QImage>
#include <QMainWindow>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QScrollArea;
class QToolBar;
class TQorFile;
class TSeOleTarget;

class TPreviewWnd : public QMainWindow {
    Q_OBJECT
public:
    using TPreviewKeyEvent = std::function<void(TPreviewWnd* sender, int key, Qt::KeyboardModifiers shift)>;

    // The largest body the window takes into memory.
    static constexpr int64_t kMaxPreviewBytes = 64 * 1024 * 1024;

    // `pluginFolder`: Windows form ("C:\...\Plugin\").
    explicit TPreviewWnd(const std::string& pluginFolder, QWidget* parent = nullptr);
    ~TPreviewWnd() override;

    // Copies the main window's connection settings.
    void SetConn(const TQorConnGeneral& settings);
    void SetStretch(bool value);
    void SetTopMost(bool value);
    bool GetStretch() const { return Stretch; }
    bool GetTopMost() const { return TopMost; }
    // Previews a record; with `onlyIfNew` nothing happens when its address
    // is the one shown.
    void ShowFile(const TQorFile& file, bool onlyIfNew);

    // After the window's own key handling every key press goes here.
    TPreviewKeyEvent OnPreviewKeyDown;
    // Turns a dropped text (its first line) into an address; the main
    // window binds its own. Without it a local path (Windows or POSIX form)
    // stays a local path and an Internet shortcut file gives its URL entry.
    std::function<std::string(const std::string& text)> PathToURL;

    // State, for the main window and the tests.
    const std::string& GetMemory() const { return Memory; }
    const std::string& GetPreviewName() const { return PreviewName; }
    const std::string& GetCurrentURL() const { return CurrentURL; }
    QString PanelText(int panel) const; // status panels 0 and 1
    QImage ShownImage() const { return shown_; }
    TPluginManager& Plugins() { return *PluginManager; }

    // Where the picture goes in a box of the given size. Scale is
    // ScaleNum / ScaleDen; Percent its hundredfold rounded up. With Keep the
    // image keeps its place (a box of no width or height).
    struct TLayout {
        int Left = 0, Top = 0, Width = 0, Height = 0;
        int64_t ScaleNum = 1, ScaleDen = 1;
        int Percent = 100;
        bool Keep = false;
    };
    static TLayout ComputeLayout(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight,
                                 bool stretch);
    static QString ZoomText(const TLayout& layout) { return QString::number(layout.Percent) + "%"; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void LoadFile(const TQorFile& file);
    void LoadLocalFile(const TQorFile& file);
    std::string ShowImage();
    void LayoutImage();
    void SetCanSave(bool value);
    void plmLoaderHead(TQorLoadThread* sender, TQorFile& file, bool textData, bool& getEntity);
    void plmLoaderReceiveData(TInetBase* sender, int count);
    void plmLoaderLoaded(TQorLoadManager* sender, int state, int reply);
    void SetPanel(int panel, const std::string& cp932);
    void sotTargetDropURL(TSeOleTarget* sender, const std::string& text);

    void actSaveExecute();
    void actCopyExecute();
    void actStretchExecute();
    void actTopMostExecute();
    void actRefreshExecute();

    std::string Memory;
    bool Stretch = true;
    bool TopMost = true;
    std::string PreviewName;
    std::string CurrentURL;

    QToolBar* tbPrev = nullptr;
    QScrollArea* scbBase = nullptr;
    QWidget* pnlCanvas = nullptr; // the scroll box's content
    QLabel* imgImage = nullptr;
    QLabel* pnlStatus = nullptr;
    QLabel* pnlZoom = nullptr;
    QMenu* ppmPopup = nullptr;
    QFileDialog* dlgSave = nullptr;
    TSeOleTarget* sotTarget = nullptr; // accepts files as well as text
    QAction* actClose = nullptr;
    QAction* actSave = nullptr;
    QAction* actCopy = nullptr;
    QAction* actStretch = nullptr;
    QAction* actTopMost = nullptr;
    QAction* actRefresh = nullptr;

    QImage shown_;
    bool changingFlags_ = false;
    // Set on the load thread when the body passes kMaxPreviewBytes.
    std::atomic<bool> tooLarge_{false};
    std::atomic<int64_t> received_{0};

    std::unique_ptr<TPluginManager> PluginManager;
    TQorConnGeneral pcgConn;
    // Last: gone first, so no load reports to a window half taken apart.
    std::unique_ptr<TQorLoadManager> plmLoader;
};

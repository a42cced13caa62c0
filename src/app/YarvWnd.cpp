#include "app/YarvWnd.h"

#include "app/PreviewWnd.h"
#include "app/UnreachListModel.h"
#include "download/ui/DownloadDlg.h"
#include "engine/ConnectReason.h"
#include "engine/LoadCycleRules.h"
#include "engine/PathToURL.h"
#include "engine/QorPageItems.h"
#include "engine/ViewRules.h"
#include "engine/ui/QorAuthorDlg.h"
#include "engine/ui/URLInputWnd.h"
#include "engine/ui/VersionDlg.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"
#include "shell/DefaultMailer.h"
#include "shell/QtText.h"
#include "shell/SeOleDropSource.h"
#include "shell/SeOleTarget.h"
#include "shell/ShellObject.h"
#include "views/QorAddressBar.h"
#include "views/QorFileImage.h"
#include "views/QorFileList.h"
#include "views/QorHistoryTree.h"
#include "views/QorWebTree.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString S(int id) { return TQtText::ToQ(TStringTable::Get(id)); }

// Frames of the load animation (the band shows one at a time).
const char* const kFrames[] = {"◐", "◓", "◑", "◒"};

QList<QIcon> PageImages(const QStyle* style) {
    return {style->standardIcon(QStyle::SP_DriveNetIcon),          style->standardIcon(QStyle::SP_FileIcon),
            style->standardIcon(QStyle::SP_FileDialogContentsView), style->standardIcon(QStyle::SP_MessageBoxCritical),
            style->standardIcon(QStyle::SP_DriveHDIcon),            style->standardIcon(QStyle::SP_FileIcon),
            style->standardIcon(QStyle::SP_BrowserReload)};
}

} // namespace

TYarvWnd::TYarvWnd(std::string startURL, QWidget* parent)
    : QMainWindow(parent), DirMonitor(std::make_unique<TDirMonitor>()),
      plmLoader(std::make_unique<TQorLoadManager>()) {
    setObjectName("YarvWnd");
    const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize();
    Setting = std::make_unique<TSetting>(screen.width(), screen.height());
    StartURL = TSjisText::Trim(startURL);
    if (Setting->InitError) return;

    pcgConn.SetRedirect(true);
    pcgConn.SetAutoReferer(true);
    pcgConn.SetUserAgent("Vorlen/2.2");
    plmLoader->Conn = &pcgConn;
    plmLoader->CheckModify = true;
    plmLoader->SetReplacer(&purReplace);
    plmLoader->SetCachePath(Setting->CacheFolder);
    UncachePage.FilePath = Path("uncache.dat");
    plmLoader->SetUncachePage(&UncachePage);
    plmLoader->OnHeading = [this](TQorLoadThread* s, TQorFile& f) { plmLoaderHeading(s, f); };
    plmLoader->OnHead = [this](TQorLoadThread* s, TQorFile& f, bool text, bool& get) { plmLoaderHead(s, f, text, get); };
    plmLoader->OnLoad = [this](TQorLoadManager* s, const TQorFile& f) { plmLoaderLoad(s, f); };
    plmLoader->OnLocalLoad = [this](TQorLoadManager* s, const TQorFile& f) { plmLoaderLocalLoad(s, f); };
    plmLoader->OnFindCache = plmLoader->OnLocalLoad;
    plmLoader->OnLoaded = [this](TQorLoadManager* s, int state, int reply) { plmLoaderLoaded(s, state, reply); };
    plmLoader->OnAuthorize = [this](const TQorFile& f, std::string& u, std::string& p) { return Authorize(f, u, p); };
    // The download windows' transfers ask through the same dialog and store.
    TQorLoadThread::DefaultAuthorize = plmLoader->OnAuthorize;

    pfiImage = std::make_unique<TQorFileImage>();
    PreviewWnd = std::make_unique<TPreviewWnd>(Setting->PluginFolder);
    PreviewWnd->PathToURL = [](const std::string& text) { return TPathToURL::Convert(TPathToURL::FirstLine(text)); };

    CreateControls();
    CreateMenus();
    pwtTree->Initialize();

    // Form creation.
    SetCursorBusy(true);
    setWindowTitle(TLoadCycleRules::AppTitle);
    poOption.LoadFromFile(Path("option.dat"));
    ApplyOptions();
    RestoreWindowState();
    ReadFiles();
    RebuildFilterBox();
    RebuildProxyBox();
    phtHistory->SetPath(Setting->HistoryFolder);
    phtHistory->Read();
    SetCursorBusy(false);

    Favorites.LoadFromFile(Path("favorite.dat"));
    RebuildFavoriteMenu();
    UpdateActions();
}

TYarvWnd::~TYarvWnd() {
    // ~QWidget hides the window, which moves the focus: the handler must not
    // run on a window whose members are gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    if (TQorLoadThread::DefaultAuthorize && plmLoader) TQorLoadThread::DefaultAuthorize = nullptr;
    if (Setting->InitError) return;
    plmLoader->Cancel();
    CloseChildWindows();
    SaveWindowState();
    DirMonitor.reset();
}

void TYarvWnd::ShowInitError() {
    QMessageBox box(QMessageBox::Critical, S(14), S(55), QMessageBox::Ok);
    box.exec();
}

bool TYarvWnd::ShowAtStart() const {
    // Hidden at start only when the tray can bring the window back.
    return !(poOption.HideStart && Tray && Tray->isVisible());
}

// ---------------------------------------------------------------- layout

QToolBar* TYarvWnd::Band(const char* name) {
    auto* band = new QToolBar(this);
    band->setObjectName(name);
    band->setFloatable(false);
    band->toggleViewAction()->setVisible(false);
    return band;
}

void TYarvWnd::CreateControls() {
    pageImages_ = PageImages(style());

    tbMenu = Band("tbMenu");
    mnuMain = new QMenuBar(tbMenu);
    mnuMain->setObjectName("mnuMain");
    mnuMain->setNativeMenuBar(false);
    tbMenu->addWidget(mnuMain);

    tbAnimate = Band("tbAnimate");
    aniLoad = new QLabel(tbAnimate);
    aniLoad->setObjectName("aniLoad");
    aniLoad->setFixedWidth(24);
    aniLoad->setAlignment(Qt::AlignCenter);
    aniLoad->setText(U(kFrames[0]));
    tbAnimate->addWidget(aniLoad);
    animation_ = new QTimer(this);
    animation_->setInterval(120);
    connect(animation_, &QTimer::timeout, this, [this] {
        animationFrame_ = animationFrame_ % 3 + 1; // frames after the first, repeating
        aniLoad->setText(U(kFrames[animationFrame_]));
    });

    tbMain = Band("tbMain");
    tbMain->setToolButtonStyle(Qt::ToolButtonIconOnly);

    tbProxy = Band("tbProxy");
    auto* proxyLabel = new QLabel(U("プロキシ(&P):"), tbProxy);
    cmbProxy = new QComboBox(tbProxy);
    cmbProxy->setObjectName("cmbProxy");
    cmbProxy->setMinimumContentsLength(12);
    proxyLabel->setBuddy(cmbProxy);
    tbProxy->addWidget(proxyLabel);
    tbProxy->addWidget(cmbProxy);
    connect(cmbProxy, &QComboBox::activated, this, &TYarvWnd::cmbProxyChange);

    tbAddress = Band("tbAddress");
    pabAddress = new TQorAddressBar(tbAddress);
    pabAddress->setObjectName("pabAddress");
    pabAddress->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Its box would ask for room for a long address; the band decides.
    pabAddress->setMinimumWidth(160);
    tbAddress->addWidget(pabAddress);
    pabAddress->OnSelect = [this](TQorAddressBar* bar, const std::string& address) {
        pabAddress->SaveToFile(Path("address.dat"));
        const bool shift = bar->ShiftState.testFlag(Qt::ShiftModifier);
        bar->ShiftState = {};
        if (shift) {
            // Bypassing the cache: OpenAddress decides what the text is first.
            const std::string url = TPathToURL::Convert(TPathToURL::FirstLine(address));
            TQorFile file(url);
            if (TLoadCycleRules::OpensAsPage(file)) {
                OpenURL(url, loNewRoot, true);
                return;
            }
        }
        OpenAddress(address);
    };

    // Navigation pane.
    splMain = new QSplitter(Qt::Horizontal, this);
    splMain->setObjectName("splMain");
    splMain->setChildrenCollapsible(false);
    pgcNavi = new QTabWidget(splMain);
    pgcNavi->setObjectName("pgcNavi");
    pwtTree = new TQorWebTree(pgcNavi);
    pwtTree->setObjectName("pwtTree");
    pwtTree->SetImages(pageImages_);
    phtHistory = new TQorHistoryTree(pgcNavi);
    phtHistory->setObjectName("phtHistory");
    phtHistory->setRootIsDecorated(false);
    pgcNavi->addTab(pwtTree, S(1));
    pgcNavi->addTab(phtHistory, U("履歴"));

    // Right pane.
    pgcFile = new QTabWidget(splMain);
    pgcFile->setObjectName("pgcFile");
    auto* fileTab = new QWidget(pgcFile);
    fileTab->setObjectName("tshFile");
    auto* filterLabel = new QLabel(U("表示する種類(&L):"), fileTab);
    cmbFilter = new QComboBox(fileTab);
    cmbFilter->setObjectName("cmbFilter");
    cmbFilter->setMinimumContentsLength(16);
    filterLabel->setBuddy(cmbFilter);
    pflFile = new TQorFileList(fileTab);
    pflFile->setObjectName("pflFile");
    pflFile->SetFileImage(pfiImage.get());
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(cmbFilter);
    filterRow->addStretch();
    auto* fileLayout = new QVBoxLayout(fileTab);
    fileLayout->setContentsMargins(2, 2, 2, 2);
    fileLayout->addLayout(filterRow);
    fileLayout->addWidget(pflFile, 1);
    mmSource = new QPlainTextEdit(pgcFile);
    mmSource->setObjectName("mmSource");
    mmSource->setReadOnly(true);
    mmSource->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmSource->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mmSource->setTabStopDistance(QFontMetricsF(mmSource->font()).horizontalAdvance(' ') * 8);
    plvUnreach = new QTreeView(pgcFile);
    plvUnreach->setObjectName("plvUnreach");
    plvUnreach->setRootIsDecorated(false);
    plvUnreach->setSelectionMode(QAbstractItemView::ExtendedSelection);
    unreachModel_ = new TUnreachListModel(pulList, this);
    plvUnreach->setModel(unreachModel_);
    pgcFile->addTab(fileTab, S(1007));
    pgcFile->addTab(mmSource, U("ソース"));
    pgcFile->addTab(plvUnreach, U("未完了ファイル"));
    splMain->addWidget(pgcNavi);
    splMain->addWidget(pgcFile);
    splMain->setStretchFactor(1, 1);
    setCentralWidget(splMain);

    // Status bar.
    auto* bar = new QStatusBar(this);
    bar->setObjectName("stbMain");
    pnlStatus = new QLabel(bar);
    pnlStatus->setObjectName("pnlStatus");
    pnlStatus->setTextFormat(Qt::PlainText);
    pnlStatus->setMinimumWidth(1);
    pnlStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(pnlStatus, 1);
    for (QLabel** panel : {&pnlPageIcon, &pnlModified, &pnlEmpty}) {
        *panel = new QLabel(bar);
        (*panel)->setFixedWidth(22);
        bar->addPermanentWidget(*panel);
    }
    pnlPageIcon->setObjectName("pnlPageIcon");
    pnlModified->setObjectName("pnlModified");
    pnlEmpty->setObjectName("pnlEmpty");
    setStatusBar(bar);

    sotTarget = new TSeOleTarget(this);
    sotTarget->NoFile = false;
    sotTarget->OnDropURL = [this](TSeOleTarget*, const std::string& text) { OpenAddress(text); };

    // View events.
    connect(pwtTree, &QAbstractItemView::clicked, this, &TYarvWnd::pwtTreeClick);
    connect(pwtTree->selectionModel(), &QItemSelectionModel::currentChanged, this, &TYarvWnd::pwtTreeSelect);
    connect(phtHistory, &QAbstractItemView::clicked, this, &TYarvWnd::phtHistoryClick);
    connect(phtHistory->selectionModel(), &QItemSelectionModel::currentChanged, this, &TYarvWnd::phtHistorySelect);
    connect(pflFile->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TYarvWnd::ShowListStatus);
    connect(pflFile, &QAbstractItemView::doubleClicked, this, &TYarvWnd::pflFileDblClick);
    connect(plvUnreach->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        for (int i = 0; i < pulList.Count(); ++i)
            pulList.SetSelected(i, plvUnreach->selectionModel()->isRowSelected(i, {}));
        ShowUnreachStatus();
    });
    connect(pgcFile, &QTabWidget::currentChanged, this, &TYarvWnd::pgcFileChange);
    connect(cmbFilter, &QComboBox::activated, this, &TYarvWnd::cmbFilterChange);
    pwtTree->OnDragReady = [this](TQorWebTree* tree) {
        TQorPageNode* node = tree->SelectedNode();
        if (QApplication::keyboardModifiers().testFlag(Qt::AltModifier) || !node || !TQorWebTree::GetFileInfo(node))
            return;
        sotTarget->NoAccept = true;
        tree->StartDrag(node);
        sotTarget->NoAccept = false;
    };
    pflFile->OnStartDrag = [this](TQorFileList*) { FileStartDrag(); };
    // Rows built in the background come after the load's end.
    pflFile->OnListShown = [this](TQorFileList*) {
        if (!plmLoader->Loading) UpdateActions();
    };
    pflFile->OnCheck = [this](TQorFileList*, bool& allow) {
        allow = plmLoader->LocalList;
        if (!allow) RefuseLocalAccess();
    };
    for (QWidget* view : {static_cast<QWidget*>(pwtTree), static_cast<QWidget*>(phtHistory),
                          static_cast<QWidget*>(pflFile)}) {
        view->installEventFilter(this);
        static_cast<QAbstractScrollArea*>(view)->viewport()->installEventFilter(this);
    }
    pabAddress->GetHandle()->installEventFilter(this);
}

void TYarvWnd::PlaceBands() {
    QToolBar* bands[TWindowPosInfo::BandCount] = {tbMenu, tbAnimate, tbMain, tbProxy, tbAddress};
    for (QToolBar* band : bands) removeToolBar(band);
    const TWindowPosInfo* pos = Setting->PosInfo.get();
    for (int i = 0; i < TWindowPosInfo::BandCount; ++i) {
        const TWindowBandInfo info = pos ? pos->Bands[i] : TWindowBandInfo{i, i != 1 && i != 4, 0};
        QToolBar* band = bands[std::clamp(info.ID, 0, TWindowPosInfo::BandCount - 1)];
        if (i > 0 && info.Break) addToolBarBreak();
        addToolBar(Qt::TopToolBarArea, band);
        band->setMinimumWidth(std::max(0, info.Width));
        band->show();
    }
}

void TYarvWnd::RestoreWindowState() {
    TWindowPosInfo* pos = Setting->PosInfo.get();
    if (pos) pos->Load();
    PlaceBands();
    if (!pos) return;
    setGeometry(pos->MainLeft, pos->MainTop, pos->MainWidth, pos->MainHeight);
    if (pos->MainState == 2) setWindowState(Qt::WindowMaximized);
    splMain->setSizes({pos->NaviWidth, std::max(1, pos->MainWidth - pos->NaviWidth)});
    for (int i = 0; i < 4; ++i) pflFile->setColumnWidth(i, pos->FileCol[i]);
    pflFile->SetActiveCol(pos->FileActiveCol);
    pflFile->SetSortOrder(pos->FileSortOrder);
    actShowNavi->setChecked(pos->ShowNavi);
    pgcNavi->setVisible(pos->ShowNavi);
    for (int i = 0; i < 6; ++i) plvUnreach->setColumnWidth(i, pos->UnreachCol[i]);
    PreviewWnd->setGeometry(pos->PrevLeft, pos->PrevTop, pos->PrevWidth, pos->PrevHeight);
    PreviewWnd->SetStretch(pos->PrevStretch);
    PreviewWnd->SetTopMost(pos->PrevTopMost);
}

void TYarvWnd::ReadFiles() {
    pcgConn.LoadFromFile(Path("connect.dat"));
    pabAddress->LoadFromFile(Path("address.dat"));
    FileFilter.LoadFromFile(Path("ffilter.dat"));
    purReplace.LoadFromFile(Path("urlrep.dat"));
    pulList.SaveDay = poOption.UnreachSave;
    pulList.LoadFromFile(Path("unreach.dat"));
    UncachePage.LoadFromFile();
    Setting->ProxyManager->LoadFromFile(Path("proxy.dat"));
    PreviewWnd->SetConn(pcgConn);
}

void TYarvWnd::RebuildFilterBox() {
    cmbFilter->clear();
    cmbFilter->addItem(S(39));
    for (int i = 0; i < FileFilter.Count(); ++i) cmbFilter->addItem(TQtText::ToQ(FileFilter.GetItem(i)->Name));
    cmbFilter->setCurrentIndex(0);
    pflFile->SetFilterExtensions({});
}

void TYarvWnd::RebuildProxyBox() {
    cmbProxy->clear();
    for (const std::string& entry : Setting->ProxyManager->GetBoxEntries()) cmbProxy->addItem(TQtText::ToQ(entry));
    cmbProxy->setCurrentIndex(0);
}

void TYarvWnd::ApplyOptions() {
    SetCursorBusy(true);
    plmLoader->UseCache = poOption.UseCache;
    plmLoader->SetCacheSize(poOption.CacheSize);
    plmLoader->ModifyLimit = poOption.ModifyLimit;
    plmLoader->SearchAnchorStr = poOption.ShowAnchor;
    plmLoader->PageItems->SearchAnchor = poOption.SearchAnchor;
    plmLoader->PageItems->SearchFile = poOption.SearchFile;
    phtHistory->SetSaveDay(poOption.HistoryDay);
    pulList.SaveDay = poOption.UnreachSave;
    pwtTree->SetShowAnchor(poOption.ShowAnchor);
    pflFile->SetShowAnchor(poOption.ShowAnchor);
    pflFile->UpdateItemText();
    pwtTree->UpdateNodeText();
    if (poOption.ShowTray && QSystemTrayIcon::isSystemTrayAvailable() && (TrayState == 0 || TrayState == 2)) {
        if (!Tray) {
            Tray = new QSystemTrayIcon(windowIcon().isNull() ? pageImages_[0] : windowIcon(), this);
            Tray->setToolTip(TLoadCycleRules::AppTitle);
            Tray->setContextMenu(ppmTray);
            connect(Tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) ShowMainWindow();
            });
        }
        Tray->show();
        TrayState = 1;
    } else if (!poOption.ShowTray && TrayState == 1) {
        Tray->hide();
        TrayState = 2;
        if (isHidden() && !closed_) show(); // the tray was the way back
    }
    SetCursorBusy(false);
}

// ---------------------------------------------------------------- state

void TYarvWnd::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!firstShow_) return;
    firstShow_ = false;
    pabAddress->SetFocus();
    pwtTree->ShiftState = {};
    phtHistory->ShiftState = {};
    pabAddress->ShiftState = {};
    if (!StartURL.empty()) {
        const std::string url = TPathToURL::Convert(StartURL);
        StartURL.clear();
        // After the window is up, so the first page shows in a painted window.
        QTimer::singleShot(0, this, [this, url] { OpenURL(url, loNewRoot); });
    }
}

void TYarvWnd::closeEvent(QCloseEvent* event) {
    if (modal_ > 0) {
        // The box that is open waits on a load thread or is waited on by
        // one: answer it with its cancel, and close once it is gone.
        closePending_ = true;
        event->ignore();
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
        return;
    }
    closed_ = true;
    plmLoader->Cancel();
    DirMonitor->Stop();
    CloseChildWindows();
    SaveWindowState();
    if (Tray) Tray->hide();
    event->accept();
}

void TYarvWnd::CloseChildWindows() {
    while (DownloadWindows.Count() > 0) {
        TDownloadDlg* dlg = DownloadWindows.Get(0);
        dlg->hide();
        DownloadWindows.Remove(dlg);
        dlg->close();
    }
    PropDlgs.CloseAll();
    if (PreviewWnd) PreviewWnd->hide();
}

void TYarvWnd::SaveWindowState() {
    if (stateSaved_ || Setting->InitError) return;
    stateSaved_ = true;
    if (TWindowPosInfo* pos = Setting->PosInfo.get()) {
        const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
        pos->MainLeft = normal.left();
        pos->MainTop = normal.top();
        pos->MainWidth = normal.width();
        pos->MainHeight = normal.height();
        pos->MainState = isMaximized() ? 2 : isMinimized() ? 1 : 0;
        if (pgcNavi->isVisible() || pgcNavi->width() > 0) pos->NaviWidth = splMain->sizes().value(0, pos->NaviWidth);
        for (int i = 0; i < 4; ++i) pos->FileCol[i] = pflFile->columnWidth(i);
        pos->FileActiveCol = pflFile->GetActiveCol();
        pos->FileSortOrder = pflFile->GetSortOrder();
        pos->ShowNavi = actShowNavi->isChecked();
        for (int i = 0; i < 6; ++i) pos->UnreachCol[i] = plvUnreach->columnWidth(i);
        QToolBar* bands[TWindowPosInfo::BandCount] = {tbMenu, tbAnimate, tbMain, tbProxy, tbAddress};
        std::vector<int> order(TWindowPosInfo::BandCount);
        for (int i = 0; i < TWindowPosInfo::BandCount; ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const QPoint pa = bands[a]->geometry().topLeft(), pb = bands[b]->geometry().topLeft();
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
        for (int i = 0; i < TWindowPosInfo::BandCount; ++i) {
            QToolBar* band = bands[order[i]];
            pos->Bands[i].ID = order[i];
            pos->Bands[i].Break = i == 0 || toolBarBreak(band) ||
                                  band->geometry().top() != bands[order[i - 1]]->geometry().top();
            pos->Bands[i].Width = band->minimumWidth() > 0 ? band->width() : 0;
        }
        const QRect prev = PreviewWnd->normalGeometry().isValid() ? PreviewWnd->normalGeometry() : PreviewWnd->geometry();
        pos->PrevLeft = prev.left();
        pos->PrevTop = prev.top();
        pos->PrevWidth = prev.width();
        pos->PrevHeight = prev.height();
        pos->PrevStretch = PreviewWnd->GetStretch();
        pos->PrevTopMost = PreviewWnd->GetTopMost();
        pos->Save();
    }
    pulList.SaveToFile(Path("unreach.dat"));
}

bool TYarvWnd::HideWindow() {
    if (!Tray || !Tray->isVisible()) return false;
    hide();
    return true;
}

void TYarvWnd::keyPressEvent(QKeyEvent* event) {
    ShiftState = event->modifiers();
    QMainWindow::keyPressEvent(event);
}

void TYarvWnd::keyReleaseEvent(QKeyEvent* event) {
    ShiftState = event->modifiers();
    QMainWindow::keyReleaseEvent(event);
}

int TYarvWnd::RunModal(QDialog& dialog) {
    ++modal_;
    const int result = dialog.exec();
    --modal_;
    AfterModal();
    return result;
}

void TYarvWnd::AfterModal() {
    if (modal_ == 0 && closePending_) {
        closePending_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

bool TYarvWnd::Refusing() const { return modal_ > 0 || closed_; }

void TYarvWnd::SetCursorBusy(bool busy) {
    if (busy == busyCursor_) return;
    busyCursor_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TYarvWnd::StartAnimation() {
    animationFrame_ = 0;
    animation_->start();
}

void TYarvWnd::StopAnimation() {
    animation_->stop();
    aniLoad->setText(U(kFrames[0]));
}

void TYarvWnd::RepaintIcons() {
    if (PageIcon >= 0 && PageIcon < pageImages_.size())
        pnlPageIcon->setPixmap(pageImages_[PageIcon].pixmap(16, 16));
    else
        pnlPageIcon->clear();
    pnlModified->setPixmap(style()->standardIcon(plmLoader->Modified ? QStyle::SP_DialogYesButton
                                                                      : QStyle::SP_DialogNoButton)
                               .pixmap(16, 16, plmLoader->Modified ? QIcon::Normal : QIcon::Disabled));
}

QString TYarvWnd::StatusText() const { return pnlStatus->text(); }

void TYarvWnd::ShowStatus(const std::string& text) { pnlStatus->setText(TQtText::ToQ(text)); }

void TYarvWnd::ShowLocation(const TQorFile* file) { ShowStatus(TLoadCycleRules::LocationText(file)); }

// ---------------------------------------------------------------- loads

void TYarvWnd::OpenAddress(const std::string& text) {
    const std::string url = TPathToURL::Convert(TPathToURL::FirstLine(text));
    TQorFile file(url);
    if (TLoadCycleRules::OpensAsPage(file)) {
        OpenURL(url, loNewRoot);
    } else if (file.Kind == TQorFile::kMail) {
        TDefaultMailer().MailTo(file.URL->FileName);
    } else {
        ExecuteLocalFile(file);
    }
}

void TYarvWnd::OpenURL(const std::string& url, int origin, bool bypassCache) {
    TQorFile file(url);
    StartLoad(file, origin, bypassCache);
}

void TYarvWnd::StartLoad(const TQorFile& file, int origin, bool bypassCache) {
    if (Refusing() || plmLoader->DisableOpen) return;
    LoadOrigin = origin;
    plmLoader->UnreadCache = bypassCache;
    plmLoader->Load(&file);
    plmLoader->UnreadCache = false;
}

void TYarvWnd::UpdatePage() {
    if (NoPage || ShownPage.Kind == TQorFile::kMail) return;
    if (Refusing() || plmLoader->DisableOpen) return;
    pwtTree->SetTargetNode(pwtTree->CurrentNode());
    TQorFile page;
    page.Assign(&ShownPage);
    StartLoad(page, TLoadCycleRules::UpdateOrigin(LastOrigin), true);
}

void TYarvWnd::BackPage() {
    if (plmLoader->Loading || Refusing() || !pwtTree->IsCanBack()) return;
    TQorFile* file = pwtTree->GetPrevHistory();
    if (!file) return;
    pwtTree->SetTargetNode(pwtTree->GetHistoryNode(pwtTree->HistoryIndex()));
    TQorFile copy;
    copy.Assign(file);
    StartLoad(copy, loBackForward, false);
}

void TYarvWnd::ForwardPage() {
    if (plmLoader->Loading || Refusing() || !pwtTree->IsCanForward()) return;
    TQorFile* file = pwtTree->GetNextHistory();
    if (!file) return;
    pwtTree->SetTargetNode(pwtTree->GetHistoryNode(pwtTree->HistoryIndex()));
    TQorFile copy;
    copy.Assign(file);
    StartLoad(copy, loBackForward, false);
}

void TYarvWnd::StopLoad() {
    if (Refusing()) return;
    plmLoader->Cancel();
}

void TYarvWnd::CharsetReload(int item) {
    if (NoPage || ShownPage.Kind == TQorFile::kMail || Refusing() || plmLoader->DisableOpen) return;
    pwtTree->SetTargetNode(pwtTree->CurrentNode());
    TQorFile page;
    page.Assign(&ShownPage);
    plmLoader->ForceCharset = static_cast<TCharsetType>(item + 1);
    StartLoad(page, loCharset, false);
    plmLoader->ForceCharset = ctUnknown;
}

void TYarvWnd::plmLoaderHeading(TQorLoadThread*, TQorFile& file) {
    // Page load thread: the text goes to the window as a value.
    const QString text = TQtText::ToQ(TLoadCycleRules::OpeningText(file));
    QMetaObject::invokeMethod(this, [this, text] { pnlStatus->setText(text); }, Qt::QueuedConnection);
}

void TYarvWnd::plmLoaderHead(TQorLoadThread* sender, TQorFile& file, bool textData, bool& getEntity) {
    // Page load thread; it waits here for the answer.
    if (!TLoadCycleRules::AskDownload(sender->GetHTTP().ResponseHeader.StatusCode, file.URL->FileName, textData))
        return;
    getEntity = false;
    const QString text = TQtText::ToQ(TLoadCycleRules::AskDownloadText(file));
    sender->Synchronize([this, text] {
        QMessageBox box(QMessageBox::Question, S(4), text, QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName("DownloadQuestion");
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        DownloadInstead = RunModal(box) == QMessageBox::Yes && !closePending_ && !closed_;
        if (closePending_) DownloadInstead = false;
    });
}

bool TYarvWnd::Authorize(const TQorFile& file, std::string& user, std::string& password) {
    // Main thread, while the asking thread waits.
    return AuthStore.Answer(file, user, password, [this](const TQorFile& f, std::string& u, std::string& p) {
        if (closed_ || closePending_) return false;
        TQorAuthorDlg dlg(isVisible() ? this : nullptr);
        dlg.URL = f.URL->GetPlaneURL();
        dlg.UserName = u;
        dlg.Password = p;
        if (RunModal(dlg) != QDialog::Accepted || closePending_) return false;
        u = dlg.UserName;
        p = dlg.Password;
        return true;
    });
}

void TYarvWnd::plmLoaderLoad(TQorLoadManager* sender, const TQorFile& file) {
    DownloadInstead = false;
    if (!MonitorReload) StartAnimation();
    if (sender->FromCache) ShowStatus(TLoadCycleRules::OpeningText(file));
}

void TYarvWnd::plmLoaderLocalLoad(TQorLoadManager* sender, const TQorFile& file) {
    SetCursorBusy(true);
    sender->DisableOpen = true;
    ShowStatus(TLoadCycleRules::OpeningText(file));
    pnlStatus->repaint();
}

void TYarvWnd::plmLoaderLoaded(TQorLoadManager* sender, int state, int reply) {
    TQorPageItems& items = *sender->PageItems;
    const TQorFile& page = *items.PageFile;
    StopAnimation();
    // 2. Cancelled: the views keep the page they show.
    if (sender->Canceled && !DownloadInstead) {
        ShowStatus({});
        sender->DisableOpen = false;
        SetCursorBusy(false);
        MonitorReload = false;
        LoadOrigin = 0;
        return;
    }
    // 3.
    if (!sender->Local) phtHistory->Add(items.Title, page.URL->GetURL(), page.Referer);
    // 4. A response handed to a download window.
    if (DownloadInstead) {
        ShowStatus({});
        TQorFile record;
        record.Assign(&page);
        DownloadInstead = false;
        LoadOrigin = 0;
        DownloadResponse(record);
        sender->DisableOpen = false;
        return;
    }
    // 5.
    SetCursorBusy(true);
    sender->DisableOpen = true;
    PropDlgs.RefreshAll();
    pabAddress->SetURL(TLoadCycleRules::AddressText(page));
    // 6.
    if (LoadOrigin == loNewRoot) ActivePaneSwitch();
    // 7. (The tree draws its current node bold; a history load keeps it.)
    // 8.
    const int savedOrigin = LoadOrigin;
    if (LoadOrigin == loNewRoot) {
        pwtTree->SetCurrentNode(pwtTree->AddRootPage(page.URL->GetURL(), true));
        LoadOrigin = loTreePage;
    } else if (LoadOrigin == loTreePage || LoadOrigin == loCharset) {
        pwtTree->SetCurrentNode(pwtTree->TargetNode());
    }
    // 9.
    if (LoadOrigin == loBackForward) {
        pwtTree->SetCurrentNode(pwtTree->TargetNode());
        LoadOrigin = loTreePage;
    } else if (TLoadCycleRules::AddsBackForward(savedOrigin)) {
        pwtTree->AddHistory(pwtTree->CurrentNode());
    }
    TQorPageNode* current = LoadOrigin == loHistory ? nullptr : pwtTree->CurrentNode();
    // 10.
    bool keep = false;
    if (current) {
        if (tagQORNODEINFO* info = TQorWebTree::GetNodeInfo(current)) {
            keep = TLoadCycleRules::KeepChildren(savedOrigin, sender->FromCache, info->Loaded);
            info->Loaded = true;
        }
    }
    // 11.
    pwtTree->setUpdatesEnabled(false);
    pflFile->setUpdatesEnabled(false);
    pflFile->ClearList();
    mmSource->clear();
    pendingSource_ = {};
    ShownPage.Assign(&page);
    pflFile->SetPageFile(&ShownPage);
    // 12.
    PageIcon = TLoadCycleRules::PageIcon(state, reply, sender->FromCache);
    const bool treePage = LoadOrigin == loTreePage || LoadOrigin == loCharset;
    if (treePage && current) pwtTree->SetNodeIcon(current, PageIcon);
    std::string caption;
    // 13.
    if (state == 0) {
        if (treePage && current) {
            if (!keep) pwtTree->DeleteChildren(current);
            if (TQorFile* nodeFile = TQorWebTree::GetFileInfo(current)) {
                pwtTree->ResetFileInfo(current, page);
                if (sender->Authorized) {
                    nodeFile->URL->User = sender->AuthUser;
                    nodeFile->URL->Password = sender->AuthPassword;
                    AuthStore.Keep(*nodeFile, sender->AuthUser, sender->AuthPassword);
                }
                if (keep) {
                    for (int i = 0; i < current->ChildCount(); ++i) {
                        TQorFile* child = TQorWebTree::GetFileInfo(current->Child(i));
                        if (child && TLoadCycleRules::SharesFolder(*nodeFile->URL, *child->URL))
                            TLoadCycleRules::InheritCredentials(*nodeFile->URL, *child->URL);
                    }
                }
                if (!items.Title.empty()) {
                    nodeFile->SetAnchorString(items.Title);
                    pwtTree->SetNodeText(current, items.Title);
                }
            }
        }
        const bool addChildren = treePage && current && !keep;
        // The records move to the list: the manager frees them right after.
        for (std::unique_ptr<TQorFile>& record : items.Files) {
            if (addChildren && TLoadCycleRules::IsPageLink(*record)) pwtTree->AddChild(current, *record);
            pflFile->AddFile(std::move(record));
        }
        items.ClearFileList();
        // A large page's rows are built on a worker; the list fills when
        // they are ready (a later load's ClearList throws them away).
        pflFile->ShowListInBackground();
        if (!keep && sender->Local && current) pwtTree->SortChildren(current);
        if (!sender->LocalList) {
            // Taken as the records are: nothing reads it after this.
            pendingSource_ = std::async(std::launch::async | std::launch::deferred,
                                        [text = std::move(items.Source)] { return TQtText::ToQ(text); });
            if (pgcFile->currentWidget() == mmSource) ShowSource();
        }
        caption = items.Title;
        const int item = TLoadCycleRules::CharsetItem(items.Charset);
        if (item < mnuCharset.size()) mnuCharset[item]->setChecked(true);
    }
    // 14. A connection that failed says why when the transport knows (TLS).
    const std::string reason =
        state == 2 ? TConnectReason::Text(sender->ConnectFailure, sender->ConnectDetail) : std::string();
    if (treePage && current) {
        pwtTree->SetNodeText(current, TLoadCycleRules::NodeCaption(state, reply, current->Caption(),
                                                                   page.URL->GetPlaneURL(), reason));
        pwtTree->SetCurrentNode(current);
        pgcNavi->setCurrentWidget(pwtTree);
        if (pgcFile->currentWidget() == plvUnreach) pgcFile->setCurrentIndex(0);
    }
    // 15.
    if (TQorPageNode* node = pwtTree->GetHistoryNode(pwtTree->HistoryIndex())) pwtTree->SelectNode(node);
    pflFile->setUpdatesEnabled(true);
    pwtTree->setUpdatesEnabled(true);
    // 16.
    const std::string title = TLoadCycleRules::WindowTitle(caption, page.URL->GetPlaneURL());
    setWindowTitle(TQtText::ToQ(title));
    // 17.
    ShowStatus(TLoadCycleRules::StatusText(state, reply, page.URL->GetPlaneURL(), reason));
    RepaintIcons();
    // 18.
    LastOrigin = LoadOrigin;
    LoadOrigin = 0;
    // 19.
    if (!MonitorReload) {
        DirMonitor->Stop();
        const std::string path = page.URL->GetLocalPath();
        if (TLoadCycleRules::MonitorsFolder(sender->Local, reply, path))
            DirMonitor->Start(path, [this, path] { MonitorChange(path); });
    }
    // 20.
    LastPageURL = page.URL->GetURL();
    MonitorReload = false;
    NoPage = false;
    sender->DisableOpen = false;
    SetCursorBusy(false);
    UpdateActions();
    if (OnPageShown) OnPageShown();
}

void TYarvWnd::MonitorChange(const std::string& path) {
    // Only for the folder still shown, and never into another load.
    if (plmLoader->Loading || Refusing() || NoPage || ShownPage.URL->GetLocalPath() != path) return;
    MonitorReload = true;
    UpdatePage();
    if (LoadOrigin != 0) MonitorReload = false; // the load did not start
}

TDownloadDlg* TYarvWnd::NewDownloadWindow() {
    auto* dlg = new TDownloadDlg(DownloadWindows.NextNumber(), poOption.RetryWait, poOption.DirReapp,
                                 poOption.AutoClose);
    dlg->SetDataPath(Setting->DataFolder);
    dlg->SetCachePath(Setting->CacheFolder);
    dlg->SetLoadCount(poOption.LoadCount);
    dlg->SetRunState(true);
    dlg->UnreachList = &pulList;
    dlg->SetFileFilter(&FileFilter);
    QPointer<TYarvWnd> self(this);
    dlg->OnCloseWindow = [self](TDownloadDlg* sender) {
        if (self) self->DownloadWindows.Remove(sender);
    };
    dlg->OnKeyForward = [this](TDownloadDlg*, int key, Qt::KeyboardModifiers modifiers) { GlobalKey(key, modifiers); };
    dlg->installEventFilter(this);
    dlg->SetConn(&pcgConn);
    DownloadWindows.Add(dlg);
    return dlg;
}

void TYarvWnd::DownloadResponse(const TQorFile& file) {
    TDownloadDlg* dlg = NewDownloadWindow();
    dlg->AddFile(&file);
    std::string folder;
    bool show = poOption.LoadStart == qlstSuspend;
    if (poOption.LoadStart == qlstSelFolder) {
        ++modal_;
        folder = TShellObject::SelectFolder(this, poOption.LastSaveDir, TStringTable::Get(27));
        const bool chosen = !folder.empty();
        --modal_;
        if (chosen) {
            poOption.LastSaveDir = folder;
            poOption.SaveToFile(Path("option.dat"));
        } else {
            folder.clear();
        }
        AfterModal();
    } else if (poOption.LoadStart == qlstFixFolder) {
        folder = poOption.LoadFolder;
    }
    if (show || !folder.empty()) dlg->show();
    if (!folder.empty()) dlg->StartWithFolder(folder);
}

void TYarvWnd::DownloadSelection() {
    std::vector<const TQorFile*> records;
    if (pgcFile->currentWidget() != plvUnreach) {
        for (size_t row : pflFile->SelectedRows()) records.push_back(pflFile->GetFileInfo(static_cast<int>(row)));
    } else {
        for (int i = 0; i < pulList.Count(); ++i)
            if (pulList.Item(i)->Selected) records.push_back(pulList.GetFileInfo(pulList.Item(i)));
    }
    records.erase(std::remove(records.begin(), records.end(), nullptr), records.end());
    if (records.empty()) return;
    TDownloadDlg* dlg = NewDownloadWindow();
    std::string folder;
    if (poOption.LoadStart == qlstSelFolder) {
        ++modal_;
        folder = TShellObject::SelectFolder(this, poOption.LastSaveDir, TStringTable::Get(27));
        if (!folder.empty()) {
            poOption.LastSaveDir = folder;
            poOption.SaveToFile(Path("option.dat"));
        }
        --modal_;
        AfterModal();
    } else if (poOption.LoadStart == qlstFixFolder) {
        folder = poOption.LoadFolder;
    }
    if (poOption.LoadStart == qlstSuspend || !folder.empty()) dlg->show();
    SetCursorBusy(true);
    for (const TQorFile* record : records) dlg->AddFile(record);
    SetCursorBusy(false);
    if (!folder.empty()) dlg->StartWithFolder(folder);
}

// ---------------------------------------------------------------- views

QWidget* TYarvWnd::RightPaneView() const {
    QWidget* tab = pgcFile->currentWidget();
    return pgcFile->currentIndex() == 0 ? static_cast<QWidget*>(pflFile) : tab;
}

void TYarvWnd::ActivePaneSwitch() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == pwtTree || focus == phtHistory) {
        RightPaneView()->setFocus();
    } else if (pgcNavi->isVisible()) {
        pgcNavi->currentWidget()->setFocus();
    } else {
        RightPaneView()->setFocus();
    }
}

void TYarvWnd::pwtTreeSelect() {
    TQorPageNode* node = pwtTree->SelectedNode();
    ShowLocation(node ? TQorWebTree::GetFileInfo(node) : nullptr);
}

void TYarvWnd::pwtTreeClick(const QModelIndex& index) {
    if (SkipTreeClick) {
        SkipTreeClick = false;
        return;
    }
    TQorPageNode* node = pwtTree->NodeOf(index);
    const Qt::KeyboardModifiers shift = pwtTree->ShiftState | QApplication::keyboardModifiers();
    if (!node || shift.testFlag(Qt::ControlModifier) || !pwtTree->IsInCursorAt(node, treePress_)) return;
    if (node == pwtTree->CurrentNode() && !shift.testFlag(Qt::ShiftModifier)) return;
    TQorFile* file = TQorWebTree::GetFileInfo(node);
    if (!file) return;
    pwtTree->SetTargetNode(node);
    TQorFile copy;
    copy.Assign(file);
    StartLoad(copy, loTreePage, shift.testFlag(Qt::ShiftModifier));
}

bool TYarvWnd::TreeKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        TQorPageNode* node = pwtTree->SelectedNode();
        TQorFile* file = node ? TQorWebTree::GetFileInfo(node) : nullptr;
        if (file) {
            pwtTree->SetTargetNode(node);
            TQorFile copy;
            copy.Assign(file);
            StartLoad(copy, loTreePage, mods == Qt::ShiftModifier);
        }
        return true;
    }
    return false; // Delete does nothing in the tree
}

void TYarvWnd::TreeMouseMove(const QPoint& point) {
    if (plmLoader->Loading) return;
    TQorPageNode* node = pwtTree->NodeAt(point);
    if (node && pwtTree->IsInCursorAt(node, point)) ShowLocation(TQorWebTree::GetFileInfo(node));
}

void TYarvWnd::phtHistorySelect() {
    TQorHistoryPage* page = phtHistory->GetPageInfo(phtHistory->currentIndex());
    ShowLocation(page ? page->File.get() : nullptr);
}

void TYarvWnd::phtHistoryClick(const QModelIndex& index) {
    const Qt::KeyboardModifiers shift = phtHistory->ShiftState | QApplication::keyboardModifiers();
    if (shift.testFlag(Qt::ControlModifier) || !phtHistory->IsInCursorAt(index, historyPress_)) return;
    TQorHistoryPage* page = phtHistory->GetPageInfo(index);
    if (!page || !page->File) return;
    TQorFile copy;
    copy.Assign(page->File.get());
    StartLoad(copy, loHistory, shift.testFlag(Qt::ShiftModifier));
}

bool TYarvWnd::HistoryKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        const QModelIndex index = phtHistory->currentIndex();
        if (TQorHistoryPage* page = phtHistory->GetPageInfo(index); page && page->File) {
            TQorFile copy;
            copy.Assign(page->File.get());
            StartLoad(copy, loHistory, mods == Qt::ShiftModifier);
        } else if (phtHistory->GetDateInfo(index)) {
            phtHistory->OpenDateItem(index, true);
        }
        return true;
    }
    if (event->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        DeleteCmd();
        return true;
    }
    return false;
}

void TYarvWnd::HistoryMouseMove(const QPoint& point) {
    if (plmLoader->Loading) return;
    const QModelIndex index = phtHistory->indexAt(point);
    if (!index.isValid() || !phtHistory->IsInCursorAt(index, point)) return;
    TQorHistoryPage* page = phtHistory->GetPageInfo(index);
    ShowLocation(page ? page->File.get() : nullptr);
}

void TYarvWnd::ShowListStatus() {
    if (plmLoader->Loading) return;
    std::vector<const TFileListRow*> selected;
    const auto& rows = pflFile->Core.Rows();
    for (size_t row : pflFile->SelectedRows())
        if (row < rows.size()) selected.push_back(&rows[row]);
    ShowStatus(TViewRules::ListStatus(selected, static_cast<int>(rows.size()), poOption.ShowAnchor));
}

void TYarvWnd::ShowUnreachStatus() {
    int selected = 0;
    for (int i = 0; i < pulList.Count(); ++i) selected += pulList.Item(i)->Selected ? 1 : 0;
    ShowStatus(TViewRules::CountStatus(selected, pulList.Count()));
}

void TYarvWnd::pflFileDblClick() {
    const std::vector<size_t> rows = pflFile->SelectedRows();
    const TQorFile* file = rows.empty() ? nullptr : pflFile->GetFileInfo(static_cast<int>(rows.front()));
    switch (TViewRules::RowAction(file, poOption.DblClk)) {
    case TViewRules::raOpen:
        OpenCommand();
        break;
    case TViewRules::raMail:
        TDefaultMailer().MailTo(file->URL->FileName);
        break;
    case TViewRules::raBrowser:
        if (file) TShellObject::OpenByBrowser(file->URL->GetURL());
        break;
    case TViewRules::raPreview:
        if (file) {
            PreviewWnd->show();
            PreviewWnd->ShowFile(*file, false);
        }
        break;
    case TViewRules::raNothing:
        break;
    }
}

void TYarvWnd::OpenCommand() {
    const std::vector<size_t> rows = pflFile->SelectedRows();
    if (rows.empty()) return;
    const TQorFile* file = pflFile->GetFileInfo(static_cast<int>(rows.front()));
    if (!file) return;
    if (file->Kind == TQorFile::kLocal) {
        if (TLoadCycleRules::IsPageLink(*file) && rows.size() == 1) {
            OpenChildPage(*file, false);
        } else if (plmLoader->LocalList) {
            for (size_t row : rows) {
                const TQorFile* each = pflFile->GetFileInfo(static_cast<int>(row));
                if (each && each->Kind == TQorFile::kLocal && !TLoadCycleRules::IsPageLink(*each))
                    ExecuteLocalFile(*each);
            }
        } else {
            RefuseLocalAccess();
        }
    } else if (file->Kind == TQorFile::kMail) {
        TDefaultMailer().MailTo(file->URL->FileName);
    } else {
        OpenChildPage(*file, pflFile->ShiftState().testFlag(Qt::ShiftModifier));
    }
}

void TYarvWnd::OpenChildPage(const TQorFile& file, bool bypassCache) {
    if (pwtTree->CurrentNode() && LastOrigin == loTreePage) {
        TQorPageNode* child = TViewRules::FindChild(pwtTree->CurrentNode(), file);
        if (!child) return;
        pwtTree->SetTargetNode(child);
        TQorFile* childFile = TQorWebTree::GetFileInfo(child);
        if (!childFile) return;
        childFile->Assign(&file);
        TQorFile copy;
        copy.Assign(childFile);
        StartLoad(copy, loTreePage, bypassCache);
    } else if (LastOrigin == loHistory) {
        OpenAddress(file.URL->GetURL());
    }
}

void TYarvWnd::ExecuteLocalFile(const TQorFile& file) {
    if (!TShellObject::Execute(file.URL->GetLocalPath())) ShowStatus(TStringTable::Get(59));
}

void TYarvWnd::RefuseLocalAccess() {
    QMessageBox box(QMessageBox::Critical, U("禁止動作"), U("HTML ページ内からローカルファイルへのアクセスはできません。"),
                    QMessageBox::Ok, this);
    box.setObjectName("RefuseLocalAccess");
    RunModal(box);
}

bool TYarvWnd::FileKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        pflFileDblClick();
        return true;
    }
    if (event->key() == Qt::Key_Delete && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        pflFileDelete(mods.testFlag(Qt::ShiftModifier));
        return true;
    }
    return false;
}

void TYarvWnd::pflFileDelete(bool shift) {
    if (!plmLoader->LocalList && TSjisText::LowerCase(ShownPage.URL->GetLocalPath()) != "c:\\") {
        RefuseLocalAccess();
        return;
    }
    ++modal_; // the list asks before it deletes
    const bool deleted = pflFile->DeleteLocalFile(!shift);
    --modal_;
    AfterModal();
    // The monitor's notice reloads the folder; without one show it now.
    if (deleted && !DirMonitor->Active()) UpdatePage();
}

void TYarvWnd::FileStartDrag() {
    std::vector<const TQorFile*> files;
    std::vector<bool> last;
    const int count = static_cast<int>(pflFile->Core.Rows().size());
    for (size_t row : pflFile->SelectedRows()) {
        if (const TQorFile* file = pflFile->GetFileInfo(static_cast<int>(row))) {
            files.push_back(file);
            last.push_back(static_cast<int>(row) == count - 1);
        }
    }
    const std::string text = TViewRules::DragText(files, last);
    if (text.empty()) return;
    TSeOleDropSource source(pflFile);
    source.Text = text;
    sotTarget->NoAccept = true;
    source.StartDrag();
    sotTarget->NoAccept = false;
}

void TYarvWnd::ShowSource() {
    if (!pendingSource_.valid()) return;
    mmSource->setPlainText(pendingSource_.get());
}

void TYarvWnd::pgcFileChange(int index) {
    if (index == 0) {
        pflFile->setFocus();
        ShowListStatus();
    } else if (index == 1) {
        ShowSource();
        mmSource->setFocus();
        ShowStatus({});
    } else {
        plvUnreach->setFocus();
        ShowUnreachStatus();
    }
}

void TYarvWnd::cmbFilterChange(int index) {
    const TFileFilterItem* item = index > 0 ? FileFilter.GetItem(index - 1) : nullptr;
    pflFile->SetFilterExtensions(item ? item->Extensions : std::vector<std::string>{});
    pflFile->ClearRows();
    pflFile->ShowList();
}

void TYarvWnd::cmbProxyChange(int index) { Setting->ProxyManager->ApplyBoxEntry(index, pcgConn); }

bool TYarvWnd::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowActivate) {
        if (auto* dlg = qobject_cast<TDownloadDlg*>(watched)) DownloadWindows.SetActive(dlg);
        return false;
    }
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        ShiftState = key->modifiers();
        if (watched == pabAddress->GetHandle()) {
            pabAddress->ShiftState = key->modifiers();
            return false;
        }
        if (type != QEvent::KeyPress) return false;
        if (watched == pwtTree) return TreeKey(key);
        if (watched == phtHistory) return HistoryKey(key);
        if (watched == pflFile) return FileKey(key);
        return false;
    }
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint point = mouse->position().toPoint();
        if (watched == pwtTree->viewport()) {
            if (type == QEvent::MouseButtonPress) {
                treePress_ = point;
                if (mouse->button() == Qt::LeftButton && mouse->modifiers().testFlag(Qt::AltModifier)) {
                    TQorPageNode* node = pwtTree->NodeAt(point);
                    if (node && TQorWebTree::GetFileInfo(node)) SkipTreeClick = true;
                } else if (mouse->button() == Qt::RightButton) {
                    if (TQorPageNode* node = pwtTree->NodeAt(point)) pwtTree->SelectNode(node);
                }
            } else {
                TreeMouseMove(point);
            }
        } else if (watched == phtHistory->viewport()) {
            if (type == QEvent::MouseButtonPress) {
                historyPress_ = point;
                if (mouse->button() == Qt::RightButton) {
                    const QModelIndex index = phtHistory->indexAt(point);
                    if (index.isValid()) phtHistory->setCurrentIndex(index);
                }
            } else {
                HistoryMouseMove(point);
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

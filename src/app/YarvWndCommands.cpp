// The main window's commands: the registry's entries, the menus, the tool
// bar, the context and tray menus, the favorites and window submenus, the
// global keys and the command handlers.
#include "app/YarvWnd.h"

#include "app/ErrorBox.h"
#include "app/FavoriteMenuFiller.h"
#include "app/FavoriteOptDlg.h"
#include "app/FileFilterDlg.h"
#include "app/OptionDlg.h"
#include "app/PreviewWnd.h"
#include "app/ProxyEditorDlg.h"
#include "app/URLReplaceEditDlg.h"
#include "app/YarvCommands.h"
#include "download/ui/DownloadDlg.h"
#include "engine/LoadCycleRules.h"
#include "engine/ProxyManager.h"
#include "engine/QorPageItems.h"
#include "engine/ui/FilePropDlg.h"
#include "engine/ui/URLExporter.h"
#include "engine/ui/URLInputWnd.h"
#include "engine/ui/VersionDlg.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"
#include "platform/SystemFolders.h"
#include "shell/QtText.h"
#include "shell/ShellObject.h"
#include "views/QorAddressBar.h"
#include "views/QorFileList.h"
#include "views/QorHistoryTree.h"
#include "views/QorWebTree.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString S(int id) { return TQtText::ToQ(TStringTable::Get(id)); }
QKeySequence K(QKeyCombination key) { return QKeySequence(key); }

} // namespace

// ---------------------------------------------------------------- state

TYarvCommandState TYarvWnd::CommandState() const {
    TYarvCommandState s;
    s.NoPage = NoPage;
    s.MailPage = !NoPage && ShownPage.Kind == TQorFile::kMail;
    QWidget* focus = QApplication::focusWidget();
    QComboBox* address = pabAddress->GetHandle();
    if (focus == pwtTree) s.Focus = TYarvCommandState::fcTree;
    else if (focus == phtHistory) s.Focus = TYarvCommandState::fcHistory;
    else if (focus == pflFile) s.Focus = TYarvCommandState::fcFileList;
    else if (focus == mmSource) s.Focus = TYarvCommandState::fcSource;
    else if (focus == plvUnreach) s.Focus = TYarvCommandState::fcUnreach;
    else if (focus && (focus == address || address->isAncestorOf(focus))) s.Focus = TYarvCommandState::fcAddress;
    s.RightTab = pgcFile->currentWidget() == mmSource     ? TYarvCommandState::rtSource
                 : pgcFile->currentWidget() == plvUnreach ? TYarvCommandState::rtUnreach
                                                          : TYarvCommandState::rtFile;
    s.NaviTab = pgcNavi->currentWidget() == phtHistory ? TYarvCommandState::ntHistory : TYarvCommandState::ntPage;
    const std::vector<size_t> rows = pflFile->SelectedRows();
    s.FileSelected = static_cast<int>(rows.size());
    if (!rows.empty()) {
        if (const TQorFile* file = pflFile->GetFileInfo(static_cast<int>(rows.front())))
            s.FileFirstOpens = file->Kind == TQorFile::kMail || TLoadCycleRules::IsPageLink(*file);
    }
    for (int i = 0; i < pulList.Count(); ++i) s.UnreachSelected += pulList.Item(i)->Selected ? 1 : 0;
    if (TQorPageNode* node = pwtTree->SelectedNode()) {
        s.TreeNodeFile = TQorWebTree::GetFileInfo(node) != nullptr;
        for (TQorPageNode* up = node; up && up->Parent(); up = up->Parent()) ++s.TreeNodeDepth;
    }
    if (TQorHistoryPage* page = phtHistory->GetPageInfo(phtHistory->currentIndex())) s.HistoryPage = page->File != nullptr;
    s.SourceSelection = mmSource->textCursor().hasSelection();
    s.SourceEmpty = mmSource->document()->isEmpty();
    s.Local = plmLoader->Local;
    s.LocalList = plmLoader->LocalList;
    // Asking the clipboard is only worth it where a paste could go.
    s.ClipboardFiles = s.Local && s.LocalList && pflFile->FromClipboard(true, {});
    s.CanBack = pwtTree->IsCanBack();
    s.CanForward = pwtTree->IsCanForward();
    s.DownloadWindows = DownloadWindows.Count();
    return s;
}

void TYarvWnd::RequestUpdate() {
    if (updatePending_) return;
    updatePending_ = true;
    QTimer::singleShot(0, this, [this] {
        updatePending_ = false;
        UpdateActions();
    });
}

void TYarvWnd::UpdateActions() {
    if (!Commands) return;
    Commands->Update();
    auto hint = [this](int index, int id) {
        TQorPageNode* node = pwtTree->GetHistoryNode(index);
        return node ? TQtText::ToQ(node->Caption()) + " " + S(id) : QString();
    };
    actBackPage->setToolTip(actBackPage->isEnabled() ? hint(pwtTree->HistoryIndex() - 1, 50) : QString());
    actForwardPage->setToolTip(actForwardPage->isEnabled() ? hint(pwtTree->HistoryIndex() + 1, 51) : QString());
    mnuViewCharset->menuAction()->setVisible(TYarvCommandRules::Rule(ycCharset, CommandState()).Visible);
    mnuViewHideWindow->setEnabled(Tray && Tray->isVisible());
}

const TQorFile* TYarvWnd::SelectedRecord() const {
    QWidget* focus = QApplication::focusWidget();
    if (focus == pwtTree) {
        TQorPageNode* node = pwtTree->SelectedNode();
        return node ? TQorWebTree::GetFileInfo(node) : nullptr;
    }
    if (focus == pflFile) {
        const std::vector<size_t> rows = pflFile->SelectedRows();
        return rows.empty() ? nullptr : pflFile->GetFileInfo(static_cast<int>(rows.front()));
    }
    if (focus == phtHistory) {
        TQorHistoryPage* page = phtHistory->GetPageInfo(phtHistory->currentIndex());
        return page ? page->File.get() : nullptr;
    }
    if (focus == plvUnreach) {
        for (int i = 0; i < pulList.Count(); ++i)
            if (pulList.Item(i)->Selected) return pulList.GetFileInfo(pulList.Item(i));
    }
    return nullptr;
}

// ---------------------------------------------------------------- building

void TYarvWnd::CreateMenus() {
    Commands = new TYarvCommands(this, [this] { return CommandState(); });
    TYarvCommands& c = *Commands;
    QStyle* st = style();

    // Tool bar actions.
    actBackPage = c.Add("actBackPage", U("前に戻る(&B)"), ycBack, [this] { BackPage(); }, K(Qt::ALT | Qt::Key_Left),
                        st->standardIcon(QStyle::SP_ArrowBack));
    actForwardPage = c.Add("actForwardPage", U("次に進む(&F)"), ycForward, [this] { ForwardPage(); },
                           K(Qt::ALT | Qt::Key_Right), st->standardIcon(QStyle::SP_ArrowForward));
    actStop = c.Add("actStop", U("中止(&S)"), ycAlways, [this] { StopLoad(); }, K(Qt::Key_Escape),
                    st->standardIcon(QStyle::SP_BrowserStop));
    actStop->setToolTip(U("中止"));
    actUpdatePage = c.Add("actUpdatePage", U("最新の情報に更新(&R)"), ycUpdate, [this] { UpdatePage(); },
                          K(Qt::Key_F5), st->standardIcon(QStyle::SP_BrowserReload));
    actUpdatePage->setToolTip(U("最新の情報に更新"));
    actShowNavi = c.Add("actShowNavi", U("ナビゲーションバー(&N)"), ycAlways, {}, K(Qt::Key_F9),
                        st->standardIcon(QStyle::SP_FileDialogListView));
    actShowNavi->setCheckable(true);
    actShowNavi->setChecked(true);
    actShowNavi->setToolTip(U("ナビゲーションバー"));
    connect(actShowNavi, &QAction::toggled, pgcNavi, &QWidget::setVisible);
    actDownload = c.Add("actDownload", U("ダウンロード(&D)"), ycDownload, [this] { DownloadSelection(); },
                        K(Qt::CTRL | Qt::Key_L), st->standardIcon(QStyle::SP_ArrowDown));
    actDownload->setToolTip(U("ダウンロード"));
    actCreateNullDlWnd = c.Add("actCreateNullDlWnd", U("空のダウンロードウィンドウを作成(&N)"), ycAlways,
                               [this] { NewDownloadWindow()->show(); }, K(Qt::Key_F7),
                               st->standardIcon(QStyle::SP_FileDialogNewFolder));
    tbMain->addAction(actBackPage);
    tbMain->addAction(actForwardPage);
    tbMain->addSeparator();
    tbMain->addAction(actStop);
    tbMain->addAction(actUpdatePage);
    tbMain->addSeparator();
    tbMain->addAction(actShowNavi);
    tbMain->addSeparator();
    tbMain->addAction(actDownload);

    // ファイル
    QMenu* file = mnuMain->addMenu(U("ファイル(&F)"));
    file->setObjectName("mnuFile");
    c.Watch(file);
    mnuFileOpen = c.Add("mnuFileOpen", U("ページを開く(&O)"), ycAlways, [this] {
        TURLInputWnd input(this);
        input.SetMode(TURLInputWnd::imOne);
        if (RunModal(input) == QDialog::Accepted) OpenAddress(input.Result());
    }, K(Qt::CTRL | Qt::Key_O));
    file->addAction(mnuFileOpen);
    file->addAction(c.Add("mnuFileOpenThis", U("現在のページをWWWブラウザで開く(&N)"), ycOpenThis,
                          [this] { OpenThisPage(); }, K(Qt::ALT | Qt::Key_B)));
    QAction* openBrowser = c.Add("actOpenByBrowser", U("WWWブラウザで開く(&B)"), ycOpenBrowser,
                                 [this] { OpenByBrowserCmd(); }, K(Qt::CTRL | Qt::Key_B));
    file->addAction(openBrowser);
    file->addAction(c.Add("actPreview", U("プレビュー(&V)"), ycPreview, [this] { PreviewCmd(); },
                          K(Qt::SHIFT | Qt::Key_F8)));
    file->addSeparator();
    // F4: the record's properties, else the page's.
    file->addAction(c.Add("actProperty", U("プロパティ(&R)"), ycProperty, [this] { PropertyCmd(); }, K(Qt::Key_F4)));
    file->addAction(c.Add("actPageProperty", U("プロパティ(&R)"), ycPageProperty, [this] { PagePropertyCmd(); },
                          K(Qt::Key_F4)));
    auto exportMenu = [this](QMenu* parent, const QString& caption, const char* name) {
        QMenu* menu = parent->addMenu(caption);
        menu->setObjectName(name);
        menu->addAction(U("クリップボードへ(&C)"), this, [this] { ExportURL(false); });
        menu->addAction(U("ファイルへ(&F)"), this, [this] { ExportURL(true); });
        exportMenus_.append(menu);
        return menu;
    };
    exportMenu(file, U("URLのエクスポート(&E)"), "mnuFileURLExport");
    file->addSeparator();
    mnuFileExit = c.Add("mnuFileExit", U("終了(&X)"), ycAlways, [this] { close(); });
    file->addAction(mnuFileExit);

    // 編集
    QMenu* edit = mnuMain->addMenu(U("編集(&E)"));
    edit->setObjectName("mnuEdit");
    c.Watch(edit);
    QAction* root = c.Add("mnuEditRoot", U("ルートにする(&T)"), ycMakeRoot, [this] { MakeRoot(); });
    QAction* copy = c.Add("actCopy", U("コピー(&C)"), ycCopy, [this] { CopyCmd(); }, K(Qt::CTRL | Qt::Key_C));
    QAction* cut = c.Add("actCut", U("切り取り(&X)"), ycCut, [this] { CutCmd(); }, K(Qt::CTRL | Qt::Key_X));
    QAction* paste = c.Add("actPaste", U("貼り付け(&V)"), ycPaste, [this] { PasteCmd(); }, K(Qt::CTRL | Qt::Key_V));
    QAction* del = c.Add("actDelete", U("削除(&D)"), ycDelete, [this] { DeleteCmd(); });
    QAction* selAll = c.Add("actSelAll", U("全て選択(&A)"), ycSelAll, [this] { mmSource->selectAll(); },
                            K(Qt::CTRL | Qt::Key_A));
    edit->addAction(root);
    edit->addSeparator();
    for (QAction* a : {copy, cut, paste, del}) edit->addAction(a);
    edit->addSeparator();
    edit->addAction(selAll);
    edit->addSeparator();
    edit->addAction(c.Add("actAllPageDel", U("リセット(&R)"), ycAlways, [this] { Reset(); },
                          K(Qt::CTRL | Qt::Key_Delete)));

    // 表示
    QMenu* view = mnuMain->addMenu(U("表示(&V)"));
    view->setObjectName("mnuView");
    c.Watch(view);
    view->addAction(actShowNavi);
    QAction* anchor = c.Add("mnuViewShowAnchor", U("アンカー文字列(&A)"), ycAlways, [this] { ToggleShowAnchor(); },
                            K(Qt::Key_F2));
    anchor->setCheckable(true);
    anchor->setChecked(poOption.ShowAnchor);
    view->addAction(anchor);
    c.AddKey("mnuViewNaviChange", K(Qt::SHIFT | Qt::Key_F9), ycAlways, [this] {
        pgcNavi->setCurrentIndex(pgcNavi->currentIndex() == 0 ? 1 : 0);
        if (pgcNavi->isVisible()) pgcNavi->currentWidget()->setFocus();
    });
    c.AddKey("mnuViewFileChange", K(Qt::CTRL | Qt::Key_F9), ycAlways, [this] {
        pgcFile->setCurrentIndex(pgcFile->currentIndex() == 0 ? 1 : 0);
        RightPaneView()->setFocus();
    });
    c.AddKey("mnuViewShowUnreach", K(Qt::CTRL | Qt::SHIFT | Qt::Key_F9), ycAlways, [this] {
        pgcFile->setCurrentWidget(plvUnreach);
        plvUnreach->setFocus();
    });
    c.AddKey("mnuViewActivePane", K(Qt::ALT | Qt::Key_F9), ycAlways, [this] { ActivePaneSwitch(); });
    c.AddKey("mnuViewProxyDropDown", K(Qt::CTRL | Qt::SHIFT | Qt::Key_P), ycAlways, [this] {
        cmbProxy->setFocus();
        cmbProxy->showPopup();
    });
    c.AddKey("mnuViewFilterDropDown", K(Qt::CTRL | Qt::SHIFT | Qt::Key_F), ycFilterDropDown, [this] {
        cmbFilter->setFocus();
        cmbFilter->showPopup();
    });
    c.AddKey("mnuViewAddressDropDown", K(Qt::CTRL | Qt::SHIFT | Qt::Key_A), ycAlways, [this] {
        pabAddress->SetFocus();
        pabAddress->SetDroppedDown(true);
    });
    const Qt::Key sortKeys[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4};
    const char* sortNames[] = {"mnuViewSortName", "mnuViewSortType", "mnuViewSortLocation", "mnuViewSortParam"};
    for (int i = 0; i < 4; ++i)
        c.AddKey(sortNames[i], K(Qt::CTRL | Qt::SHIFT | sortKeys[i]), ycAlways, [this, i] { pflFile->ColumnClick(i); });
    c.AddKey("mnuViewSortSeq", K(Qt::CTRL | Qt::SHIFT | Qt::Key_0), ycAlways, [this] { pflFile->ShowInOrderOfAppearance(); });
    view->addSeparator();
    QMenu* go = view->addMenu(U("移動(&O)"));
    go->setObjectName("mnuViewGoto");
    c.Watch(go);
    go->addAction(actBackPage);
    go->addAction(actForwardPage);
    view->addAction(actStop);
    view->addAction(actUpdatePage);
    view->addSeparator();
    view->addAction(c.Add("actShowPreviewWnd", U("プレビューウィンドウ(&P)"), ycAlways, [this] { PreviewWnd->show(); },
                          K(Qt::Key_F8)));
    mnuViewHideWindow = c.Add("mnuViewHideWindow", U("メインウィンドウを隠す(&H)"), ycAlways, [this] { HideWindow(); },
                              K(Qt::CTRL | Qt::Key_H));
    view->addAction(mnuViewHideWindow);
    view->addSeparator();
    mnuViewCharset = view->addMenu(U("文字コード(&C)"));
    mnuViewCharset->setObjectName("mnuViewCharset");
    grpCharset = new QActionGroup(this);
    const char* names[] = {"シフトJIS(&S)", "EUC(&E)", "JIS(&J)", "UTF-8(&U)"};
    for (int i = 0; i < 4; ++i) {
        QAction* item = mnuViewCharset->addAction(U(names[i]));
        item->setCheckable(true);
        grpCharset->addAction(item);
        mnuCharset.append(item);
        connect(item, &QAction::triggered, this, [this, i] { CharsetReload(i); });
    }
    connect(view, &QMenu::aboutToShow, this, &TYarvWnd::UpdateActions);

    // 実行
    QMenu* run = mnuMain->addMenu(U("実行(&R)"));
    run->setObjectName("mnuRun");
    c.Watch(run);
    run->addAction(actDownload);
    mnuRunWndSelDownload = new QMenu(U("ウィンドウ指定ダウンロード(&S)"), run);
    mnuRunWndSelDownload->setObjectName("mnuRunWndSelDownload");
    QAction* wndSel = c.Add("actWndSelDownload", U("ウィンドウ指定ダウンロード(&S)"), ycWndSelDownload, {});
    wndSel->setMenu(mnuRunWndSelDownload);
    run->addAction(wndSel);
    connect(run, &QMenu::aboutToShow, this, [this] { FillWindowMenu(mnuRunWndSelDownload); });
    run->addAction(c.Add("mnuRunCascade", U("カスケードダウンロード(&C)"), ycAlways, [this] { CascadeCmd(); },
                         K(Qt::CTRL | Qt::SHIFT | Qt::Key_L)));
    run->addSeparator();
    run->addAction(actCreateNullDlWnd);

    // お気に入り
    mnuFavorite = mnuMain->addMenu(U("お気に入り(&A)"));
    mnuFavorite->setObjectName("mnuFavorite");
    c.Watch(mnuFavorite);
    mnuFavorite->addAction(c.Add("actAddFavorite", U("お気に入りに追加(&A)"), ycAddFavorite, [this] { AddFavorite(); },
                                 K(Qt::CTRL | Qt::Key_D)));
    mnuFavorite->addAction(c.Add("mnuFavoriteOptimize", U("お気に入りの整理(&O)..."), ycAlways,
                                 [this] { OptimizeFavorites(); }));
    favoriteSeparator_ = mnuFavorite->addSeparator();
    favoriteFiller_ = new TFavoriteMenuFiller(mnuFavorite, favoriteSeparator_);
    favoriteFiller_->OnOpen = [this](const std::string& url) { OpenURL(url, loNewRoot); };

    // ツール
    QMenu* tool = mnuMain->addMenu(U("ツール(&T)"));
    tool->setObjectName("mnuTool");
    tool->addAction(c.Add("mnuToolOption", U("オプション(&O)..."), ycAlways, [this] { OptionCmd(); }, K(Qt::Key_F11)));
    tool->addSeparator();
    tool->addAction(c.Add("mnuToolFileFilterEdit", U("ファイル種類の管理(&F)..."), ycAlways, [this] { FileFilterCmd(); }));
    tool->addAction(c.Add("mnuToolProxyEdit", U("プロキシリストの管理(&P)..."), ycAlways, [this] { ProxyEditCmd(); }));
    tool->addAction(c.Add("mnuToolURLRepalce", U("URL置換設定(&R)..."), ycAlways, [this] { URLReplaceCmd(); }));

    // ヘルプ
    QMenu* help = mnuMain->addMenu(U("ヘルプ(&H)"));
    help->setObjectName("mnuHelp");
    help->addAction(c.Add("mnuHelpContents", U("目次とキーワード(&C)"), ycAlways, [this] { HelpContents(); }));
    help->addSeparator();
    help->addAction(c.Add("mnuHelpVersion", U("バージョン情報(&A)..."), ycAlways, [this] {
        TVersionDlg dlg(this);
        RunModal(dlg);
    }));

    // The context menu of the views.
    ppmPopup = new QMenu(this);
    ppmPopup->setObjectName("ppmPopup");
    c.Watch(ppmPopup);
    ppmPopup->addAction(c.Add("popDownload", U("ダウンロード(&L)"), ycPopDownload, [this] { DownloadSelection(); }));
    popWndSelDownload_ = new QMenu(U("ウィンドウ指定ダウンロード(&S)"), ppmPopup);
    popWndSelDownload_->setObjectName("popWndSelDownload");
    QAction* popWndSel = c.Add("popWndSelDownload", U("ウィンドウ指定ダウンロード(&S)"), ycPopWndSelDownload, {});
    popWndSel->setMenu(popWndSelDownload_);
    ppmPopup->addAction(popWndSel);
    ppmPopup->addAction(c.Add("popCascade", U("カスケードダウンロード(&E)"), ycPopCascade, [this] { CascadeCmd(); }));
    ppmPopup->addSeparator();
    ppmPopup->addAction(c.Add("popAddFavorite", U("現在のページをお気に入りに追加(&A)"), ycPopAddFavorite,
                              [this] { AddFavorite(); }));
    ppmPopup->addSeparator();
    ppmPopup->addAction(c.Add("actOpen", U("開く(&O)"), ycOpen, [this] { OpenCommand(); }));
    ppmPopup->addAction(openBrowser);
    ppmPopup->addAction(c.Add("popPreview", U("プレビュー(&W)"), ycPreview, [this] { PreviewCmd(); }));
    exportMenu(ppmPopup, U("URLをエクスポート(&U)"), "popURLExport");
    ppmPopup->addSeparator();
    for (QAction* a : {root, copy, cut, paste, del, selAll}) ppmPopup->addAction(a);
    ppmPopup->addSeparator();
    ppmPopup->addAction(c.Add("popUpdatePage", U("最新の情報に更新(&R)"), ycPopUpdate, [this] { UpdatePage(); }));
    ppmPopup->addSeparator();
    ppmPopup->addAction(c.Add("popProperty", U("プロパティ(&P)"), ycProperty, [this] { PropertyCmd(); }));
    ppmPopup->addAction(c.Add("popPageProperty", U("プロパティ(&P)"), ycPageProperty, [this] { PagePropertyCmd(); }));
    connect(ppmPopup, &QMenu::aboutToShow, this, [this] {
        FillWindowMenu(popWndSelDownload_);
        UpdateActions();
        for (QMenu* m : exportMenus_) m->menuAction()->setVisible(!pflFile->SelectedRows().empty());
    });
    connect(file, &QMenu::aboutToShow, this, [this] {
        for (QMenu* e : exportMenus_) e->menuAction()->setVisible(!pflFile->SelectedRows().empty());
    });
    for (QWidget* w : {static_cast<QWidget*>(pwtTree), static_cast<QWidget*>(phtHistory), static_cast<QWidget*>(pflFile),
                       static_cast<QWidget*>(mmSource), static_cast<QWidget*>(plvUnreach)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& at) {
            w->setFocus();
            ppmPopup->popup(w->mapToGlobal(at));
        });
    }

    // The tray menu.
    ppmTray = new QMenu(this);
    ppmTray->setObjectName("ppmTray");
    ppmTray->addAction(actCreateNullDlWnd);
    ppmTray->addAction(U("プレビューウィンドウを表示(&P)"), this, [this] { PreviewWnd->show(); });
    ppmTray->addSeparator();
    ppmTray->addAction(U("メインウィンドウを表示(&S)"), this, [this] { ShowMainWindow(); });
    ppmTray->addSeparator();
    QAction* trayExit = ppmTray->addAction(U("終了(&X)"), this, [this] { TrayExit(); });
    trayExit->setObjectName("ppmTrayExit");

    // Global keys; the preview and download windows forward theirs.
    for (Qt::Key key : {Qt::Key_M, Qt::Key_BracketLeft, Qt::Key_BracketRight}) {
        auto* shortcut = new QShortcut(K(Qt::CTRL | key), this);
        connect(shortcut, &QShortcut::activated, this, [this, key] { GlobalKey(key, Qt::ControlModifier); });
    }
    PreviewWnd->OnPreviewKeyDown = [this](TPreviewWnd*, int key, Qt::KeyboardModifiers mods) { GlobalKey(key, mods); };

    // The rules follow the state: focus, selections, tabs.
    connect(qApp, &QApplication::focusChanged, this, &TYarvWnd::RequestUpdate);
    connect(pflFile->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TYarvWnd::RequestUpdate);
    connect(pgcFile, &QTabWidget::currentChanged, this, &TYarvWnd::RequestUpdate);
    connect(pgcNavi, &QTabWidget::currentChanged, this, &TYarvWnd::RequestUpdate);
}

bool TYarvWnd::GlobalKey(int key, Qt::KeyboardModifiers mods) {
    if ((mods & ~Qt::KeypadModifier) != Qt::ControlModifier) return false;
    if (key == Qt::Key_M) {
        ShowMainWindow();
    } else if (key == Qt::Key_BracketLeft || key == Qt::Key_BracketRight) {
        DownloadWindows.Cycle(key == Qt::Key_BracketLeft);
    } else {
        return false;
    }
    return true;
}

void TYarvWnd::ShowMainWindow() {
    if (isMinimized()) showNormal();
    else show();
    raise();
    activateWindow();
}

void TYarvWnd::TrayExit() {
    // A box still open is answered by the user first: ending the program
    // under it would lose what it is asking for.
    if (QWidget* box = QApplication::activeModalWidget()) {
        box->raise();
        box->activateWindow();
        return;
    }
    if (modal_ > 0) return;
    close();
}

void TYarvWnd::FillWindowMenu(QMenu* menu) {
    menu->clear();
    const int count = DownloadWindows.Count();
    for (int i = 0; i < count; ++i) {
        TDownloadDlg* dlg = DownloadWindows.Get(i);
        const std::string caption = TQtText::FromQ(dlg->windowTitle());
        QString text = TQtText::ToQ(TYarvCommandRules::WindowEntryCaption(i, caption));
        QAction* entry = menu->addAction(text);
        QPointer<TDownloadDlg> target(dlg);
        connect(entry, &QAction::triggered, this, [this, target] {
            if (target) DownloadToWindow(target);
        });
        if (i == 0 && count > 1) menu->addSeparator();
    }
}

void TYarvWnd::DownloadToWindow(TDownloadDlg* dlg) {
    const std::vector<size_t> rows = pflFile->SelectedRows();
    if (rows.empty()) return;
    int added = 0;
    SetCursorBusy(true);
    for (size_t row : rows)
        if (const TQorFile* file = pflFile->GetFileInfo(static_cast<int>(row))) {
            dlg->AddFile(file);
            ++added;
        }
    SetCursorBusy(false);
    dlg->show();
    if (added > 0 && !dlg->Paused) dlg->StartDownload();
}

// ---------------------------------------------------------------- handlers

void TYarvWnd::OpenThisPage() {
    if (!NoPage) TShellObject::OpenByBrowser(ShownPage.URL->GetURL());
}

void TYarvWnd::OpenByBrowserCmd() {
    if (const TQorFile* file = SelectedRecord()) TShellObject::OpenByBrowser(file->URL->GetURL());
}

void TYarvWnd::PreviewCmd() {
    const TQorFile* file = SelectedRecord();
    if (!file) return;
    TQorFile copy;
    copy.Assign(file);
    PreviewWnd->show();
    PreviewWnd->ShowFile(copy, false);
}

void TYarvWnd::ShowRecordProperty(const std::vector<const TQorFile*>& files) {
    TFilePropDlg* dlg = PropDlgs.Create(this);
    dlg->SetConn(&pcgConn);
    for (const TQorFile* file : files) dlg->AddFile(file);
    dlg->show();
}

void TYarvWnd::PropertyCmd() {
    const TQorFile* file = SelectedRecord();
    if (!file) {
        PagePropertyCmd();
        return;
    }
    if (file->Kind == TQorFile::kLocal) {
        TShellObject::ShowProperty(this, file->URL->GetLocalPath());
        return;
    }
    std::vector<const TQorFile*> files;
    if (QApplication::focusWidget() == pflFile) {
        for (size_t row : pflFile->SelectedRows())
            if (const TQorFile* each = pflFile->GetFileInfo(static_cast<int>(row))) files.push_back(each);
    } else {
        files.push_back(file);
    }
    ShowRecordProperty(files);
}

void TYarvWnd::PagePropertyCmd() {
    if (NoPage) return;
    if (ShownPage.Kind == TQorFile::kLocal) TShellObject::ShowProperty(this, ShownPage.URL->GetLocalPath());
    else ShowRecordProperty({&ShownPage});
}

void TYarvWnd::ExportURL(bool toFile) {
    const std::string text = pflFile->GetSelectURLString();
    if (text.empty()) return;
    if (!toFile) {
        TURLExporter::ToClipboard(text);
        return;
    }
    ++modal_;
    TURLExporter::ToFile(this, text);
    --modal_;
    AfterModal();
}

void TYarvWnd::MakeRoot() {
    TQorPageNode* node = pwtTree->SelectedNode();
    if (TQorFile* file = node ? TQorWebTree::GetFileInfo(node) : nullptr) OpenURL(file->URL->GetURL(), loNewRoot);
}

void TYarvWnd::CopyCmd() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == mmSource) mmSource->copy();
    else if (focus == pflFile) pflFile->ToClipboard(false);
    else if (auto* line = qobject_cast<QLineEdit*>(focus)) line->copy();
}

void TYarvWnd::CutCmd() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == pflFile) pflFile->ToClipboard(true);
    else if (auto* line = qobject_cast<QLineEdit*>(focus)) line->cut();
}

void TYarvWnd::PasteCmd() {
    if (auto* line = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        line->paste();
        return;
    }
    // Only into a folder listing: a local page may be a file.
    if (!plmLoader->Local || !plmLoader->LocalList || NoPage) return;
    const std::string folder = ShownPage.URL->GetLocalPath();
    if (!TFileOps::DirectoryExists(folder) || !pflFile->FromClipboard(true, folder)) return;
    ++modal_; // a paste may ask before it replaces
    const bool pasted = pflFile->FromClipboard(false, folder);
    --modal_;
    AfterModal();
    if (pasted && !DirMonitor->Active()) UpdatePage();
}

void TYarvWnd::DeleteCmd() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == phtHistory) {
        const QModelIndex index = phtHistory->currentIndex();
        TQorHistoryDate* day = phtHistory->GetDateInfo(index);
        if (!day || (phtHistory->TodayNode() && day != phtHistory->TodayNode())) phtHistory->DeleteItem(index);
        PropDlgs.RefreshAll();
    } else if (focus == plvUnreach) {
        pulList.SelDelete();
        ShowUnreachStatus();
    }
}

void TYarvWnd::Reset() {
    SetCursorBusy(true);
    NoPage = true;
    pwtTree->ClearWebPage();
    pwtTree->ResetHistory();
    pflFile->setUpdatesEnabled(false);
    pflFile->ClearList();
    pflFile->setUpdatesEnabled(true);
    mmSource->clear();
    pabAddress->ClearText();
    setWindowTitle(TLoadCycleRules::AppTitle);
    ShowStatus({});
    PageIcon = -1;
    plmLoader->Modified = false;
    RepaintIcons();
    SetCursorBusy(false);
    PropDlgs.RefreshAll();
    UpdateActions();
}

void TYarvWnd::ToggleShowAnchor() {
    poOption.ShowAnchor = !poOption.ShowAnchor;
    Commands->Get("mnuViewShowAnchor")->setChecked(poOption.ShowAnchor);
    SetCursorBusy(true);
    pwtTree->SetShowAnchor(poOption.ShowAnchor);
    pflFile->SetShowAnchor(poOption.ShowAnchor);
    plmLoader->SearchAnchorStr = poOption.ShowAnchor;
    pflFile->UpdateItemText();
    pwtTree->UpdateNodeText();
    SetCursorBusy(false);
    SaveList(poOption.SaveToFile(Path("option.dat")), "option.dat");
}

void TYarvWnd::CascadeCmd() {
    TQorPageNode* node = pwtTree->SelectedNode();
    const TQorFile* file = node ? TQorWebTree::GetFileInfo(node) : nullptr;
    TDownloadDlg* dlg = NewDownloadWindow();
    dlg->PrepareCascade(file ? file->URL->GetURL() : std::string());
    dlg->SelectExt(cmbFilter->currentIndex());
    dlg->show();
}

// ---------------------------------------------------------------- favorites

void TYarvWnd::RebuildFavoriteMenu() { favoriteFiller_->Fill(Favorites); }

void TYarvWnd::AddFavorite() {
    if (NoPage || ShownPage.Kind == TQorFile::kMail) return;
    TFavoriteItem* item =
        Favorites.AddPage(ShownPage.URL->GetURL(), plmLoader->PageItems->Title, ShownPage.URL->GetPlaneURL());
    SaveList(Favorites.SaveToFile(Path("favorite.dat")), "favorite.dat");
    // Appended without a key: the keys come with the next rebuild.
    QString caption = TQtText::ToQ(item->Title);
    caption.replace('&', "&&");
    caption.replace('\t', ' ');
    const std::string url = item->URL;
    mnuFavorite->addAction(caption, this, [this, url] { OpenURL(url, loNewRoot); });
}

void TYarvWnd::OptimizeFavorites() {
    TFavoriteOptDlg dlg(this);
    dlg.Manager = &Favorites;
    if (RunModal(dlg) != QDialog::Accepted) return;
    SaveList(Favorites.SaveToFile(Path("favorite.dat")), "favorite.dat");
    RebuildFavoriteMenu();
}

// ---------------------------------------------------------------- tools

bool TYarvWnd::SaveList(bool written, const char* name) {
    if (written) return true;
    const std::string message = TErrorBox::SaveFailedMessage(Path(name));
    if (OnSaveError) {
        OnSaveError(message);
    } else {
        ++modal_;
        TErrorBox::Show(this, message);
        --modal_;
        AfterModal();
    }
    return false;
}

void TYarvWnd::OptionCmd() {
    TOptionDlg dlg(this);
    dlg.Option = &poOption;
    dlg.Conn = &pcgConn;
    dlg.Uncache = &UncachePage;
    dlg.OnClearHistory = [this](TOptionDlg* sender, bool& done) {
        QMessageBox ask(QMessageBox::Question, S(48), S(47), QMessageBox::Yes | QMessageBox::No, sender);
        if (ask.exec() != QMessageBox::Yes) return;
        phtHistory->DeleteAll();
        pabAddress->Clear();
        pabAddress->SaveToFile(Path("address.dat"));
        done = true;
    };
    dlg.OnClearCache = [this](TOptionDlg*, bool& done) {
        SetCursorBusy(true);
        plmLoader->ClearCache();
        SetCursorBusy(false);
        done = true;
    };
    if (RunModal(dlg) != QDialog::Accepted) return;
    SaveList(poOption.SaveToFile(Path("option.dat")), "option.dat");
    SaveList(pcgConn.SaveToFile(Path("connect.dat")), "connect.dat");
    ApplyOptions();
    Commands->Get("mnuViewShowAnchor")->setChecked(poOption.ShowAnchor);
    PreviewWnd->SetConn(pcgConn);
}

void TYarvWnd::FileFilterCmd() {
    TFileFilterDlg dlg(this);
    dlg.Filter = &FileFilter;
    if (RunModal(dlg) != QDialog::Accepted) return;
    SaveList(FileFilter.SaveToFile(Path("ffilter.dat")), "ffilter.dat");
    RebuildFilterBox();
}

void TYarvWnd::ProxyEditCmd() {
    TProxyEditorDlg dlg(this);
    dlg.Manager = Setting->ProxyManager.get();
    if (RunModal(dlg) != QDialog::Accepted) return;
    SaveList(Setting->ProxyManager->SaveToFile(Path("proxy.dat")), "proxy.dat");
    RebuildProxyBox();
}

void TYarvWnd::URLReplaceCmd() {
    TURLReplaceEditDlg dlg(this);
    dlg.Replace = &purReplace;
    if (RunModal(dlg) != QDialog::Accepted) return;
    SaveList(purReplace.SaveToFile(Path("urlrep.dat")), "urlrep.dat");
}

std::string TYarvWnd::ManualPath() {
    std::string folder = TSystemFolders::ExeFolder();
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder + "manual\\index.html";
}

void TYarvWnd::HelpContents() {
    const std::string path = ManualPath();
    if (TFileOps::FileExists(path) && TShellObject::OpenByBrowser(path)) return;
    const std::string message = path + SJ(" が見つかりません。");
    if (OnSaveError) {
        OnSaveError(message);
        return;
    }
    ++modal_;
    TErrorBox::Show(this, message);
    --modal_;
    AfterModal();
}

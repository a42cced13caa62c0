#include "download/ui/DownloadDlg.h"

#include "download/CascadeLoader.h"
#include "download/DownloadCaption.h"
#include "download/DownloadInput.h"
#include "download/QorUnreachList.h"
#include "download/ui/DownloadListModel.h"
#include "download/ui/RunCountDlg.h"
#include "download/ui/SelDirDlg.h"
#include "engine/FileFilter.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorFile.h"
#include "engine/QorURLExpand.h"
#include "engine/ui/FilePropDlg.h"
#include "engine/ui/FilePropDlgManager.h"
#include "engine/ui/QtText.h"
#include "engine/ui/URLInputWnd.h"
#include "platform/DateTime.h"
#include "platform/StringTable.h"
#include "shell/SeOleTarget.h"
#include "shell/ShellObject.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Wait cursor for the span of a long operation.
struct TWaitCursor {
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The lines of `text` that are web addresses. A local path or a mail
// address is no download, and the range expansion would drop a path's
// backslashes and make "C:\dl\a.txt" the web address "http://C:dla.txt".
std::string WebLines(std::string_view text) {
    std::string web;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (TQorFile(line).Kind == TQorFile::kWeb) {
            web.append(line);
            web.append("\r\n");
        }
        start = end + 1;
    }
    return web;
}

} // namespace

TDownloadDlg::TDownloadDlg(int windowNumber, int retryWait, bool dirReapp, bool autoClose, QWidget* parent)
    : QWidget(parent, Qt::Window), PropDlgManager(std::make_unique<TFilePropDlgManager>()),
      WindowNumber(windowNumber), pcgConn(std::make_unique<TQorConnGeneral>()),
      pdlListData(std::make_unique<TQorDownloadList>()) {
    setObjectName("DownloadDlg");
    setAttribute(Qt::WA_DeleteOnClose);
    pcgConn->SetRedirect(true);
    pcgConn->SetAutoReferer(true);
    pcgConn->SetUserAgent("Vorlen/2.1");

    TQorDownloadList& list = *pdlListData;
    list.Conn = pcgConn.get();
    list.RetryWait = retryWait;
    list.OnLoaded = [this](TQorDownloadList*, bool success, TQorFile* file) { pdlListLoaded(success, file); };
    list.OnProcessed = [this](TQorDownloadList*) { pdlListProcessed(); };

    QStyle* st = style();
    tbbSuspend = Command("tbbSuspend", "実行(&R)", QKeySequence("Ctrl+R"), &TDownloadDlg::tbbSuspendClick);
    tbbSuspend->setCheckable(true);
    tbbSuspend->setEnabled(false);
    tbbSuspend->setIcon(st->standardIcon(QStyle::SP_MediaPlay));
    tbbURLInput = Command("tbbURLInput", "URLを入力(&U)", QKeySequence("Ctrl+U"), &TDownloadDlg::tbbURLInputClick);
    tbbURLInput->setToolTip(QtLit("URLを入力"));
    tbbURLInput->setIcon(st->standardIcon(QStyle::SP_FileDialogNewFolder));
    // Delete, Ctrl+V and Ctrl+A come through keyPressEvent, so that the
    // save-folder box keeps them for its own text.
    tbbPaste = Command("tbbPaste", "貼り付け(&P)\tCtrl+V", {}, &TDownloadDlg::tbbPasteClick);
    tbbPaste->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    tbbDelete = Command("tbbDelete", "削除(&D)\tDel", {}, &TDownloadDlg::tbbDeleteClick);
    tbbDelete->setIcon(st->standardIcon(QStyle::SP_TrashIcon));
    tbbSelectAll = Command("tbbSelectAll", "全て選択(&A)\tCtrl+A", {}, &TDownloadDlg::tbbSelectAllClick);
    tbbDownload = Command("tbbDownload", "選択したファイルをダウンロード(&E)", QKeySequence(Qt::Key_F5),
                          &TDownloadDlg::tbbDownloadClick);
    tbbDownload->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
    tbbFailToWait = Command("tbbFailToWait", "失敗したファイルを待機状態に戻す(&W)", QKeySequence(Qt::Key_F7),
                            &TDownloadDlg::tbbFailToWaitClick);
    tbbFailToWait->setIcon(st->standardIcon(QStyle::SP_BrowserReload));
    tbbSelSaveDir = Command("tbbSelSaveDir", "保存先フォルダの設定(&S)", QKeySequence(Qt::Key_F8),
                            &TDownloadDlg::tbbSelSaveDirClick);
    tbbSelSaveDir->setIcon(st->standardIcon(QStyle::SP_DirIcon));
    tbbSetRunCount = Command("tbbSetRunCount", "実行回数の上限設定(&N)", QKeySequence(Qt::Key_F9),
                             &TDownloadDlg::tbbSetRunCountClick);
    tbbSetRunCount->setIcon(st->standardIcon(QStyle::SP_FileDialogDetailedView));
    tbbProp = Command("tbbProp", "プロパティ(&R)", QKeySequence(Qt::Key_F4), &TDownloadDlg::tbbPropClick);
    tbbProp->setToolTip(QtLit("プロパティ"));
    tbbProp->setIcon(st->standardIcon(QStyle::SP_FileDialogInfoView));
    actDropDown = Command("actDropDown", "", QKeySequence("Ctrl+Shift+D"), &TDownloadDlg::actDropDownClick);
    actClose = Command("actClose", "閉じる", QKeySequence("Shift+Esc"), &TDownloadDlg::actCloseClick);

    tbMain = new QToolBar(this);
    tbMain->setObjectName("tbMain");
    tbMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (QAction* a : {tbbSuspend, tbbURLInput, tbbPaste, tbbDelete, tbbDownload, tbbFailToWait, tbbSelSaveDir,
                       tbbSetRunCount, tbbProp})
        tbMain->addAction(a);

    pgcMain = new QTabWidget(this);
    pgcMain->setObjectName("pgcMain");
    pgcMain->addTab(BuildFileTab(), QtLit("ファイル"));
    pgcMain->addTab(BuildOptionTab(), QtLit("オプション"));
    pgcMain->addTab(BuildCascadeTab(), QtLit("カスケードダウンロード"));

    stbLoad = new QStatusBar(this);
    stbLoad->setObjectName("stbLoad");
    stbLoad->setSizeGripEnabled(true);
    panels_[0] = new QLabel(stbLoad);
    // A long address in the first panel must not widen the window.
    panels_[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panels_[1] = new QLabel(stbLoad);
    panels_[1]->setFixedWidth(150);
    stbLoad->addWidget(panels_[0], 1);
    stbLoad->addPermanentWidget(panels_[1]);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(tbMain);
    layout->addWidget(pgcMain, 1);
    layout->addWidget(stbLoad);
    resize(720, 420);

    // Addresses dropped from other programs, and for now the records our
    // own views drag (they come as their addresses). A dropped local file
    // gives its path, which AddURL skips as no download.
    sotTarget = new TSeOleTarget(this);
    sotTarget->setObjectName("sotTarget");
    sotTarget->NoFile = false;
    sotTarget->OnDropURL = [this](TSeOleTarget*, const std::string& text) { AddURL(text); };

    chkAutoClose->setChecked(autoClose);
    chkDirReapp->setChecked(dirReapp);
    SetCascadeControls(false);

    // Every key of the window, also those its controls take, goes on to
    // OnKeyForward.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    UpdateCaption();
    UpdateActions();
}

TDownloadDlg::~TDownloadDlg() {
    if (Loader) {
        Loader->Cancel();
        Loader = nullptr;
    }
    pdlListData->Unprocess = true;
    pdlListData->OnLoaded = nullptr;
    pdlListData->OnProcessed = nullptr;
    PropDlgManager.reset();
    delete model_;
    model_ = nullptr;
    pdlListData.reset();
}

QAction* TDownloadDlg::Command(const char* name, const char* caption, const QKeySequence& key,
                               void (TDownloadDlg::*slot)()) {
    auto* a = new QAction(QtLit(caption), this);
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    addAction(a);
    connect(a, &QAction::triggered, this, slot);
    return a;
}

QWidget* TDownloadDlg::BuildFileTab() {
    auto* tab = new QWidget;
    tab->setObjectName("tabFile");
    model_ = new TDownloadListModel(pdlListData.get());
    pdlList = new QTableView(tab);
    pdlList->setObjectName("pdlList");
    pdlList->setModel(model_);
    pdlList->setSelectionBehavior(QAbstractItemView::SelectRows);
    pdlList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    pdlList->setShowGrid(true);
    pdlList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pdlList->setWordWrap(false);
    pdlList->setIconSize(QSize(16, 16));
    pdlList->verticalHeader()->hide();
    pdlList->verticalHeader()->setDefaultSectionSize(pdlList->fontMetrics().height() + 6);
    pdlList->horizontalHeader()->setSectionsClickable(false);
    pdlList->horizontalHeader()->setHighlightSections(false);
    const int widths[] = {180, 110, 90, 130, 120, 70, 80, 90};
    for (int i = 0; i < 8; ++i) pdlList->setColumnWidth(i, widths[i]);
    connect(pdlList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateActions(); });

    auto* label = new QLabel(QtLit("デフォルトフォルダ(&D):"), tab);
    cmbSaveDir = new QComboBox(tab);
    cmbSaveDir->setObjectName("cmbSaveDir");
    cmbSaveDir->setEditable(true);
    cmbSaveDir->setInsertPolicy(QComboBox::NoInsert);
    cmbSaveDir->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    label->setBuddy(cmbSaveDir);
    tbbBrowse = new QToolButton(tab);
    tbbBrowse->setObjectName("tbbBrowse");
    tbbBrowse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    tbbBrowse->setShortcut(QKeySequence("Ctrl+D"));
    connect(tbbBrowse, &QToolButton::clicked, this, &TDownloadDlg::tbbBrowseClick);
    btnCancel = new QPushButton(QtLit("閉じる"), tab);
    btnCancel->setObjectName("btnCancel");
    connect(btnCancel, &QPushButton::clicked, this, &QWidget::close);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label);
    bottom->addWidget(cmbSaveDir, 1);
    bottom->addWidget(tbbBrowse);
    bottom->addSpacing(12);
    bottom->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pdlList, 1);
    layout->addLayout(bottom);
    return tab;
}

QWidget* TDownloadDlg::BuildOptionTab() {
    auto* tab = new QWidget;
    tab->setObjectName("tabOption");
    chkAutoClose = new QCheckBox(QtLit("完了時に自動的に閉じる(&C)"), tab);
    chkAutoClose->setObjectName("chkAutoClose");
    edtDlCount = new QLineEdit("1", tab);
    edtDlCount->setObjectName("edtDlCount");
    edtDlCount->setMaxLength(2);
    edtDlCount->setFixedWidth(40);
    auto* countLabel = new QLabel(QtLit("同時にダウンロードする数(&D):"), tab);
    countLabel->setBuddy(edtDlCount);
    chkFileSize = new QCheckBox(QtLit("以下のサイズのファイルはダウンロードしない(&Z)"), tab);
    chkFileSize->setObjectName("chkFileSize");
    edtFileSize = new QLineEdit(tab);
    edtFileSize->setObjectName("edtFileSize");
    edtFileSize->setMaxLength(7);
    edtFileSize->setFixedWidth(80);
    radFileSizeDown = new QRadioButton(QtLit("以下"), tab);
    radFileSizeDown->setObjectName("radFileSizeDown");
    radFileSizeDown->setChecked(true);
    radFileSizeUp = new QRadioButton(QtLit("以上"), tab);
    radFileSizeUp->setObjectName("radFileSizeUp");
    chkDirReapp = new QCheckBox(QtLit("ダウンロードするファイルのディレクトリ構造を再現する(&R)"), tab);
    chkDirReapp->setObjectName("chkDirReapp");

    auto* count = new QHBoxLayout;
    count->addWidget(countLabel);
    count->addWidget(edtDlCount);
    count->addStretch();
    auto* size = new QHBoxLayout;
    size->addSpacing(20);
    size->addWidget(edtFileSize);
    size->addWidget(new QLabel("KB", tab));
    size->addWidget(radFileSizeDown);
    size->addWidget(radFileSizeUp);
    size->addStretch();
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(chkAutoClose);
    layout->addLayout(count);
    layout->addWidget(chkFileSize);
    layout->addLayout(size);
    layout->addWidget(chkDirReapp);
    layout->addStretch();
    return tab;
}

QWidget* TDownloadDlg::BuildCascadeTab() {
    auto* tab = new QWidget;
    tab->setObjectName("tabCascade");
    chkDoCascade = new QCheckBox(QtLit("カスケードダウンロードを行う(&D):"), tab);
    chkDoCascade->setObjectName("chkDoCascade");
    connect(chkDoCascade, &QCheckBox::clicked, this, &TDownloadDlg::chkDoCascadeClick);
    auto line = [tab](const char* name) {
        auto* e = new QLineEdit(tab);
        e->setObjectName(name);
        return e;
    };
    edtStartURL = line("edtStartURL");
    edtPageQuery = line("edtPageQuery");
    edtFileQuery = line("edtFileQuery");
    edtCascade = line("edtCascade");
    edtCascade->setMaxLength(4);
    edtCascade->setFixedWidth(60);
    edtCascade->setText("1");
    cmbExt = new QComboBox(tab);
    cmbExt->setObjectName("cmbExt");
    cmbExt->setEditable(true);
    cmbExt->setInsertPolicy(QComboBox::NoInsert);
    // A typed text is its own extension list: no entry is selected then.
    connect(cmbExt, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (cmbExt->currentIndex() >= 0 && cmbExt->itemText(cmbExt->currentIndex()) != text) {
            const QSignalBlocker block(cmbExt);
            cmbExt->setCurrentIndex(-1);
            cmbExt->setEditText(text);
        }
    });
    radPathAll = new QRadioButton(QtLit("全て(&A)"), tab);
    radPathAll->setObjectName("radPathAll");
    radPathStartBelow = new QRadioButton(QtLit("開始ディレクトリ以下(&B)"), tab);
    radPathStartBelow->setObjectName("radPathStartBelow");
    radPathStartBelow->setChecked(true);
    radPathStartOnly = new QRadioButton(QtLit("開始アドレスのみ [掲示板等] (&O)"), tab);
    radPathStartOnly->setObjectName("radPathStartOnly");

    auto* grid = new QGridLayout;
    auto label = [&](const char* caption, QWidget* buddy, int row) {
        auto* l = new QLabel(QtLit(caption), tab);
        l->setBuddy(buddy);
        grid->addWidget(l, row, 0);
        grid->addWidget(buddy, row, 1);
        return l;
    };
    lblStartURL = label("開始アドレス(&S):", edtStartURL, 0);
    lblStartURL->setObjectName("lblStartURL");
    label("ページクエリ(&P):", edtPageQuery, 1);
    label("ファイルクエリ(&F):", edtFileQuery, 2);
    label("拡張子(&E):", cmbExt, 3);
    auto* levels = new QHBoxLayout;
    levels->addWidget(edtCascade);
    levels->addStretch();
    auto* levelsLabel = new QLabel(QtLit("追跡階層数(&C):"), tab);
    levelsLabel->setBuddy(edtCascade);
    grid->addWidget(levelsLabel, 4, 0);
    grid->addLayout(levels, 4, 1);
    auto* scope = new QGroupBox(tab);
    auto* scopeLayout = new QHBoxLayout(scope);
    scopeLayout->addWidget(radPathAll);
    scopeLayout->addWidget(radPathStartBelow);
    scopeLayout->addWidget(radPathStartOnly);
    scopeLayout->addStretch();
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(chkDoCascade);
    layout->addLayout(grid);
    layout->addWidget(scope);
    layout->addStretch();
    return tab;
}

void TDownloadDlg::ShowError(const QString& message) {
    QMessageBox::critical(this, QtStr(TStringTable::Get(14)), message);
}

QString TDownloadDlg::PanelText(int panel) const {
    return panel >= 0 && panel < 2 ? panels_[panel]->text() : QString();
}

// ---- operations of the main window ----

void TDownloadDlg::SetDataPath(const std::string& path) {
    DataPath = path;
    LoadSaveDirList();
    if (cmbSaveDir->count() > 0) cmbSaveDir->setCurrentIndex(0);
}

void TDownloadDlg::SetCachePath(const std::string& path) {
    CachePath = path;
    pdlListData->CachePath = path;
}

void TDownloadDlg::SetLoadCount(int count) {
    LoadCount = count;
    edtDlCount->setText(QString::number(count));
}

void TDownloadDlg::SetConn(const TQorConnGeneral* conn) { pcgConn->Assign(conn); }

void TDownloadDlg::SetFileFilter(TFileFilter* filter) {
    FileFilter = filter;
    const QString typed = cmbExt->currentIndex() < 0 ? cmbExt->currentText() : QString();
    const int selected = cmbExt->currentIndex();
    const QSignalBlocker block(cmbExt);
    cmbExt->clear();
    for (int i = 0; filter && i < filter->Count(); ++i) cmbExt->addItem(QtStr(filter->GetItem(i)->Name));
    if (selected >= 0 && selected < cmbExt->count())
        cmbExt->setCurrentIndex(selected);
    else {
        cmbExt->setCurrentIndex(-1);
        cmbExt->setEditText(typed);
    }
}

void TDownloadDlg::SetRunState(bool paused) {
    tbbSuspend->setToolTip(QtStr(TStringTable::Get(paused ? 45 : 22)));
    for (QWidget* w : std::initializer_list<QWidget*>{cmbSaveDir, tbbBrowse, edtDlCount, chkDirReapp})
        w->setEnabled(paused);
    SetSizeControls(paused);
    if (chkDoCascade->isChecked()) SetCascadeControls(paused);
    const bool start = paused && !Loader;
    chkDoCascade->setEnabled(start);
    lblStartURL->setEnabled(start && chkDoCascade->isChecked());
    edtStartURL->setEnabled(start && chkDoCascade->isChecked());
}

void TDownloadDlg::SetSizeControls(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{chkFileSize, edtFileSize, radFileSizeDown, radFileSizeUp})
        w->setEnabled(enabled);
}

void TDownloadDlg::SetCascadeControls(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{lblStartURL, edtStartURL, edtPageQuery, edtFileQuery, cmbExt,
                                                      edtCascade, radPathAll, radPathStartBelow, radPathStartOnly})
        w->setEnabled(enabled);
    if (Loader) {
        lblStartURL->setEnabled(false);
        edtStartURL->setEnabled(false);
    }
}

void TDownloadDlg::AddFile(const TQorFile* file) {
    if (!file || file->Kind != TQorFile::kWeb) return;
    pdlListData->AddFile(file);
    tbbSuspend->setEnabled(true);
    CaptionLater();
}

void TDownloadDlg::AddURL(const std::string& text) {
    int added = 0;
    {
        TWaitCursor wait;
        TQorURLExpand expand(WebLines(text));
        for (const std::string& line : expand.Lines) {
            if (line.empty()) continue;
            TQorFile file(line);
            if (file.Kind != TQorFile::kWeb) continue;
            AddFile(&file);
            ++added;
        }
    }
    UpdateCaption();
    if (added > 0 && !Paused) StartDownload();
}

void TDownloadDlg::StartDownload() {
    // Counting the finished rows walks the queue, and a crawl calls this
    // for every file it finds: one caption per refresh of the view.
    CaptionLater();
    TQorDownloadList& list = *pdlListData;
    list.LoadCount = TDownloadInput::LoadCountValue(SjStr(edtDlCount->text()));
    uint64_t limit = 0;
    const bool limitOk = TDownloadInput::LimitSizeValue(SjStr(edtFileSize->text()), limit);
    list.CheckSize = chkFileSize->isChecked() && limitOk;
    list.SizeVector = radFileSizeDown->isChecked();
    list.LimitSize = limit;
    list.DirReapp = chkDirReapp->isChecked();
    list.Download();
}

void TDownloadDlg::StartWithFolder(const std::string& folder) {
    cmbSaveDir->setEditText(QtStr(folder));
    tbbSuspend->setEnabled(true);
    tbbSuspend->setChecked(true);
    Paused = true;
    tbbSuspendClick();
}

void TDownloadDlg::PrepareCascade(const std::string& url) {
    pgcMain->setCurrentIndex(2);
    chkDoCascade->setChecked(true);
    chkDoCascadeClick();
    edtStartURL->setText(QtStr(url));
}

void TDownloadDlg::SelectExt(int index) {
    const int i = index - 1;
    cmbExt->setCurrentIndex(i >= 0 && i < cmbExt->count() ? i : -1);
}

void TDownloadDlg::UpdateCaption() {
    captionPending_ = false;
    TDownloadCaptionState s;
    s.WindowNumber = WindowNumber;
    s.Paused = Paused;
    s.CascadeThread = Loader != nullptr;
    s.CascadeChecked = chkDoCascade->isChecked();
    s.Rows = pdlListData->Count();
    s.Finished = pdlListData->GetLoadedCount();
    setWindowTitle(QtStr(TDownloadCaption::Get(s)));
}

// Counting the finished rows walks the queue: a crawl that adds thousands
// of rows, and their ends, get one caption per refresh of the view.
void TDownloadDlg::CaptionLater() {
    captionPending_ = true;
    ShowLater();
}

// The crawl's page texts and the success counts change with every page and
// every transfer's end: shown once per refresh of the view as well.
void TDownloadDlg::SetPanelText(int panel, const QString& text) {
    panelTexts_[panel] = text;
    panelPending_[panel] = true;
    ShowLater();
}

void TDownloadDlg::ShowLater() {
    if (showPending_) return;
    showPending_ = true;
    QTimer::singleShot(TDownloadListModel::kRefreshMs, this, &TDownloadDlg::ShowPending);
}

void TDownloadDlg::ShowPending() {
    showPending_ = false;
    if (captionPending_) UpdateCaption();
    for (int i = 0; i < 2; ++i) {
        if (!panelPending_[i]) continue;
        panelPending_[i] = false;
        panels_[i]->setText(panelTexts_[i]);
    }
}

std::vector<TQorDownloadRow*> TDownloadDlg::SelectedRows() const {
    std::vector<TQorDownloadRow*> rows;
    if (!pdlList->selectionModel()) return rows;
    QModelIndexList indexes = pdlList->selectionModel()->selectedRows();
    std::sort(indexes.begin(), indexes.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& i : indexes)
        if (TQorDownloadRow* row = pdlListData->FindRow(model_->RowId(i.row()))) rows.push_back(row);
    return rows;
}

void TDownloadDlg::UpdateActions() {
    const bool selected = pdlList->selectionModel() && pdlList->selectionModel()->hasSelection();
    tbbDelete->setEnabled(selected);
    tbbDownload->setEnabled(selected);
    tbbFailToWait->setEnabled(Paused && pdlListData->Count() > 0);
    tbbSelSaveDir->setEnabled(selected);
    tbbSetRunCount->setEnabled(selected);
    tbbProp->setEnabled(selected);
}

// ---- save folders ----

void TDownloadDlg::FillSaveDirBox() {
    const QString text = cmbSaveDir->currentText();
    cmbSaveDir->clear();
    for (const std::string& item : saveDirs_.Items) cmbSaveDir->addItem(QtStr(item));
    if (cmbSaveDir->count() == 0) cmbSaveDir->setEditText(text);
}

void TDownloadDlg::LoadSaveDirList() {
    if (DataPath.empty()) return;
    saveDirs_.LoadFromFile(DataPath + "savedir.dat");
    FillSaveDirBox();
    if (!saveDirs_.Items.empty()) {
        cmbSaveDir->setCurrentIndex(0);
        pdlListData->SetDefaultSaveDir(saveDirs_.Items.front());
    }
}

bool TDownloadDlg::CheckSaveDir(std::string& folder) {
    std::string message;
    if (!TSaveDirList::CheckSaveDir(SjStr(cmbSaveDir->currentText()), folder, message)) {
        ShowError(QtStr(message));
        return false;
    }
    saveDirs_.Use(folder);
    FillSaveDirBox();
    cmbSaveDir->setCurrentIndex(0);
    SaveSaveDirList();
    return true;
}

void TDownloadDlg::SaveSaveDirList() {
    if (DataPath.empty()) return;
    if (!saveDirs_.SaveToFile(DataPath + "savedir.dat")) ShowError(QtLit("保存フォルダリストのセーブに失敗しました。"));
}

// ---- run and pause ----

void TDownloadDlg::tbbSuspendClick() {
    if (Paused) {
        std::string folder;
        if (!CheckSaveDir(folder) || (chkDoCascade->isChecked() && !CheckCascade())) {
            tbbSuspend->setChecked(false);
            return;
        }
        Paused = false;
        SetRunState(false);
        UpdateCaption();
        pgcMain->setCurrentIndex(0);
        pdlListData->SetDefaultSaveDir(folder);
        pdlListData->Resume();
        StartDownload();
        if (chkDoCascade->isChecked()) StartCascade();
        tbbSuspend->setChecked(true);
        tbbSuspend->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    } else {
        LoadSaveDirList();
        Paused = true;
        SetRunState(true);
        UpdateCaption();
        pdlListData->Suspend();
        if (Loader) Loader->Pause();
        tbbSuspend->setChecked(false);
        tbbSuspend->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    }
    UpdateActions();
}

// ---- cascade ----

void TDownloadDlg::chkDoCascadeClick() {
    const bool on = chkDoCascade->isChecked();
    SetCascadeControls(on);
    SetSizeControls(on);
    tbbSuspend->setEnabled(on || pdlListData->Count() > 0);
    UpdateCaption();
}

bool TDownloadDlg::CheckCascade() {
    std::string message;
    if (TCascadeLoader::CheckInput(SjStr(edtStartURL->text()), SjStr(edtCascade->text()), message)) return true;
    ShowError(QtStr(message));
    pgcMain->setCurrentIndex(2);
    return false;
}

void TDownloadDlg::StartCascade() {
    chkDoCascade->setEnabled(false);
    lblStartURL->setEnabled(false);
    edtStartURL->setEnabled(false);
    if (!Loader) {
        auto* loader = new TCascadeLoader(pcgConn.get(), SjStr(edtStartURL->text()));
        loader->OnSearchPage = [this](TCascadeLoader*, TQorFile* page) {
            SetPanelText(0, QtStr(page->URL->GetURL() + SJ(" を検索しています...")));
        };
        loader->OnSearchedPage = [this](TCascadeLoader*, TQorFile* page) {
            SetPanelText(0, QtStr(page->URL->GetURL() + SJ(" からファイルを取得しています...")));
        };
        loader->OnFindFile = [this](TCascadeLoader*, TQorFile* file) {
            AddFile(file);
            if (!Paused) StartDownload();
        };
        // The end notice comes after Cancel too, and may find this window
        // closed or gone.
        QPointer<TDownloadDlg> self(this);
        loader->OnTerminate = [self, loader](TThread*) {
            if (self) self->LoaderTerminate(loader);
        };
        Loader = loader;
        UpdateCaption();
        SuccessCount = 0;
        FailCount = 0;
        SetPanelText(1, QString());
    }
    std::string exts;
    const int selected = cmbExt->currentIndex();
    if (selected < 0)
        exts = SjStr(cmbExt->currentText());
    else if (const TFileFilterItem* item = FileFilter ? FileFilter->GetItem(selected) : nullptr)
        exts = item->GetExtensionText();
    Loader->SetExt(exts);
    Loader->SetPageQuery(SjStr(edtPageQuery->text()));
    Loader->SetFileQuery(SjStr(edtFileQuery->text()));
    Loader->Levels = TCascadeLoader::LevelsValue(SjStr(edtCascade->text()));
    Loader->PathType = radPathStartOnly->isChecked()    ? TCascadeLoader::kPathStartOnly
                       : radPathStartBelow->isChecked() ? TCascadeLoader::kPathStartBelow
                                                        : TCascadeLoader::kPathAll;
    Loader->Start();
}

void TDownloadDlg::LoaderTerminate(TCascadeLoader* sender) {
    if (sender != Loader) return; // cancelled by a closing window
    if (!sender->Canceled) SetPanelText(0, QtLit("全てのページの検索が完了しました。"));
    Loader = nullptr;
    SetRunState(Paused);
    UpdateCaption();
}

// ---- queue events ----

void TDownloadDlg::pdlListLoaded(bool success, TQorFile* file) {
    if (success && UnreachList) UnreachList->DeleteByURL(file->URL->GetURL());
    CaptionLater();
    success ? ++SuccessCount : ++FailCount;
    SetPanelText(1, QtLit("成功:%1 失敗:%2").arg(SuccessCount).arg(FailCount));
}

void TDownloadDlg::pdlListProcessed() {
    CaptionLater();
    // Not inside the queue's own call: closing clears the queue.
    if (!chkDoCascade->isChecked() && chkAutoClose->isChecked())
        QTimer::singleShot(0, this, [this] {
            if (!chkDoCascade->isChecked() && chkAutoClose->isChecked()) close();
        });
}

// ---- closing ----

void TDownloadDlg::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    closing_ = true;
    if (Loader) {
        Loader->Cancel();
        Loader = nullptr;
    }
    TQorDownloadList& list = *pdlListData;
    {
        TWaitCursor wait;
        // What a row holds is known once its transfer has stopped; the end
        // reports of the cancelled transfers are ignored.
        std::vector<const TQorDownloadManager*> unfinished;
        for (TQorDownloadRow* row : list.GetUnfinished())
            if (row->Data) unfinished.push_back(row->Data);
        list.Unprocess = true;
        list.CancelAll();
        if (UnreachList) {
            const std::string updated = TDateTimeText::DateTimeText(TDateTimeText::Now());
            for (const TQorDownloadManager* m : unfinished)
                UnreachList->Add(m->File->URL->GetURL(), m->FileSize, m->LoadSize,
                                 m->FileSize == -1 ? -1 : list.GetProgress(m), updated);
            // At once, not only when the program ends: a crash later must
            // not lose them.
            if (!unfinished.empty() && !DataPath.empty()) UnreachList->SaveToFile(DataPath + "unreach.dat");
        }
        list.Clear();
    }
    PropDlgManager->CloseAll();
    if (OnCloseWindow) OnCloseWindow(this);
    event->accept();
}

// ---- commands ----

void TDownloadDlg::tbbURLInputClick() {
    TURLInputWnd input(this);
    input.SetMode(TURLInputWnd::imMany);
    if (input.exec() == QDialog::Accepted) AddURL(input.Result());
}

void TDownloadDlg::tbbPasteClick() { AddURL(SjStr(QApplication::clipboard()->text())); }

void TDownloadDlg::tbbDeleteClick() {
    PropDlgManager->RefreshAll();
    std::vector<TQorDownloadRow*> rows = SelectedRows();
    {
        TWaitCursor wait;
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) pdlListData->Delete(*it);
    }
    model_->Refresh();
    UpdateCaption();
    UpdateActions();
}

void TDownloadDlg::tbbSelectAllClick() { pdlList->selectAll(); }

void TDownloadDlg::tbbDownloadClick() {
    std::vector<TQorDownloadRow*> rows = SelectedRows();
    std::string folder;
    if (rows.empty() || !CheckSaveDir(folder)) return;
    pdlListData->SetDefaultSaveDir(folder);
    for (TQorDownloadRow* row : rows) pdlListData->IndependenceDownload(row);
    UpdateCaption();
}

void TDownloadDlg::tbbFailToWaitClick() {
    {
        TWaitCursor wait;
        pdlListData->FailToWait();
    }
    UpdateCaption();
}

void TDownloadDlg::tbbSelSaveDirClick() {
    std::vector<TQorDownloadRow*> rows = SelectedRows();
    if (rows.empty()) return;
    TSelDirDlg dialog(this);
    if (rows.size() == 1 && rows[0]->Data) dialog.Path = rows[0]->Data->SaveDir;
    if (dialog.exec() != QDialog::Accepted) return;
    // The rows may have gone while the dialog was open.
    std::vector<uint64_t> ids;
    for (TQorDownloadRow* row : rows) ids.push_back(row->Id);
    for (uint64_t id : ids)
        if (TQorDownloadRow* row = pdlListData->FindRow(id)) pdlListData->SetSaveDir(row, dialog.Path);
}

void TDownloadDlg::tbbSetRunCountClick() {
    std::vector<TQorDownloadRow*> rows = SelectedRows();
    if (rows.empty()) return;
    TRunCountDlg dialog(this);
    dialog.Count = rows.size() == 1 && rows[0]->Data ? rows[0]->Data->RetryCount : 0;
    std::vector<uint64_t> ids;
    for (TQorDownloadRow* row : rows) ids.push_back(row->Id);
    if (dialog.exec() != QDialog::Accepted) return;
    for (uint64_t id : ids)
        if (TQorDownloadRow* row = pdlListData->FindRow(id)) pdlListData->SetRetryCount(row, dialog.Count);
}

void TDownloadDlg::tbbPropClick() {
    std::vector<TQorDownloadRow*> rows = SelectedRows();
    if (rows.empty()) return;
    TFilePropDlg* window = PropDlgManager->Create();
    window->SetConn(pcgConn.get());
    for (TQorDownloadRow* row : rows)
        if (row->Data) window->AddFile(row->Data->File.get(), row->Id);
    // The window writes back only into rows that are still in the queue.
    TQorDownloadList* list = pdlListData.get();
    window->Edit().Lookup = [list](uint64_t id) -> TQorFile* {
        TQorDownloadRow* row = list->FindRow(id);
        return row && row->Data ? row->Data->File.get() : nullptr;
    };
    window->show();
}

void TDownloadDlg::tbbBrowseClick() {
    const std::string folder =
        TShellObject::SelectFolder(this, TSaveDirList::Normalize(SjStr(cmbSaveDir->currentText())),
                                   TStringTable::Get(27));
    if (!folder.empty()) cmbSaveDir->setEditText(QtStr(folder));
}

void TDownloadDlg::actDropDownClick() {
    cmbSaveDir->setFocus();
    cmbSaveDir->showPopup();
}

void TDownloadDlg::actCloseClick() { close(); }

// ---- keys and menu ----

void TDownloadDlg::keyPressEvent(QKeyEvent* event) {
    const bool onFiles = pgcMain->currentIndex() == 0;
    const bool boxFocus = cmbSaveDir->hasFocus() || cmbSaveDir->isAncestorOf(QApplication::focusWidget());
    if (event->matches(QKeySequence::Paste)) {
        if (onFiles && !boxFocus && !QApplication::clipboard()->text().isEmpty()) tbbPasteClick();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        if (!boxFocus && tbbDelete->isEnabled()) tbbDeleteClick();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        tbbSelectAllClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TDownloadDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ChildAdded) {
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            child->installEventFilter(this);
    } else if (event->type() == QEvent::KeyPress && OnKeyForward) {
        // Only once per key: the event also passes the parents on its way.
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == QApplication::focusWidget() || (watched == this && !QApplication::focusWidget()))
            OnKeyForward(this, key->key(), key->modifiers());
    }
    return QWidget::eventFilter(watched, event);
}

void TDownloadDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!pdlList->isAncestorOf(childAt(event->pos())) && childAt(event->pos()) != pdlList) return;
    UpdateActions();
    QMenu menu(this);
    menu.addAction(tbbURLInput);
    menu.addAction(tbbPaste);
    menu.addSeparator();
    menu.addAction(tbbDelete);
    menu.addAction(tbbSelectAll);
    menu.addSeparator();
    menu.addAction(tbbDownload);
    menu.addAction(tbbFailToWait);
    menu.addSeparator();
    menu.addAction(tbbSelSaveDir);
    menu.addAction(tbbSetRunCount);
    menu.addSeparator();
    menu.addAction(tbbProp);
    menu.exec(event->globalPos());
}

#include "app/OptionDlg.h"

#include "app/ErrorBox.h"
#include "app/UncachePageDlg.h"
#include "engine/ListFieldText.h"
#include "engine/OptionCheck.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorOption.h"
#include "shell/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

QLineEdit* NumberEdit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(maxLength + 2, '0')) + 8);
    return edit;
}

QCheckBox* Check(QWidget* parent, const char* caption, const char* name) {
    auto* box = new QCheckBox(Q(caption), parent);
    box->setObjectName(name);
    return box;
}

// A number edit with its unit after it, for a form row.
QWidget* WithUnit(QWidget* parent, QLineEdit* edit, const char* unit) {
    auto* holder = new QWidget(parent);
    holder->setFocusProxy(edit); // the label's access key reaches the edit
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(edit);
    if (unit) row->addWidget(new QLabel(Q(unit), holder));
    row->addStretch();
    return holder;
}

std::string Text(const QLineEdit* edit) { return TQtText::FromQ(edit->text()); }

} // namespace

TOptionDlg::TOptionDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("TOptionDlg");
    setWindowTitle(Q("オプション"));
    OnError = [this](const std::string& message) { TErrorBox::Show(this, message); };
    OnEditUncache = [this](TQorUncachePage* list) {
        TUncachePageDlg dialog(this);
        dialog.Uncache = list;
        dialog.exec();
    };

    pgcOption = new QTabWidget(this);
    pgcOption->setObjectName("pgcOption");

    // 全般 (general)
    auto* general = new QWidget;
    {
        cmbDblClk = new QComboBox(general);
        cmbDblClk->setObjectName("cmbDblClk");
        cmbDblClk->addItems({Q("ブラウザで開く"), Q("プレビュー")});
        edtHistoryDay = NumberEdit(general, "edtHistoryDay", 3);
        chkUseCache = Check(general, "一時ファイルを使用する(&U)", "chkUseCache");
        edtCacheSize = NumberEdit(general, "edtCacheSize", 3);
        edtModifyLimit = NumberEdit(general, "edtModifyLimit", 3);
        btnClearHistory = new QPushButton(Q("履歴のクリア"), general);
        btnClearHistory->setObjectName("btnClearHistory");
        btnClearCache = new QPushButton(Q("ファイルの削除"), general);
        btnClearCache->setObjectName("btnClearCache");
        btnUncache = new QPushButton(Q("対象外ページ"), general);
        btnUncache->setObjectName("btnUncache");

        auto* form = new QFormLayout;
        form->addRow(Q("ダブルクリック時の動作(&D):"), cmbDblClk);
        auto* history = new QGroupBox(Q("履歴"), general);
        auto* historyForm = new QFormLayout(history);
        auto* historyRow = new QHBoxLayout;
        historyRow->addWidget(WithUnit(history, edtHistoryDay, "日"));
        historyRow->addStretch();
        historyRow->addWidget(btnClearHistory);
        // A row of a layout gets no buddy of its own: without one the "&"
        // would be shown.
        auto* historyLabel = new QLabel(Q("ページの保存日数(&H):"), history);
        historyLabel->setBuddy(edtHistoryDay);
        historyForm->addRow(historyLabel, historyRow);
        historyForm->addRow(Q("更新通知の期限(&M):"), WithUnit(history, edtModifyLimit, "日"));
        auto* cache = new QGroupBox(Q("一時ファイル"), general);
        auto* cacheForm = new QFormLayout(cache);
        cacheForm->addRow(chkUseCache);
        auto* cacheRow = new QHBoxLayout;
        cacheRow->addWidget(WithUnit(cache, edtCacheSize, "MB"));
        cacheRow->addStretch();
        cacheRow->addWidget(btnClearCache);
        auto* cacheLabel = new QLabel(Q("一時ファイル領域(&S):"), cache);
        cacheLabel->setBuddy(edtCacheSize);
        cacheForm->addRow(cacheLabel, cacheRow);
        auto* uncacheRow = new QHBoxLayout;
        uncacheRow->addStretch();
        uncacheRow->addWidget(btnUncache);
        cacheForm->addRow(uncacheRow);
        auto* page = new QVBoxLayout(general);
        page->addLayout(form);
        page->addWidget(history);
        page->addWidget(cache);
        page->addStretch();
    }
    pgcOption->addTab(general, Q("全般"));

    // ダウンロード (download)
    auto* download = new QWidget;
    {
        edtLoadCount = NumberEdit(download, "edtLoadCount", 1);
        cmbLoadStart = new QComboBox(download);
        cmbLoadStart->setObjectName("cmbLoadStart");
        cmbLoadStart->addItems({Q("中断状態にする"), Q("保存フォルダを選択して実行"), Q("保存フォルダを固定して実行")});
        lblLoadFolder = new QLabel(Q("保存フォルダ(&F):"), download);
        lblLoadFolder->setObjectName("lblLoadFolder");
        edtLoadFolder = new QLineEdit(download);
        edtLoadFolder->setObjectName("edtLoadFolder");
        edtLoadFolder->setMinimumWidth(260);
        lblLoadFolder->setBuddy(edtLoadFolder);
        chkAutoClose = Check(download, "ダウンロードが完了したらウィンドウを閉じる(&C)", "chkAutoClose");
        chkDirReapp = Check(download, "サイトのフォルダ構成を再現する(&R)", "chkDirReapp");
        edtUnreachSave = NumberEdit(download, "edtUnreachSave", 3);
        edtRetryWait = NumberEdit(download, "edtRetryWait", 3);

        auto* form = new QFormLayout;
        form->addRow(Q("同時ダウンロード数(&N):"), WithUnit(download, edtLoadCount, nullptr));
        form->addRow(Q("ダウンロードの開始(&S):"), cmbLoadStart);
        form->addRow(lblLoadFolder, edtLoadFolder);
        form->addRow(chkAutoClose);
        form->addRow(chkDirReapp);
        form->addRow(Q("未完了ファイルの保持期限(&K):"), WithUnit(download, edtUnreachSave, "日"));
        form->addRow(Q("リトライウェイト(&W):"), WithUnit(download, edtRetryWait, "秒"));
        auto* page = new QVBoxLayout(download);
        page->addLayout(form);
        page->addStretch();
        connect(cmbLoadStart, &QComboBox::currentIndexChanged, this, &TOptionDlg::UpdateLoadFolder);
    }
    pgcOption->addTab(download, Q("ダウンロード"));

    // 接続 (connection)
    auto* connection = new QWidget;
    {
        chkUseProxy = Check(connection, "プロキシを使用する(&P)", "chkUseProxy");
        edtTimeout = NumberEdit(connection, "edtTimeout", 3);
        chkRedirect = Check(connection, "リダイレクトに従う(&R)", "chkRedirect");
        chkAutoReferer = Check(connection, "リファラを自動的に送る(&A)", "chkAutoReferer");
        chkKeepAlive = Check(connection, "持続的接続を使う(&K)", "chkKeepAlive");
        edtUserAgent = new QLineEdit(connection);
        edtUserAgent->setObjectName("edtUserAgent");
        edtUserAgent->setMaxLength(128);
        edtUserAgent->setMinimumWidth(260);
        auto* form = new QFormLayout;
        form->addRow(chkUseProxy);
        form->addRow(Q("タイムアウト時間(&T):"), WithUnit(connection, edtTimeout, "秒"));
        form->addRow(chkRedirect);
        form->addRow(chkAutoReferer);
        form->addRow(chkKeepAlive);
        form->addRow(Q("プログラム名(&N):"), edtUserAgent);
        auto* page = new QVBoxLayout(connection);
        page->addLayout(form);
        page->addStretch();
    }
    pgcOption->addTab(connection, Q("接続"));

    // その他 (other)
    auto* other = new QWidget;
    {
        chkSearchAnchor = Check(other, "規定以外のパスを検索する", "chkSearchAnchor");
        chkSearchFile = Check(other, "規定以外のファイル名を検索する", "chkSearchFile");
        chkShowAnchor = Check(other, "リンクの文字列を表示する(&A)", "chkShowAnchor");
        chkHideStart = Check(other, "起動時にメインウィンドウを表示しない(&H)", "chkHideStart");
        chkShowTray = Check(other, "タスクトレイにアイコンを表示する(&T)", "chkShowTray");
        auto* page = new QVBoxLayout(other);
        page->addWidget(chkSearchAnchor);
        auto* indented = new QHBoxLayout;
        indented->addSpacing(20);
        indented->addWidget(chkSearchFile);
        page->addLayout(indented);
        page->addWidget(chkShowAnchor);
        page->addSpacing(8);
        page->addWidget(chkHideStart);
        page->addWidget(chkShowTray);
        page->addStretch();
        connect(chkSearchAnchor, &QCheckBox::clicked, this,
                [this] { chkSearchFile->setEnabled(chkSearchAnchor->isChecked()); });
        // Hidden at start needs the tray icon, or the window could not be
        // brought back.
        connect(chkHideStart, &QCheckBox::clicked, this, [this] {
            if (chkHideStart->isChecked()) chkShowTray->setChecked(true);
        });
        connect(chkShowTray, &QCheckBox::clicked, this, [this] {
            if (!chkShowTray->isChecked()) chkHideStart->setChecked(false);
        });
    }
    pgcOption->addTab(other, Q("その他"));

    connect(btnClearHistory, &QPushButton::clicked, this, [this] {
        bool done = false;
        if (OnClearHistory) OnClearHistory(this, done);
        if (done) btnClearHistory->setEnabled(false);
    });
    connect(btnClearCache, &QPushButton::clicked, this, [this] {
        bool done = false;
        if (OnClearCache) OnClearCache(this, done);
        if (done) btnClearCache->setEnabled(false);
    });
    connect(btnUncache, &QPushButton::clicked, this, [this] {
        if (Uncache && OnEditUncache) OnEditUncache(Uncache);
    });

    auto* ok = new QPushButton(Q("OK"), this);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    auto* cancel = new QPushButton(Q("キャンセル"), this);
    cancel->setObjectName("btnCancel");
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TOptionDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &TOptionDlg::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pgcOption);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    UpdateLoadFolder();
}

void TOptionDlg::UpdateLoadFolder() {
    const bool fixed = cmbLoadStart->currentIndex() == qlstFixFolder;
    lblLoadFolder->setEnabled(fixed);
    edtLoadFolder->setEnabled(fixed);
}

void TOptionDlg::EnsureFilled() {
    if (filled_) return;
    filled_ = true;
    if (Option) {
        const TQorOption& o = *Option;
        // DblClk 2 has no item: the combo shows none (see the header).
        cmbDblClk->setCurrentIndex(o.DblClk == qdctOpenByBrowser || o.DblClk == qdctPreview ? int(o.DblClk) : -1);
        edtHistoryDay->setText(QString::number(o.HistoryDay));
        chkUseCache->setChecked(o.UseCache);
        edtCacheSize->setText(QString::number(o.CacheSize));
        edtModifyLimit->setText(QString::number(o.ModifyLimit));
        edtLoadCount->setText(QString::number(o.LoadCount));
        cmbLoadStart->setCurrentIndex(int(o.LoadStart));
        edtLoadFolder->setText(TQtText::ToQ(o.LoadFolder));
        chkAutoClose->setChecked(o.AutoClose);
        chkDirReapp->setChecked(o.DirReapp);
        edtUnreachSave->setText(QString::number(o.UnreachSave));
        edtRetryWait->setText(QString::number(o.RetryWait));
        chkSearchAnchor->setChecked(o.SearchAnchor);
        chkSearchFile->setChecked(o.SearchFile);
        chkSearchFile->setEnabled(o.SearchAnchor);
        chkShowAnchor->setChecked(o.ShowAnchor);
        chkHideStart->setChecked(o.HideStart);
        chkShowTray->setChecked(o.ShowTray);
    }
    if (Conn) {
        chkUseProxy->setChecked(Conn->GetUseProxy());
        edtTimeout->setText(QString::number(Conn->GetTimeout()));
        chkRedirect->setChecked(Conn->GetRedirect());
        chkAutoReferer->setChecked(Conn->GetAutoReferer());
        chkKeepAlive->setChecked(Conn->GetKeepAlive());
        edtUserAgent->setText(TQtText::ToQ(Conn->GetUserAgent()));
    }
    UpdateLoadFolder();
}

void TOptionDlg::showEvent(QShowEvent* event) {
    EnsureFilled();
    QDialog::showEvent(event);
}

void TOptionDlg::accept() {
    EnsureFilled();
    const tagOPTIONNUMBERTEXTS texts{
        .HistoryDay = Text(edtHistoryDay), .CacheSize = Text(edtCacheSize), .LoadCount = Text(edtLoadCount),
        .UnreachSave = Text(edtUnreachSave), .RetryWait = Text(edtRetryWait),
        .ModifyLimit = Text(edtModifyLimit), .Timeout = Text(edtTimeout)};
    const std::string message = TOptionCheck::Check(texts);
    if (!message.empty()) {
        OnError(message);
        return;
    }
    Store();
    QDialog::accept();
}

void TOptionDlg::Store() {
    auto number = [](const QLineEdit* edit) { return TOptionCheck::ReadNumber(Text(edit)); };
    if (Option) {
        TQorOption& o = *Option;
        if (cmbDblClk->currentIndex() >= 0) o.DblClk = TQorDblClickType(cmbDblClk->currentIndex());
        o.HistoryDay = number(edtHistoryDay);
        o.UseCache = chkUseCache->isChecked();
        o.CacheSize = unsigned(number(edtCacheSize));
        o.ModifyLimit = number(edtModifyLimit);
        o.LoadCount = number(edtLoadCount);
        if (cmbLoadStart->currentIndex() >= 0) o.LoadStart = TQorLoadStartType(cmbLoadStart->currentIndex());
        // A line break would end the ini line early.
        o.LoadFolder = TListFieldText::Blanked(Text(edtLoadFolder));
        o.AutoClose = chkAutoClose->isChecked();
        o.DirReapp = chkDirReapp->isChecked();
        o.UnreachSave = number(edtUnreachSave);
        o.RetryWait = number(edtRetryWait);
        o.SearchAnchor = chkSearchAnchor->isChecked();
        o.SearchFile = chkSearchFile->isChecked();
        o.ShowAnchor = chkShowAnchor->isChecked();
        o.HideStart = chkHideStart->isChecked();
        o.ShowTray = chkShowTray->isChecked();
    }
    if (Conn) {
        Conn->SetUseProxy(chkUseProxy->isChecked());
        Conn->SetTimeout(number(edtTimeout));
        Conn->SetRedirect(chkRedirect->isChecked());
        Conn->SetAutoReferer(chkAutoReferer->isChecked());
        Conn->SetKeepAlive(chkKeepAlive->isChecked());
        // A CR or LF in the user agent would start a header line of its own.
        Conn->SetUserAgent(TListFieldText::Blanked(Text(edtUserAgent)));
    }
}

#include "app/UncachePageDlg.h"

#include "app/ErrorBox.h"
#include "engine/ListFieldText.h"
#include "engine/QorUncachePage.h"
#include "inet/InetURLEx.h"
#include "platform/SjisText.h"
#include "shell/QtText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kBytesRole = Qt::UserRole + 1; // the address as CP932
constexpr int kAllRole = Qt::UserRole + 2;
QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
} // namespace

TUncachePageDlg::TUncachePageDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("TUncachePageDlg");
    setWindowTitle(Q("一時ファイルを使わないページ"));
    OnError = [this](const std::string& message) { TErrorBox::Show(this, message); };

    auto* explanation = new QLabel(Q("以下のリストに登録されているページは、常に最新の情報を取得して表示されます。"), this);
    explanation->setWordWrap(true);
    memURL = new QLineEdit(this);
    memURL->setObjectName("memURL");
    memURL->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    chkAll = new QCheckBox(Q("上記のURLを含む全てのページを対象とする"), this);
    chkAll->setObjectName("chkAll");
    chkAll->setChecked(true);
    lvPage = new QTreeWidget(this);
    lvPage->setObjectName("lvPage");
    lvPage->setHeaderLabels({Q("URL"), Q("全て")});
    lvPage->setRootIsDecorated(false);
    lvPage->setSelectionMode(QAbstractItemView::SingleSelection);
    lvPage->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvPage->setColumnWidth(0, 360);
    lvPage->setMinimumSize(460, 200);

    auto makeButton = [this](const char* text, const char* name) {
        auto* button = new QPushButton(Q(text), this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        return button;
    };
    btnAdd = makeButton("追加", "btnAdd");
    btnDelete = makeButton("削除", "btnDelete");
    QPushButton* ok = makeButton("OK", "btnOK");
    QPushButton* cancel = makeButton("キャンセル", "btnCancel");

    auto* entry = new QHBoxLayout;
    entry->addWidget(memURL, 1);
    entry->addWidget(btnAdd);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(lvPage, 1);
    auto* side = new QVBoxLayout;
    side->addWidget(btnDelete);
    side->addStretch();
    listRow->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(entry);
    layout->addWidget(chkAll);
    layout->addLayout(listRow);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Enter in the memo presses add, not OK.
    connect(memURL, &QLineEdit::returnPressed, this, [this] {
        if (btnAdd->isEnabled()) btnAdd->click();
    });
    connect(memURL, &QLineEdit::textChanged, this, &TUncachePageDlg::UpdateButtons);
    connect(btnAdd, &QPushButton::clicked, this, &TUncachePageDlg::AddClick);
    connect(btnDelete, &QPushButton::clicked, this, [this] {
        const auto selected = lvPage->selectedItems();
        if (!selected.isEmpty()) delete selected.first();
        UpdateButtons();
    });
    connect(lvPage, &QTreeWidget::itemDoubleClicked, this, &TUncachePageDlg::ToggleAll);
    connect(lvPage, &QTreeWidget::itemSelectionChanged, this, &TUncachePageDlg::UpdateButtons);
    connect(ok, &QPushButton::clicked, this, &TUncachePageDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &TUncachePageDlg::reject);
    UpdateButtons();
}

void TUncachePageDlg::UpdateButtons() {
    btnAdd->setEnabled(!memURL->text().isEmpty());
    btnDelete->setEnabled(!lvPage->selectedItems().isEmpty());
}

void TUncachePageDlg::AppendRow(const std::string& url, bool all) {
    auto* item = new QTreeWidgetItem(lvPage);
    item->setText(0, TQtText::ToQ(url));
    item->setData(0, kBytesRole, QByteArray(url.data(), qsizetype(url.size())));
    item->setData(0, kAllRole, all);
    item->setText(1, all ? "yes" : "no");
}

void TUncachePageDlg::EnsureFilled() {
    if (filled_) return;
    filled_ = true;
    if (!Uncache) return;
    for (int i = 0; i < Uncache->GetCount(); ++i) {
        auto entry = Uncache->GetItem(i);
        AppendRow(entry->URL, entry->All);
    }
    UpdateButtons();
}

void TUncachePageDlg::showEvent(QShowEvent* event) {
    EnsureFilled();
    QDialog::showEvent(event);
}

void TUncachePageDlg::AddClick() {
    // A line break in a pasted address would split its line in the file.
    TInetURLEx url(TListFieldText::Blanked(TSjisText::Trim(TQtText::FromQ(memURL->text()))));
    AppendRow(url.GetCompURL(), chkAll->isChecked());
    memURL->clear();
    chkAll->setChecked(true);
    memURL->setFocus();
    UpdateButtons();
}

void TUncachePageDlg::ToggleAll(QTreeWidgetItem* item) {
    if (!item) return;
    const bool all = !item->data(0, kAllRole).toBool();
    item->setData(0, kAllRole, all);
    item->setText(1, all ? "yes" : "no");
}

void TUncachePageDlg::accept() {
    EnsureFilled();
    if (Uncache) {
        Uncache->Clear();
        for (int i = 0; i < lvPage->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = lvPage->topLevelItem(i);
            const QByteArray bytes = item->data(0, kBytesRole).toByteArray();
            Uncache->Add(std::string_view(bytes.constData(), size_t(bytes.size())), item->data(0, kAllRole).toBool());
        }
        if (!Uncache->SaveToFile()) OnError(TErrorBox::SaveFailedMessage(Uncache->FilePath));
    }
    QDialog::accept();
}

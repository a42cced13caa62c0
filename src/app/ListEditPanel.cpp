#include "app/ListEditPanel.h"

#include "shell/QtText.h"

#include <QAbstractButton>
#include <QTreeWidget>

namespace {
// Each column's CP932 text is kept beside its shown form, so a row gives
// back the bytes it was made of whatever the display conversion did.
constexpr int kBytesRole = Qt::UserRole + 1;
} // namespace

TListEditPanel::TListEditPanel(QTreeWidget* list, QAbstractButton* add, QAbstractButton* update,
                               QAbstractButton* remove, QAbstractButton* up, QAbstractButton* down)
    : QObject(list), list_(list), add_(add), update_(update), delete_(remove), up_(up), down_(down) {
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setUniformRowHeights(true);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        int index = Selected();
        if (index >= 0 && ShowRow) ShowRow(RowOf(list_->topLevelItem(index)));
        UpdateButtons();
    });
    if (add_) connect(add_, &QAbstractButton::clicked, this, &TListEditPanel::Add);
    if (update_) connect(update_, &QAbstractButton::clicked, this, &TListEditPanel::Update);
    if (delete_) connect(delete_, &QAbstractButton::clicked, this, &TListEditPanel::Delete);
    if (up_) connect(up_, &QAbstractButton::clicked, this, &TListEditPanel::MoveUp);
    if (down_) connect(down_, &QAbstractButton::clicked, this, &TListEditPanel::MoveDown);
}

QTreeWidgetItem* TListEditPanel::MakeItem(const TRow& row) const {
    auto* item = new QTreeWidgetItem;
    for (size_t col = 0; col < row.size(); ++col) {
        item->setText(int(col), TQtText::ToQ(row[col]));
        item->setData(int(col), kBytesRole, QByteArray(row[col].data(), qsizetype(row[col].size())));
    }
    return item;
}

TListEditPanel::TRow TListEditPanel::RowOf(const QTreeWidgetItem* item) {
    TRow row;
    for (int col = 0; col < item->columnCount(); ++col) {
        QByteArray bytes = item->data(col, kBytesRole).toByteArray();
        row.emplace_back(bytes.constData(), size_t(bytes.size()));
    }
    return row;
}

void TListEditPanel::AppendRow(const TRow& row) { list_->addTopLevelItem(MakeItem(row)); }

std::vector<TListEditPanel::TRow> TListEditPanel::Rows() const {
    std::vector<TRow> rows;
    rows.reserve(size_t(list_->topLevelItemCount()));
    for (int i = 0; i < list_->topLevelItemCount(); ++i) rows.push_back(RowOf(list_->topLevelItem(i)));
    return rows;
}

int TListEditPanel::Selected() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.first());
}

void TListEditPanel::UpdateButtons() {
    const bool selected = Selected() >= 0;
    if (update_) update_->setEnabled(selected);
    if (delete_) delete_->setEnabled(selected);
    const bool movable = selected && list_->topLevelItemCount() > 1;
    if (up_) up_->setEnabled(movable);
    if (down_) down_->setEnabled(movable);
}

void TListEditPanel::SelectItem(QTreeWidgetItem* item) {
    list_->clearSelection();
    list_->setCurrentItem(item);
    item->setSelected(true);
    list_->scrollToItem(item);
}

void TListEditPanel::Add() {
    TRow row;
    if (!ReadFields || !ReadFields(row)) return;
    QTreeWidgetItem* item = MakeItem(row);
    list_->addTopLevelItem(item);
    SelectItem(item);
    UpdateButtons();
}

void TListEditPanel::Update() {
    const int index = Selected();
    if (index < 0) return;
    TRow row;
    if (!ReadFields || !ReadFields(row)) return;
    QTreeWidgetItem* item = list_->topLevelItem(index);
    for (size_t col = 0; col < row.size(); ++col) {
        item->setText(int(col), TQtText::ToQ(row[col]));
        item->setData(int(col), kBytesRole, QByteArray(row[col].data(), qsizetype(row[col].size())));
    }
    UpdateButtons();
}

void TListEditPanel::Delete() {
    const int index = Selected();
    if (index < 0) return;
    delete list_->takeTopLevelItem(index);
    list_->clearSelection();
    if (ClearFields) ClearFields();
    UpdateButtons();
}

void TListEditPanel::Move(int to) {
    const int from = Selected();
    if (from < 0 || to < 0 || to >= list_->topLevelItemCount()) return;
    // Without this the list would repaint between the take and the insert.
    list_->setUpdatesEnabled(false);
    QTreeWidgetItem* item = list_->takeTopLevelItem(from);
    list_->insertTopLevelItem(to, item);
    SelectItem(item);
    list_->setUpdatesEnabled(true);
    UpdateButtons();
}

void TListEditPanel::MoveUp() { Move(Selected() - 1); }

void TListEditPanel::MoveDown() {
    if (Selected() >= 0) Move(Selected() + 1);
}

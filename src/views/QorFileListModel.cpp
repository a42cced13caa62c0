#include "views/QorFileListModel.h"

#include "shell/QtText.h"
#include "views/QorFileImage.h"

#include <QApplication>
#include <QPalette>

#include <vector>

TQorFileListModel::TQorFileListModel(TFileListRows& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows) {}

int TQorFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.Rows().size());
}

int TQorFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TFileListRows::kColumns;
}

QVariant TQorFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TFileListRow& row = rows_.Rows()[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return TQtText::ToQ(row.Text(index.column()));
    case Qt::DecorationRole:
        if (index.column() != 0 || !FileImage) return {};
        if (row.Cut) {
            // Ghosted as file managers show cut files.
            const QIcon icon = FileImage->GetIcon(row.ImageIndex);
            return QIcon(icon.pixmap(16, 16, QIcon::Disabled));
        }
        return FileImage->GetIcon(row.ImageIndex);
    case Qt::ForegroundRole:
        if (row.Cut) return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    default:
        return {};
    }
}

QVariant TQorFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case 0: return QStringLiteral("名前");
    case 1: return QStringLiteral("種類");
    case 2: return QStringLiteral("場所");
    case 3: return QStringLiteral("パラメータ");
    default: return {};
    }
}

void TQorFileListModel::RowsReset(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
}

void TQorFileListModel::RowsReordered(const std::function<void()>& change) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<size_t> orders;
    orders.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before) orders.push_back(rows_.Rows()[static_cast<size_t>(index.row())].Order);
    change();
    // Where each record's row went: by its position in Files.
    std::vector<int> rowOf(rows_.Files().size(), -1);
    for (size_t i = 0; i < rows_.Rows().size(); ++i) rowOf[rows_.Rows()[i].Order] = static_cast<int>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(rowOf[orders[static_cast<size_t>(i)]], before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TQorFileListModel::RowsChanged() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

#include "app/UnreachListModel.h"

#include "download/QorUnreachList.h"
#include "shell/QtText.h"

TUnreachListModel::TUnreachListModel(TQorUnreachList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
    list_.OnChange = [this](TQorUnreachList*, int row) {
        if (row < 0) {
            beginResetModel();
            endResetModel();
        } else {
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        }
    };
}

TUnreachListModel::~TUnreachListModel() { list_.OnChange = nullptr; }

int TUnreachListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.Count();
}

int TUnreachListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1 + TQorUnreachList::colCount;
}

QVariant TUnreachListModel::data(const QModelIndex& index, int role) const {
    const TQorUnreachList::TListItem* row = list_.Item(index.row());
    if (!row || role != Qt::DisplayRole) return {};
    if (index.column() == 0) return TQtText::ToQ(row->Caption);
    const size_t sub = static_cast<size_t>(index.column() - 1);
    return sub < row->SubItems.size() ? TQtText::ToQ(row->SubItems[sub]) : QVariant();
}

QVariant TUnreachListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const auto& captions = TQorUnreachList::ColumnCaptions();
    return section >= 0 && section < static_cast<int>(captions.size()) ? TQtText::ToQ(captions[section])
                                                                      : QVariant();
}

#include "views/QorHistoryModel.h"

#include "shell/QtText.h"

TQorHistoryModel::TQorHistoryModel(TQorHistoryStore* store, QObject* parent)
    : QAbstractItemModel(parent), store_(store) {
    store_->OnBeginReset = [this](TQorHistoryStore*) { beginResetModel(); };
    store_->OnEndReset = [this](TQorHistoryStore*) { endResetModel(); };
    store_->OnBeginInsert = [this](TQorHistoryStore*, TQorHistoryDate* day, int first, int last) {
        beginInsertRows(IndexOfDay(day), first, last);
    };
    store_->OnEndInsert = [this](TQorHistoryStore*, TQorHistoryDate*) { endInsertRows(); };
    store_->OnBeginRemove = [this](TQorHistoryStore*, TQorHistoryDate* day, int first, int last) {
        beginRemoveRows(IndexOfDay(day), first, last);
    };
    store_->OnEndRemove = [this](TQorHistoryStore*, TQorHistoryDate*) { endRemoveRows(); };
    store_->OnChange = [this](TQorHistoryStore*, TQorHistoryDate* day) {
        const QModelIndex index = IndexOfDay(day);
        emit dataChanged(index, index);
    };
}

TQorHistoryModel::~TQorHistoryModel() {
    store_->OnBeginReset = nullptr;
    store_->OnEndReset = nullptr;
    store_->OnBeginInsert = nullptr;
    store_->OnEndInsert = nullptr;
    store_->OnBeginRemove = nullptr;
    store_->OnEndRemove = nullptr;
    store_->OnChange = nullptr;
}

QModelIndex TQorHistoryModel::IndexOfDay(const TQorHistoryDate* day) const {
    return day ? createIndex(day->Row, 0, nullptr) : QModelIndex();
}

TQorHistoryDate* TQorHistoryModel::DayOf(const QModelIndex& index) const {
    if (!index.isValid() || index.internalPointer()) return nullptr;
    return store_->Day(index.row());
}

TQorHistoryPage* TQorHistoryModel::PageOf(const QModelIndex& index) const {
    if (!index.isValid() || !index.internalPointer()) return nullptr;
    auto* day = static_cast<TQorHistoryDate*>(index.internalPointer());
    if (index.row() < 0 || index.row() >= static_cast<int>(day->Pages.size())) return nullptr;
    return day->Pages[static_cast<size_t>(index.row())].get();
}

void TQorHistoryModel::SetImages(const QList<QIcon>& images) {
    beginResetModel();
    images_ = images;
    endResetModel();
}

QModelIndex TQorHistoryModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row < store_->DayCount() ? createIndex(row, 0, nullptr) : QModelIndex();
    TQorHistoryDate* day = DayOf(parent);
    if (!day || row >= static_cast<int>(day->Pages.size())) return {};
    return createIndex(row, 0, day);
}

QModelIndex TQorHistoryModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || !child.internalPointer()) return {};
    return IndexOfDay(static_cast<TQorHistoryDate*>(child.internalPointer()));
}

int TQorHistoryModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return store_->DayCount();
    const TQorHistoryDate* day = DayOf(parent);
    return day && parent.column() == 0 ? static_cast<int>(day->Pages.size()) : 0;
}

int TQorHistoryModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TQorHistoryModel::data(const QModelIndex& index, int role) const {
    const int image = index.internalPointer() ? 1 : 0;
    if (role == Qt::DecorationRole) return image < images_.size() ? QVariant(images_[image]) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (const TQorHistoryDate* day = DayOf(index)) return TQtText::ToQ(day->Caption);
    if (const TQorHistoryPage* page = PageOf(index)) {
        if (role == Qt::ToolTipRole) return TQtText::ToQ(page->File->URL->GetPlaneURL());
        return TQtText::ToQ(page->Title);
    }
    return {};
}

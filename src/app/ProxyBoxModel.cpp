#include "app/ProxyBoxModel.h"

#include "engine/ProxyManager.h"
#include "shell/QtText.h"

TProxyBoxModel::TProxyBoxModel(const TProxyManager* manager, QObject* parent)
    : QAbstractListModel(parent), manager_(manager) {
    Refill();
}

void TProxyBoxModel::Refill() {
    beginResetModel();
    entries_ = manager_ ? manager_->GetBoxEntries() : std::vector<std::string>{};
    endResetModel();
}

bool TProxyBoxModel::Choose(int row, TQorConnGeneral& conn) const {
    // The entries may be older than the list; never reach past either.
    if (!manager_ || row < 0 || row >= int(entries_.size())) return false;
    return manager_->ApplyBoxEntry(row, conn);
}

int TProxyBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant TProxyBoxModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(entries_.size())) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return TQtText::ToQ(entries_[size_t(index.row())]);
    return {};
}

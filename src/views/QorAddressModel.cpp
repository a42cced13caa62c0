#include "views/QorAddressModel.h"

#include "shell/QtText.h"

TQorAddressModel::TQorAddressModel(TQorAddressList* list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {}

int TQorAddressModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_->Count(); }

QVariant TQorAddressModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= list_->Count()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return TQtText::ToQ(list_->Get(index.row()));
    return {};
}

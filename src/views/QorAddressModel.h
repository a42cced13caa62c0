#pragma once
// The remembered addresses (TQorAddressList) as the address bar's drop-down
// model; it holds no data of its own. Its owner calls Reset on the list's
// change notice.
#include "engine/QorAddressList.h"

#include <QAbstractListModel>

class TQorAddressModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The list outlives the model.
    explicit TQorAddressModel(TQorAddressList* list, QObject* parent = nullptr);

    void Reset() {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    TQorAddressList* list_;
};

#pragma once
// The remembered addresses (TQorAddressList) as the address bar's drop-down
// model; it holds no data of its own and resets on the list's change notice.
#include "engine/QorAddressList.h"

#include <QAbstractListModel>

#include <functional>

class TQorAddressModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Binds the list's change notice; the list outlives the model.
    explicit TQorAddressModel(TQorAddressList* list, QObject* parent = nullptr);
    ~TQorAddressModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Run after every reset (the bar restores its edit text there).
    std::function<void()> OnReset;

private:
    TQorAddressList* list_;
};

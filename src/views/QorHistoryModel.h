#pragma once
// The dated history core as a Qt item model: days at the top, their pages
// below once read. A day's index has no internal pointer; a page's index
// points at its day. The model holds no data of its own and follows the
// core's change notices.
#include "engine/QorHistoryStore.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>

class TQorHistoryModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Binds the core's change notices; the core outlives the model.
    explicit TQorHistoryModel(TQorHistoryStore* store, QObject* parent = nullptr);
    ~TQorHistoryModel() override;

    QModelIndex IndexOfDay(const TQorHistoryDate* day) const;
    TQorHistoryDate* DayOf(const QModelIndex& index) const;   // level 0 only
    TQorHistoryPage* PageOf(const QModelIndex& index) const;  // level 1 only
    // Icons by image index: 0 day, 1 page.
    void SetImages(const QList<QIcon>& images);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    TQorHistoryStore* store_;
    QList<QIcon> images_;
};

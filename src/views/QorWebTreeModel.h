#pragma once
// The page tree core as a Qt item model: one top-level row (the root
// "インターネット"), then the pages below it. Index internal pointers are the
// core's nodes; the model holds no data of its own and follows the core's
// change notices, so the view's selection and expansion survive inserts,
// removals and sorts.
#include "engine/QorPageTree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>

class TQorWebTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Binds the core's change notices; the core outlives the model.
    explicit TQorWebTreeModel(TQorPageTree* tree, QObject* parent = nullptr);
    ~TQorWebTreeModel() override;

    QModelIndex IndexOf(const TQorPageNode* node) const;
    static TQorPageNode* NodeOf(const QModelIndex& index);
    // Icons by image index (the host's image list).
    void SetImages(const QList<QIcon>& images);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Around the core's Initialize, which adds the root without a notice.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }

private:
    TQorPageTree* tree_;
    QList<QIcon> images_;
    QModelIndexList sortPersistent_;
};

#include "views/QorWebTreeModel.h"

#include "shell/QtText.h"

#include <QFont>

TQorWebTreeModel::TQorWebTreeModel(TQorPageTree* tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
    tree_->OnBeginInsert = [this](TQorPageTree*, TQorPageNode* parent, int first, int last) {
        beginInsertRows(IndexOf(parent), first, last);
    };
    tree_->OnEndInsert = [this](TQorPageTree*, TQorPageNode*) { endInsertRows(); };
    tree_->OnBeginRemove = [this](TQorPageTree*, TQorPageNode* parent, int first, int last) {
        beginRemoveRows(IndexOf(parent), first, last);
    };
    tree_->OnEndRemove = [this](TQorPageTree*, TQorPageNode*) { endRemoveRows(); };
    tree_->OnBeginSort = [this](TQorPageTree*, TQorPageNode* node) {
        emit layoutAboutToBeChanged({QPersistentModelIndex(IndexOf(node))}, VerticalSortHint);
        sortPersistent_ = persistentIndexList();
    };
    tree_->OnEndSort = [this](TQorPageTree*, TQorPageNode* node) {
        QModelIndexList moved;
        for (const QModelIndex& old : sortPersistent_) {
            TQorPageNode* n = NodeOf(old);
            moved.append(createIndex(n->Row(), old.column(), n));
        }
        changePersistentIndexList(sortPersistent_, moved);
        sortPersistent_.clear();
        emit layoutChanged({QPersistentModelIndex(IndexOf(node))}, VerticalSortHint);
    };
    tree_->OnChange = [this](TQorPageTree*, TQorPageNode* node) {
        const QModelIndex index = IndexOf(node);
        emit dataChanged(index, index);
    };
}

TQorWebTreeModel::~TQorWebTreeModel() {
    tree_->OnBeginInsert = nullptr;
    tree_->OnEndInsert = nullptr;
    tree_->OnBeginRemove = nullptr;
    tree_->OnEndRemove = nullptr;
    tree_->OnBeginSort = nullptr;
    tree_->OnEndSort = nullptr;
    tree_->OnChange = nullptr;
}

QModelIndex TQorWebTreeModel::IndexOf(const TQorPageNode* node) const {
    if (!node) return {};
    return createIndex(node->Row(), 0, const_cast<TQorPageNode*>(node));
}

TQorPageNode* TQorWebTreeModel::NodeOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<TQorPageNode*>(index.internalPointer()) : nullptr;
}

void TQorWebTreeModel::SetImages(const QList<QIcon>& images) {
    images_ = images;
    if (tree_->RootNode()) emit dataChanged(IndexOf(tree_->RootNode()), IndexOf(tree_->RootNode()));
}

QModelIndex TQorWebTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0) return {};
    if (!parent.isValid()) {
        if (row != 0 || !tree_->RootNode()) return {};
        return IndexOf(tree_->RootNode());
    }
    TQorPageNode* child = NodeOf(parent)->Child(row);
    return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex TQorWebTreeModel::parent(const QModelIndex& child) const {
    TQorPageNode* node = NodeOf(child);
    return node ? IndexOf(node->Parent()) : QModelIndex();
}

int TQorWebTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return tree_->RootNode() ? 1 : 0;
    if (parent.column() != 0) return 0;
    return NodeOf(parent)->ChildCount();
}

int TQorWebTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TQorWebTreeModel::data(const QModelIndex& index, int role) const {
    const TQorPageNode* node = NodeOf(index);
    if (!node) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return TQtText::ToQ(node->Caption());
    case Qt::DecorationRole:
        if (node->ImageIndex() >= 0 && node->ImageIndex() < images_.size()) return images_[node->ImageIndex()];
        return {};
    case Qt::FontRole:
        if (node == tree_->CurrentNode()) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

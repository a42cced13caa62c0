#pragma once
// The "未完了ファイル" tab's table over the unfinished-file list's rows: the
// name and the five sub-item columns. The list is the only copy of the rows;
// its change notices repaint a row or show the whole list again.
#include <QAbstractTableModel>

class TQorUnreachList;

class TUnreachListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    TUnreachListModel(TQorUnreachList& list, QObject* parent = nullptr);
    ~TUnreachListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TQorUnreachList& list_;
};

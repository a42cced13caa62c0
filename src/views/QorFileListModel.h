#pragma once
// The Qt model over the file list's rows (TFileListRows keeps them; this
// only shows them): four columns of CP932 texts shown as QString, the type
// icon in the name column, and cut rows ghosted.
#include "engine/FileListRows.h"

#include <QAbstractTableModel>

#include <functional>

class TQorFileImage;

class TQorFileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    TQorFileListModel(TFileListRows& rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The rows were rebuilt (ShowList, ClearList).
    void RowsReset(const std::function<void()>& change);
    // The rows are reordered by `change`; selection and current row follow
    // their records.
    void RowsReordered(const std::function<void()>& change);
    // Texts or cut marks of rows changed.
    void RowsChanged();

    TQorFileImage* FileImage = nullptr; // icons; not owned

private:
    TFileListRows& rows_;
};

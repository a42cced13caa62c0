#include "download/ui/DownloadListModel.h"

#include "engine/ui/QtText.h"

#include <QApplication>
#include <QStyle>


TDownloadListModel::TDownloadListModel(TQorDownloadList* list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
    list_->OnChange = [this](TQorDownloadList*, int) { dirty_.store(true); };
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (dirty_.load()) Refresh();
    });
    timer_.start();
    QStyle* style = QApplication::style();
    icons_[TQorDownloadList::kImageWait] = style->standardIcon(QStyle::SP_FileIcon);
    icons_[TQorDownloadList::kImageHeading] = style->standardIcon(QStyle::SP_BrowserReload);
    icons_[TQorDownloadList::kImageDone] = style->standardIcon(QStyle::SP_DialogApplyButton);
    icons_[TQorDownloadList::kImageError] = style->standardIcon(QStyle::SP_MessageBoxCritical);
    Refresh();
}

TDownloadListModel::~TDownloadListModel() { list_->OnChange = nullptr; }

const QStringList& TDownloadListModel::ColumnCaptions() {
    static const QStringList captions = {QtLit("名前"),         QtLit("状況"),           QtLit("ファイルサイズ"),
                                         QtLit("ダウンロードサイズ"), QtLit("保存先フォルダ"), QtLit("実行回数"),
                                         QtLit("転送率"),       QtLit("推定残り時間")};
    return captions;
}

int TDownloadListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TDownloadListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1 + TQorDownloadRow::kSubItems;
}

QVariant TDownloadListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TShown& row = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        const int col = index.column();
        if (col == 0) return QtStr(row.Caption);
        if (col - 1 < static_cast<int>(row.SubItems.size())) return QtStr(row.SubItems[static_cast<size_t>(col - 1)]);
        return {};
    }
    if (role == Qt::DecorationRole && index.column() == 0 && row.Image >= 0 && row.Image < 4) return icons_[row.Image];
    return {};
}

QVariant TDownloadListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return ColumnCaptions().value(section);
    return {};
}

uint64_t TDownloadListModel::RowId(int row) const {
    return row >= 0 && row < rowCount() ? rows_[static_cast<size_t>(row)].Id : 0;
}

TDownloadListModel::TShown TDownloadListModel::Take(TQorDownloadRow&& row) {
    TShown shown;
    shown.Id = row.Id;
    shown.Version = row.Version;
    shown.Image = row.ImageIndex;
    shown.Caption = std::move(row.Caption);
    shown.SubItems = std::move(row.SubItems);
    return shown;
}

void TDownloadListModel::EmitChanged(int first, int last) {
    if (first >= 0) emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

void TDownloadListModel::Refresh() {
    dirty_.store(false);
    list_->GetMarks(marks_);
    const std::vector<TQorDownloadRowMark>& now = marks_;

    // Rows only leave (deleted, moved back to waiting) or join at the end,
    // and both lists are in id order: one merge finds the rows that left.
    // Removed runs go from the back, so the indexes before them stay right.
    bool changed = false;
    std::vector<bool> gone(rows_.size(), false);
    size_t kept = 0;
    for (size_t i = 0, j = 0; i < rows_.size(); ++i) {
        while (j < now.size() && now[j].Id < rows_[i].Id) ++j;
        if (j < now.size() && now[j].Id == rows_[i].Id) {
            ++j;
            ++kept;
        } else {
            gone[i] = true;
        }
    }
    for (int i = static_cast<int>(rows_.size()) - 1; i >= 0;) {
        if (!gone[static_cast<size_t>(i)]) {
            --i;
            continue;
        }
        int first = i;
        while (first > 0 && gone[static_cast<size_t>(first - 1)]) --first;
        beginRemoveRows({}, first, i);
        rows_.erase(rows_.begin() + first, rows_.begin() + i + 1);
        endRemoveRows();
        changed = true;
        i = first - 1;
    }
    // The survivors must now be the head of the queue; anything else (not
    // expected) is shown afresh.
    bool inOrder = kept <= now.size();
    for (size_t i = 0; inOrder && i < kept; ++i) inOrder = rows_[i].Id == now[i].Id;
    if (!inOrder) {
        beginResetModel();
        rows_.clear();
        endResetModel();
        kept = 0;
    }
    // Changed rows, told as runs of neighbouring rows.
    int first = -1, last = -1;
    for (size_t i = 0; i < kept; ++i) {
        if (rows_[i].Version == now[i].Version) continue;
        rows_[i] = Take(list_->GetRow(static_cast<int>(i)));
        const int row = static_cast<int>(i);
        if (first >= 0 && row != last + 1) {
            EmitChanged(first, last);
            first = -1;
        }
        if (first < 0) first = row;
        last = row;
        changed = true;
    }
    EmitChanged(first, last);
    if (now.size() > kept) {
        beginInsertRows({}, static_cast<int>(kept), static_cast<int>(now.size()) - 1);
        rows_.reserve(now.size());
        for (size_t i = kept; i < now.size(); ++i) rows_.push_back(Take(list_->GetRow(static_cast<int>(i))));
        endInsertRows();
        changed = true;
    }
    if (changed) ++refreshes_;
}

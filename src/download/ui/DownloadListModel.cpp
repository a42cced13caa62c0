#include "download/ui/DownloadListModel.h"

#include "engine/ui/QtText.h"

#include <QApplication>
#include <QStyle>

#include <unordered_set>

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
    if (role == Qt::DisplayRole) return row.Texts.value(index.column());
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
    shown.Image = row.ImageIndex;
    shown.Texts.reserve(1 + TQorDownloadRow::kSubItems);
    shown.Texts << QtStr(row.Caption);
    for (const std::string& s : row.SubItems) shown.Texts << QtStr(s);
    shown.Caption = std::move(row.Caption);
    shown.SubItems = std::move(row.SubItems);
    return shown;
}

bool TDownloadListModel::Same(const TShown& shown, const TQorDownloadRow& row) {
    return shown.Image == row.ImageIndex && shown.Caption == row.Caption && shown.SubItems == row.SubItems;
}

void TDownloadListModel::Refresh() {
    dirty_.store(false);
    const int count = list_->Count();
    std::vector<TQorDownloadRow> now;
    now.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) now.push_back(list_->GetRow(i));

    bool changed = false;
    // Rows only leave (deleted, moved back to waiting) or join at the end;
    // the ones that stay keep their order. Removed runs go first, from the
    // back, so the indexes before them stay right.
    std::unordered_set<uint64_t> alive;
    alive.reserve(now.size());
    for (const auto& r : now) alive.insert(r.Id);
    for (int i = static_cast<int>(rows_.size()) - 1; i >= 0;) {
        if (alive.count(rows_[static_cast<size_t>(i)].Id)) {
            --i;
            continue;
        }
        int first = i;
        while (first > 0 && !alive.count(rows_[static_cast<size_t>(first - 1)].Id)) --first;
        beginRemoveRows({}, first, i);
        rows_.erase(rows_.begin() + first, rows_.begin() + i + 1);
        endRemoveRows();
        changed = true;
        i = first - 1;
    }
    // The survivors are now the head of `now`.
    int firstChanged = -1, lastChanged = -1;
    const size_t kept = rows_.size();
    for (size_t i = 0; i < kept && i < now.size(); ++i) {
        if (!Same(rows_[i], now[i])) {
            rows_[i] = Take(std::move(now[i]));
            if (firstChanged < 0) firstChanged = static_cast<int>(i);
            lastChanged = static_cast<int>(i);
        }
    }
    if (firstChanged >= 0) {
        emit dataChanged(index(firstChanged, 0), index(lastChanged, columnCount() - 1));
        changed = true;
    }
    if (now.size() > kept) {
        beginInsertRows({}, static_cast<int>(kept), static_cast<int>(now.size()) - 1);
        for (size_t i = kept; i < now.size(); ++i) rows_.push_back(Take(std::move(now[i])));
        endInsertRows();
        changed = true;
    }
    if (changed) ++refreshes_;
}

#pragma once
// The Qt model over a download queue's rows (the queue stays the one copy of
// the data). The queue's change notices may come from transfer threads: they
// only raise a flag here. On the main thread a timer (every 200 ms, so at
// most five repaints a second) compares the rows' ids and versions with what
// is shown, copies only the rows that changed, and tells the view as
// row-range removals, inserts and data changes, never a reset, so the
// selection and the scroll position survive a crawl that adds thousands of
// rows. A refresh costs one pass over the ids, not a copy of every row; the
// texts are converted for the view only when it paints them.
#include "download/QorDownloadList.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class TDownloadListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 200;

    // Takes over the queue's OnChange.
    explicit TDownloadListModel(TQorDownloadList* list, QObject* parent = nullptr);
    ~TDownloadListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The id of the row shown at `row` (0 when out of range).
    uint64_t RowId(int row) const;
    // Brings the view up to date now (also what the timer does).
    void Refresh();
    // Repaints so far (refreshes that found a change), for the benchmark.
    int Refreshes() const { return refreshes_; }

    // The eight column captions, name first.
    static const QStringList& ColumnCaptions();

private:
    // The texts stay CP932 as the queue holds them: they are compared to
    // find what changed, and only the cells the view paints are converted.
    struct TShown {
        uint64_t Id = 0;
        uint64_t Version = 0;
        std::string Caption;
        std::vector<std::string> SubItems;
        int Image = 0;
    };
    static TShown Take(TQorDownloadRow&& row);
    void EmitChanged(int first, int last);

    TQorDownloadList* list_;
    std::vector<TShown> rows_;
    std::vector<TQorDownloadRowMark> marks_; // kept to reuse its memory
    std::atomic<bool> dirty_{false};
    QTimer timer_;
    int refreshes_ = 0;
    QIcon icons_[4];
};

#pragma once
// The "履歴" tab: days ("今日", "昨日", then month, day and weekday) with the
// pages viewed on them, over the dated history core (TQorHistoryStore),
// which holds the days, the pages once read and the files behind them. The
// host sets Path and SaveDay, calls Read at start-up, Add after each page
// load that did not come from the disk, and the delete operations from its
// commands. A day's pages are read the first time it is opened (double
// click on its caption, or Enter through OpenDateItem).
//
// Threads: main thread only.
#include "engine/QorHistoryStore.h"

#include <QIcon>
#include <QList>
#include <QTreeView>

#include <string>

class TQorHistoryModel;

class TQorHistoryTree : public QTreeView {
    Q_OBJECT
public:
    explicit TQorHistoryTree(QWidget* parent = nullptr);
    ~TQorHistoryTree() override;

    TQorHistoryStore& Core() { return core_; }
    TQorHistoryModel* Model() const { return model_; }

    std::string GetPath() const { return core_.Path; }
    void SetPath(const std::string& path) { core_.Path = path; }
    int GetSaveDay() const { return core_.SaveDay; }
    void SetSaveDay(int days) { core_.SaveDay = days; }

    bool Read() { return core_.Read(); }
    bool Add(const std::string& title, const std::string& url, const std::string& referer) {
        return core_.Add(title, url, referer);
    }
    // Reads a day's pages the first time (busy cursor) and expands it; an
    // opened day is expanded or collapsed when `toggle` is set. Page rows
    // are ignored.
    void OpenDateItem(const QModelIndex& index, bool toggle);
    bool DeleteDate(const std::string& folderName) { return core_.DeleteDate(folderName); }
    bool DeleteAll() { return core_.DeleteAll(); }
    // The host's delete on a row: a page loses its file and row; a day
    // other than today its folder and row. False when nothing was deleted.
    bool DeleteItem(const QModelIndex& index);

    TQorHistoryDate* GetDateInfo(const QModelIndex& index) const;
    TQorHistoryPage* GetPageInfo(const QModelIndex& index) const;
    TQorHistoryDate* TodayNode() const { return core_.TodayNode(); }
    QModelIndex IndexOfDay(const TQorHistoryDate* day) const;

    // Whether the pointer is on the row's caption or the 20 pixels left of
    // it, as in the page tree.
    bool IsInCursor(const QModelIndex& index) const;
    bool IsInCursorAt(const QModelIndex& index, const QPoint& viewportPoint) const;
    QRect CaptionRect(const QModelIndex& index) const;
    // Icons by image index: 0 day, 1 page.
    void SetImages(const QList<QIcon>& images);

    Qt::KeyboardModifiers ShiftState;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TQorHistoryStore core_;
    TQorHistoryModel* model_;
};

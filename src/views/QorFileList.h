#pragma once
// The "ファイル" tab's list: one row per resource of the shown page, in four
// columns ("名前", "種類", "場所", "パラメータ"), with type icons, several
// rows selectable, and headers that sort by their column (each column keeps
// its own direction; the first click on a column sorts it descending).
//
// The rows and their order live in Core (Qt-free); the view shows them
// through a model and forwards the user's actions. For a local folder page
// the list works as a small file manager: copy, cut and paste through the
// system clipboard, delete to the trash or for good. Every such action
// works on the exact native path of each row and refuses rows whose record
// does not lead back to exactly one file; deletes are confirmed, and a
// paste never replaces a file without asking.
#include "engine/FileListRows.h"

#include <QPoint>
#include <QTreeView>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TQorFileImage;
class TQorFileListModel;

class TQorFileList : public QTreeView {
    Q_OBJECT

public:
    using TCheckEvent = std::function<void(TQorFileList* sender, bool& allow)>;

    explicit TQorFileList(QWidget* parent = nullptr);
    ~TQorFileList() override;

    TQorFileImage* GetFileImage() const { return fileImage_; }
    void SetFileImage(TQorFileImage* image);
    int GetActiveCol() const { return Core.ActiveCol; }
    void SetActiveCol(int column);
    int GetSortOrder() const { return Core.SortOrder; }
    void SetSortOrder(int order);
    bool GetShowAnchor() const { return Core.ShowAnchor; }
    void SetShowAnchor(bool show) { Core.ShowAnchor = show; }
    bool GetSort() const { return Core.Sort; }
    void SetSort(bool sort) { Core.Sort = sort; }
    // The page whose resources are listed; not owned. Set before ShowList.
    void SetPageFile(const TQorFile* page) { Core.PageFile = page; }
    void SetFilterExtensions(std::vector<std::string> extensions) { Core.FilterExtensions = std::move(extensions); }

    // Records are added while no background build runs (after ClearList).
    int AddFile(const TQorFile& file) { return Core.AddFile(file); }
    int AddFile(std::unique_ptr<TQorFile> file) { return Core.AddFile(std::move(file)); }
    // Also throws away a background build under way.
    void ClearList();
    // Builds the rows (the caller removes old rows with ClearRows first when
    // it shows the list again), sorted when Sort is on; the first row gets
    // the focus mark, not the selection.
    void ShowList();
    // ShowList for a freshly filled list, with the rows of a large page
    // (BackgroundRows records or more) built and sorted on a worker thread:
    // the list is empty meanwhile (Core holds no records) and the rows come
    // in on this thread when they are ready, with OnListShown. Types new to
    // the file image are added here first, the worker only reads a copy.
    // Every other call that reads or changes the rows first waits for the
    // build and takes its rows; ClearList throws it away.
    void ShowListInBackground();
    // A background build is under way.
    bool Building() const { return build_ != nullptr; }
    size_t BackgroundRows = 5000;
    // The rows of ShowListInBackground are in place (also when they were
    // built at once).
    std::function<void(TQorFileList* sender)> OnListShown;
    void ClearRows();
    void UpdateItemText();
    // The records in Files order, until the next ShowList.
    void ShowInOrderOfAppearance();
    // A header click, also for the host's sort commands.
    void ColumnClick(int column);

    // The row's record, or none.
    const TQorFile* GetFileInfo(int row) const;
    // Selected rows in row order.
    std::vector<size_t> SelectedRows() const;
    std::string GetSelectURLString() const;

    // Puts the selected local files and folders on the clipboard (cut: the
    // paste moves them). False when nothing was put there.
    bool ToClipboard(bool cut);
    // Whether the clipboard holds files; unless `checkOnly`, copies or
    // moves them into `folder` (Windows form).
    bool FromClipboard(bool checkOnly, const std::string& folder);
    // Deletes the selected local files and folders after asking: to the
    // trash with `allowUndo`, for good otherwise. False when nothing was
    // deleted.
    bool DeleteLocalFile(bool allowUndo);

    Qt::KeyboardModifiers ShiftState() const { return shiftState_; }

    TFileListRows Core;
    TCheckEvent OnCheck; // asked before a clipboard copy/cut or a delete
    // Runs a drag of the selection in place of the list's own (the
    // selected rows' addresses through the shell's drag source).
    std::function<void(TQorFileList* sender)> OnStartDrag;

signals:
    // After a header click sorted the list.
    void columnClicked(int column);
    // A drag of the selected rows began (left button, moved more than 4 pixels).
    void dragStarted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct TBuild;

    bool Allowed();
    // Waits for a background build and shows its rows.
    void FinishBuild();
    void InstallBuild();
    void ShowFirstRow();
    void ShowSortIndicator();
    void StartDrag();

    TQorFileListModel* model_;
    TQorFileImage* fileImage_ = nullptr;
    Qt::KeyboardModifiers shiftState_;
    bool dragReady_ = false;
    QPoint pressPos_;
    std::unique_ptr<TBuild> build_;
    unsigned buildNumber_ = 0; // tells a finished build's report from a stale one
};

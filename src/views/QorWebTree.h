#pragma once
// The "ページ" tab: the tree of pages opened since start, over the page tree
// core (TQorPageTree), which holds every node and record and the
// back/forward list. The host (the main window) starts loads and, when one
// completes, tells the tree what to add and how to mark it; the operations
// below are the ones it drives. Nodes are the core's TQorPageNode pointers.
//
// Modifiers: ShiftState holds the modifiers of the last key-down in the
// tree and is emptied on key-up; the host reads it in its click handler.
// Drags: a left press on a node followed by a move of more than 4 pixels
// sets DragReady and raises OnDragReady; the host decides (Alt, its own
// state) and starts the drag with StartDrag, which clears DragReady. With
// no OnDragReady bound the tree starts the drag of the pressed node itself.
//
// Threads: main thread only.
#include "engine/QorPageTree.h"

#include <QIcon>
#include <QList>
#include <QPoint>
#include <QTreeView>

#include <functional>
#include <memory>
#include <string>

class QMimeData;
class TQorWebTreeModel;

class TQorWebTree : public QTreeView {
    Q_OBJECT
public:
    explicit TQorWebTree(QWidget* parent = nullptr);
    ~TQorWebTree() override;

    TQorPageTree& Core() { return core_; }
    TQorWebTreeModel* Model() const { return model_; }

    // Adds the root once (caption string 1004, image 0).
    void Initialize();
    // A new top-level page; the root is expanded and the page selected.
    TQorPageNode* AddRootPage(const std::string& url, bool blankCaption);
    TQorPageNode* AddChild(TQorPageNode* parent, const TQorFile& file) { return core_.AddChild(parent, file); }
    void ResetFileInfo(TQorPageNode* node, const TQorFile& file) { core_.ResetFileInfo(node, file); }
    static tagQORNODEINFO* GetNodeInfo(const TQorPageNode* node) { return TQorPageTree::GetNodeInfo(node); }
    static TQorFile* GetFileInfo(const TQorPageNode* node) { return TQorPageTree::GetFileInfo(node); }
    std::string GetNodeText(const TQorFile& file, const TQorFile* parentFile) const {
        return core_.GetNodeText(file, parentFile);
    }
    void SetNodeText(TQorPageNode* node, const std::string& text) { core_.SetNodeText(node, text); }
    void SetNodeIcon(TQorPageNode* node, int image) { core_.SetNodeIcon(node, image); }
    void UpdateNodeText() { core_.UpdateNodeText(); }
    void ClearWebPage() { core_.ClearWebPage(); }
    void DeleteNode(TQorPageNode* node) { core_.DeleteNode(node); }
    void DeleteChildren(TQorPageNode* node) { core_.DeleteChildren(node); }
    // The children of a local folder page in the locale's caption order.
    void SortChildren(TQorPageNode* node) { core_.SortChildren(node); }

    bool GetShowAnchor() const { return core_.ShowAnchor; }
    void SetShowAnchor(bool show) { core_.ShowAnchor = show; }
    TQorPageNode* RootNode() const { return core_.RootNode(); }
    TQorPageNode* CurrentNode() const { return core_.CurrentNode(); }
    // The new current node is drawn bold, the old one no longer.
    void SetCurrentNode(TQorPageNode* node) { core_.SetCurrentNode(node); }
    TQorPageNode* TargetNode() const { return core_.TargetNode(); }
    void SetTargetNode(TQorPageNode* node) { core_.SetTargetNode(node); }

    void AddHistory(TQorPageNode* node) { core_.AddHistory(node); }
    bool IsCanBack() const { return core_.IsCanBack(); }
    bool IsCanForward() const { return core_.IsCanForward(); }
    TQorFile* GetPrevHistory() { return core_.GetPrevHistory(); }
    TQorFile* GetNextHistory() { return core_.GetNextHistory(); }
    TQorPageNode* GetHistoryNode(int index) const { return core_.GetHistoryNode(index); }
    int HistoryIndex() const { return core_.HistoryIndex(); }
    void ResetHistory() { core_.ResetHistory(); }

    // View side of a node.
    QModelIndex IndexOf(const TQorPageNode* node) const;
    TQorPageNode* NodeOf(const QModelIndex& index) const;
    TQorPageNode* NodeAt(const QPoint& viewportPoint) const;
    TQorPageNode* SelectedNode() const;
    // Selects the node and scrolls it into view.
    void SelectNode(TQorPageNode* node);
    void ExpandNode(TQorPageNode* node, bool expand = true);
    // Icons by image index: 0 root, 1 new, 2 loaded, 3 failed, 4 cached or
    // local, 6 loop. A default set from the style is in place.
    void SetImages(const QList<QIcon>& images);

    // Whether the pointer is on the node's caption or the 20 pixels left of
    // it (its icon); false for none.
    bool IsInCursor(const TQorPageNode* node) const;
    bool IsInCursorAt(const TQorPageNode* node, const QPoint& viewportPoint) const;
    // The node's caption text rectangle in viewport coordinates.
    QRect CaptionRect(const TQorPageNode* node) const;

    // Drags the node's address (or a local file's path, as a file too)
    // through the shell's drop source, offering copy only; OnMakeDragData
    // may add the record in a form of our own views. Returns when the drag
    // has ended.
    void StartDrag(const TQorPageNode* node);

    Qt::KeyboardModifiers ShiftState;
    bool DragReady = false;
    std::function<void(TQorWebTree* sender)> OnDragReady;
    std::function<void(TQorWebTree* sender, const TQorPageNode* node, QMimeData& data)> OnMakeDragData;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TQorPageTree core_;
    TQorWebTreeModel* model_;
    QPoint downPos_;
    bool downOnNode_ = false;
};

#pragma once
// The pages the user opened since start: one root ("インターネット"), the
// pages opened as new addresses below it, and below each page the page links
// found on it. This is the data of the page tree; the Qt view shows it
// through a model that follows the change notices below, and every node's
// record lives here, never only in the view.
//
// Nodes are owned by the tree and handed out as plain pointers, valid until
// the node is deleted (DeleteNode, DeleteChildren, ClearWebPage or the
// tree's end). Deleting a node also deletes its subtree, takes every deleted
// node out of the back/forward list and clears CurrentNode and TargetNode
// when they were among them.
//
// Threads: main thread only.
#include "engine/QorBackForwardList.h"
#include "engine/QorFile.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The record of a page node; the root and loop nodes have none.
struct tagQORNODEINFO {
    bool Loaded = false;
    std::unique_ptr<TQorFile> File; // the node's own copy
    std::string CompURL;            // GetCompURL when the node was made
};

class TQorPageNode {
public:
    TQorPageNode* Parent() const { return parent_; }
    int Row() const { return row_; } // position among the parent's children
    int ChildCount() const { return static_cast<int>(children_.size()); }
    TQorPageNode* Child(int row) const;
    const std::string& Caption() const { return caption_; }
    int ImageIndex() const { return image_; }
    tagQORNODEINFO* Info() const { return info_.get(); }

private:
    friend class TQorPageTree;
    TQorPageNode* parent_ = nullptr;
    int row_ = 0;
    std::vector<std::unique_ptr<TQorPageNode>> children_;
    std::string caption_;
    int image_ = 0;
    std::unique_ptr<tagQORNODEINFO> info_;
};

class TQorPageTree {
public:
    // Image indices of the host's image list.
    static constexpr int ImageRoot = 0;
    static constexpr int ImageNew = 1;
    static constexpr int ImageLoaded = 2;
    static constexpr int ImageFailed = 3;
    static constexpr int ImageCached = 4;
    static constexpr int ImageLoop = 6;

    using TRangeEvent = std::function<void(TQorPageTree* sender, TQorPageNode* parent, int first, int last)>;
    using TNodeEvent = std::function<void(TQorPageTree* sender, TQorPageNode* node)>;

    TQorPageTree();
    ~TQorPageTree();
    TQorPageTree(const TQorPageTree&) = delete;
    TQorPageTree& operator=(const TQorPageTree&) = delete;

    // Adds the root (caption string 1004, image 0) once.
    void Initialize();
    TQorPageNode* RootNode() const { return root_.get(); }

    // A new top-level page for `url`: image 1, captioned with its plain
    // address unless `blankCaption`. None before Initialize.
    TQorPageNode* AddRootPage(std::string_view url, bool blankCaption);
    // A link of the parent's page. A link back to the parent or one of its
    // ancestors (the same GetURL, byte for byte) becomes a loop node without
    // a record (image 6), except that a local file loop adds nothing; any
    // other link a page node with its own copy of `file` (image 1). None
    // when the parent has no record.
    TQorPageNode* AddChild(TQorPageNode* parent, const TQorFile& file);

    // Copies `file` into the node's record and re-captions it without a
    // parent; nothing for a node without a record.
    void ResetFileInfo(TQorPageNode* node, const TQorFile& file);
    static tagQORNODEINFO* GetNodeInfo(const TQorPageNode* node);
    static TQorFile* GetFileInfo(const TQorPageNode* node);
    // The caption of `file`: its plain address; below a parent its link text
    // (when ShowAnchor) or else the part after the parent's folder. Cut to
    // 250 bytes on a character boundary.
    std::string GetNodeText(const TQorFile& file, const TQorFile* parentFile) const;
    void SetNodeText(TQorPageNode* node, std::string_view text); // cut to 250 bytes
    void SetNodeIcon(TQorPageNode* node, int image);
    // Re-captions every node whose parent has a record (after ShowAnchor
    // changed); top-level pages and loop nodes keep their captions.
    void UpdateNodeText();

    // Deletes the node and its subtree; the root cannot be deleted.
    void DeleteNode(TQorPageNode* node);
    // Deletes every child of the node (a page's links before they are added
    // again after a load).
    void DeleteChildren(TQorPageNode* node);
    // Deletes every node below the root.
    void ClearWebPage();
    // Orders the node's children by caption with CompareCaptions.
    void SortChildren(TQorPageNode* node);

    // The page shown (drawn bold) and the node a running load will make
    // current. Both are cleared when their node is deleted.
    TQorPageNode* CurrentNode() const { return current_; }
    void SetCurrentNode(TQorPageNode* node);
    TQorPageNode* TargetNode() const { return target_; }
    void SetTargetNode(TQorPageNode* node) { target_ = node; }

    // Back/forward list over the nodes.
    void AddHistory(TQorPageNode* node);
    bool IsCanBack() const { return history_.CanBack(); }
    bool IsCanForward() const { return history_.CanForward(); }
    // Step and answer the record of the entry now current; none (no step)
    // when there is none to go to.
    TQorFile* GetPrevHistory();
    TQorFile* GetNextHistory();
    TQorPageNode* GetHistoryNode(int index) const { return history_.Get(index); }
    int HistoryIndex() const { return history_.Index(); }
    int HistoryCount() const { return history_.Count(); }
    void ResetHistory() { history_.Reset(); }

    // What a drag of the node carries: its full address, or for a local
    // file its path without a trailing backslash; empty without a record.
    static std::string GetDragText(const TQorPageNode* node);

    bool ShowAnchor = true;
    // Caption order of SortChildren (negative, zero, positive); bytes by
    // default, the view puts the locale's comparison here.
    std::function<int(const std::string&, const std::string&)> CompareCaptions;

    // Change notices for the view, in the order a Qt model needs them.
    TRangeEvent OnBeginInsert;
    TNodeEvent OnEndInsert;
    TRangeEvent OnBeginRemove;
    TNodeEvent OnEndRemove;
    TNodeEvent OnBeginSort; // the node's children are about to change order
    TNodeEvent OnEndSort;
    TNodeEvent OnChange;    // caption, image or bold state of one node

private:
    TQorPageNode* Append(TQorPageNode* parent, std::unique_ptr<TQorPageNode> node);
    void RemoveRange(TQorPageNode* parent, int first, int last);
    void Changed(TQorPageNode* node);

    std::unique_ptr<TQorPageNode> root_;
    TQorPageNode* current_ = nullptr;
    TQorPageNode* target_ = nullptr;
    TQorBackForwardList history_;
};

#pragma once
// The back/forward list of the page tree: the most recent 100 nodes the user
// went to, and the position of the one shown. The list holds plain pointers
// to nodes owned by the tree; the tree calls Remove for every node it
// deletes, so the list never hands out a freed node.
//
// Threads: main thread only.
#include <cstddef>
#include <unordered_set>
#include <vector>

class TQorPageNode;

class TQorBackForwardList {
public:
    static constexpr int MaxEntries = 100;

    // Drops every entry after the current one, appends the node and makes it
    // current; at 100 entries the oldest goes.
    void Add(TQorPageNode* node);
    bool CanBack() const { return index_ > 0; }
    bool CanForward() const { return index_ < Count() - 1; }
    // Move one step and answer the entry now current; none (and no move)
    // when there is no step to take.
    TQorPageNode* Back();
    TQorPageNode* Forward();
    // The entry at `index`; none outside 0..Count()-1.
    TQorPageNode* Get(int index) const;
    void Reset();

    // Takes deleted nodes out of the list. The current entry stays the
    // current one when it survives; when it goes, the entry before it (or,
    // with none before, the first survivor) becomes current.
    void Remove(const std::unordered_set<const TQorPageNode*>& deleted);

    int Count() const { return static_cast<int>(entries_.size()); }
    int Index() const { return index_; }

private:
    std::vector<TQorPageNode*> entries_;
    int index_ = -1;
};

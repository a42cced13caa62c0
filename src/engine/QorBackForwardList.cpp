#include "engine/QorBackForwardList.h"

void TQorBackForwardList::Add(TQorPageNode* node) {
    entries_.resize(static_cast<size_t>(index_ + 1));
    entries_.push_back(node);
    ++index_;
    if (index_ == MaxEntries) {
        entries_.erase(entries_.begin());
        --index_;
    }
}

TQorPageNode* TQorBackForwardList::Back() {
    if (!CanBack()) return nullptr;
    return entries_[static_cast<size_t>(--index_)];
}

TQorPageNode* TQorBackForwardList::Forward() {
    if (!CanForward()) return nullptr;
    return entries_[static_cast<size_t>(++index_)];
}

TQorPageNode* TQorBackForwardList::Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return entries_[static_cast<size_t>(index)];
}

void TQorBackForwardList::Reset() {
    entries_.clear();
    index_ = -1;
}

void TQorBackForwardList::Remove(const std::unordered_set<const TQorPageNode*>& deleted) {
    if (deleted.empty() || entries_.empty()) return;
    std::vector<TQorPageNode*> kept;
    kept.reserve(entries_.size());
    int newIndex = -1;
    for (int i = 0; i < Count(); ++i) {
        TQorPageNode* node = entries_[static_cast<size_t>(i)];
        if (deleted.count(node)) continue;
        kept.push_back(node);
        // The last survivor at or before the current entry: the current one
        // itself when it stays, else the one before it.
        if (i <= index_) newIndex = static_cast<int>(kept.size()) - 1;
    }
    if (newIndex < 0 && !kept.empty()) newIndex = 0;
    entries_.swap(kept);
    index_ = newIndex;
}

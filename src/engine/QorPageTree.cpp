#include "engine/QorPageTree.h"

#include "engine/QorCaption.h"
#include "platform/StringTable.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <unordered_set>

namespace {

std::unique_ptr<tagQORNODEINFO> MakeInfo(std::unique_ptr<TQorFile> file) {
    auto info = std::make_unique<tagQORNODEINFO>();
    info->CompURL = file->URL->GetCompURL();
    info->File = std::move(file);
    return info;
}

std::unique_ptr<TQorFile> CopyOf(const TQorFile& file) {
    auto copy = std::make_unique<TQorFile>();
    copy->Assign(&file);
    return copy;
}

// The node and everything below it, without recursion (trees get deep when
// the user walks a site).
void CollectSubtree(const TQorPageNode* node, std::unordered_set<const TQorPageNode*>& out) {
    std::vector<const TQorPageNode*> stack{node};
    while (!stack.empty()) {
        const TQorPageNode* n = stack.back();
        stack.pop_back();
        out.insert(n);
        for (int i = 0; i < n->ChildCount(); ++i) stack.push_back(n->Child(i));
    }
}

} // namespace

TQorPageNode* TQorPageNode::Child(int row) const {
    if (row < 0 || row >= ChildCount()) return nullptr;
    return children_[static_cast<size_t>(row)].get();
}

TQorPageTree::TQorPageTree() {
    CompareCaptions = [](const std::string& a, const std::string& b) { return a.compare(b); };
}

TQorPageTree::~TQorPageTree() {
    // Deep trees are torn down without recursion.
    if (!root_) return;
    std::vector<std::unique_ptr<TQorPageNode>> pending;
    for (auto& child : root_->children_) pending.push_back(std::move(child));
    while (!pending.empty()) {
        std::unique_ptr<TQorPageNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->children_) pending.push_back(std::move(child));
    }
}

void TQorPageTree::Initialize() {
    if (root_) return;
    root_ = std::make_unique<TQorPageNode>();
    root_->caption_ = TStringTable::Get(1004);
    root_->image_ = ImageRoot;
}

TQorPageNode* TQorPageTree::Append(TQorPageNode* parent, std::unique_ptr<TQorPageNode> node) {
    const int row = parent->ChildCount();
    node->parent_ = parent;
    node->row_ = row;
    if (OnBeginInsert) OnBeginInsert(this, parent, row, row);
    TQorPageNode* added = node.get();
    parent->children_.push_back(std::move(node));
    if (OnEndInsert) OnEndInsert(this, parent);
    return added;
}

TQorPageNode* TQorPageTree::AddRootPage(std::string_view url, bool blankCaption) {
    if (!root_) return nullptr;
    auto file = std::make_unique<TQorFile>(url);
    auto node = std::make_unique<TQorPageNode>();
    if (!blankCaption) node->caption_ = GetNodeText(*file, nullptr);
    node->image_ = ImageNew;
    node->info_ = MakeInfo(std::move(file));
    return Append(root_.get(), std::move(node));
}

TQorPageNode* TQorPageTree::AddChild(TQorPageNode* parent, const TQorFile& file) {
    if (!parent || !parent->info_) return nullptr;
    const std::string url = file.URL->GetURL();
    for (TQorPageNode* up = parent; up; up = up->parent_) {
        if (!up->info_ || up->info_->File->URL->GetURL() != url) continue;
        if (file.Kind == TQorFile::kLocal) return nullptr; // a folder listing itself
        auto loop = std::make_unique<TQorPageNode>();
        loop->caption_ = GetNodeText(*CopyOf(file), up->info_->File.get());
        loop->image_ = ImageLoop;
        return Append(parent, std::move(loop));
    }
    auto node = std::make_unique<TQorPageNode>();
    auto copy = CopyOf(file);
    node->caption_ = GetNodeText(*copy, parent->info_->File.get());
    node->image_ = ImageNew;
    node->info_ = MakeInfo(std::move(copy));
    return Append(parent, std::move(node));
}

void TQorPageTree::ResetFileInfo(TQorPageNode* node, const TQorFile& file) {
    if (!node || !node->info_) return;
    node->info_->File->Assign(&file);
    node->caption_ = GetNodeText(*node->info_->File, nullptr);
    Changed(node);
}

tagQORNODEINFO* TQorPageTree::GetNodeInfo(const TQorPageNode* node) {
    return node ? node->info_.get() : nullptr;
}

TQorFile* TQorPageTree::GetFileInfo(const TQorPageNode* node) {
    return node && node->info_ ? node->info_->File.get() : nullptr;
}

std::string TQorPageTree::GetNodeText(const TQorFile& file, const TQorFile* parentFile) const {
    std::string text = file.URL->GetPlaneURL();
    if (parentFile) {
        if (!file.AnchorString.empty() && ShowAnchor) {
            text = file.AnchorString;
        } else {
            const std::string dir = parentFile->URL->GetFullDir();
            if (text.size() > dir.size() && text.compare(0, dir.size(), dir) == 0) text.erase(0, dir.size());
        }
    }
    return TQorCaption::Cut(text);
}

void TQorPageTree::SetNodeText(TQorPageNode* node, std::string_view text) {
    if (!node) return;
    node->caption_ = TQorCaption::Cut(text);
    Changed(node);
}

void TQorPageTree::SetNodeIcon(TQorPageNode* node, int image) {
    if (!node) return;
    node->image_ = image;
    Changed(node);
}

void TQorPageTree::UpdateNodeText() {
    if (!root_) return;
    std::vector<TQorPageNode*> stack{root_.get()};
    while (!stack.empty()) {
        TQorPageNode* node = stack.back();
        stack.pop_back();
        if (node->info_ && node->parent_ && node->parent_->info_) {
            std::string caption = GetNodeText(*node->info_->File, node->parent_->info_->File.get());
            if (caption != node->caption_) {
                node->caption_ = std::move(caption);
                Changed(node);
            }
        }
        for (int i = node->ChildCount() - 1; i >= 0; --i) stack.push_back(node->Child(i));
    }
}

void TQorPageTree::RemoveRange(TQorPageNode* parent, int first, int last) {
    if (!parent || first > last) return;
    std::unordered_set<const TQorPageNode*> gone;
    for (int i = first; i <= last; ++i) CollectSubtree(parent->Child(i), gone);
    history_.Remove(gone);
    if (gone.count(current_)) current_ = nullptr;
    if (gone.count(target_)) target_ = nullptr;

    if (OnBeginRemove) OnBeginRemove(this, parent, first, last);
    std::vector<std::unique_ptr<TQorPageNode>> removed(
        std::make_move_iterator(parent->children_.begin() + first),
        std::make_move_iterator(parent->children_.begin() + last + 1));
    parent->children_.erase(parent->children_.begin() + first, parent->children_.begin() + last + 1);
    for (int i = first; i < parent->ChildCount(); ++i) parent->children_[static_cast<size_t>(i)]->row_ = i;
    if (OnEndRemove) OnEndRemove(this, parent);
    // Freed after the view has let go of them, without recursion.
    while (!removed.empty()) {
        std::unique_ptr<TQorPageNode> node = std::move(removed.back());
        removed.pop_back();
        for (auto& child : node->children_) removed.push_back(std::move(child));
    }
}

void TQorPageTree::DeleteNode(TQorPageNode* node) {
    if (!node || !node->parent_) return;
    RemoveRange(node->parent_, node->row_, node->row_);
}

void TQorPageTree::DeleteChildren(TQorPageNode* node) {
    if (!node || node->children_.empty()) return;
    RemoveRange(node, 0, node->ChildCount() - 1);
}

void TQorPageTree::ClearWebPage() { DeleteChildren(root_.get()); }

void TQorPageTree::SortChildren(TQorPageNode* node) {
    if (!node || node->ChildCount() < 2) return;
    if (OnBeginSort) OnBeginSort(this, node);
    std::stable_sort(node->children_.begin(), node->children_.end(),
                     [this](const std::unique_ptr<TQorPageNode>& a, const std::unique_ptr<TQorPageNode>& b) {
                         return CompareCaptions(a->caption_, b->caption_) < 0;
                     });
    for (int i = 0; i < node->ChildCount(); ++i) node->children_[static_cast<size_t>(i)]->row_ = i;
    if (OnEndSort) OnEndSort(this, node);
}

void TQorPageTree::SetCurrentNode(TQorPageNode* node) {
    if (node == current_) return;
    TQorPageNode* old = current_;
    current_ = node;
    if (old) Changed(old);
    if (node) Changed(node);
}

void TQorPageTree::AddHistory(TQorPageNode* node) {
    if (node) history_.Add(node);
}

TQorFile* TQorPageTree::GetPrevHistory() { return GetFileInfo(history_.Back()); }

TQorFile* TQorPageTree::GetNextHistory() { return GetFileInfo(history_.Forward()); }

std::string TQorPageTree::GetDragText(const TQorPageNode* node) {
    const TQorFile* file = GetFileInfo(node);
    if (!file) return {};
    if (file->Kind == TQorFile::kLocal) return TWinPath::ExcludeTrailingBackslash(file->URL->GetLocalPath());
    return file->URL->GetURL();
}

void TQorPageTree::Changed(TQorPageNode* node) {
    if (OnChange) OnChange(this, node);
}

#include "engine/FileFilter.h"

#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/TextLines.h"

#include <algorithm>

namespace {

// Blanks at the end of a line go, except a TAB: "Name\t" is a filter whose
// extension list is empty, and must read back as one.
std::string_view TrimLine(std::string_view line) {
    size_t begin = 0;
    while (begin < line.size() && static_cast<unsigned char>(line[begin]) <= 0x20) ++begin;
    size_t end = line.size();
    while (end > begin && static_cast<unsigned char>(line[end - 1]) <= 0x20 && line[end - 1] != '\t')
        --end;
    return line.substr(begin, end - begin);
}

} // namespace

void TFileFilterItem::SetExtensionText(std::string_view text) {
    Extensions.clear();
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t colon = TSjisText::FindChar(text, ':', pos);
        if (colon == std::string_view::npos) colon = text.size();
        std::string ext = TSjisText::LowerCase(TSjisText::Trim(text.substr(pos, colon - pos)));
        if (!ext.empty()) Extensions.push_back(std::move(ext));
        pos = colon + 1;
    }
}

std::string TFileFilterItem::GetExtensionText() const {
    std::string text;
    for (size_t i = 0; i < Extensions.size(); ++i) {
        if (i) text += ':';
        text += Extensions[i];
    }
    return text;
}

void TFileFilterItem::Assign(const TFileFilterItem& source) {
    Name = source.Name;
    Extensions = source.Extensions;
}

bool TFileFilterItem::IsStorable() const {
    return TFileFilter::IsStorableText(Name) &&
           std::all_of(Extensions.begin(), Extensions.end(),
                       [](const std::string& ext) { return TFileFilter::IsStorableText(ext); });
}

bool TFileFilter::IsStorableText(std::string_view text) {
    return text.find_first_of("\t\r\n") == std::string_view::npos;
}

bool TFileFilter::LoadFromFile(const std::string& path) {
    Clear();
    if (!TFileOps::FileExists(path)) return TFileOps::MissingOrReadable(path);
    std::string data;
    if (!TFileOps::ReadWholeFile(path, data)) return false;
    TTextLines::ForEach(data, [&](std::string_view raw) {
        std::string_view line = TrimLine(raw);
        size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return;
        auto item = std::make_unique<TFileFilterItem>();
        item->Name = std::string(line.substr(0, tab));
        item->SetExtensionText(line.substr(tab + 1));
        items_.push_back(std::move(item));
    });
    return true;
}

bool TFileFilter::SaveToFile(const std::string& path) const {
    std::string text;
    for (const auto& item : items_) {
        if (!item->IsStorable()) return false;
        text += item->Name;
        text += '\t';
        text += item->GetExtensionText();
        text += "\r\n";
    }
    return TFileOps::WriteFileAtomically(path, text);
}

void TFileFilter::Clear() { items_.clear(); }

int TFileFilter::Count() const { return static_cast<int>(items_.size()); }

TFileFilterItem* TFileFilter::GetItem(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<size_t>(index)].get();
}

TFileFilterItem* TFileFilter::Add(std::string_view name, std::string_view extensionText) {
    if (!IsStorableText(name) || !IsStorableText(extensionText)) return nullptr;
    auto item = std::make_unique<TFileFilterItem>();
    item->Name = std::string(name);
    item->SetExtensionText(extensionText);
    items_.push_back(std::move(item));
    return items_.back().get();
}

#include "engine/FavoriteManager.h"

#include "engine/ListFieldText.h"
#include "engine/QorFileProtector.h"
#include "platform/SjisText.h"
#include "platform/TextLines.h"

int TFavoriteManager::Count() const { return static_cast<int>(items_.size()); }

TFavoriteItem* TFavoriteManager::GetItem(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<size_t>(index)].get();
}

TFavoriteItem* TFavoriteManager::Add(std::string_view url, std::string_view title) {
    auto item = std::make_unique<TFavoriteItem>();
    item->URL = TListFieldText::Blanked(url);
    item->Title = TListFieldText::Blanked(title);
    items_.push_back(std::move(item));
    return items_.back().get();
}

void TFavoriteManager::Clear() { items_.clear(); }

TFavoriteItem* TFavoriteManager::AddPage(std::string_view url, std::string_view title,
                                         std::string_view planeURL) {
    return Add(url, title.empty() ? planeURL : title);
}

bool TFavoriteManager::LoadFromFile(std::string_view path) {
    Clear();
    std::string text;
    if (!TQorFileProtector::LoadEncryptionText(path, text)) return false;
    TTextLines::ForEach(text, [&](std::string_view raw) {
        std::string line = TSjisText::Trim(raw);
        size_t tab = line.find('\t');
        if (tab == std::string::npos) return;
        // Further TABs stay in the title: they break nothing, since only
        // the first one splits the line.
        auto item = std::make_unique<TFavoriteItem>();
        item->URL = line.substr(0, tab);
        item->Title = line.substr(tab + 1);
        items_.push_back(std::move(item));
    });
    return true;
}

bool TFavoriteManager::SaveToFile(std::string_view path) const {
    std::string text;
    for (const auto& item : items_) {
        text += item->URL;
        text += '\t';
        text += item->Title;
        text += "\r\n";
    }
    return TQorFileProtector::SaveEncryptionText(path, text);
}

std::vector<tagFAVORITEMENUITEM> TFavoriteManager::GetMenuItems() const {
    std::vector<tagFAVORITEMENUITEM> menu;
    menu.reserve(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) {
        tagFAVORITEMENUITEM entry;
        entry.Caption = items_[i]->Title;
        entry.URL = items_[i]->URL;
        if (i < 9) entry.Shortcut = "Ctrl+" + std::to_string(i + 1);
        menu.push_back(std::move(entry));
    }
    return menu;
}

#include "engine/ProxyManager.h"

#include "engine/ListFieldText.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorFileProtector.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"
#include "platform/TextLines.h"

#include <charconv>

namespace {

bool ReadPort(std::string_view text, int& port) {
    std::string trimmed = TSjisText::Trim(text);
    if (trimmed.empty()) return false;
    const char* begin = trimmed.data();
    const char* end = begin + trimmed.size();
    if (*begin == '+') ++begin; // from_chars takes "-" but not "+"
    auto [stop, ec] = std::from_chars(begin, end, port);
    return ec == std::errc() && stop == end && begin != end;
}

} // namespace

int TProxyManager::Count() const { return static_cast<int>(items_.size()); }

TProxyInfo* TProxyManager::GetItem(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<size_t>(index)].get();
}

TProxyInfo* TProxyManager::Add(std::string_view name, std::string_view host, int port) {
    auto item = std::make_unique<TProxyInfo>();
    item->Name = TListFieldText::Blanked(name);
    item->Host = TListFieldText::Blanked(host);
    item->Port = port;
    items_.push_back(std::move(item));
    return items_.back().get();
}

void TProxyManager::Clear() { items_.clear(); }

bool TProxyManager::LoadFromFile(std::string_view path) {
    Clear();
    if (!TFileOps::FileExists(path)) return TFileOps::MissingOrReadable(path);
    std::string text;
    if (!TQorFileProtector::LoadEncryptionText(path, text)) return false;
    TTextLines::ForEach(text, [&](std::string_view line) {
        size_t first = line.find('\t');
        if (first == std::string_view::npos) return;
        size_t second = line.find('\t', first + 1);
        if (second == std::string_view::npos) return;
        int port = 0;
        if (!ReadPort(line.substr(second + 1), port)) return;
        Add(line.substr(0, first), line.substr(first + 1, second - first - 1), port);
    });
    return true;
}

bool TProxyManager::SaveToFile(std::string_view path) const {
    std::string text;
    for (const auto& item : items_) {
        text += item->Name;
        text += '\t';
        text += item->Host;
        text += '\t';
        text += std::to_string(item->Port);
        text += "\r\n";
    }
    return TQorFileProtector::SaveEncryptionText(path, text);
}

std::vector<std::string> TProxyManager::GetBoxEntries() const {
    std::vector<std::string> entries;
    entries.reserve(items_.size() + 1);
    entries.push_back(TStringTable::Get(35));
    for (const auto& item : items_) entries.push_back(item->Name);
    return entries;
}

bool TProxyManager::ApplyBoxEntry(int index, TQorConnGeneral& conn) const {
    if (index < 0 || index > Count()) return false;
    conn.SetProxy("");
    conn.SetProxyPort(0);
    if (index > 0) {
        const TProxyInfo* item = GetItem(index - 1);
        conn.SetProxy(item->Host);
        conn.SetProxyPort(item->Port);
    }
    return true;
}

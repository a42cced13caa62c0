#include "engine/QorCacheManager.h"

#include "engine/QorUncachePage.h"
#include "inet/XMD5.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int64_t kMegabyte = 1048576;
constexpr std::string_view kLocation = "Location:";
constexpr std::string_view kReferer = "Referer:";

// The final address behind the text's zero byte, when the file has one.
void ReadFinal(std::string_view data, std::string& url, std::string& referer) {
    const size_t zero = data.rfind('\0');
    if (zero == std::string_view::npos) return;
    std::string_view tail = data.substr(zero + 1);
    if (tail.substr(0, kLocation.size()) != kLocation) return;
    tail.remove_prefix(kLocation.size());
    const size_t end = tail.find('\n');
    if (end == std::string_view::npos) return;
    url = std::string(tail.substr(0, end));
    tail.remove_prefix(end + 1);
    if (tail.substr(0, kReferer.size()) == kReferer) {
        tail.remove_prefix(kReferer.size());
        referer = std::string(tail.substr(0, tail.find('\n')));
    }
}

std::string LowerExt(const std::string& name) {
    return TSjisText::LowerCase(TWinPath::ExtractFileExt(name));
}

} // namespace

std::string TQorCacheManager::Folder() const {
    return CachePath.empty() ? std::string() : TWinPath::IncludeTrailingBackslash(CachePath);
}

std::string TQorCacheManager::GetCacheFileName(std::string_view address) const {
    std::string folder = Folder();
    if (folder.empty()) return {};
    return folder + TXMD5::Get(address) + ".pcx";
}

bool TQorCacheManager::IsCached(std::string_view address, std::string& path) const {
    if (UncachePage && UncachePage->Covers(address)) return false;
    std::string name = GetCacheFileName(address);
    if (!name.empty() && TFileOps::FileExists(name)) {
        path = std::move(name);
        return true;
    }
    path.clear();
    return false;
}

bool TQorCacheManager::Load(std::string_view address) {
    Text.clear();
    FinalURL.clear();
    FinalReferer.clear();
    std::string path;
    if (!IsCached(address, path)) return false;
    std::string data;
    if (!TFileOps::ReadWholeFile(path, data)) return false;
    size_t zero = data.find('\0');
    if (zero != std::string::npos) {
        ReadFinal(data, FinalURL, FinalReferer);
        data.resize(zero);
    }
    Text = std::move(data);
    return true;
}

bool TQorCacheManager::Save(std::string_view address) {
    const std::string path = GetCacheFileName(address);
    if (path.empty()) return false;
    // Written aside and renamed over the old file rather than deleted and
    // written in place: a load thread of another manager reading the same
    // page, or a crash half-way, must never find a page cut short.
    // A save that fails leaves the page uncached, as deleting the old file
    // first would have.
    // The final address goes on the end of Text for the write only, not
    // into a copy of the whole page.
    const size_t length = Text.size();
    if (!FinalURL.empty()) {
        Text += '\0';
        Text += kLocation;
        Text += FinalURL;
        Text += '\n';
        Text += kReferer;
        Text += FinalReferer;
        Text += '\n';
    }
    const bool written = TFileOps::WriteFileAtomically(path, Text);
    Text.resize(length);
    if (!written) {
        TFileOps::DeleteFile(path);
        return false;
    }
    return Trim(TWinPath::ExtractFileName(path));
}

bool TQorCacheManager::Trim(const std::string& writtenName) const {
    const std::string folder = Folder();
    std::vector<TFolderEntry> entries;
    if (!TFileOps::ListFolder(folder, entries)) return true;

    std::vector<const TFolderEntry*> pages;
    int64_t total = 0;
    for (const TFolderEntry& e : entries) {
        if (e.IsFolder || LowerExt(e.Name) != ".pcx") continue;
        pages.push_back(&e);
        total += e.Size;
    }
    const int64_t limit = static_cast<int64_t>(CacheSize) * kMegabyte;
    if (total <= limit) return true;

    // Oldest first. Time stamps are whole seconds, so pages saved in one
    // second tie: the one just written goes last among them, the others
    // by name so that the order does not depend on the listing.
    std::sort(pages.begin(), pages.end(), [&](const TFolderEntry* a, const TFolderEntry* b) {
        if (a->Time != b->Time) return a->Time < b->Time;
        bool aWritten = a->Name == writtenName;
        bool bWritten = b->Name == writtenName;
        if (aWritten != bWritten) return bWritten;
        return a->Name < b->Name;
    });
    for (const TFolderEntry* page : pages) {
        if (total <= limit) break;
        const std::string path = folder + page->Name;
        // A file another manager removed meanwhile is gone all the same.
        if (!TFileOps::DeleteFile(path) && TFileOps::FileExists(path)) return false;
        total -= page->Size;
    }
    return true;
}

bool TQorCacheManager::Clear() {
    const std::string folder = Folder();
    if (folder.empty()) return true;
    std::vector<TFolderEntry> entries;
    if (!TFileOps::ListFolder(folder, entries)) return true;
    for (const TFolderEntry& e : entries) {
        if (e.IsFolder) continue;
        std::string ext = LowerExt(e.Name);
        if (ext.rfind(".pcx", 0) != 0 && ext != ".pcf" && ext != ".pch") continue;
        const std::string path = folder + e.Name;
        if (!TFileOps::DeleteFile(path) && TFileOps::FileExists(path)) return false;
    }
    return true;
}

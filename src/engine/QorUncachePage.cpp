#include "engine/QorUncachePage.h"

#include "engine/QorFileProtector.h"
#include "inet/InetURLEx.h"
#include "platform/SjisText.h"
#include "platform/TextLines.h"

#include <iterator>

namespace {

tagQORUNCACHEINFO MakeEntry(std::string_view text, bool all) {
    return tagQORUNCACHEINFO{TInetURLEx(text).GetCompEntity(), all};
}

} // namespace

TQorUncachePage::TQorUncachePage() = default;

TQorUncachePage::~TQorUncachePage() = default;

int TQorUncachePage::GetCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(entries_.size());
}

std::optional<tagQORUNCACHEINFO> TQorUncachePage::GetItem(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return std::nullopt;
    return entries_[index];
}

void TQorUncachePage::Clear() {
    std::vector<tagQORUNCACHEINFO> old;
    std::lock_guard lock(mutex_);
    old.swap(entries_); // freed after the lock is gone
}

tagQORUNCACHEINFO TQorUncachePage::Add(std::string_view text, bool all) {
    tagQORUNCACHEINFO entry = MakeEntry(text, all); // parsed outside the lock
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    return entry;
}

bool TQorUncachePage::Covers(std::string_view address) const {
    std::lock_guard lock(mutex_);
    for (const tagQORUNCACHEINFO& entry : entries_) {
        if (entry.All) {
            // An empty entry contains nothing, as a substring search for
            // nothing finds nothing.
            if (!entry.URL.empty() && TSjisText::Find(address, entry.URL) != std::string_view::npos)
                return true;
        } else if (address == entry.URL) {
            return true;
        }
    }
    return false;
}

bool TQorUncachePage::LoadFromFile() {
    std::string text;
    if (!TQorFileProtector::LoadEncryptionText(FilePath, text)) return false;
    std::vector<tagQORUNCACHEINFO> loaded;
    TTextLines::ForEach(text, [&](std::string_view line) {
        size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return;
        loaded.push_back(MakeEntry(line.substr(0, tab), line.substr(tab + 1) == "1"));
    });
    std::lock_guard lock(mutex_);
    entries_.insert(entries_.end(), std::make_move_iterator(loaded.begin()),
                    std::make_move_iterator(loaded.end()));
    return true;
}

bool TQorUncachePage::SaveToFile() const {
    std::string text;
    {
        std::lock_guard lock(mutex_);
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (i > 0) text += "\r\n";
            text += entries_[i].URL;
            text += '\t';
            text += entries_[i].All ? '1' : '0';
        }
    }
    return TQorFileProtector::SaveEncryptionText(FilePath, text);
}

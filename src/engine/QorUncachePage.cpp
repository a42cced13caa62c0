#include "engine/QorUncachePage.h"

#include "engine/QorFileProtector.h"
#include "inet/InetURLEx.h"
#include "platform/SjisText.h"
#include "platform/TextLines.h"

namespace {

tagQORUNCACHEINFO MakeEntry(std::string_view text, bool all) {
    return tagQORUNCACHEINFO{TInetURLEx(text).GetCompEntity(), all};
}

} // namespace

TQorUncachePage::TQorUncachePage() : entries_(std::make_shared<EntryList>()) {}

TQorUncachePage::~TQorUncachePage() = default;

std::shared_ptr<const TQorUncachePage::EntryList> TQorUncachePage::Snapshot() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

TQorUncachePage::EntryList& TQorUncachePage::Writable() {
    // References to the list leave this object only under the mutex, so a
    // count of one cannot grow behind our back.
    if (entries_.use_count() > 1) entries_ = std::make_shared<EntryList>(*entries_);
    return *entries_;
}

int TQorUncachePage::GetCount() const { return static_cast<int>(Snapshot()->size()); }

std::optional<tagQORUNCACHEINFO> TQorUncachePage::GetItem(int index) const {
    auto entries = Snapshot();
    if (index < 0 || static_cast<size_t>(index) >= entries->size()) return std::nullopt;
    return (*entries)[index];
}

void TQorUncachePage::Clear() {
    auto empty = std::make_shared<EntryList>();
    std::lock_guard lock(mutex_);
    entries_ = std::move(empty);
}

tagQORUNCACHEINFO TQorUncachePage::Add(std::string_view text, bool all) {
    tagQORUNCACHEINFO entry = MakeEntry(text, all); // parsed outside the lock
    std::lock_guard lock(mutex_);
    Writable().push_back(entry);
    return entry;
}

bool TQorUncachePage::Covers(std::string_view address) const {
    auto entries = Snapshot();
    for (const tagQORUNCACHEINFO& entry : *entries) {
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
    EntryList loaded;
    TTextLines::ForEach(text, [&](std::string_view line) {
        size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return;
        loaded.push_back(MakeEntry(line.substr(0, tab), line.substr(tab + 1) == "1"));
    });
    std::lock_guard lock(mutex_);
    EntryList& entries = Writable();
    entries.insert(entries.end(), loaded.begin(), loaded.end());
    return true;
}

bool TQorUncachePage::SaveToFile() const {
    auto entries = Snapshot();
    std::string text;
    for (size_t i = 0; i < entries->size(); ++i) {
        if (i > 0) text += "\r\n";
        text += (*entries)[i].URL;
        text += '\t';
        text += (*entries)[i].All ? '1' : '0';
    }
    return TQorFileProtector::SaveEncryptionText(FilePath, text);
}

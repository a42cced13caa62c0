#include "engine/QorAddressList.h"

#include "engine/QorFileProtector.h"
#include "engine/QorPrivateFile.h"
#include "inet/InetURLEx.h"
#include "platform/SjisText.h"
#include "platform/TextLines.h"

std::string TQorAddressList::Clean(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return TSjisText::Trim(out);
}

std::string TQorAddressList::Select(std::string_view text) {
    std::string address = Clean(text);
    if (address.empty()) return address;
    const std::string comp = TInetURLEx(address).GetCompURL();
    size_t match = entries_.size();
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (TInetURLEx(entries_[i]).GetCompURL() == comp) {
            match = i;
            break;
        }
    }
    if (match == entries_.size()) {
        entries_.insert(entries_.begin(), address);
    } else {
        std::string kept = std::move(entries_[match]);
        entries_.erase(entries_.begin() + static_cast<long>(match));
        entries_.insert(entries_.begin(), std::move(kept));
    }
    if (Count() > MaxEntries) entries_.resize(MaxEntries);
    Changed();
    return address;
}

bool TQorAddressList::LoadFromFile(std::string_view path) {
    std::string text;
    if (!TQorFileProtector::LoadEncryptionText(path, text)) return false;
    std::vector<std::string> lines;
    TTextLines::ForEach(text, [&](std::string_view line) {
        if (!TSjisText::Trim(line).empty() && static_cast<int>(lines.size()) < MaxEntries)
            lines.emplace_back(line);
    });
    entries_ = std::move(lines);
    Changed();
    return true;
}

bool TQorAddressList::SaveToFile(std::string_view path) const {
    std::string text;
    for (const std::string& entry : entries_) {
        text += Clean(entry);
        text += "\r\n";
    }
    TQorPrivateFile::Prepare(path);
    return TQorFileProtector::SaveEncryptionText(path, text);
}

void TQorAddressList::Clear() {
    if (entries_.empty()) return;
    entries_.clear();
    Changed();
}

void TQorAddressList::Changed() {
    if (OnChange) OnChange(this);
}

#include "platform/IniFileWriter.h"

#include "platform/FileOps.h"
#include "platform/SjisText.h"

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return TSjisText::LowerCase(a) == TSjisText::LowerCase(b);
}

} // namespace

TIniFileWriter::TIniFileWriter(std::string fileName) : fileName_(std::move(fileName)) {}

void TIniFileWriter::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string name = TSjisText::Trim(section);
    std::string k = TSjisText::Trim(key);
    std::string v = TSjisText::Trim(value);
    Section* s = nullptr;
    for (auto& candidate : sections_)
        if (SameName(candidate.name, name)) {
            s = &candidate;
            break;
        }
    if (!s) {
        sections_.push_back({std::move(name), {}});
        s = &sections_.back();
    }
    for (auto& entry : s->entries)
        if (SameName(entry.first, k)) {
            entry.second = std::move(v);
            return;
        }
    s->entries.emplace_back(std::move(k), std::move(v));
}

void TIniFileWriter::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFileWriter::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string TIniFileWriter::Text() const {
    std::string out;
    for (const auto& s : sections_) {
        if (!out.empty()) out += "\r\n";
        out += "[" + s.name + "]\r\n";
        for (const auto& [key, value] : s.entries) out += key + "=" + value + "\r\n";
    }
    return out;
}

bool TIniFileWriter::Commit() const {
    try {
        return TFileOps::WriteFileAtomically(fileName_, Text());
    } catch (...) {
        return false;
    }
}

#include "engine/FileTypeTable.h"

#include "platform/SjisText.h"
#include "platform/StringTable.h"

std::string TFileTypeTable::TypeKey(std::string_view name) {
    if (name.empty()) return "<dir>";
    const size_t dot = TSjisText::FindLastChar(name, '.');
    if (dot == std::string_view::npos) return std::string();
    return TSjisText::LowerCase(name.substr(dot));
}

std::string TFileTypeTable::DefaultTypeName(std::string_view key) {
    const std::string& file = TStringTable::Get(1007);
    // "<dir>" is no extension: a folder the desktop cannot name is a "ファイル".
    if (key.empty() || key[0] != '.' || key.size() == 1) return file;
    std::string_view ext = key.substr(1);
    return std::string(ext) + " " + file;
}

int TFileTypeTable::IndexOf(std::string_view key) const {
    auto it = index_.find(std::string(key));
    return it == index_.end() ? -1 : it->second;
}

int TFileTypeTable::Append(std::string key, std::string typeName) {
    const int index = Count();
    index_.emplace(key, index);
    TypeKeys.push_back(std::move(key));
    TypeNames.push_back(std::move(typeName));
    return index;
}

int TFileTypeTable::AddFileType(std::string_view name) {
    std::string key = TypeKey(name);
    const int found = IndexOf(key);
    if (found >= 0) return found;
    std::string typeName = OnTypeName ? OnTypeName(key) : std::string();
    if (typeName.empty()) typeName = DefaultTypeName(key);
    return Append(std::move(key), std::move(typeName));
}

std::string TFileTypeTable::GetTypeName(int index) const {
    if (index < 0 || index >= Count()) return std::string();
    return TypeNames[static_cast<size_t>(index)];
}

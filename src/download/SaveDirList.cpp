#include "download/SaveDirList.h"

#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/WinPath.h"

namespace {

std::string Key(std::string_view folder) { return TWinPath::ExcludeTrailingBackslash(folder); }

} // namespace

bool TSaveDirList::LoadFromFile(std::string_view path) {
    Items.clear();
    std::string data;
    if (!TFileOps::ReadWholeFile(path, data)) return false;
    size_t pos = 0;
    while (pos < data.size() && Items.size() < kMaxItems) {
        size_t end = data.find('\n', pos);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) Items.push_back(std::move(line));
        pos = end + 1;
    }
    return true;
}

bool TSaveDirList::SaveToFile(std::string_view path) const {
    std::string data;
    for (const std::string& item : Items) data += item + "\r\n";
    return TFileOps::WriteFileAtomically(path, data);
}

int TSaveDirList::IndexOf(std::string_view folder) const {
    const std::string key = Key(folder);
    for (size_t i = 0; i < Items.size(); ++i)
        if (Key(Items[i]) == key) return static_cast<int>(i);
    return -1;
}

void TSaveDirList::Use(const std::string& folder) {
    const int index = IndexOf(folder);
    if (index >= 0) Items.erase(Items.begin() + index);
    Items.insert(Items.begin(), folder);
    if (Items.size() > kMaxItems) Items.resize(kMaxItems);
}

std::string TSaveDirList::Normalize(std::string_view text) {
    const std::string folder = TSjisText::Trim(text);
    if (!folder.empty() && folder[0] == '/') return TWinPath::FromNative(TCodePage::ToUtf8(folder));
    return folder;
}

bool TSaveDirList::IsAbsolute(std::string_view folder) {
    if (!TWinPath::HasDrive(folder) || folder.size() < 3 || folder[2] != '\\') return false;
    return TFileOps::DirectoryExists(std::string(folder.substr(0, 2)) + "\\");
}

bool TSaveDirList::CheckSaveDir(std::string_view text, std::string& folder, std::string& message) {
    folder = Normalize(text);
    message.clear();
    if (folder.empty())
        message = SJ("保存フォルダを指定してください。");
    else if (!IsAbsolute(folder))
        message = SJ("保存フォルダに指定されているドライブは存在しません。");
    return message.empty();
}

bool TSaveDirList::CheckRowDir(std::string_view text, bool useDefault, std::string& folder, std::string& message) {
    folder = useDefault ? std::string() : Normalize(text);
    message.clear();
    if (folder.empty() || (IsAbsolute(folder) && TFileOps::DirectoryExists(folder))) return true;
    message = folder + "\n" + SJ("指定のパスは存在しません。パスの内容を確認してください。");
    return false;
}

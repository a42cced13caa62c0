#include "engine/FilePropEdit.h"

#include "platform/SjisText.h"
#include "platform/StringTable.h"

#include <charconv>

void TFilePropEdit::Add(const TQorFile* file, uint64_t key) {
    if (!file) return;
    auto copy = std::make_unique<TQorFile>();
    copy->Assign(file);
    items_.push_back({std::move(copy), key});
}

const TQorFile* TFilePropEdit::Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<size_t>(index)].File.get();
}

std::string TFilePropEdit::Title(bool japanese) const {
    std::string name;
    if (!items_.empty()) name = items_.front().File->URL->FileName;
    if (name.empty()) name = "index.html";
    if (items_.size() > 1) name += ", ...";
    return japanese ? name + " " + TStringTable::Get(12) : TStringTable::Get(12) + " " + name;
}

TFilePropValues TFilePropEdit::ValuesOf(const TQorFile& file) {
    return {file.Referer, file.URL->User, file.URL->Password, file.URL->Port};
}

void TFilePropEdit::Refresh() {
    if (!Lookup) return;
    for (TItem& item : items_)
        if (TQorFile* live = Lookup(item.Key)) item.File->Assign(live);
}

bool TFilePropEdit::PortValid(std::string_view trimmed) {
    if (trimmed.empty()) return true;
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (*first == '+') ++first;
    int v = 0;
    const auto r = std::from_chars(first, last, v);
    return first != last && r.ec == std::errc() && r.ptr == last;
}

void TFilePropEdit::Put(TQorFile& file, const TFilePropValues& v) {
    file.Referer = v.Referer;
    TInetURLEx& url = *file.URL;
    url.User = v.User;
    url.Password = v.Password;
    url.Port = v.Port;
    if ((url.Scheme == "http" && url.Port == "80") || (url.Scheme == "https" && url.Port == "443") || (url.Scheme == "mms" && url.Port == "1755")) url.Port.clear();
}

bool TFilePropEdit::Apply(const TFilePropValues& values, std::string& message) {
    const TFilePropValues v{TSjisText::Trim(values.Referer), TSjisText::Trim(values.User),
                            TSjisText::Trim(values.Password), TSjisText::Trim(values.Port)};
    if (!PortValid(v.Port)) {
        message = TStringTable::Get(13);
        return false;
    }
    message.clear();
    for (TItem& item : items_) {
        Put(*item.File, v);
        if (!Lookup) continue;
        if (TQorFile* live = Lookup(item.Key)) Put(*live, v);
    }
    return true;
}

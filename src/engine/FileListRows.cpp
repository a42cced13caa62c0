#include "engine/FileListRows.h"

#include "engine/LocalPathResolver.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"

#include <algorithm>

namespace {

const std::string kNotFound = "(not found) ";

unsigned char Fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }

bool DiskExists(const std::string& path, bool folder) {
    return folder ? TFileOps::DirectoryExists(path) : TFileOps::FileExists(path);
}

} // namespace

const std::string& TFileListRow::Text(int column) const {
    switch (column) {
    case 1: return Type;
    case 2: return Location;
    case 3: return Parameter;
    default: return Caption;
    }
}

int TFileListRows::CompareKeys(std::string_view a, std::string_view b) {
    size_t i = 0;
    while (i < a.size() && i < b.size()) {
        // Both texts are walked by characters of a; where a has a double-byte
        // character, b's bytes there compare by value too unless they differ.
        const size_t len = TSjisText::CharLength(a, i);
        for (size_t k = 0; k < len && i < a.size() && i < b.size(); ++k, ++i) {
            unsigned char ca = static_cast<unsigned char>(a[i]);
            unsigned char cb = static_cast<unsigned char>(b[i]);
            if (len == 1) {
                ca = Fold(ca);
                cb = Fold(cb);
            }
            if (ca != cb) return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool TFileListRows::Before(const TFileListRow& a, const TFileListRow& b, int column, int direction) {
    int result;
    if (a.IsFolder != b.IsFolder) result = a.IsFolder ? -1 : 1;
    else if (a.IsFolder) result = CompareKeys(a.Caption, b.Caption);
    else result = CompareKeys(a.Text(column), b.Text(column));
    if (direction == 1) result = -result;
    if (result != 0) return result < 0;
    return a.Order < b.Order;
}

TFileListRows::TPageKeys TFileListRows::PageKeys() const {
    TPageKeys keys;
    if (!PageFile) return keys;
    keys.compURL = PageFile->URL->GetCompURL();
    TInetURLEx page;
    page.Assign(PageFile->URL.get());
    page.WithPort = true;
    keys.folder = page.GetCompFullDir();
    return keys;
}

bool TFileListRows::MakeRow(const TQorFile& file, TFileListRow& row) const {
    return MakeRow(file, row, PageKeys());
}

bool TFileListRows::MakeRow(const TQorFile& file, TFileListRow& row, const TPageKeys& page) const {
    const TInetURLEx& url = *file.URL;
    row = TFileListRow();
    row.File = &file;

    // Name and folder flag.
    std::string name;
    if (file.Kind == TQorFile::kLocal) {
        if (!url.FileName.empty()) {
            name = url.FileName;
        } else {
            // The page itself or one of its parents gets no row.
            if (PageFile && page.compURL.starts_with(url.GetCompURL())) return false;
            std::string_view dir = url.Dir;
            dir = dir.size() >= 2 ? dir.substr(1, dir.size() - 2) : std::string_view();
            const size_t slash = TSjisText::FindLastChar(dir, '/');
            name = std::string(slash == std::string_view::npos ? dir : dir.substr(slash + 1));
            row.IsFolder = true;
        }
    } else {
        name = url.FileName.empty() ? std::string("index.html") : url.FileName;
    }

    // Type filter; folders always pass.
    if (!FilterExtensions.empty() && !row.IsFolder) {
        const size_t dot = TSjisText::FindLastChar(name, '.');
        const std::string ext = dot == std::string::npos ? std::string() : TSjisText::LowerCase(name.substr(dot + 1));
        const bool listed = std::any_of(FilterExtensions.begin(), FilterExtensions.end(),
                                        [&](const std::string& e) { return TSjisText::LowerCase(e) == ext; });
        if (!listed) return false;
    }

    // Type and icon.
    if (FileImage) {
        if (file.Kind == TQorFile::kMail) {
            row.ImageIndex = FileImage->AddFileType(".eml");
            row.Type = TStringTable::Get(1020);
        } else {
            row.ImageIndex = FileImage->AddFileType(row.IsFolder ? std::string_view() : std::string_view(name));
            row.Type = FileImage->GetTypeName(row.ImageIndex);
        }
    }

    row.Caption = (!file.AnchorString.empty() && ShowAnchor && file.Kind == TQorFile::kWeb) ? file.AnchorString : name;

    // Location relative to the page's folder. Both sides carry the port: the
    // record's key has it, so the folder's must too, or no address on an
    // explicit port would ever be inside its page's folder.
    // (The record's folder as GetFullDir gives it with WithPort set, built
    // here without a copy of the address.)
    std::string location = url.Scheme + "://" + url.Host;
    if (!url.Port.empty()) location += ":" + url.Port;
    location += url.Dir;
    if (PageFile && url.GetCompURL().starts_with(page.folder))
        location.erase(0, std::min(page.folder.size(), location.size()));

    const auto exists = [&](bool folder) {
        const std::string path = url.GetLocalPath();
        return Exists ? Exists(path, folder) : DiskExists(path, folder);
    };
    switch (file.Kind) {
    case TQorFile::kMail: break;
    case TQorFile::kLocal:
        if (row.IsFolder) row.Location = exists(true) ? std::string() : kNotFound;
        else row.Location = exists(false) ? location : kNotFound + location;
        row.Parameter = url.Query;
        break;
    default:
        row.Location = location;
        row.Parameter = url.Query;
        break;
    }
    return true;
}

int TFileListRows::AddFile(const TQorFile& file) {
    auto copy = std::make_unique<TQorFile>();
    copy->Assign(&file);
    return AddFile(std::move(copy));
}

int TFileListRows::AddFile(std::unique_ptr<TQorFile> file) {
    files_.push_back(std::move(file));
    return static_cast<int>(files_.size()) - 1;
}

void TFileListRows::ClearList() {
    rows_.clear();
    files_.clear();
}

void TFileListRows::ClearRows() { rows_.clear(); }

void TFileListRows::ShowList() {
    rows_.reserve(rows_.size() + files_.size());
    const TPageKeys page = PageKeys();
    for (size_t i = 0; i < files_.size(); ++i) {
        if (Stop && i % 256 == 0 && Stop->load(std::memory_order_relaxed)) return;
        TFileListRow& row = rows_.emplace_back();
        if (!MakeRow(*files_[i], row, page)) {
            rows_.pop_back();
            continue;
        }
        row.Order = i;
    }
    if (Stop && Stop->load()) return;
    if (Sort) SortRows();
}

void TFileListRows::ShowInOrderOfAppearance() {
    Sort = false;
    ClearRows();
    ShowList();
    Sort = true;
}

void TFileListRows::CopySettings(const TFileListRows& from) {
    FilterExtensions = from.FilterExtensions;
    ShowAnchor = from.ShowAnchor;
    Sort = from.Sort;
    ActiveCol = from.ActiveCol;
    SortOrder = from.SortOrder;
    columnOrder_ = from.columnOrder_;
    Exists = from.Exists;
}

void TFileListRows::TakeList(TFileListRows& from) {
    files_ = std::move(from.files_);
    rows_ = std::move(from.rows_);
    from.files_.clear();
    from.rows_.clear();
}

void TFileListRows::AddFileTypes(TFileTypeSource& types) const {
    // Pages list many files of one type in a row: a type key already met
    // just before is not looked up again.
    std::string last;
    bool any = false;
    for (const std::unique_ptr<TQorFile>& file : files_) {
        const TInetURLEx& url = *file->URL;
        std::string_view name;
        if (file->Kind == TQorFile::kMail) name = ".eml";
        else if (!url.FileName.empty()) name = url.FileName;
        else if (file->Kind != TQorFile::kLocal) name = "index.html";
        // A local record without a file name is a folder: "" stays.
        std::string key = TFileTypeTable::TypeKey(name);
        if (any && key == last) continue;
        types.AddFileType(name);
        last = std::move(key);
        any = true;
    }
}

void TFileListRows::SortRows() {
    const int column = std::clamp(ActiveCol, 0, kColumns - 1);
    const int direction = columnOrder_[static_cast<size_t>(column)];
    // The order of Before, with each row's key folded once: CompareKeys
    // folds only single-byte letters, and where it leaves a byte as it is
    // the other text's byte at that place is no letter, or is one that
    // compares the same either way, so comparing folded keys byte by byte
    // gives its result. Order breaks ties, so any sort gives the stable
    // result; indices sort without moving the rows' texts around.
    std::vector<std::string> keys(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) {
        const TFileListRow& row = rows_[i];
        keys[i] = TSjisText::UpperCase(row.IsFolder ? row.Caption : row.Text(column));
    }
    std::vector<size_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const TFileListRow& ra = rows_[a];
        const TFileListRow& rb = rows_[b];
        int result = ra.IsFolder != rb.IsFolder ? (ra.IsFolder ? -1 : 1) : keys[a].compare(keys[b]);
        if (direction == 1) result = -result;
        if (result != 0) return result < 0;
        return ra.Order < rb.Order;
    });
    // Rows move into place along the permutation's cycles: no second
    // table of rows.
    for (size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start) continue;
        TFileListRow held = std::move(rows_[start]);
        size_t at = start;
        while (order[at] != start) {
            const size_t from = order[at];
            rows_[at] = std::move(rows_[from]);
            order[at] = at;
            at = from;
        }
        rows_[at] = std::move(held);
        order[at] = at;
    }
}

bool TFileListRows::ColumnClick(int column) {
    if (!Sort || column < 0 || column >= kColumns) return false;
    int& order = columnOrder_[static_cast<size_t>(column)];
    order = order == 0 ? 1 : 0;
    ActiveCol = column;
    SortOrder = order;
    SortRows();
    return true;
}

void TFileListRows::SetSortOrder(int order) {
    SortOrder = order;
    if (ActiveCol >= 0 && ActiveCol < kColumns) columnOrder_[static_cast<size_t>(ActiveCol)] = order;
}

int TFileListRows::ColumnOrder(int column) const {
    return column >= 0 && column < kColumns ? columnOrder_[static_cast<size_t>(column)] : 0;
}

std::string TFileListRows::GetSelectURLString(const std::vector<size_t>& rows) const {
    std::string text;
    bool first = true;
    for (size_t index : rows) {
        if (index >= rows_.size()) continue;
        const TQorFile& file = *rows_[index].File;
        if (!first) text += "\r\n";
        first = false;
        if (file.Kind == TQorFile::kMail) text += file.URL->FileName;
        else if (file.Kind == TQorFile::kLocal) text += file.URL->GetLocalPath();
        else text += file.URL->GetURL();
    }
    return text;
}

TLocalSelection TFileListRows::GetLocalSelection(const std::vector<size_t>& rows) const {
    TLocalSelection selection;
    TLocalPathResolver resolver;
    for (size_t index : rows) {
        if (index >= rows_.size()) continue;
        const TFileListRow& row = rows_[index];
        if (row.File->Kind != TQorFile::kLocal) continue;
        // A drive root ("C:\") is never copied, moved or deleted.
        if (row.File->URL->GetLocalPath().size() <= 3) continue;
        std::string native = resolver.NativePath(*row.File);
        if (native.empty() || native == "/") {
            selection.Unmapped.push_back(row.Caption);
            continue;
        }
        selection.Paths.push_back(std::move(native));
        selection.Rows.push_back(index);
    }
    return selection;
}

#include "download/QorUnreachList.h"

#include "download/SizeText.h"
#include "engine/QorFileProtector.h"
#include "platform/CodePage.h"
#include "platform/SjisText.h"
#include "platform/TextLines.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace {

constexpr int64_t kTwoTo32 = int64_t{1} << 32;

bool ParseInt(std::string_view text, int64_t& out)
{
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

// A size field: older files wrote 32-bit sizes as signed decimals, so a
// negative number other than the unknown mark is the same bits unsigned.
bool ParseSize(std::string_view text, bool unknownAllowed, int64_t& out)
{
    if (!ParseInt(text, out) || out < INT32_MIN) return false;
    if (out == -1 && unknownAllowed) return true;
    if (out < 0) out += kTwoTo32;
    return true;
}

// A line break inside a field would split the line on the next load.
std::string OneLine(std::string_view text)
{
    return TSjisText::RemoveChars(text, "\r\n");
}

std::string RowCaption(const TInetURLEx& url)
{
    std::string name = url.FileName.empty() ? std::string("index.html") : url.FileName;
    if (!url.Query.empty()) name += "?" + url.Query;
    return name;
}

} // namespace

TQorUnreachList::TQorUnreachList() : Clock([] { return TDateTimeText::Now(); }) {}

TQorUnreachList::~TQorUnreachList()
{
    ClearFile(false);
}

const std::vector<std::string>& TQorUnreachList::ColumnCaptions()
{
    static const std::vector<std::string> captions = {
        SJ("名前"), SJ("場所"), SJ("進捗率"), SJ("ファイルサイズ"), SJ("ダウンロードサイズ"), SJ("更新日時"),
    };
    return captions;
}

void TQorUnreachList::Changed(int row)
{
    if (updateCount_ > 0) {
        changedInUpdate_ = true;
        return;
    }
    if (OnChange) OnChange(this, row);
}

void TQorUnreachList::BeginUpdate()
{
    ++updateCount_;
}

void TQorUnreachList::EndUpdate()
{
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    if (changedInUpdate_) {
        changedInUpdate_ = false;
        if (OnChange) OnChange(this, -1);
    }
}

int TQorUnreachList::FindComp(const std::string& comp) const
{
    auto it = compCount_.find(comp);
    if (it == compCount_.end() || it->second <= 0) return -1;
    for (size_t i = 0; i < compURLs_.size(); ++i)
        if (compURLs_[i] == comp) return static_cast<int>(i);
    return -1;
}

void TQorUnreachList::CountComp(const std::string& comp, int delta)
{
    auto it = compCount_.try_emplace(comp, 0).first;
    it->second += delta;
    if (it->second <= 0) compCount_.erase(it);
}

void TQorUnreachList::SetProgressCells(TListItem& row, const tagQORUNREACHITEM& entry)
{
    row.SubItems[colProgress] = entry.Progress == -1 ? std::string() : std::to_string(entry.Progress) + "%";
    row.SubItems[colLoadSize] = TSizeText::Get(static_cast<uint64_t>(entry.LoadSize));
    row.SubItems[colUpdated] = entry.Updated;
}

void TQorUnreachList::Add(std::string_view url, int64_t fileSize, int64_t loadSize, int progress,
                          std::string_view updated)
{
    if (fileSize < -1) fileSize = kUnknownSize;
    if (loadSize < 0) loadSize = 0;

    auto file = std::make_unique<TQorFile>(url);
    std::string comp = file->URL->GetCompURL();
    int match = FindComp(comp);
    if (match < 0) {
        tagQORUNREACHITEM entry{.URL = std::string(url), .FileSize = fileSize, .LoadSize = loadSize,
                                .Progress = progress, .Updated = std::string(updated)};
        auto row = std::make_unique<TListItem>();
        row->Caption = RowCaption(*file->URL);
        row->SubItems[colLocation] = file->URL->GetFullDir();
        row->SubItems[colFileSize] =
            fileSize == kUnknownSize ? std::string() : TSizeText::Get(static_cast<uint64_t>(fileSize));
        SetProgressCells(*row, entry);
        row->ImageIndex = 0;
        row->Data = std::move(file);
        entries_.push_back(std::move(entry));
        compURLs_.push_back(comp);
        CountComp(comp, 1);
        rows_.push_back(std::move(row));
        Changed(-1);
        return;
    }

    // A file that never started must not wipe out what an earlier window knew.
    bool worth = (fileSize != kUnknownSize && progress != -1) || (fileSize == kUnknownSize && loadSize != 0);
    if (!worth) return;
    tagQORUNREACHITEM& entry = entries_[match];
    entry.LoadSize = loadSize;
    entry.Progress = progress;
    entry.Updated = std::string(updated);
    if (match < Count()) {
        SetProgressCells(*rows_[match], entry);
        Changed(match);
    }
}

void TQorUnreachList::RemoveAt(size_t index)
{
    if (index < rows_.size()) {
        Delete(rows_[index].get());
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    if (index < entries_.size()) {
        CountComp(compURLs_[index], -1);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
        compURLs_.erase(compURLs_.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

bool TQorUnreachList::DeleteByURL(std::string_view url)
{
    int match = FindComp(TInetURLEx(url).GetCompURL());
    if (match < 0) return false;
    RemoveAt(static_cast<size_t>(match));
    Changed(-1);
    return true;
}

void TQorUnreachList::SelDelete()
{
    BeginUpdate();
    // One compaction pass instead of erasing each selected row on its own,
    // which would move the tail of a long list once per row.
    bool any = false;
    std::vector<bool> gone(rows_.size(), false);
    for (size_t i = rows_.size(); i-- > 0;) {
        if (!rows_[i]->Selected) continue;
        Delete(rows_[i].get());
        gone[i] = true;
        any = true;
        if (i < entries_.size()) CountComp(compURLs_[i], -1);
    }
    if (any) {
        size_t rowKeep = 0, entryKeep = 0;
        for (size_t i = 0; i < std::max(rows_.size(), entries_.size()); ++i) {
            bool drop = i < gone.size() && gone[i];
            if (drop) continue;
            if (i < rows_.size()) {
                if (rowKeep != i) rows_[rowKeep] = std::move(rows_[i]);
                ++rowKeep;
            }
            if (i < entries_.size()) {
                if (entryKeep != i) {
                    entries_[entryKeep] = std::move(entries_[i]);
                    compURLs_[entryKeep] = std::move(compURLs_[i]);
                }
                ++entryKeep;
            }
        }
        rows_.resize(rowKeep);
        entries_.resize(entryKeep);
        compURLs_.resize(entryKeep);
        Changed(-1);
    }
    EndUpdate();
}

void TQorUnreachList::ClearFile(bool rows)
{
    entries_.clear();
    compURLs_.clear();
    compCount_.clear();
    if (rows) {
        BeginUpdate();
        for (auto& row : rows_) Delete(row.get());
        rows_.clear();
        Changed(-1);
        EndUpdate();
    }
}

const tagQORUNREACHITEM* TQorUnreachList::GetFile(int index) const
{
    if (index < 0 || index >= EntryCount()) return nullptr;
    return &entries_[static_cast<size_t>(index)];
}

TQorFile* TQorUnreachList::GetFileInfo(const TListItem* row) const
{
    return row ? row->Data.get() : nullptr;
}

void TQorUnreachList::Delete(TListItem* row)
{
    if (row) row->Data.reset();
}

TQorUnreachList::TListItem* TQorUnreachList::Item(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return rows_[static_cast<size_t>(index)].get();
}

void TQorUnreachList::SetSelected(int index, bool selected)
{
    TListItem* row = Item(index);
    if (!row || row->Selected == selected) return;
    row->Selected = selected;
    Changed(index);
}

bool TQorUnreachList::LoadFromFile(std::string_view path)
{
    std::string text;
    if (!TQorFileProtector::LoadEncryptionText(path, text)) return false;

    const TDateTime limit = std::floor(Clock()) - SaveDay;
    BeginUpdate();
    TTextLines::ForEach(text, [&](std::string_view raw) {
        std::string line = TSjisText::Trim(raw);
        if (line.empty()) return;
        // The first four fields are numbers and a date, all single-byte;
        // the address after them may hold "|" of its own.
        size_t cut[4];
        size_t from = 0;
        for (size_t& c : cut) {
            c = line.find('|', from);
            if (c == std::string::npos) return;
            from = c + 1;
        }
        std::string_view view(line);
        int64_t fileSize = 0, loadSize = 0, progress = 0;
        if (!ParseSize(view.substr(0, cut[0]), true, fileSize)) return;
        if (!ParseSize(view.substr(cut[0] + 1, cut[1] - cut[0] - 1), false, loadSize)) return;
        if (!ParseInt(view.substr(cut[1] + 1, cut[2] - cut[1] - 1), progress) || progress < INT32_MIN ||
            progress > INT32_MAX)
            return;
        std::string_view updated = view.substr(cut[2] + 1, cut[3] - cut[2] - 1);
        std::string_view url = view.substr(cut[3] + 1);
        TDateTime date = 0;
        if (!TDateTimeText::TryParse(updated.substr(0, updated.find(' ')), date)) return;
        if (date < limit) return;
        Add(url, fileSize, loadSize, static_cast<int>(progress), updated);
    });
    EndUpdate();
    return true;
}

bool TQorUnreachList::SaveToFile(std::string_view path) const
{
    std::string text;
    for (const auto& e : entries_) {
        text += std::to_string(e.FileSize < 0 ? kUnknownSize : e.FileSize);
        text += '|';
        text += std::to_string(e.LoadSize);
        text += '|';
        text += std::to_string(e.Progress);
        text += '|';
        text += OneLine(e.Updated);
        text += '|';
        text += OneLine(e.URL);
        text += "\r\n";
    }
    return TQorFileProtector::SaveEncryptionText(path, text);
}

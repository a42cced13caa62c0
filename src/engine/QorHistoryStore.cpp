#include "engine/QorHistoryStore.h"

#include "engine/QorCaption.h"
#include "engine/QorFileProtector.h"
#include "engine/QorPrivateFile.h"
#include "inet/XMD5.h"
#include "platform/FileOps.h"
#include "platform/StringTable.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

const std::string& NoHistoryMark() {
    static const std::string mark = " - No history";
    return mark;
}

bool IsLineControl(char c) { return c == '\t' || c == '\r' || c == '\n'; }

// A TAB or line break inside a field would split the record elsewhere when
// it is read back; none of these bytes is ever the second byte of a
// double-byte character.
std::string Blanked(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (IsLineControl(c)) c = ' ';
    return out;
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (!IsLineControl(c)) {
            out += c;
            continue;
        }
        char buf[4];
        std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
        out += buf;
    }
    return out;
}

// The address as stored: no user name or password, no TAB or line break.
std::string StoredURL(std::string_view url) {
    TInetURLEx parsed(url);
    parsed.User.clear();
    parsed.Password.clear();
    return Escaped(parsed.GetURL());
}

std::string StoredReferer(std::string_view referer) {
    std::string text(referer);
    if (!text.empty()) {
        TInetURLEx parsed(text);
        if (!parsed.User.empty() || !parsed.Password.empty()) {
            parsed.User.clear();
            parsed.Password.clear();
            text = parsed.GetURL();
        }
    }
    return Blanked(text);
}

bool IsEightDigits(std::string_view name) {
    return name.size() == 8 && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

long long DayNumber(TDateTime value) { return static_cast<long long>(std::floor(value)); }

bool EndsWithPhs(std::string_view name) {
    if (name.size() < 4) return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".phs";
}

bool IsSymlink(std::string_view winPath) {
    std::string native = TWinPath::ToNative(winPath);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    std::error_code ec;
    return !native.empty() && std::filesystem::is_symlink(std::filesystem::symlink_status(native, ec));
}

} // namespace

TQorHistoryStore::TQorHistoryStore() {
    Clock = [] { return TDateTimeText::Now(); };
    CompareCaptions = [](const std::string& a, const std::string& b) { return a.compare(b); };
}

TQorHistoryStore::~TQorHistoryStore() = default;

TQorHistoryDate* TQorHistoryStore::Day(int row) const {
    if (row < 0 || row >= DayCount()) return nullptr;
    return days_[static_cast<size_t>(row)].get();
}

std::string TQorHistoryStore::DayCaption(int age, int month, int day, int weekday) {
    if (age == 0) return TStringTable::Get(1024);
    if (age == 1) return TStringTable::Get(1025);
    const std::string& format = TStringTable::Get(1026);
    const std::string& name = TStringTable::Get(1027 + ((weekday % 7) + 7) % 7);
    char buf[128];
    std::snprintf(buf, sizeof buf, format.c_str(), month, day, name.c_str());
    return buf;
}

void TQorHistoryStore::ClearDays() {
    if (OnBeginReset) OnBeginReset(this);
    today_ = nullptr;
    days_.clear();
    if (OnEndReset) OnEndReset(this);
}

bool TQorHistoryStore::Read() {
    ClearDays();
    const TDateTime now = Clock();
    int ty, tm, td, h, n, s;
    TDateTimeText::Decode(now, ty, tm, td, h, n, s);
    const long long today = DayNumber(now);
    char todayName[16];
    std::snprintf(todayName, sizeof todayName, "%04d%02d%02d", ty, tm, td);
    const std::string todayPath = Path + todayName;
    if (!TFileOps::ForceDirectories(todayPath)) return false;
    TQorPrivateFile::RestrictFolder(Path);
    TQorPrivateFile::RestrictFolder(todayPath);

    std::vector<TFolderEntry> entries;
    TFileOps::ListFolder(Path, entries);
    std::vector<std::string> names;
    for (const TFolderEntry& entry : entries)
        if (IsEightDigits(entry.Name)) names.push_back(entry.Name);
    std::sort(names.begin(), names.end());

    // Years past 2030 were once taken for garbage; the current year never is.
    const int lastYear = std::max(2030, ty);
    std::vector<std::unique_ptr<TQorHistoryDate>> days;
    for (const std::string& name : names) {
        const int year = std::stoi(name.substr(0, 4));
        const int month = std::stoi(name.substr(4, 2));
        const int day = std::stoi(name.substr(6, 2));
        const bool isToday = name == todayName;
        if (!isToday && (year <= 2002 || year > lastYear)) continue;
        TDateTime date;
        if (!TDateTimeText::TryEncode(year, month, day, 0, 0, 0, date)) continue;
        const long long age = today - DayNumber(date);
        if (age > SaveDay && !isToday) {
            DeleteDate(name);
            continue;
        }
        auto item = std::make_unique<TQorHistoryDate>();
        char key[16];
        std::snprintf(key, sizeof key, "%04d/%02d/%02d", year, month, day);
        item->DateKey = key;
        item->FolderName = name;
        // 1899/12/30, day 0, was a Saturday.
        const int weekday = static_cast<int>(((DayNumber(date) + 6) % 7 + 7) % 7);
        item->Caption = DayCaption(static_cast<int>(age), month, day, weekday);
        item->Row = static_cast<int>(days.size());
        if (isToday) today_ = item.get();
        days.push_back(std::move(item));
    }
    if (!days.empty()) {
        if (OnBeginInsert) OnBeginInsert(this, nullptr, 0, static_cast<int>(days.size()) - 1);
        days_ = std::move(days);
        if (OnEndInsert) OnEndInsert(this, nullptr);
    }
    return true;
}

bool TQorHistoryStore::Less(const TQorHistoryPage& a, const TQorHistoryPage& b) const {
    return CompareCaptions(a.Title, b.Title) < 0;
}

void TQorHistoryStore::InsertPage(TQorHistoryDate* day, std::unique_ptr<TQorHistoryPage> page, int row) {
    if (OnBeginInsert) OnBeginInsert(this, day, row, row);
    day->Pages.insert(day->Pages.begin() + row, std::move(page));
    if (OnEndInsert) OnEndInsert(this, day);
}

TQorHistoryPage* TQorHistoryStore::AddPageItem(TQorHistoryDate* day, std::string_view title,
                                               std::string_view url, std::string_view filePath,
                                               std::string_view referer, bool addNode) {
    if (!day || !addNode) return nullptr;
    auto page = std::make_unique<TQorHistoryPage>();
    page->Title = std::string(title);
    page->File = std::make_unique<TQorFile>(url);
    page->File->Referer = std::string(referer);
    page->FilePath = std::string(filePath);
    TQorHistoryPage* added = page.get();
    InsertPage(day, std::move(page), static_cast<int>(day->Pages.size()));
    return added;
}

bool TQorHistoryStore::Add(std::string_view title, std::string_view url, std::string_view referer) {
    if (!today_) return false;
    const std::string address = StoredURL(url);
    TQorFile file(address);
    std::string caption = Blanked(TQorCaption::Cut(title));
    if (caption.empty()) caption = file.URL->GetPlaneURL();
    const std::string ref = StoredReferer(referer);
    const std::string comp = file.URL->GetCompURL();
    const std::string path = Path + today_->FolderName + "\\" + TXMD5::Get(comp) + ".phs";

    bool listed = false;
    for (const auto& page : today_->Pages) {
        if (page->File->URL->GetCompURL() == comp) {
            page->File->URL->SetURL(address);
            listed = true;
            break;
        }
    }

    if (TFileOps::FileExists(path) && !TFileOps::DeleteFile(path)) return false;
    const std::string text = caption + "\t" + address + "\t" + ref;
    if (!TQorFileProtector::SaveEncryptionText(path, text)) return false;
    TQorPrivateFile::RestrictFile(path);

    if (!listed && today_->Opened) {
        auto page = std::make_unique<TQorHistoryPage>();
        page->Title = caption;
        page->File = std::make_unique<TQorFile>(address);
        page->File->Referer = ref;
        page->FilePath = path;
        auto at = std::upper_bound(today_->Pages.begin(), today_->Pages.end(), page,
                                   [this](const auto& a, const auto& b) { return Less(*a, *b); });
        const int row = static_cast<int>(at - today_->Pages.begin());
        if (row == 0 && today_->Pages.empty() && today_->Caption.ends_with(NoHistoryMark())) {
            today_->Caption.resize(today_->Caption.size() - NoHistoryMark().size());
            if (OnChange) OnChange(this, today_);
        }
        InsertPage(today_, std::move(page), row);
    }
    return true;
}

bool TQorHistoryStore::OpenDateItem(TQorHistoryDate* day) {
    if (!day || day->Opened) return false;
    day->Opened = true;
    const std::string folder = Path + day->FolderName + "\\";
    std::vector<TFolderEntry> entries;
    TFileOps::ListFolder(folder, entries);
    std::vector<std::unique_ptr<TQorHistoryPage>> pages;
    for (const TFolderEntry& entry : entries) {
        if (entry.IsFolder || !EndsWithPhs(entry.Name)) continue;
        const std::string path = folder + entry.Name;
        std::string text;
        if (!TQorFileProtector::LoadEncryptionText(path, text)) continue;
        const size_t tab1 = text.find('\t');
        if (tab1 == std::string::npos) continue;
        const size_t tab2 = text.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;
        auto page = std::make_unique<TQorHistoryPage>();
        page->Title = text.substr(0, tab1);
        page->File = std::make_unique<TQorFile>(std::string_view(text).substr(tab1 + 1, tab2 - tab1 - 1));
        page->File->Referer = text.substr(tab2 + 1);
        page->FilePath = path;
        pages.push_back(std::move(page));
    }
    std::stable_sort(pages.begin(), pages.end(), [this](const auto& a, const auto& b) { return Less(*a, *b); });
    if (pages.empty()) {
        day->Caption += NoHistoryMark();
        if (OnChange) OnChange(this, day);
        return true;
    }
    if (OnBeginInsert) OnBeginInsert(this, day, 0, static_cast<int>(pages.size()) - 1);
    day->Pages = std::move(pages);
    if (OnEndInsert) OnEndInsert(this, day);
    return true;
}

bool TQorHistoryStore::DeleteDate(std::string_view folderName) {
    const std::string folder = Path + std::string(folderName);
    // A linked day folder is someone else's folder: only the link goes.
    if (IsSymlink(folder)) return TFileOps::DeleteFile(folder);
    std::vector<TFolderEntry> entries;
    TFileOps::ListFolder(folder + "\\", entries);
    for (const TFolderEntry& entry : entries)
        if (!TFileOps::DeleteFile(folder + "\\" + entry.Name)) return false;
    TFileOps::RemoveDir(folder);
    return true;
}

void TQorHistoryStore::RemoveDay(TQorHistoryDate* day) {
    const int row = day->Row;
    if (OnBeginRemove) OnBeginRemove(this, nullptr, row, row);
    if (today_ == day) today_ = nullptr;
    days_.erase(days_.begin() + row);
    for (int i = row; i < DayCount(); ++i) days_[static_cast<size_t>(i)]->Row = i;
    if (OnEndRemove) OnEndRemove(this, nullptr);
}

bool TQorHistoryStore::DeleteAll() {
    bool result = true;
    while (!days_.empty()) {
        TQorHistoryDate* day = days_.front().get();
        if (!DeleteDate(day->FolderName)) {
            result = false;
            break;
        }
        RemoveDay(day);
    }
    Read();
    return result;
}

bool TQorHistoryStore::DeletePage(TQorHistoryDate* day, int row) {
    if (!day || row < 0 || row >= static_cast<int>(day->Pages.size())) return false;
    const std::string& path = day->Pages[static_cast<size_t>(row)]->FilePath;
    if (TFileOps::FileExists(path) && !TFileOps::DeleteFile(path)) return false;
    if (OnBeginRemove) OnBeginRemove(this, day, row, row);
    day->Pages.erase(day->Pages.begin() + row);
    if (OnEndRemove) OnEndRemove(this, day);
    return true;
}

bool TQorHistoryStore::DeleteDay(TQorHistoryDate* day) {
    if (!day || !today_ || day == today_) return false;
    const bool deleted = DeleteDate(day->FolderName);
    RemoveDay(day);
    return deleted;
}

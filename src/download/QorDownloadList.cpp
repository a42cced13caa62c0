#include "download/QorDownloadList.h"

#include "download/SizeText.h"
#include "engine/ConnectReason.h"
#include "engine/QorFile.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cstdio>

namespace {

enum TCol { kState = 0, kSize = 1, kLoaded = 2, kDir = 3, kRun = 4, kRate = 5, kRemain = 6 };

const std::string& TextWait() { static const std::string s = SJ("待機"); return s; }
const std::string& TextHeading() { static const std::string s = SJ("ヘッダを取得中"); return s; }
const std::string& TextLoading() { static const std::string s = SJ("ダウンロード中"); return s; }
const std::string& TextMoving() { static const std::string s = SJ("移動中"); return s; }
const std::string& TextStop() { static const std::string s = SJ("停止"); return s; }
const std::string& TextDone() { static const std::string s = SJ("完了"); return s; }
const std::string& TextError() { static const std::string s = SJ("エラー"); return s; }
const std::string& TextUnknown() { static const std::string s = SJ("不明"); return s; }
const std::string& TextDefault() { static const std::string s = SJ("デフォルト"); return s; }

std::string RunText(const TQorDownloadManager* m) {
    return std::to_string(m->RunCount) + "/" + std::to_string(m->RetryCount);
}

bool Succeeded(const TQorDownloadManager* m) { return m->Result == 0 && m->StatusCode < 400; }

} // namespace

TQorDownloadList::TQorDownloadList() = default;

TQorDownloadList::~TQorDownloadList() {
    Unprocess = true;
    Clear();
}

void TQorDownloadList::SetDefaultSaveDir(const std::string& dir) {
    defaultSaveDir_ = dir;
    if (defaultSaveDir_.empty() || defaultSaveDir_.back() != '\\') defaultSaveDir_ += '\\';
    // A running attempt keeps the folder it started with.
    for (auto& row : rows_)
        if (row->Data && row->Data->State != 1 && row->Data->State != 2)
            row->Data->DefaultSaveDir = defaultSaveDir_;
}

int TQorDownloadList::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

TQorDownloadRow* TQorDownloadList::Items(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(rows_.size())) return nullptr;
    return rows_[static_cast<size_t>(index)].get();
}

int TQorDownloadList::IndexOf(const TQorDownloadRow* row) const {
    std::lock_guard lock(mutex_);
    return IndexOfLocked(row);
}

// The rows are in id order: a search, not a walk, for every change notice.
int TQorDownloadList::IndexOfLocked(const TQorDownloadRow* row) const {
    if (!row) return -1;
    auto it = std::lower_bound(rows_.begin(), rows_.end(), row->Id,
                               [](const std::unique_ptr<TQorDownloadRow>& r, uint64_t id) { return r->Id < id; });
    return it != rows_.end() && it->get() == row ? static_cast<int>(it - rows_.begin()) : -1;
}

void TQorDownloadList::GetMarks(std::vector<TQorDownloadRowMark>& marks) const {
    std::lock_guard lock(mutex_);
    marks.resize(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) marks[i] = {rows_[i]->Id, rows_[i]->Version};
}

TQorDownloadRow TQorDownloadList::GetRow(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(rows_.size())) return {};
    return *rows_[static_cast<size_t>(index)];
}

void TQorDownloadList::Changed(TQorDownloadRow* row) {
    int index;
    {
        std::lock_guard lock(mutex_);
        ++row->Version;
        index = IndexOfLocked(row);
    }
    if (OnChange && !updating_) OnChange(this, index);
}

void TQorDownloadList::ChangedAll() {
    if (OnChange && !updating_) OnChange(this, -1);
}

TQorDownloadRow* TQorDownloadList::AddFile(const TQorFile* file) {
    auto* m = new TQorDownloadManager();
    m->Conn = Conn;
    m->SetFile(file);
    m->CachePath = CachePath;
    m->DefaultSaveDir = defaultSaveDir_;
    m->RetryWait = RetryWait;
    m->RetryCount = RetryCount;
    m->Owner = this;
    m->OnHeading = [this](TQorDownloadManager* s, TQorFile&) { LoadManHeading(s); };
    m->OnHead = [this](TQorDownloadManager* s) { LoadManHead(s); };
    m->OnReceiveData = [this](TQorDownloadManager* s, int count) { LoadManReceiveData(s, count); };
    // A copy into another file system runs on a worker; the row says so.
    m->OnMove = [this](TQorDownloadManager* s) {
        TQorDownloadRow* row = GetItem(s);
        if (!row) return;
        {
            std::lock_guard lock(mutex_);
            row->SubItems[kState] = TextMoving();
        }
        Changed(row);
    };
    m->OnLoaded = [this](TQorDownloadManager* s, int error, int status) { LoadManLoaded(s, error, status); };
    m->OnRetry = [this](TQorDownloadManager* s) {
        if (!Unprocess && s != deleting_ && OnRetry) OnRetry(this, s);
    };

    auto row = std::make_unique<TQorDownloadRow>();
    row->Caption = m->File->URL->FileName.empty() ? std::string("index.html") : m->File->URL->FileName;
    row->SubItems[kState] = TextWait();
    row->SubItems[kDir] = TextDefault();
    row->SubItems[kRun] = RunText(m);
    row->ImageIndex = kImageWait;
    row->Data = m;
    row->Id = ++lastId_;
    m->Item = row.get();
    TQorDownloadRow* result = row.get();
    byId_[row->Id] = result;
    {
        std::lock_guard lock(mutex_);
        rows_.push_back(std::move(row));
    }
    ChangedAll();
    return result;
}

void TQorDownloadList::Download() {
    // A manager that cannot fetch its scheme ends inside Download and its end
    // report asks for a pass again: run that one after this walk.
    if (inPass_) {
        passAgain_ = true;
        return;
    }
    inPass_ = true;
    int active = 0;
    do {
        passAgain_ = false;
        active = 0;
        // The finished rows at the head of the list stay finished (only a
        // restart by hand or a move of rows, which reset passFrom_, changes
        // that), so a pass starts after them: a queue that keeps growing, as a
        // cascade feeds it, costs a pass per file only what is still open.
        while (passFrom_ < rows_.size() && (!rows_[passFrom_]->Data || rows_[passFrom_]->Data->State == 3))
            ++passFrom_;
        for (size_t i = passFrom_; i < rows_.size() && active < std::max(LoadCount, 0); ++i) {
            TQorDownloadManager* m = rows_[i]->Data;
            if (!m) continue;
            const uint8_t state = m->State;
            if (state == 1 || state == 2) {
                ++active;
            } else if (state == 0) {
                m->CheckSize = CheckSize;
                m->SizeVector = SizeVector;
                m->LimitSize = LimitSize;
                m->DirReapp = DirReapp;
                m->Download(true);
                ++active;
            }
        }
    } while (passAgain_);
    inPass_ = false;
    if (active == 0 && OnProcessed) OnProcessed(this);
}

void TQorDownloadList::IndependenceDownload(TQorDownloadRow* row) {
    TQorDownloadManager* m = GetManager(row);
    if (!m || (m->State != 0 && m->State != 3)) return;
    passFrom_ = 0;
    m->Independent = true;
    m->Download(true);
}

int TQorDownloadList::Suspend() {
    int n = 0;
    for (auto& row : rows_) {
        TQorDownloadManager* m = row->Data;
        if (!m || m->State != 1) continue;
        {
            std::lock_guard lock(mutex_);
            row->SubItems[kState] = TextStop();
        }
        m->Stop();
        Changed(row.get());
        ++n;
    }
    return n;
}

int TQorDownloadList::Resume() {
    int n = 0;
    for (auto& row : rows_) {
        TQorDownloadManager* m = row->Data;
        if (!m || m->State != 2) continue;
        {
            std::lock_guard lock(mutex_);
            row->SubItems[kState] = TextLoading();
        }
        m->Restart();
        Changed(row.get());
        ++n;
    }
    return n;
}

void TQorDownloadList::CancelAll() {
    // Cancelling pumps the main thread's queue; the end reports met there
    // may add rows, so walk by index.
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i]->Data) rows_[i]->Data->Cancel();
}

void TQorDownloadList::FailToWait() {
    // One walk appends the new rows; one compaction drops the old ones, so a
    // long list is not shifted once per failed row.
    const size_t count = rows_.size();
    passFrom_ = 0;
    std::vector<bool> drop(count, false);
    bool any = false;
    // One notice for the whole move, not one (with a row search) per row.
    updating_ = true;
    for (size_t i = 0; i < count; ++i) {
        TQorDownloadManager* m = rows_[i]->Data;
        if (!m || (m->Result == 0 && m->StatusCode < 400)) continue;
        TQorDownloadRow* added = AddFile(m->File.get());
        const std::string dir = m->SaveDir;
        SetSaveDir(added, dir);
        drop[i] = true;
        any = true;
    }
    if (!any) {
        updating_ = false;
        return;
    }
    std::vector<std::unique_ptr<TQorDownloadRow>> gone;
    {
        std::lock_guard lock(mutex_);
        std::vector<std::unique_ptr<TQorDownloadRow>> kept;
        kept.reserve(rows_.size());
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (i < count && drop[i])
                gone.push_back(std::move(rows_[i]));
            else
                kept.push_back(std::move(rows_[i]));
        }
        rows_ = std::move(kept);
    }
    for (auto& row : gone) FreeRow(row.get());
    updating_ = false;
    ChangedAll();
}

void TQorDownloadList::SetSaveDirText(TQorDownloadRow* row, const std::string& dir) {
    std::lock_guard lock(mutex_);
    row->SubItems[kDir] = dir.empty() ? TextDefault() : dir;
}

void TQorDownloadList::SetSaveDir(TQorDownloadRow* row, const std::string& dir) {
    TQorDownloadManager* m = GetManager(row);
    if (!m || m->State == 1) return;
    m->SetSaveDir(dir);
    SetSaveDirText(row, dir);
    Changed(row);
}

void TQorDownloadList::SetRetryCount(TQorDownloadRow* row, int n) {
    TQorDownloadManager* m = GetManager(row);
    if (!m || m->State == 1) return;
    m->RetryCount = n;
    {
        std::lock_guard lock(mutex_);
        row->SubItems[kRun] = RunText(m);
    }
    Changed(row);
}

TQorDownloadManager* TQorDownloadList::GetManager(const TQorDownloadRow* row) const {
    return row ? row->Data : nullptr;
}

TQorDownloadRow* TQorDownloadList::GetItem(const TQorDownloadManager* manager) const {
    return manager ? static_cast<TQorDownloadRow*>(manager->Item) : nullptr;
}

TQorDownloadRow* TQorDownloadList::FindRow(uint64_t id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

int TQorDownloadList::GetProgress(const TQorDownloadManager* m) const {
    const int64_t size = m->FileSize;
    if (size == 0 || size == -1) return 0;
    return static_cast<int>(static_cast<double>(m->LoadSize.load()) * 100.0 / static_cast<double>(size));
}

int TQorDownloadList::GetLoadedCount() const {
    int n = 0;
    for (auto& row : rows_)
        if (row->Data && row->Data->State == 3) ++n;
    return n;
}

std::vector<TQorDownloadRow*> TQorDownloadList::GetUnfinished() const {
    std::vector<TQorDownloadRow*> out;
    for (auto& row : rows_)
        if (row->Data && row->Data->State != 3) out.push_back(row.get());
    return out;
}

void TQorDownloadList::FreeRow(TQorDownloadRow* row) {
    byId_.erase(row->Id);
    TQorDownloadManager* m = row->Data;
    if (!m) return;
    // Only this manager's end report is dropped: others ending while the
    // cancel pumps the queue still move the queue on.
    TQorDownloadManager* outer = deleting_;
    deleting_ = m;
    m->Cancel();
    {
        std::lock_guard lock(mutex_);
        row->Data = nullptr;
    }
    deleting_ = outer;
    delete m;
}

void TQorDownloadList::Delete(TQorDownloadRow* row) {
    if (!row) return;
    passFrom_ = 0;
    FreeRow(row);
    std::unique_ptr<TQorDownloadRow> gone;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(rows_.begin(), rows_.end(), [row](auto& r) { return r.get() == row; });
        if (it == rows_.end()) return;
        gone = std::move(*it);
        rows_.erase(it);
    }
    ChangedAll();
}

void TQorDownloadList::Clear() {
    passFrom_ = 0;
    while (!rows_.empty()) {
        TQorDownloadRow* row = rows_.back().get();
        FreeRow(row);
        std::lock_guard lock(mutex_);
        if (!rows_.empty() && rows_.back().get() == row) rows_.pop_back();
    }
    ChangedAll();
}

std::string TQorDownloadList::DownloadSizeText(const TQorDownloadManager* m, int percent) const {
    return TSizeText::Get(static_cast<uint64_t>(m->LoadSize.load())) + " (" + std::to_string(percent) + "%)";
}

std::string TQorDownloadList::StateText(int result, int status) {
    auto wrap = [](const std::string& detail) { return TextError() + " [" + detail + "]"; };
    switch (result) {
    case 0: return status < 400 ? TextDone() : wrap(std::to_string(status));
    case 1: return "cancel";
    case 2: return wrap("open fail");
    case 3: return wrap("time out");
    case 4: return wrap("file I/O");
    default: return wrap(std::to_string(result));
    }
}

std::string TQorDownloadList::RemainText(int64_t fileSize, int64_t loadSize, int64_t perSecond) {
    if (fileSize == -1 || perSecond == 0) return TextUnknown();
    const uint64_t s = static_cast<uint64_t>(fileSize - loadSize) / static_cast<uint64_t>(perSecond);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", static_cast<int>(s / 3600), static_cast<int>((s % 3600) / 60),
                  static_cast<int>(s % 60));
    return buf;
}

void TQorDownloadList::LoadManHeading(TQorDownloadManager* sender) {
    TQorDownloadRow* row = GetItem(sender);
    if (!row) return;
    {
        std::lock_guard lock(mutex_);
        row->SubItems[kState] = TextHeading();
        row->SubItems[kSize].clear();
        row->SubItems[kLoaded].clear();
        row->SubItems[kRun] = RunText(sender);
        row->SubItems[kRate].clear();
        row->SubItems[kRemain].clear();
        row->ImageIndex = kImageHeading;
    }
    Changed(row);
}

void TQorDownloadList::LoadManHead(TQorDownloadManager* sender) {
    TQorDownloadRow* row = GetItem(sender);
    if (!row) return;
    const int64_t size = sender->FileSize;
    {
        std::lock_guard lock(mutex_);
        row->Caption = sender->SaveName;
        row->SubItems[kState] = TextLoading();
        row->SubItems[kSize] = size == -1 ? TextUnknown() : TSizeText::Get(static_cast<uint64_t>(size));
        row->SubItems[kLoaded] = DownloadSizeText(sender, GetProgress(sender));
    }
    Changed(row);
}

void TQorDownloadList::LoadManReceiveData(TQorDownloadManager* sender, int) {
    TQorDownloadRow* row = GetItem(sender);
    if (!row) return;
    const int64_t load = sender->LoadSize;
    const int64_t diff = load - sender->PrevLoadSize.load();
    {
        std::lock_guard lock(mutex_);
        row->SubItems[kLoaded] = DownloadSizeText(sender, GetProgress(sender));
        row->SubItems[kRate] = TSizeText::Get(static_cast<uint64_t>(std::max<int64_t>(diff, 0))) + "/s";
        row->SubItems[kRemain] = RemainText(sender->FileSize, load, diff);
    }
    Changed(row);
}

void TQorDownloadList::LoadManLoaded(TQorDownloadManager* sender, int error, int) {
    if (Unprocess || sender == deleting_) return;
    TQorDownloadRow* row = GetItem(sender);
    if (!row) return;
    const bool success = Succeeded(sender);
    {
        std::lock_guard lock(mutex_);
        // A connection that failed says why when the transport knows (TLS).
        row->SubItems[kState] = StateText(sender->Result, sender->StatusCode) +
                                (sender->Result == 2 ? TConnectReason::Suffix(sender->ConnectFailure, sender->ConnectDetail)
                                                     : std::string());
        row->ImageIndex = success ? kImageDone : kImageError;
        row->SubItems[kLoaded] = DownloadSizeText(sender, success ? 100 : GetProgress(sender));
    }
    Changed(row);
    if (OnLoaded) OnLoaded(this, success, sender->File.get());
    if (!sender->Independent && error != 1) Download();
    sender->Independent = false;
}

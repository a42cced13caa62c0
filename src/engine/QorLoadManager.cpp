#include "engine/QorLoadManager.h"

#include "engine/QorCacheLoadThread.h"
#include "engine/QorCacheManager.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorPageItems.h"
#include "platform/DateTime.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"
#include "platform/TextLines.h"
#include "platform/Thread.h"
#include "platform/WinPath.h"

#include <cmath>
#include <initializer_list>

namespace {

std::atomic<unsigned> nextManagerNumber{1};

bool IsOneOf(std::string_view ext, std::initializer_list<std::string_view> list) {
    if (ext.empty()) return false;
    const std::string lower = TSjisText::LowerCase(ext);
    for (std::string_view item : list)
        if (lower == item) return true;
    return false;
}

// One link line of a generated list.
void AppendLink(std::string& text, const std::string& target) {
    text += "<a href=\"";
    text += target;
    text += "\"></a>\n";
}

// Runs at the end of a scope, also when an exception leaves it.
template <typename Fn>
class TFinally {
public:
    explicit TFinally(Fn fn) : fn_(std::move(fn)) {}
    ~TFinally() { fn_(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    Fn fn_;
};

} // namespace

// The page load thread of a page load: before its end report goes to the
// main thread it keeps the page in the cache, so that the main thread never
// writes the page and the page is cached by the time the load is reported.
class TQorLoadManager::TPageLoadThread : public TQorLoadThread {
public:
    TPageLoadThread(TQorLoadManager& manager, bool useCache) : manager_(manager), useCache_(useCache) {}

protected:
    void DoTerminate() override {
        if (useCache_) manager_.SaveToCache(*this);
        TQorLoadThread::DoTerminate();
    }

private:
    TQorLoadManager& manager_;
    const bool useCache_; // UseCache when the load began
};

TQorLoadManager::TQorLoadManager()
    : PageItems(std::make_unique<TQorPageItems>()),
      LoadEvent(std::make_unique<TEvent>(
          true, true, "yarvloadevent-" + std::to_string(nextManagerNumber.fetch_add(1)))),
      Cache(std::make_unique<TQorCacheManager>()),
      LoadFile(std::make_unique<TQorFile>()) {
    Cache->CacheSize = CacheSize;
}

TQorLoadManager::~TQorLoadManager() {
    if (StopWorkers()) WaitLoadEvent();
}

bool TQorLoadManager::StopWorkers() {
    std::lock_guard lock(workerMutex_);
    Canceled = true;
    if (LoadThread) {
        LoadThread->Cancel();
        // Also stops a parse in progress.
        PageItems->Cancel();
        // A parked thread would never see the cancel.
        if (workerStarted_) LoadThread->Resume();
    }
    if (CacheThread) CacheThread->Cancel();
    // A worker that OnLoad cancels before it started ends by itself as soon
    // as Load starts it; waiting for it here would wait for ever.
    return (LoadThread || CacheThread) && workerStarted_;
}

void TQorLoadManager::SetCachePath(std::string_view path) {
    CachePath = std::string(path);
    std::lock_guard lock(cacheMutex_);
    Cache->CachePath = CachePath;
}

void TQorLoadManager::SetCacheSize(unsigned int megabytes) {
    CacheSize = megabytes;
    std::lock_guard lock(cacheMutex_);
    Cache->CacheSize = megabytes;
}

void TQorLoadManager::SetUncachePage(TQorUncachePage* list) {
    UncachePage = list;
    std::lock_guard lock(cacheMutex_);
    Cache->UncachePage = list;
}

const TQorURLReplace* TQorLoadManager::GetReplacer() const { return PageItems->Replacer; }

void TQorLoadManager::SetReplacer(const TQorURLReplace* replacer) {
    PageItems->Replacer = replacer;
}

void TQorLoadManager::WaitLoadEvent() { TThread::WaitPumping(*LoadEvent, TEvent::kInfinite); }

void TQorLoadManager::Load(const TQorFile* file) {
    if (!file || DisableOpen) return;
    Cancel();
    WaitLoadEvent();
    LoadEvent->ResetEvent();

    Loading = true;
    Canceled = false;
    FromCache = false;
    Local = false;
    LocalList = false;
    Modified = false;
    ConnectFailure = cfNone;
    ConnectDetail.clear();

    PageItems->Title.clear();
    // A cancel of the previous load must not cut this one's redirections
    // short (the extractor resolves them before its next SetSource).
    PageItems->Canceled = false;
    PageItems->SetPageFile(*file);
    PageItems->SearchAnchorStr = true;
    PageItems->DuplicateAnchor = DuplicateAnchor;
    PageItems->AutoReferer = Conn ? Conn->GetAutoReferer() : true;

    if (file->Kind == TQorFile::kLocal) {
        if (OnLocalLoad) OnLocalLoad(this, *file);
        int code = 0;
        const std::string text =
            GetLocalFileSource(file->URL->GetURL(), file->URL->GetLocalPath(), code);
        // A local page has no header: its character set is found afresh
        // rather than left from the previous page. A generated list is
        // Shift-JIS already.
        PageItems->SetHeaderInfo(nullptr);
        PageItems->ForceCharset = LocalList ? ctUnknown : ForceCharset;
        PageItems->DetectCharset = !LocalList;
        PageItems->SetSource(text);
        PageItems->DetectCharset = true;
        Local = true;
        FromCache = !UnreadCache;
        if (OnLoad) OnLoad(this, *file);
        LoadEndProcess(0, code);
        return;
    }

    const std::string address = file->URL->GetCompURL();
    std::string cacheFile;
    FromCache = UseCache && !UnreadCache && Cache->IsCached(address, cacheFile);
    if (FromCache) {
        auto* thread = new TQorCacheLoadThread;
        thread->Manager = Cache.get();
        thread->Items = PageItems.get();
        thread->URLText = address;
        thread->OnTerminate = [this](TThread* sender) { CacheThreadLoaded(sender); };
        PageItems->ForceCharset = ForceCharset;
        std::lock_guard lock(workerMutex_);
        CacheThread = thread;
        workerStarted_ = false;
    } else {
        LoadFile->Assign(file);
        auto* thread = new TPageLoadThread(*this, UseCache);
        thread->DownloadMode = false;
        thread->Conn = Conn;
        thread->Items = PageItems.get();
        thread->Parse = Parse;
        thread->KeepBody = KeepBody;
        thread->DoAuthorize = DoAuthorize;
        thread->OnHeading = [this](TQorLoadThread* sender, TQorFile& page) {
            LoaderHeading(sender, page);
        };
        thread->OnHead = OnHead;
        thread->SetOnReceiveData(OnReceiveData);
        thread->OnAuthorize = OnAuthorize;
        thread->OnTerminate = [this](TThread* sender) { LoaderTerminate(sender); };
        PageItems->ForceCharset = ForceCharset;
        thread->AddFile(file);
        std::lock_guard lock(workerMutex_);
        LoadThread = thread;
        workerStarted_ = false;
    }

    if (OnLoad) OnLoad(this, *file);

    std::lock_guard lock(workerMutex_);
    workerStarted_ = true;
    if (LoadThread) LoadThread->Resume();
    if (CacheThread) CacheThread->Resume();
}

void TQorLoadManager::Cancel() {
    const bool wait = StopWorkers();
    if (wait && CancelWait && !reporting_) WaitLoadEvent();
}

void TQorLoadManager::LoadSuspend() {
    std::lock_guard lock(workerMutex_);
    if (LoadThread && workerStarted_) LoadThread->Suspend();
}

void TQorLoadManager::LoadResume() {
    std::lock_guard lock(workerMutex_);
    if (LoadThread && workerStarted_) LoadThread->Resume();
}

const TInetHTTPResponseHeader* TQorLoadManager::GetResponseHeader() const {
    std::lock_guard lock(workerMutex_);
    return LoadThread ? &LoadThread->GetHTTP().ResponseHeader : nullptr;
}

void TQorLoadManager::GetMemory(std::string& stream) const {
    stream.clear();
    std::lock_guard lock(workerMutex_);
    if (!LoadThread) return;
    const TInetHTTP& http = LoadThread->GetHTTP();
    if (const char* body = http.GetBinary())
        stream.assign(body, static_cast<size_t>(http.GetBinaryLen()));
}

bool TQorLoadManager::ClearCache() {
    std::lock_guard lock(cacheMutex_);
    return Cache->Clear();
}

bool TQorLoadManager::IsPageExt(std::string_view ext) {
    return IsOneOf(ext, {".pl", ".asp", ".asx", ".wax", ".wvx", ".php", ".cgi", ".cfm", ".jsp",
                         ".htm", ".smi", ".php3", ".phtm", ".html", ".armx", ".msnw", ".shtml",
                         ".jhtml", ".phtml"});
}

bool TQorLoadManager::IsLocalPageExt(std::string_view ext) {
    return IsOneOf(ext, {".asx", ".wax", ".smi", ".htm", ".html"});
}

std::string TQorLoadManager::GetLocalFileSource(const std::string& address, const std::string& path,
                                                int& code) {
    std::string text;
    if (IsPageExt(TWinPath::ExtractFileExt(path))) {
        if (!TFileOps::FileExists(path)) {
            code = 904;
            return text;
        }
        std::string data;
        if (!TFileOps::ReadWholeFile(path, data)) {
            code = 905;
            return text;
        }
        bool first = true;
        TTextLines::ForEach(data, [&](std::string_view line) {
            if (!first) text += "\r\n";
            first = false;
            text += line;
        });
        code = 200;
        return text;
    }

    if (address == "file:///") {
        text = "<title>" + TStringTable::Get(1035) + "</title>";
        // The one drive there is: the root.
        AppendLink(text, address + "C:\\");
        LocalList = true;
        code = 200;
        return text;
    }

    if (TFileOps::DirectoryExists(path)) {
        std::vector<TFolderEntry> entries;
        if (!TFileOps::ListFolder(path, entries)) {
            code = 900;
            return text;
        }
        // A drive root is named by itself, any other folder by its last element.
        const std::string name =
            path.size() == 3 ? path
                             : TWinPath::ExtractFileName(TWinPath::ExcludeTrailingBackslash(path));
        text = "<title>" + name + "</title>\n";
        text += "<meta content=\"text/html; charset=shift_jis\">\n";
        for (const TFolderEntry& entry : entries)
            AppendLink(text, address + entry.Name + (entry.IsFolder ? "/" : ""));
        LocalList = true;
        code = 200;
        return text;
    }

    code = 900;
    return text;
}

void TQorLoadManager::LoadEndProcess(int state, int reply) {
    // The manager becomes idle even when the handler throws. LoadEvent comes
    // last: a Load waiting on another thread starts the moment it is set.
    TFinally idle([this] {
        reporting_ = false;
        Loading = false;
        PageItems->ClearFileList();
        {
            std::lock_guard lock(workerMutex_);
            LoadThread = nullptr;
            CacheThread = nullptr;
            workerStarted_ = false;
        }
        LoadEvent->SetEvent();
    });
    reporting_ = true;
    if (OnLoaded) OnLoaded(this, state, reply);
}

void TQorLoadManager::LoaderHeading(TQorLoadThread* sender, TQorFile& file) {
    if (OnHeading) OnHeading(sender, file);
}

void TQorLoadManager::LoaderTerminate(TThread* sender) {
    auto* thread = static_cast<TQorLoadThread*>(sender);
    TInetHTTP& http = thread->GetHTTP();
    const int error = http.ErrorCode;
    const TInetHTTPResponseHeader& response = http.ResponseHeader;

    if (error == 1 || thread->Refused) Canceled = true;
    if (error == 2) {
        if (const TTransport* socket = http.GetSocket()) {
            ConnectFailure = socket->LastConnectFailure();
            ConnectDetail = socket->LastFailureDetail();
        }
    }
    if (!Canceled && error == 0) {
        Authorized = thread->Authorized;
        AuthUser = thread->AuthUser;
        AuthPassword = thread->AuthPassword;
        if (CheckModify && !response.ModifiedDate.empty()) {
            const std::string& date = response.ModifiedDate;
            TDateTime modified = 0;
            if (TDateTimeText::TryParse(date.substr(0, date.find(' ')), modified)) {
                const double days = std::trunc(TDateTimeText::Now() - modified);
                Modified = days <= ModifyLimit;
            }
        }
    }
    if (thread->Refused) HeadText = response.RawHeader;
    LoadEndProcess(error, response.StatusCode);
}

void TQorLoadManager::SaveToCache(TQorLoadThread& thread) {
    const TInetHTTP& http = thread.GetHTTP();
    // An error page is not kept: served again from the cache it would be
    // reported as a page that arrived (200), and a 401 would hide the real
    // page from every later load. Nor is a redirection that was not
    // followed (its target never arrived): only a page that was fetched,
    // 2xx. A cancel that comes after this point still finds the page
    // cached, as it would have found it whole.
    const int status = http.ResponseHeader.StatusCode;
    if (Canceled || http.ErrorCode != 0 || thread.Refused || status < 200 || status >= 300)
        return;
    std::lock_guard lock(cacheMutex_);
    // The page is lent to the cache for the write, not copied.
    Cache->Text.swap(PageItems->Source);
    const std::string requested = LoadFile->URL->GetCompURL();
    const std::string final = PageItems->PageFile->URL->GetCompURL();
    // Under the address asked for, the page keeps where it came from: its
    // relative links are read against that again.
    if (final != requested) {
        // Without credentials: they stay out of the cache folder.
        Cache->FinalURL = PageItems->PageFile->URL->GetPortURL();
        Cache->FinalReferer = PageItems->PageFile->Referer;
    }
    Cache->Save(requested);
    Cache->FinalURL.clear();
    Cache->FinalReferer.clear();
    // After redirections the page is also found under its own address.
    if (final != requested) Cache->Save(final);
    PageItems->Source.swap(Cache->Text);
    Cache->Text.clear();
    Cache->Text.shrink_to_fit();
}

void TQorLoadManager::CacheThreadLoaded(TThread*) { LoadEndProcess(0, 200); }

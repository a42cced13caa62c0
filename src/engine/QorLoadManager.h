#pragma once
// Opens one page at a time. Given a record, Load decides where the page
// comes from (a local file or folder, the page cache, or the network),
// starts the matching worker and reports the end of the load through
// OnLoaded. In OnLoaded the caller reads the page's records, text and title
// from PageItems; they are cleared right after it returns.
//
// Serialisation: LoadEvent (manual reset, named "yarvloadevent-" + a number
// unique in the process) is signalled whenever no load is under way. Load
// cancels a running load and waits for its end before it starts the next.
//
// Threads: Load and Cancel are called from one thread at a time (the main
// window's main thread, or a cascade download's worker thread); Cancel,
// LoadSuspend and LoadResume may also come from the main thread while that
// worker is inside Load. The end of a cache or network load (LoaderTerminate,
// CacheThreadLoaded, LoadEndProcess, OnLoaded) runs on the main thread; a
// local load ends inside Load, on the calling thread. OnHeading, OnHead and
// OnReceiveData run on the page load thread; OnAuthorize on the main thread.
// A fetched page goes into the page cache on the page load thread, before
// its end is reported: once OnLoaded runs, the page is found in the cache.
// Every wait of Load and Cancel on the main thread keeps running the main
// thread's queued calls, so the worker's end report can arrive.
//
// The workers free themselves after their end report. The manager keeps its
// pointers to them under a lock and clears them in that report, so a Cancel
// never reaches a worker that is gone.
//
// OnLoaded(State, Reply): State is the HTTP client's error code (0 none,
// 1 cancelled, 2 connection failed, 3 timed out, 4 file error) for a network
// load and 0 otherwise; Reply is the final HTTP status of a network load,
// 200 for a cache load, and for a local load 200 (read), 900 (nothing
// there, or a folder that cannot be listed), 904 (page file missing) or
// 905 (page file unreadable).
#include "engine/QorFile.h"
#include "engine/QorLoadThread.h"
#include "inet/CharsetType.h"
#include "inet/InetBase.h"
#include "platform/Event.h"
#include "platform/Transport.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class TInetHTTPResponseHeader;
class TQorCacheLoadThread;
class TQorCacheManager;
class TQorConnGeneral;
class TQorPageItems;
class TQorURLReplace;
class TQorUncachePage;
class TThread;

class TQorLoadManager {
public:
    using TFileEvent = std::function<void(TQorLoadManager* sender, const TQorFile& file)>;
    using TLoadedEvent = std::function<void(TQorLoadManager* sender, int state, int reply)>;

    TQorLoadManager();
    // Cancels a load under way and waits for its end (whatever CancelWait
    // says): no worker may report to a manager that is gone.
    ~TQorLoadManager();
    TQorLoadManager(const TQorLoadManager&) = delete;
    TQorLoadManager& operator=(const TQorLoadManager&) = delete;

    // Properties.
    TQorConnGeneral* Conn = nullptr; // not owned; must be set before Load
    bool Parse = true;               // parse fetched bodies
    // Whether GetMemory finds a parsed page's answer after the load. Off,
    // the answer is freed once the page has its copy, so a big page is not
    // held twice while it is searched.
    bool KeepBody = true;
    bool UseCache = true;            // read and write the page cache
    bool UnreadCache = false;        // never serve from the cache (pages are still saved)
    bool DoAuthorize = true;         // offer OnAuthorize on 401
    bool CheckModify = false;        // compute Modified from the answer's modification date
    int ModifyLimit = 0;             // days
    bool SearchAnchorStr = true;     // kept only: Load always collects link texts
    bool DuplicateAnchor = false;    // copied to PageItems by each Load
    bool DisableOpen = false;        // Load does nothing while set
    std::atomic<bool> CancelWait{true}; // Cancel waits for the worker's end
    TCharsetType ForceCharset = ctUnknown;

    std::string GetCachePath() const { return CachePath; }
    void SetCachePath(std::string_view path);
    unsigned int GetCacheSize() const { return CacheSize; }
    void SetCacheSize(unsigned int megabytes);
    TQorUncachePage* GetUncachePage() const { return UncachePage; }
    void SetUncachePage(TQorUncachePage* list);
    const TQorURLReplace* GetReplacer() const;
    void SetReplacer(const TQorURLReplace* replacer);

    // Events. OnHeading and OnHead have the load thread as sender and run on
    // it; OnReceiveData has its HTTP client as sender. OnLoad comes once the
    // source is ready (local) or the worker is prepared, before it starts;
    // OnLocalLoad before a local record's source is read. OnFindCache is
    // kept for the main window to bind; no load fires it.
    TQorLoadThread::THeadingEvent OnHeading;
    TQorLoadThread::THeadEvent OnHead;
    TInetBase::TReceiveDataEvent OnReceiveData;
    TFileEvent OnLoad;
    TLoadedEvent OnLoaded;
    TFileEvent OnLocalLoad;
    TFileEvent OnFindCache;
    // The credentials question of a 401 (see TQorLoadThread::TAuthorizeEvent);
    // handed to each page load thread. The window program answers it with
    // its authentication dialog.
    TQorLoadThread::TAuthorizeEvent OnAuthorize;

    // State of the last load, for the OnLoaded handler and after it.
    std::unique_ptr<TQorPageItems> PageItems;
    bool Authorized = false; // credentials entered during the last network load
    std::string AuthUser;
    std::string AuthPassword;
    bool Loading = false;
    std::string HeadText;    // raw header of the last load whose body OnHead declined
    bool FromCache = false;  // for a local page: not UnreadCache
    bool Local = false;
    bool LocalList = false;  // a generated folder or drive list
    bool Modified = false;
    std::atomic<bool> Canceled{false}; // cancelled, or the body declined
    // With State 2 of a network load: why the connection could not be
    // opened, and the transport's words for it (TLS); cfNone and empty
    // otherwise.
    TConnectFailure ConnectFailure = cfNone;
    std::string ConnectDetail;

    // Opens the page; null does nothing, as does every call while
    // DisableOpen is set.
    void Load(const TQorFile* file);
    // Stops the current load. With CancelWait it returns once the load has
    // been reported (OnLoaded has run), on the main thread running queued
    // calls meanwhile; without, at once. Called from inside OnLoaded it does
    // not wait (the load is ending there).
    void Cancel();
    // Park or let go on the page load thread, when there is one.
    void LoadSuspend();
    void LoadResume();

    // The page load thread's response header; null when there is no load
    // thread (before and after a network load: after OnLoaded has returned).
    const TInetHTTPResponseHeader* GetResponseHeader() const;
    // Empties `stream` and, while a page load thread holds a body in memory,
    // fills it with the body bytes. For the same handlers as above.
    void GetMemory(std::string& stream) const;
    bool ClearCache();

    // Whether an extension (with its dot, any letter case) is that of a page:
    // .pl .asp .asx .wax .wvx .php .cgi .cfm .jsp .htm .smi .php3 .phtm .html
    // .armx .msnw .shtml .jhtml .phtml. An empty extension is none.
    static bool IsPageExt(std::string_view ext);
    // The same for local files: .asx .wax .smi .htm .html.
    static bool IsLocalPageExt(std::string_view ext);

    // The text of a local page: the file itself for a page extension (200,
    // 904 missing, 905 unreadable), the drive list for "file:///", a
    // generated list of a folder's entries, or nothing (900). Sets LocalList
    // for a generated list.
    std::string GetLocalFileSource(const std::string& address, const std::string& path, int& code);
    // The end of every load: OnLoaded, then the manager is idle again.
    void LoadEndProcess(int state, int reply);

    // Handlers bound to the workers.
    void LoaderHeading(TQorLoadThread* sender, TQorFile& file); // worker thread
    void LoaderTerminate(TThread* sender);                      // main thread
    // Keeps a fetched 2xx page in the cache (under the address asked for
    // and, after redirections, its own); nothing for an error, a cancel or
    // a declined body. On the page load thread, before its end report.
    void SaveToCache(TQorLoadThread& thread);
    void CacheThreadLoaded(TThread* sender);                    // main thread

    // The load event's name.
    const std::string& LoadEventName() const { return LoadEvent->Name(); }

private:
    class TPageLoadThread;

    // Waits for LoadEvent, running the main thread's queued calls when on it.
    void WaitLoadEvent();
    // Cancels the workers (and a parse in progress) and lets a parked one go
    // on; true when there is a started worker whose end is to be waited for.
    bool StopWorkers();

    std::string CachePath;
    unsigned int CacheSize = 5;
    TQorUncachePage* UncachePage = nullptr;
    std::unique_ptr<TEvent> LoadEvent;
    // Cache's settings change on the main thread while a page load thread
    // may be saving into it; a Clear never runs beside a save.
    std::mutex cacheMutex_;
    std::unique_ptr<TQorCacheManager> Cache;
    std::unique_ptr<TQorFile> LoadFile;

    // The running workers (not owned: they free themselves), whether they
    // have been started, and the guard of all three against the end report.
    mutable std::mutex workerMutex_;
    TQorLoadThread* LoadThread = nullptr;
    TQorCacheLoadThread* CacheThread = nullptr;
    bool workerStarted_ = false;
    // OnLoaded is running.
    std::atomic<bool> reporting_{false};
};

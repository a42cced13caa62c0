#pragma once
// The download queue of one download window. Each row is one file and owns
// one download manager; the queue starts waiting rows up to LoadCount at a
// time, starts the next ones as others end and keeps every row's texts
// (caption, seven sub-items, image index) as plain data for a view to show.
//
// Columns of a row: 0 caption (file name); sub-items 0..6: state, file size,
// download size with percent, save folder, run count "n/RetryCount",
// transfer rate, estimated remaining time. Image: 0 waiting, 1 getting the
// header, 2 complete, 3 error.
//
// Threads: every public call, the start pass and LoadManLoaded belong to the
// main thread. LoadManHeading, LoadManHead and LoadManReceiveData run on the
// manager's transfer thread and touch only the texts and image of their own
// row, under the row lock; readers outside the main thread use GetRow.
// OnChange is raised on the thread that made the change (a transfer thread
// for heading and progress texts): a view hands it over to its own thread.
#include "download/QorDownloadManager.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class TQorConnGeneral;
class TQorFile;

// One row of the queue, as a list view would hold it.
struct TQorDownloadRow {
    static constexpr int kSubItems = 7;
    std::string Caption;
    std::vector<std::string> SubItems = std::vector<std::string>(kSubItems);
    int ImageIndex = 0;
    TQorDownloadManager* Data = nullptr; // owned by the list through Managers
    bool Selected = false;
    // Unique within the list for its whole life: a window that keeps a row's
    // id (a property window) finds the row again, or learns that it is gone.
    // Rows are appended with rising ids and never reordered, so the list is
    // always in id order.
    uint64_t Id = 0;
    // Counts the changes of the texts and the image (under the row lock): a
    // view that keeps a copy takes the row again only when this moved on.
    uint64_t Version = 0;
};

// What a view needs to find the rows that changed since it last looked.
struct TQorDownloadRowMark {
    uint64_t Id = 0;
    uint64_t Version = 0;
};

class TQorDownloadList {
public:
    using TLoadedEvent = std::function<void(TQorDownloadList* sender, bool success, TQorFile* file)>;
    using TNotifyEvent = std::function<void(TQorDownloadList* sender)>;
    // index: the changed row, or -1 when rows were added, removed or moved.
    using TChangeEvent = std::function<void(TQorDownloadList* sender, int index)>;
    using TRetryEvent = std::function<void(TQorDownloadList* sender, TQorDownloadManager* manager)>;

    static constexpr int kImageWait = 0;
    static constexpr int kImageHeading = 1;
    static constexpr int kImageDone = 2;
    static constexpr int kImageError = 3;

    TQorDownloadList();
    // Deletes every row (cancelling its transfer; waits for it).
    ~TQorDownloadList();
    TQorDownloadList(const TQorDownloadList&) = delete;
    TQorDownloadList& operator=(const TQorDownloadList&) = delete;

    int LoadCount = 1;
    TQorConnGeneral* Conn = nullptr; // not owned
    bool Unprocess = false;
    std::string CachePath;
    bool CheckSize = false;
    bool SizeVector = false;
    uint64_t LimitSize = 0;
    bool DirReapp = false;
    int RetryWait = TQorDownloadManager::kRetryWaitDefault;
    // Attempts given to every row added from now on (SetRetryCount changes
    // one row). FailToWait's new rows get it too.
    int RetryCount = TQorDownloadManager::kRetryCountDefault;

    TLoadedEvent OnLoaded;
    TNotifyEvent OnProcessed;
    TChangeEvent OnChange;
    // Main thread: a row's attempt failed and another follows; the manager
    // tells why (see TQorDownloadManager::OnRetry).
    TRetryEvent OnRetry;

    const std::string& GetDefaultSaveDir() const { return defaultSaveDir_; }
    // Adds the trailing "\" when missing; handed to every manager, also to
    // those already added.
    void SetDefaultSaveDir(const std::string& dir);

    // Rows in list order. The pointers stay valid until the row is deleted.
    int Count() const;
    TQorDownloadRow* Items(int index) const;
    int IndexOf(const TQorDownloadRow* row) const;
    // A copy of a row's texts taken under the row lock (any thread).
    TQorDownloadRow GetRow(int index) const;
    // Every row's id and version in list order, under one lock (any thread).
    void GetMarks(std::vector<TQorDownloadRowMark>& marks) const;

    TQorDownloadRow* AddFile(const TQorFile* file);
    // Start pass: starts waiting rows until LoadCount rows are downloading or
    // stopped; raises OnProcessed when nothing is waiting or running.
    void Download();
    // Starts a waiting or finished row at once, beside LoadCount.
    void IndependenceDownload(TQorDownloadRow* row);
    int Suspend();
    int Resume();
    void CancelAll();
    // Moves every failed row to the end as a new waiting row.
    void FailToWait();
    void SetSaveDir(TQorDownloadRow* row, const std::string& dir);
    void SetRetryCount(TQorDownloadRow* row, int n);
    TQorDownloadManager* GetManager(const TQorDownloadRow* row) const;
    TQorDownloadRow* GetItem(const TQorDownloadManager* manager) const;
    // The row with that id, or null when it has been deleted.
    TQorDownloadRow* FindRow(uint64_t id) const;
    int GetProgress(const TQorDownloadManager* manager) const;
    int GetLoadedCount() const;
    // Rows whose manager is not finished, in list order (what a closing
    // window puts in the unfinished-file list).
    std::vector<TQorDownloadRow*> GetUnfinished() const;
    // Removes a row: cancels its transfer (waiting for it, its end report
    // ignored) and frees its manager.
    void Delete(TQorDownloadRow* row);
    void Clear();

    // Manager handlers.
    void LoadManHeading(TQorDownloadManager* sender);
    void LoadManHead(TQorDownloadManager* sender);
    void LoadManReceiveData(TQorDownloadManager* sender, int count);
    void LoadManLoaded(TQorDownloadManager* sender, int error, int status);

    // The texts shown by the rows.
    static std::string StateText(int result, int status); // end states
    static std::string RemainText(int64_t fileSize, int64_t loadSize, int64_t perSecond);

private:
    void Changed(TQorDownloadRow* row);
    int IndexOfLocked(const TQorDownloadRow* row) const;
    void ChangedAll();
    std::string DownloadSizeText(const TQorDownloadManager* m, int percent) const;
    void SetSaveDirText(TQorDownloadRow* row, const std::string& dir);
    void FreeRow(TQorDownloadRow* row); // cancels and frees the manager

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<TQorDownloadRow>> rows_;
    std::string defaultSaveDir_;
    bool inPass_ = false;
    // Every row before this index is finished (or being deleted).
    size_t passFrom_ = 0;
    bool passAgain_ = false;
    // Set by the main thread while it rebuilds rows: every notice meanwhile
    // is folded into the one (-1) at the end.
    std::atomic<bool> updating_{false};
    TQorDownloadManager* deleting_ = nullptr;
    uint64_t lastId_ = 0;
    std::unordered_map<uint64_t, TQorDownloadRow*> byId_;
};
